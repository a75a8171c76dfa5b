#pragma once

#include "Storage/H5Handle.h"

#include <string>
#include <vector>

/// A file from elsewhere is untrusted input: before anything in it is used, its whole layout
/// is walked and compared with the layout this program writes (docs/file-format.md), so that
/// a file that would make HDF5 reach into other files, or hand damaged or unexpected
/// structure to the code that reads or copies it, is refused with a message naming what was
/// found. Values are not checked here: the readers of each group do that.
namespace FileLayout {

/// Opens path (H5F_ACC_RDONLY or H5F_ACC_RDWR). External links are never followed, by this
/// or any later call in the program: HDF5's way of following them is replaced on first use.
/// Read only, a file its writer left marked as open for writing (it ended without closing
/// the file) opens all the same, as far as it was written. Throws TStorageError when the
/// file cannot be opened.
TH5Handle Open(const std::string& path, unsigned flags);

/// Throws TStorageError naming the first thing in file that this program does not write: a
/// link that is not a hard link, an object of an unknown name or kind, a dataset of another
/// type, rank, row shape, storage layout or filter, or raw data kept outside the file.
/// Every group may be absent; whether a file must have it is its reader's business.
void Require(hid_t file);

} // namespace FileLayout
