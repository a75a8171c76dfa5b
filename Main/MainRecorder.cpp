// The recorder: recording steps into a file, playing frames back in every view, resuming
// from a frame, its options and exporting frames as pictures.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Main/RecorderOptionsDlg.h"
#include "Options/Options.h"
#include "Storage/Recording.h"
#include "universe/Universe.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUuid>

namespace {

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

void TMainForm::BuildRecorder() {
    StartRecording2 = Action("StartRecording2");
    StartRecording2->setCheckable(true);
    Play1 = Action("Play1");
    Play1->setCheckable(true);
    for (const auto& [name, handler] :
         {std::pair{"StartRecording1", &TMainForm::StartRecording1Click},
          std::pair{"StartRecording2", &TMainForm::StartRecording2Click},
          std::pair{"Play1", &TMainForm::Play1Click},
          std::pair{"ResumeProcessingatEnd1", &TMainForm::ResumeProcessingatEnd1Click},
          std::pair{"Erase1", &TMainForm::Erase1Click},
          std::pair{"ExportFrames1", &TMainForm::ExportFrames1Click},
          std::pair{"NewSimulation1", &TMainForm::NewSimulation1Click}})
        connect(Action(name), &QAction::triggered, this, handler);

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
            if (FShownFrame < 0 || !FRecordingFile)
                return;
            SetPlaying(false);
            ShowRecordedFrame(std::clamp(FShownFrame + d, 0, FRecordingFile->FrameCount() - 1));
        });
    }
    ShowRecorderPosition();
}

QString TMainForm::TemporaryRecordingPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(folder).filePath(QStringLiteral("astrivo-recording-%1.astrivo")
                                     .arg(QUuid::createUuid().toString(QUuid::Id128)));
}

void TMainForm::ShowFigures(float optimisation, int iteration) {
    if (FPropertiesDlg) {
        FPropertiesDlg->SetOptimisation(optimisation);
        FPropertiesDlg->SetIterationCount(iteration);
    }
}

void TMainForm::RedrawViews(TUniverse* universe) {
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i) {
        TMDIChild* view = views[i];
        if (view->Closing)
            continue;
        view->Universe = universe;
        view->FrameValid = false;
        view->PresentFrame();
    }
}

void TMainForm::ShowRecorderPosition() {
    const int frames = FRecordingFile ? FRecordingFile->FrameCount() : 0;
    if (PositionBar) {
        const int shown = FShownFrame >= 0 ? FShownFrame : std::max(frames - 1, 0);
        PositionBar->ShowFrame(shown, frames,
                               frames > 0 ? FRecordingFile->FrameIteration(shown) : 0);
        PositionBar->parentWidget()->setVisible(frames > 0);
    }
    if (QAction* end = Action("ResumeProcessingatEnd1"))
        end->setEnabled(frames > 0);
    if (Play1)
        Play1->setEnabled(frames > 0);
    if (QAction* exportFrames = Action("ExportFrames1"))
        exportFrames->setEnabled(frames > 0);
    for (const char* name : {"FileSaveItem", "FileSaveAsItem"})
        if (QAction* action = Action(name))
            action->setEnabled(FUniverseReady);
}

// ---- Recording ----

bool TMainForm::AskToDiscardRecording() {
    if (!FRecordingFile || FRecordingSaved || FRecordingFile->FrameCount() == 0)
        return true;
    return QMessageBox::question(this, QStringLiteral("Recorder"),
                                 QStringLiteral("The recording has not been saved. Discard it?")) ==
           QMessageBox::Yes;
}

bool TMainForm::StartNewRecording(const QString& path) {
    if (!FUniverseReady || !Universe || Universe->LastIndex < 0)
        return false;
    const TRecorderOptions options =
        FRecordingFile ? FRecordingFile->Options() : TRecorderOptions{};
    std::unique_ptr<TRecording> recording;
    const TStorageResult result =
        TRecording::Create(ToPath(path), Universe->LastIndex + 1, options, recording);
    if (!result.Ok) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
        return false;
    }
    SetPlaying(false);
    LeavePlayback();
    FRecordingFile = std::move(recording);
    FRecordingSaved = false;
    return true;
}

