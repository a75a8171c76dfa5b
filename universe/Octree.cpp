#include "universe/Octree.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int LevelBits = 21; // per axis: three axes fill 63 bits of the key

// Spreads the low 21 bits of v so that two zero bits follow each.
std::uint64_t Spread(std::uint64_t v) {
    v &= 0x1fffff;
    v = (v | v << 32) & 0x1f00000000ffffULL;
    v = (v | v << 16) & 0x1f0000ff0000ffULL;
    v = (v | v << 8) & 0x100f00f00f00f00fULL;
    v = (v | v << 4) & 0x10c30c30c30c30c3ULL;
    v = (v | v << 2) & 0x1249249249249249ULL;
    return v;
}

int Octant(std::uint64_t key, int level) {
    return static_cast<int>(key >> (3 * level) & 7);
}

} // namespace

void TOctree::Reserve(std::int32_t count) {
    const auto n = static_cast<std::size_t>(std::max(count, 1));
    if (Keys.size() >= n)
        return;
    Keys.resize(n);
    KeysSpare.resize(n);
    SortedIndex.resize(n);
    IndexSpare.resize(n);
    NodeList.resize(2 * n + 1);
    LeafList.resize(n);
    GroupList.resize(n);
}

void TOctree::Build(const double* x, const double* y, const double* z, const double* vx,
                    const double* vy, const double* vz, std::int32_t count) {
    Reserve(count);
    PX = x;
    PY = y;
    PZ = z;
    PVX = vx;
    PVY = vy;
    PVZ = vz;
    Used = 0;
    LeafUsed = 0;
    GroupUsed = 0;
    if (count <= 0)
        return;

    // One cube holds every point, so that the octants are cubes too.
    double lowX = x[0], lowY = y[0], lowZ = z[0];
    double highX = x[0], highY = y[0], highZ = z[0];
    for (std::int32_t k = 1; k < count; ++k) {
        lowX = std::min(lowX, x[k]);
        lowY = std::min(lowY, y[k]);
        lowZ = std::min(lowZ, z[k]);
        highX = std::max(highX, x[k]);
        highY = std::max(highY, y[k]);
        highZ = std::max(highZ, z[k]);
    }
    const double high = std::max({highX - lowX, highY - lowY, highZ - lowZ});
    constexpr double cells = static_cast<double>((1 << LevelBits) - 1);
    const double scale = high > 0 ? cells / high : 0;
    auto cellOf = [&](double v, double least) {
        const double c = (v - least) * scale;
        // Overflow lands in the last cell and not-a-number in the first, not anywhere undefined.
        return c >= 0 && c <= cells ? static_cast<std::uint64_t>(c)
                                    : static_cast<std::uint64_t>(c >= 0 ? cells : 0);
    };
    for (std::int32_t k = 0; k < count; ++k) {
        Keys[static_cast<std::size_t>(k)] = Spread(cellOf(x[k], lowX)) << 2 |
                                            Spread(cellOf(y[k], lowY)) << 1 |
                                            Spread(cellOf(z[k], lowZ));
        SortedIndex[static_cast<std::size_t>(k)] = k;
    }

    // Least significant byte first; each pass is stable, so equal keys keep index order.
    std::uint64_t* keys = Keys.data();
    std::uint64_t* spareKeys = KeysSpare.data();
    std::int32_t* index = SortedIndex.data();
    std::int32_t* spareIndex = IndexSpare.data();
    for (int shift = 0; shift < 64; shift += 8) {
        std::int32_t counts[257] = {};
        for (std::int32_t k = 0; k < count; ++k)
            ++counts[(keys[k] >> shift & 0xff) + 1];
        if (counts[(keys[0] >> shift & 0xff) + 1] == count)
            continue; // every key has the same byte here
        for (int b = 0; b < 256; ++b)
            counts[b + 1] += counts[b];
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t at = counts[keys[k] >> shift & 0xff]++;
            spareKeys[at] = keys[k];
            spareIndex[at] = index[k];
        }
        std::swap(keys, spareKeys);
        std::swap(index, spareIndex);
    }
    if (keys != Keys.data()) {
        std::memcpy(Keys.data(), keys, sizeof(std::uint64_t) * static_cast<std::size_t>(count));
        std::memcpy(SortedIndex.data(), index,
                    sizeof(std::int32_t) * static_cast<std::size_t>(count));
    }

    Used = 1;
    BuildNode(0, 0, count, LevelBits - 1, false);
}

