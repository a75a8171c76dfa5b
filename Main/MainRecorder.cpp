// The recorder: frames taken on the engine thread after each step, playing them back in
// every view, and its options. Resuming is in MainResume.cpp.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Main/RecorderLink.h"
#include "Main/RecorderOptionsDlg.h"
#include "Options/Options.h"
#include "Storage/UniverseIO.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QUuid>

#include <algorithm>

namespace {

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}

} // namespace

void TMainForm::BuildRecorder() {
    FRecorder = std::make_shared<TRecorderLink>();
    for (const auto& [action, handler] :
         {std::pair{Actions.StartRecording1, &TMainForm::StartRecording1Click},
          std::pair{Actions.StartRecording2, &TMainForm::StartRecording2Click},
          std::pair{Actions.Play1, &TMainForm::Play1Click},
          std::pair{Actions.ResumeProcessingatEnd1, &TMainForm::ResumeProcessingatEnd1Click},
          std::pair{Actions.Erase1, &TMainForm::Erase1Click},
          std::pair{Actions.ExportFrames1, &TMainForm::ExportFrames1Click},
          std::pair{Actions.NewSimulation1, &TMainForm::NewSimulation1Click}})
        connect(action, &QAction::triggered, this, handler);

    PlayTimer = new QTimer(this);
    PlayTimer->setObjectName(QStringLiteral("PlayTimer"));
    PlayTimer->setTimerType(Qt::PreciseTimer);
    connect(PlayTimer, &QTimer::timeout, this, &TMainForm::PlayTimerTimer);

    auto* bar = new QToolBar(QStringLiteral("Position"), this);
    bar->setObjectName(QStringLiteral("PositionToolBar"));
    bar->setMovable(false);
    bar->toggleViewAction()->setEnabled(false);
    PositionBar = new TPositionBar(bar);
    bar->addWidget(PositionBar);
    addToolBar(Qt::BottomToolBarArea, bar);
    bar->setVisible(false);
    connect(PositionBar, &TPositionBar::FrameChosen, this, [this](int index) {
        SetPlaying(false);
        ShowRecordedFrame(index);
    });
    // The arrow keys step through the frames while a frame is shown.
    for (const auto& [key, delta] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, d = delta] {
            if (FShownFrame < 0)
                return;
            SetPlaying(false);
            ShowRecordedFrame(std::clamp(FShownFrame + d, 0, RecordedFrames() - 1));
        });
    }
    ShowRecorderPosition();
}

QString TMainForm::TemporaryRecordingPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(folder).filePath(QStringLiteral("astrivo-recording-%1.astrivo")
                                     .arg(QUuid::createUuid().toString(QUuid::Id128)));
}

int TMainForm::RecordedFrames() const {
    if (!FRecorder)
        return 0;
    const std::lock_guard lock(FRecorder->Mutex);
    return FRecorder->File ? FRecorder->File->FrameCount() : 0;
}

void TMainForm::ShowFigures(float optimisation, int iteration) {
    if (FPropertiesDlg) {
        FPropertiesDlg->SetOptimisation(optimisation);
        FPropertiesDlg->SetIterationCount(iteration);
    }
}

void TMainForm::ShowRecorderPosition() {
    int frames = 0;
    int iteration = 0;
    {
        const std::lock_guard lock(FRecorder->Mutex);
        if (FRecorder->File) {
            frames = FRecorder->File->FrameCount();
            const int shown = FShownFrame >= 0 ? FShownFrame : frames - 1;
            if (shown >= 0 && shown < frames)
                iteration = FRecorder->File->FrameIteration(shown);
        }
    }
    if (PositionBar) {
        PositionBar->ShowFrame(FShownFrame >= 0 ? FShownFrame : std::max(frames - 1, 0), frames,
                               iteration);
        PositionBar->parentWidget()->setVisible(frames > 0);
    }
    for (QAction* action : {Actions.ResumeProcessingatEnd1, Actions.Play1, Actions.ExportFrames1})
        action->setEnabled(frames > 0);
    for (QAction* action : {Actions.FileSaveItem, Actions.FileSaveAsItem})
        action->setEnabled(FUniverseReady);
}

