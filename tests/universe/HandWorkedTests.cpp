// One step and one seeding worked out by hand for a few particles. Every expected value is
// written from the rules with literal numbers, never through constants the step shares, so
// a wrong sign or factor in the step shows here even when its fast and literal forms agree.
#include "TestSupport.h"

#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double Damping = 0.999999999999;

// Two or three particles on the X axis, thermodynamics on, every pair near, a full step.
struct ThermoStep : testing::Test {
    TUniverse U;

    void Place(int count) {
        MakeRestingUniverse(U, count);
        U.UseThermodynamics = true;
        U.Mass = 0.001;
        U.Pressure = 0.01225;
        U.Radiation = 0.5;
        U.RedoCountdown = 0;
    }
};

// Particle 0 at x 0 moving +0.1, particle 1 at x 0.5 moving -0.1: d2 = 0.25, relative
// speed 0.2, pressure term 0.01225 / (0.25 + 0.1)^2 = 0.1.
TEST_F(ThermoStep, TwoParticlesPressureHeatAndUnclampedFriction) {
    Place(2);
    U.Friction = 0.001;
    U.Particles[0].VX = 0.1;
    U.Particles[1].X = 0.5;
    U.Particles[1].VX = -0.1;
    U.Step(0, 1);

    const double pressure = 0.01225 / (0.35 * 0.35); // 0.1
    // Heat moves only for the higher index: 0.2 * (1 - 0.5) + 0.1 * 0.5.
    EXPECT_EQ(U.Particles[0].Heat, 0.2);
    EXPECT_NEAR(U.Particles[1].Heat, 0.15, 1e-15);
    // Share 1 / (0.001 * 0.2 / 0.0625 + 1) = 1 / 1.0032 stays above 0.994.
    const double k = 1 - 1 / 1.0032;
    // Friction draws each towards the other's velocity: the one moving -x gains +x.
    EXPECT_NEAR(U.Particles[1].FrictionX, k * 0.2, 1e-16);
    EXPECT_NEAR(U.Particles[0].FrictionX, -k * 0.2, 1e-16);
    EXPECT_GT(U.Particles[1].FrictionX, 0);
    // Force factor 0.001 / 0.25 - 0.1 = -0.096 (pressure wins); dx = 0 - 0.5.
    const double force = 0.001 / 0.25 - pressure;
    EXPECT_NEAR(U.Particles[1].AX, force * -0.5, 1e-15);
    EXPECT_NEAR(U.Particles[1].AX, 0.048, 1e-15); // pushed away, towards +x
    EXPECT_NEAR(U.Particles[0].AX, -0.048, 1e-15);
    const double v1 = -0.1 * Damping + 0.048 + k * 0.2;
    EXPECT_NEAR(U.Particles[1].VX, v1, 1e-15);
    EXPECT_NEAR(U.Particles[1].X, 0.5 + v1, 1e-15);
    EXPECT_EQ(U.Particles[1].VY, 0);
}

TEST_F(ThermoStep, StrongFrictionIsClampedToSixThousandths) {
    Place(2);
    U.Friction = 1; // share 1 / (1 * 0.2 / 0.0625 + 1) = 1 / 4.2, clamped to 0.994
    U.Particles[0].VX = 0.1;
    U.Particles[1].X = 0.5;
    U.Particles[1].VX = -0.1;
    U.Step(0, 1);
    EXPECT_NEAR(U.Particles[1].FrictionX, 0.006 * 0.2, 1e-15);
    EXPECT_NEAR(U.Particles[0].FrictionX, -0.006 * 0.2, 1e-15);
}

// Particles a hair apart: d2 = 0.000001 is floored to 0.00001, and the pressure term
// 0.01225 / (d2 + 0.1)^2 stays below 0.01225 / 0.01 = 1.225 however close they come.
TEST_F(ThermoStep, TheFloorAndTheShieldBoundCoincidentParticles) {
    Place(2);
    U.Friction = 0;
    U.Particles[1].X = 0.001;
    U.Step(0, 1);
    const double d2 = 0.00001;
    const double pressure = 0.01225 / ((d2 + 0.1) * (d2 + 0.1));
    EXPECT_NEAR(U.Particles[1].Heat, 0.2 * 0.5 + pressure * 0.5, 1e-12);
    EXPECT_NEAR(U.Particles[1].AX, (0.001 / d2 - pressure) * -0.001, 1e-9);
}

