#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

/// v in single precision; a value beyond its range becomes an infinity of its sign, as a
/// plain conversion would leave undefined.
inline float SingleOrInfinite(double v) {
    if (std::fabs(v) <= FLT_MAX)
        return static_cast<float>(v);
    if (std::isnan(v))
        return std::numeric_limits<float>::quiet_NaN();
    return v > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
}

/// An octree over a set of points, built from their Morton order. Nodes with a single
/// occupied octant are skipped, so there are fewer than twice as many nodes as leaves, and
/// each node keeps what the far-field expansion of the 1/distance pull needs: the count,
/// the centre of mass (all masses are equal) and the second moments about it, as well as
/// a tight bounding box and the radius of the sphere about the centre that holds them, and
/// for friction the mean velocity, the spread about it and its first moment with position.
///
/// Building allocates only when the point count grows past what the tree held before.
class TOctree {
public:
    // What a walk of the tree reads comes first, in the node's first two cache lines.
    struct alignas(64) TNode {
        double CX, CY, CZ; // centre of mass
        double Radius;     // no point lies farther from the centre
        double LowX, LowY, LowZ, HighX, HighY, HighZ;
        std::int32_t Begin, End;      // the points, in tree order
        std::int32_t FirstChild = -1; // children are consecutive; -1 for a leaf
        std::int32_t Children = 0;
        // Sizes and speeds that keep every product the far field forms within range:
        // radius below 1e30, speeds about the mean below 1e50 and the mean below 1e50. A
        // node that is not (a particle flung out, or not finite) is never taken as a whole.
        std::int32_t Tame;
        double QXX, QXY, QXZ, QYY, QYZ, QZZ; // sum of s s^T over the points, s = point - centre
        double VX, VY, VZ;                   // mean velocity
        double Spread;                       // sum of |v - mean|^2 over the points
        // Sum of s (v - mean)^T over the points: how velocity varies across the node, as in
        // a cluster that turns. Row a, column b is CAB.
        double CXX, CXY, CXZ, CYX, CYY, CYZ, CZX, CZY, CZZ;
        // The same in single precision, which is all the far field needs: the count, the
        // trace of Q, 4/3 of the spread per point, Q, the mean velocity and C.
        float FCount, FTrace, FSpread;
        float FQXX, FQXY, FQXZ, FQYY, FQYZ, FQZZ;
        float FVX, FVY, FVZ;
        float FCXX, FCXY, FCXZ, FCYX, FCYY, FCYZ, FCZX, FCZY, FCZZ;
    };

    // Leaves hold up to this many points (more only where points coincide to the last bit
    // of the Morton code).
    static constexpr std::int32_t LeafSize = 32;
    // The step walks the tree once for each group: the largest nodes of at most this many
    // points, or a leaf that holds more. Walking for each leaf would leave most vector
    // lanes idle and repeat nearly the same walk for its neighbours. Since the group's
    // blocks and slices sort its near leaves for themselves, larger groups lose little
    // there: on the merged universe of 28,880 particles, groups of 256 with leaves of 32
    // took a twentieth less time than 128 with 16, and left a tenth less error in the pull
    // and friction; leaves of 8 or 16 make more near leaves to take as a whole, in double
    // precision, than they save pairs.
    static constexpr std::int32_t GroupSize = 256;

    /// Makes room for count points; throws std::bad_alloc.
    void Reserve(std::int32_t count);

    /// Builds the tree over count points. Afterwards Order()[k] is the point at tree
    /// position k; ties keep their input order, so the tree depends only on the points.
    void Build(const double* x, const double* y, const double* z, const double* vx,
               const double* vy, const double* vz, std::int32_t count);

    const std::vector<TNode>& Nodes() const { return NodeList; }
    std::int32_t NodeCount() const { return Used; }
    const std::int32_t* Order() const { return SortedIndex.data(); }
    /// Leaves in tree order.
    const std::vector<std::int32_t>& Leaves() const { return LeafList; }
    std::int32_t LeafCount() const { return LeafUsed; }
    /// Groups in tree order; each is a node, and its points are consecutive.
    const std::vector<std::int32_t>& Groups() const { return GroupList; }
    std::int32_t GroupCount() const { return GroupUsed; }

private:
    void BuildNode(std::int32_t node, std::int32_t begin, std::int32_t end, int level,
                   bool grouped);
    void LeafMoments(TNode& n) const;
    void CombineMoments(TNode& n) const;
    static void SingleMoments(TNode& n);

    const double* PX = nullptr;
    const double* PY = nullptr;
    const double* PZ = nullptr;
    const double* PVX = nullptr;
    const double* PVY = nullptr;
    const double* PVZ = nullptr;
    std::vector<std::uint64_t> Keys, KeysSpare;
    std::vector<std::int32_t> SortedIndex, IndexSpare;
    std::vector<TNode> NodeList;
    std::vector<std::int32_t> LeafList, GroupList;
    std::int32_t Used = 0;
    std::int32_t LeafUsed = 0;
    std::int32_t GroupUsed = 0;
};
