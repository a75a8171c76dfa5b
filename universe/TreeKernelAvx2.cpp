// The tree kernel, built for this instruction set (see TreeKernel.h).

#include "universe/TreeKernel.h"

void TreeKernels::SumGroupAvx2(const TTreeKernelJob& job, std::int32_t begin, std::int32_t end,
                               const std::int32_t* far, std::int32_t farCount,
                               const std::int32_t* near, std::int32_t nearCount) {
    TreeKernel::SumGroup<1, 4>(job, begin, end, far, farCount, near, nearCount);
}
