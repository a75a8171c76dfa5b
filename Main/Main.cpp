#include "Main/Main.h"

#include "About/About.h"
#include "Childwin/ChildWin.h"
#include "Main/ImageList.h"
#include "Options/Options.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsTable.h"
#include "statistics/StatisticsDlg.h"
#include "universe/SimulationRunner.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    resize(544, 508);
    FSettingsModel = new TSettingsModel(this);

    MDIClient = new QMdiArea(this);
    MDIClient->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(MDIClient);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    ImageList1 = new TImageList(this);

    ProcessingTimer = new QTimer(this);
    ProcessingTimer->setObjectName(QStringLiteral("ProcessingTimer"));
    ProcessingTimer->setInterval(1);
    // A coarse timer would round 1 ms up to several; ticks that fall due while the window
    // is busy are not queued up, the next one simply comes when the loop is free again.
    ProcessingTimer->setTimerType(Qt::PreciseTimer);
    connect(ProcessingTimer, &QTimer::timeout, this, &TMainForm::ProcessingTimerTimer);

    FSession = std::make_unique<TSimulationSession>();
    FSession->SetWindowRecord([this] { return WindowRecord(); });
    BuildMenus();
    BuildToolBar();
    BuildProgress();
    BuildRecorder();
    FormCreate();
    UpdateCaption();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::SetPropertiesDlg(TPropertiesDlg* dialog) {
    FPropertiesDlg = dialog;
    // The start values its creation wrote are nobody's work to save.
    FSession->StartAfresh(FSettingsModel->Settings());
}
void TMainForm::SetAboutBox(TAboutBox* box) {
    FAboutBox = box;
}

// ---- Life of the window ----

void TMainForm::FormCreate() {
    qApp->installEventFilter(this); // the hint display
    connect(MDIClient, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);
    FUniverseReady = false;
    ConnectSession();
    SetProcessing(false);
}

void TMainForm::FormDestroy() {
    // The statistics window tells the runner when it hides, which it may do as it goes.
    delete StatisticsDlg;
    StatisticsDlg = nullptr;
    // Ends the engine thread (cancelling its work) before anything it calls back goes.
    FSession.reset();
    qApp->removeEventFilter(this);
    disconnect(MDIClient, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);
}

void TMainForm::FormShow() {
    // Nor is anything set before the first showing: there was no simulation yet.
    FSession->StartAfresh(FSettingsModel->Settings());
    if (!FStartFile.isEmpty() && OpenSimulation(FStartFile))
        return;
    CreateUniverse();
    OpenView(QStringLiteral("View %1").arg(Views().size() + 1));
}

