#include "statistics/Figures.h"

#include "statistics/PairPotential.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Figures {

double HalfMassRadius(const TFigureState& state) {
    const std::size_t n = state.Particles.size();
    if (n == 0)
        return 0;
    double cx = 0, cy = 0, cz = 0;
    for (const TFigureState::TPoint& p : state.Particles) {
        cx += p.X;
        cy += p.Y;
        cz += p.Z;
    }
    cx /= static_cast<double>(n);
    cy /= static_cast<double>(n);
    cz /= static_cast<double>(n);
    std::vector<double> distances(n);
    for (std::size_t i = 0; i < n; ++i) {
        const TFigureState::TPoint& p = state.Particles[i];
        distances[i] = std::hypot(p.X - cx, p.Y - cy, p.Z - cz);
    }
    const auto middle = distances.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(distances.begin(), middle, distances.end());
    if (n % 2 == 1)
        return *middle;
    // The lower middle is the greatest of those before the upper one.
    const double lower = *std::max_element(distances.begin(), middle);
    return 0.5 * (lower + *middle);
}

std::optional<TFigures> WorkOut(const TFigureState& state, const std::atomic<bool>* cancel) {
    const std::optional<TPotentialSum> pairs = PairPotential::Sum(state, cancel);
    if (!pairs)
        return std::nullopt;
    TFigures figures;
    figures.Potential = pairs->Potential;
    figures.PotentialEstimated = pairs->Estimated;
    figures.Optimisation = state.Optimisation;
    figures.Iteration = state.IterationCount;
    figures.HalfMassRadius = HalfMassRadius(state);

    double heat = 0, twiceKinetic = 0, px = 0, py = 0, pz = 0;
    for (const TFigureState::TPoint& p : state.Particles) {
        heat += p.Heat;
        twiceKinetic += p.VX * p.VX + p.VY * p.VY + p.VZ * p.VZ;
        px += p.VX;
        py += p.VY;
        pz += p.VZ;
    }
    if (!state.Particles.empty())
        figures.Heat = heat / static_cast<double>(state.Particles.size());
    if (state.HasVelocities) {
        figures.Kinetic = 0.5 * twiceKinetic;
        figures.Total = *figures.Kinetic + figures.Potential;
        figures.Momentum = std::sqrt(px * px + py * py + pz * pz);
        if (pairs->Virial != 0)
            figures.Virial = twiceKinetic / std::abs(pairs->Virial);
    }
    return figures;
}

} // namespace Figures
