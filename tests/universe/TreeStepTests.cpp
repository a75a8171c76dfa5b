// The tree step against the literal full step (RedoFrequency 1) on universes small enough
// to reason about: where nothing is approximated it must give the literal sums, and where
// a node is approximated its error must shrink as the multipole expansion promises.
#include "UniverseBits.h"

#include "universe/PairKernels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Particles at rest with the given positions, thermodynamics on, close pairs listed.
void Place(TUniverse& u, const std::vector<std::array<double, 3>>& at) {
    ASSERT_TRUE(u.Allocate(static_cast<std::int32_t>(at.size())));
    u.Mass = 0.01;
    u.Friction = 0.3;
    u.Pressure = 0.05;
    u.Radiation = 0.01;
    u.UseThermodynamics = true;
    u.SetMatrixResolution(10);
    u.SetLocalitySize(10);
    u.SetRedoFrequency(1);
    u.SetMaxSeparation(8);
    for (std::size_t k = 0; k < at.size(); ++k) {
        TParticle& p = u.Particles[k];
        p = TParticle{};
        p.X = at[k][0];
        p.Y = at[k][1];
        p.Z = at[k][2];
        p.VX = 0.01 * std::sin(3.0 * static_cast<double>(k));
        p.VY = 0.01 * std::cos(5.0 * static_cast<double>(k));
        p.Heat = 0.1 + 0.001 * static_cast<double>(k);
    }
}

// A step of `from`'s state by the literal full step and by the tree, into two universes.
void StepBoth(const TUniverse& from, TUniverse& literal, TUniverse& tree, double angle) {
    ASSERT_TRUE(literal.CopyStateFrom(from));
    ASSERT_TRUE(tree.CopyStateFrom(from));
    literal.SetRedoFrequency(1);
    literal.RedoCountdown = 1;
    literal.StepLiteral(0, literal.LastIndex);
    tree.SetGravityMethod(gmTree);
    tree.SetOpeningAngle(angle);
    ASSERT_TRUE(tree.Step(0, tree.LastIndex));
}

// Largest difference of a field over the particles, relative to its largest size.
template <class TField>
double RelativeDifference(const TUniverse& a, const TUniverse& b, TField f) {
    double difference = 0, size = 0;
    for (std::int32_t k = 0; k <= a.LastIndex; ++k) {
        difference = std::max(difference, std::abs(f(a.Particles[k]) - f(b.Particles[k])));
        size = std::max(size, std::abs(f(a.Particles[k])));
    }
    return size > 0 ? difference / size : difference;
}

std::vector<std::array<double, 3>> Cloud(int count, double side, std::uint64_t seed) {
    TUniformRandom random;
    random.Seed(seed);
    std::vector<std::array<double, 3>> at;
    for (int k = 0; k < count; ++k)
        at.push_back(
            {side * random.RandomReal(), side * random.RandomReal(), side * random.RandomReal()});
    return at;
}

} // namespace

TEST(TreeStep, TwoParticlesGiveTheLiteralBits) {
    TUniverse from, literal, tree;
    Place(from, {{0, 0, 0}, {0.3, -0.2, 0.1}});
    StepBoth(from, literal, tree, TUniverse::DefaultOpeningAngle);
    for (std::int32_t k = 0; k < 2; ++k)
        EXPECT_TRUE(SameParticle(literal.Particles[k], tree.Particles[k])) << "particle " << k;
    ASSERT_EQ(tree.PairLast, 0);
    EXPECT_EQ(tree.Pairs[0].Upper, 1);
    EXPECT_EQ(tree.Pairs[0].Lower, 0);
    EXPECT_TRUE(SameDouble(tree.Pairs[0].Distance, literal.Pairs[0].Distance));
}

