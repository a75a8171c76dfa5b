#pragma once

#include "Storage/SimulationRecord.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class TRecorder;
class TRecording;
class TSimulationRunner;
struct TRecorderOptions;
struct TSaveControl;
struct TUniverseSnapshot;

/// One simulation as the user works with it, without its windows: the runner that keeps the
/// universe on the engine thread, the newest snapshot taken from it, the recording, the
/// file it was last saved to or opened from and whether the recording has changed since,
/// playing the recording back and resuming from one of its frames.
///
/// It lives on the window thread and tells the windows what happened through its signals;
/// questions to the user are the window's to ask before it calls. What the engine thread
/// reports comes back as queued calls on the session itself, so none outlives it. The jobs
/// it sends to the engine may use the session: its destructor ends the runner (and with
/// it the engine thread) before anything else goes.
class TSimulationSession : public QObject {
    Q_OBJECT

public:
    explicit TSimulationSession(QObject* parent = nullptr);
    ~TSimulationSession() override;

    TSimulationRunner& Runner() const { return *FRunner; }
    TRecorder& Recorder() const { return *FRecorder; }

    // The live universe.
    /// The snapshot taken last; null before the first build ends.
    std::shared_ptr<const TUniverseSnapshot> Snapshot() const { return FSnapshot; }
    /// Takes the runner's newest snapshot if it is newer than the one held; true if so.
    bool TakeSnapshot();
    /// Particles of the snapshot held (0 without one).
    int LiveParticles() const;

    // The file.
    const QString& CurrentFile() const { return FCurrentFile; }
    void SetCurrentFile(const QString& path);
    /// Frames were taken, cut or erased since the file was last saved or opened.
    bool UnsavedRecording() const;
    /// Sends a save to path to the engine, which writes the state between two steps, after
    /// the command it is busy with; the outcome comes as SaveEnded or SaveCancelled.
    void Save(const QString& path, TSettings settings, TViewsRecord views);
    /// A save was asked for, is neither done nor cancelled: the program may not end yet.
    bool Saving() const;
    /// The file the oldest such save writes, and how far it has come in percent: -1 until
    /// the engine starts it.
    QString SavingPath() const;
    int SaveProgress() const;
    /// Stops every save not yet done; each leaves its file as it was.
    void CancelSaves();
    /// Reads path, and the recording it holds into a scratch file of its own. False, with
    /// the message for the user in error, when it cannot.
    bool ReadFile(const QString& path, TSimulationContents& contents,
                  std::unique_ptr<TRecording>& recording, QString& error) const;
    /// The recording of a file just opened: it starts saved.
    void AdoptRecording(std::unique_ptr<TRecording> recording);
    static QString TemporaryRecordingPath();
    /// A new scratch recording's path in folder; for any thread.
    static QString TemporaryRecordingPath(const QString& folder);

    // Unsaved work.
    /// The universe, the settings or the recording differ from the file, or, without one,
    /// from the universe as it was built.
    bool Modified() const { return FModified; }
    /// Modified in more than the settings that only the next build takes: what a new build
    /// from the current settings would lose.
    bool ModifiedBeyondNextBuild() const;
    /// A new universe is on its way (a build, or a file's) with settings: as it arrives it
    /// is the state with nothing to save. A save still running for the universe it
    /// replaces no longer speaks for the new one.
    void StartAfresh(const TSettings& settings);
    /// The properties window's settings are now settings.
    void SettingsEdited(const TSettings& settings);

    // Recording.
    bool Recording() const { return FRecording; }
    int RecordedFrames() const;
    /// There is a recording of as many particles as the live universe has.
    bool RecordingFits() const;
    /// A new, empty recording at path for particles; false (reported) when it cannot be made.
    /// A temporary recording's file goes with it; one the user named stays.
    bool StartNewRecording(const QString& path, int particles, bool temporary);
    /// Takes a frame after every step, the first now; on only with a recording that fits.
    void SetRecording(bool value);
    /// Where the settings and views for a recording the user named come from: such a file
    /// keeps the simulation as it was when recording last began or stopped, so that it
    /// opens as a saved one does.
    void SetWindowRecord(std::function<TWindowRecord()> source) {
        FWindowRecord = std::move(source);
    }
    /// Drops every recorded frame.
    void Erase();
    /// New options for the recording (reported when they cannot be written).
    void SetOptions(const TRecorderOptions& options);

