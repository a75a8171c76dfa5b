// The recorder's commands and displays: the window's side of the session's recording,
// playback and resuming (SimulationSession.cpp, SessionPlayback.cpp).
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Main/RecorderOptionsDlg.h"
#include "Options/Options.h"
#include "Storage/Recorder.h"
#include "settings/SettingsModel.h"
#include "statistics/StatisticsDlg.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

void TMainForm::BuildRecorder() {
    for (const auto& [action, handler] :
         {std::pair{Actions.StartRecording1, &TMainForm::StartRecording1Click},
          std::pair{Actions.StartRecording2, &TMainForm::StartRecording2Click},
          std::pair{Actions.Play1, &TMainForm::Play1Click},
          std::pair{Actions.ResumeProcessingatEnd1, &TMainForm::ResumeProcessingatEnd1Click},
          std::pair{Actions.Erase1, &TMainForm::Erase1Click},
          std::pair{Actions.ExportFrames1, &TMainForm::ExportFrames1Click},
          std::pair{Actions.ExportVideoItem, &TMainForm::ExportVideoItemClick},
          std::pair{Actions.NewSimulation1, &TMainForm::NewSimulation1Click}})
        connect(action, &QAction::triggered, this, handler);

    auto* bar = new QToolBar(QStringLiteral("Position"), this);
    bar->setObjectName(QStringLiteral("PositionToolBar"));
    bar->setMovable(false);
    bar->toggleViewAction()->setEnabled(false);
    RecordingSizeLabel = new QLabel(StatusBar);
    RecordingSizeLabel->setObjectName(QStringLiteral("RecordingSizeLabel"));
    StatusBar->addPermanentWidget(RecordingSizeLabel);
    RecordingSizeLabel->hide();
    PositionBar = new TPositionBar(bar);
    bar->addWidget(PositionBar);
    addToolBar(Qt::BottomToolBarArea, bar);
    bar->setVisible(false);
    connect(PositionBar, &TPositionBar::FrameChosen, this, [this](int index) {
        FSession->SetPlaying(false);
        FSession->ShowRecordedFrame(index);
    });
    // The arrow keys step through the frames while a frame is shown.
    for (const auto& [key, delta] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, d = delta] {
            if (ShownFrame() < 0)
                return;
            FSession->SetPlaying(false);
            FSession->ShowRecordedFrame(std::clamp(ShownFrame() + d, 0, RecordedFrames() - 1));
        });
    }
    ShowRecorderPosition();
}

void TMainForm::ConnectSession() {
    TSimulationSession* session = FSession.get();
    connect(session, &TSimulationSession::Published, this, &TMainForm::TakePacedSnapshot);
    connect(session, &TSimulationSession::ProcessingWanted, this, &TMainForm::SetProcessing);
    connect(session, &TSimulationSession::RecordingChanged, this, [this](bool recording) {
        Actions.StartRecording2->setChecked(recording);
        Actions.StartRecording2->setText(recording ? QStringLiteral("Stop Recording")
                                                   : QStringLiteral("Start Recording"));
    });
    connect(session, &TSimulationSession::PlayingChanged, this,
            [this](bool playing) { Actions.Play1->setChecked(playing); });
    connect(session, &TSimulationSession::PositionChanged, this, &TMainForm::ShowRecorderPosition);
    connect(session, &TSimulationSession::FrameShown, this, &TMainForm::ShowFrame);
    connect(session, &TSimulationSession::LiveShown, this, &TMainForm::ShowLive);
    connect(session, &TSimulationSession::Failed, this, &TMainForm::ShowError);
    connect(session, &TSimulationSession::SaveEnded, this, &TMainForm::SaveEnded);
    connect(session, &TSimulationSession::SaveCancelled, this, &TMainForm::SaveCancelled);
    connect(session, &TSimulationSession::ModifiedChanged, this, &QWidget::setWindowModified);
    connect(FSettingsModel, &TSettingsModel::Changed, session,
            [this] { FSession->SettingsEdited(FSettingsModel->Settings()); });
}

void TMainForm::ShowError(const QString& text) {
    QMessageBox::critical(this, QStringLiteral("Error"), text);
}

void TMainForm::ShowFigures(float optimisation, int iteration) {
    if (FPropertiesDlg) {
        FPropertiesDlg->SetOptimisation(optimisation);
        FPropertiesDlg->SetIterationCount(iteration);
    }
}

void TMainForm::ShowFrame(const std::shared_ptr<const TUniverseSnapshot>& frame) {
    FFrameShown = frame;
    if (StatisticsDlg)
        StatisticsDlg->FollowFrame(frame);
    ShowFigures(frame->Optimisation, frame->IterationCount);
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->ShowUniverse(frame);
}