// With the angle at 0 no node is approximated, however far: every sum is the literal one
// up to the order of additions, the heat folds with their weights by index gap included,
// and the close-pair list is the literal list, in its order.
TEST(TreeStep, UniformCloudAtAngleZeroIsTheLiteralStep) {
    TUniverse from, literal, tree;
    Place(from, Cloud(400, 12, 3));
    from.RedoCountdown = 4;
    from.Optimisation = 0.5f;
    StepBoth(from, literal, tree, 0);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.AX; }), 1e-12);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.AY; }), 1e-12);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.AZ; }), 1e-12);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.FrictionX; }),
              1e-12);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.FrictionZ; }),
              1e-12);
    EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.Heat; }), 1e-12);
    for (std::int32_t k = 0; k <= tree.LastIndex; ++k)
        ASSERT_EQ(literal.Particles[k].CellY, tree.Particles[k].CellY);
    ASSERT_GT(literal.PairLast, 20);
    ASSERT_EQ(tree.PairLast, literal.PairLast);
    for (std::int32_t k = 0; k <= tree.PairLast; ++k) {
        const TPairEntry& a = literal.Pairs[static_cast<std::size_t>(k)];
        const TPairEntry& b = tree.Pairs[static_cast<std::size_t>(k)];
        ASSERT_TRUE(a.Upper == b.Upper && a.Lower == b.Lower && SameDouble(a.Distance, b.Distance))
            << "entry " << k;
    }
    EXPECT_EQ(tree.Optimisation, 0.0f);
    // The redo schedule waits for the pairs step.
    EXPECT_EQ(tree.RedoCountdown, 4);
    EXPECT_EQ(tree.IterationCount, from.IterationCount + 1);

    // A copy, as the runner and the recorder make, steps on by the same method and angle.
    TUniverse copy;
    ASSERT_TRUE(copy.CopyStateFrom(tree));
    ASSERT_TRUE(copy.Step(0, copy.LastIndex));
    ASSERT_TRUE(tree.Step(0, tree.LastIndex));
    EXPECT_TRUE(SameBits(copy, TUniverseBits::Of(tree)));
}

// A particle flung far away shares a near leaf with the cloud when nothing is approximated
// and is a far node at the default angle; either way its partners' sums stay the literal
// ones, finite, however large the products of distances the kernel forms. Infinite and NaN
// coordinates may spoil the sums but must not stop the step or put a cell out of range.
TEST(TreeStep, StrayParticlesKeepTheSumsFiniteAndTheCellsInRange) {
    std::vector<std::array<double, 3>> at = Cloud(300, 3, 5);
    at.push_back({1e150, -2e149, 3e149});
    at.push_back({-4e40, 1e40, 0});
    TUniverse from, literal, tree;
    Place(from, at);
    from.Particles[300].VX = 1e3;
    for (const double angle : {0.0, TUniverse::DefaultOpeningAngle}) {
        StepBoth(from, literal, tree, angle);
        for (std::int32_t k = 0; k <= tree.LastIndex; ++k) {
            const TParticle& p = tree.Particles[k];
            for (const double v : {p.AX, p.AY, p.AZ, p.FrictionX, p.FrictionY, p.Heat})
                ASSERT_TRUE(std::isfinite(v)) << "particle " << k << ", angle " << angle;
        }
        if (angle == 0) {
            EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.AX; }),
                      1e-12);
            EXPECT_LT(
                RelativeDifference(literal, tree, [](const TParticle& p) { return p.FrictionX; }),
                1e-12);
            EXPECT_LT(RelativeDifference(literal, tree, [](const TParticle& p) { return p.Heat; }),
                      1e-12);
        }
    }

    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    from.Particles[3].X = nan;
    from.Particles[7].Y = inf;
    from.Particles[8].Z = -inf;
    from.Particles[9].VX = inf;
    ASSERT_TRUE(tree.CopyStateFrom(from));
    tree.SetGravityMethod(gmTree);
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(tree.Step(0, tree.LastIndex));
        for (std::int32_t k = 0; k <= tree.LastIndex; ++k)
            for (const std::int32_t cell :
                 {tree.Particles[k].CellX, tree.Particles[k].CellY, tree.Particles[k].CellZ}) {
                ASSERT_GE(cell, 0);
                ASSERT_LT(cell, tree.MatrixResolution);
            }
    }
}

