#pragma once

#include "Storage/StorageError.h"

#include <hdf5.h>

#include <functional>
#include <string>

namespace AtomicFile {

/// Writes a new HDF5 file at path without ever leaving a half-written one there: write
/// fills a temporary file in the same folder, which is flushed to the disk and then renamed
/// over path. When anything fails (write throws TStorageError, the disk is full, the
/// folder is gone or not writable) the temporary file is removed, whatever was at path is
/// left as it was, and the result says what failed.
///
/// InMemory builds the whole file in memory first and writes it out itself, so that HDF5
/// never sees a failing disk (it keeps a file whose writes failed open, and trips over it
/// when the program ends). Files too large for memory (long recordings) go straight to the
/// disk instead.
TStorageResult Write(const std::string& path, const std::function<void(hid_t file)>& write,
                     bool inMemory = true);

} // namespace AtomicFile
