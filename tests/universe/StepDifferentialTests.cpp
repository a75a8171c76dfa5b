// The fast step against the literal one, step by step, over many kinds of universe: before
// every step the literal universe takes the fast one's state, so each comparison judges one
// step from the same start. The integers and the close-pair list must match exactly, the
// reals to 1e-12: where most pairs are computed the fast step adds in another order.

#include "StepComparison.h"

#include "universe/PairKernels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace {

void CopyState(const TUniverse& from, TUniverse& to) {
    std::copy(from.Particles, from.Particles + from.LastIndex + 1, to.Particles);
    to.RedoCountdown = from.RedoCountdown;
    to.PairLast = from.PairLast;
    to.IterationCount = from.IterationCount;
    to.Optimisation = from.Optimisation;
}

struct TRange {
    std::int32_t First = 0;
    std::int32_t Last = -1; // -1: up to LastIndex
};

// Steps `fast` and a copy of it side by side, the copy literally, and compares each step.
void ExpectStepsAgree(TUniverse& fast, int steps, const std::string& name, TRange range = {},
                      bool checkTiles = false) {
    TUniverse literal;
    CopyUniverse(fast, literal);
    const std::int32_t last = range.Last < 0 ? fast.LastIndex : range.Last;
    for (int k = 1; k <= steps; ++k) {
        CopyState(fast, literal);
        const bool full = fast.RedoCountdown <= 1;
        fast.Step(range.First, last);
        literal.StepLiteral(range.First, last);
        ASSERT_TRUE(SameStepResult(fast, literal))
            << name << ", step " << k << (full ? " (full)" : " (partial)");
        if (checkTiles) {
            ASSERT_TRUE(fast.LastStepTiled()) << name << ", step " << k << ": not in tiles";
        }
    }
}

void ExpectBuiltUniverseAgrees(const TUniverseSettings& settings, std::uint64_t seed, int steps,
                               const std::string& name,
                               const std::function<void(TUniverse&)>& change = {}) {
    TUniverse u;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, settings, seed));
    if (change)
        change(u);
    ExpectStepsAgree(u, steps, name);
}

TUniverseSettings Settings(std::int32_t number, std::int32_t formation, bool thermodynamics) {
    TUniverseSettings s;
    s.Number = number;
    s.Formation = formation;
    s.UseThermodynamics = thermodynamics;
    s.RedoFrequency = 3; // partial, partial, full, partial, ...
    return s;
}

TEST(StepAgreement, DefaultUniverseThroughARedoCycle) {
    TUniverseSettings s; // 1,280 particles, two clusters, thermodynamics on
    s.RedoFrequency = 4;
    ExpectBuiltUniverseAgrees(s, 1, 5, "default universe");
}

TEST(StepAgreement, BothFormationsWithAndWithoutThermodynamics) {
    for (std::int32_t formation : {0, 1})
        for (bool thermodynamics : {true, false})
            ExpectBuiltUniverseAgrees(Settings(34, formation, thermodynamics), 7 + formation, 4,
                                      "formation " + std::to_string(formation) +
                                          (thermodynamics ? " with" : " without") +
                                          " thermodynamics");
}

TEST(StepAgreement, LocalityFromNoneToTheWholeMatrix) {
    for (std::int32_t locality : {0, 1, 3, 12, 49, 50}) {
        TUniverseSettings s = Settings(33, 1, true);
        s.MatrixResolution = 50;
        s.LocalitySize = locality;
        ExpectBuiltUniverseAgrees(s, 20 + locality, 4, "locality " + std::to_string(locality));
    }
}

TEST(StepAgreement, CoarseAndFineMatrices) {
    // 1,500 cells lies beyond the settings' range: buckets then grow wider than the
    // locality asks, and cells no longer fit the packed window test unshifted.
    for (std::int32_t resolution : {10, 37, 300, 1500}) {
        TUniverseSettings s = Settings(32, 0, true);
        s.MatrixResolution = resolution;
        s.LocalitySize = 2;
        ExpectBuiltUniverseAgrees(s, 40, 3, "resolution " + std::to_string(resolution));
    }
}