// A tight cluster far from one particle acts on it through the expansion: with the
// quadrupole the error of the pull falls as (radius / distance)^3, eight times for twice
// the distance, where the monopole alone would leave the square. The cluster lies on the
// diagonal, so that it is one node of the tree at both distances, and without pressure,
// whose expansion error falls as the sixth power; the far field's single precision adds
// about 5e-7 to each error.
TEST(TreeStep, ClusterFarAwayActsThroughItsQuadrupole) {
    std::vector<double> errors;
    for (const double distance : {1.0, 2.0}) {
        std::vector<std::array<double, 3>> at = {{0, 0, 0}};
        for (const auto& p : Cloud(300, 0.4, 7))
            at.push_back({distance + p[0], distance + p[1], distance + 0.5 * p[2]});
        TUniverse from, literal, tree;
        Place(from, at);
        from.Pressure = 0;
        StepBoth(from, literal, tree, 0.5);
        // The 300 pairs with the lone particle, of 45,150, are approximated from both sides;
        // the cluster's own pairs are all close enough to be worked out exactly. The
        // cluster is too large for one group of the tree, so the lone particle has its own.
        EXPECT_FLOAT_EQ(tree.Optimisation, 300.0f / 45150.0f);
        const TParticle& a = literal.Particles[0];
        const TParticle& b = tree.Particles[0];
        const double pull = std::hypot(a.AX, a.AY, a.AZ);
        errors.push_back(std::hypot(b.AX - a.AX, b.AY - a.AY, b.AZ - a.AZ) / pull);
    }
    EXPECT_GT(errors[1], 0);
    EXPECT_LT(errors[0], 1e-4);
    const double ratio = errors[0] / errors[1];
    EXPECT_GT(ratio, 5.5);
    EXPECT_LT(ratio, 11.0);
}

// A cluster turning about an axis across the line to a particle at rest, while it drifts
// past: its members' speeds differ with their distance from the particle, so its friction
// on the particle has a term of the first order in the cluster's size over the distance.
// Without that term the tree is 2e-3 off here, and halves that at twice the distance; with
// it, what is left is of the second order and the spread's shape, about 1e-4.
TEST(TreeStep, FrictionOfATurningClusterFarAwayFollowsItsTurn) {
    const double distance = 10;
    std::vector<std::array<double, 3>> at = {{0, 0, 0}};
    for (const auto& p : Cloud(300, 0.5, 7))
        at.push_back({distance + p[0], p[1] - 0.25, 0.5 * p[2]});
    TUniverse from, literal, tree;
    Place(from, at);
    from.Particles[0].VX = from.Particles[0].VY = 0;
    for (std::int32_t k = 1; k <= from.LastIndex; ++k) {
        TParticle& p = from.Particles[k];
        p.VX = 0.012 * p.Z;
        p.VY = 0;
        p.VZ = 0.1 - 0.012 * (p.X - distance - 0.25);
    }
    StepBoth(from, literal, tree, 0.5);
    // The cluster, too large for one group of the tree, acts on the particle as a node.
    ASSERT_GT(tree.Optimisation, 0.0f);
    const TParticle& a = literal.Particles[0];
    const TParticle& b = tree.Particles[0];
    const double error = std::hypot(b.FrictionX - a.FrictionX, b.FrictionY - a.FrictionY,
                                    b.FrictionZ - a.FrictionZ) /
                         std::hypot(a.FrictionX, a.FrictionY, a.FrictionZ);
    EXPECT_LT(error, 3e-4);
}

// Particle 0 lies far from a cluster of 1 to 303, too many for one group of the tree: the
// cluster's groups approximate it, so its pressure reaches none of them, but its place in
// the fold still decays their heat.
TEST(TreeStep, HeatFoldsExactPartnersByIndexGapAndDecaysForTheOthers) {
    std::vector<std::array<double, 3>> at = {{40, 40, 40}, {0, 0, 0}, {0.5, 0, 0}, {0, 0.3, 0}};
    for (const auto& p : Cloud(300, 1.5, 11))
        at.push_back({p[0] - 3, p[1], p[2]});
    TUniverse from, literal, tree;
    Place(from, at);
    StepBoth(from, literal, tree, 0.5);
    const double kept = 1 - from.Radiation;
    const double r = from.Radiation;
    auto pressure = [&](double d2) { return from.Pressure / ((d2 + 0.1) * (d2 + 0.1)); };
    const double h1 = from.Particles[1].Heat, h2 = from.Particles[2].Heat,
                 h3 = from.Particles[3].Heat;
    EXPECT_NEAR(tree.Particles[1].Heat, h1 * kept, 1e-15);
    EXPECT_NEAR(tree.Particles[2].Heat, h2 * kept * kept + r * pressure(0.25), 1e-15);
    EXPECT_NEAR(tree.Particles[3].Heat,
                h3 * kept * kept * kept + r * (pressure(0.09) * kept + pressure(0.34)), 1e-15);
    // The lowest index folds nothing.
    EXPECT_EQ(tree.Particles[0].Heat, from.Particles[0].Heat);
}

