#pragma once

#include "universe/StepConstants.h"
#include "universe/Universe.h"

// The last stage of every step: velocity from the summed changes, then position, axis by
// axis. The time step is 1.
inline void MoveParticle(TParticle& p) {
    using StepConstants::Damping;
    p.VX = p.VX * Damping + p.AX + p.FrictionX;
    p.X = p.X + p.VX;
    p.VY = p.VY * Damping + p.AY + p.FrictionY;
    p.Y = p.Y + p.VY;
    p.VZ = p.VZ * Damping + p.AZ + p.FrictionZ;
    p.Z = p.Z + p.VZ;
}
