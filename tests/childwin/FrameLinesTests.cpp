#include "Childwin/DisplayList.h"
#include "Childwin/LineList.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FrameLines : testing::Test {
    TDisplayList List;
    TLineList Lines;
    TPlacedUniverse U{4};
    TBuffer Buffer{200, 100};
    TFrameSettings Settings = PlainSettings(200, 100, 1, -100); // one pixel per unit

    FrameLines() {
        U.Universe.IterationCount = 1;
        Settings.UseLines = true;
        U.Place(0, -10, 5, 0); // (110, 55)
        U.Place(1, 20, -5, 0); // (80, 45)
        U.Place(2, 30, 0, 0);  // (70, 50)
        U.Place(3, 0, 0, 0);   // (100, 50)
    }
    void Render() { RenderUniverse(&U.Universe, &List, Buffer.Frame(), Settings, Lines, U.Screen); }
};

void ExpectLine(const TLineSegment& line, double x1, double y1, double x2, double y2,
                double tolerance = 0) {
    EXPECT_NEAR(line.X1, x1, tolerance);
    EXPECT_NEAR(line.Y1, y1, tolerance);
    EXPECT_NEAR(line.X2, x2, tolerance);
    EXPECT_NEAR(line.Y2, y2, tolerance);
}

} // namespace

TEST_F(FrameLines, CloseLinesJoinUpperToLowerInPairOrder) {
    U.AddPair(1, 0);
    U.AddPair(3, 2);
    U.AddPair(2, 1);
    Render();
    ASSERT_EQ(Lines.Count(), 3);
    ExpectLine(Lines[0], 80, 45, 110, 55);
    ExpectLine(Lines[1], 100, 50, 70, 50);
    ExpectLine(Lines[2], 70, 50, 80, 45);
}

TEST_F(FrameLines, NoLinesBeforeTheFirstStepOrWithLinesOff) {
    U.AddPair(1, 0);
    U.Universe.IterationCount = 0;
    Render();
    EXPECT_EQ(Lines.Count(), 0);
    U.Universe.IterationCount = 1;
    Settings.UseLines = false;
    Render();
    EXPECT_EQ(Lines.Count(), 0);
    Settings.UseLines = true;
    U.Universe.PairLast = -1;
    Render();
    EXPECT_EQ(Lines.Count(), 0);
}

// A line needs both ends drawn in this very frame: a hidden end, or one too close to the
// camera that still carries an old point, leaves the line out.
TEST_F(FrameLines, LinesOnlyJoinParticlesDrawnInThisFrame) {
    U.Place(2, -5000, 0, 0); // off the window: hidden
    U.Place(3, 0, 0, 100);   // depth 0: keeps its old point (12345, 12345)
    U.AddPair(2, 0);
    U.AddPair(3, 1);
    U.AddPair(1, 0);
    U.AddPair(3, 2);
    Render();
    EXPECT_EQ(U[2].ScreenX, -999);
    EXPECT_EQ(U[3].ScreenX, 12345);
    ASSERT_EQ(Lines.Count(), 1);
    ExpectLine(Lines[0], 80, 45, 110, 55);
}

TEST_F(FrameLines, AnotherViewsPointsDoNotCount) {
    U.AddPair(1, 0);
    Render();
    EXPECT_EQ(Lines.Count(), 1);
    // A second view that sees particle 1 too close leaves the first view's point behind.
    TFrameSettings near = Settings;
    near.Camera.Dolly = -0.5;
    RenderUniverse(&U.Universe, &List, Buffer.Frame(), near, Lines, U.Screen);
    EXPECT_EQ(U[1].ScreenX, 80);
    EXPECT_EQ(Lines.Count(), 0);
}

TEST_F(FrameLines, PairIndicesOutsideTheUniverseAreSkipped) {
    U.AddPair(9, 0);
    U.AddPair(1, -1);
    U.AddPair(1, 0);
    Render();
    ASSERT_EQ(Lines.Count(), 1);
    ExpectLine(Lines[0], 80, 45, 110, 55);
}

TEST_F(FrameLines, AFullPairListDrawsAllOfItAndNoMore) {
    for (int k = 0; k < TUniverse::MaxPairs; ++k)
        U.AddPair(1 + k % 3, 0);
    Render();
    EXPECT_EQ(Lines.Count(), TUniverse::MaxPairs);
    U.Universe.PairLast = 7000; // past the table: only the 5,000 entries it holds are read
    Render();
    EXPECT_EQ(Lines.Count(), TUniverse::MaxPairs);
}

TEST(LineList, EndsNearTheWindowPassUnchanged) {
    TLineList lines;
    ASSERT_TRUE(lines.AddClipped(-999, -999, 40, 50, 200, 100));
    ExpectLine(lines[0], -999, -999, 40, 50);
}

