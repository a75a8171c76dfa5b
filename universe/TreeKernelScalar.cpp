// The tree kernel, built for this instruction set (see TreeKernel.h).

#include "universe/TreeKernel.h"

std::int64_t TreeKernels::SumGroupScalar(const TTreeKernelJob& job, std::int32_t begin,
                                         std::int32_t end, const TTreeWalkLists& lists) {
    return TreeKernel::SumGroup<0, 4>(job, begin, end, lists);
}

#include "universe/PairKernels.h"

TTreeGroupFunction TreeKernels::GroupFunction() {
#if defined(ASTRIVO_X86_KERNELS)
    switch (PairKernels::Current()) {
    case PairKernels::TInstructionSet::Avx512:
        return SumGroupAvx512;
    case PairKernels::TInstructionSet::Avx2:
        return SumGroupAvx2;
    case PairKernels::TInstructionSet::Scalar:
        break;
    }
#endif
    return SumGroupScalar;
}