void TOctree::BuildNode(std::int32_t node, std::int32_t begin, std::int32_t end, int level,
                        bool grouped) {
    TNode& n = NodeList[static_cast<std::size_t>(node)];
    n.Begin = begin;
    n.End = end;
    n.FirstChild = -1;
    n.Children = 0;
    const std::uint64_t* keys = Keys.data();
    // Levels where every point falls in one octant add no node.
    while (end - begin > LeafSize && level >= 0 &&
           Octant(keys[begin], level) == Octant(keys[end - 1], level))
        --level;
    const bool leaf = end - begin <= LeafSize || level < 0;
    if (!grouped && (end - begin <= GroupSize || leaf)) {
        GroupList[static_cast<std::size_t>(GroupUsed++)] = node;
        grouped = true;
    }
    if (leaf) {
        LeafMoments(n);
        LeafList[static_cast<std::size_t>(LeafUsed++)] = node;
        return;
    }
    std::int32_t starts[9];
    int children = 0;
    for (std::int32_t k = begin; k < end; ++k)
        if (k == begin || Octant(keys[k], level) != Octant(keys[k - 1], level))
            starts[children++] = k;
    starts[children] = end;
    n.FirstChild = Used;
    n.Children = children;
    Used += children;
    for (int c = 0; c < children; ++c)
        BuildNode(n.FirstChild + c, starts[c], starts[c + 1], level - 1, grouped);
    CombineMoments(n);
}

void TOctree::LeafMoments(TNode& n) const {
    const std::int32_t* order = SortedIndex.data();
    const double count = n.End - n.Begin;
    double sx = 0, sy = 0, sz = 0;
    const std::int32_t first = order[n.Begin];
    n.LowX = n.HighX = PX[first];
    n.LowY = n.HighY = PY[first];
    n.LowZ = n.HighZ = PZ[first];
    for (std::int32_t k = n.Begin; k < n.End; ++k) {
        const std::int32_t p = order[k];
        sx += PX[p];
        sy += PY[p];
        sz += PZ[p];
        n.LowX = std::min(n.LowX, PX[p]);
        n.LowY = std::min(n.LowY, PY[p]);
        n.LowZ = std::min(n.LowZ, PZ[p]);
        n.HighX = std::max(n.HighX, PX[p]);
        n.HighY = std::max(n.HighY, PY[p]);
        n.HighZ = std::max(n.HighZ, PZ[p]);
    }
    n.CX = sx / count;
    n.CY = sy / count;
    n.CZ = sz / count;
    n.QXX = n.QXY = n.QXZ = n.QYY = n.QYZ = n.QZZ = 0;
    double farthest = 0;
    for (std::int32_t k = n.Begin; k < n.End; ++k) {
        const std::int32_t p = order[k];
        const double dx = PX[p] - n.CX;
        const double dy = PY[p] - n.CY;
        const double dz = PZ[p] - n.CZ;
        n.QXX += dx * dx;
        n.QXY += dx * dy;
        n.QXZ += dx * dz;
        n.QYY += dy * dy;
        n.QYZ += dy * dz;
        n.QZZ += dz * dz;
        farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
    }
    n.Radius = std::sqrt(farthest);
    double wx = 0, wy = 0, wz = 0;
    for (std::int32_t k = n.Begin; k < n.End; ++k) {
        const std::int32_t p = order[k];
        wx += PVX[p];
        wy += PVY[p];
        wz += PVZ[p];
    }
    n.VX = wx / count;
    n.VY = wy / count;
    n.VZ = wz / count;
    n.Spread = 0;
    n.CXX = n.CXY = n.CXZ = n.CYX = n.CYY = n.CYZ = n.CZX = n.CZY = n.CZZ = 0;
    for (std::int32_t k = n.Begin; k < n.End; ++k) {
        const std::int32_t p = order[k];
        const double dx = PVX[p] - n.VX;
        const double dy = PVY[p] - n.VY;
        const double dz = PVZ[p] - n.VZ;
        n.Spread += dx * dx + dy * dy + dz * dz;
        const double ox = PX[p] - n.CX;
        const double oy = PY[p] - n.CY;
        const double oz = PZ[p] - n.CZ;
        n.CXX += ox * dx;
        n.CXY += ox * dy;
        n.CXZ += ox * dz;
        n.CYX += oy * dx;
        n.CYY += oy * dy;
        n.CYZ += oy * dz;
        n.CZX += oz * dx;
        n.CZY += oz * dy;
        n.CZZ += oz * dz;
    }
    SingleMoments(n);
}

