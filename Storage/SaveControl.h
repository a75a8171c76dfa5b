#pragma once

#include <atomic>
#include <cstdint>

/// Shared between a save running on the engine thread and the window that waits for it:
/// the window may stop the save, and shows how far it has come. A stopped save leaves the
/// file it was to replace as it was.
struct TSaveControl {
    std::atomic<bool> Cancel{false};
    std::atomic<bool> Started{false};
    // The parts of the work done and to do; Parts is 0 until the save knows its size.
    std::atomic<std::int64_t> PartsDone{0};
    std::atomic<std::int64_t> Parts{0};
    // While this counts readers, the copy pauses between its pieces: HDF5's library lock is
    // not fair, and a reader's dozen calls could each wait behind another piece.
    const std::atomic<int>* Readers = nullptr;
};
