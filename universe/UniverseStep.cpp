// The fast step. It computes exactly what StepLiteral computes (see PairKernel.h for why the
// sums agree bit for bit) while doing far less work: a partial step only looks at particles
// in neighbouring buckets of a cell list, a full step runs the pair kernel over all pairs,
// both on every core and in vector lanes.

#include "universe/Universe.h"

#include "universe/CloseList.h"
#include "universe/MatrixCells.h"
#include "universe/PairKernels.h"
#include "universe/ParticleMove.h"
#include "universe/StepControl.h"
#include "universe/StepScratch.h"

#include <algorithm>
#include <cstdint>
#include <new>

#if defined(_OPENMP)
#include <omp.h>
#endif

namespace {

// Worker threads pay off once the pair sums take a millisecond or so: from about 1,024
// particles on a full step; on a partial step, whose work depends on how many pairs are
// near, from about this many neighbourhood entries to scan.
constexpr std::int32_t LeastParticlesForThreadsFull = 1024;
constexpr std::int64_t LeastEntriesForThreadsPartial = 100000;
// The passes over the particles alone take well under a millisecond below this many; each
// parallel pass costs a meeting of the threads, which a busy machine can hold up for a
// whole scheduler time slice.
constexpr std::int32_t LeastParticlesForParallelPasses = 1 << 16;

int ThreadNumber() {
#if defined(_OPENMP)
    return omp_get_thread_num();
#else
    return 0;
#endif
}

struct TStepContext {
    TUniverse& Universe;
    TStepControl* Control; // may be null
    TStepScratch& Scratch;
    std::int32_t First;
    std::int32_t Count; // particles in the range, at least 1
    bool FullStep;
    int Threads;
    bool ParallelPasses; // whether the passes over the particles are shared among threads
};

// The step's cells and the cells that the near test uses, per slot. The particles keep
// their old cells until the step can no longer be cancelled.
void AssignCells(TStepContext& c, const TMatrixGrid& grid) {
    const TParticle* particles = c.Universe.Particles + c.First;
    TStepScratch& s = c.Scratch;
#pragma omp parallel for num_threads(c.Threads) schedule(static) if (c.ParallelPasses)
    for (std::int32_t slot = 0; slot < c.Count; ++slot) {
        const TParticle& p = particles[slot];
        s.CellX[slot] = grid.CellOf(p.X, grid.LeastX, grid.ReciprocalX);
        s.CellY[slot] = grid.CellOf(p.Y, grid.LeastY, grid.ReciprocalY);
        s.CellZ[slot] = grid.CellOf(p.Z, grid.LeastZ, grid.ReciprocalZ);
        s.TestedCellX[slot] = grid.ElongatedX ? 0 : s.CellX[slot];
        s.TestedCellY[slot] = grid.ElongatedY ? 0 : s.CellY[slot];
        s.TestedCellZ[slot] = grid.ElongatedZ ? 0 : s.CellZ[slot];
    }
}

// The structure-of-arrays copies, in index order on a full step and in bucket order on a
// partial one.
void CopyParticles(TStepContext& c) {
    const TParticle* particles = c.Universe.Particles + c.First;
    TStepScratch& s = c.Scratch;
    const bool bucketed = !c.FullStep;
#pragma omp parallel for num_threads(c.Threads) schedule(static) if (c.ParallelPasses)
    for (std::int32_t slot = 0; slot < c.Count; ++slot) {
        const TParticle& p = particles[slot];
        const std::int32_t source = bucketed ? s.Buckets.SourceOf(slot) : slot;
        s.Records[source] = TPairRecord{p.X,
                                        p.Y,
                                        p.Z,
                                        p.VX,
                                        p.VY,
                                        p.VZ,
                                        static_cast<double>(s.TestedCellX[slot]),
                                        static_cast<double>(s.TestedCellY[slot]),
                                        static_cast<double>(s.TestedCellZ[slot]),
                                        static_cast<double>(slot)};
        s.Heat[source] = p.Heat;
    }
}

TPairJob MakeJob(TStepContext& c) {
    const TUniverse& u = c.Universe;
    TPairJob job = c.Scratch.Job();
    job.Mass = u.Mass;
    job.Friction = u.Friction;
    job.Pressure = u.Pressure;
    job.Radiation = u.Radiation;
    job.RedoWeight = u.RedoFrequency;
    job.Locality = u.LocalitySize;
    job.CloseBelow = CloseList::SquaredLimit(u.MaxSeparation * 0.1);
    job.FullStep = c.FullStep;
    job.Thermodynamics = u.UseThermodynamics;
    return job;
}

void SumAllPairs(TStepContext& c, const TPairJob& job) {
    const TPairGroupFunction run = PairKernels::GroupFunction();
    const std::int32_t groups = (c.Count + TLaneGroup::MaxLanes - 1) / TLaneGroup::MaxLanes;
#pragma omp parallel for num_threads(c.Threads) schedule(dynamic, 1)
    for (std::int32_t g = 0; g < groups; ++g) {
        // A group's rows take well under a millisecond even at the largest counts, so a
        // cancel is seen promptly; the rest of the loop then runs empty.
        if (StepControl::Cancelled(c.Control))
            continue;
        TLaneGroup group{};
        const std::int32_t first = g * TLaneGroup::MaxLanes;
        group.Count = std::min(TLaneGroup::MaxLanes, c.Count - first);
        for (std::int32_t l = 0; l < group.Count; ++l)
            group.Source[l] = first + l;
        run(job, group, nullptr, c.Count, c.Scratch.CloseBooks[ThreadNumber()]);
        StepControl::RowsDone(c.Control, group.Count);
    }
}

void SumNearPairs(TStepContext& c, const TPairJob& job) {
    const TPairGroupFunction run = PairKernels::GroupFunction();
    const TWindowFilterFunction filter = PairKernels::WindowFilter();
    const TNearBuckets& buckets = c.Scratch.Buckets;
    std::int32_t* lists = c.Scratch.Candidates.data();
    const std::size_t stride = c.Scratch.CandidateStride();
#pragma omp parallel for num_threads(c.Threads) schedule(dynamic, 2)
    for (std::int32_t g = 0; g < buckets.GroupCount(); ++g) {
        if (StepControl::Cancelled(c.Control))
            continue;
        const TNearBuckets::TGroup& near = buckets.Group(g);
        std::int32_t* list = lists + static_cast<std::size_t>(ThreadNumber()) * stride;
        const std::int32_t found = buckets.Candidates(near, filter, list);
        TLaneGroup group{};
        group.Count = near.Count;
        for (std::int32_t l = 0; l < near.Count; ++l)
            group.Source[l] = near.FirstSource + l;
        run(job, group, list, found, c.Scratch.CloseBooks[ThreadNumber()]);
        StepControl::RowsDone(c.Control, near.Count);
    }
}

void MoveParticles(TStepContext& c) {
    TParticle* particles = c.Universe.Particles + c.First;
    const TStepScratch& s = c.Scratch;
    const bool bucketed = !c.FullStep;
#pragma omp parallel for num_threads(c.Threads) schedule(static) if (c.ParallelPasses)
    for (std::int32_t slot = 0; slot < c.Count; ++slot) {
        TParticle& p = particles[slot];
        const std::int32_t source = bucketed ? s.Buckets.SourceOf(slot) : slot;
        p.AX = s.AX[source];
        p.AY = s.AY[source];
        p.AZ = s.AZ[source];
        p.FrictionX = s.FrictionX[source];
        p.FrictionY = s.FrictionY[source];
        p.FrictionZ = s.FrictionZ[source];
        p.Heat = s.NewHeat[source];
        p.CellX = s.CellX[slot];
        p.CellY = s.CellY[slot];
        p.CellZ = s.CellZ[slot];
        MoveParticle(p);
    }
}

std::int64_t ComputedPairs(const TStepContext& c) {
    const std::int64_t n = c.Count - 1;
    if (c.FullStep)
        return n * (n + 1) / 2;
    // Each near pair was counted from both sides.
    std::int64_t computed = 0;
    for (std::int32_t source = 0; source < c.Count; ++source)
        computed += c.Scratch.Computed[source];
    return computed / 2;
}

} // namespace

