#pragma once

#include "universe/PairKernel.h"
#include "universe/StepConstants.h"
#include "universe/TileJob.h"

#include <cstdint>

// The tile kernel: each pair worked out once and applied to both particles, written once
// over an eight-lane type and compiled once per instruction set.
//
// A block of Rows row particles meets the partner strip eight partners at a time: the
// partners sit in the lanes, each row particle is broadcast. A row's sums stay in
// registers, one partial sum per lane, for the whole strip and are reduced once at its end;
// the partners' sums stay in registers while the block's rows pass over them and are added
// to memory once per block. Partners are met in ascending slot order, so a row's heat fold
// over its lower partners keeps its literal order: across groups of eight through the
// weights (1 - Radiation)^k, which say how many computed partners still follow.
//
// The terms are those of the literal step, with correctly rounded operations; the pull and
// the friction share multiply by one reciprocal of d2 where the literal step divides twice,
// and the additions come in another order, so the sums differ from the literal ones by
// rounding only (a step leaves them within 1e-12 relative). Every instruction set
// runs the same operations on the same eight lanes and reduces them in the same order
// (ReduceAdd: lanes k and k + 4, then the pairs, then the halves), so they give the same
// bits.
//
// TLanes supplies, for eight doubles (Width): Splat, Load, Store, + - * /, Sqrt, Abs, Less,
// LessEqual, And, All, Bits (a mask as bits, lane 0 lowest), Select(mask, then, else),
// AddWhere(mask, sum, term), SubWhere(mask, sum, term) and ReduceAdd.
namespace TileKernel {

template <class TLanes> struct TRowState {
    TLanes X, Y, Z, VX, VY, VZ, CellX, CellY, CellZ, Slot;
    TLanes AX, AY, AZ, FX, FY, FZ, Heat;
    std::int32_t Computed;
    bool Valid;
};

// The lanes of a partner group at `first` whose rows the book still records.
inline unsigned RecordedLanes(const TCloseRecords& close, std::int32_t first) {
    const std::int64_t room = static_cast<std::int64_t>(close.RowLimit) - first;
    if (room >= TTileJob::Lanes)
        return 0xFFu;
    return room <= 0 ? 0u : (1u << room) - 1;
}

// A pair's term, added to the row's sums and taken from the partners', in every lane or in
// the computed ones only.
template <class L, bool EveryLane>
inline void Exchange(typename L::TMask computed, L& rowX, L& rowY, L& rowZ, L& partnerX,
                     L& partnerY, L& partnerZ, L x, L y, L z) {
    if constexpr (EveryLane) {
        rowX = rowX + x;
        rowY = rowY + y;
        rowZ = rowZ + z;
        partnerX = partnerX - x;
        partnerY = partnerY - y;
        partnerZ = partnerZ - z;
    } else {
        rowX = L::AddWhere(computed, rowX, x);
        rowY = L::AddWhere(computed, rowY, y);
        rowZ = L::AddWhere(computed, rowZ, z);
        partnerX = L::SubWhere(computed, partnerX, x);
        partnerY = L::SubWhere(computed, partnerY, y);
        partnerZ = L::SubWhere(computed, partnerZ, z);
    }
}

template <class TLanes, bool Thermo, bool Full, bool Diagonal, int Rows>
void RunBlock(const TTileJob& job, std::int32_t firstRow, std::int32_t partnerBegin,
              std::int32_t partnerEnd, TCloseRecords& close, std::int64_t& computedPairs) {
    using L = TLanes;
    using TMask = typename L::TMask;
    constexpr int W = TTileJob::Lanes;
    // Off the diagonal every partner lies below every row; a full step computes them all.
    constexpr bool EveryPartner = Full && !Diagonal;

    const L floor = L::Splat(StepConstants::LeastSquaredDistance);
    const L shield = L::Splat(StepConstants::PressureShield);
    const L leastShare = L::Splat(StepConstants::LeastFrictionShare);
    const L one = L::Splat(1.0);
    const L mass = L::Splat(job.Mass);
    const L friction = L::Splat(job.Friction);
    const L pressureFactor = L::Splat(job.Pressure);
    const L redo = L::Splat(job.RedoWeight);
    const L locality = L::Splat(job.Locality);
    const L closeBelow = L::Splat(job.CloseBelow);
    const bool anyClose = job.CloseBelow > 0;
    const L everyWeight = L::Load(job.HeatWeights + W * 255);
    const L everyKept = L::Splat(job.QPow[W]);

    TRowState<L> row[Rows];
    for (int r = 0; r < Rows; ++r) {
        const std::int32_t j = firstRow + r;
        TRowState<L>& s = row[r];
        s.Valid = j < job.Count;
        const std::int32_t at = s.Valid ? j : firstRow;
        s.X = L::Splat(job.X[at]);
        s.Y = L::Splat(job.Y[at]);
        s.Z = L::Splat(job.Z[at]);
        s.VX = L::Splat(job.VX[at]);
        s.VY = L::Splat(job.VY[at]);
        s.VZ = L::Splat(job.VZ[at]);
        s.CellX = L::Splat(job.CellX[at]);
        s.CellY = L::Splat(job.CellY[at]);
        s.CellZ = L::Splat(job.CellZ[at]);
        s.Slot = L::Splat(job.Slot[at]);
        s.AX = s.AY = s.AZ = s.FX = s.FY = s.FZ = s.Heat = L::Splat(0.0);
        s.Computed = 0;
    }

    for (std::int32_t i = partnerBegin; i < partnerEnd; i += W) {
        const L x = L::Load(job.X + i);
        const L y = L::Load(job.Y + i);
        const L z = L::Load(job.Z + i);
        const L cellX = L::Load(job.CellX + i);
        const L cellY = L::Load(job.CellY + i);
        const L cellZ = L::Load(job.CellZ + i);
        L vx, vy, vz;
        if constexpr (Thermo) {
            vx = L::Load(job.VX + i);
            vy = L::Load(job.VY + i);
            vz = L::Load(job.VZ + i);
        }
        L slot;
        if constexpr (Diagonal)
            slot = L::Load(job.Slot + i);
        L pax = L::Splat(0.0), pay = pax, paz = pax, pfx = pax, pfy = pax, pfz = pax;
        L closeCount = pax;
        bool touched = false;
        // Whether the book still takes pairs of this group's partners; mostly not, as it
        // stops a little past the rows the list takes.
        const unsigned recordable = anyClose ? RecordedLanes(close, i) : 0u;

        for (int r = 0; r < Rows; ++r) {
            TRowState<L>& s = row[r];
            if (!s.Valid)
                continue;
            // Seen from the lower particle, as the literal loop has it.
            const L dx = x - s.X;
            const L dy = y - s.Y;
            const L dz = z - s.Z;
            const TMask near = L::And(L::And(L::LessEqual(L::Abs(cellX - s.CellX), locality),
                                             L::LessEqual(L::Abs(cellY - s.CellY), locality)),
                                      L::LessEqual(L::Abs(cellZ - s.CellZ), locality));
            TMask computed = Full ? L::All() : near;
            if constexpr (Diagonal)
                computed = L::And(computed, L::Less(slot, s.Slot));
            unsigned bits = 0xFF;
            if constexpr (!EveryPartner) {
                bits = L::Bits(computed);
                if (bits == 0)
                    continue;
                s.Computed += __builtin_popcount(bits);
            }
            touched = true;
            L d2 = dx * dx + dy * dy + dz * dz;
            d2 = L::Select(L::Less(d2, floor), floor, d2);
            const L inverse = one / d2; // the pull and the friction share both divide by d2

            L force;
            if constexpr (Thermo) {
                const L dvx = vx - s.VX;
                const L dvy = vy - s.VY;
                const L dvz = vz - s.VZ;
                const L speed = L::Sqrt(dvx * dvx + dvy * dvy + dvz * dvz);
                const L shielded = d2 + shield;
                const L pressure = pressureFactor / (shielded * shielded);
                if constexpr (EveryPartner) {
                    s.Heat = s.Heat * everyKept + pressure * everyWeight;
                } else {
                    const L weight = L::Load(job.HeatWeights + W * bits);
                    const L kept = L::Splat(job.QPow[__builtin_popcount(bits)]);
                    s.Heat = L::AddWhere(computed, s.Heat * kept, pressure * weight);
                }
                L share = one / (friction * speed * (inverse * inverse) + one);
                share = L::Select(L::Less(share, leastShare), leastShare, share);
                const L k = one - share;
                const L fx = k * dvx;
                const L fy = k * dvy;
                const L fz = k * dvz;
                Exchange<L, EveryPartner>(computed, s.FX, s.FY, s.FZ, pfx, pfy, pfz, fx, fy, fz);
                force = mass * inverse - pressure;
            } else {
                force = mass * inverse;
            }
            if constexpr (Full)
                force =
                    L::Select(near, force, force * redo); // a far pair stands in for skipped steps
            const L ax = force * dx;
            const L ay = force * dy;
            const L az = force * dz;
            Exchange<L, EveryPartner>(computed, s.AX, s.AY, s.AZ, pax, pay, paz, ax, ay, az);
            if (anyClose) {
                // Counted without a branch: where most pairs are close, whether a row has
                // any close partner in the group is a coin toss.
                const TMask isClose = L::And(computed, L::Less(d2, closeBelow));
                closeCount = L::AddWhere(isClose, closeCount, one);
                if (recordable != 0) {
                    const unsigned recorded = L::Bits(isClose) & recordable;
                    if (recorded != 0)
                        PairKernel::Record<L>(close, recorded, job.Slot + i, firstRow + r, d2);
                }
            }
        }
        if (!touched)
            continue;
        double* sums[6] = {job.AX, job.AY, job.AZ, job.FrictionX, job.FrictionY, job.FrictionZ};
        const L* partner[6] = {&pax, &pay, &paz, &pfx, &pfy, &pfz};
        for (int v = 0; v < (Thermo ? 6 : 3); ++v)
            (L::Load(sums[v] + i) + *partner[v]).Store(sums[v] + i);
        if (anyClose) {
            alignas(64) double counts[W];
            closeCount.Store(counts);
            for (int l = 0; l < W; ++l)
                job.HigherClose[i + l] += static_cast<std::int32_t>(counts[l]);
        }
    }

    for (int r = 0; r < Rows; ++r) {
        const TRowState<L>& s = row[r];
        if (!s.Valid)
            continue;
        const std::int32_t j = firstRow + r;
        job.AX[j] += L::ReduceAdd(s.AX);
        job.AY[j] += L::ReduceAdd(s.AY);
        job.AZ[j] += L::ReduceAdd(s.AZ);
        if constexpr (Thermo) {
            job.FrictionX[j] += L::ReduceAdd(s.FX);
            job.FrictionY[j] += L::ReduceAdd(s.FY);
            job.FrictionZ[j] += L::ReduceAdd(s.FZ);
            const std::int32_t n = EveryPartner ? partnerEnd - partnerBegin : s.Computed;
            job.Heat[j] = job.Heat[j] * job.QPow[n] + job.Radiation * L::ReduceAdd(s.Heat);
        }
        if constexpr (!Full)
            computedPairs += s.Computed;
    }
}

template <class TLanes, bool Thermo, bool Full, bool Diagonal>
void RunTileAs(const TTileJob& job, std::int32_t rows, std::int32_t partners, TCloseRecords& close,
               std::int64_t& computed) {
    constexpr int Rows = 4;
    const std::int32_t rowBegin = rows * job.StripSize;
    const std::int32_t rowEnd =
        rowBegin + job.StripSize < job.Count ? rowBegin + job.StripSize : job.Count;
    const std::int32_t partnerBegin = partners * job.StripSize;
    for (std::int32_t j = rowBegin; j < rowEnd; j += Rows) {
        // On the diagonal a block needs the partners below its last row only.
        std::int32_t partnerEnd = partnerBegin + job.StripSize;
        if constexpr (Diagonal) {
            const std::int32_t last = j + Rows - 1 < rowEnd ? j + Rows - 1 : rowEnd - 1;
            partnerEnd = partnerBegin + (last - partnerBegin + TTileJob::Lanes - 1) /
                                            TTileJob::Lanes * TTileJob::Lanes;
        }
        RunBlock<TLanes, Thermo, Full, Diagonal, Rows>(job, j, partnerBegin, partnerEnd, close,
                                                       computed);
    }
}

template <class TLanes, bool Thermo, bool Full>
void RunTileOn(const TTileJob& job, std::int32_t rows, std::int32_t partners, TCloseRecords& close,
               std::int64_t& computed) {
    if (rows == partners)
        RunTileAs<TLanes, Thermo, Full, true>(job, rows, partners, close, computed);
    else
        RunTileAs<TLanes, Thermo, Full, false>(job, rows, partners, close, computed);
}

template <class TLanes>
void RunTile(const TTileJob& job, std::int32_t rows, std::int32_t partners, TCloseRecords& close,
             std::int64_t& computed) {
    if (job.Thermodynamics) {
        if (job.FullStep)
            RunTileOn<TLanes, true, true>(job, rows, partners, close, computed);
        else
            RunTileOn<TLanes, true, false>(job, rows, partners, close, computed);
    } else {
        if (job.FullStep)
            RunTileOn<TLanes, false, true>(job, rows, partners, close, computed);
        else
            RunTileOn<TLanes, false, false>(job, rows, partners, close, computed);
    }
}

} // namespace TileKernel
