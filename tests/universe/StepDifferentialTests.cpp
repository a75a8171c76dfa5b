// The fast step against the literal one, step by step, over many kinds of universe: before
// every step the literal universe takes the fast one's state, so each comparison judges one
// step from the same start.

#include "StepComparison.h"

#include "universe/PairKernels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cstdint>
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
void ExpectStepsAgree(TUniverse& fast, int steps, const std::string& name, TRange range = {}) {
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

} // namespace
