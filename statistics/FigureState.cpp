#include "statistics/FigureState.h"

#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

void TFigureState::CopyFrom(const TUniverse& universe) {
    Mass = universe.Mass;
    Pressure = universe.Pressure;
    UseThermodynamics = universe.UseThermodynamics;
    IterationCount = universe.IterationCount;
    Optimisation = universe.Optimisation;
    HasVelocities = true;
    const std::int32_t count = universe.Particles ? universe.LastIndex + 1 : 0;
    Particles.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    for (std::size_t i = 0; i < Particles.size(); ++i) {
        const TParticle& p = universe.Particles[i];
        Particles[i] = {p.X, p.Y, p.Z, p.VX, p.VY, p.VZ, p.Heat};
    }
}

void TFigureState::CopyFrom(const TUniverseSnapshot& snapshot, double mass, double pressure) {
    Mass = mass;
    Pressure = pressure;
    UseThermodynamics = snapshot.UseThermodynamics;
    IterationCount = snapshot.IterationCount;
    Optimisation = snapshot.Optimisation;
    HasVelocities = snapshot.HasVelocities();
    Particles.resize(snapshot.Particles.size());
    for (std::size_t i = 0; i < Particles.size(); ++i) {
        const TUniverseSnapshot::TPoint& p = snapshot.Particles[i];
        const TUniverseSnapshot::TVelocity v =
            HasVelocities ? snapshot.Velocities[i] : TUniverseSnapshot::TVelocity{0, 0, 0};
        Particles[i] = {p.X, p.Y, p.Z, v.VX, v.VY, v.VZ, p.Heat};
    }
}
