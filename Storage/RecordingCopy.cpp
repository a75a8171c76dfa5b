// Copying a recording into a simulation file. HDF5 serialises every call in the process
// behind one library lock, so a copy made as one call (H5Ocopy of the whole group) would
// hold up every frame the window reads for as long as the copy takes. The copy is made of
// calls that each move a quarter of a megabyte instead, and gives the lock up between them.
#include "Storage/Recording.h"

#include "Storage/H5Access.h"
#include "Storage/H5Series.h"
#include "Storage/SaveControl.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using H5Access::Check;

constexpr std::size_t PieceBytes = std::size_t{1} << 18;

void CheckCancel(const TSaveControl* control) {
    if (control != nullptr && control->Cancel.load())
        throw TStorageError("The save was cancelled.");
}

// Between two pieces: the library lock left to the readers waiting, if any.
void Pause(TSaveControl* control) {
    std::this_thread::yield();
    if (control != nullptr && control->Readers != nullptr) {
        // Bounded, should a reader never let go.
        for (int k = 0; k < 2000 && control->Readers->load() > 0; ++k)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    CheckCancel(control);
}

herr_t CopyAttribute(hid_t from, const char* name, const H5A_info_t*, void* target) {
    try {
        const std::string what = std::string("The attribute ") + name + " cannot be copied.";
        TH5Handle attribute(Check(H5Aopen(from, name, H5P_DEFAULT), what), H5Aclose);
        TH5Handle type(Check(H5Aget_type(attribute), what), H5Tclose);
        TH5Handle space(Check(H5Aget_space(attribute), what), H5Sclose);
        // A recording's attributes are numbers and fixed strings; anything holding
        // pointers (variable-length data) would need the library's own copying.
        if (H5Tis_variable_str(type) != 0 || H5Tdetect_class(type, H5T_VLEN) != 0)
            throw TStorageError(what);
        const hssize_t points = H5Sget_simple_extent_npoints(space);
        if (points < 0)
            throw TStorageError(what);
        std::vector<char> value(H5Tget_size(type) * static_cast<std::size_t>(points));
        Check(H5Aread(attribute, type, value.data()), what);
        TH5Handle copy(Check(H5Acreate2(*static_cast<hid_t*>(target), name, type, space,
                                        H5P_DEFAULT, H5P_DEFAULT),
                             what),
                       H5Aclose);
        Check(H5Awrite(copy, type, value.data()), what);
    } catch (const TStorageError&) {
        return -1;
    }
    return 0;
}

void CopyAttributes(hid_t from, hid_t to) {
    hsize_t position = 0;
    Check(H5Aiterate2(from, H5_INDEX_NAME, H5_ITER_INC, &position, CopyAttribute, &to) < 0
              ? herr_t{-1}
              : herr_t{0},
          "The recording's attributes cannot be copied.");
}

// Writes count rows at row first of a dataset already long enough.
void WriteRows(hid_t dataset, hid_t type, const std::vector<hsize_t>& dims, hsize_t first,
               hsize_t count, const void* data) {
    const std::string what = "The recording cannot be copied.";
    std::vector<hsize_t> start(dims.size(), 0), extent = dims;
    start[0] = first;
    extent[0] = count;
    TH5Handle space(Check(H5Dget_space(dataset), what), H5Sclose);
    Check(H5Sselect_hyperslab(space, H5S_SELECT_SET, start.data(), nullptr, extent.data(), nullptr),
          what);
    TH5Handle memory(
        Check(H5Screate_simple(static_cast<int>(extent.size()), extent.data(), nullptr), what),
        H5Sclose);
    Check(H5Dwrite(dataset, type, memory, space, H5P_DEFAULT, data), what);
}

// The first rows of a dataset, with its type, layout, checksums and attributes, written
// anew in pieces. Rows beyond them (what a failed append or a cut left) stay behind.
void CopyRows(hid_t from, hid_t to, const std::string& name, hsize_t rows, TSaveControl* control,
              bool counted) {
    const std::string what = "The dataset " + name + " cannot be copied.";
    TH5Handle source(Check(H5Dopen2(from, name.c_str(), H5P_DEFAULT), what), H5Dclose);
    TH5Handle type(Check(H5Dget_type(source), what), H5Tclose);
    TH5Handle properties(Check(H5Dget_create_plist(source), what), H5Pclose);
    std::vector<hsize_t> dims = H5Access::Dims(source, name);
    if (dims.empty() || dims[0] < rows)
        throw TStorageError(what);
    std::vector<hsize_t> maxDims = dims;
    dims[0] = rows;
    if (H5Pget_layout(properties) == H5D_CHUNKED)
        maxDims[0] = H5S_UNLIMITED;
    else
        maxDims = dims;
    TH5Handle space(
        Check(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), maxDims.data()), what),
        H5Sclose);
    TH5Handle target(
        Check(H5Dcreate2(to, name.c_str(), type, space, H5P_DEFAULT, properties, H5P_DEFAULT),
              what),
        H5Dclose);
    CopyAttributes(source, target);
    std::size_t rowBytes = H5Tget_size(type);
    for (std::size_t d = 1; d < dims.size(); ++d)
        rowBytes *= static_cast<std::size_t>(dims[d]);
    const hsize_t pieceRows = std::max<hsize_t>(1, PieceBytes / std::max<std::size_t>(rowBytes, 1));
    std::vector<char> buffer(static_cast<std::size_t>(std::min(pieceRows, rows)) * rowBytes);
    for (hsize_t first = 0; first < rows; first += pieceRows) {
        const hsize_t count = std::min(pieceRows, rows - first);
        H5Series::Read(source, type, first, count, buffer.data());
        WriteRows(target, type, dims, first, count, buffer.data());
        if (counted && control != nullptr)
            control->PartsDone.fetch_add(1);
        Pause(control);
    }
}

