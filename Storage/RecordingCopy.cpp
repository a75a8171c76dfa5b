// Copying a recording into a simulation file. HDF5 serialises every call in the process
// behind one library lock, so a copy made as one call (H5Ocopy of the whole group) would
// hold up every frame the window reads for as long as the copy takes. The copy is made of
// calls that each move about a megabyte instead, and gives the lock up between them.
#include "Storage/Recording.h"

#include "Storage/H5Access.h"
#include "Storage/H5Series.h"
#include "Storage/SaveControl.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {

using H5Access::Check;

constexpr std::size_t PieceBytes = std::size_t{1} << 20;

void CheckCancel(const TSaveControl* control) {
    if (control != nullptr && control->Cancel.load())
        throw TStorageError("The save was cancelled.");
}

// One piece done: counted, and the library lock left free for a moment for whoever waits.
void PieceDone(TSaveControl* control) {
    if (control != nullptr)
        control->PartsDone.fetch_add(1);
    std::this_thread::yield();
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

// The first rows of a growing dataset, with its type, chunks and checksums, written anew
// in pieces. Rows beyond them (what a failed append or a cut left) stay behind.
void CopyRows(hid_t from, hid_t to, const char* name, hsize_t rows, TSaveControl* control) {
    const std::string what = std::string("The dataset ") + name + " cannot be copied.";
    TH5Handle source(Check(H5Dopen2(from, name, H5P_DEFAULT), what), H5Dclose);
    TH5Handle type(Check(H5Dget_type(source), what), H5Tclose);
    TH5Handle properties(Check(H5Dget_create_plist(source), what), H5Pclose);
    std::vector<hsize_t> dims = H5Access::Dims(source, name);
    if (dims.empty() || dims[0] < rows)
        throw TStorageError(what);
    std::vector<hsize_t> maxDims = dims;
    dims[0] = 0;
    maxDims[0] = H5S_UNLIMITED;
    TH5Handle space(
        Check(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), maxDims.data()), what),
        H5Sclose);
    TH5Handle target(
        Check(H5Dcreate2(to, name, type, space, H5P_DEFAULT, properties, H5P_DEFAULT), what),
        H5Dclose);
    std::size_t rowBytes = H5Tget_size(type);
    for (std::size_t d = 1; d < dims.size(); ++d)
        rowBytes *= static_cast<std::size_t>(dims[d]);
    const hsize_t pieceRows = std::max<hsize_t>(1, PieceBytes / std::max<std::size_t>(rowBytes, 1));
    std::vector<char> buffer(static_cast<std::size_t>(std::min(pieceRows, rows)) * rowBytes);
    for (hsize_t first = 0; first < rows; first += pieceRows) {
        const hsize_t count = std::min(pieceRows, rows - first);
        H5Series::Read(source, type, first, count, buffer.data());
        H5Series::Write(target, type, first, count, buffer.data());
        PieceDone(control);
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
        Check(H5Ocopy(source, member.c_str(), target, member.c_str(), H5P_DEFAULT, H5P_DEFAULT),
              what);
        std::this_thread::yield();
        CheckCancel(control);
    }
    if (control != nullptr)
        control->PartsDone.fetch_add(1);
}

} // namespace

void TRecording::CopyInto(hid_t file, TSaveControl* control) const {
    H5Access::Check(H5Fflush(File, H5F_SCOPE_LOCAL), "The recording cannot be read.");
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
        CopyRows(Group, group, name, rows, control);
    TH5Handle from = H5Access::OpenGroup(Group, "Keyframes");
    TH5Handle to = H5Access::CreateGroup(group, "Keyframes");
    for (const std::int32_t keyframe : KeyframeList)
        CopyKeyframe(from, to, "Keyframe" + std::to_string(keyframe), control);
}
