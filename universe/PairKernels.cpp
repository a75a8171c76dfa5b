#include "universe/PairKernels.h"

#include <atomic>

namespace PairKernels {

namespace {

bool CpuHas(TInstructionSet set) {
#if defined(ASTRIVO_X86_KERNELS)
    switch (set) {
    case TInstructionSet::Scalar:
        return true;
    case TInstructionSet::Avx2:
        return __builtin_cpu_supports("avx2");
    case TInstructionSet::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return set == TInstructionSet::Scalar;
#endif
}

std::atomic<std::int32_t>& Chosen() {
    static std::atomic<std::int32_t> chosen{static_cast<std::int32_t>(Best())};
    return chosen;
}

} // namespace

bool IsAvailable(TInstructionSet set) {
    return CpuHas(set);
}

TInstructionSet Best() {
    if (CpuHas(TInstructionSet::Avx512))
        return TInstructionSet::Avx512;
    if (CpuHas(TInstructionSet::Avx2))
        return TInstructionSet::Avx2;
    return TInstructionSet::Scalar;
}

TInstructionSet Current() {
    return static_cast<TInstructionSet>(Chosen().load());
}

bool Use(TInstructionSet set) {
    if (!IsAvailable(set))
        return false;
    Chosen().store(static_cast<std::int32_t>(set));
    return true;
}

const char* NameOf(TInstructionSet set) {
    switch (set) {
    case TInstructionSet::Scalar:
        return "scalar";
    case TInstructionSet::Avx2:
        return "AVX2";
    case TInstructionSet::Avx512:
        return "AVX-512";
    }
    return "?";
}

TPairGroupFunction GroupFunction() {
#if defined(ASTRIVO_X86_KERNELS)
    switch (Current()) {
    case TInstructionSet::Avx512:
        return RunGroupAvx512;
    case TInstructionSet::Avx2:
        return RunGroupAvx2;
    case TInstructionSet::Scalar:
        break;
    }
#endif
    return RunGroupScalar;
}

TTileFunction TileFunction() {
#if defined(ASTRIVO_X86_KERNELS)
    switch (Current()) {
    case TInstructionSet::Avx512:
        return RunTileAvx512;
    case TInstructionSet::Avx2:
        return RunTileAvx2;
    case TInstructionSet::Scalar:
        break;
    }
#endif
    return RunTileScalar;
}

TWindowFilterFunction WindowFilter() {
#if defined(ASTRIVO_X86_KERNELS)
    switch (Current()) {
    case TInstructionSet::Avx512:
        return FilterWindowAvx512;
    case TInstructionSet::Avx2:
        return FilterWindowAvx2;
    case TInstructionSet::Scalar:
        break;
    }
#endif
    return FilterWindowScalar;
}

} // namespace PairKernels