hsize_t Pieces(hid_t group, const char* name, hsize_t rows) {
    TH5Handle set(Check(H5Dopen2(group, name, H5P_DEFAULT), "The recording cannot be read."),
                  H5Dclose);
    TH5Handle type(Check(H5Dget_type(set), "The recording cannot be read."), H5Tclose);
    const std::vector<hsize_t> dims = H5Access::Dims(set, name);
    std::size_t rowBytes = H5Tget_size(type);
    for (std::size_t d = 1; d < dims.size(); ++d)
        rowBytes *= static_cast<std::size_t>(dims[d]);
    const hsize_t pieceRows = std::max<hsize_t>(1, PieceBytes / std::max<std::size_t>(rowBytes, 1));
    return (rows + pieceRows - 1) / pieceRows;
}

// A keyframe: its attributes, then each of its arrays (a universe's state, a few megabytes
// at most) as a call of its own.
void CopyKeyframe(hid_t from, hid_t to, const std::string& name, TSaveControl* control) {
    const std::string what = "The keyframe " + name + " cannot be copied.";
    TH5Handle source = H5Access::OpenGroup(from, name);
    TH5Handle target = H5Access::CreateGroup(to, name);
    CopyAttributes(source, target);
    H5G_info_t info{};
    Check(H5Gget_info(source, &info), what);
    for (hsize_t k = 0; k < info.nlinks; ++k) {
        const ssize_t length =
            H5Lget_name_by_idx(source, ".", H5_INDEX_NAME, H5_ITER_INC, k, nullptr, 0, H5P_DEFAULT);
        if (length < 0)
            throw TStorageError(what);
        std::string member(static_cast<std::size_t>(length) + 1, '\0');
        Check(H5Lget_name_by_idx(source, ".", H5_INDEX_NAME, H5_ITER_INC, k, member.data(),
                                 member.size(), H5P_DEFAULT),
              what);
        member.resize(static_cast<std::size_t>(length));
        // A keyframe's arrays, one for each field of the particles.
        TH5Handle set(Check(H5Dopen2(source, member.c_str(), H5P_DEFAULT), what), H5Dclose);
        const std::vector<hsize_t> dims = H5Access::Dims(set, member);
        set.Reset();
        if (dims.empty())
            throw TStorageError(what);
        CopyRows(source, target, member, dims[0], control, false);
    }
    if (control != nullptr)
        control->PartsDone.fetch_add(1);
}

} // namespace

void TRecording::CopyInto(hid_t file, TSaveControl* control) const {
    // Reads go through HDF5's cache, so the copy does not need the recording on the disk.
    // A recording whose disk filled cannot be flushed, and must still be saved elsewhere,
    // with the frames that were written whole (those counted).
    H5Fflush(File, H5F_SCOPE_LOCAL);
    CheckCancel(control);
    const auto frames = static_cast<hsize_t>(FrameCount());
    const auto pairs = static_cast<hsize_t>(PairTotal);
    const std::pair<const char*, hsize_t> series[] = {
        {"IterationCount", frames},
        {"Optimisation", frames},
        {"Position", frames},
        {"Heat", frames},
        {"PairOffset", frames},
        {"PairCount", frames},
        {"PairIndex", pairs},
        {"PairDistance", pairs},
        {"KeyframeList", static_cast<hsize_t>(KeyframeList.size())}};
    if (control != nullptr) {
        std::int64_t parts = static_cast<std::int64_t>(KeyframeList.size());
        for (const auto& [name, rows] : series)
            parts += static_cast<std::int64_t>(Pieces(Group, name, rows));
        control->Parts.store(std::max<std::int64_t>(parts, 1));
    }
    TH5Handle group = H5Access::CreateGroup(file, "Recording");
    CopyAttributes(Group, group);
    for (const auto& [name, rows] : series)
        CopyRows(Group, group, name, rows, control, true);
    TH5Handle from = H5Access::OpenGroup(Group, "Keyframes");
    TH5Handle to = H5Access::CreateGroup(group, "Keyframes");
    for (const std::int32_t keyframe : KeyframeList)
        CopyKeyframe(from, to, "Keyframe" + std::to_string(keyframe), control);
}
