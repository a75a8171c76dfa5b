#include "Storage/Recorder.h"

#include "Storage/SaveControl.h"
#include "Storage/SimulationFile.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <mutex>

TRecorder::TRecorder() = default;

TRecorder::~TRecorder() {
    // A change still queued is the user's: an erase or options for a file they named.
    const std::unique_lock lock(Lock);
    Settle();
}

void TRecorder::Settle(bool rebuild) {
    for (;;) {
        std::vector<TChange> changes;
        {
            const std::lock_guard index(IndexLock);
            changes.swap(Pending);
        }
        for (TChange& change : changes) {
            switch (change.Kind) {
            case TChange::TKind::Options:
                if (File)
                    File->SetOptions(change.NewOptions);
                break;
            case TChange::TKind::Erase:
                if (File)
                    File->Truncate(-1);
                break;
            case TChange::TKind::Replace:
                Active = false;
                File = std::move(change.Recording);
                rebuild = true;
                break;
            }
        }
        if (Reindex(rebuild))
            return;
    }
}

bool TRecorder::Reindex(bool rebuild) {
    const std::int32_t frames = File ? File->FrameCount() : 0;
    const std::lock_guard index(IndexLock);
    // The index shows the queued changes already; it follows the file once they are made.
    if (!Pending.empty())
        return false;
    if (rebuild)
        Iterations.clear();
    Present = File != nullptr;
    Particles = File ? File->ParticleCount() : 0;
    if (File)
        FOptions = File->Options();
    // Frames only come and go at the end: what is kept stays as it is.
    if (static_cast<std::size_t>(frames) < Iterations.size())
        Iterations.resize(static_cast<std::size_t>(frames));
    for (auto k = static_cast<std::int32_t>(Iterations.size()); k < frames; ++k)
        Iterations.push_back(File->FrameIteration(k));
    Frames.store(frames, std::memory_order_release);
    FileBytes.store(File ? File->SpaceUsed() : 0, std::memory_order_release);
    return true;
}

void TRecorder::Foresee(const TChange& change) {
    switch (change.Kind) {
    case TChange::TKind::Options:
        FOptions = change.NewOptions;
        return;
    case TChange::TKind::Erase:
        Iterations.clear();
        break;
    case TChange::TKind::Replace: {
        const TRecording* next = change.Recording.get();
        Present = next != nullptr;
        Particles = next ? next->ParticleCount() : 0;
        if (next)
            FOptions = next->Options();
        Iterations.clear();
        for (std::int32_t k = 0; next && k < next->FrameCount(); ++k)
            Iterations.push_back(next->FrameIteration(k));
        break;
    }
    }
    Frames.store(static_cast<std::int32_t>(Iterations.size()), std::memory_order_release);
}

const TRecording* TRecorder::Current() const {
    const std::lock_guard index(IndexLock);
    for (auto change = Pending.rbegin(); change != Pending.rend(); ++change)
        if (change->Kind == TChange::TKind::Replace)
            return change->Recording.get();
    return File.get();
}

void TRecorder::Replace(std::unique_ptr<TRecording> recording) {
    std::unique_ptr<TRecording> old;
    {
        const std::unique_lock lock(Lock, std::try_to_lock);
        if (lock.owns_lock()) {
            Settle(); // what was queued for the file replaced
            Active = false;
            File.swap(recording);
            Settle(true);
            old = std::move(recording);
        } else {
            TChange change{TChange::TKind::Replace, {}, std::move(recording)};
            const std::lock_guard index(IndexLock);
            Foresee(change);
            Pending.push_back(std::move(change));
        }
    }
    // old's file closes here, outside the lock.
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
    if (const std::string problem = options.Problem(); !problem.empty())
        return TStorageResult::Failure(problem);
    const std::unique_lock lock(Lock, std::try_to_lock);
    if (!lock.owns_lock()) {
        TChange change{TChange::TKind::Options, options, nullptr};
        const std::lock_guard index(IndexLock);
        Foresee(change);
        Pending.push_back(std::move(change));
        return TStorageResult::Success();
    }
    Settle();
    TStorageResult result = TStorageResult::Success();
    if (File) {
        result = File->SetOptions(options);
    } else {
        const std::lock_guard index(IndexLock);
        FOptions = options; // the next recording's
    }
    Settle();
    return result;
}

void TRecorder::Erase() {
    const std::unique_lock lock(Lock, std::try_to_lock);
    if (!lock.owns_lock()) {
        TChange change{TChange::TKind::Erase, {}, nullptr};
        const std::lock_guard index(IndexLock);
        Foresee(change);
        Pending.push_back(std::move(change));
        return;
    }
    Settle();
    if (File)
        File->Truncate(-1);
    Settle();
}

