#pragma once

#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

// Gives `to` the same particles, parameters and running figures as `from`.
inline void CopyUniverse(const TUniverse& from, TUniverse& to) {
    ASSERT_TRUE(to.CopyStateFrom(from));
}

// Equal to 1e-12 relative, or 1e-15 absolute near zero; NaN matches NaN, as a blown-up
// universe gives it on both sides.
inline bool NearlyEqual(double a, double b) {
    if (a == b || (std::isnan(a) && std::isnan(b)))
        return true;
    const double difference = std::abs(a - b);
    return difference <= 1e-15 || difference <= 1e-12 * std::max(std::abs(a), std::abs(b));
}

// Compares what a step leaves behind: integers and the close-pair list exactly, the
// particles' reals to the tolerance above. Reports the first differences only.
inline ::testing::AssertionResult SameStepResult(const TUniverse& fast, const TUniverse& literal) {
    std::ostringstream why;
    int differences = 0;
    auto differ = [&](const std::string& what) {
        if (++differences <= 5)
            why << what << "; ";
    };
    if (fast.LastIndex != literal.LastIndex)
        return ::testing::AssertionFailure() << "different particle counts";
    if (fast.PairLast != literal.PairLast)
        differ("PairLast " + std::to_string(fast.PairLast) + " vs " +
               std::to_string(literal.PairLast));
    if (fast.Optimisation != literal.Optimisation)
        differ("Optimisation " + std::to_string(fast.Optimisation) + " vs " +
               std::to_string(literal.Optimisation));
    if (fast.IterationCount != literal.IterationCount)
        differ("IterationCount");
    if (fast.RedoCountdown != literal.RedoCountdown)
        differ("RedoCountdown");
    for (std::int32_t k = 0; k <= std::min(fast.PairLast, literal.PairLast); ++k) {
        const TPairEntry& a = fast.Pairs[k];
        const TPairEntry& b = literal.Pairs[k];
        if (a.Upper != b.Upper || a.Lower != b.Lower || !NearlyEqual(a.Distance, b.Distance))
            differ("pair entry " + std::to_string(k));
    }
    for (std::int32_t i = 0; i <= fast.LastIndex; ++i) {
        const TParticle& a = fast.Particles[i];
        const TParticle& b = literal.Particles[i];
        if (a.CellX != b.CellX || a.CellY != b.CellY || a.CellZ != b.CellZ)
            differ("cells of particle " + std::to_string(i));
        const double reals[13][2] = {{a.Heat, b.Heat},
                                     {a.FrictionX, b.FrictionX},
                                     {a.FrictionY, b.FrictionY},
                                     {a.FrictionZ, b.FrictionZ},
                                     {a.X, b.X},
                                     {a.Y, b.Y},
                                     {a.Z, b.Z},
                                     {a.VX, b.VX},
                                     {a.VY, b.VY},
                                     {a.VZ, b.VZ},
                                     {a.AX, b.AX},
                                     {a.AY, b.AY},
                                     {a.AZ, b.AZ}};
        for (int r = 0; r < 13; ++r)
            if (!NearlyEqual(reals[r][0], reals[r][1])) {
                std::ostringstream what;
                what.precision(17);
                what << "field " << r << " of particle " << i << ": " << reals[r][0] << " vs "
                     << reals[r][1];
                differ(what.str());
            }
    }
    if (differences == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " differences: " << why.str();
}

// Steps the universe with the fast step until its clusters have met: `inARow` partial steps
// in a row that compute more than 80 % of all pairs. False if that takes over `most` steps.
inline bool StepUntilMerged(TUniverse& u, int inARow, int most) {
    int run = 0;
    for (int k = 0; k < most && run < inARow; ++k) {
        const bool full = u.RedoCountdown <= 1;
        u.Step(0, u.LastIndex);
        if (!full)
            run = u.Optimisation < 0.2f ? run + 1 : 0;
    }
    return run >= inARow;
}
