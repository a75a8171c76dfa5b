// The tree kernel, built for this instruction set (see TreeKernel.h).

#include "universe/TreeKernel.h"

std::int64_t TreeKernels::SumGroupAvx2(const TTreeKernelJob& job, std::int32_t begin,
                                       std::int32_t end, const TTreeWalkLists& lists) {
    return TreeKernel::SumGroup<1, 4>(job, begin, end, lists);
}