TEST(StepAgreement, EveryStepFullAndLongRedoCycles) {
    for (std::int32_t redo : {1, 2, 100}) {
        TUniverseSettings s = Settings(31, 1, true);
        s.RedoFrequency = redo;
        ExpectBuiltUniverseAgrees(s, 50 + redo, 3, "redo frequency " + std::to_string(redo),
                                  [](TUniverse& u) { u.RedoCountdown = 2; });
    }
}

TEST(StepAgreement, FlatDiscHasElongatedAxes) {
    TUniverseSettings s = Settings(34, 0, true);
    s.Globular = 100; // a flat disc in the X-Z plane: X and Z are left out of the near test
    s.LocalitySize = 4;
    ExpectBuiltUniverseAgrees(s, 60, 4, "flat disc");
}

TEST(StepAgreement, NeedleAlongOneAxis) {
    TUniverse u;
    TUniverseSettings s = Settings(30, 0, true);
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 61));
    for (std::int32_t i = 0; i <= u.LastIndex; ++i) {
        u.Particles[i].X *= 0.01;
        u.Particles[i].Z *= 0.01; // Y alone is tested
    }
    u.SetLocalitySize(1);
    ExpectStepsAgree(u, 4, "needle");
}

TEST(StepAgreement, CoincidentParticlesAndManyClosePairs) {
    TUniverse u;
    TUniverseSettings s = Settings(32, 1, true);
    s.MaxSeparation = 60;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 70));
    // Clumps of particles at the very same place, the rest where seeding put them.
    for (std::int32_t i = 0; i <= u.LastIndex; i += 3)
        u.Particles[i] = u.Particles[(i / 30) * 30];
    ExpectStepsAgree(u, 4, "coincident clumps");
}

TEST(StepAgreement, CloseListFillsUpPartWayThroughTheRows) {
    for (std::int32_t space : {8, 14, 30}) {
        TUniverseSettings s = Settings(40, 1, true);
        s.Space = space; // smaller clusters: from a few rows to most rows hold close pairs
        s.MaxSeparation = 10;
        ExpectBuiltUniverseAgrees(s, 80 + space, 3, "space " + std::to_string(space));
    }
}

TEST(StepAgreement, EveryPairCloseInATinyLattice) {
    // Far more close pairs than the step keeps notes of while summing: the list is then
    // found by walking the first rows again.
    TUniverseSettings s = Settings(36, 1, true); // 720 particles, 258,840 pairs
    s.MaxSeparation = 60;
    ExpectBuiltUniverseAgrees(s, 85, 3, "tiny lattice", [](TUniverse& u) {
        for (std::int32_t i = 0; i <= u.LastIndex; ++i) {
            TParticle& p = u.Particles[i];
            p.X = (i % 9) * 0.01;
            p.Y = (i / 9 % 9) * 0.01;
            p.Z = (i / 81) * 0.01;
            p.VX = p.VY = p.VZ = 0;
        }
    });
}

TEST(StepAgreement, CloseListReachesFarPastTheRowsItTookTheStepBefore) {
    // Notes of close pairs are kept only a little past the rows that the list took the step
    // before. Here that step fills the list within its first rows; then the lattice opens
    // out, and the list reaches hundreds of rows further, which are walked again.
    TUniverse u;
    TUniverseSettings s = Settings(36, 1, true); // 720 particles
    s.MaxSeparation = 60;
    s.RedoFrequency = 1; // full steps: a lattice this small is all in one cell
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 86));
    auto lattice = [&](double spacing) {
        for (std::int32_t i = 0; i <= u.LastIndex; ++i) {
            TParticle& p = u.Particles[i];
            p.X = (i % 9) * spacing;
            p.Y = (i / 9 % 9) * spacing;
            p.Z = (i / 81) * spacing;
            p.VX = p.VY = p.VZ = 0;
        }
    };
    lattice(0.01);
    ExpectStepsAgree(u, 1, "tight lattice");
    ASSERT_EQ(u.PairLast, TUniverse::MaxPairs - 1);
    lattice(3.0);
    ExpectStepsAgree(u, 2, "open lattice");
    ASSERT_EQ(u.PairLast, TUniverse::MaxPairs - 1);
    EXPECT_GT(u.Pairs[TUniverse::MaxPairs - 1].Lower, 200);
}

