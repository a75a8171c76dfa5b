#pragma once

#include "statistics/FigureState.h"

#include <atomic>
#include <cstdint>
#include <optional>

/// The figures of one universe state, in the universe's units with unit particle mass.
/// Figures that need velocities are empty for a recorded frame, which keeps none.
struct TFigures {
    std::optional<double> Kinetic;   // ½ Σ (VX² + VY² + VZ²)
    double Potential = 0;            // PairPotential.h gives the pair potential
    bool PotentialEstimated = false; // from a sample of rows (above 28,880 particles)
    std::optional<double> Total;     // kinetic + potential
    std::optional<double> Momentum;  // |Σ (VX, VY, VZ)|
    double Heat = 0;                 // mean Heat; 0 without particles
    double HalfMassRadius = 0;       // median distance from the mean position
    std::optional<double> Virial;    // 2 kinetic / |W|; empty while W is 0
    float Optimisation = 0;          // share of pairs the last step skipped, 0 to 1
    std::int32_t Iteration = 0;
};

namespace Figures {

/// Every figure of state. The potential is the O(N²) part: call this off the window's and
/// the engine's threads. Nullopt when cancel was set before the pair sums ended.
std::optional<TFigures> WorkOut(const TFigureState& state,
                                const std::atomic<bool>* cancel = nullptr);

/// The median distance of the particles from their mean position; for an even count the
/// mean of the two middle distances. 0 without particles.
double HalfMassRadius(const TFigureState& state);

} // namespace Figures