// ---- Recording ----

bool TMainForm::AskToDiscardRecording() {
    if (FRecordingSaved || RecordedFrames() == 0)
        return true;
    return QMessageBox::question(this, QStringLiteral("Recorder"),
                                 QStringLiteral("The recording has not been saved. Discard it?")) ==
           QMessageBox::Yes;
}

bool TMainForm::StartNewRecording(const QString& path, int particles, bool temporary) {
    TRecorderOptions options;
    {
        const std::lock_guard lock(FRecorder->Mutex);
        if (FRecorder->File)
            options = FRecorder->File->Options();
    }
    std::unique_ptr<TRecording> recording;
    const TStorageResult result = TRecording::Create(ToPath(path), particles, options, recording);
    if (!result.Ok) {
        ShowError(this, QString::fromStdString(result.Message));
        return false;
    }
    recording->SetTemporary(temporary);
    SetPlaying(false);
    LeavePlayback();
    const std::lock_guard lock(FRecorder->Mutex);
    FRecorder->Active = false;
    FRecorder->File = std::move(recording);
    FRecordingSaved = false;
    return true;
}

void TMainForm::SetRecording(bool value) {
    const int particles = FSnapshot ? FSnapshot->LastIndex() + 1 : 0;
    if (value && particles <= 0)
        value = false;
    if (value) {
        bool fits = false;
        {
            const std::lock_guard lock(FRecorder->Mutex);
            fits = FRecorder->File && FRecorder->File->ParticleCount() == particles;
        }
        if (!fits && (!AskToDiscardRecording() ||
                      !StartNewRecording(TemporaryRecordingPath(), particles, true)))
            value = false;
    }
    if (value) {
        LeavePlayback();
        FRecordingSaved = false;
        // Frames are taken on the engine thread, in order with the steps: the first is the
        // state when recording starts, then one after each step.
        const std::shared_ptr<TRecorderLink> link = FRecorder;
        FRunner->SetStepObserver([this, link](const TUniverse& universe) {
            const std::lock_guard lock(link->Mutex);
            if (!link->Active || !link->File)
                return;
            const TStorageResult result = link->File->StepTaken(universe);
            if (!result.Ok) {
                link->Active = false;
                const QString error = QString::fromStdString(result.Message);
                QMetaObject::invokeMethod(
                    this, [this, error] { RecordingFailed(error); }, Qt::QueuedConnection);
            }
        });
        FRunner->Run([this, link](TUniverse& universe) {
            const std::lock_guard lock(link->Mutex);
            const TStorageResult result =
                link->File ? link->File->Begin(universe) : TStorageResult::Failure("No recording.");
            link->Active = result.Ok;
            if (!result.Ok) {
                const QString error = QString::fromStdString(result.Message);
                QMetaObject::invokeMethod(
                    this, [this, error] { RecordingFailed(error); }, Qt::QueuedConnection);
            }
        });
    } else if (FRecording) {
        const std::shared_ptr<TRecorderLink> link = FRecorder;
        FRunner->Run([link](TUniverse&) {
            const std::lock_guard lock(link->Mutex);
            link->Active = false;
            if (link->File)
                link->File->Flush();
        });
    }
    FRecording = value;
    Actions.StartRecording2->setChecked(value);
    Actions.StartRecording2->setText(value ? QStringLiteral("Stop Recording")
                                           : QStringLiteral("Start Recording"));
    ShowRecorderPosition();
}

void TMainForm::RecordingFailed(const QString& error) {
    SetRecording(false);
    ShowError(this, QStringLiteral("Recording stopped. %1").arg(error));
}

void TMainForm::StartRecording1Click() {
    if (!FUniverseReady || !FSnapshot || !AskToDiscardRecording())
        return;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("New Recording"), QString(),
        QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)"));
    if (path.isEmpty())
        return;
    SetRecording(false);
    if (StartNewRecording(path, FSnapshot->LastIndex() + 1, false))
        SetRecording(true);
}

