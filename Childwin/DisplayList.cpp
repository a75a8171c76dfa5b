#include "Childwin/DisplayList.h"

#include <cstring>
#include <new>
#include <utility>

bool TDisplayList::Allocate(std::int32_t count) {
    Release();
    if (count <= 0)
        return false;
    const std::size_t entryBytes = sizeof(TDisplayEntry) * static_cast<std::size_t>(count);
    FStorage.reset(new (std::nothrow) std::byte[entryBytes + static_cast<std::size_t>(count)]);
    if (!FStorage)
        return false;
    // A new byte array implicitly creates the trivial entries it is used for.
    FEntries = reinterpret_cast<TDisplayEntry*>(FStorage.get());
    FDrawn = reinterpret_cast<std::uint8_t*>(FStorage.get() + entryBytes);
    std::memset(FDrawn, 0, static_cast<std::size_t>(count));
    FLastIndex = count - 1;
    return true;
}

void TDisplayList::Release() {
    FStorage.reset();
    FEntries = nullptr;
    FDrawn = nullptr;
    FLastIndex = -1;
}

void TDisplayList::SortByDepth() {
    if (FLastIndex > 0)
        QuickSort(0, FLastIndex);
}

// Hoare partitioning around the middle entry's depth. Each scan stops at the latest on an
// entry the other scan swapped over, so the indices stay in range even for NaN depths
// (which compare false both ways). The smaller part recurses and the larger one loops,
// which keeps the stack at O(log n) for any input without changing the result.
void TDisplayList::QuickSort(std::int32_t lo, std::int32_t hi) {
    while (lo < hi) {
        const double pivot = FEntries[lo + (hi - lo) / 2].Depth;
        std::int32_t i = lo;
        std::int32_t j = hi;
        while (i <= j) {
            while (FEntries[i].Depth < pivot)
                ++i;
            while (FEntries[j].Depth > pivot)
                --j;
            if (i <= j) {
                std::swap(FEntries[i], FEntries[j]);
                ++i;
                --j;
            }
        }
        if (j - lo < hi - i) {
            if (lo < j)
                QuickSort(lo, j);
            lo = i;
        } else {
            if (i < hi)
                QuickSort(i, hi);
            hi = j;
        }
    }
}