void TMainForm::SetRecording(bool value) {
    if (value && (!FRecordingFile || FRecordingFile->ParticleCount() != Universe->LastIndex + 1)) {
        if (!AskToDiscardRecording() || !StartNewRecording(TemporaryRecordingPath()))
            value = false;
    }
    if (value && FRecordingFile) {
        LeavePlayback();
        const TStorageResult result = FRecordingFile->Begin(*Universe);
        if (!result.Ok) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QString::fromStdString(result.Message));
            value = false;
        } else {
            FRecordingSaved = false;
        }
    }
    if (!value && FRecording && FRecordingFile)
        FRecordingFile->Flush();
    FRecording = value;
    if (StartRecording2) {
        StartRecording2->setChecked(value);
        StartRecording2->setText(value ? QStringLiteral("Stop Recording")
                                       : QStringLiteral("Start Recording"));
    }
    ShowRecorderPosition();
}

void TMainForm::RecordStep() {
    if (!FRecording || !FRecordingFile || !Universe)
        return;
    const TStorageResult result = FRecordingFile->StepTaken(*Universe);
    if (!result.Ok) {
        SetRecording(false);
        QMessageBox::critical(
            this, QStringLiteral("Error"),
            QStringLiteral("Recording stopped. %1").arg(QString::fromStdString(result.Message)));
        return;
    }
    FRecordingSaved = false;
    if (PositionBar && FRecordingFile->FrameCount() != PositionBar->FrameCount())
        ShowRecorderPosition();
}

void TMainForm::UniverseReplaced() {
    // A new universe breaks the run of steps: the recording goes on with a keyframe, or
    // stops when the particle count no longer fits it.
    if (!FRecording || !FRecordingFile || !Universe)
        return;
    if (Universe->LastIndex + 1 != FRecordingFile->ParticleCount())
        SetRecording(false);
    else
        FRecordingFile->Begin(*Universe);
}

void TMainForm::StartRecording1Click() {
    if (!FUniverseReady || !AskToDiscardRecording())
        return;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("New Recording"), QString(),
        QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)"));
    if (path.isEmpty())
        return;
    SetRecording(false);
    if (StartNewRecording(path))
        SetRecording(true);
}

void TMainForm::StartRecording2Click() {
    SetRecording(!FRecording);
}

// ---- Playing ----

bool TMainForm::ShowRecordedFrame(int index) {
    if (!FRecordingFile || index < 0 || index >= FRecordingFile->FrameCount())
        return false;
    TUniverseSnapshot frame;
    TStorageResult result = FRecordingFile->ReadFrame(index, frame);
    if (result.Ok &&
        (!PlaybackUniverse || PlaybackUniverse->LastIndex + 1 != FRecordingFile->ParticleCount()))
        result = FRecordingFile->ReadKeyframe(index, PlaybackUniverse);
    if (!result.Ok) {
        SetPlaying(false);
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
        return false;
    }
    if (FShownFrame < 0) {
        SetProcessing(false);
        SetRecording(false);
    }
    TRecording::ApplyFrame(frame, *PlaybackUniverse);
    FShownFrame = index;
    ShowFigures(frame.Optimisation, frame.IterationCount);
    RedrawViews(PlaybackUniverse.get());
    ShowRecorderPosition();
    return true;
}

void TMainForm::LeavePlayback() {
    if (FShownFrame < 0)
        return;
    FShownFrame = -1;
    PlaybackUniverse.reset();
    if (Universe) {
        ShowFigures(Universe->Optimisation, Universe->IterationCount);
        RedrawViews(Universe.get());
    }
    ShowRecorderPosition();
}

void TMainForm::SetPlaying(bool value) {
    if (value && (!FRecordingFile || FRecordingFile->FrameCount() == 0))
        value = false;
    FPlaying = value;
    if (Play1)
        Play1->setChecked(value);
    if (!value) {
        PlayTimer->stop();
        return;
    }
    SetProcessing(false);
    SetRecording(false);
    // From the frame shown; from the start when the end was reached or none is shown.
    int from = FShownFrame;
    if (from < 0 || from >= FRecordingFile->FrameCount() - 1)
        from = 0;
    if (!ShowRecordedFrame(from))
        return;
    PlayTimer->start(std::max(1, 1000 / FRecordingFile->Options().PlaybackRate));
}