TEST(TreeStep, SameBitsForAnyThreadCountAndBuildAndErrorGrowsWithTheAngle) {
    using PairKernels::TInstructionSet;
    TUniverseSettings settings;
    settings.Number = 48; // 2,880 particles
    std::vector<TUniverseBits> results;
    const std::pair<std::int32_t, TInstructionSet> runs[] = {
        {1, TInstructionSet::Scalar}, {2, TInstructionSet::Avx2}, {3, TInstructionSet::Avx512}};
    for (const auto& [threads, set] : runs) {
        if (!PairKernels::Use(set))
            continue; // not on this processor
        TUniverse u;
        u.SetStepThreads(threads);
        ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, settings, 9));
        u.SetGravityMethod(gmTree);
        for (int step = 0; step < 2; ++step)
            ASSERT_TRUE(u.Step(0, u.LastIndex));
        results.push_back(TUniverseBits::Of(u));
    }
    PairKernels::Use(PairKernels::Best());
    for (std::size_t r = 1; r < results.size(); ++r)
        EXPECT_TRUE(SameBits(results[r], results[0])) << "run " << r;

    TUniverse from, literal, tree;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(from, settings, 9));
    double last = 0;
    for (const double angle : {0.3, 0.5, TUniverse::DefaultOpeningAngle, 0.7, 0.9}) {
        StepBoth(from, literal, tree, angle);
        double error = 0, size = 0;
        for (std::int32_t k = 0; k <= from.LastIndex; ++k) {
            const TParticle& a = literal.Particles[k];
            const TParticle& b = tree.Particles[k];
            error += std::pow(b.AX - a.AX, 2) + std::pow(b.AY - a.AY, 2) + std::pow(b.AZ - a.AZ, 2);
            size += a.AX * a.AX + a.AY * a.AY + a.AZ * a.AZ;
        }
        error = std::sqrt(error / size);
        EXPECT_GT(error, 0.9 * last) << "angle " << angle;
        // The goal of 1e-3 holds on the merged universes the benchmark measures; these two
        // clusters, freshly seeded, come to 1.14e-3 at the default angle. A walk that
        // measured the angle from its group's centre of mass instead of its box would give
        // 2.2e-3.
        if (angle == TUniverse::DefaultOpeningAngle) {
            EXPECT_LT(error, 1.5e-3);
        }
        last = error;
    }
}

// Over many steps the approximations must not push the universe as a whole: the literal step
// keeps the total momentum but for its slight damping.
TEST(TreeStep, KeepsTheTotalMomentumOverAHundredSteps) {
    TUniverse u;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, TUniverseSettings{}, 1));
    u.SetGravityMethod(gmTree);
    auto momentum = [&u] {
        std::array<double, 3> sum{};
        for (std::int32_t k = 0; k <= u.LastIndex; ++k) {
            sum[0] += u.Particles[k].VX;
            sum[1] += u.Particles[k].VY;
            sum[2] += u.Particles[k].VZ;
        }
        return sum;
    };
    const std::array<double, 3> before = momentum();
    for (int step = 0; step < 100; ++step)
        ASSERT_TRUE(u.Step(0, u.LastIndex));
    const std::array<double, 3> after = momentum();
    const double size = std::hypot(before[0], before[1], before[2]);
    ASSERT_GT(size, 1.0);
    EXPECT_LT(std::hypot(after[0] - before[0], after[1] - before[1], after[2] - before[2]),
              1e-9 * size);
}
