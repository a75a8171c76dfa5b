#include "universe/Universe.h"

#include "universe/StepScratch.h"

#include <new>

TUniverse::TUniverse() = default;

TUniverse::~TUniverse() {
    ReleaseParticles();
}

bool TUniverse::Allocate(std::int32_t Count) {
    RandomSource.SeedFromClock();
    ReleaseParticles();
    if (Count <= 0)
        return false;

    // Zeroed rather than left undefined: a view may read a particle's screen point before
    // it ever drew it, and zero is a harmless value where garbage is not.
    TParticle* block = new (std::nothrow) TParticle[static_cast<std::size_t>(Count)]();
    if (block == nullptr)
        return false;
    try {
        if (Scratch == nullptr)
            Scratch = std::make_unique<TStepScratch>();
        Scratch->Reserve(Count, TStepScratch::ThreadsFor(StepThreadCount));
    } catch (const std::bad_alloc&) {
        delete[] block;
        Scratch.reset();
        return false;
    }

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
    ParticlesBytes = 0;
    LastIndex = -1;
    PairLast = -1;
}
