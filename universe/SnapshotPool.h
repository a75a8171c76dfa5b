#pragma once

#include "universe/UniverseSnapshot.h"

#include <memory>
#include <mutex>
#include <vector>

/// Snapshot memory handed back and forth between the engine and its readers, so that the
/// engine does not allocate a fresh copy of every particle for every step. A shared
/// snapshot comes home when its last holder lets go of it; the pool lives as long as any
/// snapshot it shared.
class TSnapshotPool : public std::enable_shared_from_this<TSnapshotPool> {
public:
    static std::shared_ptr<TSnapshotPool> Create();

    /// A snapshot nobody else holds: one that came home, or a new one.
    std::unique_ptr<TUniverseSnapshot> Take();
    /// Shares a filled snapshot; it comes back to this pool when the last holder drops it.
    std::shared_ptr<const TUniverseSnapshot> Share(std::unique_ptr<TUniverseSnapshot> snapshot);

private:
    TSnapshotPool() = default;
    void Return(TUniverseSnapshot* snapshot);

    // Three are enough for the newest, the one a reader still draws and the one being
    // filled; more only come home when readers hold several at once.
    static constexpr std::size_t MostKept = 3;
    std::mutex Mutex;
    std::vector<std::unique_ptr<TUniverseSnapshot>> Free;
};
