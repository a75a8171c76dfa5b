#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <limits>
#include <map>

namespace {

TEST(UniverseLife, ConstructionStartsAtZero) {
    TUniverse u;
    EXPECT_EQ(u.Particles, nullptr);
    EXPECT_EQ(u.LastIndex, 0);
    EXPECT_EQ(u.PairLast, 0);
    EXPECT_EQ(u.IterationCount, 0);
    EXPECT_EQ(u.Mass, 0);
    EXPECT_FALSE(u.UseThermodynamics);
}

TEST(UniverseLife, AllocateZeroLeavesNoParticlesAndReleaseIsHarmless) {
    TUniverse u;
    ASSERT_TRUE(u.Allocate(5));
    EXPECT_FALSE(u.Allocate(0));
    EXPECT_EQ(u.Particles, nullptr);
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_EQ(u.PairLast, -1);
    u.ReleaseParticles();
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_FALSE(u.Allocate(-3));
}

// The largest count asks for about 260 GB, which a machine that does not promise memory
// it lacks refuses at once. The sanitizer run lets the allocator return null here too, so
// this takes the program's own "not enough memory" path rather than aborting.
TEST(UniverseLife, ABlockTheHeapCannotSupplyLeavesNoParticles) {
    std::ifstream policy("/proc/sys/vm/overcommit_memory");
    int overcommit = 0;
    if (!(policy >> overcommit) || overcommit == 1)
        GTEST_SKIP() << "this machine may promise the memory and then run out while zeroing";
    const double bytes = 2147483647.0 * sizeof(TParticle);
    const double physical =
        static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGE_SIZE));
    if (physical >= bytes / 2)
        GTEST_SKIP() << "this machine has memory enough to try";

    TUniverse u;
    ASSERT_TRUE(u.Allocate(5));
    EXPECT_FALSE(u.Allocate(std::numeric_limits<std::int32_t>::max()));
    EXPECT_EQ(u.Particles, nullptr);
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_EQ(u.PairLast, -1);

    TUniverseSettings settings;
    settings.Number = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(SettingsFormulas::BuildUniverse(u, settings, 1));
    EXPECT_EQ(u.Particles, nullptr);
    ASSERT_TRUE(u.Allocate(5)); // and the heap is still usable
}

TEST(UniverseLife, AllocateSetsTheIndexAndTheCountdown) {
    TUniverse u;
    u.RedoCountdown = 9;
    ASSERT_TRUE(u.Allocate(1280));
    EXPECT_EQ(u.LastIndex, 1279);
    EXPECT_EQ(u.RedoCountdown, 0);
    EXPECT_EQ(u.ParticlesBytes, 1280 * sizeof(TParticle));
    ASSERT_TRUE(u.Allocate(3)); // the first block is given back (the sanitizer run checks)
    EXPECT_EQ(u.LastIndex, 2);
}

TEST(UniverseLife, SettersStoreWithoutClampingAndNeverReseed) {
    TUniverse u;
    ASSERT_TRUE(u.Allocate(2));
    u.Particles[0].X = 3;
    u.SetLocalitySize(-4);
    u.SetMatrixResolution(7);
    u.SetRedoFrequency(99);
    u.SetMaxSeparation(0);
    u.SetIterationCount(-1);
    EXPECT_EQ(u.LocalitySize, -4);
    EXPECT_EQ(u.MatrixResolution, 7);
    EXPECT_EQ(u.RedoFrequency, 99);
    EXPECT_EQ(u.MaxSeparation, 0);
    EXPECT_EQ(u.IterationCount, -1);
    EXPECT_EQ(u.Particles[0].X, 3);
}

TEST(UniformRandom, StaysInRangeAndCoversIt) {
    TUniformRandom random(42);
    std::map<std::int64_t, int> seen;
    for (int k = 0; k < 4000; ++k) {
        const double r = random.RandomReal();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        const std::int64_t n = random.Random(7);
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 7);
        ++seen[n];
    }
    EXPECT_EQ(seen.size(), 7u);
    for (const auto& [value, count] : seen)
        EXPECT_GT(count, 400) << value; // about 571 each
    EXPECT_EQ(random.Random(0), 0);
    EXPECT_EQ(random.Random(-5), 0);
    const std::int64_t big = 192079LL * 192079LL;
    for (int k = 0; k < 100; ++k) {
        const std::int64_t n = random.Random(big);
        ASSERT_GE(n, 0);
        ASSERT_LT(n, big);
    }
}

} // namespace
