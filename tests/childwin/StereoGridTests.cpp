// The eyes of the stereo pictures, their layout, the anaglyph and the reference grid.
#include "Childwin/DisplayList.h"
#include "Childwin/EyeTurn.h"
#include "Childwin/GridLines.h"
#include "Childwin/LineList.h"
#include "Childwin/StereoRender.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

TViewCamera StereoCamera(double dolly, double offsetX = 0) {
    TViewCamera c;
    c.ZoomX = c.ZoomY = 1;
    c.Dolly = dolly;
    c.OffsetX = offsetX;
    return c;
}

TEST(EyeTurn, ThePointLookedAtStaysAndTheEyesSeeFrontPointsCrossed) {
    const TViewCamera c = StereoCamera(-100, 7);
    const TEyeTurn left = TEyeTurn::ForEye(c, eyLeft);
    const TEyeTurn right = TEyeTurn::ForEye(c, eyRight);
    // The point on the line of sight at the origin's depth: view X -7, depth 100.
    for (const TEyeTurn& eye : {left, right}) {
        const TViewPoint p = TurnForEye(eye, {-7, 3, 100});
        EXPECT_NEAR(p.X, -7, 1e-12);
        EXPECT_EQ(p.Y, 3);
        EXPECT_NEAR(p.Depth, 100, 1e-12);
    }
    // Ten units nearer: a 2 degree turn moves it by 10 sin 2 deg sideways, right for the
    // left eye and left for the right eye, and its depth by 10 (1 - cos 2 deg).
    const double half = 2 * std::numbers::pi / 180;
    const TViewPoint l = TurnForEye(left, {-7, 0, 90});
    const TViewPoint r = TurnForEye(right, {-7, 0, 90});
    EXPECT_NEAR(l.X, -7 + 10 * std::sin(half), 1e-12);
    EXPECT_NEAR(r.X, -7 - 10 * std::sin(half), 1e-12);
    EXPECT_NEAR(l.Depth, 100 - 10 * std::cos(half), 1e-12);
    // A point to the right lies nearer the right eye.
    EXPECT_LT(TurnForEye(right, {13, 0, 100}).Depth, TurnForEye(left, {13, 0, 100}).Depth);
}

TEST(EyeTurn, APlainCameraLeavesEveryBitAlone) {
    const TEyeTurn plain;
    const TViewPoint p{0.1 + 0.2, -1e300, std::numeric_limits<double>::quiet_NaN()};
    const TViewPoint q = TurnForEye(plain, p);
    EXPECT_EQ(q.X, p.X);
    EXPECT_EQ(q.Y, p.Y);
    EXPECT_TRUE(std::isnan(q.Depth));
}

TEST(StereoLayout, SideBySideHalvesOfEqualWidth) {
    EXPECT_EQ(StereoRender::SideBySide(640, eyLeft).Left, 0);
    EXPECT_EQ(StereoRender::SideBySide(640, eyLeft).Width, 320);
    EXPECT_EQ(StereoRender::SideBySide(640, eyRight).Left, 320);
    EXPECT_EQ(StereoRender::SideBySide(641, eyRight).Left, 321); // column 320 stays black
    EXPECT_EQ(StereoRender::SideBySide(641, eyRight).Width, 320);
    EXPECT_EQ(StereoRender::SideBySide(1, eyLeft).Width, 0);
    EXPECT_EQ(StereoRender::SideBySide(-5, eyRight).Width, 0);
}

// A particle at the origin, looked at straight on, lands on the centre of each half; one
// nearer the camera lands right of it on the left and left of it on the right.
TEST(StereoLayout, EachHalfIsAPictureOfItsOwnAroundItsOwnCentre) {
    TPlacedUniverse u(2);
    u.Place(0, 0, 0, 0);
    u.Place(1, 0, 0, 30); // depth 70 at azimuth 0
    TBuffer buffer(201, 61);
    const TFrameSettings view = PlainSettings(201, 61, 1, -100);
    TDisplayList list;
    TLineList lines;
    for (const TEye eye : {eyLeft, eyRight}) {
        const TEyeArea area = StereoRender::SideBySide(201, eye);
        const TFrameSettings s = StereoRender::EyeSettings(view, eye, area);
        EXPECT_EQ(s.CentreX, 50);
        EXPECT_EQ(s.ClientWidth, 100);
        EXPECT_EQ(s.ShowAs, saMonocular);
        RenderUniverse(&u.Universe, &list, StereoRender::SubFrame(buffer.Frame(), area), s, lines,
                       u.Screen);
        EXPECT_EQ(u[0].ScreenX, 50);
        EXPECT_EQ(u[0].ScreenY, 30);
        const double shift = 30 * std::sin(2 * std::numbers::pi / 180) / (0.01 * 70);
        EXPECT_NEAR(u[1].ScreenX, 50 - static_cast<int>(eye) * shift, 1) << eye;
        EXPECT_GT(buffer.Grey(area.Left + 50, 30), 0);
    }
    EXPECT_EQ(buffer.Grey(100, 30), 0); // the black middle column
    // Nothing of the left picture spills into the right half or past the frame.
    TBuffer edge(40, 20);
    TPlacedUniverse big(1);
    big.Place(0, 0, 0, 0);
    TFrameSettings s = PlainSettings(40, 20, 100, -100); // dot radius 20 at the centre
    const TEyeArea leftHalf = StereoRender::SideBySide(40, eyLeft);
    RenderUniverse(&big.Universe, &list, StereoRender::SubFrame(edge.Frame(), leftHalf),
                   StereoRender::EyeSettings(s, eyLeft, leftHalf), lines, big.Screen);
    for (int x = 20; x < 40; ++x)
        for (int y = 0; y < 20; ++y)
            ASSERT_EQ(edge.Grey(x, y), 0) << x << "," << y;
    EXPECT_GT(edge.Grey(10, 10), 0);
}

