#pragma once

#include "universe/Octree.h"

#include <cstdint>
#include <vector>

/// Working memory of the tree step: the octree, the particles in tree order, the sums by
/// tree position and, per worker thread, the lists one walk of the tree gives. Sized on the
/// first tree step for the particle count and kept, so later steps allocate nothing.
struct TTreeScratch {
    /// Makes room for count particles and threads workers; throws std::bad_alloc.
    void Reserve(std::int32_t count, int threads);
    std::int32_t Capacity = 0;
    int Threads = 0;

    TOctree Tree;
    // By slot (index - First): positions the tree is built from, and each slot's tree place.
    std::vector<double> PosX, PosY, PosZ, VelX, VelY, VelZ;
    std::vector<std::int32_t> TreePlace;
    // By tree position.
    std::vector<double> X, Y, Z, VX, VY, VZ, Heat;
    std::vector<std::int32_t> Slot;
    std::vector<double> AX, AY, AZ, FX, FY, FZ, NewHeat;
    std::vector<std::int32_t> HigherClose;
    // Pairs worked out one by one from each group's side.
    std::vector<std::int64_t> GroupPairs;
    // Per thread: the far nodes and near leaves of one walk, and a row of close partners.
    std::vector<std::vector<std::int32_t>> Far, Near, Whole, BlockNear, SlicePlaces, SliceNear,
        Flag;
    std::vector<std::vector<double>> LeafGeometry;
    struct TClose {
        std::int32_t Upper;
        double SquaredDistance;
    };
    std::vector<std::vector<TClose>> CloseRow;
    std::vector<std::int32_t> CloseFirst; // by slot: where the row starts in the list

    // (1 - Radiation)^n for n up to the capacity, for the heat fold.
    std::vector<double> KeptPower;
    double PowersRadiation = -1;
};
