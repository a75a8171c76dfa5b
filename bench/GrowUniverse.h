#pragma once

#include <cstdint>

class TUniverse;

namespace BenchUniverse {

/// Grows a universe whose clusters have met to `count` particles: each particle is kept and
/// joined by copies of itself moved by up to half the distance to its nearest neighbour, so
/// that the new one has the same shape, box and share of near pairs, only denser. `to`
/// takes the settings of `from`; false, with `to` unusable, without memory for it.
bool Grow(const TUniverse& from, TUniverse& to, std::int32_t count, std::uint64_t seed);

} // namespace BenchUniverse
