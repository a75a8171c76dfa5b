#include "Childwin/CameraDrag.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(DragMode, ExactButtonAndModifierSetsChooseTheMode) {
    EXPECT_EQ(DragModeForPress(pbLeft, 0, false), dmPanning);
    EXPECT_EQ(DragModeForPress(pbRight, 0, false), dmZooming);
    EXPECT_EQ(DragModeForPress(pbLeft, pmShift, false), dmRotating);
    EXPECT_EQ(DragModeForPress(pbLeft, pmCtrl, false), dmDollying);
}

TEST(DragMode, EveryOtherSetStartsNothing) {
    EXPECT_EQ(DragModeForPress(pbMiddle, 0, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft, pmAlt, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft, pmMeta, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft, 0, true), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft | pbRight, 0, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbRight, pmShift, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbRight, pmCtrl, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft, pmShift | pmCtrl, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbLeft, pmShift | pmAlt, false), dmNone);
    EXPECT_EQ(DragModeForPress(pbOther, 0, false), dmNone);
    EXPECT_EQ(DragModeForPress(0, 0, false), dmNone);
}

TEST(DragZoom, HundredPixelsUpDoublesAndDownUndoes) {
    TViewCamera c;
    c.ZoomX = 10;
    c.ZoomY = 20;
    std::int32_t lastY = 300;
    DragZoom(c, lastY, 200, MinZoom(300));
    EXPECT_NEAR(c.ZoomX / 10, 2.009, 0.0005);
    EXPECT_DOUBLE_EQ(c.ZoomY / c.ZoomX, 2);
    EXPECT_EQ(lastY, 200);
    DragZoom(c, lastY, 300, MinZoom(300));
    EXPECT_NEAR(c.ZoomX, 10, 1e-9);
    EXPECT_NEAR(c.ZoomY, 20, 1e-9);
}

TEST(DragZoom, StopsAtTheLimitAndZoomsOutFromThere) {
    TViewCamera c;
    c.ZoomX = c.ZoomY = 900000;
    std::int32_t lastY = 500;
    DragZoom(c, lastY, 480, MinZoom(300));
    EXPECT_EQ(c.ZoomX, MaxZoom);
    EXPECT_EQ(c.ZoomY, MaxZoom);
    DragZoom(c, lastY, 580, MinZoom(300));
    EXPECT_NEAR(c.ZoomX, MaxZoom / std::pow(1.007, 100), 1e-6);
}

TEST(DragZoom, StopsAtTheFloorAndZoomsInFromThere) {
    const double floor = MinZoom(300);
    EXPECT_DOUBLE_EQ(floor, 3e-4);
    TViewCamera c;
    c.ZoomX = c.ZoomY = 18;
    std::int32_t lastY = 0;
    // Far enough that the factor itself underflows to 0.
    DragZoom(c, lastY, 150000, floor);
    EXPECT_EQ(c.ZoomX, floor);
    EXPECT_EQ(c.ZoomY, floor);
    DragZoom(c, lastY, 150000 - 200, floor);
    EXPECT_NEAR(c.ZoomX, floor * std::pow(1.007, 200), 1e-12);
    // A drag in of the same length ends at the cap rather than at infinity.
    DragZoom(c, lastY, 0, floor);
    EXPECT_EQ(c.ZoomX, MaxZoom);
}

TEST(KeepZoomAlive, LiftsDeadZoomsAndLeavesLiveOnes) {
    TViewCamera c;
    c.ZoomX = 0;
    c.ZoomY = 42.5;
    KeepZoomAlive(c, 200);
    EXPECT_EQ(c.ZoomX, MinZoom(200));
    EXPECT_EQ(c.ZoomY, 42.5);

    c.ZoomX = std::nan("");
    c.ZoomY = -3;
    KeepZoomAlive(c, 200);
    EXPECT_EQ(c.ZoomX, MinZoom(200));
    EXPECT_EQ(c.ZoomY, MinZoom(200));

    c.ZoomX = HUGE_VAL;
    KeepZoomAlive(c, 200);
    EXPECT_EQ(c.ZoomX, MaxZoom);
    // A view of no height still gets a positive floor.
    EXPECT_GT(MinZoom(0), 0);
    EXPECT_GT(MinZoom(-5), 0);
}

TEST(DragDolly, FastDragsGoMuchFartherThanSlowOnes) {
    TViewCamera fast, slow;
    fast.Dolly = slow.Dolly = -100;
    std::int32_t lastY = 50;
    EXPECT_TRUE(DragDolly(fast, lastY, 40));
    EXPECT_NEAR(fast.Dolly + 100, 18.12, 0.005);
    lastY = 50;
    for (std::int32_t y = 49; y >= 40; --y)
        EXPECT_TRUE(DragDolly(slow, lastY, y));
    EXPECT_NEAR(slow.Dolly + 100, 2.87, 0.005);
    EXPECT_TRUE(DragDolly(slow, lastY, 50)); // downwards pulls back
    EXPECT_NEAR(slow.Dolly + 100, 2.87 - 18.12, 0.01);
}

TEST(DragDolly, NoVerticalMovementChangesNothing) {
    TViewCamera c;
    c.Dolly = -3;
    std::int32_t lastY = 10;
    EXPECT_FALSE(DragDolly(c, lastY, 10));
    EXPECT_EQ(c.Dolly, -3);
    EXPECT_EQ(lastY, 10);
}

TEST(DragRotate, ThreeThousandthsOfARadianPerPixel) {
    TViewCamera c;
    std::int32_t lastX = 10, lastY = 10;
    DragRotate(c, lastX, lastY, 110, 10);
    EXPECT_NEAR(c.Azimuth, 0.3, 1e-12);
    EXPECT_EQ(c.Elevation, 0);
    DragRotate(c, lastX, lastY, 110, -40);
    EXPECT_NEAR(c.Elevation, -0.15, 1e-12);
    EXPECT_EQ(lastX, 110);
    EXPECT_EQ(lastY, -40);
}

TEST(DragPan, PictureFollowsThePointerInFrontOfTheUniverse) {
    TViewCamera c;
    c.Dolly = -80;
    c.ZoomX = 4;
    c.ZoomY = 8;
    std::int32_t lastX = 0, lastY = 0;
    DragPan(c, 20, lastX, lastY, 10, -5);
    // (Dolly - Space) x 0.01 = -1 universe unit per pixel at zoom 1.
    EXPECT_DOUBLE_EQ(c.OffsetX, 10.0 / 4);
    EXPECT_DOUBLE_EQ(c.OffsetY, -5.0 / 8);
    EXPECT_EQ(lastX, 10);
    EXPECT_EQ(lastY, -5);
}
