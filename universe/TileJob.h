#pragma once

#include "universe/PairJob.h"

#include <cstdint>

// The data of the tile kernels. Kept free of library headers, like PairJob.h: the kernels
// are compiled once per instruction set.

/// One step's particles cut into strips of consecutive slots, for the kernels that work
/// out each pair once. A tile is the pairs of a row strip with a partner strip at or below
/// it; the rows are the higher particles, the partners the lower ones.
///
/// Everything is addressed by slot. The arrays of particle data and of sums are padded to
/// whole groups of TileLanes; padding slots carry the slot PaddingSlot, which no row
/// particle takes as a lower partner.
struct TTileJob {
    static constexpr int Lanes = 8;
    static constexpr double PaddingSlot = 1e18;

    const double* X;
    const double* Y;
    const double* Z;
    const double* VX;
    const double* VY;
    const double* VZ;
    // Matrix cells as exact small integers, 0 on an elongated axis.
    const double* CellX;
    const double* CellY;
    const double* CellZ;
    const double* Slot;

    // Sums over each particle's computed partners. Every tile adds to them; tiles that share
    // a strip never run at the same time, and always in the same order.
    double* AX;
    double* AY;
    double* AZ;
    double* FrictionX;
    double* FrictionY;
    double* FrictionZ;
    // Heat so far, folded over the lower partners of the strips done.
    double* Heat;
    // Close pairs each particle has with higher partners.
    std::int32_t* HigherClose;

    // HeatWeights[8 * mask + lane]: for a group of partners of which `mask` are computed,
    // the power of (1 - Radiation) by which the heat fold weighs the lane's pressure, that
    // is the number of computed partners after it. QPow[n] = (1 - Radiation)^n, for n up to
    // StripSize.
    const double* HeatWeights;
    const double* QPow;

    double Mass;
    double Friction;
    double Pressure;
    double Radiation;
    double RedoWeight;
    double Locality;
    double CloseBelow;
    std::int32_t Count;     // particles
    std::int32_t StripSize; // slots per strip, a multiple of Lanes
    bool FullStep;
    bool Thermodynamics;
};

/// Works out the tile of row strip `rows` with partner strip `partners` (partners <= rows):
/// adds the pair terms to both particles of every computed pair, folds the pressures into
/// the rows' heat, counts and records close pairs, and adds the number of computed pairs
/// to `computed`.
using TTileFunction = void (*)(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                               TCloseRecords& close, std::int64_t& computed);
