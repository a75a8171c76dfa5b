#pragma once

#include "universe/PairJob.h"
#include "universe/StepConstants.h"

#include <cstdint>

// The pair sums of the fast step, written once over a lane type and compiled once per
// instruction set (see PairKernelScalar.cpp, PairKernelAvx2.cpp, PairKernelAvx512.cpp).
//
// Each lane holds one particle k and walks the candidates m in ascending index order, adding
// the pair's terms as seen from k. Seen from either side a pair gives the same terms up to
// an exact sign change, and the walk meets k's partners in the order in which the literal
// loop adds them to k (lower partners in their rows, then k's own row). So every sum comes
// out bit for bit as the literal loop gives it, heat folds in ascending order included, at
// the price of working out each pair once for each side. As nothing is shared between
// lanes, the particles can be shared among threads in any way without changing a bit.
//
// TLanes supplies Width, TMask, Splat, Load, Store, + - * /, Sqrt, Abs, Less, LessEqual,
// Greater, NotEqual, And, All, Bits (a mask as bits, lane 0 lowest), Select(mask, then,
// else) and AddWhere(mask, sum, term).
// Everything it does is a correctly rounded IEEE operation: no fused multiply-add, no
// reciprocal estimate, so every instruction set gives the same bits.
namespace PairKernel {

// Which candidates of a stretch are lower than every lane, higher than every lane, or
// either; only lower partners pass heat to the lane.
enum class TStretch { AllLower, Mixed, AllHigher };

template <class TLanes> struct TLaneState {
    TLanes X, Y, Z, VX, VY, VZ, CellX, CellY, CellZ, Slot;
    TLanes AX, AY, AZ, FX, FY, FZ, Heat, Computed, Close;
};

// Frees room in a full book by giving up the upper half of the rows it holds. A template,
// like everything here, so that each instruction set's build keeps its own copy.
template <class TLanes> void GiveUpRows(TCloseRecords& close) {
    if (close.Used == 0) {
        close.RowLimit = 0; // a book without room keeps no row
        return;
    }
    std::int32_t least = close.Entries[0].Lower;
    std::int32_t greatest = least;
    for (std::int32_t r = 1; r < close.Used; ++r) {
        const std::int32_t lower = close.Entries[r].Lower;
        least = lower < least ? lower : least;
        greatest = lower > greatest ? lower : greatest;
    }
    const std::int32_t limit = least == greatest ? least : least + (greatest - least + 1) / 2;
    std::int32_t kept = 0;
    for (std::int32_t r = 0; r < close.Used; ++r)
        if (close.Entries[r].Lower < limit)
            close.Entries[kept++] = close.Entries[r];
    close.Used = kept;
    close.RowLimit = limit < close.RowLimit ? limit : close.RowLimit;
}

// Close pairs are rare: recording them stays out of the loop.
template <class TLanes>
[[gnu::noinline]] void Record(TCloseRecords& close, unsigned lanes, const double* laneSlots,
                              double candidateSlot, TLanes d2) {
    alignas(64) double squared[TLanes::Width];
    d2.Store(squared);
    for (int l = 0; l < TLanes::Width; ++l) {
        // Lanes left out may hold padding, whose slot is no int32.
        if ((lanes >> l & 1) == 0)
            continue;
        const auto lower = static_cast<std::int32_t>(laneSlots[l]);
        if (lower >= close.RowLimit)
            continue;
        if (close.Used == close.Capacity) {
            GiveUpRows<TLanes>(close);
            if (lower >= close.RowLimit)
                continue;
        }
        close.Entries[close.Used++] =
            TCloseRecord{lower, static_cast<std::int32_t>(candidateSlot), squared[l]};
    }
}

template <class TLanes, bool Thermo, bool Full, TStretch Stretch>
void Sweep(const TPairJob& job, TLaneState<TLanes>& s, const std::int32_t* list, std::int32_t begin,
           std::int32_t end, TCloseRecords& close, unsigned activeLanes, const double* laneSlots) {
    using L = TLanes;
    using TMask = typename L::TMask;
    // On a full step only a lane's own particle is skipped, and only a mixed stretch can
    // hold it; on a partial step the near test decides.
    constexpr bool Masked = !Full || Stretch == TStretch::Mixed;
    constexpr bool MayBeClose = Stretch != TStretch::AllLower;

    const L floor = L::Splat(StepConstants::LeastSquaredDistance);
    const L shield = L::Splat(StepConstants::PressureShield);
    const L leastShare = L::Splat(StepConstants::LeastFrictionShare);
    const L one = L::Splat(1.0);
    const L mass = L::Splat(job.Mass);
    const L friction = L::Splat(job.Friction);
    const L pressureFactor = L::Splat(job.Pressure);
    const L radiation = L::Splat(job.Radiation);
    const L heatKept = L::Splat(1 - job.Radiation);
    const L redo = L::Splat(job.RedoWeight);
    const L locality = L::Splat(job.Locality);
    const L closeBelow = L::Splat(job.CloseBelow);
    const bool anyClose = job.CloseBelow > 0;

    for (std::int32_t t = begin; t < end; ++t) {
        const TPairRecord& r = job.Records[Full ? t : list[t]];
        const L dx = L::Splat(r.X) - s.X;
        const L dy = L::Splat(r.Y) - s.Y;
        const L dz = L::Splat(r.Z) - s.Z;
        L d2 = dx * dx + dy * dy + dz * dz;
        d2 = L::Select(L::Less(d2, floor), floor, d2);

        const TMask near =
            L::And(L::And(L::LessEqual(L::Abs(L::Splat(r.CellX) - s.CellX), locality),
                          L::LessEqual(L::Abs(L::Splat(r.CellY) - s.CellY), locality)),
                   L::LessEqual(L::Abs(L::Splat(r.CellZ) - s.CellZ), locality));
        TMask computed = Full ? L::All() : near;
        TMask lower = computed;
        const L slot = L::Splat(r.Slot);
        if constexpr (Stretch == TStretch::Mixed) {
            computed = L::And(computed, L::NotEqual(slot, s.Slot));
            lower = L::And(computed, L::Less(slot, s.Slot));
        }

        L force;
        if constexpr (Thermo) {
            const L dvx = L::Splat(r.VX) - s.VX;
            const L dvy = L::Splat(r.VY) - s.VY;
            const L dvz = L::Splat(r.VZ) - s.VZ;
            const L speed = L::Sqrt(dvx * dvx + dvy * dvy + dvz * dvz);
            const L shielded = d2 + shield;
            const L pressure = pressureFactor / (shielded * shielded);
            if constexpr (Stretch != TStretch::AllHigher) {
                const L heated = s.Heat * heatKept + pressure * radiation;
                s.Heat = Masked ? L::Select(lower, heated, s.Heat) : heated;
            }
            L share = one / (friction * speed / (d2 * d2) + one);
            share = L::Select(L::Less(share, leastShare), leastShare, share);
            const L k = one - share;
            if constexpr (Masked) {
                s.FX = L::AddWhere(computed, s.FX, k * dvx);
                s.FY = L::AddWhere(computed, s.FY, k * dvy);
                s.FZ = L::AddWhere(computed, s.FZ, k * dvz);
            } else {
                s.FX = s.FX + k * dvx;
                s.FY = s.FY + k * dvy;
                s.FZ = s.FZ + k * dvz;
            }
            force = mass / d2 - pressure;
        } else {
            force = mass / d2;
        }
        if constexpr (Full)
            force = L::Select(near, force, force * redo); // a far pair stands in for skipped steps

        if constexpr (Masked) {
            s.AX = L::AddWhere(computed, s.AX, force * dx);
            s.AY = L::AddWhere(computed, s.AY, force * dy);
            s.AZ = L::AddWhere(computed, s.AZ, force * dz);
        } else {
            s.AX = s.AX + force * dx;
            s.AY = s.AY + force * dy;
            s.AZ = s.AZ + force * dz;
        }
        if constexpr (!Full)
            s.Computed = L::AddWhere(computed, s.Computed, one);
        if constexpr (MayBeClose) {
            if (anyClose) {
                TMask isClose = L::And(computed, L::Less(d2, closeBelow));
                if (L::Bits(isClose) != 0) {
                    if constexpr (Stretch == TStretch::Mixed)
                        isClose = L::And(isClose, L::Greater(slot, s.Slot));
                    s.Close = L::AddWhere(isClose, s.Close, one);
                    const unsigned lanes = L::Bits(isClose) & activeLanes;
                    if (lanes != 0)
                        Record(close, lanes, laneSlots, r.Slot, d2);
                }
            }
        }
    }
}

// First position in [begin, end) whose candidate has a slot above the given one.
template <class TLanes>
std::int32_t SlotsUpTo(const TPairJob& job, const std::int32_t* list, std::int32_t begin,
                       std::int32_t end, double slot) {
    while (begin < end) {
        const std::int32_t middle = begin + (end - begin) / 2;
        const std::int32_t q = list != nullptr ? list[middle] : middle;
        if (job.Records[q].Slot <= slot)
            begin = middle + 1;
        else
            end = middle;
    }
    return begin;
}

template <class TLanes, bool Thermo, bool Full>
void RunLanes(const TPairJob& job, const TLaneGroup& group, int first, const std::int32_t* list,
              std::int32_t count, TCloseRecords& close) {
    using L = TLanes;
    constexpr int W = L::Width;
    const int active = group.Count - first < W ? group.Count - first : W;

    alignas(64) double lane[10][W];
    std::int32_t source[W];
    for (int l = 0; l < W; ++l) {
        // Spare lanes repeat the last particle; their sums are dropped.
        source[l] = group.Source[first + (l < active ? l : active - 1)];
        const TPairRecord& r = job.Records[source[l]];
        lane[0][l] = r.X;
        lane[1][l] = r.Y;
        lane[2][l] = r.Z;
        lane[3][l] = r.VX;
        lane[4][l] = r.VY;
        lane[5][l] = r.VZ;
        lane[6][l] = r.CellX;
        lane[7][l] = r.CellY;
        lane[8][l] = r.CellZ;
        lane[9][l] = r.Slot;
    }
    TLaneState<L> s;
    s.X = L::Load(lane[0]);
    s.Y = L::Load(lane[1]);
    s.Z = L::Load(lane[2]);
    s.VX = L::Load(lane[3]);
    s.VY = L::Load(lane[4]);
    s.VZ = L::Load(lane[5]);
    s.CellX = L::Load(lane[6]);
    s.CellY = L::Load(lane[7]);
    s.CellZ = L::Load(lane[8]);
    s.Slot = L::Load(lane[9]);
    double least = lane[9][0], greatest = lane[9][0];
    for (int l = 0; l < W; ++l) {
        lane[0][l] = job.Heat[source[l]];
        least = lane[9][l] < least ? lane[9][l] : least;
        greatest = lane[9][l] > greatest ? lane[9][l] : greatest;
    }
    s.Heat = L::Load(lane[0]);
    s.AX = s.AY = s.AZ = s.FX = s.FY = s.FZ = s.Computed = s.Close = L::Splat(0.0);

    // The candidates ascend by slot: those below every lane, those among the lanes, those
    // above every lane. On a partial step the lanes are neighbours in space, whose slots
    // spread over the whole range: there all candidates are taken as mixed.
    const std::int32_t lowEnd = Full ? SlotsUpTo<L>(job, list, 0, count, least - 0.5) : 0;
    const std::int32_t highBegin = Full ? SlotsUpTo<L>(job, list, lowEnd, count, greatest) : count;
    alignas(64) double laneSlots[W];
    for (int l = 0; l < W; ++l)
        laneSlots[l] = lane[9][l];
    const unsigned activeLanes = (1u << active) - 1;
    Sweep<L, Thermo, Full, TStretch::AllLower>(job, s, list, 0, lowEnd, close, activeLanes,
                                               laneSlots);
    Sweep<L, Thermo, Full, TStretch::Mixed>(job, s, list, lowEnd, highBegin, close, activeLanes,
                                            laneSlots);
    Sweep<L, Thermo, Full, TStretch::AllHigher>(job, s, list, highBegin, count, close, activeLanes,
                                                laneSlots);

    const L* sums[9] = {&s.AX, &s.AY, &s.AZ, &s.FX, &s.FY, &s.FZ, &s.Heat, &s.Computed, &s.Close};
    for (int v = 0; v < 9; ++v)
        sums[v]->Store(lane[v]);
    for (int l = 0; l < active; ++l) {
        const std::int32_t at = source[l];
        job.AX[at] = lane[0][l];
        job.AY[at] = lane[1][l];
        job.AZ[at] = lane[2][l];
        job.FrictionX[at] = lane[3][l];
        job.FrictionY[at] = lane[4][l];
        job.FrictionZ[at] = lane[5][l];
        job.NewHeat[at] = lane[6][l];
        job.Computed[at] = static_cast<std::int32_t>(lane[7][l]);
        job.HigherClose[at] = static_cast<std::int32_t>(lane[8][l]);
    }
}

template <class TLanes>
void RunGroup(const TPairJob& job, const TLaneGroup& group, const std::int32_t* list,
              std::int32_t count, TCloseRecords& close) {
    for (int first = 0; first < group.Count; first += TLanes::Width) {
        if (job.Thermodynamics) {
            if (job.FullStep)
                RunLanes<TLanes, true, true>(job, group, first, nullptr, count, close);
            else
                RunLanes<TLanes, true, false>(job, group, first, list, count, close);
        } else {
            if (job.FullStep)
                RunLanes<TLanes, false, true>(job, group, first, nullptr, count, close);
            else
                RunLanes<TLanes, false, false>(job, group, first, list, count, close);
        }
    }
}

} // namespace PairKernel
