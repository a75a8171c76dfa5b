#pragma once

#include "universe/GravityMethod.h"
#include "universe/SettingsFormulas.h"
#include "universe/StepControl.h"
#include "universe/UniverseSnapshot.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class TUniverse;
class TSnapshotPool;

/// Owns the universe and does all of the engine's work on a thread of its own, so that the
/// caller's thread never waits for a step or a build.
///
/// Commands are queued and applied between steps in the order given; a step never sees a
/// half-applied change. A new build, a processing setting and processing off cancel the
/// step that is running (the step is then taken again, or not, as the commands that
/// follow decide); a cancelled step leaves no trace, so the universe goes through exactly
/// the states that direct TUniverse::Step calls with the same commands in between give.
/// Every completed step and every build publishes a snapshot.
///
/// All public operations may be called from any thread; none waits for engine work.
class TSimulationRunner {
public:
    enum class TWork : std::uint8_t { Idle, Building, Stepping, Restoring };

    /// What the engine thread is doing, for a progress display.
    struct TProgress {
        TWork Work = TWork::Idle;
        std::int64_t RowsDone = 0;
        std::int64_t Rows = 0;
        std::int32_t Iteration = 0; // the step being taken, for a step
        // For work made of several steps (restoring): how many are done, of how many.
        std::int32_t StepsDone = 0;
        std::int32_t Steps = 0;
        std::chrono::steady_clock::time_point Since{};
    };

    /// Starts the engine thread. Published, when given, is called on the engine thread after
    /// each publication; it must return promptly and not call back into the runner's waits.
    explicit TSimulationRunner(std::function<void()> Published = {});
    /// Cancels the work in progress and ends the engine thread.
    ~TSimulationRunner();
    TSimulationRunner(const TSimulationRunner&) = delete;
    TSimulationRunner& operator=(const TSimulationRunner&) = delete;

    // The processing settings, as the universe's setters take them.
    void SetMaxSeparation(std::int32_t Value);
    void SetLocalitySize(std::int32_t Value);
    void SetMatrixResolution(std::int32_t Value);
    void SetRedoFrequency(std::int32_t Value);
    void SetGravityMethod(TGravityMethod Value);
    void SetOpeningAngle(double Value);

    /// Builds a universe from the settings; cancels a running step or build first. A
    /// build that fails publishes an empty snapshot marked Failed.
    void BuildUniverse(const TUniverseSettings& Settings,
                       std::optional<std::uint64_t> Seed = std::nullopt);
    /// Steps run back to back while processing is on, once a universe has been built.
    /// Processing off cancels the running step.
    void SetProcessing(bool Value);
    /// One step, when processing is off.
    void StepOnce();
    /// Processing off, the running step cancelled and a step asked for forgotten. A build
    /// goes on: stopping it would throw the universe away.
    void Stop();
    /// Runs Job on the engine thread between steps, in its turn among the commands.
    void Run(std::function<void(TUniverse&)> Job);
    /// Like a build, but Job gives the universe its new state (from a file, a recorded
    /// frame): cancels the running step and build, and publishes the result as a new build,
    /// Built when Job returns true and Failed (no particles) when it returns false.
    void Replace(std::function<bool(TUniverse&)> Job);
    /// How a restoring job ended: with the universe replaced; having left it as it was
    /// (cancelled, or refused before touching it); or having changed it part way.
    enum class TRestored : std::uint8_t { Done, Untouched, Failed };
    /// What a restoring job is given on the engine thread: the control for the steps it
    /// takes (it checks Cancel and fills in Rows and RowsDone for each), and the count of
    /// its steps for the progress display.
    struct TRestoreWork {
        TStepControl& Control;
        std::atomic<std::int32_t>& StepsDone;
        std::atomic<std::int32_t>& Steps;
    };
    /// Like Replace, for a new state that takes long to work out (a recorded frame, from
    /// its keyframe stepped forward). Stop, processing off, a build and another replace
    /// cancel it, even before it starts: the job is always run, and must check Cancel and
    /// then leave the universe as it found it. Done publishes
    /// the result as a new build, Failed as a failed one (no particles), Untouched nothing.
    void Restore(std::function<TRestored(TUniverse&, TRestoreWork&)> Job);
    /// Observer, when set, sees the universe on the engine thread after every completed
    /// step, before the step's snapshot is published (a recorder takes its frames there).
    /// It must not call the runner's waits. Applies in its turn among the commands. Its
    /// second argument tells a step of the processing loop from a single step.
    using TStepObserver = std::function<void(const TUniverse&, bool running)>;
    void SetStepObserver(TStepObserver Observer);

