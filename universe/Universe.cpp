#include "universe/Universe.h"

#include "universe/StepScratch.h"
#include "universe/TreeScratch.h"

#include <algorithm>
#include <limits>
#include <new>

TUniverse::TUniverse() = default;

TUniverse::~TUniverse() {
    ReleaseParticles();
}

bool TUniverse::Allocate(std::int32_t Count) {
    if (!AllocateState(Count))
        return false;
    try {
        if (Scratch == nullptr)
            Scratch = std::make_unique<TStepScratch>();
        Scratch->Reserve(Count, TStepScratch::ThreadsFor(StepThreadCount));
    } catch (const std::bad_alloc&) {
        ReleaseParticles();
        return false;
    }
    return true;
}

bool TUniverse::AllocateState(std::int32_t Count) {
    RandomSource.SeedFromClock();
    ReleaseParticles();
    if (Count <= 0)
        return false;

    // Zeroed rather than left undefined: a snapshot of a universe that was never seeded
    // copies harmless values rather than garbage.
    TParticle* block = new (std::nothrow) TParticle[static_cast<std::size_t>(Count)]();
    if (block == nullptr)
        return false;
    Particles = block;
    ParticlesBytes = sizeof(TParticle) * static_cast<std::size_t>(Count);
    LastIndex = Count - 1;
    RedoCountdown = 0;
    return true;
}

void TUniverse::ReleaseParticles() {
    delete[] Particles;
    Particles = nullptr;
    Scratch.reset();
    TreeScratch.reset();
    ParticlesBytes = 0;
    LastIndex = -1;
    PairLast = -1;
}

void TUniverse::FinishStep(std::int32_t First, std::int32_t Last, std::int64_t ComputedPairs) {
    if (RedoCountdown < 1)
        RedoCountdown = RedoFrequency;
    CountStep(First, Last, ComputedPairs);
}

void TUniverse::CountStep(std::int32_t First, std::int32_t Last, std::int64_t ComputedPairs) {
    // Stops at the largest count rather than wrapping to a negative one, which would also
    // turn the views' lines off (they need a count of at least 1).
    if (IterationCount < std::numeric_limits<std::int32_t>::max())
        SetIterationCount(IterationCount + 1);

    // n * (n + 1) / 2 pairs in the range, worked out in double: it passes 2^31 at the
    // largest particle counts.
    const std::int64_t n = static_cast<std::int64_t>(Last) - First;
    if (n <= 1)
        Optimisation = 0;
    else
        Optimisation = static_cast<float>(1 - static_cast<double>(ComputedPairs) /
                                                  (static_cast<double>(n) * (n + 1) * 0.5));
}

void TUniverse::CopySettingsFrom(const TUniverse& from) {
    UseThermodynamics = from.UseThermodynamics;
    Formation = from.Formation;
    Distribution = from.Distribution;
    Space = from.Space;
    Velocity = from.Velocity;
    Mass = from.Mass;
    Globular = from.Globular;
    Friction = from.Friction;
    Pressure = from.Pressure;
    Separation = from.Separation;
    Radiation = from.Radiation;
    LocalitySize = from.LocalitySize;
    RedoFrequency = from.RedoFrequency;
    MatrixResolution = from.MatrixResolution;
    IterationCount = from.IterationCount;
    MaxSeparation = from.MaxSeparation;
    GravityMethod = from.GravityMethod;
    OpeningAngle = from.OpeningAngle;
    RedoCountdown = from.RedoCountdown;
    Optimisation = from.Optimisation;
}

bool TUniverse::CopyStateFrom(const TUniverse& from) {
    if (&from == this)
        return true;
    if (!Allocate(from.LastIndex + 1))
        return false;
    std::copy(from.Particles, from.Particles + from.LastIndex + 1, Particles);
    Pairs = from.Pairs;
    PairLast = from.PairLast;
    CopySettingsFrom(from);
    return true;
}
