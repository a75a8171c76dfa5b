// The processing loop, the pass-through settings and the new-universe command.
#include "MainTestSupport.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace {

TEST_F(MainFormTest, ATickWithoutViewsStepsAndReportsTheFigures) {
    Main->CreateUniverse();
    ASSERT_TRUE(Main->Views().isEmpty());
    const int before = Main->Universe->IterationCount;
    Main->ProcessingTimerTimer();
    EXPECT_EQ(Main->Universe->IterationCount, before + 1);
    EXPECT_EQ(Dialog->IterationCount(), before + 1);
    EXPECT_EQ(Dialog->LabelIterationCount->text(), QString::number(before + 1));
    EXPECT_EQ(Dialog->Optimisation(), Main->Universe->Optimisation);
    EXPECT_TRUE(Dialog->LabelOptimisation->text().endsWith('%'));
    EXPECT_NE(Dialog->LabelOptimisation->text(), "00.00%");
}

TEST_F(MainFormTest, ATickHandsTheUniverseToEveryView) {
    ShowMain();
    Main->OpenView("View 2");
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 2);
    for (TMDIChild* view : views)
        view->Universe = nullptr;
    Main->ProcessingTimerTimer();
    for (TMDIChild* view : views)
        EXPECT_EQ(view->Universe, Main->Universe.get());
}

TEST_F(MainFormTest, ProcessingSettingsReachARunningUniverseWithoutReseeding) {
    ShowMain();
    Main->SetProcessing(true);
    Main->ProcessingTimerTimer();
    TUniverse& u = *Main->Universe;
    const TParticle* particles = u.Particles;
    const int iterations = u.IterationCount;
    const double x = u.Particles[0].X;

    Dialog->TrackBarRedoFrequency->setValue(3);
    Dialog->TrackBarMatrixResolution->setValue(40);
    Dialog->TrackBarLocalitySize->setValue(2);
    Dialog->TrackBarMaxSep->setValue(12);
    EXPECT_EQ(u.RedoFrequency, 3);
    EXPECT_EQ(u.MatrixResolution, 40);
    EXPECT_EQ(u.LocalitySize, 2);
    EXPECT_EQ(u.MaxSeparation, 12);
    EXPECT_EQ(Main->RedoFrequency(), 3);
    EXPECT_EQ(u.Particles, particles);
    EXPECT_EQ(u.IterationCount, iterations);
    EXPECT_EQ(u.Particles[0].X, x);

    Main->ProcessingTimerTimer();
    EXPECT_EQ(u.IterationCount, iterations + 1);
    Main->SetProcessing(false);
}

TEST_F(MainFormTest, TheNewUniverseCommandConfirmedWhileRunningKeepsRunning) {
    ShowMain();
    Main->SetProcessing(true);
    for (int i = 0; i < 3; ++i)
        Main->ProcessingTimerTimer();
    Dialog->PageControl1->setCurrentWidget(Dialog->PageView);
    Dialog->ChangeNumber(30);

    bool modal = false;
    bool onUniversePage = false;
    bool processingWhileOpen = true;
    QTimer::singleShot(0, Dialog, [&] {
        modal = Dialog->isModal() && Dialog->isVisible();
        onUniversePage = Dialog->PageControl1->currentWidget() == Dialog->PageUniverse;
        processingWhileOpen = Main->Processing();
        Dialog->BtnUniverseApply->click();
    });
    Main->RunUniverseDialog();
    EXPECT_TRUE(modal);
    EXPECT_TRUE(onUniversePage);
    EXPECT_FALSE(processingWhileOpen);
    EXPECT_TRUE(Main->Processing());
    EXPECT_EQ(Main->Universe->LastIndex, 179);
    EXPECT_EQ(Main->Universe->IterationCount, 2);
    EXPECT_FALSE(Dialog->isVisible());
    Main->SetProcessing(false);
}

TEST_F(MainFormTest, TheNewUniverseCommandCancelledLeavesProcessingOff) {
    ShowMain();
    Main->SetProcessing(true);
    Main->ProcessingTimerTimer();
    const int iterations = Main->Universe->IterationCount;
    Dialog->ChangeNumber(30);

    QTimer::singleShot(0, Dialog, [&] { Dialog->reject(); });
    Main->RunUniverseDialog();
    EXPECT_FALSE(Main->Processing());
    EXPECT_EQ(Main->Universe->LastIndex, 1279);
    EXPECT_EQ(Main->Universe->IterationCount, iterations);
}

TEST_F(MainFormTest, TheNewUniverseCommandConfirmedWhilePausedStaysPaused) {
    ShowMain();
    QTimer::singleShot(0, Dialog, [&] { Dialog->BtnUniverseApply->click(); });
    Main->ToolButton1->click();
    EXPECT_FALSE(Main->Processing());
    EXPECT_TRUE(Main->UniverseReady());
}

TEST_F(MainFormTest, AFloatingPropertiesWindowFloatsAgainAfterTheCommand) {
    ShowMain();
    Main->ToolButton7->click();
    ASSERT_TRUE(Dialog->isVisible());
    ASSERT_FALSE(Dialog->isModal());
    bool modal = false;
    QTimer::singleShot(0, Dialog, [&] {
        modal = Dialog->isModal();
        Dialog->reject();
    });
    Main->RunUniverseDialog();
    EXPECT_TRUE(modal);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->isModal());
}

TEST_F(MainFormTest, TheRunningLoopStillHandlesOtherEvents) {
    ShowMain();
    Main->SetProcessing(true);
    // A stop requested from another timer must get through between the 1 ms ticks.
    QEventLoop loop;
    QTimer::singleShot(50, Main, [&] { Main->ContinueProcessing1->trigger(); });
    QObject::connect(Main, &TMainForm::ProcessingChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a guard, not a measurement
    const int before = Main->Universe->IterationCount;
    loop.exec();
    EXPECT_FALSE(Main->Processing());
    EXPECT_GT(Main->Universe->IterationCount, before);
}

// A running loop leaves room for the user: events posted between ticks are handled, and
// ticks that fall due while a slow step runs are not queued up to be worked off later.
TEST_F(MainFormTest, ARunningLoopStaysResponsiveAndDoesNotQueueTicks) {
    ShowMain();
    int ticks = 0;
    QObject::connect(Main->ProcessingTimer, &QTimer::timeout, Main, [&ticks] {
        ++ticks;
        QThread::msleep(20); // a step much longer than the 1 ms interval
    });
    Main->SetProcessing(true);

    bool userEventHandled = false;
    QTimer::singleShot(50, Main, [&userEventHandled] { userEventHandled = true; });
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    Main->SetProcessing(false);

    EXPECT_TRUE(userEventHandled);
    EXPECT_GE(ticks, 3);
    EXPECT_LE(ticks, 16); // 300 ms of 20 ms ticks, not 300 queued 1 ms ones

    const int stopped = ticks;
    QEventLoop idle;
    QTimer::singleShot(60, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_EQ(ticks, stopped); // nothing left over fires once processing is off
}

} // namespace
