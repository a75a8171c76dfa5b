#pragma once

#include "universe/Universe.h"

#include <cstdint>
#include <vector>

/// What the last piece of engine work left, copied out for the window thread: the figures,
/// what drawing needs of each particle, and the close pairs. A snapshot never changes once
/// it is published, so any number of readers may hold it while the engine works on.
struct TUniverseSnapshot {
    /// How the build that made this universe ended. A snapshot taken after a failed or
    /// cancelled build holds no particles.
    enum class TBuild : std::uint8_t { Built, Failed, Cancelled };

    struct TPoint {
        double X, Y, Z;
        double Heat;
    };
    struct TVelocity {
        double VX, VY, VZ;
    };

    std::uint64_t Serial = 0;     // counts publications: a higher one is newer
    std::uint64_t BuildCount = 0; // counts builds: a new one means a new universe
    TBuild Build = TBuild::Built;
    bool FromStep = false; // published by a step, not by a build

    std::int32_t IterationCount = 0;
    float Optimisation = 0;
    double Space = 0;
    double Mass = 0;
    double Pressure = 0;
    bool UseThermodynamics = false;
    std::vector<TPoint> Particles; // index order; empty without a universe
    // Only while someone works out energies from the snapshots (the runner is told so):
    // drawing needs none, and copying them costs the engine another pass of memory.
    std::vector<TVelocity> Velocities;
    // The close-pair list of the last step, PairLast + 1 entries.
    std::int32_t PairLast = -1;
    std::vector<TPairEntry> Pairs;

    std::int32_t LastIndex() const { return static_cast<std::int32_t>(Particles.size()) - 1; }
    bool HasParticles() const { return !Particles.empty(); }

    bool HasVelocities() const {
        return !Particles.empty() && Velocities.size() == Particles.size();
    }

    /// Copies the universe's present state, the velocities too when asked, reusing this
    /// snapshot's memory where it can. Throws std::bad_alloc when it cannot get enough.
    void CopyFrom(const TUniverse& universe, bool velocities = false);
};
