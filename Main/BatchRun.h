#pragma once

#include "Storage/SimulationRecord.h"
#include "Storage/StorageError.h"
#include "universe/StepControl.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TRecorder;
class TRecording;

/// A saved simulation stepped on with no window, for `astrivo --run`: the universe the file
/// holds goes through exactly the steps the window's engine would take from it (the same
/// step over the whole universe, with the file's processing settings, which the universe
/// carries), and the recorder takes frames as it does when recording is switched on there.
///
/// Not thread-safe, except RequestStop, which any thread or a signal handler may call.
class TBatchRun {
public:
    struct TProgress {
        std::int32_t StepsDone = 0;
        std::int32_t Steps = 0;
        std::chrono::steady_clock::duration Elapsed{};
    };
    /// Called after every step taken; it may call RequestStop.
    using TReport = std::function<void(const TProgress&)>;

    TBatchRun();
    ~TBatchRun();
    TBatchRun(const TBatchRun&) = delete;
    TBatchRun& operator=(const TBatchRun&) = delete;

    /// Reads the simulation at input, never writing it: its recording is copied to a scratch
    /// file first. With recordEvery above 0, frames are to be taken every recordEvery steps,
    /// appended to the file's recording or to a new one; otherwise a recording the file
    /// holds goes on unchanged.
    TStorageResult Open(const std::string& input, std::int32_t recordEvery);
    /// After a successful Open: takes steps steps, fewer when stopped, then writes the state
    /// reached, the file's settings and views and the recording atomically to output (which may be
    /// the input). A recording that fails part way stops the steps there; the state reached is
    /// still written, and the result names the recording's failure.
    TStorageResult Run(std::int32_t steps, const std::string& output, const TReport& report = {});

    /// Ends the run at the next step boundary: a step in progress is abandoned, leaving the
    /// universe as it was before it. Async-signal-safe.
    void RequestStop() noexcept { Control.Cancel.store(true, std::memory_order_relaxed); }
    bool StopRequested() const { return Control.Cancel.load(std::memory_order_relaxed); }

    std::int32_t StepsDone() const { return FStepsDone; }
    std::int32_t Particles() const;

private:
    TStorageResult PrepareRecording(const std::string& input, std::int32_t recordEvery,
                                    const std::string& scratch,
                                    std::unique_ptr<TRecording> recording);

    TSimulationContents Contents;
    std::unique_ptr<TRecorder> FRecorder;
    bool Recording = false;
    std::int32_t FStepsDone = 0;
    TStepControl Control;
};
