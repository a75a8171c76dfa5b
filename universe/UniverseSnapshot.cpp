#include "universe/UniverseSnapshot.h"

#include <algorithm>

void TUniverseSnapshot::CopyFrom(const TUniverse& universe, bool velocities) {
    IterationCount = universe.IterationCount;
    Optimisation = universe.Optimisation;
    Space = universe.Space;
    Mass = universe.Mass;
    Pressure = universe.Pressure;
    UseThermodynamics = universe.UseThermodynamics;

    const std::int32_t count = universe.Particles != nullptr ? universe.LastIndex + 1 : 0;
    Particles.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (std::int32_t i = 0; i < count; ++i) {
        const TParticle& p = universe.Particles[i];
        Particles[static_cast<std::size_t>(i)] = TPoint{p.X, p.Y, p.Z, p.Heat};
    }
    Velocities.resize(velocities ? Particles.size() : 0);
    for (std::size_t i = 0; i < Velocities.size(); ++i) {
        const TParticle& p = universe.Particles[i];
        Velocities[i] = TVelocity{p.VX, p.VY, p.VZ};
    }

    // A list the engine has not filled (PairLast -1) or could not have (beyond the array)
    // is taken as empty or cut to the array.
    PairLast =
        std::clamp(universe.PairLast, std::int32_t{-1}, std::int32_t{TUniverse::MaxPairs - 1});
    if (count == 0)
        PairLast = -1;
    Pairs.assign(universe.Pairs.begin(), universe.Pairs.begin() + (PairLast + 1));
}