// Three in a row at 0, 0.5 and 1.5: particle 2's heat folds over its partners 0 then 1.
TEST_F(ThermoStep, ThreeParticlesFoldHeatInPartnerOrder) {
    Place(3);
    U.Friction = 0;
    U.Particles[1].X = 0.5;
    U.Particles[2].X = 1.5;
    U.Step(0, 2);
    const double p01 = 0.01225 / (0.35 * 0.35);
    const double p02 = 0.01225 / (2.35 * 2.35);
    const double p12 = 0.01225 / (1.1 * 1.1);
    EXPECT_EQ(U.Particles[0].Heat, 0.2);
    EXPECT_NEAR(U.Particles[1].Heat, 0.2 * 0.5 + p01 * 0.5, 1e-15);
    EXPECT_NEAR(U.Particles[2].Heat, (0.2 * 0.5 + p02 * 0.5) * 0.5 + p12 * 0.5, 1e-15);
    // The middle one is the higher index of (0, 1), dx = -0.5, and the lower of (1, 2),
    // dx = -1: pushed +x by particle 0, pushed -x by particle 2.
    const double f01 = 0.001 / 0.25 - p01;
    const double f12 = 0.001 / 1.0 - p12;
    EXPECT_NEAR(U.Particles[1].AX, f01 * -0.5 - f12 * -1.0, 1e-15);
    EXPECT_GT(f01 * -0.5, 0);
    EXPECT_LT(-f12 * -1.0, 0);
}

// Far pairs on a full step pull RedoFrequency times over, pressure included; heat once.
TEST_F(ThermoStep, FarPairCarriesPressureTimesRedoFrequencyButHeatOnce) {
    Place(3);
    U.Friction = 0;
    U.SetRedoFrequency(4);
    U.SetLocalitySize(0);
    U.SetMatrixResolution(10);
    // 0 and 1 share a cell; 2 is nine cells off on every axis.
    U.Particles[1].X = 0.5;
    U.Particles[2].X = 10;
    U.Particles[2].Y = 10;
    U.Particles[2].Z = 10;
    U.Step(0, 2);
    const double p02 = 0.01225 / (300.1 * 300.1);   // d2 = 100 + 100 + 100
    const double p12 = 0.01225 / (290.35 * 290.35); // d2 = 9.5^2 + 100 + 100
    EXPECT_NEAR(U.Particles[2].Heat, (0.2 * 0.5 + p02 * 0.5) * 0.5 + p12 * 0.5, 1e-15);
    // Particle 2 is the higher index of both far pairs, dz = -10 each, weighted 4 times.
    const double f02 = 4 * (0.001 / 300 - p02);
    const double f12 = 4 * (0.001 / 290.25 - p12);
    EXPECT_NEAR(U.Particles[2].AZ, f02 * -10 + f12 * -10, 1e-15);
    // The near pair is weighted once.
    const double p01 = 0.01225 / (0.35 * 0.35);
    EXPECT_NEAR(U.Particles[1].AZ, -f12 * -10, 1e-15);
    EXPECT_NEAR(U.Particles[0].AX, -(0.001 / 0.25 - p01) * -0.5 - f02 * -10, 1e-15);
}

} // namespace

