#include "universe/MatrixCells.h"

namespace {
double ReciprocalOf(double cellSize) {
    return cellSize == 0 ? 0 : 1 / cellSize;
}
} // namespace

TMatrixGrid TMatrixGrid::Lay(const TParticle* particles, std::int32_t first, std::int32_t last,
                             std::int32_t matrixResolution) {
    double leastX = 4e38, leastY = 4e38, leastZ = 4e38;
    double greatestX = -4e38, greatestY = -4e38, greatestZ = -4e38;
    for (std::int32_t i = first; i <= last; ++i) {
        const TParticle& p = particles[i];
        if (p.X < leastX)
            leastX = p.X;
        if (p.X > greatestX)
            greatestX = p.X;
        if (p.Y < leastY)
            leastY = p.Y;
        if (p.Y > greatestY)
            greatestY = p.Y;
        if (p.Z < leastZ)
            leastZ = p.Z;
        if (p.Z > greatestZ)
            greatestZ = p.Z;
    }

    const double perCell = 1.0 / matrixResolution;
    const double sizeX = (greatestX - leastX) * perCell;
    const double sizeY = (greatestY - leastY) * perCell;
    const double sizeZ = (greatestZ - leastZ) * perCell;

    TMatrixGrid grid{};
    grid.LeastX = leastX;
    grid.LeastY = leastY;
    grid.LeastZ = leastZ;
    grid.ReciprocalX = ReciprocalOf(sizeX);
    grid.ReciprocalY = ReciprocalOf(sizeY);
    grid.ReciprocalZ = ReciprocalOf(sizeZ);
    // An axis more than five times longer than another would put every particle into a few
    // cells of the short axes' scale; it is left out of the near test instead.
    grid.ElongatedX = 5 * sizeY < sizeX || 5 * sizeZ < sizeX;
    grid.ElongatedY = 5 * sizeX < sizeY || 5 * sizeZ < sizeY;
    grid.ElongatedZ = 5 * sizeX < sizeZ || 5 * sizeY < sizeZ;
    grid.LastCell = matrixResolution > 1 ? matrixResolution - 1 : 0;
    return grid;
}