TEST(LineList, FarEndsAreCutAtTheWindowAndMissingLinesDropped) {
    TLineList lines;
    // Horizontal through the window from far left to far right.
    ASSERT_TRUE(lines.AddClipped(-2e9, 50, 2e9, 50, 200, 100));
    ASSERT_EQ(lines.Count(), 1);
    ExpectLine(lines[0], -1, 50, 201, 50, 1e-6);
    // Far away entirely: nothing to draw.
    ASSERT_TRUE(lines.AddClipped(-2e9, -5e8, -1e9, -5e8, 200, 100));
    EXPECT_EQ(lines.Count(), 1);
    // One far end: the near end stays, the far one moves to the edge along the line.
    ASSERT_TRUE(lines.AddClipped(100, 50, 100, 1e9, 200, 100));
    ASSERT_EQ(lines.Count(), 2);
    ExpectLine(lines[1], 100, 50, 100, 101, 1e-6);
}

TEST(LineList, RefusesMoreThanItsCapacity) {
    TLineList lines;
    for (int k = 0; k < TLineList::Capacity; ++k)
        ASSERT_TRUE(lines.AddClipped(1, 2, 3, 4, 10, 10));
    EXPECT_FALSE(lines.AddClipped(1, 2, 3, 4, 10, 10));
    lines.Clear();
    EXPECT_EQ(lines.Count(), 0);
}

// A blown-up universe: NaN and infinite coordinates and heat beside ordinary particles.
// Under the sanitizers this must render without a report; the ordinary particles are still
// drawn and no line touches a broken one.
TEST_F(FrameLines, BrokenParticlesAreNeitherDrawnNorJoined) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TPlacedUniverse u(12);
    u.Universe.IterationCount = 5;
    u.Universe.UseThermodynamics = true;
    Settings.ShowLuminance = true;
    u.Place(0, nan, 0, 0);
    u.Place(1, 0, nan, 0);
    u.Place(2, 0, 0, nan);
    u.Place(3, inf, 0, 0);
    u.Place(4, 0, -inf, 0);
    u.Place(5, 0, 0, -inf); // infinitely far away
    u.Place(6, 1e300, 1e300, -1e300);
    u.Place(7, 1e-300, 0, 1e300);
    u.Place(8, 0, 0, 0);
    u[8].Heat = nan;
    u.Place(9, 0, 0, 0);
    u[9].Heat = inf;
    u.Place(10, -10, 5, 0);
    u.Place(11, 20, -5, 0);
    for (int i = 0; i < 12; ++i)
        u.AddPair(11, i);
    RenderUniverse(&u.Universe, &List, Buffer.Frame(), Settings, Lines, u.Screen);
    EXPECT_EQ(u[10].ScreenX, 110);
    EXPECT_EQ(u[11].ScreenX, 80);
    EXPECT_GT(Buffer.Grey(110, 55), 0);
    for (const TLineSegment& line : Lines)
        for (double c : {line.X1, line.Y1, line.X2, line.Y2})
            EXPECT_TRUE(std::isfinite(c) && std::abs(c) < 1e6);
    // The camera itself can be broken too.
    Settings.Camera.Azimuth = nan;
    RenderUniverse(&u.Universe, &List, Buffer.Frame(), Settings, Lines, u.Screen);
    Settings.Camera = {};
    Settings.Camera.ZoomX = Settings.Camera.ZoomY = inf;
    RenderUniverse(&u.Universe, &List, Buffer.Frame(), Settings, Lines, u.Screen);
}

// Zoomed in as far as the zoom drag goes, with particles just beyond depth 1: dots many
// millions of pixels wide and points thousands of pixels out. Every dot is cut to the
// frame before its loops start (uncut, they would visit some 10^13 pixels each).
TEST_F(FrameLines, MaximumZoomAtMinimumDepthStaysBounded) {
    Settings.Camera.ZoomX = Settings.Camera.ZoomY = 1e6;
    Settings.Camera.Dolly = -1.000001;
    TPlacedUniverse u(50);
    u.Universe.IterationCount = 1;
    for (int i = 0; i < 50; ++i) {
        u.Place(i, (i - 25) * 1e-5, (i % 7 - 3) * 1e-5, 0);
        if (i > 0)
            u.AddPair(i, i - 1);
    }
    RenderUniverse(&u.Universe, &List, Buffer.Frame(), Settings, Lines, u.Screen);
    EXPECT_EQ(Buffer.Lit(), 200 * 100);
    EXPECT_GT(Lines.Count(), 0);
    for (const TLineSegment& line : Lines)
        for (double c : {line.X1, line.Y1, line.X2, line.Y2})
            EXPECT_TRUE(std::abs(c) < 5000) << c;
}
