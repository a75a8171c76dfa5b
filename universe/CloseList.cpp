#include "universe/CloseList.h"

#include "universe/StepConstants.h"
#include "universe/StepScratch.h"
#include "universe/Universe.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace CloseList {

namespace {

double SquaredDistance(const TStepScratch& s, std::int32_t a, std::int32_t b) {
    const TPairRecord& p = s.Records[a];
    const TPairRecord& q = s.Records[b];
    const double dx = p.X - q.X;
    const double dy = p.Y - q.Y;
    const double dz = p.Z - q.Z;
    const double d2 = dx * dx + dy * dy + dz * dz;
    return d2 < StepConstants::LeastSquaredDistance ? StepConstants::LeastSquaredDistance : d2;
}

bool Within(std::int32_t a, std::int32_t b, std::int32_t locality) {
    const std::int64_t difference = static_cast<std::int64_t>(a) - b;
    return -locality <= difference && difference <= locality;
}

// Records row `slot`'s close pairs from entry `at` on, at most `room` of them.
void WalkRow(TUniverse& u, const TStepScratch& s, std::int32_t first, std::int32_t count,
             TWalk walk, double squaredLimit, std::int32_t slot, std::int32_t at,
             std::int32_t room) {
    auto record = [&](std::int32_t lowSource, std::int32_t highSource, std::int32_t high) {
        const double d2 = SquaredDistance(s, lowSource, highSource);
        if (!(d2 < squaredLimit))
            return false;
        u.Pairs[at++] = TPairEntry{first + high, first + slot, std::sqrt(d2)};
        return --room == 0;
    };
    const std::int32_t locality = u.LocalitySize;
    if (walk == TWalk::Every) {
        for (std::int32_t high = slot + 1; high < count; ++high)
            if (record(slot, high, high))
                return;
        return;
    }
    if (walk == TWalk::NearBySlot) {
        const TPairRecord& low = s.Records[slot];
        auto cell = [](double c) { return static_cast<std::int32_t>(c); };
        for (std::int32_t high = slot + 1; high < count; ++high) {
            const TPairRecord& other = s.Records[high];
            if (Within(cell(low.CellX), cell(other.CellX), locality) &&
                Within(cell(low.CellY), cell(other.CellY), locality) &&
                Within(cell(low.CellZ), cell(other.CellZ), locality) && record(slot, high, high))
                return;
        }
        return;
    }
    const TNearBuckets& b = s.Buckets;
    const std::int32_t source = b.SourceOf(slot);
    const std::int32_t bucket = b.BucketOfSlot(slot);
    const TNearBuckets::TEntry* entries = b.Neighbourhood(bucket);
    const std::int32_t size = b.NeighbourhoodSize(bucket);
    for (std::int32_t e = 0; e < size; ++e) {
        const std::int32_t other = entries[e].Source;
        const std::int32_t high = b.SlotOf(other);
        if (high <= slot || !Within(b.CellXOf(source), b.CellXOf(other), locality) ||
            !Within(b.CellYOf(source), b.CellYOf(other), locality) ||
            !Within(b.CellZOf(source), b.CellZOf(other), locality))
            continue;
        if (record(source, other, high))
            return;
    }
}

} // namespace

double SquaredLimit(double limit) {
    if (!(limit > 0))
        return 0;
    const double infinity = std::numeric_limits<double>::infinity();
    double t = limit * limit;
    while (std::sqrt(t) < limit)
        t = std::nextafter(t, infinity);
    while (t > 0 && std::sqrt(std::nextafter(t, 0.0)) >= limit)
        t = std::nextafter(t, 0.0);
    return t;
}

std::int32_t Collect(TUniverse& universe, TStepScratch& scratch, std::int32_t first,
                     std::int32_t count, TWalk walk, double squaredLimit, int books, int threads) {
    if (!(squaredLimit > 0)) {
        scratch.CloseRowsTaken = INT32_MAX;
        return -1;
    }
    const bool bySlot = walk != TWalk::Buckets;
    auto closeInRow = [&](std::int32_t slot) {
        return scratch.HigherClose[bySlot ? slot : scratch.Buckets.SourceOf(slot)];
    };
    // Entry at which each row's pairs start, up to the row that fills the list.
    std::int32_t rows = 0;
    std::int32_t total = 0;
    for (; rows < count && total < TUniverse::MaxPairs; ++rows) {
        scratch.CloseFirst[rows] = total;
        total += std::min(closeInRow(rows), TUniverse::MaxPairs - total);
    }
    // Rows below this were recorded completely, though perhaps spread over several books
    // and out of order. Each record goes to its row's stretch (rows start where the list
    // puts them; only the last row can reach past the list), and each stretch, a row's few
    // pairs, is put in visiting order.
    scratch.CloseRowsTaken = total < TUniverse::MaxPairs ? INT32_MAX : rows;
    std::int32_t complete = rows;
    for (int b = 0; b < books; ++b)
        complete = std::min(complete, scratch.CloseBooks[static_cast<std::size_t>(b)].RowLimit);
    std::fill(scratch.CloseSeen.begin(), scratch.CloseSeen.begin() + complete, 0);
    TCloseRecord* sorted = scratch.CloseSorted.data();
    const auto space = static_cast<std::int32_t>(scratch.CloseSorted.size());
    for (int b = 0; b < books; ++b) {
        const TCloseRecords& book = scratch.CloseBooks[static_cast<std::size_t>(b)];
        for (std::int32_t r = 0; r < book.Used; ++r) {
            const TCloseRecord& pair = book.Entries[r];
            if (pair.Lower >= complete)
                continue;
            const std::int32_t at =
                scratch.CloseFirst[pair.Lower] + scratch.CloseSeen[pair.Lower]++;
            if (at < space)
                sorted[at] = pair;
        }
    }
    for (std::int32_t row = 0; row < complete; ++row) {
        const std::int32_t begin = scratch.CloseFirst[row];
        const std::int32_t end = std::min(begin + scratch.CloseSeen[row], space);
        for (std::int32_t k = begin + 1; k < end; ++k) {
            const TCloseRecord pair = sorted[k];
            std::int32_t to = k;
            for (; to > begin && sorted[to - 1].Upper > pair.Upper; --to)
                sorted[to] = sorted[to - 1];
            sorted[to] = pair;
        }
        for (std::int32_t k = begin; k < std::min(end, total); ++k)
            universe.Pairs[k] = TPairEntry{first + sorted[k].Upper, first + row,
                                           std::sqrt(sorted[k].SquaredDistance)};
    }
    // The rest had more close pairs than there was room to note: walk those rows again.
    constexpr std::int32_t rowsPerTask = 8;
    const std::int32_t tasks = (rows - complete + rowsPerTask - 1) / rowsPerTask;
    scratch.Team.Run(threads, tasks, [&](std::int32_t task, int) {
        const std::int32_t begin = complete + task * rowsPerTask;
        for (std::int32_t slot = begin; slot < std::min(rows, begin + rowsPerTask); ++slot) {
            const std::int32_t at = scratch.CloseFirst[slot];
            const std::int32_t room = std::min(closeInRow(slot), TUniverse::MaxPairs - at);
            if (room > 0)
                WalkRow(universe, scratch, first, count, walk, squaredLimit, slot, at, room);
        }
    });
    return total - 1;
}

} // namespace CloseList
