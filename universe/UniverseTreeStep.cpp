// The tree step: a full step with every pair weighted once, whose distant pull comes from
// an octree. Each group of the tree (a node of up to 128 particles) walks the tree once:
// a node far enough from the whole group by the opening angle acts through its
// multipole expansion, every other particle is taken exactly, as the literal step takes
// it, from this side of the pair. Each particle's sums are then its own, added in an order
// that the tree alone fixes, so the bits do not depend on the thread count.
//
// The pull of one particle on another is Mass * r / |r|^2, the gradient of Mass * ln|r|:
// a logarithmic potential, so distant mass weighs more than under Newton's law. Pressure
// pushes back with Pressure * r / (|r|^2 + shield)^2. Both are g(r) = r phi(|r|^2), the
// acceleration of a target at r from a source at s being -g(r - s). About a node's centre
// of mass c, with s = source - c and r = target - c, the sum over its N sources expands as
//   sum g(r - s) = N g(r) + 1/2 Q : grad grad g(r) + O(|s|^3 / |r|^4),  Q = sum s s^T,
// the first moment vanishing about the centre of mass. Working the derivatives out,
//   1/2 Q : grad grad g = (2 Q r + tr(Q) r) phi'(u) + 2 r (r.Q.r) phi''(u),  u = |r|^2,
// trace included: ln|r| is not harmonic in three dimensions, so Q cannot be made
// traceless. For the pull alone, phi = Mass / u gives -(2 Q r + tr(Q) r) Mass / |r|^4
// + 4 r (r.Q.r) Mass / |r|^6. The error of one node then goes as (Radius / |r|)^3 rather
// than the square that the monopole alone leaves.

#include "universe/Universe.h"

#include "universe/CloseList.h"
#include "universe/MatrixCells.h"
#include "universe/ParticleMove.h"
#include "universe/StepConstants.h"
#include "universe/StepControl.h"
#include "universe/StepScratch.h"
#include "universe/TreeKernel.h"
#include "universe/TreeScratch.h"

#include <algorithm>
#include <cmath>
#include <new>

using namespace StepConstants;

