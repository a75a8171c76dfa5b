#include "Storage/Recorder.h"

#include "Storage/SimulationFile.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <mutex>

TRecorder::TRecorder() = default;
TRecorder::~TRecorder() = default;

void TRecorder::Reindex() {
    const std::int32_t frames = File ? File->FrameCount() : 0;
    const std::lock_guard index(IndexLock);
    Present = File != nullptr;
    Particles = File ? File->ParticleCount() : 0;
    FOptions = File ? File->Options() : TRecorderOptions{};
    // Frames only come and go at the end: what is kept stays as it is.
    if (static_cast<std::size_t>(frames) < Iterations.size())
        Iterations.resize(static_cast<std::size_t>(frames));
    for (auto k = static_cast<std::int32_t>(Iterations.size()); k < frames; ++k)
        Iterations.push_back(File->FrameIteration(k));
    Frames.store(frames, std::memory_order_release);
}

std::unique_ptr<TRecording> TRecorder::Replace(std::unique_ptr<TRecording> recording) {
    const std::unique_lock lock(Lock);
    Active = false;
    File.swap(recording);
    {
        const std::lock_guard index(IndexLock);
        Iterations.clear();
    }
    Reindex();
    return recording;
}

bool TRecorder::HasRecording() const {
    const std::lock_guard index(IndexLock);
    return Present;
}

std::int32_t TRecorder::FrameIteration(std::int32_t index) const {
    const std::lock_guard lock(IndexLock);
    return index >= 0 && static_cast<std::size_t>(index) < Iterations.size()
               ? Iterations[static_cast<std::size_t>(index)]
               : 0;
}

std::int32_t TRecorder::ParticleCount() const {
    const std::lock_guard index(IndexLock);
    return Particles;
}

TRecorderOptions TRecorder::Options() const {
    const std::lock_guard index(IndexLock);
    return FOptions;
}

TStorageResult TRecorder::SetOptions(const TRecorderOptions& options) {
    const std::unique_lock lock(Lock);
    // Without a recording the options wait for the next one.
    if (!File) {
        if (const std::string problem = options.Problem(); !problem.empty())
            return TStorageResult::Failure(problem);
        const std::lock_guard index(IndexLock);
        FOptions = options;
        return TStorageResult::Success();
    }
    const TStorageResult result = File->SetOptions(options);
    Reindex();
    return result;
}

TStorageResult TRecorder::ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const {
    const std::shared_lock lock(Lock);
    return File ? File->ReadFrame(index, frame) : TStorageResult::Failure("There is no recording.");
}

TStorageResult TRecorder::Truncate(std::int32_t lastKept) {
    const std::unique_lock lock(Lock);
    if (!File || lastKept >= File->FrameCount() - 1)
        return TStorageResult::Success();
    const TStorageResult result = File->Truncate(lastKept);
    Reindex();
    return result;
}

TStorageResult TRecorder::Begin(const TUniverse& universe) {
    const std::unique_lock lock(Lock);
    const TStorageResult result =
        File ? File->Begin(universe) : TStorageResult::Failure("No recording.");
    Active = result.Ok;
    Reindex();
    return result;
}

TStorageResult TRecorder::StepTaken(const TUniverse& universe) {
    const std::unique_lock lock(Lock);
    if (!Active || !File)
        return TStorageResult::Success();
    const TStorageResult result = File->StepTaken(universe);
    if (!result.Ok)
        Active = false;
    Reindex();
    return result;
}

void TRecorder::Stop() {
    const std::unique_lock lock(Lock);
    Active = false;
    if (File)
        File->Flush();
}

TStorageResult TRecorder::ReadKeyframe(std::int32_t index, std::unique_ptr<TUniverse>& state,
                                       std::int32_t& iteration) const {
    const std::shared_lock lock(Lock);
    if (!File || index >= File->FrameCount())
        return TStorageResult::Failure("The frame is no longer recorded.");
    const TStorageResult read = File->ReadKeyframe(index, state);
    if (read.Ok)
        iteration = File->FrameIteration(index);
    return read;
}

TStorageResult TRecorder::Save(const std::string& path, const TUniverse& universe,
                               const TSettings& settings, const TViewsRecord& views) const {
    // Shared: the copy only reads the recording, and nothing else writes it meanwhile (the
    // frames come from the engine thread, which is the one saving).
    const std::shared_lock lock(Lock);
    return SimulationFile::Save(path, universe, settings, views, File.get());
}
