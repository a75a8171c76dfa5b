#pragma once

#include "universe/Universe.h"

#include <cstdint>

// A universe with N particles at rest at the origin and the simple parameters most tests
// start from: thermodynamics off, every pair near, full steps only.
inline void MakeRestingUniverse(TUniverse& u, std::int32_t count) {
    u.Allocate(count);
    u.SeedRandom(1);
    u.Mass = 0.001;
    u.UseThermodynamics = false;
    u.SetMatrixResolution(10);
    u.SetLocalitySize(10);
    u.SetRedoFrequency(1);
    u.SetMaxSeparation(0);
    for (std::int32_t i = 0; i < count; ++i) {
        TParticle& p = u.Particles[i];
        p = TParticle{};
        p.Heat = 0.2;
    }
}
