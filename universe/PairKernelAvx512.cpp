// The pair kernel on eight lanes of AVX-512. Built with AVX-512 enabled for this file only
// and called only where the processor has it.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"
#include "universe/TileKernel.h"

#include <immintrin.h>

namespace {

struct TLanes {
    static constexpr int Width = 8;
    using TMask = __mmask8;
    __m512d V;

    static TLanes Splat(double v) { return {_mm512_set1_pd(v)}; }
    static TLanes Load(const double* p) { return {_mm512_loadu_pd(p)}; }
    void Store(double* p) const { _mm512_storeu_pd(p, V); }
    friend TLanes operator+(TLanes a, TLanes b) { return {_mm512_add_pd(a.V, b.V)}; }
    friend TLanes operator-(TLanes a, TLanes b) { return {_mm512_sub_pd(a.V, b.V)}; }
    friend TLanes operator*(TLanes a, TLanes b) { return {_mm512_mul_pd(a.V, b.V)}; }
    friend TLanes operator/(TLanes a, TLanes b) { return {_mm512_div_pd(a.V, b.V)}; }
    static TLanes Sqrt(TLanes a) {
        return {_mm512_maskz_sqrt_pd(static_cast<__mmask8>(0xFF), a.V)};
    }
    static TLanes Abs(TLanes a) { return {_mm512_abs_pd(a.V)}; }
    static TMask Less(TLanes a, TLanes b) { return _mm512_cmp_pd_mask(a.V, b.V, _CMP_LT_OQ); }
    static TMask LessEqual(TLanes a, TLanes b) { return _mm512_cmp_pd_mask(a.V, b.V, _CMP_LE_OQ); }
    static TMask Greater(TLanes a, TLanes b) { return _mm512_cmp_pd_mask(a.V, b.V, _CMP_GT_OQ); }
    static TMask NotEqual(TLanes a, TLanes b) { return _mm512_cmp_pd_mask(a.V, b.V, _CMP_NEQ_OQ); }
    static TMask And(TMask a, TMask b) { return static_cast<TMask>(a & b); }
    static unsigned Bits(TMask m) { return m; }
    static TMask All() { return static_cast<TMask>(0xFF); }
    static TLanes Select(TMask m, TLanes a, TLanes b) {
        return {_mm512_mask_blend_pd(m, b.V, a.V)};
    }
    static TLanes AddWhere(TMask m, TLanes sum, TLanes term) {
        return {_mm512_mask_add_pd(sum.V, m, sum.V, term.V)};
    }
    static TLanes SubWhere(TMask m, TLanes sum, TLanes term) {
        return {_mm512_mask_sub_pd(sum.V, m, sum.V, term.V)};
    }
    static double ReduceAdd(TLanes a) {
        // Through memory: GCC 12 warns about its own 512-to-256-bit intrinsics. Once per row
        // and strip, so the store costs nothing worth counting.
        alignas(64) double v[8];
        _mm512_store_pd(v, a.V);
        return ((v[0] + v[4]) + (v[2] + v[6])) + ((v[1] + v[5]) + (v[3] + v[7]));
    }
};

} // namespace

void PairKernels::RunGroupAvx512(const TPairJob& job, const TLaneGroup& group,
                                 const std::int32_t* candidates, std::int32_t count,
                                 TCloseRecords& close) {
    PairKernel::RunGroup<TLanes>(job, group, candidates, count, close);
}

void PairKernels::RunTileAvx512(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                                TCloseRecords& close, std::int64_t& computed) {
    TileKernel::RunTile<TLanes>(job, rows, partners, close, computed);
}

std::int32_t PairKernels::FilterWindowAvx512(const TNeighbourEntry* entries, std::int32_t count,
                                             std::uint32_t low, std::uint32_t high,
                                             std::int32_t* out) {
    // Eight entries at a time as 64-bit lanes: the source in the low half, the cells in
    // the high half, where the guard arithmetic works as on 32 bits.
    const __m512i guards = _mm512_set1_epi64(static_cast<long long>(PackedCellGuards) << 32);
    const __m512i lowCells = _mm512_set1_epi64(static_cast<long long>(low) << 32);
    const __m512i highCells = _mm512_set1_epi64(static_cast<long long>(high) << 32);
    const __m512i cellHalf = _mm512_set1_epi64(static_cast<long long>(0xFFFFFFFF00000000ULL));
    std::int32_t found = 0;
    std::int32_t e = 0;
    for (; e + 8 <= count; e += 8) {
        const __m512i both = _mm512_loadu_si512(entries + e);
        const __m512i cells = _mm512_and_si512(both, cellHalf);
        const __m512i notBelow = _mm512_sub_epi64(_mm512_or_si512(cells, guards), lowCells);
        const __m512i notAbove = _mm512_sub_epi64(highCells, cells);
        const __m512i kept = _mm512_and_si512(_mm512_and_si512(notBelow, notAbove), guards);
        const __mmask8 inside = _mm512_cmpeq_epi64_mask(kept, guards);
        const __m512i sources = _mm512_castsi256_si512(_mm512_maskz_cvtepi64_epi32(0xFF, both));
        const __m512i packed = _mm512_maskz_compress_epi32(static_cast<__mmask16>(inside), sources);
        _mm512_mask_storeu_epi32(out + found, 0xFF, packed);
        found += __builtin_popcount(inside);
    }
    return found + FilterWindowScalar(entries + e, count - e, low, high, out + found);
}