    /// With Value, every snapshot from here on carries the velocities too (for energies),
    /// and one is published at once so that the present state has them; without, they are
    /// left out again. Applies in its turn among the commands.
    void SetSnapshotVelocities(bool Value);

    /// The least time from the start of one step to the start of the next; applies at once.
    void SetStepInterval(std::chrono::nanoseconds Interval);
    static constexpr std::chrono::nanoseconds LeastStepInterval = std::chrono::milliseconds(1);
    /// The pace of a universe without particles, whatever was asked: its steps cost nothing,
    /// so at any faster pace publishing them would be all the engine does.
    static constexpr std::chrono::nanoseconds EmptyStepInterval = std::chrono::milliseconds(100);

    /// The newest snapshot; null before the first publication.
    std::shared_ptr<const TUniverseSnapshot> Latest() const;
    TProgress Progress() const;

    /// Waits until nothing is queued, running or due (processing off, no step asked for);
    /// false on timeout. For tests and for an orderly end.
    bool WaitUntilIdle(std::chrono::milliseconds Timeout);
    /// Waits until every command sent so far has been carried out (a build included); steps
    /// may go on. False on timeout.
    bool WaitUntilApplied(std::chrono::milliseconds Timeout);
    /// Waits for a snapshot newer than Serial; null on timeout.
    std::shared_ptr<const TUniverseSnapshot>
    WaitForSnapshotAfter(std::uint64_t Serial, std::chrono::milliseconds Timeout);

private:
    struct TCommand {
        enum class TKind : std::uint8_t {
            MaxSeparation,
            LocalitySize,
            MatrixResolution,
            RedoFrequency,
            GravityMethod,
            OpeningAngle,
            Build,
            Processing,
            StepOnce,
            Stop,
            Run,
            Replace,
            Restore,
            SnapshotVelocities
        };
        TKind Kind = TKind::Run;
        std::int32_t Value = 0;
        double Real = 0; // the opening angle
        TUniverseSettings Settings{};
        std::optional<std::uint64_t> Seed;
        std::function<void(TUniverse&)> Job;
        std::function<bool(TUniverse&)> Replacer;
        std::function<TRestored(TUniverse&, TRestoreWork&)> Restorer;
    };

    // What a command cancels when it arrives during other work.
    enum TCancels : std::uint8_t {
        CancelsNothing = 0,
        CancelsStep = 1,
        CancelsBuild = 2,
        CancelsRestore = 4
    };

    static TCommand Command(TCommand::TKind Kind, std::int32_t Value = 0);
    void Send(TCommand Command, std::uint8_t Cancels);
    void Loop();
    void Apply(TCommand& Command, std::unique_lock<std::mutex>& Lock);
    void TakeStep(std::unique_lock<std::mutex>& Lock, bool Once);
    void Build(const TCommand& Command, std::unique_lock<std::mutex>& Lock);
    void Restore(TCommand& Command, std::unique_lock<std::mutex>& Lock);
    void Publish(TUniverseSnapshot::TBuild Outcome, bool FromStep);
    bool IdleLocked() const;

    std::unique_ptr<TUniverse> Universe; // touched by the engine thread only
    std::shared_ptr<TSnapshotPool> Pool;
    std::function<void()> Published;
    TStepControl Control;
    std::atomic<std::int32_t> RestoreStepsDone{0};
    std::atomic<std::int32_t> RestoreSteps{0};

    mutable std::mutex Mutex;
    std::condition_variable Wake;    // the engine: a command, a due step, the end
    std::condition_variable Settled; // waiters: a publication or the engine idle
    // Guarded by Mutex.
    std::deque<TCommand> Queue;
    bool Ending = false;
    bool Applying = false; // a command taken from the queue is being carried out
    bool Processing = false;
    bool StepAsked = false;
    bool EverBuilt = false; // no step before the first build
    TWork Work = TWork::Idle;
    std::int32_t WorkIteration = 0;
    std::chrono::steady_clock::time_point WorkSince{};
    std::chrono::nanoseconds StepInterval = LeastStepInterval;
    std::chrono::steady_clock::time_point NextStepAt{};
    std::shared_ptr<const TUniverseSnapshot> Newest;
    // Engine thread only.
    std::uint64_t Serial = 0;
    std::uint64_t BuildCount = 0;
    TStepObserver StepObserver;
    bool SnapshotVelocities = false;
    // Carried by every snapshot, so that a reader who skipped the build's own still learns.
    TUniverseSnapshot::TBuild LastBuild = TUniverseSnapshot::TBuild::Built;

    std::thread Engine; // last: starts once everything above exists
};
