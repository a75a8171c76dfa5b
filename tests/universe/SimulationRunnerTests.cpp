// The runner against direct stepping, its command order, and how promptly it stops.
#include "UniverseBits.h"

#include "universe/SettingsFormulas.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto Patience = 60s; // for work that must end, however slow the build under test

TUniverseSettings Settings(std::int32_t number) {
    TUniverseSettings s;
    s.Number = number;
    s.RedoFrequency = 3;
    s.MatrixResolution = 30;
    s.LocalitySize = 3;
    s.MaxSeparation = 40;
    return s;
}

// What the engine thread saw at one point of the command sequence.
struct TMark {
    std::int32_t Iteration;
    std::int32_t LocalitySize;
    std::int32_t RedoFrequency;
    TUniverseBits Bits;
};

// Records, on the engine thread, the universe as the commands so far have left it.
void Mark(TSimulationRunner& runner, std::mutex& m, std::vector<TMark>& marks) {
    runner.Run([&](TUniverse& u) {
        TMark mark{u.IterationCount, u.LocalitySize, u.RedoFrequency, TUniverseBits::Of(u)};
        const std::lock_guard lock(m);
        marks.push_back(std::move(mark));
    });
}

// Makes the runner's universe large enough that a full step takes a good while, without
// the cost of seeding it: random particles in a ball, every step a full one.
void MakeSlow(TSimulationRunner& runner, std::int32_t count) {
    runner.Run([count](TUniverse& u) {
        ASSERT_TRUE(u.Allocate(count));
        u.SeedRandom(3);
        u.SetRedoFrequency(1);
        TUniformRandom random(9);
        for (std::int32_t i = 0; i < count; ++i) {
            TParticle& p = u.Particles[i];
            p = TParticle{};
            p.X = random.RandomReal() * 100;
            p.Y = random.RandomReal() * 100;
            p.Z = random.RandomReal() * 100;
            p.Heat = 0.2;
        }
    });
}

bool WaitForStep(TSimulationRunner& runner) {
    const auto until = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < until) {
        const TSimulationRunner::TProgress p = runner.Progress();
        if (p.Work == TSimulationRunner::TWork::Stepping && p.RowsDone > 0)
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

} // namespace

TEST(SimulationRunner, FollowsDirectStepsWithCommandsAndCancellationsMixedIn) {
    TSimulationRunner runner;
    std::mutex m;
    std::vector<TMark> marks;
    runner.BuildUniverse(Settings(40), 21);
    Mark(runner, m, marks);
    for (int k = 0; k < 3; ++k)
        runner.StepOnce();
    runner.SetLocalitySize(1);
    Mark(runner, m, marks);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::uint64_t before = runner.Latest()->Serial;
    runner.SetProcessing(true);
    ASSERT_NE(runner.WaitForSnapshotAfter(before + 2, Patience), nullptr);
    runner.SetRedoFrequency(2); // lands between two steps, or cancels one and it is redone
    Mark(runner, m, marks);
    std::this_thread::sleep_for(20ms);
    runner.SetProcessing(false); // cancels the step under way, if any
    Mark(runner, m, marks);
    runner.StepOnce();
    runner.SetLocalitySize(4); // may cancel the step just asked for; it is taken after
    Mark(runner, m, marks);
    runner.StepOnce();
    runner.SetProcessing(false); // forgets the step asked for, or cancels it
    Mark(runner, m, marks);
    runner.StepOnce();
    runner.StepOnce();
    Mark(runner, m, marks);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));

    std::vector<TMark> seen;
    {
        const std::lock_guard lock(m);
        seen = std::move(marks);
    }
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[1].Iteration, seen[0].Iteration + 3);
    EXPECT_GE(seen[2].Iteration, seen[1].Iteration + 3); // processing took steps
    EXPECT_EQ(seen[1].LocalitySize, 1);
    EXPECT_EQ(seen[4].LocalitySize, 4);
    EXPECT_EQ(seen[2].RedoFrequency, 2);

    // The same commands, given directly at the iterations the engine applied them.
    TUniverse direct;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(direct, Settings(40), 21));
    for (std::size_t k = 0; k < seen.size(); ++k) {
        while (direct.IterationCount < seen[k].Iteration)
            ASSERT_TRUE(direct.Step(0, direct.LastIndex));
        direct.SetLocalitySize(seen[k].LocalitySize);
        direct.SetRedoFrequency(seen[k].RedoFrequency);
        EXPECT_TRUE(SameBits(direct, seen[k].Bits)) << "at mark " << k;
    }
    EXPECT_EQ(seen[6].Iteration, seen[5].Iteration + 2);
}