void TMainForm::FormClose() {
    SaveDesktop();
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->MarkClosing();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A save asked for is finished first: ending the engine would drop it, and what it
    // writes is no longer unsaved work to ask about.
    if (!FinishSaveBeforeQuit()) {
        event->ignore();
        return;
    }
    // Unsaved work next: Cancel, or a save that failed, keeps the program running.
    if (!MaybeSaveChanges()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    // The main window's closing ends the program, whatever other windows are open.
    QCoreApplication::quit();
}

// ---- Processing ----

void TMainForm::SetProcessing(bool value) {
    // Off ends the engine's step even when processing already was off: Step Once may have
    // started one.
    if (!value)
        FSession->Runner().Stop();
    if (value == FProcessing)
        return;
    if (value)
        FSession->Runner().SetProcessing(true);
    if (value) {
        ProcessingTimer->start();
    } else {
        ProcessingTimer->stop();
        TakeSnapshot(); // the last step, which the timer's pace may have held back
    }
    FProcessing = value;
    SetButtonImage(ToolButtons.ToolButton6, *ImageList1, value ? 4 : 3);
    Actions.ContinueProcessing1->setText(value ? QStringLiteral("Stop Processing")
                                               : QStringLiteral("Continue Processing from Here"));
    emit ProcessingChanged(value);
}

void TMainForm::ProcessingTimerTimer() {
    TakePacedSnapshot();
}

void TMainForm::TakePacedSnapshot() {
    // While processing, steps are shown at about the screen's pace: pictures drawn faster
    // would take a core from the engine for frames nobody sees. The processing timer ticks
    // every millisecond, so a step held back is shown at most a frame late.
    constexpr std::chrono::milliseconds frame(15);
    const auto now = std::chrono::steady_clock::now();
    if (FProcessing && now - FPacedShownAt < frame)
        return;
    if (FSession->TakeSnapshot()) {
        ShowSnapshot(FSession->Snapshot());
        FPacedShownAt = now;
    }
}

void TMainForm::TakeSnapshot() {
    if (FSession->TakeSnapshot())
        ShowSnapshot(FSession->Snapshot());
}

void TMainForm::ShowSnapshot(std::shared_ptr<const TUniverseSnapshot> snapshot) {
    const bool newBuild = snapshot->BuildCount != FBuildsSeen;
    FBuildsSeen = snapshot->BuildCount;
    // A new universe ends the showing of a recorded frame; until then the frame stays.
    if (newBuild)
        FSession->LeavePlayback();
    if (FSession->ShownFrame() >= 0)
        return;
    if (StatisticsDlg)
        StatisticsDlg->FollowLive(snapshot);
    if (FPropertiesDlg && snapshot->FromStep) {
        FPropertiesDlg->SetOptimisation(snapshot->Optimisation);
        FPropertiesDlg->SetIterationCount(snapshot->IterationCount);
    }
    if (FSession->Recording())
        ShowRecorderPosition();
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->ShowUniverse(snapshot);
    if (newBuild)
        BuildEnded(*snapshot);
}

bool TMainForm::WaitForEngine(int milliseconds) {
    const std::chrono::milliseconds timeout(milliseconds);
    const bool done =
        FProcessing ? Runner().WaitUntilApplied(timeout) : Runner().WaitUntilIdle(timeout);
    TakeSnapshot();
    return done;
}

void TMainForm::StepOnce1Click() {
    if (FUniverseReady && !FProcessing)
        Runner().StepOnce();
}

void TMainForm::SetStepsPerSecond(std::int32_t value) {
    using namespace std::chrono;
    Runner().SetStepInterval(value > 0 ? duration_cast<nanoseconds>(seconds(1)) / value
                                       : TSimulationRunner::LeastStepInterval);
}

void TMainForm::ToolButton6Click() {
    if (FUniverseReady)
        SetProcessing(!FProcessing);
}

void TMainForm::ContinueProcessing1Click() {
    // On a recorded frame: carry on from that frame's exact state (and while that is being
    // worked out, stop it).
    if (ShownFrame() >= 0 && ResumingFrame() < 0) {
        ResumeAt(ShownFrame(), true);
        return;
    }
    SetProcessing(!FProcessing);
}

void TMainForm::BtnStartClick() {
    if (FUniverseReady)
        SetProcessing(true);
}

void TMainForm::BtnStopClick() {
    SetProcessing(false);
}

// ---- The new-universe command and the properties window ----

void TMainForm::RunUniverseDialog() {
    if (!FPropertiesDlg)
        return;
    const bool wasProcessing = FProcessing;
    SetProcessing(false);
    FPropertiesDlg->ShowUniversePage();
    // A window that is already floating cannot become modal where it stands: it is taken
    // down, shown modally, and floats again afterwards.
    const bool wasFloating = FPropertiesDlg->isVisible();
    if (wasFloating)
        FPropertiesDlg->hide();
    const int result = FPropertiesDlg->exec();
    if (wasFloating)
        FPropertiesDlg->show();
    if (result != QDialog::Accepted || !MaybeSaveChanges(true))
        return;
    CreateUniverse();
    if (FUniverseReady)
        SetProcessing(wasProcessing);
}

void TMainForm::ToolButton1Click() {
    RunUniverseDialog();
}
void TMainForm::SpeedButton1Click() {
    RunUniverseDialog();
}

void TMainForm::ToolButton7Click() {
    if (!FPropertiesDlg)
        return;
    FPropertiesDlg->show();
    FPropertiesDlg->raise();
}

void TMainForm::SpeedButton3Click() {
    ToolButton7Click();
}

// ---- Hints ----

void TMainForm::DisplayHint(const QString& hint) {
    StatusBar->showMessage(hint);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Every window's status tips end up here, the properties window's included, which as a
    // window of its own would otherwise keep them to itself.
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Pass-through settings ----

int TMainForm::MaxSeparation() const {
    return FSettingsModel->Settings().MaxSeparation;
}
int TMainForm::LocalitySize() const {
    return FSettingsModel->Settings().LocalitySize;
}
int TMainForm::MatrixResolution() const {
    return FSettingsModel->Settings().MatrixResolution;
}
int TMainForm::RedoFrequency() const {
    return FSettingsModel->Settings().RedoFrequency;
}
int TMainForm::GravityMethod() const {
    return FSettingsModel->Settings().GravityMethod;
}
int TMainForm::OpeningAngle() const {
    return FSettingsModel->Settings().OpeningAngle;
}

// Sent whether or not a universe was built yet: the build sets the four pair settings again
// anyway, and a universe keeps its gravity method and opening angle across builds. The
// properties window has stored the value already when it passes it on here.
void TMainForm::SetMaxSeparation(std::int32_t value) {
    FSettingsModel->Set(&TSettings::MaxSeparation, value);
    Runner().SetMaxSeparation(value);
}

void TMainForm::SetLocalitySize(std::int32_t value) {
    FSettingsModel->Set(&TSettings::LocalitySize, value);
    Runner().SetLocalitySize(value);
}

void TMainForm::SetMatrixResolution(std::int32_t value) {
    FSettingsModel->Set(&TSettings::MatrixResolution, value);
    Runner().SetMatrixResolution(value);
}

void TMainForm::SetRedoFrequency(std::int32_t value) {
    FSettingsModel->Set(&TSettings::RedoFrequency, value);
    Runner().SetRedoFrequency(value);
}

// Held to their ranges here too: the universe checks nothing, and a script may write these.
void TMainForm::SetGravityMethod(std::int32_t value) {
    value = SettingsTable::Clamp("GravityMethod", value);
    FSettingsModel->Set(&TSettings::GravityMethod, value);
    Runner().SetGravityMethod(static_cast<TGravityMethod>(value));
}

void TMainForm::SetOpeningAngle(std::int32_t value) {
    value = SettingsTable::Clamp("OpeningAngle", value);
    FSettingsModel->Set(&TSettings::OpeningAngle, value);
    Runner().SetOpeningAngle(SettingsTable::OpeningAngle(value));
}