void TMainForm::ShowLive() {
    FFrameShown.reset();
    const std::shared_ptr<const TUniverseSnapshot> snapshot = Snapshot();
    if (!snapshot)
        return;
    if (StatisticsDlg)
        StatisticsDlg->FollowLive(snapshot);
    ShowFigures(snapshot->Optimisation, snapshot->IterationCount);
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->ShowUniverse(snapshot);
}

void TMainForm::ShowRecorderPosition() {
    const int frames = RecordedFrames();
    const int shownFrame = ShownFrame();
    const int shown = shownFrame >= 0 ? shownFrame : frames - 1;
    const int iteration = FSession->Recorder().FrameIteration(shown);
    if (PositionBar) {
        PositionBar->ShowFrame(shownFrame >= 0 ? shownFrame : std::max(frames - 1, 0), frames,
                               iteration);
        PositionBar->parentWidget()->setVisible(frames > 0);
    }
    for (QAction* action : {Actions.ResumeProcessingatEnd1, Actions.Play1, Actions.ExportFrames1,
                            Actions.ExportVideoItem})
        action->setEnabled(frames > 0);
    for (QAction* action : {Actions.FileSaveItem, Actions.FileSaveAsItem})
        action->setEnabled(CanSave());
    const std::uint64_t bytes = frames > 0 ? FSession->Recorder().Bytes() : 0;
    RecordingSizeLabel->setVisible(bytes > 0);
    RecordingSizeLabel->setText(QStringLiteral("Recording: %1")
                                    .arg(QLocale().formattedDataSize(static_cast<qint64>(bytes), 1,
                                                                     QLocale::DataSizeSIFormat)));
    CheckRecordingSize(bytes);
}

void TMainForm::CheckRecordingSize(std::uint64_t bytes) {
    // Asked once for each recording that grows past the size; an erased or new one starts
    // small and is asked about again.
    if (bytes < FLargeRecording) {
        FLargeRecordingAsked = false;
        return;
    }
    if (FLargeRecordingAsked || !Recording())
        return;
    FLargeRecordingAsked = true;
    // Stopped while the user decides, and asked outside whatever showed the size.
    SetRecording(false);
    QTimer::singleShot(0, this, [this] {
        const QString size = QLocale().formattedDataSize(
            static_cast<qint64>(FSession->Recorder().Bytes()), 1, QLocale::DataSizeSIFormat);
        if (QMessageBox::question(
                this, QStringLiteral("Recorder"),
                QStringLiteral("The recording has grown to %1. Go on recording?").arg(size)) ==
            QMessageBox::Yes)
            SetRecording(true);
    });
}

// ---- Recording ----

bool TMainForm::AskToDiscardRecording() {
    if (!FSession->UnsavedRecording())
        return true;
    return QMessageBox::question(this, QStringLiteral("Recorder"),
                                 QStringLiteral("The recording has not been saved. Discard it?")) ==
           QMessageBox::Yes;
}

void TMainForm::SetRecording(bool value) {
    const int particles = FSession->LiveParticles();
    if (value && particles <= 0)
        value = false;
    if (value && !FSession->RecordingFits() &&
        (!AskToDiscardRecording() ||
         !FSession->StartNewRecording(TSimulationSession::TemporaryRecordingPath(), particles,
                                      true)))
        value = false;
    FSession->SetRecording(value);
}

void TMainForm::StartRecording1Click() {
    if (!FUniverseReady || !Snapshot() || !AskToDiscardRecording())
        return;
    const QString path = WithExtension(QFileDialog::getSaveFileName(
        this, QStringLiteral("New Recording"), FSimulationFolder,
        QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)")));
    if (path.isEmpty())
        return;
    SetRecording(false);
    if (FSession->StartNewRecording(path, FSession->LiveParticles(), false))
        SetRecording(true);
}

void TMainForm::StartRecording2Click() {
    SetRecording(!Recording());
}

void TMainForm::Play1Click() {
    FSession->SetPlaying(Actions.Play1->isChecked());
}

// ---- Resuming ----

bool TMainForm::ResumeAt(int index, bool askToDiscard) {
    if (!FSession->CanResumeAt(index))
        return false;
    const int after = RecordedFrames() - 1 - index;
    if (askToDiscard && after > 0 &&
        QMessageBox::question(this, QStringLiteral("Resume Processing Here"),
                              QStringLiteral("Resuming here discards the %1 recorded frames "
                                             "after this one. Go on?")
                                  .arg(after)) != QMessageBox::Yes)
        return false;
    return FSession->ResumeAt(index, FSettingsModel->Settings());
}

void TMainForm::ResumeProcessingatEnd1Click() {
    ResumeAt(RecordedFrames() - 1, false);
}

// ---- Options ----

void TMainForm::Erase1Click() {
    TRecorderOptionsDlg dialog(FSession->Recorder().Options(), RecordedFrames() > 0, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.EraseAsked())
        FSession->Erase();
    if (accepted)
        FSession->SetOptions(dialog.Options());
    ShowRecorderPosition();
}