TEST(SimulationRunner, CommandsQueuedDuringAStepApplyInOrderBeforeTheNextStep) {
    TSimulationRunner runner;
    std::mutex m;
    std::vector<TMark> marks;
    runner.BuildUniverse(Settings(30), 1);
    MakeSlow(runner, 20000);
    Mark(runner, m, marks);
    runner.SetProcessing(true);
    ASSERT_TRUE(WaitForStep(runner));
    runner.SetLocalitySize(5);
    Mark(runner, m, marks);
    runner.SetLocalitySize(6);
    runner.SetRedoFrequency(9);
    Mark(runner, m, marks);
    runner.SetProcessing(false);
    Mark(runner, m, marks);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));

    const std::lock_guard lock(m);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[1].LocalitySize, 5);
    EXPECT_EQ(marks[2].LocalitySize, 6);
    EXPECT_EQ(marks[2].RedoFrequency, 9);
    // The step under way was cancelled by the first setting and not taken again, as
    // processing went off before the queue ran dry.
    EXPECT_EQ(marks[1].Iteration, marks[0].Iteration);
    EXPECT_EQ(marks[3].Iteration, marks[0].Iteration);
    EXPECT_TRUE(SameBits(marks[3].Bits, marks[0].Bits));
}

TEST(SimulationRunner, ProcessingOffStopsAStepPromptlyAndLeavesItUntaken) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(30), 1);
    MakeSlow(runner, 60000);
    std::int32_t before = -1;
    runner.Run([&](TUniverse& u) { before = u.IterationCount; });
    runner.SetProcessing(true);
    ASSERT_TRUE(WaitForStep(runner));
    const auto asked = std::chrono::steady_clock::now();
    runner.SetProcessing(false);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    // A whole step here is 1.8e9 pairs, seconds even on a fast machine; a cancel is
    // honoured within one group of rows.
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    std::int32_t iteration = -1;
    runner.Run([&](TUniverse& u) { iteration = u.IterationCount; });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    EXPECT_EQ(iteration, before);
}

TEST(SimulationRunner, EndsPromptlyDuringAStepAndDuringABuild) {
    {
        auto runner = std::make_unique<TSimulationRunner>();
        runner->BuildUniverse(Settings(30), 1);
        MakeSlow(*runner, 60000);
        runner->SetProcessing(true);
        ASSERT_TRUE(WaitForStep(*runner));
        const auto asked = std::chrono::steady_clock::now();
        runner.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    }
    {
        auto runner = std::make_unique<TSimulationRunner>();
        runner->BuildUniverse(Settings(134), 1); // 60,500 particles
        const auto until = std::chrono::steady_clock::now() + Patience;
        while (runner->Progress().RowsDone == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(runner->Progress().Work, TSimulationRunner::TWork::Building);
        const auto asked = std::chrono::steady_clock::now();
        runner.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    }
}

TEST(SimulationRunner, ANewBuildCancelsTheOneUnderWayWhichLeavesNoParticles) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(134), 1);
    const auto until = std::chrono::steady_clock::now() + Patience;
    while (runner.Progress().RowsDone == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    runner.BuildUniverse(Settings(30), 2);
    std::shared_ptr<const TUniverseSnapshot> first = runner.WaitForSnapshotAfter(0, Patience);
    ASSERT_NE(first, nullptr);
    if (first->BuildCount == 1) { // unless the snapshot of the second came first
        EXPECT_EQ(first->Build, TUniverseSnapshot::TBuild::Cancelled);
        EXPECT_FALSE(first->HasParticles());
        EXPECT_EQ(first->PairLast, -1);
    }
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    std::shared_ptr<const TUniverseSnapshot> second = runner.Latest();
    EXPECT_EQ(second->BuildCount, 2u);
    EXPECT_EQ(second->Build, TUniverseSnapshot::TBuild::Built);
    EXPECT_EQ(second->LastIndex(), 179);
}