namespace {

// Every pair closer than this is worked out exactly, whatever the opening angle: its node
// is opened. Pressure and friction fall off as 1 / distance^4 but saturate close up (the
// friction share reaches its clamp, the pressure its shield), which no expansion about a
// node's centre follows. Beyond this radius a node's friction comes from its mean
// velocity, its spread and how its velocity varies across it, its share cut where the
// whole of it passes the clamp (TreeKernel.h). The radius was chosen on the merged default
// universe and on it grown to 28,880 particles, at the default angle: there the friction
// error came to 6.4e-3, against 8.6e-3 at 0.5 for a step a tenth shorter and 1.05e-2
// without the cut; 0.6 took a tenth longer for 5.1e-3. Pressure's heat is the one term
// dropped beyond it, as the heat fold's weights depend on indices the nodes mix; the heat so
// lost stays below a millionth of the heat the particles carry.
constexpr double ExactRadius = 0.55;
// Nodes farther than the square root of this are never taken as a whole: with the bounds
// of TOctree::TNode::Tame, no product the far field forms can then overflow.
constexpr double MostSquaredReach = 1e200;
// Below this many particles one thread does the step.
constexpr std::int32_t LeastParticlesForThreads = 1024;
// A walk's stack: at most eight children per level of a tree at most 22 deep.
constexpr int StackSize = 8 * 24;

struct TTreeParameters {
    double SquaredAngle; // opening angle squared
    double SquaredExact; // pairs closer than its root are never approximated
    double CloseBelow;   // squared close-pair limit
};

double SquaredGap(double lowA, double highA, double lowB, double highB) {
    const double gap = std::max({lowA - highB, lowB - highA, 0.0});
    return gap * gap;
}

double SquaredToBox(double v, double low, double high) {
    const double gap = std::max({low - v, v - high, 0.0});
    return gap * gap;
}

// One group's walk: the nodes it takes as a whole, and the leaves it takes point by point.
void Walk(const TOctree& tree, const TOctree::TNode& group, const TTreeParameters& p,
          std::vector<std::int32_t>& far, std::int32_t& farCount, std::vector<std::int32_t>& near,
          std::int32_t& nearCount) {
    const TOctree::TNode* nodes = tree.Nodes().data();
    std::int32_t stack[StackSize];
    int top = 0;
    stack[top++] = 0;
    farCount = nearCount = 0;
    const bool tame = group.Tame != 0;
    while (top > 0) {
        const std::int32_t at = stack[--top];
        const TOctree::TNode& n = nodes[at];
        const double toCentre = SquaredToBox(n.CX, group.LowX, group.HighX) +
                                SquaredToBox(n.CY, group.LowY, group.HighY) +
                                SquaredToBox(n.CZ, group.LowZ, group.HighZ);
        const double gap = SquaredGap(n.LowX, n.HighX, group.LowX, group.HighX) +
                           SquaredGap(n.LowY, n.HighY, group.LowY, group.HighY) +
                           SquaredGap(n.LowZ, n.HighZ, group.LowZ, group.HighZ);
        if (tame && n.Tame && toCentre < MostSquaredReach &&
            n.Radius * n.Radius < p.SquaredAngle * toCentre && gap >= p.SquaredExact) {
            far[static_cast<std::size_t>(farCount++)] = at;
        } else if (n.FirstChild < 0) {
            near[static_cast<std::size_t>(nearCount++)] = at;
        } else {
            // Pushed last to first, so the children are taken in tree order.
            for (std::int32_t c = n.Children - 1; c >= 0; --c)
                stack[top++] = n.FirstChild + c;
        }
    }
}

// The close partners above row `slot`, found by a search of the tree around it.
void CloseRow(const TTreeScratch& s, std::int32_t slot, double closeBelow,
              std::vector<TTreeScratch::TClose>& row, std::int32_t& found) {
    const TOctree::TNode* nodes = s.Tree.Nodes().data();
    const auto t = static_cast<std::size_t>(s.TreePlace[static_cast<std::size_t>(slot)]);
    const double x = s.X[t], y = s.Y[t], z = s.Z[t];
    // A little slack: a box is left out only when nothing in it can be close.
    const double reach = closeBelow * (1 + 1e-9);
    std::int32_t stack[StackSize];
    int top = 0;
    stack[top++] = 0;
    found = 0;
    while (top > 0) {
        const TOctree::TNode& n = nodes[stack[--top]];
        if (SquaredToBox(x, n.LowX, n.HighX) + SquaredToBox(y, n.LowY, n.HighY) +
                SquaredToBox(z, n.LowZ, n.HighZ) >
            reach)
            continue;
        if (n.FirstChild >= 0) {
            for (std::int32_t c = 0; c < n.Children; ++c)
                stack[top++] = n.FirstChild + c;
            continue;
        }
        for (std::int32_t m = n.Begin; m < n.End; ++m) {
            const auto at = static_cast<std::size_t>(m);
            const std::int32_t other = s.Slot[at];
            if (other <= slot)
                continue;
            const double dx = x - s.X[at];
            const double dy = y - s.Y[at];
            const double dz = z - s.Z[at];
            double d2 = dx * dx + dy * dy + dz * dz;
            if (d2 < LeastSquaredDistance)
                d2 = LeastSquaredDistance;
            if (d2 < closeBelow)
                row[static_cast<std::size_t>(found++)] = TTreeScratch::TClose{other, d2};
        }
    }
    std::sort(row.begin(), row.begin() + found,
              [](const TTreeScratch::TClose& a, const TTreeScratch::TClose& b) {
                  return a.Upper < b.Upper;
              });
}

int TreeThreads(std::int32_t setting, std::int32_t count) {
    if (setting <= 0 && count < LeastParticlesForThreads)
        return 1;
    return TStepScratch::ThreadsFor(setting);
}

// The mean acceleration and friction change that the approximations left over. Every
// pair worked out literally adds equal and opposite terms, so the literal step's sums come
// to nothing; a node's expansion acts on a particle without the particle acting back on the
// node's members the same way, and a pair worked out exactly for one of its particles may
// reach the other only through an expansion. Uncorrected, the universe drifts as a whole:
// seed 1's default universe changed its total momentum by 1 % in a hundred steps. All
// particles weigh the same, so taking the mean off each restores the total to rounding, and
// moves each particle by far less than the approximation's own error. Summed in tree order,
// which depends on the positions alone, so the bits stay the same for any thread count; a
// sum that is not finite (a particle with infinite or NaN coordinates) corrects nothing.
struct TNetPull {
    double AX = 0, AY = 0, AZ = 0, FX = 0, FY = 0, FZ = 0;
};

TNetPull NetPull(const TTreeScratch& s, std::int32_t count) {
    TNetPull sum;
    for (std::size_t at = 0; at < static_cast<std::size_t>(count); ++at) {
        sum.AX += s.AX[at];
        sum.AY += s.AY[at];
        sum.AZ += s.AZ[at];
        sum.FX += s.FX[at];
        sum.FY += s.FY[at];
        sum.FZ += s.FZ[at];
    }
    double* fields[] = {&sum.AX, &sum.AY, &sum.AZ, &sum.FX, &sum.FY, &sum.FZ};
    for (double* field : fields)
        *field = std::isfinite(*field) ? *field / count : 0;
    return sum;
}

} // namespace

