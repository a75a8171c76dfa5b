// Drags driven through real mouse events on the view.
#include "ViewTestSupport.h"

#include "Childwin/CameraDrag.h"
#include "Childwin/ViewProjection.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {

struct ViewMouse : ViewTest {
    ViewMouse() {
        SetClientSize(400, 300);
        View->FormResize();
    }
    // A test may end with a button still down; the next one must not start with it held.
    ~ViewMouse() override {
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QGuiApplication::mouseButtons() & button)
                Release(button, {0, 0});
    }
    void Press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at) {
        QTest::mousePress(View, button, modifiers, at);
    }
    void Move(QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseEvent(QTest::MouseMove, View, Qt::NoButton, modifiers, to);
    }
    void Release(Qt::MouseButton button, QPoint at) { QTest::mouseRelease(View, button, {}, at); }
    int LitPixels() const {
        int lit = 0;
        for (int y = 0; y < View->Frame().height(); ++y)
            for (int x = 0; x < View->Frame().width(); ++x)
                lit += View->Frame().pixel(x, y) != qRgb(0, 0, 0);
        return lit;
    }
    bool SameCamera(const TViewCamera& a, const TViewCamera& b) const {
        return a.OffsetX == b.OffsetX && a.OffsetY == b.OffsetY && a.Dolly == b.Dolly &&
               a.Azimuth == b.Azimuth && a.Elevation == b.Elevation && a.ZoomX == b.ZoomX &&
               a.ZoomY == b.ZoomY;
    }
};

} // namespace

TEST_F(ViewMouse, RightDragUpZoomsInAndDownZoomsOut) {
    const double zoom = View->Camera().ZoomX;
    Press(Qt::RightButton, {}, {200, 250});
    EXPECT_TRUE(View->Zooming());
    Move({260, 150});
    EXPECT_NEAR(View->Camera().ZoomX / zoom, 2.009, 0.0005);
    EXPECT_DOUBLE_EQ(View->Camera().ZoomY, View->Camera().ZoomX);
    EXPECT_EQ(View->LastMouseX(), 200); // only vertical movement counts
    Move({260, 250});
    EXPECT_NEAR(View->Camera().ZoomX, zoom, 1e-9);
    Release(Qt::RightButton, {260, 250});
    EXPECT_FALSE(View->Zooming());
}

TEST_F(ViewMouse, ZoomDragStopsAtAMillion) {
    View->TurnCamera([](TViewCamera& camera) {
        camera.ZoomX = camera.ZoomY = 990000;
        return true;
    });
    Press(Qt::RightButton, {}, {200, 250});
    Move({200, 200});
    EXPECT_EQ(View->Camera().ZoomX, 1000000);
    EXPECT_EQ(View->Camera().ZoomY, 1000000);
    Move({200, 300});
    EXPECT_NEAR(View->Camera().ZoomX, 1000000 / std::pow(1.007, 100), 1e-6);
}

TEST_F(ViewMouse, OneVeryLongZoomOutDragStopsAtTheFloorAndZoomingInRecovers) {
    View->PresentFrame();
    ASSERT_GT(LitPixels(), 0);
    const double start = View->Camera().ZoomX;
    const double floor = MinZoom(View->height());
    Press(Qt::RightButton, {}, {200, 10});
    Move({200, 150010});
    Release(Qt::RightButton, {200, 150010});
    EXPECT_EQ(View->Camera().ZoomX, floor);
    EXPECT_EQ(View->Camera().ZoomY, floor);
    EXPECT_GT(floor, 0);

    // Ordinary drags up bring it back: 1.007^(200 x 8) is about 70,000.
    int drags = 0;
    while (View->Camera().ZoomX < start && drags < 10) {
        Press(Qt::RightButton, {}, {200, 250});
        Move({200, 50});
        Release(Qt::RightButton, {200, 50});
        ++drags;
    }
    EXPECT_LE(drags, 8);
    EXPECT_GE(View->Camera().ZoomX, start);
    View->WaitForPicture();
    EXPECT_GT(LitPixels(), 0);
}

TEST_F(ViewMouse, ManyOrdinaryZoomOutDragsStopAtTheFloor) {
    for (int drag = 0; drag < 600; ++drag) {
        Press(Qt::RightButton, {}, {200, 50});
        Move({200, 250});
        Release(Qt::RightButton, {200, 250});
    }
    EXPECT_EQ(View->Camera().ZoomX, MinZoom(View->height()));
    Press(Qt::RightButton, {}, {200, 250});
    Move({200, 150});
    EXPECT_NEAR(View->Camera().ZoomX / MinZoom(View->height()), std::pow(1.007, 100), 1e-9);
}

TEST_F(ViewMouse, CtrlDragDolliesFasterForFastMovement) {
    const double dolly = View->Camera().Dolly;
    Press(Qt::LeftButton, Qt::ControlModifier, {100, 200});
    EXPECT_TRUE(View->Dollying());
    EXPECT_FALSE(View->Panning());
    Move({100, 190}, Qt::ControlModifier);
    EXPECT_NEAR(View->Camera().Dolly - dolly, 18.12, 0.005);
    Release(Qt::LeftButton, {100, 190});

    const double before = View->Camera().Dolly;
    Press(Qt::LeftButton, Qt::ControlModifier, {100, 200});
    for (int y = 199; y >= 190; --y)
        Move({100, y}, Qt::ControlModifier);
    EXPECT_NEAR(View->Camera().Dolly - before, 2.87, 0.005);
}

