#include "Storage/FileLayout.h"

#include "Storage/H5Access.h"
#include "Storage/StorageError.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace FileLayout {

namespace {

using H5Access::Check;

// The file access property, registered by HDF5 since 1.10, that has an open pass over the
// superblock's marks of a file left open for writing.
constexpr const char* ClearMarks = "clear_status_flags";

enum class TNumber { Double, Float, Int, Int64 };

// A dataset as this program writes it. The length of the first axis (particles, pairs,
// frames) and a recording's particle axis are checked by the readers, which know N.
struct TDatasetRule {
    std::string_view Name;
    TNumber Type;
    int Rank;
    hsize_t Last; // the last axis's length when it is fixed, else 0
};

constexpr std::array<TDatasetRule, 8> UniverseSets{{
    {"Heat", TNumber::Double, 1, 0},
    {"Position", TNumber::Double, 2, 3},
    {"Velocity", TNumber::Double, 2, 3},
    {"Acceleration", TNumber::Double, 2, 3},
    {"Friction", TNumber::Double, 2, 3},
    {"Cell", TNumber::Int, 2, 3},
    {"PairIndex", TNumber::Int, 2, 2},
    {"PairDistance", TNumber::Double, 1, 0},
}};

constexpr std::array<TDatasetRule, 9> RecordingSets{{
    {"IterationCount", TNumber::Int, 1, 0},
    {"Optimisation", TNumber::Float, 1, 0},
    {"Position", TNumber::Float, 3, 3},
    {"Heat", TNumber::Float, 2, 0},
    {"PairOffset", TNumber::Int64, 1, 0},
    {"PairCount", TNumber::Int, 1, 0},
    {"PairIndex", TNumber::Int, 2, 2},
    {"PairDistance", TNumber::Float, 1, 0},
    {"KeyframeList", TNumber::Int, 1, 0},
}};

// Fixed datasets are written whole and contiguous, with their own checksum; the growing
// ones of a recording are chunked, each chunk checked by Fletcher-32.
enum class TStorage { Contiguous, Chunked };

hid_t FileType(TNumber type) {
    switch (type) {
    case TNumber::Double:
        return H5T_IEEE_F64LE;
    case TNumber::Float:
        return H5T_IEEE_F32LE;
    case TNumber::Int:
        return H5T_STD_I32LE;
    case TNumber::Int64:
        break;
    }
    return H5T_STD_I64LE;
}

const char* TypeText(TNumber type) {
    switch (type) {
    case TNumber::Double:
        return "64-bit little-endian floats";
    case TNumber::Float:
        return "32-bit little-endian floats";
    case TNumber::Int:
        return "32-bit little-endian integers";
    case TNumber::Int64:
        break;
    }
    return "64-bit little-endian integers";
}

[[noreturn]] void Refuse(const std::string& what) {
    throw TStorageError("It holds what this program does not write: " + what + ".");
}

std::string Join(const std::string& path, std::string_view name) {
    return (path == "/" ? path : path + "/") + std::string(name);
}

struct TLink {
    std::string Name;
    H5L_type_t Type;
};

herr_t CollectLink(hid_t, const char* name, const H5L_info_t* info, void* links) {
    try {
        static_cast<std::vector<TLink>*>(links)->push_back({name, info->type});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

// The group's links, by name. Links other than hard ones are refused here, before anything
// could follow them.
std::vector<TLink> Links(hid_t group, const std::string& path) {
    std::vector<TLink> links;
    hsize_t position = 0;
    Check(H5Literate(group, H5_INDEX_NAME, H5_ITER_NATIVE, &position, CollectLink, &links),
          "The group " + path + " is damaged.");
    for (const TLink& link : links) {
        const std::string where = Join(path, link.Name);
        switch (link.Type) {
        case H5L_TYPE_HARD:
            break;
        case H5L_TYPE_SOFT:
            Refuse(where + " is a soft link");
        case H5L_TYPE_EXTERNAL:
            Refuse(where + " is a link into another file");
        default:
            Refuse(where + " is a user-defined link");
        }
    }
    return links;
}

H5O_type_t ObjectType(hid_t group, const std::string& name, const std::string& where) {
    H5O_info_t info{};
    Check(H5Oget_info_by_name2(group, name.c_str(), &info, H5O_INFO_BASIC, H5P_DEFAULT),
          "The object " + where + " is damaged.");
    return info.type;
}

TH5Handle OpenChildGroup(hid_t group, const std::string& name, const std::string& where) {
    if (ObjectType(group, name, where) != H5O_TYPE_GROUP)
        Refuse(where + " is not a group");
    return {
        Check(H5Gopen2(group, name.c_str(), H5P_DEFAULT), "The group " + where + " is damaged."),
        H5Gclose};
}

void CheckDataset(hid_t group, const TLink& link, const std::string& where,
                  const TDatasetRule& rule, TStorage storage) {
    if (ObjectType(group, link.Name, where) != H5O_TYPE_DATASET)
        Refuse(where + " is not a dataset");
    const std::string damaged = "The dataset " + where + " is damaged.";
    TH5Handle set(Check(H5Dopen2(group, link.Name.c_str(), H5P_DEFAULT), damaged), H5Dclose);
    // The storage first: nothing below may read from a virtual or external source.
    TH5Handle create(Check(H5Dget_create_plist(set), damaged), H5Pclose);
    const H5D_layout_t layout = H5Pget_layout(create);
    if (layout == H5D_VIRTUAL)
        Refuse(where + " is a virtual dataset");
    if (H5Pget_external_count(create) != 0)
        Refuse(where + " keeps its data in other files");
    const int filters = H5Pget_nfilters(create);
    if (storage == TStorage::Contiguous) {
        if (layout != H5D_CONTIGUOUS)
            Refuse(where + " is not stored contiguously");
        if (filters != 0)
            Refuse(where + " has filters");
    } else {
        if (layout != H5D_CHUNKED)
            Refuse(where + " is not stored in chunks");
        unsigned flags = 0;
        std::size_t values = 0;
        const H5Z_filter_t filter =
            filters == 1 ? H5Pget_filter2(create, 0, &flags, &values, nullptr, 0, nullptr, nullptr)
                         : H5Z_FILTER_ERROR;
        if (filter != H5Z_FILTER_FLETCHER32)
            Refuse(where + " has filters other than Fletcher-32");
    }
    TH5Handle type(Check(H5Dget_type(set), damaged), H5Tclose);
    if (H5Tequal(type, FileType(rule.Type)) <= 0)
        Refuse(where + " has the wrong type (it should hold " + TypeText(rule.Type) + ")");
    TH5Handle space(Check(H5Dget_space(set), damaged), H5Sclose);
    if (H5Sget_simple_extent_type(space) != H5S_SIMPLE)
        Refuse(where + " has the wrong shape (it is not an array)");
    const int rank = H5Sget_simple_extent_ndims(space);
    if (rank != rule.Rank)
        Refuse(where + " has the wrong shape (" + std::to_string(rank) + " dimensions, expected " +
               std::to_string(rule.Rank) + ")");
    std::array<hsize_t, 3> dims{};
    Check(H5Sget_simple_extent_dims(space, dims.data(), nullptr), damaged);
    const auto last = static_cast<std::size_t>(rank - 1);
    if (rule.Last != 0 && dims[last] != rule.Last)
        Refuse(where + " has the wrong shape (rows of " + std::to_string(dims[last]) +
               " values, expected " + std::to_string(rule.Last) + ")");
}

// Checks every link of group against rules: each must name one of its datasets.
// Returns the links not covered, for the caller's groups.
std::vector<TLink> CheckDatasets(hid_t group, const std::string& path,
                                 std::span<const TDatasetRule> rules, TStorage storage) {
    std::vector<TLink> rest;
    for (TLink& link : Links(group, path)) {
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const TDatasetRule& r) { return r.Name == link.Name; });
        if (rule == rules.end())
            rest.push_back(std::move(link));
        else
            CheckDataset(group, link, Join(path, link.Name), *rule, storage);
    }
    return rest;
}

// Names like View12 and Keyframe0: the prefix and a decimal number.
bool Numbered(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 10 ||
        name.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view digits = name.substr(prefix.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void Unknown(const std::string& where) {
    Refuse(where + ", an object of a name this program does not use");
}

void CheckUniverse(hid_t group, const std::string& path) {
    for (const TLink& link : CheckDatasets(group, path, UniverseSets, TStorage::Contiguous))
        Unknown(Join(path, link.Name));
}

// A group that holds only attributes.
void CheckLeaf(hid_t group, const std::string& path) {
    for (const TLink& link : Links(group, path))
        Unknown(Join(path, link.Name));
}

void CheckViews(hid_t group, const std::string& path) {
    for (const TLink& link : Links(group, path)) {
        const std::string where = Join(path, link.Name);
        if (!Numbered(link.Name, "View"))
            Unknown(where);
        CheckLeaf(OpenChildGroup(group, link.Name, where), where);
    }
}

void CheckRecording(hid_t group, const std::string& path) {
    for (const TLink& link : CheckDatasets(group, path, RecordingSets, TStorage::Chunked)) {
        const std::string where = Join(path, link.Name);
        if (link.Name != "Keyframes")
            Unknown(where);
        TH5Handle keyframes = OpenChildGroup(group, link.Name, where);
        for (const TLink& keyframe : Links(keyframes, where)) {
            const std::string inner = Join(where, keyframe.Name);
            if (!Numbered(keyframe.Name, "Keyframe"))
                Unknown(inner);
            CheckUniverse(OpenChildGroup(keyframes, keyframe.Name, inner), inner);
        }
    }
}

} // namespace

TH5Handle Open(const std::string& path, unsigned flags) {
    // Replaces the following of external links before the first file is opened.
    H5Access::SilenceErrors();
    TH5Handle access(Check(H5Pcreate(H5P_FILE_ACCESS), "HDF5 cannot be set up."), H5Pclose);
    // A program that ended while writing the file (a crash, a kill, a lost power supply)
    // leaves it marked as open for writing, and HDF5 then refuses to open it at all. Read
    // only, what was written up to the end is still wanted: the marks are passed over, in
    // memory only, by the property HDF5's own h5clear sets. Whatever the end left half
    // written meets the checks like any damage. Writing still respects the marks.
    hbool_t ignoreMarks = 1;
    if (flags == H5F_ACC_RDONLY && H5Pexist(access, ClearMarks) > 0)
        Check(H5Pset(access, ClearMarks, &ignoreMarks), "HDF5 cannot be set up.");
    return {Check(H5Fopen(path.c_str(), flags, access), "It is damaged or truncated."), H5Fclose};
}

void Require(hid_t file) {
    for (const TLink& link : Links(file, "/")) {
        const std::string where = Join("/", link.Name);
        using TCheck = void (*)(hid_t, const std::string&);
        constexpr std::array<std::pair<std::string_view, TCheck>, 4> groups{{
            {"Universe", CheckUniverse},
            {"Settings", CheckLeaf},
            {"Views", CheckViews},
            {"Recording", CheckRecording},
        }};
        const auto known = std::find_if(groups.begin(), groups.end(), [&](const auto& group) {
            return group.first == link.Name;
        });
        if (known == groups.end())
            Unknown(where);
        known->second(OpenChildGroup(file, link.Name, where), where);
    }
}

} // namespace FileLayout