TEST(StereoLayout, SubFramesStayInsideTheFrame) {
    TBuffer buffer(10, 4);
    const TPixelFrame frame = buffer.Frame();
    const TPixelFrame inside = StereoRender::SubFrame(frame, {6, 10});
    EXPECT_EQ(inside.Width, 4);
    EXPECT_EQ(inside.Bits, frame.Bits + 24);
    EXPECT_EQ(StereoRender::SubFrame(frame, {20, 5}).Width, 0);
    EXPECT_EQ(StereoRender::SubFrame(frame, {-3, 5}).Bits, frame.Bits);
}

TEST(Anaglyph, RedFromTheLeftEyeGreenAndBlueFromTheRight) {
    TBuffer left(3, 2), right(3, 2), out(3, 2);
    left.Pixels = {0x00102030, 0x00FFFFFF, 0, 0x00AB0000, 0x00000000, 0x00777777};
    right.Pixels = {0x00405060, 0x00000000, 0x00FF00FF, 0x0000CDEF, 0x00111111, 0x00777777};
    TPixelFrame o = out.Frame();
    o.TopByte = 0xFF000000u;
    StereoRender::ComposeAnaglyph(left.Frame(), right.Frame(), o);
    EXPECT_EQ(out.Pixels, (std::vector<std::uint32_t>{0xFF105060, 0xFFFF0000, 0xFF0000FF,
                                                      0xFFABCDEF, 0xFF001111, 0xFF777777}));
    // Into the right picture itself, as the painter does it.
    StereoRender::ComposeAnaglyph(left.Frame(), right.Frame(), right.Frame());
    EXPECT_EQ(right.Pixels[0], 0x00105060u);
    EXPECT_EQ(right.Pixels[1], 0x00FF0000u);
}

// From straight above (elevation 90 deg, one pixel per unit at depth 100) the grid of
// span 10 is a square of lines two units apart around the centre.
TEST(GridLines, FromAboveTheGridIsASquareOfElevenByElevenLines) {
    TFrameSettings s = PlainSettings(200, 100, 1, -100);
    s.Camera.Elevation = std::numbers::pi / 2;
    s.GridSpace = 10;
    TGridLines grid;
    grid.Project(s);
    ASSERT_EQ(grid.Count(), 25);
    // Lines at x = -10, -8, ... run along z, which from above is the screen's y.
    for (int k = 0; k <= 10; ++k) {
        const TGridLine& along = grid[2 * k];
        EXPECT_EQ(along.Kind, gkGrid);
        const double x = -10 + 2 * k;
        EXPECT_NEAR(along.Line.X1, 100 - x, 1e-9); // view X = -x at azimuth 0
        EXPECT_NEAR(along.Line.X2, 100 - x, 1e-9);
        EXPECT_NEAR(along.Line.Y1, 50 - 10, 1e-9);
        EXPECT_NEAR(along.Line.Y2, 50 + 10, 1e-9);
    }
    EXPECT_EQ(grid[22].Kind, gkAxisX);
    EXPECT_EQ(grid[23].Kind, gkAxisY);
    EXPECT_EQ(grid[24].Kind, gkAxisZ);
    EXPECT_NEAR(grid[22].Line.X1, 110, 1e-9); // x = -10 is drawn on the right
    EXPECT_NEAR(grid[22].Line.X2, 90, 1e-9);
    // The y axis points at the camera: both ends on the centre, at depths 90 and 110.
    EXPECT_NEAR(grid[23].Line.X1, 100, 1e-9);
    EXPECT_NEAR(grid[23].Line.Y2, 50, 1e-9);
}

TEST(GridLines, NothingWithoutASpanOrBehindTheCamera) {
    TFrameSettings s = PlainSettings(200, 100, 1, -100);
    TGridLines grid;
    for (const double space : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity()}) {
        s.GridSpace = space;
        grid.Project(s);
        EXPECT_EQ(grid.Count(), 0) << space;
    }
    s.GridSpace = 10;
    s.Camera.Dolly = 50; // the whole grid lies behind the camera
    grid.Project(s);
    EXPECT_EQ(grid.Count(), 0);
}

// A camera standing in the grid: lines that pass behind it are cut at the near plane, and
// what is left is clipped to the window like the connecting lines.
TEST(GridLines, ACameraInsideTheGridSeesOnlyFiniteClippedLines) {
    TFrameSettings s = PlainSettings(200, 100, 1, -5); // 5 units back from the origin
    s.Camera.Elevation = 0.3;
    s.GridSpace = 10;
    TGridLines grid;
    grid.Project(s);
    ASSERT_GT(grid.Count(), 0);
    EXPECT_LT(grid.Count(), 25);
    for (const TGridLine& line : grid)
        for (const double v : {line.Line.X1, line.Line.Y1, line.Line.X2, line.Line.Y2}) {
            EXPECT_TRUE(std::isfinite(v));
            EXPECT_LT(std::abs(v), 1e4);
        }
}

TEST(GridLines, EachEyeSeesTheGridFromItsOwnPlace) {
    TFrameSettings s = PlainSettings(200, 100, 1, -100);
    s.Camera.Elevation = 0.5;
    s.GridSpace = 10;
    TGridLines plain, left;
    plain.Project(s);
    s.Eye = TEyeTurn::ForEye(s.Camera, eyLeft);
    left.Project(s);
    ASSERT_EQ(plain.Count(), left.Count());
    // The z axis runs in depth: its near end moves right for the left eye.
    EXPECT_GT(left[24].Line.X2, plain[24].Line.X2 + 0.1);
}

} // namespace
