// Cancelling a step or a build from another thread: whatever point the cancel reaches, the
// universe is either untouched or exactly what the whole work gives.
#include "UniverseBits.h"

#include "universe/SettingsFormulas.h"
#include "universe/StepControl.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace {

// A clustered universe with close pairs and partial steps: every part of the step's state
// (cells, sums, heat, the close-pair list, the redo schedule) changes in each step.
TUniverseSettings ClusteredSettings(std::int32_t number) {
    TUniverseSettings s;
    s.Number = number;
    s.RedoFrequency = 3;
    s.MatrixResolution = 40;
    s.LocalitySize = 3;
    s.MaxSeparation = 40;
    return s;
}

void Build(TUniverse& u, std::int32_t number, std::int32_t threads) {
    u.SetStepThreads(threads);
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, ClusteredSettings(number), 5));
}

// Sets Cancel once `rows` rows are done (or, at 0, as soon as the step has started), from
// a thread of its own, as the runner does.
class TCancelAfterRows {
public:
    TCancelAfterRows(TStepControl& control, std::int64_t rows)
        : Watcher([&control, rows, this] {
              while (!Finished.load()) {
                  const bool started = control.Rows.load() > 0;
                  if (started && control.RowsDone.load() >= rows) {
                      control.Cancel.store(true);
                      return;
                  }
                  std::this_thread::yield();
              }
          }) {}
    ~TCancelAfterRows() {
        Finished.store(true);
        Watcher.join();
    }

private:
    std::atomic<bool> Finished{false};
    std::thread Watcher;
};

} // namespace

TEST(StepControl, CancelledBeforeTheStepLeavesEveryBit) {
    TUniverse u;
    Build(u, 40, 2);
    for (int step = 0; step < 4; ++step) { // full and partial steps
        const TUniverseBits before = TUniverseBits::Of(u);
        TStepControl control;
        control.Cancel = true;
        EXPECT_FALSE(u.Step(0, u.LastIndex, &control));
        EXPECT_TRUE(SameBits(u, before)) << "step " << step;
        EXPECT_EQ(control.RowsDone.load(), 0);
        ASSERT_TRUE(u.Step(0, u.LastIndex));
    }
}

TEST(StepControl, AnUncancelledStepCountsItsRowsAndGivesTheSameBits) {
    TUniverse plain, watched;
    Build(plain, 42, 2);
    Build(watched, 42, 2);
    ASSERT_TRUE(SameBits(watched, TUniverseBits::Of(plain)));
    for (int step = 0; step < 4; ++step) {
        TStepControl control;
        ASSERT_TRUE(plain.Step(0, plain.LastIndex));
        ASSERT_TRUE(watched.Step(0, watched.LastIndex, &control));
        EXPECT_TRUE(SameBits(watched, TUniverseBits::Of(plain))) << "step " << step;
        EXPECT_EQ(control.Rows.load(), watched.LastIndex + 1);
        EXPECT_EQ(control.RowsDone.load(), control.Rows.load());
    }
}

// The cancel lands wherever the thread timing puts it; each outcome is checked for what it
// must be, and a cancelled step is followed by the same step run to its end, which must
// match the reference: nothing the cancelled step left in its working memory may matter.
void CancelAtManyPoints(std::int32_t threads, TGravityMethod method = gmPairs) {
    TUniverse reference, u;
    Build(reference, 45, threads);
    Build(u, 45, threads);
    reference.SetGravityMethod(method);
    u.SetGravityMethod(method);
    const std::int64_t rows = u.LastIndex + 1;
    int cancelled = 0;
    for (int step = 0; step < 4; ++step) {
        for (std::int64_t at : {std::int64_t{0}, rows / 7, rows / 2, rows - 40}) {
            const TUniverseBits before = TUniverseBits::Of(u);
            TStepControl control;
            bool taken = false;
            {
                TCancelAfterRows cancel(control, at);
                taken = u.Step(0, u.LastIndex, &control);
            }
            if (taken) {
                ASSERT_TRUE(reference.Step(0, reference.LastIndex));
                ASSERT_TRUE(SameBits(u, TUniverseBits::Of(reference)))
                    << "a step that ran on, step " << step << ", cancel at row " << at;
            } else {
                ++cancelled;
                ASSERT_TRUE(SameBits(u, before))
                    << "a cancelled step, step " << step << ", cancel at row " << at;
            }
        }
        ASSERT_TRUE(u.Step(0, u.LastIndex));
        ASSERT_TRUE(reference.Step(0, reference.LastIndex));
        ASSERT_TRUE(SameBits(u, TUniverseBits::Of(reference)));
    }
    // A step over 2,205 particles takes milliseconds, the watcher reacts in microseconds.
    EXPECT_GT(cancelled, 0);
}

TEST(StepControl, CancelAtManyPointsOnOneThread) {
    CancelAtManyPoints(1);
}

TEST(StepControl, CancelAtManyPointsOnSeveralThreads) {
    CancelAtManyPoints(3);
}

TEST(StepControl, CancelAtManyPointsWithTheTree) {
    CancelAtManyPoints(3, gmTree);
}

TEST(StepControl, CancelledBuildHoldsNoParticlesAndTheNextBuildWorks) {
    TUniverse u;
    TStepControl control;
    control.Cancel = true;
    EXPECT_FALSE(SettingsFormulas::BuildUniverse(u, ClusteredSettings(40), 5, &control));
    EXPECT_EQ(u.Particles, nullptr);
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_EQ(u.PairLast, -1);
    // Steps an empty range, as a universe whose creation failed does.
    EXPECT_TRUE(u.Step(0, u.LastIndex));
    control.Restart();
    EXPECT_TRUE(SettingsFormulas::BuildUniverse(u, ClusteredSettings(40), 5, &control));
    EXPECT_EQ(u.LastIndex, 1279);
    EXPECT_EQ(control.RowsDone.load(), control.Rows.load());
    EXPECT_GT(control.Rows.load(), 1279); // both clusters' steps, the split particle twice
}

TEST(StepControl, BuildCancelledAnywhereIsEitherWholeOrEmpty) {
    TUniverse whole;
    Build(whole, 50, 2);
    const TUniverseBits expected = TUniverseBits::Of(whole);
    const std::int64_t rows = whole.LastIndex + 1;
    for (std::int64_t at : {std::int64_t{0}, rows / 4, rows / 2, rows - rows / 4, rows}) {
        TUniverse u;
        u.SetStepThreads(2);
        TStepControl control;
        bool built = false;
        {
            TCancelAfterRows cancel(control, at);
            built = SettingsFormulas::BuildUniverse(u, ClusteredSettings(50), 5, &control);
        }
        if (built) {
            EXPECT_TRUE(SameBits(u, expected)) << "cancel at row " << at;
        } else {
            EXPECT_EQ(u.Particles, nullptr);
            EXPECT_EQ(u.LastIndex, -1);
        }
        EXPECT_TRUE(u.Step(0, u.LastIndex));
    }
}
