#pragma once

#include "universe/Universe.h"

#include <cstdint>

/// The matrix laid over the particles' bounding box for one step: it only sorts pairs into
/// near and far, it holds no sums.
struct TMatrixGrid {
    double LeastX, LeastY, LeastZ;
    double ReciprocalX, ReciprocalY, ReciprocalZ; // cells per distance unit, 0 on a flat axis
    bool ElongatedX, ElongatedY, ElongatedZ;      // left out of the near test
    std::int32_t LastCell;                        // MatrixResolution - 1

    /// Bounding box, cell sizes and elongated axes of particles First..Last.
    static TMatrixGrid Lay(const TParticle* particles, std::int32_t first, std::int32_t last,
                           std::int32_t matrixResolution);

    /// The cell of one coordinate. Kept inside 0..LastCell for any input, so that a
    /// particle at an infinite, NaN or runaway coordinate cannot make the conversion to an
    /// integer undefined; NaN lands in cell 0.
    std::int32_t CellOf(double coordinate, double least, double reciprocal) const {
        const double cell = (coordinate - least) * reciprocal;
        if (!(cell >= 0))
            return 0;
        if (cell >= LastCell + 1.0)
            return LastCell; // the particle on the greatest edge falls into the last cell
        return static_cast<std::int32_t>(cell);
    }

    void AssignCells(TParticle& p) const {
        p.CellX = CellOf(p.X, LeastX, ReciprocalX);
        p.CellY = CellOf(p.Y, LeastY, ReciprocalY);
        p.CellZ = CellOf(p.Z, LeastZ, ReciprocalZ);
    }

    static bool Within(std::int32_t a, std::int32_t b, std::int32_t locality) {
        const std::int32_t difference = a - b;
        return -locality <= difference && difference <= locality;
    }

    bool IsNear(const TParticle& a, const TParticle& b, std::int32_t locality) const {
        return (ElongatedX || Within(a.CellX, b.CellX, locality)) &&
               (ElongatedY || Within(a.CellY, b.CellY, locality)) &&
               (ElongatedZ || Within(a.CellZ, b.CellZ, locality));
    }
};
