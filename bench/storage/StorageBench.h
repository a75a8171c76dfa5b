#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class TUniverse;

namespace StorageBench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// The default universe with the particle-count slider at number, seeded as given.
std::unique_ptr<TUniverse> Build(std::int32_t number, std::uint64_t seed = 1);

/// Stepping 28,880 particles with and without recording, in alternating rounds; then the
/// recording played back, each frame read and drawn as a view at its default size draws
/// it (where the program's view drawing is built in).
void Recording(const std::string& folder, int rounds);

} // namespace StorageBench
