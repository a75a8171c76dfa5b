// The tree kernel, built for this instruction set (see TreeKernel.h).

#include "universe/TreeKernel.h"

std::int64_t TreeKernels::SumGroupAvx512(const TTreeKernelJob& job, std::int32_t begin,
                                         std::int32_t end, const TTreeWalkLists& lists) {
    return TreeKernel::SumGroup<2, 8>(job, begin, end, lists);
}
