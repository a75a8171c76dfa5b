#pragma once

#include "Storage/Recording.h"
#include "Storage/SimulationRecord.h"
#include "Storage/StorageError.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

class TUniverse;
struct TSaveControl;
struct TUniverseSnapshot;

/// The one recording of a session, shared by the window thread (playback, the position
/// display, options, erasing) and the engine thread (a frame after each step, saving,
/// resuming). Its file has a lock of its own: readers share it, and what changes the
/// recording holds it alone for one change only (a frame's write, a cut). A save only
/// reads, so the window goes on reading frames while one runs.
///
/// The window never waits for the file. What it changes (options, erasing, another
/// recording) is done at once when the file is free, and otherwise queued: whoever holds
/// the file next, the engine, carries it out first, and meanwhile every reader sees the
/// recording as changed. What the window shows on every step (the count, a frame's step
/// count, the options) is kept beside the file under a lock that no file operation holds.
class TRecorder {
public:
    TRecorder();
    ~TRecorder();
    TRecorder(const TRecorder&) = delete;
    TRecorder& operator=(const TRecorder&) = delete;

    /// Puts recording (perhaps none) in place of the one held, whose file is closed.
    /// Recording stops.
    void Replace(std::unique_ptr<TRecording> recording);

    bool HasRecording() const;
    /// Frames in the recording, 0 without one; never waits.
    std::int32_t FrameCount() const { return Frames.load(std::memory_order_acquire); }
    /// The size of the recording's file in bytes as of its last change, 0 without one;
    /// never waits.
    std::uint64_t Bytes() const { return FileBytes.load(std::memory_order_acquire); }
    /// The step count of frame index, 0 when there is no such frame.
    std::int32_t FrameIteration(std::int32_t index) const;
    /// The particle count of the recording, 0 without one.
    std::int32_t ParticleCount() const;
    /// The recording's options; without one, those the next recording is to have.
    TRecorderOptions Options() const;
    /// Options out of range are refused at once; a failure to write them is reported only
    /// when they are written at once.
    TStorageResult SetOptions(const TRecorderOptions& options);
    /// Drops every frame.
    void Erase();
    /// A copy of frame index, as TRecording::ReadFrame makes it.
    TStorageResult ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const;

    /// Makes a new, empty recording of particles with options, for a universe of another
    /// size while recording.
    using TRenewal =
        std::function<TStorageResult(std::int32_t particles, const TRecorderOptions& options,
                                     std::unique_ptr<TRecording>& recording)>;
    /// Set before any recording: without one, a universe of another size stops recording.
    void SetRenewal(TRenewal renewal);

    // On the engine thread.
    /// Drops every frame after lastKept, when there are any.
    TStorageResult Truncate(std::int32_t lastKept);
    /// Starts taking frames: universe is the first. Fails without a recording. A universe
    /// of another size than the recording's (a new build) starts a new recording, as does
    /// such a step while recording. With window, a recording in a file the user named
    /// keeps the simulation beside its frames, so that the file opens as a saved one does.
    TStorageResult Begin(const TUniverse& universe, const TWindowRecord* window = nullptr);
    /// A step was taken (running: while processing runs, not a single step): records it
    /// when recording is on and the step is one to keep. A failure stops recording.
    TStorageResult StepTaken(const TUniverse& universe, bool running = false);
    /// Stops taking frames and writes what is buffered. With universe and window, a
    /// recording in a file the user named keeps the simulation as it is when it stops.
    /// A failure to keep it is returned; the frames are kept all the same.
    TStorageResult Stop(const TUniverse* universe = nullptr, const TWindowRecord* window = nullptr);
    /// The keyframe state frame index is worked out from, and the frame's step count.
    TStorageResult ReadKeyframe(std::int32_t index, std::unique_ptr<TUniverse>& state,
                                std::int32_t& iteration);
    /// Saves a simulation file with the recording copied into it (SimulationFile::Save).
    TStorageResult Save(const std::string& path, const TUniverse& universe,
                        const TSettings& settings, const TViewsRecord& views,
                        TSaveControl* control = nullptr);

private:
    // A change the window asked for while the file was busy.
    struct TChange {
        enum class TKind : std::uint8_t { Options, Erase, Replace };
        TKind Kind = TKind::Options;
        TRecorderOptions NewOptions;
        std::unique_ptr<TRecording> Recording;
    };

    /// Carries out the changes queued, then brings the index up to date with the file;
    /// called holding Lock alone. Rebuild: the file was replaced, its index goes whole.
    void Settle(bool rebuild = false);
    /// Puts a new recording in place of File when universe does not fit it; renewed says
    /// so. Called holding Lock alone.
    TStorageResult Fit(const TUniverse& universe, bool& renewed);
    /// False, changing nothing, when changes were queued meanwhile.
    bool Reindex(bool rebuild);
    /// Shows change in the index as though made; called holding IndexLock.
    void Foresee(const TChange& change);
    /// The recording readers see: the newest one queued to replace File, else File. Called
    /// holding Lock, shared or alone.
    const TRecording* Current() const;

    mutable std::shared_mutex Lock;
    std::unique_ptr<TRecording> File; // under Lock
    bool Active = false;              // under Lock: the engine records every step
    TRenewal Renewal;                 // under Lock

    // The index: what the file holds, without reading it.
    mutable std::mutex IndexLock;
    std::vector<TChange> Pending; // under IndexLock, in the order asked
    bool Present = false;
    std::int32_t Particles = 0;
    TRecorderOptions FOptions;
    std::vector<std::int32_t> Iterations;
    std::atomic<std::int32_t> Frames{0};
    mutable std::atomic<int> Readers{
        0}; // frame reads under way or waiting, which a save lets first
    std::atomic<std::uint64_t> FileBytes{0};
};
