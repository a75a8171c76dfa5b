#pragma once

#include "universe/Octree.h"
#include "universe/StepConstants.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// The sums of the tree step for one group of particles, compiled once per instruction set
// (TreeKernelScalar.cpp, TreeKernelAvx2.cpp, TreeKernelAvx512.cpp). A group's walk gives
// the far nodes that act on all of it and the near leaves it could not take as a whole.
// Blocks of 16 of its particles take the far nodes, and the near leaves far enough from
// the block, in single precision; slices of 8 sort the block's other leaves into those
// they take as a whole and those they take point by point, in double precision. The
// slices' loops across their particles are written plainly, for the compiler to turn into
// vector lanes; the blocks' loop is written on the compiler's vector type. Each particle's
// sums take their terms one node and one partner at a time, in the order of the walk, with
// the same correctly rounded operations (no fused multiply-add): every build gives the
// same bits.
struct TTreeKernelJob {
    const TOctree::TNode* Nodes;
    // By tree position.
    const double *X, *Y, *Z, *VX, *VY, *VZ, *Heat;
    const std::int32_t* Slot;
    double *AX, *AY, *AZ, *FX, *FY, *FZ, *NewHeat;
    std::int32_t* HigherClose; // by slot
    const double* KeptPower;   // (1 - Radiation)^n
    double Mass, Friction, Pressure, Radiation, CloseBelow;
    double SquaredAngle, SquaredExact, MostSquaredReach; // as the walk takes them
    bool Thermodynamics;
};

// What one group's walk of the tree gives: the nodes that act on all of it through their
// expansion, and the leaves it could not take as a whole, with room for what a block and
// a slice of the group make of them.
struct TTreeWalkLists {
    const std::int32_t* Far;
    std::int32_t FarCount;
    const std::int32_t* Near;
    std::int32_t NearCount;
    // The near leaves that a slice (and, where its block fell back to double precision,
    // the block) takes as a whole after all.
    const std::int32_t* LeafFar;
    std::int32_t LeafFarCount;
    // The near leaves' boxes, centres, squared radii and sizes: eleven rows of NearCount,
    // low x, y, z, high x, y, z, centre x, y, z, radius squared and points.
    const double* LeafGeometry; // a leaf that is not tame has an infinite radius
    bool Tame;                  // the group is: see TOctree::TNode::Tame
    // Room for what a block and a slice make of the near leaves, each as long as the list.
    std::int32_t *Whole, *BlockNear, *SlicePlaces, *SliceNear, *Flag;
};

/// Returns the pairs it worked out one by one, counted from its own side.
using TTreeGroupFunction = std::int64_t (*)(const TTreeKernelJob& job, std::int32_t begin,
                                            std::int32_t end, const TTreeWalkLists& lists);

