#pragma once

#include "Storage/StorageError.h"

#include <cstdint>
#include <functional>

/// HDF5 parses a file's metadata before any of our checks can look at it, and a file made
/// to pass its checksums can still make the library itself fault. Work on such a file is
/// done first in a short-lived child process, so that a fault costs the opening of that
/// file, not the session and the user's unsaved work.
namespace Isolated {

/// Runs work in a child process and returns its result: its message when it fails, or a
/// refusal naming the fault when the child dies or runs past a time that grows with
/// bytes (the size of the file it reads). Only the result comes back; whatever work changes
/// in memory stays in the child. When no child can be started, work runs here.
TStorageResult Run(const std::function<TStorageResult()>& work, std::uintmax_t bytes);

} // namespace Isolated