TEST_F(ViewMouse, ShiftDragTurnsAndTilts) {
    const double elevation = View->Camera().Elevation;
    Press(Qt::LeftButton, Qt::ShiftModifier, {100, 100});
    EXPECT_TRUE(View->Rotating());
    Move({200, 100}, Qt::ShiftModifier);
    EXPECT_NEAR(View->Camera().Azimuth, 0.3, 1e-12);
    EXPECT_EQ(View->Camera().Elevation, elevation);
    Move({200, 150}, Qt::ShiftModifier);
    EXPECT_NEAR(View->Camera().Elevation - elevation, 0.15, 1e-12);
}

TEST_F(ViewMouse, LeftDragPansWithThePointer) {
    const TViewCamera& c = View->Camera();
    const double perPixel = -(c.Dolly - Universe.Space) * 0.01;
    Press(Qt::LeftButton, {}, {100, 100});
    EXPECT_TRUE(View->Panning());
    Move({130, 90});
    EXPECT_NEAR(c.OffsetX, perPixel * 30 / c.ZoomX, 1e-12);
    EXPECT_NEAR(c.OffsetY, perPixel * -10 / c.ZoomY, 1e-12);
    EXPECT_EQ(View->LastMouseX(), 130);
    EXPECT_EQ(View->LastMouseY(), 90);
}

// A move asks for a picture at once and leaves the drawing to the drawing thread.
TEST_F(ViewMouse, DragsAskForANewPictureAtOnce) {
    View->WaitForPicture();
    Press(Qt::RightButton, {}, {200, 250});
    MarkScreenPoints();
    Move({200, 240});
    EXPECT_FALSE(View->FrameValid());
    View->WaitForPicture();
    EXPECT_EQ(RendersSince(), 1u);
    EXPECT_TRUE(View->FrameValid());
}

TEST_F(ViewMouse, OtherButtonsAndModifiersStartNothing) {
    const TViewCamera start = View->Camera();
    const auto tryPress = [&](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        Press(button, modifiers, {100, 100});
        EXPECT_FALSE(View->Panning() || View->Zooming() || View->Rotating() || View->Dollying());
        Move({160, 20}, modifiers);
        EXPECT_TRUE(SameCamera(View->Camera(), start));
        Release(button, {160, 20});
    };
    tryPress(Qt::MiddleButton, {});
    tryPress(Qt::LeftButton, Qt::AltModifier);
    tryPress(Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    tryPress(Qt::RightButton, Qt::ShiftModifier);
    tryPress(Qt::RightButton, Qt::ControlModifier);
    tryPress(Qt::LeftButton, Qt::MetaModifier);
}

TEST_F(ViewMouse, DoubleClickStartsNothing) {
    const TViewCamera start = View->Camera();
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(100, 100),
                      View->mapToGlobal(QPointF(100, 100)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(View, &click);
    EXPECT_FALSE(View->Panning());
    Move({150, 120});
    EXPECT_TRUE(SameCamera(View->Camera(), start));
}

TEST_F(ViewMouse, SecondButtonDoesNotStartAnotherModeAndAnyReleaseEndsAll) {
    Press(Qt::LeftButton, {}, {100, 100});
    Press(Qt::RightButton, {}, {100, 100}); // left and right together: no match
    EXPECT_TRUE(View->Panning());
    EXPECT_FALSE(View->Zooming());
    Release(Qt::RightButton, {100, 100});
    EXPECT_FALSE(View->Panning());
    const TViewCamera after = View->Camera();
    Move({180, 180});
    EXPECT_TRUE(SameCamera(View->Camera(), after));
}

namespace {

// The wheel turned away from the user zooms in about the pointer: what lies under it at
// the depth a pan moves with stays under it; turned back, it zooms out the same way.
TEST_F(ViewMouse, TheWheelZoomsAboutThePointer) {
    const TViewCamera before = View->Camera();
    const QPoint at(330, 70);
    const auto turnWheel = [this, at](int delta) {
        QWheelEvent wheel(at, View->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View, &wheel);
    };
    // The point under the pointer at the pan's depth, in the view's turned frame.
    const double depth = Snapshot->Space - before.Dolly;
    const TViewPoint under{
        (at.x() - View->CentreX()) * 0.01 * depth / before.ZoomX - before.OffsetX,
        (at.y() - View->CentreY()) * 0.01 * depth / before.ZoomY - before.OffsetY, depth};
    MarkScreenPoints();
    turnWheel(120);
    View->WaitForPicture();
    EXPECT_TRUE(Redrawn());
    EXPECT_NEAR(View->Camera().ZoomX, 1.2 * before.ZoomX, 1e-9);
    EXPECT_NEAR(View->Camera().ZoomY, 1.2 * before.ZoomY, 1e-9);
    const TScreenPoint kept = ProjectPoint(under, View->Camera(), View->CentreX(), View->CentreY());
    EXPECT_NEAR(kept.SX, at.x(), 1e-6);
    EXPECT_NEAR(kept.SY, at.y(), 1e-6);

    turnWheel(-120);
    EXPECT_NEAR(View->Camera().ZoomX, before.ZoomX, 1e-9);
    EXPECT_NEAR(View->Camera().OffsetX, before.OffsetX, 1e-9);
    EXPECT_NEAR(View->Camera().OffsetY, before.OffsetY, 1e-9);
}

} // namespace
