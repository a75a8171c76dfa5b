#pragma once

#include <cstdint>

// The data that the pair kernels read and write. Kept free of library headers: the kernels
// are compiled once per instruction set, and nothing inline may be shared between those
// builds.

/// What the pair kernels read of one particle, copied at the start of the step: one record
/// per particle, so that meeting a partner costs one or two cache lines.
struct alignas(16) TPairRecord {
    double X, Y, Z;
    double VX, VY, VZ;
    // Matrix cells as exact small integers, 0 on an elongated axis so that every pair
    // passes there.
    double CellX, CellY, CellZ;
    double Slot; // as an exact integer
};

/// One step's particle data for the pair kernels, addressed by "source", a particle's
/// position in the records. A "slot" is its index minus the first index of the stepped
/// range: the order in which partners are met.
struct TPairJob {
    const TPairRecord* Records;
    const double* Heat;

    // Sums per source over the particle's computed partners, in ascending partner order.
    // A lane group's particles are neighbouring sources, so each group writes its own
    // stretch of these arrays.
    double* AX;
    double* AY;
    double* AZ;
    double* FrictionX;
    double* FrictionY;
    double* FrictionZ;
    double* NewHeat;
    // Per source: computed partners (counted on partial steps only), and the close ones
    // among the partners with a higher index.
    std::int32_t* Computed;
    std::int32_t* HigherClose;

    double Mass;
    double Friction;
    double Pressure;
    double Radiation;
    double RedoWeight; // RedoFrequency as a factor of a far pair's force
    double Locality;   // LocalitySize
    double CloseBelow; // a pair is close when its squared distance is below this
    bool FullStep;     // every pair computed, far ones weighted; else near pairs only
    bool Thermodynamics;
};

/// A member of a cell-list neighbourhood: its source and its matrix cells packed into
/// three 10-bit fields (x lowest), each a 9-bit cell below a guard bit.
struct TNeighbourEntry {
    std::int32_t Source;
    std::uint32_t Cells;
};

/// Guard bits of the packed cells. With a guard above each field a field-wise subtraction
/// never borrows from the next field, and the guard survives exactly when the field was not
/// below the one subtracted.
constexpr std::uint32_t PackedCellGuards = (1u << 9) | (1u << 19) | (1u << 29);

/// Writes to out the sources of the entries whose packed cells lie between low and high
/// (high with its guard bits set) on every axis, in order; returns their number. out must
/// have room for count + 8 values.
using TWindowFilterFunction = std::int32_t (*)(const TNeighbourEntry* entries, std::int32_t count,
                                               std::uint32_t low, std::uint32_t high,
                                               std::int32_t* out);

/// Up to eight particles whose sums one kernel call works out side by side.
struct TLaneGroup {
    static constexpr int MaxLanes = 8;
    std::int32_t Count;
    std::int32_t Source[MaxLanes];
};

/// A close pair as a kernel finds it.
struct TCloseRecord {
    std::int32_t Lower; // slots
    std::int32_t Upper;
    double SquaredDistance;
};

/// One worker thread's close pairs of a step, each particle's in ascending partner order.
/// When it fills up it gives up whole rows from the top (the rows of the higher-placed lower
/// particles), so that every row below RowLimit stays complete; the first rows are the ones
/// the close-pair list keeps.
struct TCloseRecords {
    TCloseRecord* Entries;
    std::int32_t Capacity;
    std::int32_t Used;
    std::int32_t RowLimit; // rows (lower slots) from here on are not, or not all, recorded
};

/// Sums the interactions of the group's particles with the candidates, which are sources in
/// ascending slot order: the sources listed in Candidates, or all sources 0..Count-1 when
/// Candidates is null. A particle among the candidates is skipped for itself. Close pairs
/// with higher partners are counted per particle and recorded in close.
using TPairGroupFunction = void (*)(const TPairJob& job, const TLaneGroup& group,
                                    const std::int32_t* candidates, std::int32_t count,
                                    TCloseRecords& close);
