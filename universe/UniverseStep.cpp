// The fast step. It computes what StepLiteral computes while doing far less work. Where few
// pairs are near, a partial step only looks at particles in neighbouring buckets of a cell
// list and works out each near pair from both sides, which gives the literal bits (see
// PairKernel.h). Where most pairs are computed (full steps, and partial steps once the
// clusters have met) it works out each pair once in tiles (see TileKernel.h), which differ
// from the literal sums only by the order of additions. Either way in vector lanes, on
// worker threads that sleep while they wait, with the same bits for any thread count.

#include "universe/Universe.h"

#include "universe/CloseList.h"
#include "universe/MatrixCells.h"
#include "universe/PairKernels.h"
#include "universe/ParticleMove.h"
#include "universe/StepControl.h"
#include "universe/StepScratch.h"
#include "universe/TileSchedule.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>

namespace {

// Worker threads pay off once the pair sums take a millisecond or so: from about 1,024
// particles on a full step; on a partial step, whose work depends on how many pairs are
// near, from about this many neighbourhood entries to scan.
constexpr std::int32_t LeastParticlesForThreadsFull = 1024;
constexpr std::int64_t LeastEntriesForThreadsPartial = 100000;
// Tiles in parts meet the sleeping workers once per step, which pays from about this many
// particles; tiles in phases meet them once per phase, and do so from the count on which
// they step in phases.
constexpr std::int32_t LeastParticlesForThreadsTiles = 1024;
// The passes over the particles alone take well under a millisecond below this many; each
// parallel pass costs a meeting of the threads, which a busy machine can hold up for a
// whole scheduler time slice.
constexpr std::int32_t LeastParticlesForParallelPasses = 1 << 16;

// Slots per task of the passes over the particles.
constexpr std::int32_t SlotsPerPassTask = 8192;

// Above this share of near pairs a partial step works out each pair once in tiles over all
// pairs, masking the far ones, rather than each near pair from both sides through the cell
// list. Measured by the cell list's entries to scan: each is one lane group meeting one
// candidate, against one tile group of eight pairs.
constexpr std::int64_t TileEntriesPerPairGroup = 1;
// A partial step after one that skipped less than this share of pairs goes straight to
// tiles; the clusters have met then, and nine pairs in ten or so are near.
constexpr float MostlyNearOptimisation = 0.2f;
// The tiles' heat fold weighs pressures by powers of 1 - Radiation; outside the range the
// settings give, the per-particle kernel folds one pair at a time instead.
constexpr double GreatestTileRadiation = 0.01;

struct TStepContext {
    TUniverse& Universe;
    TStepControl* Control; // may be null
    TStepScratch& Scratch;
    std::int32_t First;
    std::int32_t Count; // particles in the range, at least 1
    bool FullStep;
    int Threads;
    bool ParallelPasses; // whether the passes over the particles are shared among threads
    bool Tiles = false;  // each pair once, in tiles, by slot
};

// Calls pass(slot) for every slot, shared among the threads where that pays.
template <class TPass> void ForEachSlot(TStepContext& c, TPass&& pass) {
    const int threads = c.ParallelPasses ? c.Threads : 1;
    const std::int32_t tasks = (c.Count + SlotsPerPassTask - 1) / SlotsPerPassTask;
    c.Scratch.Team.Run(threads, tasks, [&](std::int32_t task, int) {
        const std::int32_t end = std::min(c.Count, (task + 1) * SlotsPerPassTask);
        for (std::int32_t slot = task * SlotsPerPassTask; slot < end; ++slot)
            pass(slot);
    });
}

// The step's cells and the cells that the near test uses, per slot. The particles keep
// their old cells until the step can no longer be cancelled.
void AssignCells(TStepContext& c, const TMatrixGrid& grid) {
    const TParticle* particles = c.Universe.Particles + c.First;
    TStepScratch& s = c.Scratch;
    ForEachSlot(c, [&](std::int32_t slot) {
        const TParticle& p = particles[slot];
        s.CellX[slot] = grid.CellOf(p.X, grid.LeastX, grid.ReciprocalX);
        s.CellY[slot] = grid.CellOf(p.Y, grid.LeastY, grid.ReciprocalY);
        s.CellZ[slot] = grid.CellOf(p.Z, grid.LeastZ, grid.ReciprocalZ);
        s.TestedCellX[slot] = grid.ElongatedX ? 0 : s.CellX[slot];
        s.TestedCellY[slot] = grid.ElongatedY ? 0 : s.CellY[slot];
        s.TestedCellZ[slot] = grid.ElongatedZ ? 0 : s.CellZ[slot];
    });
}

// The structure-of-arrays copies, in index order on a full step and in bucket order on a
// partial one.
void CopyParticles(TStepContext& c) {
    const TParticle* particles = c.Universe.Particles + c.First;
    TStepScratch& s = c.Scratch;
    const bool bucketed = !c.FullStep && !c.Tiles;
    const std::size_t padded = s.PaddedCapacity();
    double* tile = s.TileData.data();
    const bool tiles = c.Tiles;
    ForEachSlot(c, [&](std::int32_t slot) {
        const TParticle& p = particles[slot];
        const std::int32_t source = bucketed ? s.Buckets.SourceOf(slot) : slot;
        if (tiles) {
            const double fields[TStepScratch::TileFields] = {
                p.X,
                p.Y,
                p.Z,
                p.VX,
                p.VY,
                p.VZ,
                static_cast<double>(s.TestedCellX[slot]),
                static_cast<double>(s.TestedCellY[slot]),
                static_cast<double>(s.TestedCellZ[slot]),
                static_cast<double>(slot)};
            for (int f = 0; f < TStepScratch::TileFields; ++f)
                tile[static_cast<std::size_t>(f) * padded + static_cast<std::size_t>(slot)] =
                    fields[f];
            s.AX[slot] = s.AY[slot] = s.AZ[slot] = 0;
            s.FrictionX[slot] = s.FrictionY[slot] = s.FrictionZ[slot] = 0;
            s.NewHeat[slot] = p.Heat;
            s.HigherClose[slot] = 0;
        }
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
    });
}

// The tile kernels read and add to whole groups of eight: the slots past the last particle
// hold harmless values and the padding slot, which nothing takes as a lower partner.
void PadTiles(TStepContext& c) {
    TStepScratch& s = c.Scratch;
    const std::size_t padded = s.PaddedCapacity();
    constexpr std::size_t lanes = TTileJob::Lanes;
    const std::size_t end =
        std::min(padded, (static_cast<std::size_t>(c.Count) + lanes - 1) / lanes * lanes + lanes);
    for (std::size_t slot = static_cast<std::size_t>(c.Count); slot < end; ++slot) {
        for (int f = 0; f < TStepScratch::TileFields; ++f)
            s.TileData[static_cast<std::size_t>(f) * padded + slot] = 0;
        s.TileData[9 * padded + slot] = TTileJob::PaddingSlot;
        s.AX[slot] = s.AY[slot] = s.AZ[slot] = 0;
        s.FrictionX[slot] = s.FrictionY[slot] = s.FrictionZ[slot] = 0;
    }
}

// The step's parameters, the same for both kinds of kernel job.
template <class TJob> TJob WithParameters(const TStepContext& c, TJob job) {
    const TUniverse& u = c.Universe;
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

// Phase by phase; the tiles of a phase share no strip and are taken one at a time by
// whichever thread is free. A row strip's rows are done with its diagonal tile, the last
// one it takes part in as rows.
std::int64_t SumTilesInPhases(TStepContext& c, const TTileJob& job, const TTileSchedule& schedule) {
    const TTileFunction run = PairKernels::TileFunction();
    TStepScratch& s = c.Scratch;
    for (int t = 0; t < c.Threads; ++t)
        s.TileComputed[static_cast<std::size_t>(t) * TStepScratch::ComputedStride] = 0;
    for (std::int32_t phase = 0; phase < schedule.Phases(); ++phase) {
        if (StepControl::Cancelled(c.Control))
            break;
        s.Team.Run(c.Threads, schedule.TilesIn(phase), [&](std::int32_t t, int thread) {
            if (StepControl::Cancelled(c.Control))
                return;
            std::int32_t rows = 0, partners = 0;
            schedule.Tile(phase, t, rows, partners);
            const auto at = static_cast<std::size_t>(thread);
            // Copied in and out, as in parts.
            TCloseRecords book = s.CloseBooks[at];
            std::int64_t pairs = 0;
            run(job, rows, partners, book, pairs);
            s.CloseBooks[at] = book;
            s.TileComputed[at * TStepScratch::ComputedStride] += pairs;
            if (rows == partners)
                StepControl::RowsDone(c.Control, schedule.RowsIn(rows));
        });
    }
    std::int64_t total = 0;
    for (int t = 0; t < c.Threads; ++t)
        total += s.TileComputed[static_cast<std::size_t>(t) * TStepScratch::ComputedStride];
    return total;
}

// Part by part, each part taken by whichever thread is free and worked out by it alone,
// into its own sums and its own book of close pairs; then the parts' sums are added in
// part order.
std::int64_t SumTilesInParts(TStepContext& c, const TTileJob& job, const TTileSchedule& schedule) {
    constexpr int parts = TTileSchedule::Parts;
    const TTileFunction run = PairKernels::TileFunction();
    TStepScratch& s = c.Scratch;
    TTileJob jobs[parts];
    std::int64_t computed[parts] = {};
    s.Team.Run(c.Threads, parts, [&](std::int32_t part, int) {
        jobs[part] = part == 0 ? job : s.PartJob(job, part);
        // The book and the count are the part's own while it runs: no cache line that the
        // kernel writes at every block is shared with another thread, and the kernel keeps
        // them in registers.
        TCloseRecords book = s.CloseBooks[static_cast<std::size_t>(part)];
        std::int64_t pairs = 0;
        const std::int32_t end = schedule.PartBegin(part + 1);
        for (std::int32_t rows = schedule.PartBegin(part); rows < end; ++rows) {
            if (StepControl::Cancelled(c.Control))
                break;
            for (std::int32_t partners = 0; partners <= rows; ++partners)
                run(jobs[part], rows, partners, book, pairs);
            StepControl::RowsDone(c.Control, schedule.RowsIn(rows));
        }
        s.CloseBooks[static_cast<std::size_t>(part)] = book;
        computed[part] = pairs;
    });
    if (StepControl::Cancelled(c.Control))
        return 0;
    for (int part = 1; part < parts; ++part) {
        const TTileJob& own = jobs[part];
        for (std::int32_t slot = 0; slot < c.Count; ++slot) {
            job.AX[slot] += own.AX[slot];
            job.AY[slot] += own.AY[slot];
            job.AZ[slot] += own.AZ[slot];
            job.FrictionX[slot] += own.FrictionX[slot];
            job.FrictionY[slot] += own.FrictionY[slot];
            job.FrictionZ[slot] += own.FrictionZ[slot];
            job.HigherClose[slot] += own.HigherClose[slot];
        }
    }
    std::int64_t total = 0;
    for (const std::int64_t n : computed)
        total += n;
    return total;
}

void SumAllPairs(TStepContext& c, const TPairJob& job) {
    const TPairGroupFunction run = PairKernels::GroupFunction();
    const std::int32_t groups = (c.Count + TLaneGroup::MaxLanes - 1) / TLaneGroup::MaxLanes;
    c.Scratch.Team.Run(c.Threads, groups, [&](std::int32_t g, int thread) {
        // A group's rows take well under a millisecond even at the largest counts, so a
        // cancel is seen promptly; the rest of the loop then runs empty.
        if (StepControl::Cancelled(c.Control))
            return;
        TLaneGroup group{};
        const std::int32_t first = g * TLaneGroup::MaxLanes;
        group.Count = std::min(TLaneGroup::MaxLanes, c.Count - first);
        for (std::int32_t l = 0; l < group.Count; ++l)
            group.Source[l] = first + l;
        // The thread's book is copied in and out, as for tiles.
        TCloseRecords& kept = c.Scratch.CloseBooks[static_cast<std::size_t>(thread)];
        TCloseRecords book = kept;
        run(job, group, nullptr, c.Count, book);
        kept = book;
        StepControl::RowsDone(c.Control, group.Count);
    });
}

void SumNearPairs(TStepContext& c, const TPairJob& job) {
    const TPairGroupFunction run = PairKernels::GroupFunction();
    const TWindowFilterFunction filter = PairKernels::WindowFilter();
    const TNearBuckets& buckets = c.Scratch.Buckets;
    std::int32_t* lists = c.Scratch.Candidates.data();
    const std::size_t stride = c.Scratch.CandidateStride();
    c.Scratch.Team.Run(c.Threads, buckets.GroupCount(), [&](std::int32_t g, int thread) {
        if (StepControl::Cancelled(c.Control))
            return;
        const TNearBuckets::TGroup& near = buckets.Group(g);
        std::int32_t* list = lists + static_cast<std::size_t>(thread) * stride;
        const std::int32_t found = buckets.Candidates(near, filter, list);
        TLaneGroup group{};
        group.Count = near.Count;
        for (std::int32_t l = 0; l < near.Count; ++l)
            group.Source[l] = near.FirstSource + l;
        TCloseRecords& kept = c.Scratch.CloseBooks[static_cast<std::size_t>(thread)];
        TCloseRecords book = kept;
        run(job, group, list, found, book);
        kept = book;
        StepControl::RowsDone(c.Control, near.Count);
    });
}

void MoveParticles(TStepContext& c) {
    TParticle* particles = c.Universe.Particles + c.First;
    const TStepScratch& s = c.Scratch;
    const bool bucketed = !c.FullStep && !c.Tiles;
    ForEachSlot(c, [&](std::int32_t slot) {
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
    });
}

std::int64_t ComputedPairs(const TStepContext& c, std::int64_t tileComputed) {
    const std::int64_t n = c.Count - 1;
    if (c.FullStep)
        return n * (n + 1) / 2;
    if (c.Tiles)
        return tileComputed;
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
    // Without room for the tree a step falls back to pairs rather than fail.
    if (GravityMethod == gmTree &&
        (Last < First || Particles == nullptr ||
         ReserveTree(static_cast<std::int32_t>(static_cast<std::int64_t>(Last) - First + 1))))
        return StepTree(First, Last, Control);
    return StepPairs(First, Last, Control);
}

bool TUniverse::StepPairs(std::int32_t First, std::int32_t Last, TStepControl* Control) {
    if (Particles == nullptr || Scratch == nullptr)
        Last = First - 1; // a universe without particles steps an empty range

    // Nothing of the universe is written until the pair sums are complete: a cancelled step
    // returns before that and leaves every bit as it was.
    const std::int32_t redoCountdown = RedoCountdown - 1;
    const bool fullStep = redoCountdown < 1;

    std::int64_t computedPairs = 0;
    std::int32_t pairLast = -1;
    bool tiled = false;
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
        const bool tilesFold =
            !UseThermodynamics || (Radiation >= 0 && Radiation <= GreatestTileRadiation);
        const std::int64_t pairGroups = static_cast<std::int64_t>(count) * count / 16;
        if (fullStep) {
            c.Tiles = tilesFold && UseTiles;
            if (!chosen &&
                count < (c.Tiles ? LeastParticlesForThreadsTiles : LeastParticlesForThreadsFull))
                c.Threads = 1;
        } else if (tilesFold && UseTiles && LocalitySize >= 0 && Optimisation > 0 &&
                   Optimisation < MostlyNearOptimisation) {
            // The step before was partial and skipped little: the clusters have met, and the
            // cell list would only confirm that tiles pay. Optimisation is part of the saved
            // state, so a universe read back from a file decides alike.
            c.Tiles = true;
            if (!chosen && count < LeastParticlesForThreadsTiles)
                c.Threads = 1;
        } else {
            Scratch->Buckets.Build(Scratch->TestedCellX.data(), Scratch->TestedCellY.data(),
                                   Scratch->TestedCellZ.data(), count, LocalitySize, grid.LastCell,
                                   !grid.ElongatedX, !grid.ElongatedY, !grid.ElongatedZ);
            const std::int64_t entries = Scratch->Buckets.EntriesToScan();
            c.Tiles = tilesFold && UseTiles && LocalitySize >= 0 &&
                      entries >= pairGroups * TileEntriesPerPairGroup;
            if (!chosen && (c.Tiles ? count < LeastParticlesForThreadsTiles
                                    : entries < LeastEntriesForThreadsPartial))
                c.Threads = 1;
        }
        // Short steps whose threads are left open use the team where it paid lately.
        const bool adaptive =
            !chosen && c.Threads > 1 && count < TTileSchedule::MostParticlesInParts;
        if (adaptive && !Scratch->Choice.UseTeam(fullStep))
            c.Threads = 1;
        const auto began = std::chrono::steady_clock::now();
        if (StepControl::Cancelled(Control))
            return false;
        tiled = c.Tiles;
        CopyParticles(c);
        const int books = c.Tiles && count < TTileSchedule::MostParticlesInParts
                              ? TTileSchedule::Parts
                              : c.Threads;
        Scratch->ResetCloseBooks(books);
        std::int64_t tileComputed = 0;
        double closeBelow = 0;
        if (c.Tiles) {
            PadTiles(c);
            const TTileSchedule schedule = TTileSchedule::For(count);
            const TTileJob job =
                WithParameters(c, Scratch->TileJob(count, schedule.StripSize, Radiation));
            closeBelow = job.CloseBelow;
            tileComputed = schedule.InParts() ? SumTilesInParts(c, job, schedule)
                                              : SumTilesInPhases(c, job, schedule);
        } else {
            const TPairJob job = WithParameters(c, Scratch->Job());
            closeBelow = job.CloseBelow;
            if (fullStep)
                SumAllPairs(c, job);
            else
                SumNearPairs(c, job);
        }
        if (StepControl::Cancelled(Control))
            return false;
        MoveParticles(c);
        computedPairs = ComputedPairs(c, tileComputed);
        const CloseList::TWalk walk = fullStep  ? CloseList::TWalk::Every
                                      : c.Tiles ? CloseList::TWalk::NearBySlot
                                                : CloseList::TWalk::Buckets;
        pairLast =
            CloseList::Collect(*this, *Scratch, First, count, walk, closeBelow, books, c.Threads);
        if (adaptive)
            Scratch->Choice.Took(
                fullStep, c.Threads > 1,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(),
                computedPairs);
    }

    PairLast = pairLast;
    RedoCountdown = redoCountdown;
    LastTiled = tiled;
    FinishStep(First, Last, computedPairs);
    return true;
}
