#include "Childwin/Rounding.h"
#include "Childwin/ViewProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace {

TViewCamera Camera(double zoom, double dolly = 0) {
    TViewCamera c;
    c.ZoomX = c.ZoomY = zoom;
    c.Dolly = dolly;
    return c;
}

} // namespace

TEST(CameraTransform, AzimuthZeroLooksFromThePositiveZSide) {
    TViewCamera c = Camera(1, -50);
    const TViewPoint p = TransformPoint(TCameraTransform::FromCamera(c), 2, 3, 4);
    EXPECT_DOUBLE_EQ(p.X, -2);
    EXPECT_DOUBLE_EQ(p.Y, 3);
    EXPECT_DOUBLE_EQ(p.Depth, -4 + 50);
}

TEST(CameraTransform, QuarterTurnOfAzimuth) {
    TViewCamera c = Camera(1, -7);
    c.Azimuth = std::numbers::pi / 2;
    const TCameraTransform t = TCameraTransform::FromCamera(c);
    const TViewPoint onZ = TransformPoint(t, 0, 0, 1);
    EXPECT_NEAR(onZ.X, 1, 1e-15);
    EXPECT_NEAR(onZ.Depth, 7, 1e-15);
    const TViewPoint onX = TransformPoint(t, 1, 0, 0);
    EXPECT_NEAR(onX.X, 0, 1e-15);
    EXPECT_NEAR(onX.Depth, -1 + 7, 1e-15);
}

TEST(CameraTransform, ElevationTiltsDepthIntoScreenY) {
    TViewCamera c = Camera(1);
    c.Elevation = std::numbers::pi / 2;
    const TCameraTransform t = TCameraTransform::FromCamera(c);
    // z1 = -z at azimuth 0; a quarter tilt makes y the depth and -z1 the screen y.
    const TViewPoint p = TransformPoint(t, 0, 2, 3);
    EXPECT_NEAR(p.Y, 3, 1e-15);
    EXPECT_NEAR(p.Depth, 2, 1e-15);
}

TEST(CameraTransform, WholeRevolutionsDrawTheSamePicture) {
    TViewCamera plain = Camera(1, -10);
    plain.Azimuth = 0.7;
    plain.Elevation = -0.4;
    TViewCamera turned = plain;
    turned.Azimuth += 6 * std::numbers::pi;
    turned.Elevation -= 4 * std::numbers::pi;
    const TViewPoint a = TransformPoint(TCameraTransform::FromCamera(plain), 1.5, -2, 3);
    const TViewPoint b = TransformPoint(TCameraTransform::FromCamera(turned), 1.5, -2, 3);
    EXPECT_NEAR(a.X, b.X, 1e-12);
    EXPECT_NEAR(a.Y, b.Y, 1e-12);
    EXPECT_NEAR(a.Depth, b.Depth, 1e-12);
}

TEST(Projection, DepthOneIsTooCloseButJustBeyondIsProjected) {
    EXPECT_FALSE(IsProjectable(1.0));
    EXPECT_FALSE(IsProjectable(0.5));
    EXPECT_FALSE(IsProjectable(-3));
    EXPECT_TRUE(IsProjectable(1.000001));
    EXPECT_FALSE(IsProjectable(std::numeric_limits<double>::quiet_NaN()));
}

TEST(Projection, LateralOffsetShrinksWithDepthAndRadiusWithItsRoot) {
    const TViewCamera c = Camera(10);
    const TScreenPoint near = ProjectPoint({5, 0, 100}, c, 100, 50);
    EXPECT_DOUBLE_EQ(near.SX, 150);
    EXPECT_DOUBLE_EQ(near.SY, 50);
    EXPECT_DOUBLE_EQ(near.Radius, 2);
    const TScreenPoint far = ProjectPoint({5, 0, 400}, c, 100, 50);
    EXPECT_DOUBLE_EQ(far.SX, 112.5);
    EXPECT_DOUBLE_EQ(far.Radius, 1);
}

TEST(Projection, OffsetsPanAndPositiveYIsDrawnBelowTheCentre) {
    TViewCamera c = Camera(10);
    c.ZoomY = 20;
    c.OffsetX = -5;
    c.OffsetY = 1;
    const TScreenPoint p = ProjectPoint({5, 1, 100}, c, 100, 50);
    EXPECT_DOUBLE_EQ(p.SX, 100);
    EXPECT_DOUBLE_EQ(p.SY, 50 + 2 * 20.0);
}

TEST(Projection, OriginAtRestIsDrawnAtTheWindowCentre) {
    const TViewCamera c = Camera(7, -30);
    const TViewPoint v = TransformPoint(TCameraTransform::FromCamera(c), 0, 0, 0);
    EXPECT_DOUBLE_EQ(v.Depth, 30);
    const TScreenPoint p = ProjectPoint(v, c, 160, 113);
    EXPECT_DOUBLE_EQ(p.SX, 160);
    EXPECT_DOUBLE_EQ(p.SY, 113);
}

TEST(RoundToInt32, TiesGoToEven) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(2.4999), 2);
    EXPECT_EQ(RoundToInt32(-7.6), -8);
}

TEST(RoundToInt32, OutOfRangeValuesSaturateAndNaNGivesZero) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundToInt32(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(inf), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(-inf), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt32(-2147483648.4), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(RoundHalfEven, AgreesWithTheLibraryAcrossMagnitudes) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int k = 0; k < 20000; ++k) {
        const double x = unit(random) * std::ldexp(1.0, k % 60);
        ASSERT_EQ(RoundHalfEven(x), std::nearbyint(x)) << x;
        const double half = std::floor(x) + 0.5; // an exact tie
        ASSERT_EQ(RoundHalfEven(half), std::nearbyint(half)) << half;
    }
    EXPECT_EQ(RoundHalfEven(4503599627370495.5), 4503599627370496.0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()),
              -std::numeric_limits<double>::infinity());
}

namespace {

// Turn first, then tilt. With azimuth 30 deg and elevation 60 deg the point (1, 2, 3):
// turn x1 = -cos30 + 3 sin30 and z1 = -sin30 - 3 cos30; tilt Y = 2 cos60 - sin60 z1 and
// depth = z1 cos60 + 2 sin60 + 50. Tilting first would give another point altogether.
TEST(CameraTransform, TurnComesBeforeTilt) {
    TViewCamera c = Camera(1, -50);
    c.Azimuth = std::numbers::pi / 6;
    c.Elevation = std::numbers::pi / 3;
    const double root3 = std::sqrt(3.0);
    const double x1 = -root3 / 2 + 3 * 0.5;
    const double z1 = -0.5 - 3 * root3 / 2;
    const TViewPoint p = TransformPoint(TCameraTransform::FromCamera(c), 1, 2, 3);
    EXPECT_NEAR(p.X, x1, 1e-14);
    EXPECT_NEAR(p.Y, 2 * 0.5 - root3 / 2 * z1, 1e-14);
    EXPECT_NEAR(p.Depth, z1 * 0.5 + 2 * root3 / 2 + 50, 1e-14);

    // Both quarter turns: (1, 0, 0) turns onto -z, which the tilt then raises to Y = 1.
    c.Azimuth = c.Elevation = std::numbers::pi / 2;
    const TViewPoint q = TransformPoint(TCameraTransform::FromCamera(c), 1, 0, 0);
    EXPECT_NEAR(q.X, 0, 1e-15);
    EXPECT_NEAR(q.Y, 1, 1e-15);
    EXPECT_NEAR(q.Depth, 50, 1e-15);
}

} // namespace