// The second moments, and the moments of position with velocity, move to the new centre by
// the parallel-axis rule; each child's first moments about its own centre are zero.
void TOctree::CombineMoments(TNode& n) const {
    const TNode* child = NodeList.data() + n.FirstChild;
    const double count = n.End - n.Begin;
    double sx = 0, sy = 0, sz = 0, wx = 0, wy = 0, wz = 0;
    n.LowX = child[0].LowX;
    n.LowY = child[0].LowY;
    n.LowZ = child[0].LowZ;
    n.HighX = child[0].HighX;
    n.HighY = child[0].HighY;
    n.HighZ = child[0].HighZ;
    for (int c = 0; c < n.Children; ++c) {
        const TNode& m = child[c];
        const double w = m.End - m.Begin;
        sx += w * m.CX;
        sy += w * m.CY;
        sz += w * m.CZ;
        wx += w * m.VX;
        wy += w * m.VY;
        wz += w * m.VZ;
        n.LowX = std::min(n.LowX, m.LowX);
        n.LowY = std::min(n.LowY, m.LowY);
        n.LowZ = std::min(n.LowZ, m.LowZ);
        n.HighX = std::max(n.HighX, m.HighX);
        n.HighY = std::max(n.HighY, m.HighY);
        n.HighZ = std::max(n.HighZ, m.HighZ);
    }
    n.CX = sx / count;
    n.CY = sy / count;
    n.CZ = sz / count;
    n.VX = wx / count;
    n.VY = wy / count;
    n.VZ = wz / count;
    n.QXX = n.QXY = n.QXZ = n.QYY = n.QYZ = n.QZZ = 0;
    n.Radius = 0;
    n.Spread = 0;
    n.CXX = n.CXY = n.CXZ = n.CYX = n.CYY = n.CYZ = n.CZX = n.CZY = n.CZZ = 0;
    for (int c = 0; c < n.Children; ++c) {
        const TNode& m = child[c];
        const double w = m.End - m.Begin;
        const double dx = m.CX - n.CX;
        const double dy = m.CY - n.CY;
        const double dz = m.CZ - n.CZ;
        n.QXX += m.QXX + w * dx * dx;
        n.QXY += m.QXY + w * dx * dy;
        n.QXZ += m.QXZ + w * dx * dz;
        n.QYY += m.QYY + w * dy * dy;
        n.QYZ += m.QYZ + w * dy * dz;
        n.QZZ += m.QZZ + w * dz * dz;
        n.Radius = std::max(n.Radius, std::sqrt(dx * dx + dy * dy + dz * dz) + m.Radius);
        const double ux = m.VX - n.VX;
        const double uy = m.VY - n.VY;
        const double uz = m.VZ - n.VZ;
        n.Spread += m.Spread + w * (ux * ux + uy * uy + uz * uz);
        n.CXX += m.CXX + w * dx * ux;
        n.CXY += m.CXY + w * dx * uy;
        n.CXZ += m.CXZ + w * dx * uz;
        n.CYX += m.CYX + w * dy * ux;
        n.CYY += m.CYY + w * dy * uy;
        n.CYZ += m.CYZ + w * dy * uz;
        n.CZX += m.CZX + w * dz * ux;
        n.CZY += m.CZY + w * dz * uy;
        n.CZZ += m.CZZ + w * dz * uz;
    }
    SingleMoments(n);
}

void TOctree::SingleMoments(TNode& n) {
    const double count = n.End - n.Begin;
    n.Tame = n.Radius < 1e30 && n.Spread < 1e100 && std::fabs(n.VX) < 1e50 &&
             std::fabs(n.VY) < 1e50 && std::fabs(n.VZ) < 1e50;
    auto single = SingleOrInfinite;
    n.FCount = single(count);
    n.FTrace = single(n.QXX + n.QYY + n.QZZ);
    n.FSpread = single((4.0 / 3.0) * n.Spread / count);
    n.FQXX = single(n.QXX);
    n.FQXY = single(n.QXY);
    n.FQXZ = single(n.QXZ);
    n.FQYY = single(n.QYY);
    n.FQYZ = single(n.QYZ);
    n.FQZZ = single(n.QZZ);
    n.FVX = single(n.VX);
    n.FVY = single(n.VY);
    n.FVZ = single(n.VZ);
    n.FCXX = single(n.CXX);
    n.FCXY = single(n.CXY);
    n.FCXZ = single(n.CXZ);
    n.FCYX = single(n.CYX);
    n.FCYY = single(n.CYY);
    n.FCYZ = single(n.CYZ);
    n.FCZX = single(n.CZX);
    n.FCZY = single(n.CZY);
    n.FCZZ = single(n.CZZ);
}
