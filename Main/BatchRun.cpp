#include "Main/BatchRun.h"

#include "Storage/AtomicFile.h"
#include "Storage/Recorder.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "universe/Universe.h"

#include <atomic>
#include <climits>
#include <filesystem>

// A signal handler may only touch lock-free atomics.
static_assert(std::atomic<bool>::is_always_lock_free);

namespace {

void RemoveScratch(const std::string& path) {
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove(path, ignored);
}

} // namespace

TBatchRun::TBatchRun() : FRecorder(std::make_unique<TRecorder>()) {}
TBatchRun::~TBatchRun() = default;

std::int32_t TBatchRun::Particles() const {
    return Contents.Universe ? Contents.Universe->LastIndex + 1 : 0;
}

TStorageResult TBatchRun::Open(const std::string& input, std::int32_t recordEvery) {
    // Room for the recording: the file's own, copied out by the child that reads the file,
    // or the one this run makes. Without it only a run that needs no recording goes on.
    std::string scratch;
    const TStorageResult made = AtomicFile::Scratch("astrivo-run", scratch);
    std::unique_ptr<TRecording> recording;
    if (TStorageResult loaded = SimulationFile::Load(input, Contents, true, scratch, recording);
        !loaded.Ok) {
        RemoveScratch(scratch);
        return loaded;
    }
    if (!Contents.HasRecording && recordEvery <= 0) {
        RemoveScratch(scratch);
        return TStorageResult::Success();
    }
    if (!made.Ok)
        return made;
    return PrepareRecording(input, recordEvery, scratch, std::move(recording));
}

TStorageResult TBatchRun::PrepareRecording(const std::string& input, std::int32_t recordEvery,
                                           const std::string& scratch,
                                           std::unique_ptr<TRecording> recording) {
    if (recording) {
        // A temporary recording takes its scratch file with it, should the run not go on.
        recording->SetTemporary(true);
        if (recordEvery > 0 && recording->ParticleCount() != Particles())
            return TStorageResult::Failure("Cannot record: the recording in " + input + " is of " +
                                           std::to_string(recording->ParticleCount()) +
                                           " particles, the universe has " +
                                           std::to_string(Particles()) + ".");
    } else {
        TRecorderOptions options;
        options.RecordEvery = recordEvery;
        if (const std::string problem = options.Problem(); !problem.empty()) {
            RemoveScratch(scratch);
            return TStorageResult::Failure(problem);
        }
        if (TStorageResult created = TRecording::Create(scratch, Particles(), options, recording);
            !created.Ok) {
            RemoveScratch(scratch);
            return created;
        }
        recording->SetTemporary(true);
    }
    FRecorder->Replace(std::move(recording));
    Recording = recordEvery > 0;
    if (Recording) {
        TRecorderOptions options = FRecorder->Options();
        options.RecordEvery = recordEvery;
        if (TStorageResult set = FRecorder->SetOptions(options); !set.Ok)
            return set;
    }
    return TStorageResult::Success();
}

TStorageResult TBatchRun::Run(std::int32_t steps, const std::string& output,
                              const TReport& report) {
    TUniverse& universe = *Contents.Universe;
    if (steps < 0 || steps > INT32_MAX - universe.IterationCount)
        return TStorageResult::Failure("The step count " + std::to_string(universe.IterationCount) +
                                       " cannot go on by " + std::to_string(steps) + " steps.");
    TStorageResult recorded = TStorageResult::Success();
    // As the window records: the state when recording starts is the first frame, then the
    // recorder sees every step and keeps every RecordEvery-th.
    if (Recording)
        recorded = FRecorder->Begin(universe);
    const auto start = std::chrono::steady_clock::now();
    while (recorded.Ok && FStepsDone < steps && !StopRequested()) {
        // The window's engine takes the same call, with a control of its own; a step it
        // cancels is no step at all.
        if (!universe.Step(0, universe.LastIndex, &Control))
            break;
        ++FStepsDone;
        if (Recording)
            recorded = FRecorder->StepTaken(universe);
        if (report)
            report({FStepsDone, steps, std::chrono::steady_clock::now() - start});
    }
    if (Recording)
        FRecorder->Stop();
    const TStorageResult saved =
        FRecorder->Save(output, universe, Contents.Settings, Contents.Views);
    if (!saved.Ok)
        return saved;
    if (!recorded.Ok)
        return TStorageResult::Failure(
            "Recording stopped after " + std::to_string(FStepsDone) + " steps; " + output +
            " holds the state reached and the frames taken. " + recorded.Message);
    return TStorageResult::Success();
}
