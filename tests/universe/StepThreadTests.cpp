// The fast step shares its work among threads; the result must not depend on how many.

#include "StepComparison.h"

#include "universe/PairKernels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Bit for bit: the particle records, the close-pair list and the figures.
::testing::AssertionResult Identical(const TUniverse& a, const TUniverse& b) {
    const auto bytes = sizeof(TParticle) * static_cast<std::size_t>(a.LastIndex + 1);
    if (a.LastIndex != b.LastIndex || std::memcmp(a.Particles, b.Particles, bytes) != 0)
        return ::testing::AssertionFailure() << "particles differ";
    if (a.PairLast != b.PairLast)
        return ::testing::AssertionFailure() << "PairLast differs";
    const auto pairBytes = sizeof(TPairEntry) * static_cast<std::size_t>(a.PairLast + 1);
    if (std::memcmp(a.Pairs.data(), b.Pairs.data(), pairBytes) != 0)
        return ::testing::AssertionFailure() << "close pairs differ";
    if (a.Optimisation != b.Optimisation || a.IterationCount != b.IterationCount ||
        a.RedoCountdown != b.RedoCountdown)
        return ::testing::AssertionFailure() << "figures differ";
    return ::testing::AssertionSuccess();
}

void ExpectThreadCountsAgree(const TUniverseSettings& settings, std::uint64_t seed, int steps) {
    TUniverse one;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(one, settings, seed));
    TUniverse two, three;
    CopyUniverse(one, two);
    CopyUniverse(one, three);
    one.SetStepThreads(1);
    two.SetStepThreads(2);
    three.SetStepThreads(3);
    EXPECT_EQ(two.StepThreads(), 2);
    for (int k = 1; k <= steps; ++k) {
        one.Step(0, one.LastIndex);
        two.Step(0, two.LastIndex);
        three.Step(0, three.LastIndex);
        ASSERT_TRUE(Identical(one, two)) << "step " << k;
        ASSERT_TRUE(Identical(one, three)) << "step " << k;
    }
}

TEST(StepThreads, OneTwoAndThreeThreadsGiveTheSameBits) {
    TUniverseSettings s;
    s.Number = 41; // 1,445 particles
    s.RedoFrequency = 3;
    s.MaxSeparation = 20;
    ExpectThreadCountsAgree(s, 5, 4);
}

TEST(StepThreads, SameBitsWithoutThermodynamicsAndWithEveryPairNear) {
    TUniverseSettings s;
    s.Number = 37; // 845 particles
    s.UseThermodynamics = false;
    s.LocalitySize = 50;
    s.MatrixResolution = 20;
    s.RedoFrequency = 2;
    ExpectThreadCountsAgree(s, 6, 3);
}

TEST(StepThreads, SameBitsWhereEveryPairIsWorkedOutOnce) {
    // Dense enough for the tile kernel on partial steps, and big enough for several strips.
    TUniverseSettings s;
    s.Number = 45; // 2,205 particles, one cluster
    s.Formation = 0;
    s.MatrixResolution = 20;
    s.LocalitySize = 12;
    s.RedoFrequency = 3;
    s.MaxSeparation = 40;
    ExpectThreadCountsAgree(s, 9, 4);
}

TEST(StepThreads, InstructionSetsGiveTheSameBits) {
    using PairKernels::TInstructionSet;
    const TInstructionSet before = PairKernels::Current();
    TUniverseSettings s;
    s.Number = 36; // 720 particles
    s.RedoFrequency = 2;
    s.MaxSeparation = 30;
    s.LocalitySize = 40; // partial steps dense enough for tiles too
    TUniverse reference;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(reference, s, 8));
    TUniverse start;
    CopyUniverse(reference, start);
    ASSERT_TRUE(PairKernels::Use(TInstructionSet::Scalar));
    for (int k = 0; k < 3; ++k)
        reference.Step(0, reference.LastIndex);
    for (TInstructionSet set : {TInstructionSet::Avx2, TInstructionSet::Avx512}) {
        if (!PairKernels::Use(set))
            continue;
        TUniverse u;
        CopyUniverse(start, u);
        for (int k = 0; k < 3; ++k)
            u.Step(0, u.LastIndex);
        EXPECT_TRUE(Identical(reference, u)) << PairKernels::NameOf(set);
    }
    PairKernels::Use(before);
}

TEST(StepThreads, SettingTheThreadsBeforeAllocatingIsKept) {
    TUniverse u;
    u.SetStepThreads(4);
    ASSERT_TRUE(u.Allocate(300));
    EXPECT_EQ(u.StepThreads(), 4);
    u.SetStepThreads(0);
    EXPECT_EQ(u.StepThreads(), 0);
}

} // namespace
