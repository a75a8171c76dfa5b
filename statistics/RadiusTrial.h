#pragma once

#include "settings/Settings.h"

#include <cstdint>
#include <functional>
#include <optional>

/// How far a universe spread while it was stepped: its half-mass radius against the radius
/// it had when it was built.
struct TRadiusTrial {
    double StartRadius = 0;
    double LargestRatio = 1; // the greatest radius over the start, step 0 included
    std::int32_t LargestAt = 0;
    double LastRatio = 1;
    std::int32_t Steps = 0;
};

namespace RadiusTrial {

/// Called after each step with the step's number (from 1) and the radius over the start;
/// returning false ends the trial there.
using TWatch = std::function<bool(std::int32_t step, double ratio)>;

/// Builds the universe that settings describe, as the window does (the processing settings
/// first, so that the seeding steps already use the gravity method chosen), seeded with seed,
/// and takes up to steps steps. Empty when no universe could be built.
std::optional<TRadiusTrial> Run(const TSettings& settings, std::int32_t steps, std::uint64_t seed,
                                const TWatch& watch = {});

} // namespace RadiusTrial
