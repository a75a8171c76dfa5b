#pragma once

#include "Storage/SimulationRecord.h"

#include <hdf5.h>

/// The open views as a group of an HDF5 file: one subgroup per view, View1 to ViewN, each
/// holding its caption, camera, display settings and geometry as attributes.
namespace ViewsIO {

/// The most views a file may list.
constexpr std::int32_t MaxViews = 256;

void Write(hid_t group, const TViewsRecord& views);
/// Throws TStorageError naming the first missing or out-of-range value.
TViewsRecord Read(hid_t group);
/// Throws TStorageError when a view holds what no view of the program can hold.
void Validate(const TViewsRecord& views);

} // namespace ViewsIO