void TMainForm::StartRecording2Click() {
    SetRecording(!FRecording);
}

// ---- Playing ----

bool TMainForm::ShowRecordedFrame(int index) {
    auto frame = std::make_shared<TUniverseSnapshot>();
    TStorageResult result = TStorageResult::Failure("There is no recording.");
    {
        const std::lock_guard lock(FRecorder->Mutex);
        if (FRecorder->File)
            result = FRecorder->File->ReadFrame(index, *frame);
    }
    if (!result.Ok) {
        SetPlaying(false);
        ShowError(this, QString::fromStdString(result.Message));
        return false;
    }
    // Leaving the live universe, or a resume under way, for a frame stops processing.
    if (FShownFrame < 0 || FResumingFrame >= 0) {
        SetProcessing(false);
        SetRecording(false);
    }
    // Views take a frame like any snapshot of the universe they show.
    if (FSnapshot) {
        frame->Serial = FSnapshot->Serial;
        frame->BuildCount = FSnapshot->BuildCount;
    }
    FShownFrame = index;
    ShowFigures(frame->Optimisation, frame->IterationCount);
    const std::shared_ptr<const TUniverseSnapshot> shown = frame;
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->ShowUniverse(shown);
    ShowRecorderPosition();
    return true;
}

void TMainForm::LeavePlayback() {
    if (FShownFrame < 0)
        return;
    FShownFrame = -1;
    SetPlaying(false);
    if (FSnapshot) {
        ShowFigures(FSnapshot->Optimisation, FSnapshot->IterationCount);
        const QList<TMDIChild*> views = Views();
        for (qsizetype i = views.size() - 1; i >= 0; --i)
            views[i]->ShowUniverse(FSnapshot);
    }
    ShowRecorderPosition();
}

void TMainForm::SetPlaying(bool value) {
    const int frames = RecordedFrames();
    if (value && frames == 0)
        value = false;
    FPlaying = value;
    Actions.Play1->setChecked(value);
    if (!value) {
        PlayTimer->stop();
        return;
    }
    SetProcessing(false);
    SetRecording(false);
    // From the frame shown; from the start when the end was reached or none is shown.
    const int from = FShownFrame < 0 || FShownFrame >= frames - 1 ? 0 : FShownFrame;
    if (!ShowRecordedFrame(from))
        return;
    int rate = 30;
    {
        const std::lock_guard lock(FRecorder->Mutex);
        rate = FRecorder->File->Options().PlaybackRate;
    }
    PlayTimer->start(std::max(1, 1000 / rate));
}

void TMainForm::PlayTimerTimer() {
    if (FShownFrame < 0 || FShownFrame + 1 >= RecordedFrames()) {
        SetPlaying(false);
        return;
    }
    ShowRecordedFrame(FShownFrame + 1);
}

void TMainForm::Play1Click() {
    SetPlaying(Actions.Play1->isChecked());
}

// ---- Options ----

void TMainForm::Erase1Click() {
    TRecorderOptions current;
    {
        const std::lock_guard lock(FRecorder->Mutex);
        if (FRecorder->File)
            current = FRecorder->File->Options();
    }
    TRecorderOptionsDlg dialog(current, RecordedFrames() > 0, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.EraseAsked()) {
        SetPlaying(false);
        SetRecording(false);
        LeavePlayback();
        const std::lock_guard lock(FRecorder->Mutex);
        if (FRecorder->File)
            FRecorder->File->Truncate(-1);
        FRecordingSaved = false;
    }
    if (accepted) {
        TStorageResult result;
        {
            const std::lock_guard lock(FRecorder->Mutex);
            if (FRecorder->File)
                result = FRecorder->File->SetOptions(dialog.Options());
        }
        if (!result.Ok)
            ShowError(this, QString::fromStdString(result.Message));
        if (FPlaying)
            PlayTimer->start(std::max(1, 1000 / dialog.Options().PlaybackRate));
    }
    ShowRecorderPosition();
}
