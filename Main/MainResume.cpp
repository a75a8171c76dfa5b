// Resuming processing from a recorded frame: the engine restores the frame's exact state
// from its keyframe, stepping forward on its own thread, with progress, until done or
// stopped.
#include "Main/Main.h"

#include "Main/RecorderLink.h"
#include "Storage/UniverseIO.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsUniverse.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"

#include <QMessageBox>

#include <algorithm>

bool TMainForm::ResumeAt(int index, bool askToDiscard) {
    const int frames = RecordedFrames();
    if (index < 0 || index >= frames || FResumingFrame >= 0)
        return false;
    const int after = frames - 1 - index;
    if (askToDiscard && after > 0 &&
        QMessageBox::question(this, QStringLiteral("Resume Processing Here"),
                              QStringLiteral("Resuming here discards the %1 recorded frames "
                                             "after this one. Go on?")
                                  .arg(after)) != QMessageBox::Yes)
        return false;
    SetPlaying(false);
    SetProcessing(false);
    // The engine works the frame out (its keyframe, stepped forward) and puts it in place
    // of the universe, keeping the processing settings the properties window shows. The
    // recording is locked only to read and to cut it, never while stepping, so that the
    // window can go on reading frames meanwhile.
    using TRestored = TSimulationRunner::TRestored;
    const std::shared_ptr<TRecorderLink> link = FRecorder;
    const TSettings settings = FSettingsModel->Settings();
    FRunner->Restore(
        [this, link, index, settings](TUniverse& universe, TSimulationRunner::TRestoreWork& work) {
            const auto ended = [this, index](TRestored outcome, const QString& error) {
                const bool restored = outcome == TRestored::Done;
                QMetaObject::invokeMethod(
                    this, [this, index, restored, error] { ResumeEnded(index, restored, error); },
                    Qt::QueuedConnection);
                return outcome;
            };
            std::unique_ptr<TUniverse> state;
            std::int32_t iteration = 0;
            {
                const std::lock_guard lock(link->Mutex);
                if (!link->File || index >= link->File->FrameCount())
                    return ended(TRestored::Untouched,
                                 QStringLiteral("The frame is no longer recorded."));
                const TStorageResult read = link->File->ReadKeyframe(index, state);
                if (!read.Ok)
                    return ended(TRestored::Untouched, QString::fromStdString(read.Message));
                iteration = link->File->FrameIteration(index);
            }
            work.Steps.store(std::max(iteration - state->IterationCount, 0));
            const bool stepped =
                TRecording::StepForward(*state, iteration, &work.Control, &work.StepsDone);
            // Stopped, perhaps before it began (an empty message says so).
            if (work.Control.Cancel.load())
                return ended(TRestored::Untouched, QString());
            if (!stepped)
                return ended(TRestored::Untouched,
                             QStringLiteral("The frame comes before its keyframe."));
            TStorageResult result;
            {
                const std::lock_guard lock(link->Mutex);
                if (link->File && index < link->File->FrameCount() - 1)
                    result = link->File->Truncate(index);
            }
            if (!result.Ok)
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
    SetProcessing(true);
    ShowRecorderPosition();
    return true;
}

void TMainForm::ResumeEnded(int index, bool restored, const QString& error) {
    if (index != FResumingFrame)
        return;
    FResumingFrame = -1;
    if (restored) {
        // The frames after this one went with the restoring. The restored universe itself
        // arrives as a new build, which ends the showing of the frame.
        if (FResumeDiscards)
            FRecordingSaved = false;
    } else {
        // Stopped, or it could not be done: the frame stays shown, the universe as it was.
        SetProcessing(false);
        if (!error.isEmpty())
            QMessageBox::critical(this, QStringLiteral("Error"), error);
    }
    ShowRecorderPosition();
}

void TMainForm::ResumeProcessingatEnd1Click() {
    ResumeAt(RecordedFrames() - 1, false);
}
