#include "universe/SimulationRunner.h"

#include "universe/SnapshotPool.h"
#include "universe/Universe.h"

#include <algorithm>
#include <new>
#include <utility>

using TClock = std::chrono::steady_clock;

TSimulationRunner::TSimulationRunner(std::function<void()> published)
    : Universe(std::make_unique<TUniverse>()), Pool(TSnapshotPool::Create()),
      Published(std::move(published)), Engine([this] { Loop(); }) {}

TSimulationRunner::~TSimulationRunner() {
    {
        const std::lock_guard lock(Mutex);
        Ending = true;
        Control.Cancel.store(true);
    }
    Wake.notify_all();
    Engine.join();
}

// ---- Commands ----

TSimulationRunner::TCommand TSimulationRunner::Command(TCommand::TKind kind, std::int32_t value) {
    TCommand command;
    command.Kind = kind;
    command.Value = value;
    return command;
}

void TSimulationRunner::Send(TCommand command, std::uint8_t cancels) {
    {
        const std::lock_guard lock(Mutex);
        // A step or build begins only with the queue empty, under this lock: whatever is
        // queued from here on finds Work set and can stop it. A restore is itself a queued
        // command, begun under this lock too.
        if (((cancels & CancelsStep) != 0 && Work == TWork::Stepping) ||
            ((cancels & CancelsBuild) != 0 && Work == TWork::Building) ||
            ((cancels & CancelsRestore) != 0 && Work == TWork::Restoring))
            Control.Cancel.store(true);
        Queue.push_back(std::move(command));
    }
    Wake.notify_all();
}

void TSimulationRunner::SetMaxSeparation(std::int32_t value) {
    Send(Command(TCommand::TKind::MaxSeparation, value), CancelsStep);
}
void TSimulationRunner::SetLocalitySize(std::int32_t value) {
    Send(Command(TCommand::TKind::LocalitySize, value), CancelsStep);
}
void TSimulationRunner::SetMatrixResolution(std::int32_t value) {
    Send(Command(TCommand::TKind::MatrixResolution, value), CancelsStep);
}
void TSimulationRunner::SetRedoFrequency(std::int32_t value) {
    Send(Command(TCommand::TKind::RedoFrequency, value), CancelsStep);
}
void TSimulationRunner::SetGravityMethod(TGravityMethod value) {
    Send(Command(TCommand::TKind::GravityMethod, value), CancelsStep);
}
void TSimulationRunner::SetOpeningAngle(double value) {
    TCommand command = Command(TCommand::TKind::OpeningAngle);
    command.Real = value;
    Send(std::move(command), CancelsStep);
}

void TSimulationRunner::BuildUniverse(const TUniverseSettings& settings,
                                      std::optional<std::uint64_t> seed) {
    TCommand command = Command(TCommand::TKind::Build);
    command.Settings = settings;
    command.Seed = seed;
    Send(std::move(command), CancelsStep | CancelsBuild | CancelsRestore);
}

void TSimulationRunner::SetProcessing(bool value) {
    Send(Command(TCommand::TKind::Processing, value ? 1 : 0),
         value ? CancelsNothing : CancelsStep | CancelsRestore);
}

void TSimulationRunner::StepOnce() {
    Send(Command(TCommand::TKind::StepOnce), CancelsNothing);
}

void TSimulationRunner::Stop() {
    Send(Command(TCommand::TKind::Stop), CancelsStep | CancelsRestore);
}

void TSimulationRunner::Run(std::function<void(TUniverse&)> job) {
    TCommand command = Command(TCommand::TKind::Run);
    command.Job = std::move(job);
    Send(std::move(command), CancelsNothing);
}

void TSimulationRunner::Replace(std::function<bool(TUniverse&)> job) {
    TCommand command = Command(TCommand::TKind::Replace);
    command.Replacer = std::move(job);
    Send(std::move(command), CancelsStep | CancelsBuild | CancelsRestore);
}

void TSimulationRunner::Restore(std::function<TRestored(TUniverse&, TRestoreWork&)> job) {
    TCommand command = Command(TCommand::TKind::Restore);
    command.Restorer = std::move(job);
    Send(std::move(command), CancelsStep | CancelsBuild | CancelsRestore);
}

void TSimulationRunner::SetStepObserver(TStepObserver observer) {
    Run([this, observer = std::move(observer)](TUniverse&) mutable {
        StepObserver = std::move(observer);
    });
}

void TSimulationRunner::SetSnapshotVelocities(bool value) {
    Send(Command(TCommand::TKind::SnapshotVelocities, value ? 1 : 0), CancelsNothing);
}

