// A view zoomed far out stays recoverable, and no command passes on a camera that cannot be.
#include "MainTestSupport.h"

#include "Childwin/CameraDrag.h"

#include <QPushButton>

#include <cmath>

namespace {

class ZoomFloorTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
        First = Main->ActiveView();
        ASSERT_NE(First, nullptr);
    }

    // One right-button drag of the view from (100, fromY) to (100, toY).
    static void ZoomDrag(TMDIChild* view, int fromY, int toY) {
        QTest::mousePress(view, Qt::RightButton, {}, {100, fromY});
        QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, {}, {100, toY});
        QTest::mouseRelease(view, Qt::RightButton, {}, {100, toY});
    }

    static bool Alive(const TMDIChild* view) {
        const double floor = MinZoom(view->height());
        return view->Camera().ZoomX >= floor && view->Camera().ZoomY >= floor;
    }

    // Gives the first view a camera it could only have come from elsewhere.
    void KillZoom(double zoomX, double zoomY) {
        TViewCamera camera = First->Camera();
        camera.ZoomX = zoomX;
        camera.ZoomY = zoomY;
        First->SetCamera(camera);
    }

    TMDIChild* First = nullptr;
};

TEST_F(ZoomFloorTest, ANewViewOfAViewZoomedFarOutZoomsBackIn) {
    const double start = First->Camera().ZoomX;
    ZoomDrag(First, 10, 150010);
    EXPECT_EQ(First->Camera().ZoomX, MinZoom(First->height()));

    Action("MenuViewNew")->trigger();
    TMDIChild* copy = Main->ActiveView();
    ASSERT_NE(copy, First);
    EXPECT_TRUE(Alive(copy));
    // Ordinary drags of 200 pixels: about 1,650 pixels take the floor back to the start.
    int drags = 0;
    for (; drags < 12 && copy->Camera().ZoomX < start; ++drags)
        ZoomDrag(copy, 210, 10);
    EXPECT_LE(drags, 9);
    EXPECT_GE(copy->Camera().ZoomX, start);
}

// A dead zoom can no longer come from a drag, but a camera may come from elsewhere.
TEST_F(ZoomFloorTest, NewViewLiftsADeadZoom) {
    KillZoom(0, 0);
    Action("MenuViewNew")->trigger();
    TMDIChild* copy = Main->ActiveView();
    ASSERT_NE(copy, First);
    EXPECT_EQ(copy->Camera().ZoomX, MinZoom(copy->height()));
    EXPECT_EQ(copy->Camera().Azimuth, First->Camera().Azimuth); // the rest is still copied
}

TEST_F(ZoomFloorTest, ThePresetLiftsADeadZoom) {
    KillZoom(0, std::nan(""));
    Action("MenuViewPreset1")->trigger();
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 4);
    for (TMDIChild* view : views)
        EXPECT_TRUE(Alive(view)) << view->windowTitle().toStdString();
}

TEST_F(ZoomFloorTest, ResetLiftsADeadZoomOfTheActiveView) {
    KillZoom(0, 0);
    Dialog->Button8->click();
    EXPECT_TRUE(Alive(First));
    ZoomDrag(First, 150, 50);
    EXPECT_GT(First->Camera().ZoomX, MinZoom(First->height()));
}

} // namespace