TEST(StepAgreement, OneAndTwoParticles) {
    for (std::int32_t number : {1, 2, 3}) {
        for (std::int32_t formation : {0, 1}) {
            TUniverseSettings s = Settings(number, formation, true);
            s.MaxSeparation = 60;
            ExpectBuiltUniverseAgrees(s, 90 + number, 3,
                                      std::to_string(number) + " particles, formation " +
                                          std::to_string(formation));
        }
    }
}

TEST(StepAgreement, RangesInsideTheUniverseAsSeedingUsesThem) {
    TUniverse u;
    TUniverseSettings s = Settings(35, 1, true);
    s.MaxSeparation = 20;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 100));
    ExpectStepsAgree(u, 3, "middle range", TRange{111, 480});
    ExpectStepsAgree(u, 3, "one particle range", TRange{7, 7});
    ExpectStepsAgree(u, 2, "empty range", TRange{9, 8});
}

TEST(StepAgreement, BlownUpUniverse) {
    TUniverse u;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, Settings(30, 1, true), 110));
    const double inf = std::numeric_limits<double>::infinity();
    u.Particles[3].X = std::numeric_limits<double>::quiet_NaN();
    u.Particles[50].Y = inf;
    u.Particles[51].Z = -inf;
    u.Particles[52].VX = 1e308;
    ExpectStepsAgree(u, 4, "blown up");
}

TEST(StepAgreement, EveryInstructionSetGivesTheLiteralResult) {
    using PairKernels::TInstructionSet;
    const TInstructionSet before = PairKernels::Current();
    for (TInstructionSet set :
         {TInstructionSet::Scalar, TInstructionSet::Avx2, TInstructionSet::Avx512}) {
        if (!PairKernels::Use(set))
            continue;
        const std::string name = PairKernels::NameOf(set);
        TUniverseSettings s = Settings(30, 1, true);
        s.MaxSeparation = 30;
        ExpectBuiltUniverseAgrees(s, 120, 4, name + " with thermodynamics");
        s.UseThermodynamics = false;
        ExpectBuiltUniverseAgrees(s, 121, 4, name + " without thermodynamics");
    }
    PairKernels::Use(before);
}

// Universes where most pairs are computed on every step, so that partial steps too work out
// each pair once.
TEST(StepAgreement, DenseUniverses) {
    for (bool thermodynamics : {true, false}) {
        TUniverseSettings s = Settings(36, 0, thermodynamics); // one cluster of 720
        s.MatrixResolution = 20;
        s.LocalitySize = 12;
        s.MaxSeparation = 40;
        TUniverse u;
        ASSERT_TRUE(SettingsFormulas::BuildUniverse(u, s, 130));
        ExpectStepsAgree(u, 5, thermodynamics ? "dense, thermodynamics" : "dense, no heat", {},
                         true);
    }
    TUniverseSettings s = Settings(33, 1, true);
    s.LocalitySize = 50; // every pair near
    s.MatrixResolution = 50;
    s.Radiation = 100; // the highest radiation the settings give
    s.Pressure = 100;
    ExpectBuiltUniverseAgrees(s, 131, 4, "every pair near, strong radiation");
    // Radiation far beyond the settings: the tiles' heat weights would lose their meaning,
    // and the step folds heat one pair at a time instead.
    ExpectBuiltUniverseAgrees(s, 132, 3, "radiation 0.5", [](TUniverse& u) {
        u.Radiation = 0.5;
        u.Step(0, u.LastIndex);
        EXPECT_FALSE(u.LastStepTiled());
    });
}

