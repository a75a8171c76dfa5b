#pragma once

#include "Storage/Recording.h"
#include "Storage/SimulationRecord.h"
#include "Storage/StorageError.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

class TUniverse;
struct TUniverseSnapshot;

/// The one recording of a session, shared by the window thread (playback, the position
/// display, options, erasing) and the engine thread (a frame after each step, saving,
/// resuming). Its file has a lock of its own: readers share it, and what changes the
/// recording holds it alone for one change only (a frame's write, a cut, new options). A
/// save only reads, so the window goes on reading frames while one runs. What the window
/// shows on every step (the count, a frame's step count, the options) is kept beside the
/// file under a lock that no file operation holds, so it never waits for the file at all.
/// HDF5's own library lock still orders single file reads against a save's copy.
class TRecorder {
public:
    TRecorder();
    ~TRecorder();
    TRecorder(const TRecorder&) = delete;
    TRecorder& operator=(const TRecorder&) = delete;

    /// Puts recording (perhaps none) in place of the one held, which is returned so that
    /// its file is closed outside the lock. Recording stops.
    std::unique_ptr<TRecording> Replace(std::unique_ptr<TRecording> recording);

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
    /// The recording's options, the defaults without one.
    TRecorderOptions Options() const;
    TStorageResult SetOptions(const TRecorderOptions& options);
    /// A copy of frame index, as TRecording::ReadFrame makes it.
    TStorageResult ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const;
    /// Drops every frame after lastKept, when there are any.
    TStorageResult Truncate(std::int32_t lastKept);

    // On the engine thread.
    /// Starts taking frames: universe is the first. Fails without a recording.
    TStorageResult Begin(const TUniverse& universe);
    /// A step was taken (running: while processing runs, not a single step): records it
    /// when recording is on and the step is one to keep. A failure stops recording.
    TStorageResult StepTaken(const TUniverse& universe, bool running = false);
    /// Stops taking frames and writes what is buffered.
    void Stop();
    /// The keyframe state frame index is worked out from, and the frame's step count.
    TStorageResult ReadKeyframe(std::int32_t index, std::unique_ptr<TUniverse>& state,
                                std::int32_t& iteration) const;
    /// Saves a simulation file with the recording copied into it (SimulationFile::Save).
    TStorageResult Save(const std::string& path, const TUniverse& universe,
                        const TSettings& settings, const TViewsRecord& views) const;

private:
    /// Brings the index up to date with the file; called holding Lock alone.
    void Reindex();

    mutable std::shared_mutex Lock;
    std::unique_ptr<TRecording> File; // under Lock
    bool Active = false;              // under Lock: the engine records every step

    // The index: what the file holds, without reading it.
    mutable std::mutex IndexLock;
    bool Present = false;
    std::int32_t Particles = 0;
    TRecorderOptions FOptions;
    std::vector<std::int32_t> Iterations;
    std::atomic<std::int32_t> Frames{0};
    std::atomic<std::uint64_t> FileBytes{0};
};
