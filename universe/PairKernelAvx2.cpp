// The pair kernel on four lanes of AVX2. Built with AVX2 enabled for this file only and
// called only where the processor has it.

#include "universe/PairKernel.h"
#include "universe/PairKernels.h"

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

} // namespace

void PairKernels::RunGroupAvx2(const TPairJob& job, const TLaneGroup& group,
                               const std::int32_t* candidates, std::int32_t count,
                               TCloseRecords& close) {
    PairKernel::RunGroup<TLanes>(job, group, candidates, count, close);
}
