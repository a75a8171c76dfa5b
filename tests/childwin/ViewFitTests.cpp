// Framing and following the particles, the wheel, and drawing in a screen's finer pixels.
#include "Childwin/CameraDrag.h"
#include "Childwin/DisplayList.h"
#include "Childwin/LineList.h"
#include "Childwin/ViewFit.h"
#include "Childwin/ViewProjection.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr std::int32_t Width = 320, Height = 240;

TScreenPoint Project(const TViewCamera& camera, const TUniversePoint& p) {
    const TViewPoint v = TransformPoint(TCameraTransform::FromCamera(camera), p.X, p.Y, p.Z);
    EXPECT_TRUE(IsProjectable(v.Depth));
    return ProjectPoint(v, camera, Width / 2, Height / 2);
}

double Depth(const TViewCamera& camera, const TUniversePoint& p) {
    return TransformPoint(TCameraTransform::FromCamera(camera), p.X, p.Y, p.Z).Depth;
}

// A lumpy cloud far from the origin, and one particle in fifty flung a thousand times as
// far out.
std::vector<TUniverseSnapshot::TPoint> DriftedCloud() {
    std::mt19937 random(7);
    std::normal_distribution<double> spread(0, 40);
    std::vector<TUniverseSnapshot::TPoint> points;
    for (int i = 0; i < 1000; ++i) {
        const double x = 5000 + spread(random) + (i % 2 ? 150 : -150);
        points.push_back({x, -3000 + spread(random), 2000 + 0.3 * spread(random), 0});
    }
    for (int i = 0; i < 1000; i += 50)
        points[static_cast<std::size_t>(i)].X += 1e6 * (i % 100 ? 1 : -1);
    return points;
}

TEST(ViewFit, TheCentralParticlesFillTheViewWithTurnAndTiltKept) {
    const auto cloud = DriftedCloud();
    const std::vector<TUniversePoint> central = CentralParticles(cloud, FitShare);
    ASSERT_EQ(central.size(), 980u);
    for (const TUniversePoint& p : central)
        EXPECT_LT(std::abs(p.X - 5000), 1000) << "a flung particle counted as central";

    for (const double azimuth : {0.0, 0.7, 2.5}) {
        const TViewCamera before{400, -90, 3e5, azimuth, 0.3 - azimuth / 2, 7, 900};
        const TViewCamera fitted = FitCamera(before, central, Width, Height, 2000);
        EXPECT_EQ(fitted.Azimuth, before.Azimuth);
        EXPECT_EQ(fitted.Elevation, before.Elevation);
        EXPECT_EQ(fitted.ZoomX, fitted.ZoomY);
        double reach = 0; // how far out the farthest point lands, as a share of the half view
        for (const TUniversePoint& p : central) {
            const TScreenPoint s = Project(fitted, p);
            const double x = std::abs(s.SX - Width / 2) / (Width / 2);
            const double y = std::abs(s.SY - Height / 2) / (Height / 2);
            EXPECT_LE(std::max(x, y), 0.9 + 1e-9);
            reach = std::max({reach, x, y});
        }
        EXPECT_NEAR(reach, 0.9, 1e-9) << "fits, but does not fill the view";
        // Dots dim with depth: the camera keeps a fresh view's distance, five Spaces.
        EXPECT_NEAR(Depth(fitted, CentreOfMass(central)), 10000, 500);
    }
    EXPECT_EQ(FitToSee({0, 0, -1000, 0.7, 0.1, 7, 7}, cloud, Width, Height, 2000),
              FitCamera({0, 0, -1000, 0.7, 0.1, 7, 7}, central, Width, Height, 2000))
        << "a cloud that can be seen is framed whole";
}

// Two particles in five flung far out to one side: the plain centre of mass of nine tenths
// lies out there, where nothing is to be seen; the followed centre stays in the core.
TEST(ViewFit, FollowAndFitStayWithTheCoreWhenManyParticlesFlyOff) {
    std::mt19937 random(3);
    std::normal_distribution<double> core(0, 5);
    std::uniform_real_distribution<double> far(2e4, 1e5);
    std::vector<TUniverseSnapshot::TPoint> points;
    for (int i = 0; i < 2000; ++i)
        points.push_back(
            i % 5 < 3 ? TUniverseSnapshot::TPoint{700 + core(random), core(random), core(random), 0}
                      : TUniverseSnapshot::TPoint{700 + far(random), far(random) / 3, 0, 0});
    const TUniversePoint plain = CentreOfMass(CentralParticles(points, FollowShare));
    ASSERT_GT(plain.X - 700, 1000) << "the case no longer shows the fault it guards against";
    const TUniversePoint followed = FollowedCentre(points);
    EXPECT_NEAR(followed.X, 700, 3);
    EXPECT_NEAR(followed.Y, 0, 3);
    EXPECT_NEAR(followed.Z, 0, 3);

    // Framing all of it would draw the core as one faint pixel among faint specks: Fit
    // frames the part that can be seen, the core.
    const TViewCamera fitted = FitToSee({0, 0, -1000, 0.2, 0.1, 7, 7}, points, Width, Height, 216);
    const TScreenPoint seen = Project(fitted, {700, 0, 0});
    EXPECT_NEAR(seen.SX, Width / 2, Width / 4);
    EXPECT_NEAR(seen.SY, Height / 2, Height / 4);
    EXPECT_GT(fitted.ZoomX, 5) << "zoomed out to the flung particles";
}

