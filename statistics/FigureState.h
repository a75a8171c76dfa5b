#pragma once

#include <cstdint>
#include <vector>

class TUniverse;
struct TUniverseSnapshot;

/// What the figures of one universe state are worked out from: a copy, so that the O(N²)
/// potential can run on any thread while the engine steps on. Taking it costs one pass over
/// the particles, which is all the engine's thread ever pays.
struct TFigureState {
    struct TPoint {
        double X, Y, Z;
        double VX, VY, VZ;
        double Heat;
    };

    double Mass = 0;
    double Pressure = 0;
    bool UseThermodynamics = false;
    std::int32_t IterationCount = 0;
    float Optimisation = 0;
    // Recorded frames keep positions and heat only: their velocities read 0 and every
    // figure that needs them is left out.
    bool HasVelocities = true;
    std::vector<TPoint> Particles;

    /// The universe's present state, reusing this state's memory where it can.
    void CopyFrom(const TUniverse& universe);
    /// A snapshot or recorded frame. A frame carries neither velocities nor the parameters,
    /// a snapshot its velocities only when the runner was asked for them: Mass and
    /// Pressure are those of the universe that produced it.
    void CopyFrom(const TUniverseSnapshot& snapshot, double mass, double pressure);
};
