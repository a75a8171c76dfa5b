#pragma once

#include "universe/PairJob.h"

#include <cstdint>
#include <vector>

/// The cell list of a partial step. Matrix cells are binned into buckets at least
/// LocalitySize + 1 cells wide on each tested axis, so that a particle's near partners all
/// lie in its own bucket or a neighbouring one. Particles are ordered by bucket and, inside
/// a bucket, along a space-filling curve, and cut into lane groups of up to eight close
/// neighbours; for each occupied bucket the particles of its neighbourhood are listed in
/// ascending index order, the order in which the kernel must meet them.
///
/// A "slot" is a particle's position in the stepped range; a "source" its position in the
/// bucket order. Nothing here allocates after Reserve.
class TNearBuckets {
public:
    static constexpr std::int32_t GroupLanes = 8;

    using TEntry = TNeighbourEntry;

    struct TGroup {
        std::int32_t Bucket;
        std::int32_t FirstSource;
        std::int32_t Count;
    };

    /// Sizes every table for up to count particles.
    void Reserve(std::int32_t count);

    /// Bins slots 0..count-1 by their cells, given per slot with 0 on untested axes.
    void Build(const std::int32_t* cellX, const std::int32_t* cellY, const std::int32_t* cellZ,
               std::int32_t count, std::int32_t locality, std::int32_t lastCell, bool testedX,
               bool testedY, bool testedZ);

    std::int32_t SourceOf(std::int32_t slot) const { return SourceOfSlot[slot]; }
    std::int32_t SlotOf(std::int32_t source) const { return SlotOfSource[source]; }
    std::int32_t GroupCount() const { return static_cast<std::int32_t>(GroupsUsed); }
    /// Neighbourhood entries that the groups' candidate searches will scan, a measure of
    /// the work of the step.
    std::int64_t EntriesToScan() const { return ScanWork; }
    const TGroup& Group(std::int32_t g) const { return Groups[g]; }
    std::int32_t BucketOfSlot(std::int32_t slot) const { return BucketOf[slot]; }
    /// Sources of the bucket's neighbourhood, its own included, in ascending slot order.
    const TEntry* Neighbourhood(std::int32_t bucket) const {
        return Entries.data() + NeighbourFirst[bucket];
    }
    std::int32_t NeighbourhoodSize(std::int32_t bucket) const {
        return static_cast<std::int32_t>(NeighbourFirst[bucket + 1] - NeighbourFirst[bucket]);
    }

    /// The sources of the group's bucket neighbourhood that lie within LocalitySize cells of
    /// some particle of the group on every tested axis, in ascending slot order. Returns
    /// their number; out must hold NeighbourhoodSize(group's bucket) + 8 entries.
    std::int32_t Candidates(const TGroup& group, TWindowFilterFunction filter,
                            std::int32_t* out) const;

    /// Cell of a source on each axis, 0 on untested axes.
    std::int32_t CellXOf(std::int32_t source) const { return SortedCellX[source]; }
    std::int32_t CellYOf(std::int32_t source) const { return SortedCellY[source]; }
    std::int32_t CellZOf(std::int32_t source) const { return SortedCellZ[source]; }

private:
    void ChooseBuckets(std::int32_t locality, std::int32_t lastCell, bool testedX, bool testedY,
                       bool testedZ);
    void SortByKey(std::int32_t count);
    void ListNeighbourhoods(std::int32_t count);

    std::int32_t Capacity = 0;
    std::int32_t BucketCapacity = 0;
    std::int32_t Width = 1; // bucket width in cells
    std::int32_t Shift = 0; // cells to curve coordinates
    std::int32_t Locality = 0;
    std::int32_t BucketsX = 1, BucketsY = 1, BucketsZ = 1;
    std::int64_t GroupsUsed = 0;
    std::int64_t ScanWork = 0;

    std::vector<std::int32_t> BucketOf; // per slot
    std::vector<std::uint64_t> Keys, SpareKeys;
    std::vector<std::int32_t> SlotOfSource, SpareSlots, SourceOfSlot;
    std::vector<std::int32_t> SortedCellX, SortedCellY, SortedCellZ; // per source
    // Per source, the cells in three 10-bit fields for a one-word window test; cells are
    // shifted right by PackShift first where a matrix is finer than 2^9 cells, which makes
    // the test looser, never stricter.
    std::vector<std::uint32_t> PackedCells;
    std::int32_t PackShift = 0;
    std::int32_t LastCell = 0;
    std::vector<std::int32_t> BucketFirst;    // per bucket + 1: first source
    std::vector<std::int64_t> NeighbourFirst; // per bucket + 1: first entry
    std::vector<std::int64_t> Cursor;         // per bucket
    std::vector<std::uint32_t> NeighbourMask; // per occupied bucket: occupied neighbours
    std::vector<TEntry> Entries;              // neighbourhood lists, 27 per particle at most
    std::vector<TGroup> Groups;
};