namespace {

// The matrix: an axis more than five times longer than another is left out of the near
// test. Three particles, locality 0, ten cells, a partial step: the pair (0, 1) differs
// only in its X cell, so it is computed exactly when X is elongated; the other two pairs
// differ on Y and Z and are never near.
float OptimisationWithExtents(double x, double y, double z) {
    TUniverse u;
    MakeRestingUniverse(u, 3);
    u.SetLocalitySize(0);
    u.SetMatrixResolution(10);
    u.SetRedoFrequency(5);
    u.RedoCountdown = 5; // one less is still not below 1: a partial step
    u.Particles[1].X = x;
    u.Particles[2].Y = y;
    u.Particles[2].Z = z;
    u.Step(0, 2);
    return u.Optimisation;
}

TEST(MatrixElongation, AnAxisCountsOnlyWhenNotMoreThanFiveTimesAnother) {
    // Exactly five times: X is tested, pair (0, 1) is far, nothing computed of 3 pairs.
    EXPECT_FLOAT_EQ(OptimisationWithExtents(50, 10, 10), 1.0f);
    // A little more than five times Y: X is left out, (0, 1) is near.
    EXPECT_FLOAT_EQ(OptimisationWithExtents(50.0001, 10, 10), 1.0f - 1.0f / 3);
    // Five times Y but more than five times Z: either other axis is enough.
    EXPECT_FLOAT_EQ(OptimisationWithExtents(50, 10, 9.99), 1.0f - 1.0f / 3);
    EXPECT_FLOAT_EQ(OptimisationWithExtents(50, 9.99, 10), 1.0f - 1.0f / 3);
}

// Seeding with a mass so small that the pull step moves nothing measurably.
void SeedOne(TUniverse& u, int count, double distribution, double velocity, unsigned seed) {
    u.Allocate(count);
    u.SeedRandom(seed);
    u.Formation = 0;
    u.Distribution = distribution;
    u.Space = 100;
    u.Velocity = velocity;
    u.Globular = 1;
    u.Mass = 1e-12;
    u.UseThermodynamics = false;
    u.SetMatrixResolution(10);
    u.SetLocalitySize(10);
    u.SetRedoFrequency(1);
    u.SetMaxSeparation(0);
    u.SetIterationCount(0);
    u.SeedFormation();
}

double Radius(const TParticle& p) {
    return std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z);
}

TEST(SeedingGeometry, DistributionIsTheExponentOfTheRadius) {
    // The same draws with exponent 1 and 3: radius / 10 = (r)^d for the drawn r.
    TUniverse even, packed;
    SeedOne(even, 40, 1, 1, 11);
    SeedOne(packed, 40, 3, 1, 11);
    for (int i = 0; i < 40; ++i) {
        const double r = Radius(even.Particles[i]) / 10;
        ASSERT_LT(r, 1);
        EXPECT_NEAR(Radius(packed.Particles[i]) / 10, r * r * r, 1e-9) << i;
    }
}

// Two particles: each feels the other's pull m d / |d|^2 and moves by it, so the
// separation after the pull step is d (1 - 2 m / |d|^2). From that the pull is worked back
// and the orbital speed must be Velocity times its size in the X-Z plane.
TEST(SeedingGeometry, OrbitalSpeedIsVelocityTimesThePullInTheXZPlane) {
    TUniverse u;
    u.Allocate(2);
    u.SeedRandom(5);
    u.Formation = 0;
    u.Distribution = 1;
    u.Space = 10;
    u.Velocity = 3;
    u.Globular = 1;
    u.Mass = 0.01;
    u.UseThermodynamics = false;
    u.SetMatrixResolution(10);
    u.SetLocalitySize(10);
    u.SetRedoFrequency(1);
    u.SetMaxSeparation(0);
    u.SeedFormation();
    const TParticle& a = u.Particles[0];
    const TParticle& b = u.Particles[1];
    const double after[3] = {b.X - a.X, b.Y - a.Y, b.Z - a.Z};
    const double lengthAfter =
        std::sqrt(after[0] * after[0] + after[1] * after[1] + after[2] * after[2]);
    // |d| - 2 m / |d| = lengthAfter.
    const double length = (lengthAfter + std::sqrt(lengthAfter * lengthAfter + 8 * 0.01)) / 2;
    const double scale = length / lengthAfter;
    const double inPlane =
        std::sqrt(after[0] * after[0] + after[2] * after[2]) * scale; // |d| in X-Z
    const double pull = 0.01 * inPlane / (length * length);
    for (const TParticle* p : {&a, &b}) {
        EXPECT_NEAR(std::hypot(p->VX, p->VZ), 3 * pull, 1e-12 * (1 + 3 * pull));
        EXPECT_EQ(p->VY, 0);
        // At right angles to the bearing, turning the same way for both: z vx - x vz > 0.
        EXPECT_NEAR(p->X * p->VX + p->Z * p->VZ, 0, 1e-12);
        EXPECT_GT(p->Z * p->VX - p->X * p->VZ, 0);
    }
}

