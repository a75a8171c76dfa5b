#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using namespace SettingsFormulas;

TEST(SettingsFormulas, ParticleCountGrowsLinearlyThenQuadratically) {
    EXPECT_EQ(ParticleCount(0), 0);
    EXPECT_EQ(ParticleCount(24), 24);
    EXPECT_EQ(ParticleCount(25), 5);
    EXPECT_EQ(ParticleCount(40), 1280);
    EXPECT_EQ(ParticleCount(100), 28880);
    EXPECT_EQ(ParticleCount(220), 192080);
}

TEST(SettingsFormulas, ParticleCountIsDefinedForEveryPosition) {
    constexpr std::int32_t Most = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t Least = std::numeric_limits<std::int32_t>::min();
    // Below the slider: never a negative count.
    EXPECT_EQ(ParticleCount(-1), 0);
    EXPECT_EQ(ParticleCount(Least), 0);
    // 5 * 20724^2 = 2,147,420,880 is the last count that fits; one step more saturates.
    EXPECT_EQ(ParticleCount(24 + 20724), 2147420880);
    EXPECT_EQ(ParticleCount(24 + 20725), Most);
    // Where 5 * (n - 24)^2 would overflow even 64 bits.
    EXPECT_EQ(ParticleCount(1358187938), Most);
    EXPECT_EQ(ParticleCount(Most), Most);
    // Never negative, and from 25 on it never falls as the position grows.
    std::int32_t previous = 0;
    for (std::int64_t n = Least; n <= Most; n += 9973) {
        const std::int32_t count = ParticleCount(static_cast<std::int32_t>(n));
        ASSERT_GE(count, 0) << n;
        if (n >= 25) {
            ASSERT_GE(count, previous) << n;
        }
        previous = n >= 25 ? count : 0;
    }
}

TEST(SettingsFormulas, SliderEndsGiveTheDocumentedRanges) {
    EXPECT_DOUBLE_EQ(Distribution(1), 1e-12);
    EXPECT_DOUBLE_EQ(Distribution(200), 64);
    EXPECT_DOUBLE_EQ(Space(1), 0.001953125);
    EXPECT_DOUBLE_EQ(Space(100), 1953.125);
    EXPECT_EQ(Velocity(0), 0);
    EXPECT_DOUBLE_EQ(Velocity(200), 64);
    EXPECT_DOUBLE_EQ(Mass(1), 1e-9);
    EXPECT_DOUBLE_EQ(Mass(100), 0.001);
    EXPECT_DOUBLE_EQ(Friction(1), 3.75e-8);
    EXPECT_DOUBLE_EQ(Friction(100), 0.0375);
    EXPECT_DOUBLE_EQ(Pressure(1), 1.25e-8);
    EXPECT_DOUBLE_EQ(Pressure(100), 0.0125);
    EXPECT_DOUBLE_EQ(Radiation(1), 1e-9);
    EXPECT_DOUBLE_EQ(Radiation(100), 0.001);
    EXPECT_EQ(Separation(0), 0);
    EXPECT_DOUBLE_EQ(Separation(500), 50);
    EXPECT_EQ(Globular(0), 1);
    EXPECT_EQ(Globular(100), 0);
}

TEST(SettingsFormulas, StartValuesGiveTheDefaultUniverse) {
    TUniverse u;
    ASSERT_TRUE(BuildUniverse(u, TUniverseSettings{}, 1));
    EXPECT_EQ(u.LastIndex, 1279);
    EXPECT_NEAR(u.Distribution, 0.9414801, 1e-7);
    EXPECT_DOUBLE_EQ(u.Space, 216);
    EXPECT_DOUBLE_EQ(u.Velocity, 4.096);
    EXPECT_NEAR(u.Mass, 1.48877e-4, 1e-9);
    EXPECT_DOUBLE_EQ(u.Friction, 1.0125e-3);
    EXPECT_DOUBLE_EQ(u.Pressure, 1e-4);
    EXPECT_DOUBLE_EQ(u.Radiation, 1e-6);
    EXPECT_DOUBLE_EQ(u.Separation, 10);
    EXPECT_DOUBLE_EQ(u.Globular, 0.03);
    EXPECT_EQ(u.Formation, 1);
    EXPECT_TRUE(u.UseThermodynamics);
    EXPECT_EQ(u.RedoFrequency, 15);
    EXPECT_EQ(u.MatrixResolution, 250);
    EXPECT_EQ(u.LocalitySize, 25);
    EXPECT_EQ(u.MaxSeparation, 5);
    EXPECT_EQ(u.IterationCount, 2); // reset to 0, then one seeding step per cluster
}

TEST(SettingsFormulas, FormationTextIsComparedExactly) {
    EXPECT_EQ(FormationFromText("Globular (sphere)"), 0);
    EXPECT_EQ(FormationFromText("Collision of two"), 1);
    EXPECT_EQ(FormationFromText("globular (sphere)"), 1);
    EXPECT_EQ(FormationFromText(""), 1);
}

TEST(SettingsFormulas, NumberZeroFailsAndLeavesNoParticles) {
    TUniverse u;
    TUniverseSettings s;
    s.Number = 0;
    u.Mass = 7;
    EXPECT_FALSE(BuildUniverse(u, s));
    EXPECT_EQ(u.Particles, nullptr);
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_EQ(u.Mass, 7); // no parameter written on failure
}

} // namespace
