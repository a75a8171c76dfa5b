// The pair kernel one lane at a time, in plain C++: the build for any processor, and the
// fallback where no vector unit is found.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"

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

} // namespace

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
