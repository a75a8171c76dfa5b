#include "universe/NearBuckets.h"

#include <algorithm>

namespace {

constexpr int CurveBits = 10; // per axis
constexpr int DigitBits = 11; // per radix pass
constexpr int MaxNeighbourBuckets = 27;
constexpr int FieldBits = 10; // per axis in a packed cell word, the top one a guard bit

std::uint32_t Pack(std::uint64_t x, std::uint64_t y, std::uint64_t z) {
    return static_cast<std::uint32_t>(x | y << FieldBits | z << (2 * FieldBits));
}

// Spreads the low ten bits of v to every third bit, for a Morton curve.
std::uint64_t Spread(std::uint64_t v) {
    v &= 0x3FF;
    v = (v | (v << 16)) & 0x030000FF;
    v = (v | (v << 8)) & 0x0300F00F;
    v = (v | (v << 4)) & 0x030C30C3;
    v = (v | (v << 2)) & 0x09249249;
    return v;
}

int BitLength(std::uint64_t v) {
    int bits = 0;
    while (v != 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

} // namespace

void TNearBuckets::Reserve(std::int32_t count) {
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    Capacity = count;
    // One bucket per particle is plenty: most of the box is empty anyway, and a bucket
    // table of that size costs less than the particles themselves.
    BucketCapacity = std::max(count, 1024);
    const auto buckets = static_cast<std::size_t>(BucketCapacity);
    BucketOf.resize(n);
    Keys.resize(n);
    SpareKeys.resize(n);
    SlotOfSource.resize(n);
    SpareSlots.resize(n);
    SourceOfSlot.resize(n);
    SortedCellX.resize(n);
    SortedCellY.resize(n);
    SortedCellZ.resize(n);
    PackedCells.resize(n);
    BucketFirst.resize(buckets + 1);
    NeighbourFirst.resize(buckets + 1);
    Cursor.resize(buckets);
    NeighbourMask.resize(buckets);
    Entries.resize(n * MaxNeighbourBuckets);
    Groups.resize(n);
}

void TNearBuckets::ChooseBuckets(std::int32_t locality, std::int32_t lastCell, bool testedX,
                                 bool testedY, bool testedZ) {
    Locality = locality;
    const std::int64_t cells = static_cast<std::int64_t>(std::max(lastCell, 0)) + 1;
    std::int64_t width = std::max<std::int64_t>(1, static_cast<std::int64_t>(locality) + 1);
    width = std::min(width, cells);
    auto along = [&](bool tested) { return tested ? (cells - 1) / width + 1 : 1; };
    // Wider buckets keep a fine matrix with a small locality from needing more buckets
    // than there is room for; any width from LocalitySize + 1 up is correct.
    while (static_cast<double>(along(testedX)) * static_cast<double>(along(testedY)) *
               static_cast<double>(along(testedZ)) >
           BucketCapacity)
        width = std::min(width * 2, cells);
    Width = static_cast<std::int32_t>(width);
    BucketsX = static_cast<std::int32_t>(along(testedX));
    BucketsY = static_cast<std::int32_t>(along(testedY));
    BucketsZ = static_cast<std::int32_t>(along(testedZ));
    Shift = std::max(0, BitLength(static_cast<std::uint64_t>(cells - 1)) - CurveBits);
    PackShift = std::max(0, BitLength(static_cast<std::uint64_t>(cells - 1)) - (FieldBits - 1));
    LastCell = static_cast<std::int32_t>(cells - 1);
}

void TNearBuckets::Build(const std::int32_t* cellX, const std::int32_t* cellY,
                         const std::int32_t* cellZ, std::int32_t count, std::int32_t locality,
                         std::int32_t lastCell, bool testedX, bool testedY, bool testedZ) {
    ChooseBuckets(locality, lastCell, testedX, testedY, testedZ);
    for (std::int32_t slot = 0; slot < count; ++slot) {
        const std::int32_t bx = cellX[slot] / Width;
        const std::int32_t by = cellY[slot] / Width;
        const std::int32_t bz = cellZ[slot] / Width;
        const std::int32_t bucket = (bx * BucketsY + by) * BucketsZ + bz;
        BucketOf[slot] = bucket;
        const std::uint64_t curve = Spread(static_cast<std::uint64_t>(cellX[slot]) >> Shift) << 2 |
                                    Spread(static_cast<std::uint64_t>(cellY[slot]) >> Shift) << 1 |
                                    Spread(static_cast<std::uint64_t>(cellZ[slot]) >> Shift);
        Keys[slot] = static_cast<std::uint64_t>(bucket) << (3 * CurveBits) | curve;
        SlotOfSource[slot] = slot;
    }
    SortByKey(count);
    for (std::int32_t source = 0; source < count; ++source) {
        const std::int32_t slot = SlotOfSource[source];
        SourceOfSlot[slot] = source;
        SortedCellX[source] = cellX[slot];
        SortedCellY[source] = cellY[slot];
        SortedCellZ[source] = cellZ[slot];
        PackedCells[source] = Pack(static_cast<std::uint64_t>(cellX[slot]) >> PackShift,
                                   static_cast<std::uint64_t>(cellY[slot]) >> PackShift,
                                   static_cast<std::uint64_t>(cellZ[slot]) >> PackShift);
    }
    ListNeighbourhoods(count);
}

// Least significant digit first radix sort of the keys, carrying the slots; stable.
void TNearBuckets::SortByKey(std::int32_t count) {
    const std::int32_t bucketCount = BucketsX * BucketsY * BucketsZ;
    const int keyBits = 3 * CurveBits + BitLength(static_cast<std::uint64_t>(bucketCount));
    std::uint64_t* keys = Keys.data();
    std::uint64_t* spareKeys = SpareKeys.data();
    std::int32_t* slots = SlotOfSource.data();
    std::int32_t* spareSlots = SpareSlots.data();
    for (int shift = 0; shift < keyBits; shift += DigitBits) {
        std::int32_t start[(1 << DigitBits) + 1] = {};
        for (std::int32_t k = 0; k < count; ++k)
            ++start[((keys[k] >> shift) & ((1 << DigitBits) - 1)) + 1];
        for (int d = 0; d < (1 << DigitBits); ++d)
            start[d + 1] += start[d];
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t to = start[(keys[k] >> shift) & ((1 << DigitBits) - 1)]++;
            spareKeys[to] = keys[k];
            spareSlots[to] = slots[k];
        }
        std::swap(keys, spareKeys);
        std::swap(slots, spareSlots);
    }
    if (slots != SlotOfSource.data()) {
        std::copy(slots, slots + count, SlotOfSource.data());
        std::copy(keys, keys + count, Keys.data());
    }
}

void TNearBuckets::ListNeighbourhoods(std::int32_t count) {
    const std::int32_t bucketCount = BucketsX * BucketsY * BucketsZ;
    std::fill(BucketFirst.begin(), BucketFirst.begin() + bucketCount + 1, 0);
    for (std::int32_t slot = 0; slot < count; ++slot)
        ++BucketFirst[BucketOf[slot] + 1];
    for (std::int32_t b = 0; b < bucketCount; ++b)
        BucketFirst[b + 1] += BucketFirst[b];
    auto sizeOf = [&](std::int32_t b) { return BucketFirst[b + 1] - BucketFirst[b]; };

    // Each occupied bucket notes its occupied neighbours, itself included, as bits of the
    // 27 offsets; the relation is symmetric, so they are also the lists its particles join.
    std::int32_t offset[MaxNeighbourBuckets];
    for (int d = 0; d < MaxNeighbourBuckets; ++d)
        offset[d] = ((d / 9 - 1) * BucketsY + (d / 3 % 3 - 1)) * BucketsZ + (d % 3 - 1);
    GroupsUsed = 0;
    ScanWork = 0;
    NeighbourFirst[0] = 0;
    for (std::int32_t b = 0; b < bucketCount; ++b) {
        std::int64_t entries = 0;
        if (sizeOf(b) > 0) {
            const std::int32_t bz = b % BucketsZ;
            const std::int32_t by = b / BucketsZ % BucketsY;
            const std::int32_t bx = b / BucketsZ / BucketsY;
            std::uint32_t mask = 0;
            for (int d = 0; d < MaxNeighbourBuckets; ++d) {
                const std::int32_t x = bx + d / 9 - 1, y = by + d / 3 % 3 - 1, z = bz + d % 3 - 1;
                if (x < 0 || x >= BucketsX || y < 0 || y >= BucketsY || z < 0 || z >= BucketsZ)
                    continue;
                const std::int32_t size = sizeOf(b + offset[d]);
                if (size > 0) {
                    mask |= std::uint32_t{1} << d;
                    entries += size;
                }
            }
            NeighbourMask[b] = mask;
            for (std::int32_t first = BucketFirst[b]; first < BucketFirst[b + 1];
                 first += GroupLanes) {
                Groups[GroupsUsed++] =
                    TGroup{b, first, std::min(GroupLanes, BucketFirst[b + 1] - first)};
                ScanWork += entries;
            }
        }
        NeighbourFirst[b + 1] = NeighbourFirst[b] + entries;
        Cursor[b] = NeighbourFirst[b];
    }
    // Walking the slots in ascending order fills every list in ascending slot order.
    for (std::int32_t slot = 0; slot < count; ++slot) {
        const std::int32_t source = SourceOfSlot[slot];
        const std::int32_t bucket = BucketOf[slot];
        const std::uint32_t cells = PackedCells[source];
        for (std::uint32_t mask = NeighbourMask[bucket]; mask != 0; mask &= mask - 1)
            Entries[Cursor[bucket + offset[__builtin_ctz(mask)]]++] = TEntry{source, cells};
    }
}

std::int32_t TNearBuckets::Candidates(const TGroup& group, TWindowFilterFunction filter,
                                      std::int32_t* out) const {
    std::int32_t least[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t greatest[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    for (std::int32_t s = group.FirstSource; s < group.FirstSource + group.Count; ++s) {
        const std::int32_t cell[3] = {SortedCellX[s], SortedCellY[s], SortedCellZ[s]};
        for (int a = 0; a < 3; ++a) {
            least[a] = std::min(least[a], cell[a]);
            greatest[a] = std::max(greatest[a], cell[a]);
        }
    }
    if (Locality < 0)
        return 0; // nothing is near
    // The window of every lane together, in packed fields: a superset of each lane's own.
    std::uint32_t low[3], high[3];
    for (int a = 0; a < 3; ++a) {
        low[a] = static_cast<std::uint32_t>(
                     std::max<std::int64_t>(0, static_cast<std::int64_t>(least[a]) - Locality)) >>
                 PackShift;
        high[a] = static_cast<std::uint32_t>(std::min<std::int64_t>(
                      LastCell, static_cast<std::int64_t>(greatest[a]) + Locality)) >>
                  PackShift;
    }
    return filter(Neighbourhood(group.Bucket), NeighbourhoodSize(group.Bucket),
                  Pack(low[0], low[1], low[2]), Pack(high[0], high[1], high[2]) | PackedCellGuards,
                  out);
}