namespace TreeKernel {

// The most of a pair's relative velocity that friction exchanges in a step.
constexpr double MostFrictionShare = 1 - StepConstants::LeastFrictionShare;

constexpr int FarBlock = 16;
typedef float TFarLanes __attribute__((vector_size(FarBlock * sizeof(float))));

inline void TakeRoot(double& v) {
    v = std::sqrt(v);
}
inline void TakeRoot(TFarLanes& v) {
    for (int l = 0; l < FarBlock; ++l)
        v[l] = std::sqrt(v[l]);
}

// What the far field needs of a node, in the precision S it is taken in: its count, the
// trace of Q, 4/3 of its velocities' spread per point, Q, its mean velocity and C.
template <class S> struct TNodeTerms {
    S Count, Trace, Spread, QXX, QXY, QXZ, QYY, QYZ, QZZ, VX, VY, VZ;
    S CXX, CXY, CXZ, CYX, CYY, CYZ, CZX, CZY, CZZ;
};
template <class S> struct TFarConstants { S Mass, Push, Friction, Shield, Clamp, Tiny; };

// Adds a node's acceleration a and friction change f on particles at r from its centre,
// moving at v: T is one lane (S) or a vector of them. Every argument is passed by
// reference, as a vector wider than the instruction set's may not be passed by value.
template <class T, class S>
inline void AddFarNode(const TNodeTerms<S>& n, const TFarConstants<S>& c, const T& rx, const T& ry,
                       const T& rz, const T& vx, const T& vy, const T& vz, T& ax, T& ay, T& az,
                       T& fx, T& fy, T& fz) {
    const T u = rx * rx + ry * ry + rz * rz;
    const T qx = n.QXX * rx + n.QXY * ry + n.QXZ * rz;
    const T qy = n.QXY * rx + n.QYY * ry + n.QYZ * rz;
    const T qz = n.QXZ * rx + n.QYZ * ry + n.QZZ * rz;
    const T rqr = rx * qx + ry * qy + rz * qz;
    // phi(u) = Mass / u - Pressure / (u + shield)^2 and its first two derivatives.
    const T inverse = S(1) / u;
    const T shielded = S(1) / (u + c.Shield);
    const T shielded2 = shielded * shielded;
    const T phi = c.Mass * inverse - c.Push * shielded2;
    const T first = -c.Mass * inverse * inverse + S(2) * c.Push * shielded2 * shielded;
    const T second =
        S(2) * c.Mass * inverse * inverse * inverse - S(6) * c.Push * shielded2 * shielded2;
    const T radial = n.Count * phi + n.Trace * first + S(2) * rqr * second;
    ax -= rx * radial + S(2) * qx * first;
    ay -= ry * radial + S(2) * qy * first;
    az -= rz * radial + S(2) * qz * first;
    // Friction: the node's sum of 1 / d^4 from the same expansion with psi(u) = 1 / u^2,
    // and its sum of speed times relative velocity from the mean relative velocity w and
    // the spread S of the velocities about their mean, N w sqrt(|w|^2 + 4/3 S / N): right
    // to the second order in S for large |w|, within a few per cent as |w| goes to 0.
    const T ux = n.VX - vx;
    const T uy = n.VY - vy;
    const T uz = n.VZ - vz;
    T speed = ux * ux + uy * uy + uz * uz + n.Spread;
    TakeRoot(speed);
    // A node at rest with the particle, and alike inside, has no speed.
    const T slowness = S(1) / (speed > c.Tiny ? speed : c.Tiny + T{});
    const T inverse4 = inverse * inverse;
    const T reach = n.Count * inverse4 - S(2) * n.Trace * inverse4 * inverse +
                    S(12) * rqr * inverse4 * inverse4;
    // Close to the exact radius a fast node's members reach their clamp: where the node's
    // whole linear share passes the clamp's, its terms are cut to that.
    const T linear = c.Friction * speed * reach;
    const T most = T{} + c.Clamp * n.Count;
    const T cut = linear > most ? most / linear : T{} + S(1);
    const T k = c.Friction * speed * reach * cut;
    // To the first order in the members' offsets s, the pair term |u| u / d^4 also varies
    // with how velocity varies across the node: 4 / |r|^6 times |w| C^T r + w (r^T C w) / |w|,
    // with C the sum of s (v - mean)^T. A turning cluster's nodes carry it, and without it
    // the error grows with the angle.
    const T crx = n.CXX * rx + n.CYX * ry + n.CZX * rz;
    const T cry = n.CXY * rx + n.CYY * ry + n.CZY * rz;
    const T crz = n.CXZ * rx + n.CYZ * ry + n.CZZ * rz;
    const T along = (crx * ux + cry * uy + crz * uz) * slowness;
    const T turn = S(4) * c.Friction * inverse4 * inverse * cut;
    fx += k * ux + turn * (speed * crx + along * ux);
    fy += k * uy + turn * (speed * cry + along * uy);
    fz += k * uz + turn * (speed * crz + along * uz);
}

// The far nodes of a group act on FarBlock of its particles at a time in single
// precision, across twice the lanes: the expansions are good to a few parts in ten
// thousand, far coarser than its rounding. Offsets are taken from the block's first
// particle in double precision before they are rounded. Where a value leaves its range
// (a particle flung far away), the sums are not finite and the block takes the far nodes
// in double precision instead.

template <int Build>
bool FarSingle(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
               const std::int32_t* far, std::int32_t farCount, const std::int32_t* whole,
               std::int32_t wholeCount, double* sums) {
    using namespace StepConstants;
    const int used = end - begin;
    const double baseX = job.X[begin], baseY = job.Y[begin], baseZ = job.Z[begin];
    TFarLanes x, y, z, vx, vy, vz;
    for (int l = 0; l < FarBlock; ++l) {
        const std::int32_t t = begin + (l < used ? l : 0);
        x[l] = SingleOrInfinite(job.X[t] - baseX);
        y[l] = SingleOrInfinite(job.Y[t] - baseY);
        z[l] = SingleOrInfinite(job.Z[t] - baseZ);
        vx[l] = SingleOrInfinite(job.VX[t]);
        vy[l] = SingleOrInfinite(job.VY[t]);
        vz[l] = SingleOrInfinite(job.VZ[t]);
    }
    const bool thermo = job.Thermodynamics;
    const float mass = SingleOrInfinite(job.Mass);
    const float push = thermo ? SingleOrInfinite(job.Pressure) : 0;
    const float friction = thermo ? SingleOrInfinite(job.Friction) : 0;
    const TFarConstants<float> constants{mass,
                                         push,
                                         friction,
                                         static_cast<float>(PressureShield),
                                         static_cast<float>(MostFrictionShare),
                                         1e-30f};
    TFarLanes ax = {}, ay = {}, az = {}, fx = {}, fy = {}, fz = {};
    const std::int32_t allFar = farCount + wholeCount;
    for (std::int32_t f = 0; f < allFar; ++f) {
        const TOctree::TNode& n = job.Nodes[f < farCount ? far[f] : whole[f - farCount]];
        const TNodeTerms<float> terms{n.FCount, n.FTrace, n.FSpread, n.FQXX, n.FQXY, n.FQXZ,
                                      n.FQYY,   n.FQYZ,   n.FQZZ,    n.FVX,  n.FVY,  n.FVZ,
                                      n.FCXX,   n.FCXY,   n.FCXZ,    n.FCYX, n.FCYY, n.FCYZ,
                                      n.FCZX,   n.FCZY,   n.FCZZ};
        const TFarLanes rx = x - SingleOrInfinite(n.CX - baseX);
        const TFarLanes ry = y - SingleOrInfinite(n.CY - baseY);
        const TFarLanes rz = z - SingleOrInfinite(n.CZ - baseZ);
        AddFarNode(terms, constants, rx, ry, rz, vx, vy, vz, ax, ay, az, fx, fy, fz);
    }
    bool finite = true;
    const TFarLanes* rows[] = {&ax, &ay, &az, &fx, &fy, &fz};
    for (int r = 0; r < 6; ++r)
        for (int l = 0; l < FarBlock; ++l) {
            const float v = (*rows[r])[l];
            finite = finite && std::isfinite(v);
            sums[r * FarBlock + l] = v;
        }
    return finite;
}

// Particles begin..end - 1 (at most Width) of the tree order, against the particles of
// their slice's near leaves and the leaves it takes as a whole, and the group's far nodes
// where their block could not take those in single precision. The far sums start from
// start (FarBlock apart, by quantity), or from nothing where it is null. Build tells the
// instruction sets' copies apart, which must not be merged into one at link time.
template <int Build, int Width>
void SumLanes(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
              const TTreeWalkLists& lists, const double* start) {
    const std::int32_t *far = lists.Far, *near = lists.Near;
    const std::int32_t farCount = lists.FarCount, nearCount = lists.NearCount;
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
    // Friction's clamp over its constant: where a node's linear share passes the clamp.

    double ax[Width] = {}, ay[Width] = {}, az[Width] = {};
    double fx[Width] = {}, fy[Width] = {}, fz[Width] = {};
    if (start != nullptr)
        for (int l = 0; l < Width; ++l) {
            ax[l] = start[l];
            ay[l] = start[FarBlock + l];
            az[l] = start[2 * FarBlock + l];
            fx[l] = start[3 * FarBlock + l];
            fy[l] = start[4 * FarBlock + l];
            fz[l] = start[5 * FarBlock + l];
        }
    const TFarConstants<double> constants{mass,  push, friction, PressureShield, MostFrictionShare,
                                          1e-300};
    const std::int32_t allFar = farCount + lists.LeafFarCount;
    for (std::int32_t f = 0; f < allFar; ++f) {
        const TOctree::TNode& n = job.Nodes[f < farCount ? far[f] : lists.LeafFar[f - farCount]];
        const double count = n.End - n.Begin;
        const TNodeTerms<double> terms{count,
                                       n.QXX + n.QYY + n.QZZ,
                                       (4.0 / 3.0) * n.Spread / count,
                                       n.QXX,
                                       n.QXY,
                                       n.QXZ,
                                       n.QYY,
                                       n.QYZ,
                                       n.QZZ,
                                       n.VX,
                                       n.VY,
                                       n.VZ,
                                       n.CXX,
                                       n.CXY,
                                       n.CXZ,
                                       n.CYX,
                                       n.CYY,
                                       n.CYZ,
                                       n.CZX,
                                       n.CZY,
                                       n.CZZ};
        for (int l = 0; l < Width; ++l) {
            const double rx = x[l] - n.CX;
            const double ry = y[l] - n.CY;
            const double rz = z[l] - n.CZ;
            AddFarNode(terms, constants, rx, ry, rz, vx[l], vy[l], vz[l], ax[l], ay[l], az[l],
                       fx[l], fy[l], fz[l]);
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

// The group's walk opened its near leaves for the whole group; the few particles of a
// block or a slice of it, close together in tree order, may take some of them as a whole,
// as the walk would have for a group of their own. Every pair closer than the exact radius
// stays exact. The blocks and slices are the same for every instruction set.
constexpr std::int32_t SliceSize = 8;

// Sorts the group's near leaves at places[0..count) of its list (the first count when
// places is null) for particles begin..end - 1: the ids of those they take as a whole go
// to whole, the places of the others to nearPlaces. Returns the points of the others.
template <int Build>
double SortLeaves(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                  const TTreeWalkLists& lists, const std::int32_t* places, std::int32_t count,
                  std::int32_t* whole, std::int32_t& wholeCount, std::int32_t* nearPlaces,
                  std::int32_t& nearCount) {
    double lowX = job.X[begin], lowY = job.Y[begin], lowZ = job.Z[begin];
    double highX = lowX, highY = lowY, highZ = lowZ;
    for (std::int32_t t = begin + 1; t < end; ++t) {
        lowX = std::min(lowX, job.X[t]);
        lowY = std::min(lowY, job.Y[t]);
        lowZ = std::min(lowZ, job.Z[t]);
        highX = std::max(highX, job.X[t]);
        highY = std::max(highY, job.Y[t]);
        highZ = std::max(highZ, job.Z[t]);
    }
    const std::int32_t stride = lists.NearCount;
    const double* g = lists.LeafGeometry;
    const double *leafLowX = g, *leafLowY = g + stride, *leafLowZ = g + 2 * stride;
    const double *leafHighX = g + 3 * stride, *leafHighY = g + 4 * stride,
                 *leafHighZ = g + 5 * stride;
    const double *centreX = g + 6 * stride, *centreY = g + 7 * stride, *centreZ = g + 8 * stride;
    const double* radius2 = g + 9 * stride;
    const double* points = g + 10 * stride;
    const double angle2 = job.SquaredAngle, exact2 = job.SquaredExact;
    // An untame group takes no leaf as a whole; see TOctree::TNode::Tame.
    const double mostReach = lists.Tame ? job.MostSquaredReach : 0;
    std::int32_t* far = lists.Flag;
    // A test across all the leaves first, which becomes vector lanes, then the split.
    for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t e = places != nullptr ? places[k] : k;
        const double ax = std::max(std::max(leafLowX[e] - highX, lowX - leafHighX[e]), 0.0);
        const double ay = std::max(std::max(leafLowY[e] - highY, lowY - leafHighY[e]), 0.0);
        const double az = std::max(std::max(leafLowZ[e] - highZ, lowZ - leafHighZ[e]), 0.0);
        const double cx = std::max(std::max(lowX - centreX[e], centreX[e] - highX), 0.0);
        const double cy = std::max(std::max(lowY - centreY[e], centreY[e] - highY), 0.0);
        const double cz = std::max(std::max(lowZ - centreZ[e], centreZ[e] - highZ), 0.0);
        const double apart = ax * ax + ay * ay + az * az;
        const double toCentre = cx * cx + cy * cy + cz * cz;
        far[k] = static_cast<std::int32_t>(radius2[e] < angle2 * toCentre) &
                 static_cast<std::int32_t>(apart >= exact2) &
                 static_cast<std::int32_t>(toCentre < mostReach);
    }
    wholeCount = nearCount = 0;
    double partners = 0;
    for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t e = places != nullptr ? places[k] : k;
        whole[wholeCount] = lists.Near[e];
        nearPlaces[nearCount] = e;
        wholeCount += far[k];
        nearCount += 1 - far[k];
        partners += (1 - far[k]) * points[e];
    }
    return partners;
}

// A whole group, Width particles at a time: each particle's sums are its own, so the
// width, which is the instruction set's, does not change a bit of them.
template <int Build, int Width>
std::int64_t SumGroup(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                      const TTreeWalkLists& lists) {
    static_assert(SliceSize % Width == 0 && FarBlock % SliceSize == 0);
    double sums[6 * FarBlock];
    std::int64_t pairs = 0;
    for (std::int32_t b = begin; b < end; b += FarBlock) {
        const std::int32_t blockEnd = std::min(end, b + FarBlock);
        // Leaves the whole block takes as a whole join the group's far nodes.
        std::int32_t blockWhole = 0, blockNear = 0;
        SortLeaves<Build>(job, b, blockEnd, lists, nullptr, lists.NearCount, lists.Whole,
                          blockWhole, lists.BlockNear, blockNear);
        const bool single = FarSingle<Build>(job, b, blockEnd, lists.Far, lists.FarCount,
                                             lists.Whole, blockWhole, sums);
        for (std::int32_t t = b; t < blockEnd; t += SliceSize) {
            const std::int32_t stop = std::min(blockEnd, t + SliceSize);
            std::int32_t sliceWhole = 0, sliceNear = 0;
            const double partners = SortLeaves<Build>(job, t, stop, lists, lists.BlockNear,
                                                      blockNear, lists.Whole + blockWhole,
                                                      sliceWhole, lists.SlicePlaces, sliceNear);
            pairs += static_cast<std::int64_t>(partners - 1) * (stop - t);
            for (std::int32_t k = 0; k < sliceNear; ++k)
                lists.SliceNear[k] = lists.Near[lists.SlicePlaces[k]];
            TTreeWalkLists slice = lists;
            slice.Near = lists.SliceNear;
            slice.NearCount = sliceNear;
            if (single) {
                slice.FarCount = 0;
                slice.LeafFar = lists.Whole + blockWhole;
                slice.LeafFarCount = sliceWhole;
            } else {
                // The block's whole leaves lie just before the slice's.
                slice.LeafFar = lists.Whole;
                slice.LeafFarCount = blockWhole + sliceWhole;
            }
            for (std::int32_t l = t; l < stop; l += Width)
                SumLanes<Build, Width>(job, l, std::min(stop, l + Width), slice,
                                       single ? sums + (l - b) : nullptr);
        }
    }
    return pairs;
}

} // namespace TreeKernel

namespace TreeKernels {
std::int64_t SumGroupScalar(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                            const TTreeWalkLists& lists);
std::int64_t SumGroupAvx2(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                          const TTreeWalkLists& lists);
std::int64_t SumGroupAvx512(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                            const TTreeWalkLists& lists);
/// The build for the instruction set the pair kernels use.
TTreeGroupFunction GroupFunction();
} // namespace TreeKernels
