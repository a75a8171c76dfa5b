#include "Childwin/DisplayList.h"
#include "Childwin/DotBlend.h"
#include "Childwin/LineList.h"
#include "RenderTestSupport.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FrameRender : testing::Test {
    TDisplayList List;
    TLineList Lines;

    void Render(TPlacedUniverse& u, TBuffer& b, const TFrameSettings& s) {
        RenderUniverse(&u.Universe, &List, b.Frame(), s, Lines, u.Screen);
    }
};

} // namespace

TEST_F(FrameRender, ParticleIsBlendedAtItsProjectedPointAndRecordsIt) {
    TPlacedUniverse u(1);
    u.Place(0, -5, 0, 0); // view X = 5 at depth 100: 50 px right of the centre
    TBuffer b(200, 160);
    Render(u, b, PlainSettings(200, 160, 10, -100));
    EXPECT_EQ(u[0].ScreenX, 150);
    EXPECT_EQ(u[0].ScreenY, 80);
    EXPECT_EQ(b.Grey(150, 80), 244);
    EXPECT_EQ(b.Grey(151, 80), 81);
    EXPECT_EQ(b.Grey(151, 81), 14);
    EXPECT_EQ(b.Lit(), 9);
    EXPECT_EQ(List.LastIndex(), -1) << "the display list keeps nothing between frames";
}

TEST_F(FrameRender, ScreenPointIsRoundedHalfToEven) {
    TPlacedUniverse u(2);
    TBuffer b(201, 101);
    const TFrameSettings s = PlainSettings(201, 101, 1, -100); // one pixel per unit
    u.Place(0, -2.5, 0.5, 0);
    u.Place(1, 3.5, -1.5, 0);
    Render(u, b, s);
    EXPECT_EQ(u[0].ScreenX, 102); // 102.5
    EXPECT_EQ(u[0].ScreenY, 50);  // 50.5
    EXPECT_EQ(u[1].ScreenX, 96);  // 96.5
    EXPECT_EQ(u[1].ScreenY, 48);  // 48.5
}

TEST_F(FrameRender, TooCloseKeepsItsPointAndClippedOnesAreMarkedHidden) {
    TPlacedUniverse u(4);
    u.Place(0, 0, 0, 9);     // depth exactly 1
    u.Place(1, 0, 0, 15);    // behind the camera
    u.Place(2, -1000, 0, 0); // far to the right of the window
    u.Place(3, 0, 0, 8.999); // just in front
    TBuffer b(100, 80);
    Render(u, b, PlainSettings(100, 80, 10, -10));
    EXPECT_EQ(u[0].ScreenX, 12345);
    EXPECT_EQ(u[1].ScreenY, 12345);
    EXPECT_EQ(u[2].ScreenX, -999);
    EXPECT_EQ(u[2].ScreenY, -999);
    EXPECT_EQ(u[3].ScreenX, 50);
}

// The window test runs in floating point on the truncated radius: a dot whose centre lies
// less than that radius outside is still drawn in part.
TEST_F(FrameRender, DotsNearTheEdgeAreClippedAgainstTheClientArea) {
    TPlacedUniverse u(2);
    TBuffer b(100, 80);
    TFrameSettings s = PlainSettings(100, 80, 100, -100); // R = 20, Rt = 20, 100 px per unit
    u.Place(0, 0.6999, 0, 0);                             // sx = -19.99: 20 + sx > 0
    u.Place(1, -1.2, 0, 0);                               // sx = 170: sx - 20 >= 100
    Render(u, b, s);
    EXPECT_EQ(u[0].ScreenX, -20);
    EXPECT_EQ(u[1].ScreenX, -999);
    u.Place(0, 0.7, 0, 0); // sx = -20: 20 + sx <= 0
    Render(u, b, s);
    EXPECT_EQ(u[0].ScreenX, -999);

    // A client area narrower than the bitmap clips what the bitmap could still hold.
    TPlacedUniverse v(1);
    v.Place(0, -100, 0, 0); // one pixel per unit: sx = 150, Rt = 0
    TBuffer wide(200, 80);
    Render(v, wide, PlainSettings(100, 80, 1, -100));
    EXPECT_EQ(v[0].ScreenX, -999);
    EXPECT_EQ(wide.Lit(), 0);
}