// Tilting by a quarter turn about X takes the cluster's Z to Y: new Y = -Z, new Z = Y,
// and the velocity with it. The turn about the old Y axis becomes a turn in the X-Y plane
// with x vy - y vx > 0, and no velocity is left along Z.
TEST(SeedingGeometry, TiltTurnsTheClusterAboutXByTheRightHandRule) {
    TUniverse u;
    SeedOne(u, 30, 1, 1, 3);
    TUniverse tilted;
    SeedOne(tilted, 30, 1, 1, 3);
    tilted.SeedCluster(0, 29, std::numbers::pi / 2, 0, 0, 0);
    u.SeedCluster(0, 29, 0, 0, 0, 0); // the same draws, untilted
    for (int i = 0; i < 30; ++i) {
        const TParticle& flat = u.Particles[i];
        const TParticle& p = tilted.Particles[i];
        EXPECT_NEAR(p.Y, -flat.Z, 1e-9) << i;
        EXPECT_NEAR(p.Z, flat.Y, 1e-9) << i;
        EXPECT_NEAR(p.VZ, 0, 1e-12);
        EXPECT_GT(p.X * p.VY - p.Y * p.VX, 0) << i;
    }
}

// Two clusters: the second holds particles Split to L with Split from L / 2 to L, the
// values near L / 2 the likelier (Split = L - sqrt(R) / 2, R uniform below L^2, so its
// mean is L - L / 3).
TEST(SeedingGeometry, TheSplitLiesBetweenHalfAndAllAndLeansToHalf) {
    constexpr int last = 99;
    double sum = 0;
    int counted = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TUniverse u;
        u.Allocate(last + 1);
        u.SeedRandom(seed);
        u.Formation = 1;
        u.Distribution = 1;
        u.Space = 100;
        u.Separation = 500; // offsets up to 500 on each axis, clusters of radius 10
        u.Velocity = 0;
        u.Globular = 1;
        u.Mass = 1e-12;
        u.UseThermodynamics = false;
        u.SetMatrixResolution(10);
        u.SetLocalitySize(10);
        u.SetRedoFrequency(1);
        u.SetMaxSeparation(0);
        u.SeedFormation();
        // Particle 0 is in the first cluster, particle L in the second; their centres are
        // mirror images, so each particle belongs to the nearer of the two.
        const TParticle& first = u.Particles[0];
        const TParticle& second = u.Particles[last];
        const double cx = (first.X - second.X) / 2, cy = (first.Y - second.Y) / 2,
                     cz = (first.Z - second.Z) / 2;
        if (std::sqrt(cx * cx + cy * cy + cz * cz) < 40)
            continue; // clusters too close to tell apart
        int split = last;
        while (split > 0) {
            const TParticle& p = u.Particles[split - 1];
            if (p.X * cx + p.Y * cy + p.Z * cz > 0)
                break;
            --split;
        }
        for (int i = 0; i < split; ++i) {
            const TParticle& p = u.Particles[i];
            ASSERT_GT(p.X * cx + p.Y * cy + p.Z * cz, 0) << "seed " << seed << " particle " << i;
        }
        EXPECT_GE(split, last / 2) << seed;
        EXPECT_LE(split, last) << seed;
        sum += split;
        ++counted;
    }
    ASSERT_GT(counted, 200);
    EXPECT_NEAR(sum / counted, last - last / 3.0, 3.0);
}

} // namespace
