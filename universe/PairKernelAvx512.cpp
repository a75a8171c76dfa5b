// The pair kernel on eight lanes of AVX-512. Built with AVX-512 enabled for this file only
// and called only where the processor has it.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"

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
};

} // namespace

void PairKernels::RunGroupAvx512(const TPairJob& job, const TLaneGroup& group,
                                 const std::int32_t* candidates, std::int32_t count,
                                 TCloseRecords& close) {
    PairKernel::RunGroup<TLanes>(job, group, candidates, count, close);
}
