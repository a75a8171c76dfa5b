// The pair kernel one lane at a time, in plain C++: the build for any processor, and the
// fallback where no vector unit is found.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"
#include "universe/TileKernel.h"

namespace {

struct TLanes {
    static constexpr int Width = 1;
    using TMask = bool;
    double V;

    static TLanes Splat(double v) { return {v}; }
    static TLanes Load(const double* p) { return {*p}; }
    void Store(double* p) const { *p = V; }
    friend TLanes operator+(TLanes a, TLanes b) { return {a.V + b.V}; }
    friend TLanes operator-(TLanes a, TLanes b) { return {a.V - b.V}; }
    friend TLanes operator*(TLanes a, TLanes b) { return {a.V * b.V}; }
    friend TLanes operator/(TLanes a, TLanes b) { return {a.V / b.V}; }
    static TLanes Sqrt(TLanes a) { return {__builtin_sqrt(a.V)}; }
    static TLanes Abs(TLanes a) { return {__builtin_fabs(a.V)}; }
    static TMask Less(TLanes a, TLanes b) { return a.V < b.V; }
    static TMask LessEqual(TLanes a, TLanes b) { return a.V <= b.V; }
    static TMask Greater(TLanes a, TLanes b) { return a.V > b.V; }
    static TMask NotEqual(TLanes a, TLanes b) { return a.V != b.V; }
    static TMask And(TMask a, TMask b) { return a && b; }
    static unsigned Bits(TMask m) { return m ? 1u : 0u; }
    static TMask All() { return true; }
    static TLanes Select(TMask m, TLanes a, TLanes b) { return m ? a : b; }
    static TLanes AddWhere(TMask m, TLanes sum, TLanes term) { return m ? sum + term : sum; }
};

// Eight lanes one after another, for the tile kernel.
struct TOctet {
    static constexpr int Width = 8;
    using TMask = unsigned; // lane l selected when bit l is set
    double V[8];

    template <class TOperation> static TOctet Each(TOperation operation) {
        TOctet r;
        for (int l = 0; l < 8; ++l)
            r.V[l] = operation(l);
        return r;
    }
    template <class TTest> static TMask EachBit(TTest test) {
        TMask m = 0;
        for (int l = 0; l < 8; ++l)
            m |= test(l) ? 1u << l : 0u;
        return m;
    }
    static TOctet Splat(double v) {
        return Each([&](int) { return v; });
    }
    static TOctet Load(const double* p) {
        return Each([&](int l) { return p[l]; });
    }
    void Store(double* p) const {
        for (int l = 0; l < 8; ++l)
            p[l] = V[l];
    }
    friend TOctet operator+(const TOctet& a, const TOctet& b) {
        return Each([&](int l) { return a.V[l] + b.V[l]; });
    }
    friend TOctet operator-(const TOctet& a, const TOctet& b) {
        return Each([&](int l) { return a.V[l] - b.V[l]; });
    }
    friend TOctet operator*(const TOctet& a, const TOctet& b) {
        return Each([&](int l) { return a.V[l] * b.V[l]; });
    }
    friend TOctet operator/(const TOctet& a, const TOctet& b) {
        return Each([&](int l) { return a.V[l] / b.V[l]; });
    }
    static TOctet Sqrt(const TOctet& a) {
        return Each([&](int l) { return __builtin_sqrt(a.V[l]); });
    }
    static TOctet Abs(const TOctet& a) {
        return Each([&](int l) { return __builtin_fabs(a.V[l]); });
    }
    static TMask Less(const TOctet& a, const TOctet& b) {
        return EachBit([&](int l) { return a.V[l] < b.V[l]; });
    }
    static TMask LessEqual(const TOctet& a, const TOctet& b) {
        return EachBit([&](int l) { return a.V[l] <= b.V[l]; });
    }
    static TMask And(TMask a, TMask b) { return a & b; }
    static TMask All() { return 0xFFu; }
    static unsigned Bits(TMask m) { return m; }
    static TOctet Select(TMask m, const TOctet& a, const TOctet& b) {
        return Each([&](int l) { return (m >> l & 1) != 0 ? a.V[l] : b.V[l]; });
    }
    static TOctet AddWhere(TMask m, const TOctet& sum, const TOctet& term) {
        return Each([&](int l) { return (m >> l & 1) != 0 ? sum.V[l] + term.V[l] : sum.V[l]; });
    }
    static TOctet SubWhere(TMask m, const TOctet& sum, const TOctet& term) {
        return Each([&](int l) { return (m >> l & 1) != 0 ? sum.V[l] - term.V[l] : sum.V[l]; });
    }
    static double ReduceAdd(const TOctet& a) {
        const double t[4] = {a.V[0] + a.V[4], a.V[1] + a.V[5], a.V[2] + a.V[6], a.V[3] + a.V[7]};
        return (t[0] + t[2]) + (t[1] + t[3]);
    }
};

} // namespace

void PairKernels::RunTileScalar(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                                TCloseRecords& close, std::int64_t& computed) {
    TileKernel::RunTile<TOctet>(job, rows, partners, close, computed);
}

void PairKernels::RunGroupScalar(const TPairJob& job, const TLaneGroup& group,
                                 const std::int32_t* candidates, std::int32_t count,
                                 TCloseRecords& close) {
    PairKernel::RunGroup<TLanes>(job, group, candidates, count, close);
}

std::int32_t PairKernels::FilterWindowScalar(const TNeighbourEntry* entries, std::int32_t count,
                                             std::uint32_t low, std::uint32_t high,
                                             std::int32_t* out) {
    std::int32_t found = 0;
    for (std::int32_t e = 0; e < count; ++e) {
        const std::uint32_t cells = entries[e].Cells;
        const std::uint32_t inside =
            ((cells | PackedCellGuards) - low) & (high - cells) & PackedCellGuards;
        out[found] = entries[e].Source;
        found += inside == PackedCellGuards ? 1 : 0;
    }
    return found;
}