TStorageResult TRecorder::ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const {
    Readers.fetch_add(1);
    const struct TDone {
        std::atomic<int>& Count;
        ~TDone() { Count.fetch_sub(1); }
    } done{Readers};
    const std::shared_lock lock(Lock);
    // Frames an erase still queued will drop are gone already.
    if (index < 0 || index >= FrameCount())
        return TStorageResult::Failure("The frame is no longer recorded.");
    const TRecording* recording = Current();
    return recording ? recording->ReadFrame(index, frame)
                     : TStorageResult::Failure("There is no recording.");
}

TStorageResult TRecorder::Truncate(std::int32_t lastKept) {
    const std::unique_lock lock(Lock);
    Settle();
    if (!File || lastKept >= File->FrameCount() - 1)
        return TStorageResult::Success();
    const TStorageResult result = File->Truncate(lastKept);
    Settle();
    return result;
}

void TRecorder::SetRenewal(TRenewal renewal) {
    const std::unique_lock lock(Lock);
    Renewal = std::move(renewal);
}

TStorageResult TRecorder::Fit(const TUniverse& universe, bool& renewed) {
    renewed = false;
    if (!File || !Renewal || universe.LastIndex + 1 == File->ParticleCount())
        return TStorageResult::Success();
    std::unique_ptr<TRecording> next;
    TStorageResult made = Renewal(universe.LastIndex + 1, File->Options(), next);
    if (!made.Ok)
        return made;
    File = std::move(next);
    renewed = true;
    return made;
}

TStorageResult TRecorder::Begin(const TUniverse& universe, const TWindowRecord* window) {
    const std::unique_lock lock(Lock);
    Settle();
    bool renewed = false;
    TStorageResult result =
        File ? Fit(universe, renewed) : TStorageResult::Failure("No recording.");
    if (result.Ok)
        result = File->Begin(universe);
    // Scratch recordings go with the session: only a named file is opened again.
    if (result.Ok && window != nullptr && !File->IsTemporary())
        result = File->KeepSimulation(universe, window->Settings, window->Views);
    Active = result.Ok;
    Settle(renewed);
    return result;
}

TStorageResult TRecorder::StepTaken(const TUniverse& universe, bool running) {
    const std::unique_lock lock(Lock);
    Settle();
    if (!Active || !File)
        return TStorageResult::Success();
    // A new universe of another size goes on in a recording of its own, from a keyframe.
    bool renewed = false;
    TStorageResult result = Fit(universe, renewed);
    if (result.Ok)
        result = renewed ? File->Begin(universe) : File->StepTaken(universe, running);
    if (!result.Ok)
        Active = false;
    Settle(renewed);
    return result;
}

TStorageResult TRecorder::Stop(const TUniverse* universe, const TWindowRecord* window) {
    const std::unique_lock lock(Lock);
    Settle();
    TStorageResult result = TStorageResult::Success();
    // Not active: the recording was replaced since it began, and this one never recorded.
    if (Active && File && universe != nullptr && window != nullptr && !File->IsTemporary())
        result = File->KeepSimulation(*universe, window->Settings, window->Views);
    Active = false;
    // A named file is left finished until recording goes on, so that it opens as it is.
    if (File && !File->IsTemporary())
        File->Finish();
    else if (File)
        File->Flush();
    Settle();
    return result;
}

TStorageResult TRecorder::ReadKeyframe(std::int32_t index, std::unique_ptr<TUniverse>& state,
                                       std::int32_t& iteration) {
    {
        const std::unique_lock lock(Lock);
        Settle();
    }
    const std::shared_lock lock(Lock);
    const TRecording* recording = Current();
    if (!recording || index >= recording->FrameCount())
        return TStorageResult::Failure("The frame is no longer recorded.");
    const TStorageResult read = recording->ReadKeyframe(index, state);
    if (read.Ok)
        iteration = recording->FrameIteration(index);
    return read;
}

TStorageResult TRecorder::Save(const std::string& path, const TUniverse& universe,
                               const TSettings& settings, const TViewsRecord& views,
                               TSaveControl* control) {
    // What the window changed before the save began is saved with it.
    {
        const std::unique_lock lock(Lock);
        Settle();
    }
    TStorageResult result = TStorageResult::Success();
    {
        // Shared: the copy only reads the recording. Nothing writes it meanwhile: the frames
        // come from the engine thread, which is the one saving, and what the window changes
        // waits in the queue.
        const std::shared_lock lock(Lock);
        TSaveControl own;
        TSaveControl& used = control != nullptr ? *control : own;
        used.Readers = &Readers;
        result = SimulationFile::Save(path, universe, settings, views, File.get(), &used);
    }
    const std::unique_lock lock(Lock);
    Settle();
    return result;
}