void TSimulationRunner::SetStepInterval(std::chrono::nanoseconds interval) {
    {
        const std::lock_guard lock(Mutex);
        StepInterval = interval < LeastStepInterval ? LeastStepInterval : interval;
        // A slower pace than before must not wait out the old, longer wait; a faster one
        // applies from the next step on.
        NextStepAt = TClock::time_point{};
    }
    Wake.notify_all();
}

// ---- Results ----

std::shared_ptr<const TUniverseSnapshot> TSimulationRunner::Latest() const {
    const std::lock_guard lock(Mutex);
    return Newest;
}

TSimulationRunner::TProgress TSimulationRunner::Progress() const {
    TProgress progress;
    {
        const std::lock_guard lock(Mutex);
        progress.Work = Work;
        progress.Iteration = WorkIteration;
        progress.Since = WorkSince;
    }
    progress.StepsDone = RestoreStepsDone.load(std::memory_order_relaxed);
    progress.Steps = RestoreSteps.load(std::memory_order_relaxed);
    progress.RowsDone = Control.RowsDone.load(std::memory_order_relaxed);
    progress.Rows = Control.Rows.load(std::memory_order_relaxed);
    return progress;
}

bool TSimulationRunner::IdleLocked() const {
    return Queue.empty() && !Applying && Work == TWork::Idle &&
           !(EverBuilt && (Processing || StepAsked));
}

bool TSimulationRunner::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(Mutex);
    return Settled.wait_for(lock, timeout, [this] { return IdleLocked(); });
}

bool TSimulationRunner::WaitUntilApplied(std::chrono::milliseconds timeout) {
    std::unique_lock lock(Mutex);
    return Settled.wait_for(lock, timeout, [this] { return Queue.empty() && !Applying; });
}

std::shared_ptr<const TUniverseSnapshot>
TSimulationRunner::WaitForSnapshotAfter(std::uint64_t serial, std::chrono::milliseconds timeout) {
    std::unique_lock lock(Mutex);
    if (!Settled.wait_for(lock, timeout, [&] { return Newest && Newest->Serial > serial; }))
        return nullptr;
    return Newest;
}

// ---- The engine thread ----

void TSimulationRunner::Loop() {
    std::unique_lock lock(Mutex);
    while (!Ending) {
        if (!Queue.empty()) {
            TCommand command = std::move(Queue.front());
            Queue.pop_front();
            Applying = true;
            Apply(command, lock);
            Applying = false;
            Settled.notify_all();
            continue;
        }
        if (!EverBuilt || !(Processing || StepAsked)) {
            Settled.notify_all();
            Wake.wait(lock);
            continue;
        }
        const TClock::time_point now = TClock::now();
        if (now < NextStepAt) {
            Wake.wait_until(lock, NextStepAt);
            continue;
        }
        NextStepAt = now + (Universe->LastIndex < 0 ? std::max(StepInterval, EmptyStepInterval)
                                                    : StepInterval);
        TakeStep(lock, false);
    }
    Work = TWork::Idle;
    Settled.notify_all();
}

void TSimulationRunner::Apply(TCommand& command, std::unique_lock<std::mutex>& lock) {
    using TKind = TCommand::TKind;
    switch (command.Kind) {
    case TKind::MaxSeparation:
        Universe->SetMaxSeparation(command.Value);
        break;
    case TKind::LocalitySize:
        Universe->SetLocalitySize(command.Value);
        break;
    case TKind::MatrixResolution:
        Universe->SetMatrixResolution(command.Value);
        break;
    case TKind::RedoFrequency:
        Universe->SetRedoFrequency(command.Value);
        break;
    case TKind::GravityMethod:
        Universe->SetGravityMethod(static_cast<TGravityMethod>(command.Value));
        break;
    case TKind::OpeningAngle:
        Universe->SetOpeningAngle(command.Real);
        break;
    case TKind::Processing:
        Processing = command.Value != 0;
        if (!Processing)
            StepAsked = false;
        break;
    case TKind::StepOnce:
        // Taken in its turn, so that what is queued after it sees its result. A step that a
        // later command cancels stays asked for and is taken once the queue is empty.
        if (!Processing && EverBuilt)
            TakeStep(lock, true);
        break;
    case TKind::Stop:
        Processing = false;
        StepAsked = false;
        break;
    case TKind::Build:
        Build(command, lock);
        break;
    case TKind::Run:
        lock.unlock();
        command.Job(*Universe);
        lock.lock();
        break;
    case TKind::Replace: {
        StepAsked = false;
        lock.unlock();
        const bool replaced = command.Replacer(*Universe);
        if (!replaced)
            Universe->ReleaseParticles();
        ++BuildCount;
        LastBuild = replaced ? TUniverseSnapshot::TBuild::Built : TUniverseSnapshot::TBuild::Failed;
        Publish(LastBuild, false);
        lock.lock();
        EverBuilt = true;
        break;
    }
    case TKind::Restore:
        Restore(command, lock);
        break;
    case TKind::SnapshotVelocities:
        SnapshotVelocities = command.Value != 0;
        // The state shown when the reader asked is the first it wants them for.
        if (SnapshotVelocities && EverBuilt) {
            lock.unlock();
            Publish(LastBuild, false);
            lock.lock();
        }
        break;
    }
}

