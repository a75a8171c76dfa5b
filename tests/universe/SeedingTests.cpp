#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TUniverseSettings SmallSettings(std::int32_t number, std::int32_t formation) {
    TUniverseSettings s;
    s.Number = number;
    s.Formation = formation;
    return s;
}

TEST(Seeding, OneClusterStaysInsideItsRadiusAndCountsOneStep) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(60, 0); // 5 * 36^2 = 6480 would be slow: use 24
    s.Number = 24;
    s.Velocity = 0;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 11));
    EXPECT_EQ(u.IterationCount, 1);
    EXPECT_EQ(u.RedoCountdown, 15);
    const double radius = 0.1 * u.Space;
    for (int i = 0; i <= u.LastIndex; ++i) {
        const TParticle& p = u.Particles[i];
        // Placed within the radius, then moved once by the pull, which is tiny at this mass.
        EXPECT_LT(std::hypot(p.X, p.Y, p.Z), radius * 1.01) << i;
    }
}

TEST(Seeding, TwoClustersCountTwoStepsAndLeaveTheCountdownAtRedoFrequency) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(24, 1);
    s.RedoFrequency = 7;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 12));
    EXPECT_EQ(u.IterationCount, 2);
    EXPECT_EQ(u.RedoCountdown, 7);
}

TEST(Seeding, WithoutThermodynamicsEveryHeatIsTwoTenths) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(24, 1);
    s.UseThermodynamics = false;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 13));
    for (int i = 0; i <= u.LastIndex; ++i)
        EXPECT_EQ(u.Particles[i].Heat, 0.2);
}

TEST(Seeding, OneParticleCollisionEndsAsTheSecondClusterAtRest) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(1, 1);
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 14));
    EXPECT_EQ(u.LastIndex, 0);
    EXPECT_EQ(u.IterationCount, 2);
    const TParticle& p = u.Particles[0];
    EXPECT_EQ(p.VX, 0);
    EXPECT_EQ(p.VY, 0);
    EXPECT_EQ(p.VZ, 0);
    // Its place is the mirror offset plus a point within the cluster radius; the offsets
    // are whole numbers in [0, SepRange), so the particle lies in the negative octant's box.
    const double radius = 0.1 * u.Space;
    const double range = std::nearbyint(u.Space * u.Separation * 0.01);
    for (double c : {p.X, p.Y, p.Z}) {
        EXPECT_LE(c, radius);
        EXPECT_GT(c, -range - radius);
    }
}

TEST(Seeding, ZeroSeparationCentresBothClustersOnTheOrigin) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(24, 1);
    s.Separation = 0;
    s.Velocity = 0;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 15));
    double centre[3] = {0, 0, 0};
    for (int i = 0; i <= u.LastIndex; ++i) {
        centre[0] += u.Particles[i].X;
        centre[1] += u.Particles[i].Y;
        centre[2] += u.Particles[i].Z;
    }
    for (double c : centre)
        EXPECT_LT(std::abs(c / (u.LastIndex + 1)), 0.1 * u.Space);
}

TEST(Seeding, FlatGlobularGivesADiscWithinOneUnitOfItsPlane) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(24, 0);
    s.Globular = 100; // Globular parameter 0: a flat disc
    s.Velocity = 0;
    s.Mass = 1; // smallest pull, so the seeding step barely moves anything
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 16));
    for (int i = 0; i <= u.LastIndex; ++i)
        EXPECT_LE(std::abs(u.Particles[i].Y), 1.0 + 1e-3) << i;
}

TEST(Seeding, SameSeedGivesTheSameUniverse) {
    TUniverse a, b;
    const TUniverseSettings s = SmallSettings(24, 1);
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(a, s, 77));
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(b, s, 77));
    for (int i = 0; i <= a.LastIndex; ++i) {
        EXPECT_EQ(a.Particles[i].X, b.Particles[i].X);
        EXPECT_EQ(a.Particles[i].VZ, b.Particles[i].VZ);
    }
}

TEST(Seeding, ClustersRotateAboutTheirOwnAxis) {
    TUniverse u;
    TUniverseSettings s = SmallSettings(24, 0);
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 17));
    // Without tilt the velocity is at right angles to the bearing in the X-Z plane and
    // every particle turns in the same sense: (x, z) x (vx, vz) has one sign.
    int positive = 0;
    for (int i = 0; i <= u.LastIndex; ++i) {
        const TParticle& p = u.Particles[i];
        EXPECT_EQ(p.VY, 0);
        positive += (p.Z * p.VX - p.X * p.VZ) > 0;
    }
    EXPECT_EQ(positive, u.LastIndex + 1);
}

TEST(Seeding, WithoutParticlesNothingHappens) {
    TUniverse u;
    u.SeedCluster(0, 10, 0, 0, 0, 0);
    EXPECT_EQ(u.IterationCount, 0);
    u.Formation = 1;
    EXPECT_FALSE(u.Allocate(0));
    u.SeedFormation();
    EXPECT_EQ(u.IterationCount, 0);
}

} // namespace