// The universe users watch most, the default one after its clusters have met, where most
// pairs are near. Made once: with this seed merging takes some 550 steps (with others it
// can take three times as many).
const TUniverse& MergedDefault() {
    static TUniverse merged;
    static const bool made = [] {
        TUniverseSettings s;
        return SettingsFormulas::BuildUniverse(merged, s, 20261208) &&
               StepUntilMerged(merged, 5, 2000);
    }();
    EXPECT_TRUE(made);
    return merged;
}

// With 1, 2 and 3 threads, through a whole redo cycle.
TEST(StepAgreement, MergedUniverseWithOneTwoAndThreeThreads) {
    for (int threads : {1, 2, 3}) {
        TUniverse u;
        CopyUniverse(MergedDefault(), u);
        u.SetStepThreads(threads);
        ExpectStepsAgree(u, u.RedoFrequency + 1, std::to_string(threads) + " threads, merged", {},
                         true);
    }
}

// After the merge a partial step goes straight to tiles when the step before skipped little.
// That decision reads the universe's state only: a copy made mid-cycle, as a file read back
// makes it, steps to the very same bits as the universe it was copied from.
TEST(StepAgreement, CopyMadeAfterTheMergeStepsToTheSameBits) {
    TUniverse original;
    CopyUniverse(MergedDefault(), original);
    for (int k = 0; k < 3; ++k)
        original.Step(0, original.LastIndex);
    ASSERT_GT(original.Optimisation, 0.0f);
    TUniverse copy;
    CopyUniverse(original, copy);
    for (int k = 0; k < original.RedoFrequency + 2; ++k) {
        original.Step(0, original.LastIndex);
        copy.Step(0, copy.LastIndex);
        ASSERT_TRUE(original.LastStepTiled()) << "step " << k;
        ASSERT_EQ(original.LastStepTiled(), copy.LastStepTiled()) << "step " << k;
        ASSERT_EQ(0,
                  std::memcmp(original.Particles, copy.Particles,
                              sizeof(TParticle) * static_cast<std::size_t>(original.LastIndex + 1)))
            << "step " << k;
        ASSERT_EQ(original.Optimisation, copy.Optimisation) << "step " << k;
        ASSERT_EQ(original.PairLast, copy.PairLast) << "step " << k;
    }
}

// Over many steps the two drift apart only as rounding differences grow. Right after seeding
// they grow slowly, and a hundred steps stay within 1e-9. Once the clusters have met they
// double about every step (close encounters in the dense core), as any change of addition
// order would make them, so there each step is judged from the same start instead.
TEST(StepAgreement, DefaultUniverseStaysCloseOverAHundredSteps) {
    TUniverseSettings s;
    TUniverse fast;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(fast, s, 140));
    TUniverse literal;
    CopyUniverse(fast, literal);
    bool anyTiled = false;
    for (int k = 0; k < 100; ++k) {
        fast.Step(0, fast.LastIndex);
        literal.StepLiteral(0, literal.LastIndex);
        anyTiled = anyTiled || fast.LastStepTiled();
    }
    EXPECT_TRUE(anyTiled);
    double worst = 0;
    for (std::int32_t i = 0; i <= fast.LastIndex; ++i) {
        const TParticle& a = fast.Particles[i];
        const TParticle& b = literal.Particles[i];
        const double reals[7][2] = {{a.X, b.X},   {a.Y, b.Y},   {a.Z, b.Z},      {a.VX, b.VX},
                                    {a.VY, b.VY}, {a.VZ, b.VZ}, {a.Heat, b.Heat}};
        for (const auto& r : reals)
            if (r[0] != r[1])
                worst = std::max(worst,
                                 std::abs(r[0] - r[1]) / std::max(std::abs(r[0]), std::abs(r[1])));
    }
    EXPECT_LE(worst, 1e-9);
    EXPECT_GT(worst, 0) << "full steps were expected to add in another order";
    EXPECT_EQ(fast.PairLast, literal.PairLast);
    EXPECT_EQ(fast.Optimisation, literal.Optimisation);
}

} // namespace
