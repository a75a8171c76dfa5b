// The pair kernel on four lanes of AVX2. Built with AVX2 enabled for this file only and
// called only where the processor has it.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"
#include "universe/TileKernel.h"

#include <immintrin.h>

namespace {

struct TLanes {
    static constexpr int Width = 4;
    using TMask = __m256d; // all bits set in a lane that is selected
    __m256d V;

    static TLanes Splat(double v) { return {_mm256_set1_pd(v)}; }
    static TLanes Load(const double* p) { return {_mm256_loadu_pd(p)}; }
    void Store(double* p) const { _mm256_storeu_pd(p, V); }
    friend TLanes operator+(TLanes a, TLanes b) { return {_mm256_add_pd(a.V, b.V)}; }
    friend TLanes operator-(TLanes a, TLanes b) { return {_mm256_sub_pd(a.V, b.V)}; }
    friend TLanes operator*(TLanes a, TLanes b) { return {_mm256_mul_pd(a.V, b.V)}; }
    friend TLanes operator/(TLanes a, TLanes b) { return {_mm256_div_pd(a.V, b.V)}; }
    static TLanes Sqrt(TLanes a) { return {_mm256_sqrt_pd(a.V)}; }
    static TLanes Abs(TLanes a) { return {_mm256_andnot_pd(_mm256_set1_pd(-0.0), a.V)}; }
    static TMask Less(TLanes a, TLanes b) { return _mm256_cmp_pd(a.V, b.V, _CMP_LT_OQ); }
    static TMask LessEqual(TLanes a, TLanes b) { return _mm256_cmp_pd(a.V, b.V, _CMP_LE_OQ); }
    static TMask Greater(TLanes a, TLanes b) { return _mm256_cmp_pd(a.V, b.V, _CMP_GT_OQ); }
    static TMask NotEqual(TLanes a, TLanes b) { return _mm256_cmp_pd(a.V, b.V, _CMP_NEQ_OQ); }
    static TMask And(TMask a, TMask b) { return _mm256_and_pd(a, b); }
    static unsigned Bits(TMask m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
    static TMask All() { return _mm256_castsi256_pd(_mm256_set1_epi64x(-1)); }
    static TLanes Select(TMask m, TLanes a, TLanes b) { return {_mm256_blendv_pd(b.V, a.V, m)}; }
    static TLanes AddWhere(TMask m, TLanes sum, TLanes term) { return Select(m, sum + term, sum); }
};

// Eight lanes as two halves, for the tile kernel, which works on eight lanes everywhere.
struct TOctet {
    static constexpr int Width = 8;
    struct TMask {
        __m256d Lo, Hi;
    };
    __m256d Lo, Hi;

