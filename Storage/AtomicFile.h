#pragma once

#include "Storage/StorageError.h"

#include <hdf5.h>

#include <cstdint>
#include <functional>
#include <string>

namespace AtomicFile {

/// Writes a new HDF5 file at path without ever leaving a half-written one there: write
/// fills a temporary file in the same folder, which is flushed to the disk and then renamed
/// over path. When anything fails (write throws TStorageError, the disk is full, the
/// folder is gone or not writable) the temporary file is removed, whatever was at path is
/// left as it was, and the result says what failed.
///
/// HDF5 must never see a failing disk: it then keeps the file half closed, and may free
/// memory twice while copying datasets. So by default the whole file is built in memory
/// and written out here. Files too large for memory (long recordings) go straight to the
/// disk instead when directBytes, an upper bound of their size, is given: that much room is
/// taken on the disk before HDF5 writes, and what was not used is given back.
TStorageResult Write(const std::string& path, const std::function<void(hid_t file)>& write,
                     std::uintmax_t directBytes = 0);

/// Takes room on the disk for the file at path, up to bytes in all, so that HDF5 then
/// writes into space the disk has already given. Throws TStorageError when there is not
/// that much room, with errno saying why.
void Reserve(const std::string& path, std::uintmax_t bytes);

/// Gives back the room a closed HDF5 file at path holds beyond the end of what HDF5 wrote
/// in it. Throws TStorageError when it cannot.
void TrimToContents(const std::string& path);

/// Makes a new, empty file named prefix-XXXXXX in the temporary folder and puts its name in
/// path: room of the program's own, for instance for a recording copied out of a file
/// the program only reads. Fails, naming the folder, when no such file can be made.
TStorageResult Scratch(const std::string& prefix, std::string& path);

} // namespace AtomicFile
