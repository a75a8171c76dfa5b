#pragma once

#include "universe/NearBuckets.h"
#include "universe/PairJob.h"
#include "universe/StepTeam.h"
#include "universe/ThreadChoice.h"
#include "universe/TileJob.h"

#include <cstdint>
#include <vector>

/// Working memory of the fast step, sized once per Allocate so that no step allocates.
/// Per particle: the records the kernels read and the sums they write (both by source, the
/// bucket order on partial steps and the index order on full ones), the cell list of
/// partial steps; per worker thread: a candidate list and a book of close pairs.
class TStepScratch {
public:
    /// Sizes everything for count particles and threads workers; throws std::bad_alloc.
    void Reserve(std::int32_t count, std::int32_t threads);
    /// Makes room for more worker threads; throws std::bad_alloc.
    void ReserveThreads(std::int32_t threads);
    std::int32_t Capacity() const { return ParticleCapacity; }
    std::int32_t ThreadCapacity() const { return Threads; }

    /// Worker threads for a thread count setting: the setting, or one per processor core
    /// when it is 0 or less.
    static std::int32_t ThreadsFor(std::int32_t setting);

    /// The kernels' view of the arrays below.
    TPairJob Job();
    /// The tile kernels' view, for count particles in strips of stripSize; the heat tables
    /// are made for the given radiation unless they already are.
    TTileJob TileJob(std::int32_t count, std::int32_t stripSize, double radiation);

    // Slots up to the next whole group of tile lanes, and room for the tile kernels' last
    // group.
    std::size_t PaddedCapacity() const;

    // By source; the sums padded for the tile kernels.
    std::vector<TPairRecord> Records;
    std::vector<double> Heat;
    std::vector<double> AX, AY, AZ, FrictionX, FrictionY, FrictionZ, NewHeat;
    std::vector<std::int32_t> Computed, HigherClose;
    // By slot.
    std::vector<std::int32_t> CloseFirst;
    std::vector<std::int32_t> TestedCellX, TestedCellY, TestedCellZ; // 0 on elongated axes
    // The step's new cells, kept here until the pair sums are done so that a cancelled step
    // has written nothing into the particles.
    std::vector<std::int32_t> CellX, CellY, CellZ;

    TNearBuckets Buckets;
    TStepTeam Team;
    TThreadChoice Choice;
    std::vector<std::int32_t> Candidates; // CandidateStride per thread
    // A candidate list holds up to every particle, plus room for a vector store past its end.
    std::size_t CandidateStride() const {
        return static_cast<std::size_t>(ParticleCapacity > 0 ? ParticleCapacity : 0) + 16;
    }

    /// Empties the first `threads` books of close pairs. They record the rows up to a little
    /// past those the list took last step: where most pairs are close, recording them all
    /// would cost more than the pairs themselves, and rows the list needs beyond them are
    /// walked again.
    void ResetCloseBooks(int threads);
    /// Rows of the visiting order that the close-pair list took last step, INT32_MAX when it
    /// did not fill up.
    std::int32_t CloseRowsTaken = INT32_MAX;
    // Close pairs found by each thread, room for as many as there are particles (and at
    // least LeastCloseRecords, a few times what the list takes); a step with more falls
    // back to walking the rows again.
    static constexpr std::int32_t LeastCloseRecords = 1 << 14;
    std::int32_t CloseRecordsPerThread() const {
        return ParticleCapacity > LeastCloseRecords ? ParticleCapacity : LeastCloseRecords;
    }
    std::vector<TCloseRecord> CloseRecordStore;
    std::vector<TCloseRecords> CloseBooks; // per thread
    std::vector<std::int32_t> CloseSeen;   // by slot
    // Close pairs of the rows that the list takes, put in visiting order.
    std::vector<TCloseRecord> CloseSorted;

    // The tile kernels' particle data by slot: X, Y, Z, VX, VY, VZ, cells, slot, each
    // PaddedCapacity() long.
    static constexpr int TileFields = 10;
    std::vector<double> TileData;
    /// The tile kernels' view for a part of a step in parts other than the first: the same
    /// particle data, with the part's own sums, zeroed for count particles. The first part
    /// adds into the step's sums.
    TTileJob PartJob(const TTileJob& job, int part);
    // The sums of parts 1 and on, TileSumFields per part, each PartStride() long: room for
    // the most particles that step in parts.
    static constexpr int TileSumFields = 6;
    std::size_t PartStride() const;
    std::vector<double> PartSums;
    std::vector<std::int32_t> PartHigherClose;

    // Pairs computed by each thread's tiles, a cache line apart.
    static constexpr std::size_t ComputedStride = 8;
    std::vector<std::int64_t> TileComputed;

private:
    void MakeHeatTables(double radiation, std::int32_t stripSize);
    std::vector<double> HeatWeights; // 256 masks of 8 lanes
    std::vector<double> QPow;
    double TablesRadiation = -1;
    std::int32_t TablesStrip = -1;

private:
    std::int32_t ParticleCapacity = 0;
    std::int32_t Threads = 0;
};
