#include "universe/SnapshotPool.h"

std::shared_ptr<TSnapshotPool> TSnapshotPool::Create() {
    return std::shared_ptr<TSnapshotPool>(new TSnapshotPool());
}

std::unique_ptr<TUniverseSnapshot> TSnapshotPool::Take() {
    {
        const std::lock_guard lock(Mutex);
        if (!Free.empty()) {
            std::unique_ptr<TUniverseSnapshot> snapshot = std::move(Free.back());
            Free.pop_back();
            return snapshot;
        }
    }
    return std::make_unique<TUniverseSnapshot>();
}

std::shared_ptr<const TUniverseSnapshot>
TSnapshotPool::Share(std::unique_ptr<TUniverseSnapshot> snapshot) {
    // The return goes through the mutex, which orders the last reader's reads before the
    // engine's next writes into the same memory.
    std::shared_ptr<TSnapshotPool> self = shared_from_this();
    return std::shared_ptr<const TUniverseSnapshot>(
        snapshot.release(),
        [self](const TUniverseSnapshot* s) { self->Return(const_cast<TUniverseSnapshot*>(s)); });
}

void TSnapshotPool::Return(TUniverseSnapshot* snapshot) {
    std::unique_ptr<TUniverseSnapshot> owned(snapshot);
    const std::lock_guard lock(Mutex);
    if (Free.size() < MostKept)
        Free.push_back(std::move(owned));
}
