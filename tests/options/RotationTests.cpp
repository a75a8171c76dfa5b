// The View page's rotation controls acting on the active view's camera.
#include "PropertiesTestSupport.h"

#include "Childwin/CameraDrag.h"

#include <QEventLoop>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

constexpr double Degree = RotationControl::Degree;

class RotationTest : public PropertiesDlgTest {
protected:
    void SetUp() override {
        PropertiesDlgTest::SetUp();
        Host.View = &View;
        TViewCamera camera = View.Camera();
        camera.ZoomX = 25;
        camera.ZoomY = 26;
        View.SetCamera(camera);
        // Widened so the rotation controls beyond the designed width can be reached.
        Dialog->PageControl1->setCurrentWidget(Dialog->PageView);
        Dialog->resize(460, 380);
        Dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    }
    void TearDown() override { Host.View = nullptr; }

    void Press(QWidget* control, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(5, 5),
               Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(control, button, keys, at);
    }
    void Release(QWidget* control, Qt::MouseButton button = Qt::LeftButton,
                 QPoint at = QPoint(5, 5)) {
        QTest::mouseRelease(control, button, {}, at);
    }

    TMDIChild View;
};

TEST_F(RotationTest, TheControlsSitBesideTheViewSettings) {
    EXPECT_EQ(Dialog->GroupRotation->title(), " Universe Rotation ");
    EXPECT_EQ(Dialog->GroupRotation->parentWidget(), Dialog->PageView);
    EXPECT_EQ(Dialog->GroupRotation->geometry(), QRect(288, 108, 121, 101));
    EXPECT_EQ(Dialog->PanelMouseRot->size(), QSize(25, 25));
    EXPECT_EQ(Dialog->PanelMouseRot->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(Dialog->TimerMouseAct->interval(), 30);
    EXPECT_FALSE(Dialog->TimerMouseAct->isActive());
    EXPECT_EQ(Dialog->RotateAction(), raNone);
}

TEST_F(RotationTest, OnlyTheLeftArrowStepsAtOnce) {
    Press(Dialog->Button2);
    EXPECT_DOUBLE_EQ(View.Camera().Azimuth, -Degree);
    EXPECT_TRUE(Dialog->TimerMouseAct->isActive());
    Release(Dialog->Button2);
    EXPECT_FALSE(Dialog->TimerMouseAct->isActive());
    EXPECT_EQ(Dialog->RotateAction(), raNone);

    for (QPushButton* arrow : {Dialog->Button5, Dialog->Button6, Dialog->Button7}) {
        Press(arrow);
        EXPECT_TRUE(Dialog->TimerMouseAct->isActive());
        Release(arrow);
    }
    EXPECT_DOUBLE_EQ(View.Camera().Azimuth, -Degree);
    EXPECT_EQ(View.Camera().Elevation, 0);
}

TEST_F(RotationTest, HeldArrowsTurnOneDegreePerTick) {
    const struct {
        QPushButton* Arrow;
        TRotateAction Action;
        double Azimuth;
        double Elevation;
    } arrows[] = {{Dialog->Button5, raRight, 1, 0},
                  {Dialog->Button6, raUp, 0, -1},
                  {Dialog->Button7, raDown, 0, 1}};
    for (const auto& a : arrows) {
        View.SetCamera(TViewCamera{});
        Press(a.Arrow, Qt::RightButton, QPoint(3, 3), Qt::ShiftModifier); // any button, any keys
        EXPECT_EQ(Dialog->RotateAction(), a.Action);
        for (int tick = 0; tick < 7; ++tick)
            Dialog->TimerMouseActTimer();
        Release(a.Arrow, Qt::RightButton, QPoint(3, 3));
        EXPECT_NEAR(View.Camera().Azimuth, 7 * a.Azimuth * Degree, 1e-12);
        EXPECT_NEAR(View.Camera().Elevation, 7 * a.Elevation * Degree, 1e-12);
        Dialog->TimerMouseActTimer(); // released: ticks do nothing
        EXPECT_NEAR(View.Camera().Azimuth, 7 * a.Azimuth * Degree, 1e-12);
    }
}

TEST_F(RotationTest, TheTimerTurnsTheViewWhileAnArrowIsHeld) {
    Press(Dialog->Button5);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (View.Camera().Azimuth >= 2 * Degree)
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a guard, not a measurement
    loop.exec();
    Release(Dialog->Button5);
    EXPECT_GE(View.Camera().Azimuth, 2 * Degree - 1e-12);
}

TEST_F(RotationTest, AFullRevolutionKeepsCounting) {
    Press(Dialog->Button5);
    for (int tick = 0; tick < 360; ++tick)
        Dialog->TimerMouseActTimer();
    Release(Dialog->Button5);
    EXPECT_NEAR(View.Camera().Azimuth, 2 * M_PI, 1e-9);
}

TEST_F(RotationTest, ThePanelTurnsAtTheCubeOfTheOffset) {
    QFrame* panel = Dialog->PanelMouseRot;
    Press(panel, Qt::LeftButton, QPoint(12, 12)); // the centre: running but still
    EXPECT_TRUE(Dialog->TimerMouseAct->isActive());
    Dialog->TimerMouseActTimer();
    EXPECT_EQ(View.Camera().Azimuth, 0);
    EXPECT_EQ(View.Camera().Elevation, 0);

    // Held and dragged ten pixels right: +1 degree per tick, like the right arrow.
    QTest::mouseEvent(QTest::MouseMove, panel, Qt::NoButton, {}, QPoint(22, 12));
    EXPECT_FLOAT_EQ(Dialog->MouseTurnRate(), -1.0f);
    Dialog->TimerMouseActTimer();
    Dialog->TimerMouseActTimer();
    EXPECT_NEAR(View.Camera().Azimuth, 2 * Degree, 1e-12);

    // Far outside the panel the pointer still belongs to it.
    QTest::mouseEvent(QTest::MouseMove, panel, Qt::NoButton, {}, QPoint(12, -8));
    EXPECT_FLOAT_EQ(Dialog->MouseTiltRate(), 8.0f);
    Release(panel, Qt::LeftButton, QPoint(12, -8));
    EXPECT_FALSE(Dialog->TimerMouseAct->isActive());
    EXPECT_FLOAT_EQ(Dialog->MouseTiltRate(), 8.0f); // kept until the next press
}

TEST_F(RotationTest, APressAboveTheCentreTiltsLikeTheUpArrow) {
    Press(Dialog->PanelMouseRot, Qt::LeftButton, QPoint(12, 2));
    Dialog->TimerMouseActTimer();
    Release(Dialog->PanelMouseRot, Qt::LeftButton, QPoint(12, 2));
    EXPECT_NEAR(View.Camera().Elevation, -Degree, 1e-12);
    EXPECT_EQ(View.Camera().Azimuth, 0);
}

TEST_F(RotationTest, MovingOverThePanelWithoutAPressDoesNothing) {
    QTest::mouseEvent(QTest::MouseMove, Dialog->PanelMouseRot, Qt::NoButton, {}, QPoint(24, 24));
    EXPECT_EQ(Dialog->MouseTurnRate(), 0);
    EXPECT_EQ(Dialog->RotateAction(), raNone);
    Dialog->TimerMouseActTimer();
    EXPECT_EQ(View.Camera().Azimuth, 0);
}

TEST_F(RotationTest, ResetRestoresTheStandardCameraButNotTheZoom) {
    View.SetCamera(TViewCamera{3, 4, -9, 1.5, -0.7, 25, 26});
    ASSERT_EQ(Dialog->Space(), 48);
    Dialog->Button8->click();
    EXPECT_EQ(View.Camera().OffsetX, 0);
    EXPECT_EQ(View.Camera().OffsetY, 0);
    EXPECT_EQ(View.Camera().Dolly, -144);
    EXPECT_EQ(View.Camera().Azimuth, 0);
    EXPECT_NEAR(View.Camera().Elevation, 15 * Degree, 1e-15);
    EXPECT_EQ(View.Camera().ZoomX, 25);
    EXPECT_EQ(View.Camera().ZoomY, 26);
}

TEST_F(RotationTest, ResetBringsADeadZoomBackToTheFloor) {
    TViewCamera dead = View.Camera();
    dead.ZoomX = 0;
    dead.ZoomY = std::nan("");
    View.SetCamera(dead);
    Dialog->Button8->click();
    EXPECT_EQ(View.Camera().ZoomX, MinZoom(View.height()));
    EXPECT_EQ(View.Camera().ZoomY, MinZoom(View.height()));
    EXPECT_GT(View.Camera().ZoomX, 0);
}

TEST_F(RotationTest, WithoutAnActiveViewNothingTurns) {
    Host.View = nullptr;
    Press(Dialog->Button2);
    EXPECT_TRUE(Dialog->TimerMouseAct->isActive());
    Dialog->TimerMouseActTimer();
    Release(Dialog->Button2);
    Dialog->Button8->click();
    EXPECT_EQ(View.Camera().Azimuth, 0);
    EXPECT_EQ(View.Camera().Dolly, 0);
}

TEST_F(RotationTest, TheInertControlsDoNothing) {
    const TViewCamera before = View.Camera();
    Dialog->BtnFOVWider->click();
    Dialog->Button1->click();
    EXPECT_EQ(View.Camera().Azimuth, before.Azimuth);
    EXPECT_EQ(View.Camera().Dolly, before.Dolly);
    EXPECT_FALSE(Dialog->TimerMouseAct->isActive());
    EXPECT_FALSE(Dialog->EditRotX->isEnabled());
    EXPECT_EQ(Dialog->EditRotX->text(), "000");
    EXPECT_FALSE(Dialog->EditRotY->isEnabled());

    EXPECT_EQ(Dialog->CamPos->title(), " Camera Position ");
    for (const char* name : {"CamPosMoveLeft", "CamPosMoveRight", "Button4", "Button3", "Panel4",
                             "MaskEdit2", "MaskEdit3", "Button9"}) {
        QWidget* control = Dialog->CamPos->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        EXPECT_FALSE(control->isEnabled()) << name;
    }
}

} // namespace
