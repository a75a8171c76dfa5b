#include "Main/Main.h"

#include "About/About.h"
#include "Childwin/ChildWin.h"
#include "Main/ImageList.h"
#include "Options/Options.h"
#include "Storage/Recording.h"
#include "universe/Universe.h"

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
    setWindowTitle(QStringLiteral("Astrivo 2"));
    resize(544, 508);

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
    // A coarse timer would round 1 ms up to several; ticks that fall due during a long
    // step are not queued up, the next one simply comes when the loop is free again.
    ProcessingTimer->setTimerType(Qt::PreciseTimer);
    connect(ProcessingTimer, &QTimer::timeout, this, &TMainForm::ProcessingTimerTimer);

    BuildMenus();
    BuildToolBar();
    BuildRecorder();
    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::SetPropertiesDlg(TPropertiesDlg* dialog) {
    FPropertiesDlg = dialog;
}
void TMainForm::SetAboutBox(TAboutBox* box) {
    FAboutBox = box;
}

// ---- Life of the window ----

void TMainForm::FormCreate() {
    qApp->installEventFilter(this); // the hint display
    connect(MDIClient, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);
    FUniverseReady = false;
    Universe.reset();
    SetProcessing(false);
}

void TMainForm::FormDestroy() {
    qApp->removeEventFilter(this);
    disconnect(MDIClient, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);
}

void TMainForm::FormShow() {
    if (!FStartFile.isEmpty() && OpenSimulation(FStartFile))
        return;
    CreateUniverse();
    OpenView(QStringLiteral("View %1").arg(Views().size() + 1));
}

void TMainForm::FormClose() {
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->Closing = true;
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // The main window's closing ends the program, whatever other windows are open.
    QCoreApplication::quit();
}

// ---- Processing ----

void TMainForm::SetProcessing(bool value) {
    if (value == FProcessing)
        return;
    if (value)
        ProcessingTimer->start();
    else
        ProcessingTimer->stop();
    FProcessing = value;
    SetButtonImage(ToolButton6, *ImageList1, value ? 4 : 3);
    ContinueProcessing1->setText(value ? QStringLiteral("Stop Processing")
                                       : QStringLiteral("Continue Processing from Here"));
    emit ProcessingChanged(value);
}

void TMainForm::ProcessingTimerTimer() {
    if (!Universe)
        return; // nothing was ever built: there is nothing to step
    Universe->Step(0, Universe->LastIndex);
    RecordStep();
    if (FPropertiesDlg) {
        FPropertiesDlg->SetOptimisation(Universe->Optimisation);
        FPropertiesDlg->SetIterationCount(Universe->IterationCount);
    }
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i) {
        TMDIChild* view = views[i];
        view->Universe = Universe.get();
        view->FrameValid = false;
        view->PresentFrame();
    }
}

void TMainForm::ToolButton6Click() {
    if (FUniverseReady)
        SetProcessing(!FProcessing);
}

void TMainForm::ContinueProcessing1Click() {
    // On a recorded frame: carry on from that frame's exact state.
    if (FShownFrame >= 0 && FRecordingFile) {
        ResumeAt(FShownFrame, true);
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
    FPropertiesDlg->PageControl1->setCurrentWidget(FPropertiesDlg->PageUniverse);
    // A window that is already floating cannot become modal where it stands: it is taken
    // down, shown modally, and floats again afterwards.
    const bool wasFloating = FPropertiesDlg->isVisible();
    if (wasFloating)
        FPropertiesDlg->hide();
    const int result = FPropertiesDlg->exec();
    if (wasFloating)
        FPropertiesDlg->show();
    if (result != QDialog::Accepted)
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

void TMainForm::SetMaxSeparation(std::int32_t value) {
    FMaxSeparation = value;
    if (Universe)
        Universe->SetMaxSeparation(value);
}

void TMainForm::SetLocalitySize(std::int32_t value) {
    FLocalitySize = value;
    if (Universe)
        Universe->SetLocalitySize(value);
}

void TMainForm::SetMatrixResolution(std::int32_t value) {
    FMatrixResolution = value;
    if (Universe)
        Universe->SetMatrixResolution(value);
}

void TMainForm::SetRedoFrequency(std::int32_t value) {
    FRedoFrequency = value;
    if (Universe)
        Universe->SetRedoFrequency(value);
}
