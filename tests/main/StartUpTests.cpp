// Start-up order, the main window's components, switching processing and the hints.
#include "MainTestSupport.h"

#include <QEnterEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

TEST_F(MainFormTest, BeforeTheFirstShowingNoUniverseExistsButTheSettingsArrived) {
    EXPECT_EQ(QApplication::applicationName(), "Astrivo 2");
    EXPECT_EQ(qApp->property("HelpFile").toString(), "Astrivo.hlp");
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2[*]");
    EXPECT_NE(Program->AboutBox(), nullptr);
    EXPECT_EQ(Main->AboutBox(), Program->AboutBox());
    EXPECT_EQ(Main->PropertiesDlg(), Dialog);

    EXPECT_EQ(Main->Snapshot(), nullptr);
    EXPECT_EQ(Main->Runner().Latest(), nullptr);
    EXPECT_FALSE(Main->UniverseReady());
    EXPECT_FALSE(Main->Processing());
    EXPECT_EQ(Main->MaxSeparation(), 5);
    EXPECT_EQ(Main->LocalitySize(), 25);
    EXPECT_EQ(Main->MatrixResolution(), 250);
    EXPECT_EQ(Main->RedoFrequency(), 15);
    EXPECT_TRUE(Main->Views().isEmpty());

    // Processing has never been switched: designed caption and image.
    EXPECT_EQ(Main->Actions.ContinueProcessing1->text(), "Resume Processing Here");
    EXPECT_EQ(ImageOf("ToolButton6"), 3);
    EXPECT_EQ(Main->ProcessingTimer->interval(), 1);
    EXPECT_EQ(Main->ProcessingTimer->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(Main->ProcessingTimer->isActive());
}

TEST_F(MainFormTest, ComponentsCarryTheirNames) {
    for (const char* name :
         {"MDIClient", "StatusBar", "ToolBar1", "MainMenu1", "ToolButton1", "ToolButton3",
          "ToolButton4", "ToolButton5", "ToolButton6", "ToolButton7", "ToolButton8", "ToolButton9",
          "ToolButton10", "OpenDialog"}) {
        EXPECT_NE(Main->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_NE(Main->findChild<QTimer*>("ProcessingTimer"), nullptr);
    EXPECT_NE(Main->findChild<QObject*>("ImageList1"), nullptr);
    EXPECT_EQ(Main->findChild<QAction*>("ContinueProcessing1"), Main->Actions.ContinueProcessing1);
    EXPECT_EQ(Main->Actions.ContinueProcessing1->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(Main->findChild<QMenu*>("Recorder1")->menuAction()->isVisible());
}

TEST_F(MainFormTest, FirstShowingBuildsTheUniverseAndOpensViewOne) {
    ShowMain();
    ASSERT_NE(Main->Snapshot(), nullptr);
    EXPECT_TRUE(Main->UniverseReady());
    EXPECT_FALSE(Main->Processing());
    const TEngineState u = Engine();
    EXPECT_EQ(u.LastIndex, 1279);
    EXPECT_EQ(u.IterationCount, 2); // one seeding step per cluster
    EXPECT_EQ(u.MatrixResolution, 250);
    EXPECT_EQ(Main->Snapshot()->LastIndex(), 1279);
    EXPECT_EQ(Main->Snapshot()->IterationCount, 2);
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->SubWindow()->windowTitle(), "View 1");
    EXPECT_EQ(views[0]->Snapshot(), Main->Snapshot().get());

    // Showing again builds nothing new.
    const std::uint64_t builds = Main->Snapshot()->BuildCount;
    Main->hide();
    Main->show();
    Finish();
    EXPECT_EQ(Main->Snapshot()->BuildCount, builds);
    EXPECT_EQ(Main->Views().size(), 1);
}

TEST_F(MainFormTest, SwitchingProcessingSetsTimerImageAndCaption) {
    Main->SetProcessing(false); // already off: nothing changes
    EXPECT_EQ(Main->Actions.ContinueProcessing1->text(), "Resume Processing Here");

    Main->SetProcessing(true);
    EXPECT_TRUE(Main->ProcessingTimer->isActive());
    EXPECT_EQ(ImageOf("ToolButton6"), 4);
    EXPECT_EQ(Main->Actions.ContinueProcessing1->text(), "Stop Processing");
    EXPECT_TRUE(Main->property("Processing").toBool());

    Main->setProperty("Processing", false);
    EXPECT_FALSE(Main->ProcessingTimer->isActive());
    EXPECT_EQ(ImageOf("ToolButton6"), 3);
    EXPECT_EQ(Main->Actions.ContinueProcessing1->text(), "Continue Processing from Here");
}

TEST_F(MainFormTest, TheToolButtonNeedsAReadyUniverseButF5DoesNot) {
    Main->ToolButtons.ToolButton6->click();
    EXPECT_FALSE(Main->Processing());
    Main->BtnStartClick();
    EXPECT_FALSE(Main->Processing());

    Main->Actions.ContinueProcessing1->trigger();
    EXPECT_TRUE(Main->Processing());
    Main->ProcessingTimerTimer(); // no universe yet: a tick does nothing, and survives
    Main->BtnStopClick();
    EXPECT_FALSE(Main->Processing());

    ShowMain();
    Main->ToolButtons.ToolButton6->click();
    EXPECT_TRUE(Main->Processing());
    Main->ToolButtons.ToolButton6->click();
    EXPECT_FALSE(Main->Processing());
}

TEST_F(MainFormTest, F5TogglesProcessingAlthoughItsMenuIsHidden) {
    ShowMain();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    QTest::keyClick(Main, Qt::Key_F5);
    EXPECT_TRUE(Main->Processing());
    QTest::keyClick(Main, Qt::Key_F5);
    EXPECT_FALSE(Main->Processing());
}

TEST_F(MainFormTest, F6StepsOnceWhileProcessingIsOff) {
    ShowMain();
    EXPECT_EQ(Main->Actions.StepOnce1->shortcut(), QKeySequence(Qt::Key_F6));
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    const int before = Main->Snapshot()->IterationCount;
    QTest::keyClick(Main, Qt::Key_F6);
    QTest::keyClick(Main, Qt::Key_F6);
    Finish();
    EXPECT_EQ(Main->Snapshot()->IterationCount, before + 2);
    EXPECT_EQ(Dialog->IterationCount(), before + 2);
    EXPECT_FALSE(Main->Processing());
}

TEST_F(MainFormTest, HintsOfEveryWindowReachTheStatusLine) {
    ShowMain();
    Dialog->show();
    QSlider* slider = Dialog->TrackBarNumber;
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(slider, &enter);
    EXPECT_EQ(Main->StatusBar->currentMessage(), "<--- less particles / more particles --->");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(slider, &leave);
    EXPECT_EQ(Main->StatusBar->currentMessage(), "");

    Action("FileOpenItem")->showStatusText(Main->menuBar());
    EXPECT_EQ(Main->StatusBar->currentMessage(), "Open an existing file");
}

TEST_F(MainFormTest, TheToolButtonsShowOnlyImages) {
    const int expected[][2] = {{1, 0}, {3, 1}, {5, 2}, {6, 3}, {8, 6}, {7, 5}};
    for (const auto& [number, image] : expected) {
        const QString name = QStringLiteral("ToolButton%1").arg(number);
        auto* button = Main->findChild<QToolButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        EXPECT_EQ(button->property("ImageIndex").toInt(), image) << name.toStdString();
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_TRUE(button->toolTip().isEmpty());
    }
}

} // namespace