    static TOctet Splat(double v) { return {_mm256_set1_pd(v), _mm256_set1_pd(v)}; }
    static TOctet Load(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
    void Store(double* p) const {
        _mm256_storeu_pd(p, Lo);
        _mm256_storeu_pd(p + 4, Hi);
    }
    friend TOctet operator+(TOctet a, TOctet b) {
        return {_mm256_add_pd(a.Lo, b.Lo), _mm256_add_pd(a.Hi, b.Hi)};
    }
    friend TOctet operator-(TOctet a, TOctet b) {
        return {_mm256_sub_pd(a.Lo, b.Lo), _mm256_sub_pd(a.Hi, b.Hi)};
    }
    friend TOctet operator*(TOctet a, TOctet b) {
        return {_mm256_mul_pd(a.Lo, b.Lo), _mm256_mul_pd(a.Hi, b.Hi)};
    }
    friend TOctet operator/(TOctet a, TOctet b) {
        return {_mm256_div_pd(a.Lo, b.Lo), _mm256_div_pd(a.Hi, b.Hi)};
    }
    static TOctet Sqrt(TOctet a) { return {_mm256_sqrt_pd(a.Lo), _mm256_sqrt_pd(a.Hi)}; }
    static TOctet Abs(TOctet a) {
        const __m256d sign = _mm256_set1_pd(-0.0);
        return {_mm256_andnot_pd(sign, a.Lo), _mm256_andnot_pd(sign, a.Hi)};
    }
    static TMask Less(TOctet a, TOctet b) {
        return {_mm256_cmp_pd(a.Lo, b.Lo, _CMP_LT_OQ), _mm256_cmp_pd(a.Hi, b.Hi, _CMP_LT_OQ)};
    }
    static TMask LessEqual(TOctet a, TOctet b) {
        return {_mm256_cmp_pd(a.Lo, b.Lo, _CMP_LE_OQ), _mm256_cmp_pd(a.Hi, b.Hi, _CMP_LE_OQ)};
    }
    static TMask And(TMask a, TMask b) {
        return {_mm256_and_pd(a.Lo, b.Lo), _mm256_and_pd(a.Hi, b.Hi)};
    }
    static TMask All() {
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return {all, all};
    }
    static unsigned Bits(TMask m) {
        return static_cast<unsigned>(_mm256_movemask_pd(m.Lo) | _mm256_movemask_pd(m.Hi) << 4);
    }
    static TOctet Select(TMask m, TOctet a, TOctet b) {
        return {_mm256_blendv_pd(b.Lo, a.Lo, m.Lo), _mm256_blendv_pd(b.Hi, a.Hi, m.Hi)};
    }
    static TOctet AddWhere(TMask m, TOctet sum, TOctet term) { return Select(m, sum + term, sum); }
    static TOctet SubWhere(TMask m, TOctet sum, TOctet term) { return Select(m, sum - term, sum); }
    static double ReduceAdd(TOctet a) {
        const __m256d t = _mm256_add_pd(a.Lo, a.Hi);
        const __m128d u = _mm_add_pd(_mm256_castpd256_pd128(t), _mm256_extractf128_pd(t, 1));
        return _mm_cvtsd_f64(u) + _mm_cvtsd_f64(_mm_unpackhi_pd(u, u));
    }
};

// For each 4-bit mask, the 32-bit positions of the sources (the even ones) it keeps, first.
struct TCompressTable {
    alignas(32) int Index[16][8];
    constexpr TCompressTable() : Index{} {
        for (int mask = 0; mask < 16; ++mask) {
            int kept = 0;
            for (int l = 0; l < 4; ++l)
                if ((mask >> l & 1) != 0)
                    Index[mask][kept++] = 2 * l;
        }
    }
};
constexpr TCompressTable CompressTable{};

} // namespace

void PairKernels::RunGroupAvx2(const TPairJob& job, const TLaneGroup& group,
                               const std::int32_t* candidates, std::int32_t count,
                               TCloseRecords& close) {
    PairKernel::RunGroup<TLanes>(job, group, candidates, count, close);
}

void PairKernels::RunTileAvx2(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                              TCloseRecords& close, std::int64_t& computed) {
    TileKernel::RunTile<TOctet>(job, rows, partners, close, computed);
}

std::int32_t PairKernels::FilterWindowAvx2(const TNeighbourEntry* entries, std::int32_t count,
                                           std::uint32_t low, std::uint32_t high,
                                           std::int32_t* out) {
    // Four entries at a time as 64-bit lanes: the source in the low half, the cells in the
    // high half, where the guard arithmetic works as on 32 bits.
    const __m256i guards = _mm256_set1_epi64x(static_cast<long long>(PackedCellGuards) << 32);
    const __m256i lowCells = _mm256_set1_epi64x(static_cast<long long>(low) << 32);
    const __m256i highCells = _mm256_set1_epi64x(static_cast<long long>(high) << 32);
    const __m256i cellHalf = _mm256_set1_epi64x(static_cast<long long>(0xFFFFFFFF00000000ULL));
    std::int32_t found = 0;
    std::int32_t e = 0;
    for (; e + 4 <= count; e += 4) {
        const __m256i both = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries + e));
        const __m256i cells = _mm256_and_si256(both, cellHalf);
        const __m256i notBelow = _mm256_sub_epi64(_mm256_or_si256(cells, guards), lowCells);
        const __m256i notAbove = _mm256_sub_epi64(highCells, cells);
        const __m256i kept = _mm256_and_si256(_mm256_and_si256(notBelow, notAbove), guards);
        const int inside =
            _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(kept, guards)));
        const __m256i order =
            _mm256_load_si256(reinterpret_cast<const __m256i*>(CompressTable.Index[inside]));
        const __m256i packed = _mm256_permutevar8x32_epi32(both, order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + found), _mm256_castsi256_si128(packed));
        found += __builtin_popcount(static_cast<unsigned>(inside));
    }
    return found + FilterWindowScalar(entries + e, count - e, low, high, out + found);
}
