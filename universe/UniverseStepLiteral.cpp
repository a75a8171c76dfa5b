// The gravity step, written literally: every pair of the range is visited in index order and
// sorted into near or far by the matrix cells; near pairs are computed on every step, far
// pairs only on full steps, weighted by RedoFrequency. It defines what a step computes: the
// fast step must agree with it, and the tests and the benchmark hold the two side by side.

#include "universe/Universe.h"

#include "universe/MatrixCells.h"
#include "universe/ParticleMove.h"
#include "universe/StepConstants.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace StepConstants;

void TUniverse::StepLiteral(std::int32_t First, std::int32_t Last, std::int32_t RowStride) {
    if (Particles == nullptr)
        Last = First - 1; // a universe without particles steps an empty range

    PairLast = -1;
    RedoCountdown = RedoCountdown - 1;
    const bool fullStep = RedoCountdown < 1;

    const TMatrixGrid grid = TMatrixGrid::Lay(Particles, First, Last, MatrixResolution);
    for (std::int32_t i = First; i <= Last; ++i) {
        TParticle& p = Particles[i];
        grid.AssignCells(p);
        p.AX = p.AY = p.AZ = 0;
        p.FrictionX = p.FrictionY = p.FrictionZ = 0;
    }

    const double closeLimit = MaxSeparation * 0.1;
    std::int64_t computedPairs = 0;
    const std::int64_t rowStride = RowStride > 1 ? RowStride : 1;
    for (std::int64_t row = First; row < Last; row += rowStride) {
        const auto i = static_cast<std::int32_t>(row);
        TParticle& a = Particles[i];
        for (std::int32_t j = i + 1; j <= Last; ++j) {
            TParticle& b = Particles[j];
            const bool near = grid.IsNear(a, b, LocalitySize);
            if (!near && !fullStep)
                continue;
            ++computedPairs;

            const double dx = a.X - b.X;
            const double dy = a.Y - b.Y;
            const double dz = a.Z - b.Z;
            double d2 = dx * dx + dy * dy + dz * dz;
            if (d2 < LeastSquaredDistance)
                d2 = LeastSquaredDistance;
            const double distance = std::sqrt(d2);

            if (PairLast < MaxPairs - 1 && distance < closeLimit) {
                ++PairLast;
                Pairs[PairLast] = TPairEntry{j, i, distance};
            }

            double pressure = 0;
            if (UseThermodynamics) {
                const double dvx = a.VX - b.VX;
                const double dvy = a.VY - b.VY;
                const double dvz = a.VZ - b.VZ;
                const double speed = std::sqrt(dvx * dvx + dvy * dvy + dvz * dvz);
                const double shielded = d2 + PressureShield;
                pressure = Pressure / (shielded * shielded);
                // Only the higher index takes heat, folded over its partners in ascending i.
                b.Heat = b.Heat * (1 - Radiation) + pressure * Radiation;
                double share = 1 / (Friction * speed / (d2 * d2) + 1);
                if (share < LeastFrictionShare)
                    share = LeastFrictionShare;
                const double k = 1 - share;
                b.FrictionX += k * dvx;
                a.FrictionX -= k * dvx;
                b.FrictionY += k * dvy;
                a.FrictionY -= k * dvy;
                b.FrictionZ += k * dvz;
                a.FrictionZ -= k * dvz;
            }

            double force = Mass / d2 - pressure;
            if (!near)
                force *= RedoFrequency; // stands in for the steps this far pair was skipped
            b.AX += force * dx;
            a.AX -= force * dx;
            b.AY += force * dy;
            a.AY -= force * dy;
            b.AZ += force * dz;
            a.AZ -= force * dz;
        }
    }

    for (std::int32_t i = First; i <= Last; ++i)
        MoveParticle(Particles[i]);

    FinishStep(First, Last, computedPairs);
}