TEST(SimulationRunner, ZeroParticleBuildFailsAndStepsStillCount) {
    TSimulationRunner runner;
    TUniverseSettings settings = Settings(0);
    runner.BuildUniverse(settings);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    std::shared_ptr<const TUniverseSnapshot> failed = runner.Latest();
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->Build, TUniverseSnapshot::TBuild::Failed);
    EXPECT_FALSE(failed->HasParticles());
    EXPECT_EQ(failed->LastIndex(), -1);
    // A universe whose creation failed still counts steps over its empty range.
    runner.StepOnce();
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    std::shared_ptr<const TUniverseSnapshot> stepped = runner.Latest();
    EXPECT_EQ(stepped->Serial, failed->Serial + 1);
    EXPECT_EQ(stepped->IterationCount, failed->IterationCount + 1);
    EXPECT_EQ(stepped->BuildCount, failed->BuildCount);

    // Processing at the fastest pace does not spin over nothing: an empty universe steps
    // at a pace of its own.
    runner.SetProcessing(true);
    std::this_thread::sleep_for(450ms);
    runner.SetProcessing(false);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::int32_t steps = runner.Latest()->IterationCount - stepped->IterationCount;
    EXPECT_GE(steps, 1);
    EXPECT_LE(steps, 450ms / TSimulationRunner::EmptyStepInterval + 1);
}

TEST(SimulationRunner, NoStepBeforeTheFirstBuild) {
    TSimulationRunner runner;
    runner.SetProcessing(true);
    runner.StepOnce();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(runner.Latest(), nullptr);
    EXPECT_EQ(runner.Progress().Work, TSimulationRunner::TWork::Idle);
}

TEST(SimulationRunner, SnapshotHoldsWhatTheUniverseHeld) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(36), 4);
    runner.StepOnce();
    TUniverseBits bits;
    double space = 0;
    runner.Run([&](TUniverse& u) {
        bits = TUniverseBits::Of(u);
        space = u.Space;
    });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    std::shared_ptr<const TUniverseSnapshot> s = runner.Latest();
    ASSERT_EQ(s->LastIndex(), bits.LastIndex);
    EXPECT_EQ(s->IterationCount, bits.IterationCount);
    EXPECT_EQ(s->Optimisation, bits.Optimisation);
    EXPECT_EQ(s->Space, space);
    EXPECT_GE(s->PairLast, 0); // this universe has close pairs
    ASSERT_EQ(s->PairLast, bits.PairLast);
    ASSERT_EQ(s->Pairs.size(), static_cast<std::size_t>(s->PairLast + 1));
    for (std::int32_t k = 0; k <= s->PairLast; ++k) {
        EXPECT_EQ(s->Pairs[k].Upper, bits.Pairs[k].Upper);
        EXPECT_EQ(s->Pairs[k].Lower, bits.Pairs[k].Lower);
    }
    for (std::int32_t i = 0; i <= s->LastIndex(); ++i) {
        const TParticle& p = bits.Particles[static_cast<std::size_t>(i)];
        const TUniverseSnapshot::TPoint& q = s->Particles[static_cast<std::size_t>(i)];
        ASSERT_TRUE(SameDouble(p.X, q.X) && SameDouble(p.Y, q.Y) && SameDouble(p.Z, q.Z) &&
                    SameDouble(p.Heat, q.Heat))
            << "particle " << i;
    }
}

TEST(SimulationRunner, HeldSnapshotsStayUnchangedWhileTheEngineGoesOn) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(32), 6);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    std::shared_ptr<const TUniverseSnapshot> held = runner.Latest();
    const std::vector<TUniverseSnapshot::TPoint> copy = held->Particles;
    const std::int32_t iteration = held->IterationCount;
    runner.SetProcessing(true);
    std::shared_ptr<const TUniverseSnapshot> later = held;
    for (int k = 0; k < 20; ++k) {
        later = runner.WaitForSnapshotAfter(later->Serial, Patience);
        ASSERT_NE(later, nullptr);
    }
    runner.SetProcessing(false);
    EXPECT_GT(later->IterationCount, iteration);
    EXPECT_EQ(held->IterationCount, iteration);
    ASSERT_EQ(held->Particles.size(), copy.size());
    for (std::size_t i = 0; i < copy.size(); ++i)
        ASSERT_TRUE(SameDouble(held->Particles[i].X, copy[i].X)) << "particle " << i;
}

TEST(SimulationRunner, ASlowPaceSpacesTheSteps) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(20), 2);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::int32_t start = runner.Latest()->IterationCount;
    runner.SetStepInterval(100ms);
    runner.SetProcessing(true);
    std::this_thread::sleep_for(450ms);
    runner.SetProcessing(false);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    // One step at once, then one every 100 ms: five at most in 450 ms.
    const std::int32_t steps = runner.Latest()->IterationCount - start;
    EXPECT_GE(steps, 1);
    EXPECT_LE(steps, 5);
}