TEST_F(FrameRender, StereoMethodsDrawNoDotsAndHideEveryParticle) {
    for (TShowAs method : {saAutoStereo, saChromoStereo}) {
        TPlacedUniverse u(2);
        u.Place(1, 1, 1, 1);
        u.Universe.IterationCount = 3;
        u.AddPair(1, 0);
        TBuffer b(100, 80);
        TFrameSettings s = PlainSettings(100, 80, 10, -50);
        s.ShowAs = method;
        s.UseLines = true;
        Render(u, b, s);
        EXPECT_EQ(b.Lit(), 0);
        EXPECT_EQ(u[0].ScreenX, -999);
        EXPECT_EQ(u[1].ScreenX, -999);
        EXPECT_EQ(Lines.Count(), 0);
    }
}

TEST_F(FrameRender, LuminanceNeedsBothTheViewSettingAndThermodynamics) {
    const auto centre = [this](bool show, bool thermo, double heat) {
        TPlacedUniverse u(1);
        u[0].Heat = heat;
        u.Universe.UseThermodynamics = thermo;
        TBuffer b(100, 80);
        TFrameSettings s = PlainSettings(100, 80, 10, -100); // intensity 60 / 10 plain
        s.ShowLuminance = show;
        s.Dots = {50, 8}; // r = 4, gain 1: the centre gets 255 x I x 0.2 / 256
        Render(u, b, s);
        return b.Grey(50, 40);
    };
    EXPECT_EQ(centre(false, true, 0.5), 1); // 6 -> 1.19
    EXPECT_EQ(centre(true, false, 0.5), 1); // thermodynamics off: plain intensity
    EXPECT_EQ(centre(true, true, 0.5), 4);  // 60 x 2^2 / 10 = 24 -> 4.78
    EXPECT_EQ(centre(true, true, 0.1), 0);  // 60 x 0.4^2 / 10 = 0.96 -> 0.19
}

TEST_F(FrameRender, NearerDotsAreDrawnFirstAndFartherOnesBlendOverThem) {
    // Two particles on one line of sight: the nearer one is later in the array, so only
    // the depth sort can draw it first.
    TPlacedUniverse u(2);
    u.Place(0, 0, 0, 0);  // depth 100
    u.Place(1, 0, 0, 40); // depth 60, the nearer
    TBuffer b(100, 80);
    TFrameSettings s = PlainSettings(100, 80, 10, -100);
    s.Dots = {10, 64}; // no level reaches 255, so the order shows
    Render(u, b, s);

    TBuffer expected(100, 80);
    BlendDot(expected.Frame(), s.Dots, 255, 50, 40, 2 * 10 / std::sqrt(60.0), 60 / std::sqrt(60.0));
    BlendDot(expected.Frame(), s.Dots, 255, 50, 40, 2.0, 6.0);
    EXPECT_EQ(b.Pixels, expected.Pixels);
}

TEST_F(FrameRender, NothingToDrawLeavesTheFrameBlack) {
    TBuffer b(50, 40);
    const TFrameSettings s = PlainSettings(50, 40, 10, -100);
    TDrawnPoints points;
    RenderUniverse(nullptr, &List, b.Frame(), s, Lines, points);
    TPlacedUniverse u(1);
    RenderUniverse(&u.Universe, nullptr, b.Frame(), s, Lines, u.Screen);
    // A failed or cancelled build publishes a snapshot without particles.
    TUniverse released;
    released.Allocate(5);
    released.ReleaseParticles();
    TUniverseSnapshot empty;
    empty.CopyFrom(released);
    RenderUniverse(&empty, &List, b.Frame(), s, Lines, points);
    EXPECT_EQ(b.Lit(), 0);
    EXPECT_EQ(u[0].ScreenX, 12345);
    EXPECT_TRUE(points.empty());
}

// An empty frame (a window not yet sized) takes no pixel but still records screen points.
TEST_F(FrameRender, EmptyFrameIsSafe) {
    TPlacedUniverse u(1);
    RenderUniverse(&u.Universe, &List, TPixelFrame{}, PlainSettings(100, 80, 10, -100), Lines,
                   u.Screen);
    EXPECT_EQ(u[0].ScreenX, 50);
}