void TMainForm::PlayTimerTimer() {
    if (!FRecordingFile || FShownFrame + 1 >= FRecordingFile->FrameCount()) {
        SetPlaying(false);
        return;
    }
    ShowRecordedFrame(FShownFrame + 1);
}

void TMainForm::Play1Click() {
    SetPlaying(Play1->isChecked());
}

// ---- Resuming ----

bool TMainForm::ResumeAt(int index, bool askToDiscard) {
    const int after = FRecordingFile->FrameCount() - 1 - index;
    if (askToDiscard && after > 0 &&
        QMessageBox::question(this, QStringLiteral("Resume Processing Here"),
                              QStringLiteral("Resuming here discards the %1 recorded frames "
                                             "after this one. Go on?")
                                  .arg(after)) != QMessageBox::Yes)
        return false;
    SetPlaying(false);
    std::unique_ptr<TUniverse> state;
    const TStorageResult result = FRecordingFile->RestoreState(index, state);
    if (!result.Ok) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
        return false;
    }
    if (after > 0) {
        const TStorageResult cut = FRecordingFile->Truncate(index);
        if (!cut.Ok) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QString::fromStdString(cut.Message));
            return false;
        }
        FRecordingSaved = false;
    }
    Universe = std::move(state);
    FUniverseReady = true;
    // The restored universe takes the processing settings the properties window shows.
    Universe->SetMaxSeparation(FMaxSeparation);
    Universe->SetLocalitySize(FLocalitySize);
    Universe->SetMatrixResolution(FMatrixResolution);
    Universe->SetRedoFrequency(FRedoFrequency);
    FShownFrame = -1;
    PlaybackUniverse.reset();
    ShowFigures(Universe->Optimisation, Universe->IterationCount);
    RedrawViews(Universe.get());
    ShowRecorderPosition();
    SetProcessing(true);
    return true;
}

void TMainForm::ResumeProcessingatEnd1Click() {
    if (FRecordingFile && FRecordingFile->FrameCount() > 0)
        ResumeAt(FRecordingFile->FrameCount() - 1, false);
}

// ---- Options and export ----

void TMainForm::Erase1Click() {
    const TRecorderOptions current =
        FRecordingFile ? FRecordingFile->Options() : TRecorderOptions{};
    TRecorderOptionsDlg dialog(current, FRecordingFile && FRecordingFile->FrameCount() > 0, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.EraseAsked() && FRecordingFile) {
        SetPlaying(false);
        SetRecording(false);
        LeavePlayback();
        FRecordingFile->Truncate(-1);
        FRecordingSaved = false;
        ShowRecorderPosition();
    }
    if (accepted && FRecordingFile) {
        const TStorageResult result = FRecordingFile->SetOptions(dialog.Options());
        if (!result.Ok)
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QString::fromStdString(result.Message));
        if (FPlaying)
            PlayTimer->start(std::max(1, 1000 / FRecordingFile->Options().PlaybackRate));
    }
}

void TMainForm::ExportFrames1Click() {
    TMDIChild* view = ActiveView();
    if (!FRecordingFile || FRecordingFile->FrameCount() == 0 || !view)
        return;
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Export Frames To Folder"));
    if (folder.isEmpty())
        return;
    SetPlaying(false);
    const int first = FShownFrame >= 0 ? FShownFrame : 0;
    const int count = FRecordingFile->FrameCount();
    QProgressDialog progress(QStringLiteral("Exporting frames..."), QStringLiteral("Cancel"), first,
                             count, this);
    progress.setObjectName(QStringLiteral("ExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    for (int k = first; k < count; ++k) {
        progress.setValue(k);
        if (progress.wasCanceled() || !ShowRecordedFrame(k))
            break;
        const QString name =
            QDir(folder).filePath(QStringLiteral("frame%1.png").arg(k, 6, 10, QLatin1Char('0')));
        if (!view->Frame.save(name, "PNG")) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("Cannot write %1.").arg(name));
            break;
        }
    }
    progress.setValue(count);
}
