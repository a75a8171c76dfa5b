#include "Storage/H5Series.h"

#include "Storage/H5Access.h"
#include "Storage/StorageError.h"

#include <algorithm>
#include <vector>

namespace H5Series {

namespace {

using H5Access::Check;

std::vector<hsize_t> Shape(hsize_t rows, std::span<const hsize_t> rowDims) {
    std::vector<hsize_t> dims{rows};
    dims.insert(dims.end(), rowDims.begin(), rowDims.end());
    return dims;
}

// The row shape of an open dataset, for hyperslabs.
std::vector<hsize_t> CurrentDims(hid_t dataset) {
    return H5Access::Dims(dataset, H5Access::PathOf(dataset));
}

TH5Handle SelectRows(hid_t dataset, hsize_t first, hsize_t count, TH5Handle& memory) {
    const std::vector<hsize_t> dims = CurrentDims(dataset);
    std::vector<hsize_t> start(dims.size(), 0);
    std::vector<hsize_t> extent = dims;
    start[0] = first;
    extent[0] = count;
    TH5Handle space(Check(H5Dget_space(dataset), "A recording cannot be accessed."), H5Sclose);
    Check(H5Sselect_hyperslab(space, H5S_SELECT_SET, start.data(), nullptr, extent.data(), nullptr),
          "A recording cannot be accessed.");
    memory =
        TH5Handle(Check(H5Screate_simple(static_cast<int>(extent.size()), extent.data(), nullptr),
                        "A recording cannot be accessed."),
                  H5Sclose);
    return space;
}

} // namespace

TH5Handle Create(hid_t location, const std::string& name, hid_t type,
                 std::span<const hsize_t> rowDims, hsize_t chunkRows) {
    const std::string what = "The dataset " + name + " cannot be written.";
    const std::vector<hsize_t> dims = Shape(0, rowDims);
    std::vector<hsize_t> maxDims = dims;
    maxDims[0] = H5S_UNLIMITED;
    std::vector<hsize_t> chunk = Shape(std::max<hsize_t>(chunkRows, 1), rowDims);
    TH5Handle space(
        Check(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), maxDims.data()), what),
        H5Sclose);
    TH5Handle properties(Check(H5Pcreate(H5P_DATASET_CREATE), what), H5Pclose);
    Check(H5Pset_chunk(properties, static_cast<int>(chunk.size()), chunk.data()), what);
    Check(H5Pset_fletcher32(properties), what);
    TH5Handle fileType(Check(H5Tcopy(type), what), H5Tclose);
    Check(H5Tset_order(fileType, H5T_ORDER_LE), what);
    return {Check(H5Dcreate2(location, name.c_str(), fileType, space, H5P_DEFAULT, properties,
                             H5P_DEFAULT),
                  what),
            H5Dclose};
}

TH5Handle Open(hid_t location, const std::string& name, hid_t type,
               std::span<const hsize_t> rowDims, hsize_t& rows) {
    const std::string what = "The dataset " + name;
    if (!H5Access::Exists(location, name))
        throw TStorageError(what + " is missing.");
    TH5Handle dataset(
        Check(H5Dopen2(location, name.c_str(), H5P_DEFAULT), what + " cannot be read."), H5Dclose);
    TH5Handle fileType(Check(H5Dget_type(dataset), what + " cannot be read."), H5Tclose);
    if (H5Tget_class(fileType) != H5Tget_class(type))
        throw TStorageError(what + " has the wrong type.");
    const std::vector<hsize_t> dims = H5Access::Dims(dataset, name);
    if (dims.size() != rowDims.size() + 1 ||
        !std::equal(rowDims.begin(), rowDims.end(), dims.begin() + 1))
        throw TStorageError(what + " has the wrong shape.");
    rows = dims[0];
    return dataset;
}

void Write(hid_t dataset, hid_t type, hsize_t first, hsize_t count, const void* data) {
    std::vector<hsize_t> dims = CurrentDims(dataset);
    if (dims[0] < first + count) {
        dims[0] = first + count;
        Check(H5Dset_extent(dataset, dims.data()), "A recording cannot grow.");
    }
    if (count == 0)
        return;
    TH5Handle memory;
    TH5Handle space = SelectRows(dataset, first, count, memory);
    Check(H5Dwrite(dataset, type, memory, space, H5P_DEFAULT, data), "A frame cannot be written.");
}

void Read(hid_t dataset, hid_t type, hsize_t first, hsize_t count, void* data) {
    if (count == 0)
        return;
    const std::vector<hsize_t> dims = CurrentDims(dataset);
    if (first + count > dims[0] || first + count < first)
        throw TStorageError("The recording is shorter than its frame list.");
    TH5Handle memory;
    TH5Handle space = SelectRows(dataset, first, count, memory);
    Check(H5Dread(dataset, type, memory, space, H5P_DEFAULT, data),
          "The recording is damaged and cannot be read.");
}

void Resize(hid_t dataset, hsize_t rows) {
    std::vector<hsize_t> dims = CurrentDims(dataset);
    dims[0] = rows;
    Check(H5Dset_extent(dataset, dims.data()), "A recording cannot be shortened.");
}

} // namespace H5Series
