#pragma once

#include "Storage/H5Handle.h"

#include <cstdint>
#include <span>
#include <string>

/// Datasets that grow along their first axis, one row (a frame, a pair) at a time: the
/// storage of recordings. Rows are checksummed in chunks like every other dataset.
namespace H5Series {

/// A new dataset of 0 rows, each row of rowDims values of type, chunked by chunkRows.
TH5Handle Create(hid_t location, const std::string& name, hid_t type,
                 std::span<const hsize_t> rowDims, hsize_t chunkRows);
/// Opens the dataset, checking its type class and row shape; returns its row count.
TH5Handle Open(hid_t location, const std::string& name, hid_t type,
               std::span<const hsize_t> rowDims, hsize_t& rows);

/// Writes count rows at row first, growing the dataset to first + count rows.
void Write(hid_t dataset, hid_t type, hsize_t first, hsize_t count, const void* data);
/// Reads count rows from row first into data.
void Read(hid_t dataset, hid_t type, hsize_t first, hsize_t count, void* data);
/// Sets the row count (growing or shrinking).
void Resize(hid_t dataset, hsize_t rows);

} // namespace H5Series
