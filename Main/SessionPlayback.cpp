// Playing the recording back, and resuming processing from a recorded frame: the engine
// restores the frame's exact state from its keyframe, stepping forward on its own thread,
// with progress, until done or stopped.
#include "Main/SimulationSession.h"

#include "Storage/Recorder.h"
#include "Storage/UniverseIO.h"
#include "settings/SettingsUniverse.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QTimer>

#include <algorithm>

// ---- Playing ----

bool TSimulationSession::ShowRecordedFrame(int index) {
    auto frame = std::make_shared<TUniverseSnapshot>();
    if (const TStorageResult result = FRecorder->ReadFrame(index, *frame); !result.Ok) {
        SetPlaying(false);
        emit Failed(QString::fromStdString(result.Message));
        return false;
    }
    // Leaving the live universe, or a resume under way, for a frame stops processing.
    if (FShownFrame < 0 || FResumingFrame >= 0) {
        emit ProcessingWanted(false);
        SetRecording(false);
    }
    // Views take a frame like any snapshot of the universe they show.
    // A frame keeps no parameters: those of the universe it was recorded from are the
    // live one's, the recording being of this universe.
    if (FSnapshot) {
        frame->Serial = FSnapshot->Serial;
        frame->BuildCount = FSnapshot->BuildCount;
        frame->Mass = FSnapshot->Mass;
        frame->Pressure = FSnapshot->Pressure;
    }
    FShownFrame = index;
    emit FrameShown(frame);
    emit PositionChanged();
    return true;
}

void TSimulationSession::LeavePlayback() {
    if (FShownFrame < 0)
        return;
    FShownFrame = -1;
    SetPlaying(false);
    emit LiveShown();
    emit PositionChanged();
}

void TSimulationSession::SetPlaying(bool value) {
    const int frames = RecordedFrames();
    if (value && frames == 0)
        value = false;
    FPlaying = value;
    emit PlayingChanged(value);
    if (!value) {
        PlayTimer->stop();
        return;
    }
    emit ProcessingWanted(false);
    SetRecording(false);
    // From the frame shown; from the start when the end was reached or none is shown.
    const int from = FShownFrame < 0 || FShownFrame >= frames - 1 ? 0 : FShownFrame;
    if (!ShowRecordedFrame(from))
        return;
    PlayTimer->start(std::max(1, 1000 / FRecorder->Options().PlaybackRate));
}

void TSimulationSession::PlayTimerTimer() {
    if (FShownFrame < 0 || FShownFrame + 1 >= RecordedFrames()) {
        SetPlaying(false);
        return;
    }
    ShowRecordedFrame(FShownFrame + 1);
}

// ---- Resuming ----

bool TSimulationSession::CanResumeAt(int index) const {
    return index >= 0 && index < RecordedFrames() && FResumingFrame < 0;
}

bool TSimulationSession::ResumeAt(int index, const TSettings& settings) {
    if (!CanResumeAt(index))
        return false;
    const int after = RecordedFrames() - 1 - index;
    SetPlaying(false);
    emit ProcessingWanted(false);
    // The engine works the frame out (its keyframe, stepped forward) and puts it in place
    // of the universe, keeping the processing settings the properties window shows. The
    // recording is locked only to read and to cut it, never while stepping, so that the
    // window can go on reading frames meanwhile.
    using TRestored = TSimulationRunner::TRestored;
    TRecorder* recorder = FRecorder.get();
    FRunner->Restore([this, recorder, index, settings](TUniverse& universe,
                                                       TSimulationRunner::TRestoreWork& work) {
        const auto ended = [this, index](TRestored outcome, const QString& error) {
            const bool restored = outcome == TRestored::Done;
            QMetaObject::invokeMethod(
                this, [this, index, restored, error] { ResumeEnded(index, restored, error); },
                Qt::QueuedConnection);
            return outcome;
        };
        std::unique_ptr<TUniverse> state;
        std::int32_t iteration = 0;
        if (const TStorageResult read = recorder->ReadKeyframe(index, state, iteration); !read.Ok)
            return ended(TRestored::Untouched, QString::fromStdString(read.Message));
        work.Steps.store(std::max(iteration - state->IterationCount, 0));
        const bool stepped =
            TRecording::StepForward(*state, iteration, &work.Control, &work.StepsDone);
        // Stopped, perhaps before it began (an empty message says so).
        if (work.Control.Cancel.load())
            return ended(TRestored::Untouched, QString());
        if (!stepped)
            return ended(TRestored::Untouched,
                         QStringLiteral("The frame comes before its keyframe."));
        if (const TStorageResult result = recorder->Truncate(index); !result.Ok)
            return ended(TRestored::Untouched, QString::fromStdString(result.Message));
        if (!UniverseIO::CopyState(*state, universe))
            return ended(TRestored::Failed,
                         QStringLiteral("There is not enough memory to resume."));
        SettingsUniverse::ApplyProcessing(settings, universe);
        return ended(TRestored::Done, QString());
    });
    FResumingFrame = index;
    FResumeDiscards = after > 0;
    // Processing is on from here: Stop (or F5 again) cancels the restoring, and the frame
    // stays shown until the restored universe arrives.
    emit ProcessingWanted(true);
    emit PositionChanged();
    return true;
}

void TSimulationSession::ResumeEnded(int index, bool restored, const QString& error) {
    if (index != FResumingFrame)
        return;
    FResumingFrame = -1;
    if (restored) {
        // The frames after this one went with the restoring. The restored universe itself
        // arrives as a new build, which ends the showing of the frame.
        if (FResumeDiscards)
            FRecordingSaved = false;
        UpdateModified();
    } else {
        // Stopped, or it could not be done: the frame stays shown, the universe as it was.
        emit ProcessingWanted(false);
        if (!error.isEmpty())
            emit Failed(error);
    }
    emit PositionChanged();
}