    // Playback.
    /// The frame shown, or -1 while the live universe is shown.
    int ShownFrame() const { return FShownFrame; }
    bool Playing() const { return FPlaying; }
    /// Shows recorded frame index instead of the live universe (reported when unreadable).
    bool ShowRecordedFrame(int index);
    void LeavePlayback();
    void SetPlaying(bool value);

    // Resuming.
    /// The frame the engine is working out to resume processing from, or -1.
    int ResumingFrame() const { return FResumingFrame; }
    bool CanResumeAt(int index) const;
    /// The engine restores frame index (its keyframe stepped forward), puts it in place of
    /// the universe with settings, and drops the frames after it; processing is on
    /// meanwhile, and turning it off cancels the restoring.
    bool ResumeAt(int index, const TSettings& settings);

signals:
    /// The runner published a snapshot; one notice however many were published meanwhile.
    void Published();
    /// Processing is to be turned on or off (the window keeps its pace).
    void ProcessingWanted(bool on);
    void RecordingChanged(bool recording);
    void PlayingChanged(bool playing);
    /// The frame shown, the frame count or a resume changed.
    void PositionChanged();
    /// Views and figures are to show frame, or the live snapshot again.
    void FrameShown(const std::shared_ptr<const TUniverseSnapshot>& frame);
    void LiveShown();
    /// Something failed; text says what, for an error box.
    void Failed(const QString& text);
    /// A save ended: error is empty when it was written, and CurrentFile is now its path.
    void SaveEnded(const QString& path, const QString& error);
    /// A save was stopped before it replaced path, which is as it was.
    void SaveCancelled(const QString& path);
    void ModifiedChanged(bool modified);

private:
    void PostRecordingFailed(const std::string& message);
    void PostFailure(const std::string& message);
    std::shared_ptr<const TWindowRecord> CollectWindowRecord() const;
    void RecordingFailed(const QString& error);
    void FinishSave(const QString& path, const QString& error, bool cancelled,
                    std::uint64_t generation, std::int32_t iteration, const TSettings& settings);
    void UpdateModified();
    bool UniverseChanged() const;
    void PlayTimerTimer();
    void ResumeEnded(int index, bool restored, const QString& error);

    struct TPendingSave {
        QString Path;
        std::shared_ptr<TSaveControl> Control; // shared with the engine's job
    };

    std::unique_ptr<TRecorder> FRecorder;
    std::function<TWindowRecord()> FWindowRecord;
    std::vector<TPendingSave> FSaves; // in the order asked
    std::unique_ptr<TSimulationRunner> FRunner;
    std::shared_ptr<const TUniverseSnapshot> FSnapshot;
    std::atomic<bool> FSnapshotPosted{false}; // a Published notice is on its way
    QTimer* PlayTimer = nullptr;
    QString FCurrentFile;
    bool FRecording = false;
    bool FPlaying = false;
    bool FRecordingSaved = true; // no frames were taken since the file was last saved

    // What the file (or the fresh universe) holds, to tell whether anything changed since.
    TSettings FSettings, FSavedSettings;
    std::uint64_t FSavedBuild = 0;
    std::int32_t FSavedIteration = 0;
    bool FAdoptNextBuild = true;   // the next universe to arrive is the saved state
    std::uint64_t FGeneration = 0; // counts fresh starts, so a late save cannot claim a new one
    bool FModified = false;
    int FShownFrame = -1;
    int FResumingFrame = -1;      // the frame the engine is restoring to resume from it
    bool FResumeDiscards = false; // and whether that drops frames after it
};
