#include "Options/RotationControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace RotationControl;

TEST(RotationControl, PanelRatesGrowWithTheCubeOfTheOffset) {
    const struct {
        int Offset;
        float DegreesPerTick;
    } rates[] = {{0, 0}, {1, 0.001f}, {5, 0.125f}, {10, 1}, {12, 1.728f}, {20, 8}, {50, 125}};
    for (const auto& r : rates) {
        SCOPED_TRACE(r.Offset);
        // The tick subtracts the rate: a positive offset turns the positive way.
        EXPECT_FLOAT_EQ(-MouseRate(r.Offset), r.DegreesPerTick);
        EXPECT_FLOAT_EQ(MouseRate(-r.Offset), r.DegreesPerTick);
    }
}

TEST(RotationControl, HugeOffsetsStayFinite) {
    EXPECT_TRUE(std::isfinite(MouseRate(std::numeric_limits<std::int32_t>::max())));
    EXPECT_LT(MouseRate(std::numeric_limits<std::int32_t>::max()), 0);
    EXPECT_GT(MouseRate(std::numeric_limits<std::int32_t>::min()), 0);
}

TEST(RotationControl, ArrowsTurnAndTiltByOneDegree) {
    TViewCamera camera;
    EXPECT_TRUE(Tick(camera, raLeft, 0, 0));
    EXPECT_DOUBLE_EQ(camera.Azimuth, -Degree);
    EXPECT_TRUE(Tick(camera, raRight, 0, 0));
    EXPECT_TRUE(Tick(camera, raRight, 0, 0));
    EXPECT_DOUBLE_EQ(camera.Azimuth, Degree);
    EXPECT_TRUE(Tick(camera, raUp, 0, 0));
    EXPECT_DOUBLE_EQ(camera.Elevation, -Degree);
    EXPECT_TRUE(Tick(camera, raDown, 0, 0));
    EXPECT_TRUE(Tick(camera, raDown, 0, 0));
    EXPECT_DOUBLE_EQ(camera.Elevation, Degree);
    EXPECT_EQ(camera.Dolly, 0);
    EXPECT_EQ(camera.ZoomX, 0);
}

TEST(RotationControl, NothingHeldChangesNothing) {
    TViewCamera camera;
    camera.Azimuth = 0.3;
    EXPECT_FALSE(Tick(camera, raNone, 5, 5));
    EXPECT_EQ(camera.Azimuth, 0.3);
    EXPECT_EQ(camera.Elevation, 0);
}

TEST(RotationControl, ThePanelTurnsLikeTheArrows) {
    TViewCamera camera;
    // Ten pixels right of the centre turns like the right arrow, ten above tilts like up.
    Tick(camera, raMouse, MouseRate(10), MouseRate(-10));
    EXPECT_NEAR(camera.Azimuth, Degree, 1e-15);
    EXPECT_NEAR(camera.Elevation, -Degree, 1e-15);
}

TEST(RotationControl, AnglesAreNotWrapped) {
    TViewCamera camera;
    for (int i = 0; i < 400; ++i)
        Tick(camera, raRight, 0, 0);
    EXPECT_NEAR(camera.Azimuth, 400 * Degree, 1e-9);
    EXPECT_GT(camera.Azimuth, 2 * M_PI);
}

TEST(RotationControl, ResetPutsTheCameraBackButKeepsTheZoom) {
    TViewCamera camera{1, 2, 3, 4, 5, 6, 7};
    Reset(camera, 48);
    EXPECT_EQ(camera.OffsetX, 0);
    EXPECT_EQ(camera.OffsetY, 0);
    EXPECT_EQ(camera.Dolly, -144);
    EXPECT_EQ(camera.Azimuth, 0);
    EXPECT_EQ(camera.Elevation, ResetElevation);
    // The double nearest to pi / 12, which is one step above what M_PI / 12 rounds to.
    const long double exact = 3.14159265358979323846264338327950288L / 12;
    const double below = std::nextafter(ResetElevation, 0.0);
    const double above = std::nextafter(ResetElevation, 1.0);
    EXPECT_LT(std::fabs(ResetElevation - exact), std::fabs(below - exact));
    EXPECT_LT(std::fabs(ResetElevation - exact), std::fabs(above - exact));
    EXPECT_EQ(camera.ZoomX, 6);
    EXPECT_EQ(camera.ZoomY, 7);

    Reset(camera, std::numeric_limits<std::int32_t>::min()); // no overflow in -3 x space
    EXPECT_EQ(camera.Dolly, 3.0 * 2147483648.0);
}

} // namespace
