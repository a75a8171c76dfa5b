#pragma once

#include "universe/Octree.h"
#include "universe/StepConstants.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// The sums of the tree step for one group of particles, written once over plain loops
// across as many of them as a vector holds and compiled once per instruction set
// (TreeKernelScalar.cpp, TreeKernelAvx2.cpp, TreeKernelAvx512.cpp), where the compiler
// turns each loop across the group into vector lanes. Each particle's sums still take
// their terms one node and one partner at a time, in the order of the walk, with the same
// correctly rounded operations (no fused multiply-add): every build gives the same bits.
struct TTreeKernelJob {
    const TOctree::TNode* Nodes;
    // By tree position.
    const double *X, *Y, *Z, *VX, *VY, *VZ, *Heat;
    const std::int32_t* Slot;
    double *AX, *AY, *AZ, *FX, *FY, *FZ, *NewHeat;
    std::int32_t* HigherClose; // by slot
    const double* KeptPower;   // (1 - Radiation)^n
    double Mass, Friction, Pressure, Radiation, CloseBelow;
    bool Thermodynamics;
};

using TTreeGroupFunction = void (*)(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                                    const std::int32_t* far, std::int32_t farCount,
                                    const std::int32_t* near, std::int32_t nearCount);

namespace TreeKernel {

// The most of a pair's relative velocity that friction exchanges in a step.
constexpr double MostFrictionShare = 1 - StepConstants::LeastFrictionShare;

// Particles begin..end - 1 (at most Width) of the tree order, against the far nodes and
// the particles of the near leaves of their walk. Build tells the instruction sets' copies
// apart, which must not be merged into one at link time.
template <int Build, int Width>
void SumLanes(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
              const std::int32_t* far, std::int32_t farCount, const std::int32_t* near,
              std::int32_t nearCount) {
    using namespace StepConstants;
    const int used = end - begin;
    double x[Width], y[Width], z[Width], vx[Width], vy[Width], vz[Width], slot[Width];
    std::int32_t own[Width];
    for (int l = 0; l < Width; ++l) {
        // Spare lanes repeat the first particle; their sums are dropped.
        const std::int32_t t = begin + (l < used ? l : 0);
        x[l] = job.X[t];
        y[l] = job.Y[t];
        z[l] = job.Z[t];
        vx[l] = job.VX[t];
        vy[l] = job.VY[t];
        vz[l] = job.VZ[t];
        own[l] = job.Slot[t];
        slot[l] = job.Slot[t];
    }
    const bool thermo = job.Thermodynamics;
    const double mass = job.Mass;
    const double push = thermo ? job.Pressure : 0;
    const double friction = thermo ? job.Friction : 0;
    const double closeBelow = job.CloseBelow;

    double ax[Width] = {}, ay[Width] = {}, az[Width] = {};
    double fx[Width] = {}, fy[Width] = {}, fz[Width] = {};
    for (std::int32_t f = 0; f < farCount; ++f) {
        const TOctree::TNode& n = job.Nodes[far[f]];
        const double count = n.End - n.Begin;
        const double trace = n.QXX + n.QYY + n.QZZ;
        const double spread = (4.0 / 3.0) * n.Spread / count;
        for (int l = 0; l < Width; ++l) {
            const double rx = x[l] - n.CX;
            const double ry = y[l] - n.CY;
            const double rz = z[l] - n.CZ;
            const double u = rx * rx + ry * ry + rz * rz;
            const double qx = n.QXX * rx + n.QXY * ry + n.QXZ * rz;
            const double qy = n.QXY * rx + n.QYY * ry + n.QYZ * rz;
            const double qz = n.QXZ * rx + n.QYZ * ry + n.QZZ * rz;
            const double rqr = rx * qx + ry * qy + rz * qz;
            // phi(u) = Mass / u - Pressure / (u + shield)^2 and its first two derivatives.
            const double inverse = 1 / u;
            const double shielded = 1 / (u + PressureShield);
            const double shielded2 = shielded * shielded;
            const double phi = mass * inverse - push * shielded2;
            const double first = -mass * inverse * inverse + 2 * push * shielded2 * shielded;
            const double second =
                2 * mass * inverse * inverse * inverse - 6 * push * shielded2 * shielded2;
            const double radial = count * phi + trace * first + 2 * rqr * second;
            ax[l] -= rx * radial + 2 * qx * first;
            ay[l] -= ry * radial + 2 * qy * first;
            az[l] -= rz * radial + 2 * qz * first;
            // Friction: the node's sum of 1 / d^4 from the same expansion with
            // psi(u) = 1 / u^2, and its sum of speed times relative velocity from the mean
            // relative velocity w and the spread S of the velocities about their mean,
            // N w sqrt(|w|^2 + 4/3 S / N): right to the second order in S for large |w|,
            // within a few per cent as |w| goes to 0. Far away a pair's friction share is
            // Friction * speed / d^4, nowhere near its clamp.
            const double ux = n.VX - vx[l];
            const double uy = n.VY - vy[l];
            const double uz = n.VZ - vz[l];
            const double speed = std::sqrt(ux * ux + uy * uy + uz * uz + spread);
            const double inverse4 = inverse * inverse;
            const double reach =
                count * inverse4 - 2 * trace * inverse4 * inverse + 12 * rqr * inverse4 * inverse4;
            const double k = friction * speed * reach;
            // To the first order in the members' offsets s, the pair term |u| u / d^4 also
            // varies with how velocity varies across the node: 4 / |r|^6 times
            // |w| C^T r + w (r^T C w) / |w|, with C the sum of s (v - mean)^T. A turning
            // cluster's nodes carry it, and without it the error grows with the angle.
            const double crx = n.CXX * rx + n.CYX * ry + n.CZX * rz;
            const double cry = n.CXY * rx + n.CYY * ry + n.CZY * rz;
            const double crz = n.CXZ * rx + n.CYZ * ry + n.CZZ * rz;
            // A node at rest with the particle, and alike inside, has no speed: no term.
            const double along = (crx * ux + cry * uy + crz * uz) / std::max(speed, 1e-300);
            const double turn = 4 * friction * inverse4 * inverse;
            fx[l] += k * ux + turn * (speed * crx + along * ux);
            fy[l] += k * uy + turn * (speed * cry + along * uy);
            fz[l] += k * uz + turn * (speed * crz + along * uz);
        }
    }

    double nx[Width] = {}, ny[Width] = {}, nz[Width] = {};
    double gx[Width] = {}, gy[Width] = {}, gz[Width] = {};
    double heat[Width] = {}, close[Width] = {};
    for (std::int32_t e = 0; e < nearCount; ++e) {
        const TOctree::TNode& leaf = job.Nodes[near[e]];
        for (std::int32_t m = leaf.Begin; m < leaf.End; ++m) {
            const double mx = job.X[m], my = job.Y[m], mz = job.Z[m];
            const double mvx = job.VX[m], mvy = job.VY[m], mvz = job.VZ[m];
            const std::int32_t partner = job.Slot[m];
            const double otherSlot = partner;
            // The heat fold's weights, by index gap; lanes above the partner take none.
            double weight[Width];
            for (int l = 0; l < Width; ++l) {
                const std::int32_t below = own[l] - 1 - partner;
                weight[l] = job.KeptPower[below > 0 ? below : 0];
            }
            for (int l = 0; l < Width; ++l) {
                // As seen from the lane's particle: the literal terms up to an exact sign.
                const double dx = mx - x[l];
                const double dy = my - y[l];
                const double dz = mz - z[l];
                double d2 = dx * dx + dy * dy + dz * dz;
                d2 = d2 < LeastSquaredDistance ? LeastSquaredDistance : d2;
                // Masks as 0 or 1, multiplied in: branch-free for every instruction set.
                const double other = static_cast<double>(otherSlot != slot[l]);
                const double lower = static_cast<double>(otherSlot < slot[l]);
                const double higher = static_cast<double>(otherSlot > slot[l]);
                close[l] += higher * static_cast<double>(d2 < closeBelow);
                const double dvx = mvx - vx[l];
                const double dvy = mvy - vy[l];
                const double dvz = mvz - vz[l];
                const double speed = std::sqrt(dvx * dvx + dvy * dvy + dvz * dvz);
                const double shielded = d2 + PressureShield;
                const double pressure = push / (shielded * shielded);
                heat[l] += pressure * weight[l] * lower;
                // The literal share 1 - 1 / (drag / d2^2 + 1) as drag / (drag + d2^2): one
                // division where it took two, the second waiting on the first. Folding
                // more quotients into one reciprocal took longer: the divider does not
                // set the loop's pace. An infinite drag gives NaN here where the literal
                // share reaches its clamp, so NaN takes the clamp.
                const double drag = friction * speed;
                const double share = drag / (drag + d2 * d2);
                const double k = (share < MostFrictionShare ? share : MostFrictionShare) * other;
                gx[l] += k * dvx;
                gy[l] += k * dvy;
                gz[l] += k * dvz;
                const double force = (mass / d2 - pressure) * other;
                nx[l] += force * dx;
                ny[l] += force * dy;
                nz[l] += force * dz;
            }
        }
    }

    for (int l = 0; l < used; ++l) {
        const std::int32_t t = begin + l;
        job.AX[t] = ax[l] + nx[l];
        job.AY[t] = ay[l] + ny[l];
        job.AZ[t] = az[l] + nz[l];
        job.FX[t] = fx[l] + gx[l];
        job.FY[t] = fy[l] + gy[l];
        job.FZ[t] = fz[l] + gz[l];
        // Heat(j) on a full step: Heat(j) * kept^(j - First) plus Radiation times the sum
        // over lower partners i of pressure * kept^(j - 1 - i). Partners the tree
        // approximated add no pressure, but their decay counts all the same.
        job.NewHeat[t] =
            thermo ? job.Heat[t] * job.KeptPower[own[l]] + job.Radiation * heat[l] : job.Heat[t];
        job.HigherClose[own[l]] = static_cast<std::int32_t>(close[l]);
    }
}

// A whole group, Width particles at a time: each particle's sums are its own, so the
// width, which is the instruction set's, does not change a bit of them.
template <int Build, int Width>
void SumGroup(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
              const std::int32_t* far, std::int32_t farCount, const std::int32_t* near,
              std::int32_t nearCount) {
    for (std::int32_t t = begin; t < end; t += Width)
        SumLanes<Build, Width>(job, t, std::min(end, t + Width), far, farCount, near, nearCount);
}

} // namespace TreeKernel

namespace TreeKernels {
void SumGroupScalar(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                    const std::int32_t* far, std::int32_t farCount, const std::int32_t* near,
                    std::int32_t nearCount);
void SumGroupAvx2(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                  const std::int32_t* far, std::int32_t farCount, const std::int32_t* near,
                  std::int32_t nearCount);
void SumGroupAvx512(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                    const std::int32_t* far, std::int32_t farCount, const std::int32_t* near,
                    std::int32_t nearCount);
/// The build for the instruction set the pair kernels use.
TTreeGroupFunction GroupFunction();
} // namespace TreeKernels