void TSimulationRunner::Restore(TCommand& command, std::unique_lock<std::mutex>& lock) {
    // Begun under the lock with the queue as it stands: a cancelling command sent from here
    // on finds Work set.
    Control.Restart();
    RestoreStepsDone.store(0, std::memory_order_relaxed);
    RestoreSteps.store(0, std::memory_order_relaxed);
    Work = TWork::Restoring;
    WorkIteration = 0;
    WorkSince = TClock::now();
    StepAsked = false;
    // A cancelling command already queued behind this one cancels it before it starts.
    for (const TCommand& queued : Queue)
        if (queued.Kind == TCommand::TKind::Stop || queued.Kind == TCommand::TKind::Build ||
            queued.Kind == TCommand::TKind::Replace || queued.Kind == TCommand::TKind::Restore ||
            (queued.Kind == TCommand::TKind::Processing && queued.Value == 0))
            Control.Cancel.store(true);
    lock.unlock();

    TRestoreWork work{Control, RestoreStepsDone, RestoreSteps};
    // Run even when already cancelled: the job is how its sender hears that it ended.
    const TRestored outcome = command.Restorer(*Universe, work);
    if (outcome != TRestored::Untouched) {
        if (outcome == TRestored::Failed)
            Universe->ReleaseParticles();
        ++BuildCount;
        LastBuild = outcome == TRestored::Done ? TUniverseSnapshot::TBuild::Built
                                               : TUniverseSnapshot::TBuild::Failed;
        Publish(LastBuild, false);
    }

    lock.lock();
    Work = TWork::Idle;
    RestoreSteps.store(0, std::memory_order_relaxed);
    RestoreStepsDone.store(0, std::memory_order_relaxed);
    if (outcome != TRestored::Untouched)
        EverBuilt = true;
}

void TSimulationRunner::TakeStep(std::unique_lock<std::mutex>& lock, bool once) {
    Control.Restart();
    Work = TWork::Stepping;
    WorkIteration = Universe->IterationCount + 1;
    WorkSince = TClock::now();
    lock.unlock();

    const bool taken = Universe->Step(0, Universe->LastIndex, &Control);
    if (taken) {
        if (StepObserver)
            StepObserver(*Universe, !once);
        Publish(LastBuild, true);
    }

    lock.lock();
    Work = TWork::Idle;
    if (once)
        StepAsked = !taken;
    else if (taken)
        StepAsked = false;
}

void TSimulationRunner::Build(const TCommand& command, std::unique_lock<std::mutex>& lock) {
    Control.Restart();
    Work = TWork::Building;
    WorkIteration = 0;
    WorkSince = TClock::now();
    StepAsked = false;
    lock.unlock();

    const bool built =
        SettingsFormulas::BuildUniverse(*Universe, command.Settings, command.Seed, &Control);
    const bool cancelled = !built && Control.Cancel.load();
    ++BuildCount;
    LastBuild = built       ? TUniverseSnapshot::TBuild::Built
                : cancelled ? TUniverseSnapshot::TBuild::Cancelled
                            : TUniverseSnapshot::TBuild::Failed;
    Publish(LastBuild, false);

    lock.lock();
    Work = TWork::Idle;
    EverBuilt = true;
}

void TSimulationRunner::Publish(TUniverseSnapshot::TBuild outcome, bool fromStep) {
    std::shared_ptr<const TUniverseSnapshot> shared;
    try {
        std::unique_ptr<TUniverseSnapshot> snapshot = Pool->Take();
        snapshot->CopyFrom(*Universe, SnapshotVelocities);
        snapshot->Serial = ++Serial;
        snapshot->BuildCount = BuildCount;
        snapshot->Build = outcome;
        snapshot->FromStep = fromStep;
        shared = Pool->Share(std::move(snapshot));
    } catch (const std::bad_alloc&) {
        // Without room for a copy the readers keep the last one; the engine goes on.
        return;
    }
    {
        const std::lock_guard guard(Mutex);
        std::swap(Newest, shared);
    }
    Settled.notify_all();
    if (Published)
        Published();
    // shared, now the previous snapshot, goes home here, outside the lock.
}