// Restoring: a state worked out over many steps on the engine thread, which Stop cancels.
TEST(SimulationRunner, ARestoreReplacesTheUniverseAsANewBuild) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(30), 1);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::shared_ptr<const TUniverseSnapshot> before = runner.Latest();
    // The same universe three steps on, as the restore below works it out.
    TUniverse expected;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(expected, Settings(30), 1));
    for (int s = 0; s < 3; ++s)
        expected.Step(0, expected.LastIndex);
    runner.Restore([](TUniverse& u, TSimulationRunner::TRestoreWork& work) {
        work.Steps.store(3);
        for (int s = 0; s < 3; ++s) {
            if (!u.Step(0, u.LastIndex, &work.Control))
                return TSimulationRunner::TRestored::Failed;
            work.StepsDone.fetch_add(1);
        }
        return TSimulationRunner::TRestored::Done;
    });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::shared_ptr<const TUniverseSnapshot> after = runner.Latest();
    EXPECT_EQ(after->BuildCount, before->BuildCount + 1);
    EXPECT_EQ(after->Build, TUniverseSnapshot::TBuild::Built);
    EXPECT_FALSE(after->FromStep);
    TUniverseBits bits;
    runner.Run([&](TUniverse& u) { bits = TUniverseBits::Of(u); });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    EXPECT_TRUE(SameBits(TUniverseBits::Of(expected), bits));
    EXPECT_EQ(runner.Progress().Work, TSimulationRunner::TWork::Idle);
    EXPECT_EQ(runner.Progress().Steps, 0);
}

TEST(SimulationRunner, StopCancelsARestoreWhichLeavesTheUniverseAsItWas) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(30), 1);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::shared_ptr<const TUniverseSnapshot> before = runner.Latest();
    TUniverseBits original;
    runner.Run([&](TUniverse& u) { original = TUniverseBits::Of(u); });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));

    // A restore that works on a copy until it is told to stop, as a long one would.
    std::atomic<bool> cancelled{false};
    runner.Restore([&](TUniverse&, TSimulationRunner::TRestoreWork& work) {
        TUniverse copy;
        if (!SettingsFormulas::BuildUniverse(copy, Settings(30), 1))
            return TSimulationRunner::TRestored::Untouched;
        work.Steps.store(1000000);
        while (copy.Step(0, copy.LastIndex, &work.Control))
            work.StepsDone.fetch_add(1);
        cancelled = work.Control.Cancel.load();
        return TSimulationRunner::TRestored::Untouched;
    });
    runner.SetProcessing(true); // as resuming does: steps follow the restored state
    const auto until = std::chrono::steady_clock::now() + Patience;
    TSimulationRunner::TProgress progress;
    while ((progress = runner.Progress()).StepsDone < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(progress.Work, TSimulationRunner::TWork::Restoring);
    EXPECT_EQ(progress.Steps, 1000000);
    // Settings that arrive meanwhile wait their turn rather than cancel it.
    runner.SetLocalitySize(4);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(runner.Progress().Work, TSimulationRunner::TWork::Restoring);
    const auto asked = std::chrono::steady_clock::now();
    runner.Stop();
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    EXPECT_TRUE(cancelled);
    // Nothing was published, and no step was taken: Stop came after processing on.
    EXPECT_EQ(runner.Latest()->Serial, before->Serial);
    TUniverseBits after;
    runner.Run([&](TUniverse& u) { after = TUniverseBits::Of(u); });
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    EXPECT_TRUE(SameBits(original, after));
}

TEST(SimulationRunner, AStopSentBeforeARestoreBeginsStillCancelsIt) {
    TSimulationRunner runner;
    runner.BuildUniverse(Settings(30), 1);
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    const std::uint64_t serial = runner.Latest()->Serial;
    // The engine held up by a job, so that the restore and the stop wait in the queue.
    std::mutex gate;
    std::unique_lock hold(gate);
    runner.Run([&](TUniverse&) { const std::lock_guard wait(gate); });
    // The job still runs, so that it can tell its sender, but finds itself cancelled.
    bool cancelled = false;
    runner.Restore([&](TUniverse&, TSimulationRunner::TRestoreWork& work) {
        cancelled = work.Control.Cancel.load();
        return cancelled ? TSimulationRunner::TRestored::Untouched
                         : TSimulationRunner::TRestored::Done;
    });
    runner.Stop();
    hold.unlock();
    ASSERT_TRUE(runner.WaitUntilIdle(Patience));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(runner.Latest()->Serial, serial);
}