TEST(ViewFit, FollowingKeepsTheCentreInPlaceThroughDriftTurnsAndPans) {
    TViewCamera camera{0, 0, -500, 0.4, 0.2, 30, 30};
    TFollowAnchor anchor;
    const TUniversePoint start{120, -40, 60};
    FollowCentre(camera, anchor, start);
    const TScreenPoint first = Project(camera, start);
    EXPECT_NEAR(first.SX, Width / 2, 1e-9)
        << "following starts by bringing the centre to the middle";
    EXPECT_NEAR(first.SY, Height / 2, 1e-9);
    const double distance = Depth(camera, start);

    const TUniversePoint drifted{-900, 300, 1700};
    FollowCentre(camera, anchor, drifted);
    EXPECT_NEAR(Project(camera, drifted).SX, Width / 2, 1e-9);
    EXPECT_NEAR(Project(camera, drifted).SY, Height / 2, 1e-9);
    EXPECT_NEAR(Depth(camera, drifted), distance, 1e-9) << "the camera did not move along";

    // The user pans the centre off to one side and turns the camera: it stays where it was put.
    std::int32_t lastX = 100, lastY = 100;
    DragPan(camera, 50, lastX, lastY, 130, 80);
    PinFollow(camera, anchor);
    const TScreenPoint panned = Project(camera, drifted);
    EXPECT_GT(std::abs(panned.SX - Width / 2), 10);
    camera.Azimuth += 1.1;
    camera.Elevation -= 0.5;
    const TUniversePoint later{-950, 320, 1650};
    FollowCentre(camera, anchor, later);
    EXPECT_NEAR(Project(camera, later).SX, panned.SX, 1e-9);
    EXPECT_NEAR(Project(camera, later).SY, panned.SY, 1e-9);
    EXPECT_NEAR(Depth(camera, later), distance, 1e-9);
}

TEST(CameraDrag, TheWheelZoomsAboutThePointer) {
    const double space = 50;
    TViewCamera camera{3, -4, -250, 0.3, 0.1, 25, 20};
    // A point at the depth a pan drag moves with, under the pointer at (250, 60).
    const auto underPointer = [&](const TViewCamera& c) {
        const double depth = space - c.Dolly;
        return ProjectPoint({(250.0 - Width / 2) * 0.01 * depth / c.ZoomX - c.OffsetX,
                             (60.0 - Height / 2) * 0.01 * depth / c.ZoomY - c.OffsetY, depth},
                            c, Width / 2, Height / 2);
    };
    const TViewPoint fixed{(250.0 - Width / 2) * 0.01 * 300 / 25 - 3,
                           (60.0 - Height / 2) * 0.01 * 300 / 20 + 4, 300};
    ASSERT_NEAR(underPointer(camera).SX, 250, 1e-9);

    WheelZoom(camera, space, Width / 2, Height / 2, 250, 60, 240, MinZoom(Height));
    EXPECT_NEAR(camera.ZoomX, 25 * 1.44, 1e-9) << "two notches away from the user zoom in 20% each";
    EXPECT_NEAR(camera.ZoomY, 20 * 1.44, 1e-9);
    const TScreenPoint after = ProjectPoint(fixed, camera, Width / 2, Height / 2);
    EXPECT_NEAR(after.SX, 250, 1e-9);
    EXPECT_NEAR(after.SY, 60, 1e-9);

    // At the upper limit the zoom stops, and the point still stays under the pointer.
    WheelZoom(camera, space, Width / 2, Height / 2, 250, 60, 120 * 100, MinZoom(Height));
    EXPECT_EQ(camera.ZoomX, MaxZoom);
    EXPECT_NEAR(ProjectPoint(fixed, camera, Width / 2, Height / 2).SX, 250, 1e-6);
    WheelZoom(camera, space, Width / 2, Height / 2, 250, 60, -120, MinZoom(Height));
    EXPECT_NEAR(camera.ZoomX, MaxZoom / 1.2, 1e-3);
    EXPECT_NEAR(ProjectPoint(fixed, camera, Width / 2, Height / 2).SY, 60, 1e-6);
}

// A view on a screen with two physical pixels to each of its own draws the same picture in
// four times the pixels: the dots land in the same places, but finely drawn, not as blocks.
TEST(DevicePixels, AScreenOfTwiceThePixelsGetsFineDotsInTheSamePlaces) {
    TPlacedUniverse u(3);
    u.Place(0, -2, 1, 0);
    u.Place(1, 3.1, -1.4, 4);
    u.Place(2, 0.6, 2.2, -6);
    TFrameSettings logical = PlainSettings(120, 90, 10, -100);
    logical.Dots.PartSize = 40; // dots of a few pixels, well above the one-pixel floor
    const TFrameSettings device = ForDevicePixels(logical, 2, 240, 180);
    TBuffer one(120, 90), two(240, 180);
    TDisplayList list;
    TLineList lines;
    RenderUniverse(&u.Universe, &list, one.Frame(), logical, lines, u.Screen);
    const TDrawnPoints onePoints = u.Screen;
    RenderUniverse(&u.Universe, &list, two.Frame(), device, lines, u.Screen);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_GT(onePoints[i].ScreenX, 0);
        EXPECT_NEAR(u.Screen[i].ScreenX, 2 * onePoints[i].ScreenX, 1);
        EXPECT_NEAR(u.Screen[i].ScreenY, 2 * onePoints[i].ScreenY, 1);
    }
    EXPECT_GT(two.Lit(), 3 * one.Lit()) << "the dots shrank on the finer screen";
    int uneven = 0; // 2 x 2 squares of fine pixels that are not one grey
    for (std::int32_t y = 0; y < 180; y += 2)
        for (std::int32_t x = 0; x < 240; x += 2)
            uneven += two.Grey(x, y) != two.Grey(x + 1, y) ||
                      two.Grey(x, y) != two.Grey(x, y + 1) ||
                      two.Grey(x, y) != two.Grey(x + 1, y + 1);
    EXPECT_GT(uneven, 3);
}

} // namespace
