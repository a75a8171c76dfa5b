#pragma once

#include <cstdint>

// Uniform pseudo-random source for seeding. xoshiro256** with splitmix64 seeding: fast,
// well-distributed, and the same sequence on every platform for a given seed, which keeps
// seeded tests and benchmarks reproducible.
class TUniformRandom {
public:
    explicit TUniformRandom(std::uint64_t seed = 0) { Seed(seed); }

    void Seed(std::uint64_t seed);
    void SeedFromClock();

    // A real in [0, 1).
    double RandomReal();
    // An integer in [0, n); 0 when n is 0 or less.
    std::int64_t Random(std::int64_t n);

private:
    std::uint64_t Next();
    std::uint64_t State[4] = {};
};
