#pragma once

#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>

// Everything a step may change, copied out so that a later state can be compared with it
// bit for bit (a NaN equals the same NaN, and -0 differs from 0).
struct TUniverseBits {
    std::unique_ptr<TParticle[]> Particles;
    std::int32_t LastIndex = -1;
    std::int32_t RedoCountdown = 0;
    std::int32_t IterationCount = 0;
    std::int32_t PairLast = 0;
    float Optimisation = 0;
    std::array<TPairEntry, TUniverse::MaxPairs> Pairs{};

    static TUniverseBits Of(const TUniverse& u) {
        TUniverseBits b;
        b.LastIndex = u.Particles ? u.LastIndex : -1;
        if (b.LastIndex >= 0) {
            b.Particles = std::make_unique<TParticle[]>(static_cast<std::size_t>(b.LastIndex) + 1);
            for (std::int32_t i = 0; i <= b.LastIndex; ++i)
                b.Particles[static_cast<std::size_t>(i)] = u.Particles[i];
        }
        b.RedoCountdown = u.RedoCountdown;
        b.IterationCount = u.IterationCount;
        b.PairLast = u.PairLast;
        b.Optimisation = u.Optimisation;
        b.Pairs = u.Pairs;
        return b;
    }
};

inline bool SameDouble(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool SameParticle(const TParticle& a, const TParticle& b) {
    const double ra[] = {a.Heat, a.FrictionX, a.FrictionY, a.FrictionZ, a.X,  a.Y, a.Z,
                         a.VX,   a.VY,        a.VZ,        a.AX,        a.AY, a.AZ};
    const double rb[] = {b.Heat, b.FrictionX, b.FrictionY, b.FrictionZ, b.X,  b.Y, b.Z,
                         b.VX,   b.VY,        b.VZ,        b.AX,        b.AY, b.AZ};
    for (std::size_t k = 0; k < std::size(ra); ++k)
        if (!SameDouble(ra[k], rb[k]))
            return false;
    return a.CellX == b.CellX && a.CellY == b.CellY && a.CellZ == b.CellZ;
}

inline ::testing::AssertionResult SameBits(const TUniverseBits& a, const TUniverseBits& b) {
    if (a.LastIndex != b.LastIndex)
        return ::testing::AssertionFailure()
               << "LastIndex " << a.LastIndex << " vs " << b.LastIndex;
    if (a.RedoCountdown != b.RedoCountdown || a.IterationCount != b.IterationCount)
        return ::testing::AssertionFailure()
               << "counters " << a.RedoCountdown << "/" << a.IterationCount << " vs "
               << b.RedoCountdown << "/" << b.IterationCount;
    if (a.PairLast != b.PairLast)
        return ::testing::AssertionFailure() << "PairLast " << a.PairLast << " vs " << b.PairLast;
    if (std::bit_cast<std::uint32_t>(a.Optimisation) !=
        std::bit_cast<std::uint32_t>(b.Optimisation))
        return ::testing::AssertionFailure() << "Optimisation";
    // The whole list, stale entries past PairLast included: a cancelled step writes none.
    for (std::int32_t k = 0; k < TUniverse::MaxPairs; ++k) {
        const TPairEntry& p = a.Pairs[static_cast<std::size_t>(k)];
        const TPairEntry& q = b.Pairs[static_cast<std::size_t>(k)];
        if (p.Upper != q.Upper || p.Lower != q.Lower || !SameDouble(p.Distance, q.Distance))
            return ::testing::AssertionFailure() << "pair entry " << k;
    }
    for (std::int32_t i = 0; i <= a.LastIndex; ++i)
        if (!SameParticle(a.Particles[static_cast<std::size_t>(i)],
                          b.Particles[static_cast<std::size_t>(i)]))
            return ::testing::AssertionFailure() << "particle " << i;
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SameBits(const TUniverse& u, const TUniverseBits& b) {
    return SameBits(TUniverseBits::Of(u), b);
}