void TTreeScratch::Reserve(std::int32_t count, int threads) {
    if (count > Capacity) {
        const auto n = static_cast<std::size_t>(count);
        Tree.Reserve(count);
        for (std::vector<double>* v :
             {&PosX, &PosY, &PosZ, &VelX, &VelY, &VelZ, &X,  &Y,  &Z,  &VX,
              &VY,   &VZ,   &Heat, &AX,   &AY,   &AZ,   &FX, &FY, &FZ, &NewHeat})
            v->resize(n);
        for (std::vector<std::int32_t>* v : {&TreePlace, &Slot, &HigherClose, &CloseFirst})
            v->resize(n);
        GroupPairs.resize(n);
        KeptPower.resize(n + 1);
        PowersRadiation = -1;
        Far.clear();
        Near.clear();
        for (auto* lists : {&Whole, &BlockNear, &SlicePlaces, &SliceNear, &Flag})
            lists->clear();
        LeafGeometry.clear();
        CloseRow.clear();
        Threads = 0;
        Capacity = count;
    }
    for (; Threads < threads; ++Threads) {
        const auto n = static_cast<std::size_t>(Capacity);
        Far.emplace_back(2 * n + 1);
        Near.emplace_back(n);
        for (auto* lists : {&Whole, &BlockNear, &SlicePlaces, &SliceNear, &Flag})
            lists->emplace_back(n);
        LeafGeometry.emplace_back(11 * n);
        CloseRow.emplace_back(n);
    }
}

bool TUniverse::ReserveTree(std::int32_t Count) {
    try {
        if (TreeScratch == nullptr)
            TreeScratch = std::make_unique<TTreeScratch>();
        TreeScratch->Reserve(Count, TreeThreads(StepThreadCount, Count));
    } catch (const std::bad_alloc&) {
        TreeScratch.reset();
        return false;
    }
    return true;
}

