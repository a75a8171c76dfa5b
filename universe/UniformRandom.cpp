#include "universe/UniformRandom.h"

#include <chrono>

namespace {
std::uint64_t SplitMix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t RotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}
} // namespace

void TUniformRandom::Seed(std::uint64_t seed) {
    for (auto& word : State)
        word = SplitMix64(seed);
}

void TUniformRandom::SeedFromClock() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    Seed(static_cast<std::uint64_t>(now));
}

std::uint64_t TUniformRandom::Next() {
    const std::uint64_t result = RotateLeft(State[1] * 5, 7) * 9;
    const std::uint64_t t = State[1] << 17;
    State[2] ^= State[0];
    State[3] ^= State[1];
    State[1] ^= State[2];
    State[0] ^= State[3];
    State[2] ^= t;
    State[3] = RotateLeft(State[3], 45);
    return result;
}

double TUniformRandom::RandomReal() {
    // The top 53 bits give every double in [0, 1) on the 2^-53 grid with equal chance.
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

std::int64_t TUniformRandom::Random(std::int64_t n) {
    if (n <= 0)
        return 0;
    // Rejection keeps the result unbiased for every n, including ranges near 2^63.
    const auto range = static_cast<std::uint64_t>(n);
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % range;
    std::uint64_t x;
    do {
        x = Next();
    } while (x >= limit);
    return static_cast<std::int64_t>(x % range);
}