void TUniverse::SetStepThreads(std::int32_t Count) {
    StepThreadCount = Count;
    if (Scratch == nullptr)
        return;
    try {
        Scratch->ReserveThreads(TStepScratch::ThreadsFor(Count));
    } catch (const std::bad_alloc&) {
        // Steps go on with the threads there is room for.
    }
}

bool TUniverse::Step(std::int32_t First, std::int32_t Last, TStepControl* Control) {
    if (Particles == nullptr || Scratch == nullptr)
        Last = First - 1; // a universe without particles steps an empty range

    // Nothing of the universe is written until the pair sums are complete: a cancelled step
    // returns before that and leaves every bit as it was.
    const std::int32_t redoCountdown = RedoCountdown - 1;
    const bool fullStep = redoCountdown < 1;

    std::int64_t computedPairs = 0;
    std::int32_t pairLast = -1;
    if (Last >= First) {
        const auto count = static_cast<std::int32_t>(static_cast<std::int64_t>(Last) - First + 1);
        StepControl::AddRows(Control, count);
        // A thread count that was set is used as it is; otherwise small steps keep to one.
        const bool chosen = StepThreadCount > 0;
        const int wanted =
            std::min(TStepScratch::ThreadsFor(StepThreadCount), Scratch->ThreadCapacity());
        TStepContext c{
            *this, Control,  *Scratch, First,
            count, fullStep, wanted,   wanted > 1 && count >= LeastParticlesForParallelPasses};

        const TMatrixGrid grid = TMatrixGrid::Lay(Particles, First, Last, MatrixResolution);
        AssignCells(c, grid);
        if (fullStep) {
            if (!chosen && count < LeastParticlesForThreadsFull)
                c.Threads = 1;
        } else {
            Scratch->Buckets.Build(Scratch->TestedCellX.data(), Scratch->TestedCellY.data(),
                                   Scratch->TestedCellZ.data(), count, LocalitySize, grid.LastCell,
                                   !grid.ElongatedX, !grid.ElongatedY, !grid.ElongatedZ);
            if (!chosen && Scratch->Buckets.EntriesToScan() < LeastEntriesForThreadsPartial)
                c.Threads = 1;
        }
        if (StepControl::Cancelled(Control))
            return false;
        CopyParticles(c);
        const TPairJob job = MakeJob(c);
        Scratch->ResetCloseBooks(c.Threads);
        if (fullStep)
            SumAllPairs(c, job);
        else
            SumNearPairs(c, job);
        if (StepControl::Cancelled(Control))
            return false;
        MoveParticles(c);
        computedPairs = ComputedPairs(c);
        pairLast =
            CloseList::Collect(*this, *Scratch, First, count, fullStep, job.CloseBelow, c.Threads);
    }

    PairLast = pairLast;
    RedoCountdown = redoCountdown;
    FinishStep(First, Last, computedPairs);
    return true;
}