bool TUniverse::StepTree(std::int32_t First, std::int32_t Last, TStepControl* Control) {
    if (Particles == nullptr || Scratch == nullptr || TreeScratch == nullptr || Last < First) {
        PairLast = -1;
        CountStep(First, First - 1, 0);
        return true;
    }
    const auto count = static_cast<std::int32_t>(static_cast<std::int64_t>(Last) - First + 1);
    const int threads = TreeThreads(StepThreadCount, count);
    TTreeScratch& s = *TreeScratch;
    StepControl::AddRows(Control, count);

    const TMatrixGrid grid = TMatrixGrid::Lay(Particles, First, Last, MatrixResolution);
    TStepScratch& cells = *Scratch;
    for (std::int32_t slot = 0; slot < count; ++slot) {
        const TParticle& q = Particles[First + slot];
        const auto at = static_cast<std::size_t>(slot);
        cells.CellX[at] = grid.CellOf(q.X, grid.LeastX, grid.ReciprocalX);
        cells.CellY[at] = grid.CellOf(q.Y, grid.LeastY, grid.ReciprocalY);
        cells.CellZ[at] = grid.CellOf(q.Z, grid.LeastZ, grid.ReciprocalZ);
        s.PosX[at] = q.X;
        s.PosY[at] = q.Y;
        s.PosZ[at] = q.Z;
        s.VelX[at] = q.VX;
        s.VelY[at] = q.VY;
        s.VelZ[at] = q.VZ;
    }
    s.Tree.Build(s.PosX.data(), s.PosY.data(), s.PosZ.data(), s.VelX.data(), s.VelY.data(),
                 s.VelZ.data(), count);
    const std::int32_t* order = s.Tree.Order();
    for (std::int32_t t = 0; t < count; ++t) {
        const std::int32_t slot = order[t];
        const TParticle& q = Particles[First + slot];
        const auto at = static_cast<std::size_t>(t);
        s.X[at] = q.X;
        s.Y[at] = q.Y;
        s.Z[at] = q.Z;
        s.VX[at] = q.VX;
        s.VY[at] = q.VY;
        s.VZ[at] = q.VZ;
        s.Heat[at] = q.Heat;
        s.Slot[at] = slot;
        s.TreePlace[static_cast<std::size_t>(slot)] = t;
    }
    if (UseThermodynamics && s.PowersRadiation != Radiation) {
        const double kept = 1 - Radiation;
        for (std::size_t n = 0; n < s.KeptPower.size(); ++n)
            s.KeptPower[n] = std::pow(kept, static_cast<double>(n));
        s.PowersRadiation = Radiation;
    }

    const double closeLimit = MaxSeparation * 0.1;
    const double closeBelow = CloseList::SquaredLimit(closeLimit);
    // Close pairs are counted on the exact side: the exact sphere holds them all.
    const double exact = std::max({ExactRadius, closeLimit, 0.01}) * 1.000001;
    const TTreeParameters parameters{OpeningAngle * OpeningAngle, exact * exact, closeBelow};
    const TTreeKernelJob job{s.Tree.Nodes().data(),
                             s.X.data(),
                             s.Y.data(),
                             s.Z.data(),
                             s.VX.data(),
                             s.VY.data(),
                             s.VZ.data(),
                             s.Heat.data(),
                             s.Slot.data(),
                             s.AX.data(),
                             s.AY.data(),
                             s.AZ.data(),
                             s.FX.data(),
                             s.FY.data(),
                             s.FZ.data(),
                             s.NewHeat.data(),
                             s.HigherClose.data(),
                             s.KeptPower.data(),
                             Mass,
                             Friction,
                             Pressure,
                             Radiation,
                             closeBelow,
                             parameters.SquaredAngle,
                             parameters.SquaredExact,
                             MostSquaredReach,

                             UseThermodynamics};
    const TTreeGroupFunction sum = TreeKernels::GroupFunction();
    const std::vector<std::int32_t>& groups = s.Tree.Groups();
    const TOctree::TNode* nodes = s.Tree.Nodes().data();
    Scratch->Team.Run(threads, s.Tree.GroupCount(), [&](std::int32_t task, int thread) {
        if (StepControl::Cancelled(Control))
            return;
        const TOctree::TNode& group = nodes[groups[static_cast<std::size_t>(task)]];
        std::vector<std::int32_t>& far = s.Far[static_cast<std::size_t>(thread)];
        std::vector<std::int32_t>& near = s.Near[static_cast<std::size_t>(thread)];
        std::int32_t farCount = 0, nearCount = 0;
        Walk(s.Tree, group, parameters, far, farCount, near, nearCount);
        double* geometry = s.LeafGeometry[static_cast<std::size_t>(thread)].data();
        for (std::int32_t e = 0; e < nearCount; ++e) {
            const TOctree::TNode& leaf = nodes[near[static_cast<std::size_t>(e)]];
            const double fields[] = {leaf.LowX,
                                     leaf.LowY,
                                     leaf.LowZ,
                                     leaf.HighX,
                                     leaf.HighY,
                                     leaf.HighZ,
                                     leaf.CX,
                                     leaf.CY,
                                     leaf.CZ,
                                     leaf.Tame ? leaf.Radius * leaf.Radius : HUGE_VAL,
                                     static_cast<double>(leaf.End - leaf.Begin)};
            for (int k = 0; k < 11; ++k)
                geometry[k * nearCount + e] = fields[k];
        }
        const TTreeWalkLists lists{far.data(),
                                   farCount,
                                   near.data(),
                                   nearCount,
                                   nullptr,
                                   0,
                                   geometry,
                                   group.Tame != 0,
                                   s.Whole[static_cast<std::size_t>(thread)].data(),
                                   s.BlockNear[static_cast<std::size_t>(thread)].data(),
                                   s.SlicePlaces[static_cast<std::size_t>(thread)].data(),
                                   s.SliceNear[static_cast<std::size_t>(thread)].data(),
                                   s.Flag[static_cast<std::size_t>(thread)].data()};
        s.GroupPairs[static_cast<std::size_t>(task)] = sum(job, group.Begin, group.End, lists);
        StepControl::RowsDone(Control, group.End - group.Begin);
    });
    if (StepControl::Cancelled(Control))
        return false;

    // The close-pair list in the literal order: by lower index, then by upper index.
    std::int32_t rows = 0, total = 0;
    if (closeBelow > 0)
        for (; rows < count && total < MaxPairs; ++rows) {
            s.CloseFirst[static_cast<std::size_t>(rows)] = total;
            total += std::min(s.HigherClose[static_cast<std::size_t>(rows)], MaxPairs - total);
        }
    constexpr std::int32_t rowsPerTask = 16;
    Scratch->Team.Run(
        threads, (rows + rowsPerTask - 1) / rowsPerTask, [&](std::int32_t task, int thread) {
            std::vector<TTreeScratch::TClose>& row = s.CloseRow[static_cast<std::size_t>(thread)];
            const std::int32_t end = std::min(rows, (task + 1) * rowsPerTask);
            for (std::int32_t slot = task * rowsPerTask; slot < end; ++slot) {
                const auto at = static_cast<std::size_t>(slot);
                if (s.HigherClose[at] == 0)
                    continue;
                std::int32_t found = 0;
                CloseRow(s, slot, closeBelow, row, found);
                const std::int32_t first = s.CloseFirst[at];
                const std::int32_t room = std::min(found, MaxPairs - first);
                for (std::int32_t k = 0; k < room; ++k)
                    Pairs[static_cast<std::size_t>(first + k)] =
                        TPairEntry{First + row[static_cast<std::size_t>(k)].Upper, First + slot,
                                   std::sqrt(row[static_cast<std::size_t>(k)].SquaredDistance)};
            }
        });

    const TNetPull net = NetPull(s, count);
    for (std::int32_t slot = 0; slot < count; ++slot) {
        TParticle& q = Particles[First + slot];
        const auto at = static_cast<std::size_t>(s.TreePlace[static_cast<std::size_t>(slot)]);
        q.AX = s.AX[at] - net.AX;
        q.AY = s.AY[at] - net.AY;
        q.AZ = s.AZ[at] - net.AZ;
        q.FrictionX = s.FX[at] - net.FX;
        q.FrictionY = s.FY[at] - net.FY;
        q.FrictionZ = s.FZ[at] - net.FZ;
        q.Heat = s.NewHeat[at];
        q.CellX = cells.CellX[static_cast<std::size_t>(slot)];
        q.CellY = cells.CellY[static_cast<std::size_t>(slot)];
        q.CellZ = cells.CellZ[static_cast<std::size_t>(slot)];
        MoveParticle(q);
    }
    std::int64_t sides = 0;
    for (std::int32_t g = 0; g < s.Tree.GroupCount(); ++g)
        sides += s.GroupPairs[static_cast<std::size_t>(g)];
    PairLast = total - 1;
    // Each pair worked out one by one counts once for each side that did so.
    CountStep(First, Last, sides / 2);
    return true;
}
