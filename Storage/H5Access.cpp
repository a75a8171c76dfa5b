#include "Storage/H5Access.h"

#include "Storage/StorageError.h"

#include <algorithm>
#include <cstring>

namespace H5Access {

namespace {

std::string ShapeText(std::span<const hsize_t> dims) {
    std::string text;
    for (std::size_t i = 0; i < dims.size(); ++i) {
        if (i > 0)
            text += " x ";
        text += std::to_string(dims[i]);
    }
    return dims.empty() ? std::string("a scalar") : text;
}

TH5Handle OpenAttribute(hid_t object, const char* name) {
    const htri_t exists = H5Aexists(object, name);
    if (exists <= 0)
        throw TStorageError("The attribute " + std::string(name) + " of " + PathOf(object) +
                            " is missing.");
    return {
        Check(H5Aopen(object, name, H5P_DEFAULT),
              "The attribute " + std::string(name) + " of " + PathOf(object) + " cannot be read."),
        H5Aclose};
}

// Opens a scalar attribute and checks its class.
TH5Handle OpenScalarAttribute(hid_t object, const char* name, H5T_class_t wanted,
                              const char* kind) {
    TH5Handle attribute = OpenAttribute(object, name);
    const std::string what = "The attribute " + std::string(name) + " of " + PathOf(object);
    TH5Handle space(Check(H5Aget_space(attribute), what + " cannot be read."), H5Sclose);
    if (H5Sget_simple_extent_npoints(space) != 1)
        throw TStorageError(what + " is not a single value.");
    TH5Handle type(Check(H5Aget_type(attribute), what + " cannot be read."), H5Tclose);
    if (H5Tget_class(type) != wanted)
        throw TStorageError(what + " is not " + kind + ".");
    return attribute;
}

void WriteScalar(hid_t object, const char* name, hid_t fileType, hid_t memoryType,
                 const void* value) {
    const std::string what = "The attribute " + std::string(name);
    TH5Handle space(Check(H5Screate(H5S_SCALAR), what + " cannot be written."), H5Sclose);
    TH5Handle attribute(Check(H5Acreate2(object, name, fileType, space, H5P_DEFAULT, H5P_DEFAULT),
                              what + " cannot be written."),
                        H5Aclose);
    Check(H5Awrite(attribute, memoryType, value), what + " cannot be written.");
}

template <typename T>
T ReadScalar(hid_t object, const char* name, H5T_class_t wanted, const char* kind,
             hid_t memoryType) {
    TH5Handle attribute = OpenScalarAttribute(object, name, wanted, kind);
    T value{};
    Check(H5Aread(attribute, memoryType, &value),
          "The attribute " + std::string(name) + " of " + PathOf(object) + " cannot be read.");
    return value;
}

// Bytes of a whole array of dims values of type.
std::size_t ByteCount(hid_t type, std::span<const hsize_t> dims) {
    std::size_t bytes = H5Tget_size(type);
    for (const hsize_t d : dims)
        bytes *= static_cast<std::size_t>(d);
    return bytes;
}

hid_t RefuseToFollow(const char*, hid_t, const void*, std::size_t, hid_t, hid_t) {
    return H5I_INVALID_HID;
}

const H5L_class_t RefusedExternalLink{H5L_LINK_CLASS_T_VERS,
                                      H5L_TYPE_EXTERNAL,
                                      "external link, never followed",
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      RefuseToFollow,
                                      nullptr,
                                      nullptr};

} // namespace

// FNV-1a, 64 bits: cheap next to the disk, and any changed byte changes it.
std::uint64_t Checksum(const void* data, std::size_t bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

void SilenceErrors() {
    // A file whose writes failed (a full disk) cannot be closed: HDF5 keeps it half torn
    // down, and its own clean-up at program exit then crashes on it. Every file we open is
    // closed by its handle, so that clean-up has nothing to do; it is left out. This must
    // come before HDF5's first use, which SilenceErrors always is in this program.
    static const bool noExitCleanUp = H5dont_atexit() >= 0;
    (void)noExitCleanUp;
    // A file could link into another file and make any later call read or write there. No
    // file of ours holds such a link, so HDF5's own class for them is replaced by one that
    // refuses to follow: every attempt fails, whichever call makes it.
    static const bool noExternalLinks = H5Lregister(&RefusedExternalLink) >= 0;
    (void)noExternalLinks;
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

void Check(herr_t status, const std::string& message) {
    if (status < 0)
        throw TStorageError(message);
}

hid_t Check(hid_t id, const std::string& message) {
    if (id < 0)
        throw TStorageError(message);
    return id;
}

TH5Handle FileAccessList() {
    TH5Handle list(Check(H5Pcreate(H5P_FILE_ACCESS), "HDF5 cannot be set up."), H5Pclose);
    Check(H5Pset_libver_bounds(list, H5F_LIBVER_LATEST, H5F_LIBVER_LATEST),
          "HDF5 cannot be set up.");
    return list;
}

TH5Handle CreateGroup(hid_t location, const std::string& name) {
    return {Check(H5Gcreate2(location, name.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                  "The group " + name + " cannot be written."),
            H5Gclose};
}

bool Exists(hid_t location, const std::string& name) {
    return H5Lexists(location, name.c_str(), H5P_DEFAULT) > 0;
}

TH5Handle OpenGroup(hid_t location, const std::string& name) {
    if (!Exists(location, name))
        throw TStorageError("The group " + name + " is missing.");
    TH5Handle object(Check(H5Oopen(location, name.c_str(), H5P_DEFAULT),
                           "The group " + name + " cannot be read."),
                     H5Oclose);
    if (H5Iget_type(object) != H5I_GROUP)
        throw TStorageError(name + " is not a group.");
    return object;
}

void WriteInt(hid_t object, const char* name, std::int32_t value) {
    WriteScalar(object, name, H5T_STD_I32LE, H5T_NATIVE_INT32, &value);
}
void WriteDouble(hid_t object, const char* name, double value) {
    WriteScalar(object, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &value);
}
void WriteFloat(hid_t object, const char* name, float value) {
    WriteScalar(object, name, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, &value);
}

void WriteString(hid_t object, const char* name, const std::string& value) {
    const std::string what = "The attribute " + std::string(name);
    TH5Handle type(Check(H5Tcopy(H5T_C_S1), what + " cannot be written."), H5Tclose);
    Check(H5Tset_size(type, value.size() + 1), what + " cannot be written.");
    Check(H5Tset_strpad(type, H5T_STR_NULLTERM), what + " cannot be written.");
    Check(H5Tset_cset(type, H5T_CSET_UTF8), what + " cannot be written.");
    WriteScalar(object, name, type, type, value.c_str());
}

std::int32_t ReadInt(hid_t object, const char* name) {
    return ReadScalar<std::int32_t>(object, name, H5T_INTEGER, "an integer", H5T_NATIVE_INT32);
}
double ReadDouble(hid_t object, const char* name) {
    return ReadScalar<double>(object, name, H5T_FLOAT, "a real number", H5T_NATIVE_DOUBLE);
}
float ReadFloat(hid_t object, const char* name) {
    return ReadScalar<float>(object, name, H5T_FLOAT, "a real number", H5T_NATIVE_FLOAT);
}

std::string ReadString(hid_t object, const char* name, std::size_t maxLength) {
    TH5Handle attribute = OpenScalarAttribute(object, name, H5T_STRING, "a string");
    const std::string what = "The attribute " + std::string(name) + " of " + PathOf(object);
    TH5Handle fileType(Check(H5Aget_type(attribute), what + " cannot be read."), H5Tclose);
    TH5Handle memoryType(Check(H5Tcopy(H5T_C_S1), what + " cannot be read."), H5Tclose);
    // HDF5 converts no text between character sets: read it in the set it was written in.
    const H5T_cset_t characterSet = H5Tget_cset(fileType);
    if (characterSet != H5T_CSET_ASCII && characterSet != H5T_CSET_UTF8)
        throw TStorageError(what + " is not text.");
    Check(H5Tset_cset(memoryType, characterSet), what + " cannot be read.");
    if (H5Tis_variable_str(fileType) > 0) {
        Check(H5Tset_size(memoryType, H5T_VARIABLE), what + " cannot be read.");
        char* text = nullptr;
        Check(H5Aread(attribute, memoryType, &text), what + " cannot be read.");
        std::string result =
            text != nullptr ? std::string(text, strnlen(text, maxLength + 1)) : std::string();
        H5free_memory(text);
        if (result.size() > maxLength)
            throw TStorageError(what + " is too long.");
        return result;
    }
    const std::size_t size = H5Tget_size(fileType);
    if (size == 0 || size > maxLength + 1)
        throw TStorageError(what + " is too long.");
    Check(H5Tset_size(memoryType, size), what + " cannot be read.");
    std::vector<char> buffer(size + 1, '\0');
    Check(H5Aread(attribute, memoryType, buffer.data()), what + " cannot be read.");
    return {buffer.data(), strnlen(buffer.data(), size)};
}

void WriteArray(hid_t location, const std::string& name, hid_t memoryType,
                std::span<const hsize_t> dims, const void* data) {
    const std::string what = "The dataset " + name + " cannot be written.";
    TH5Handle space(
        Check(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), what),
        H5Sclose);
    TH5Handle fileType(Check(H5Tcopy(memoryType), what), H5Tclose);
    Check(H5Tset_order(fileType, H5T_ORDER_LE), what);
    TH5Handle dataset(Check(H5Dcreate2(location, name.c_str(), fileType, space, H5P_DEFAULT,
                                       H5P_DEFAULT, H5P_DEFAULT),
                            what),
                      H5Dclose);
    const std::size_t bytes = ByteCount(memoryType, dims);
    if (bytes > 0)
        Check(H5Dwrite(dataset, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data), what);
    const std::uint64_t sum = Checksum(data, bytes);
    TH5Handle scalar(Check(H5Screate(H5S_SCALAR), what), H5Sclose);
    TH5Handle attribute(
        Check(H5Acreate2(dataset, "Checksum", H5T_STD_U64LE, scalar, H5P_DEFAULT, H5P_DEFAULT),
              what),
        H5Aclose);
    Check(H5Awrite(attribute, H5T_NATIVE_UINT64, &sum), what);
}

std::vector<hsize_t> Dims(hid_t dataset, const std::string& name) {
    TH5Handle space(Check(H5Dget_space(dataset), "The dataset " + name + " cannot be read."),
                    H5Sclose);
    const int rank = H5Sget_simple_extent_ndims(space);
    if (rank < 0 || rank > 8)
        throw TStorageError("The dataset " + name + " has the wrong shape.");
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    if (H5Sget_simple_extent_dims(space, dims.data(), nullptr) < 0)
        throw TStorageError("The dataset " + name + " cannot be read.");
    return dims;
}

void ReadArray(hid_t location, const std::string& name, hid_t memoryType,
               std::span<const hsize_t> dims, void* data) {
    const std::string what = "The dataset " + name;
    if (!Exists(location, name))
        throw TStorageError(what + " is missing.");
    TH5Handle dataset(
        Check(H5Dopen2(location, name.c_str(), H5P_DEFAULT), what + " cannot be read."), H5Dclose);
    TH5Handle fileType(Check(H5Dget_type(dataset), what + " cannot be read."), H5Tclose);
    if (H5Tget_class(fileType) != H5Tget_class(memoryType))
        throw TStorageError(what + " has the wrong type.");
    const std::vector<hsize_t> found = Dims(dataset, name);
    if (!std::equal(found.begin(), found.end(), dims.begin(), dims.end()))
        throw TStorageError(what + " has the wrong shape (" + ShapeText(found) + ", expected " +
                            ShapeText(dims) + ").");
    const std::size_t bytes = ByteCount(memoryType, dims);
    if (bytes > 0)
        Check(H5Dread(dataset, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data),
              what + " is damaged and cannot be read.");
    if (H5Aexists(dataset, "Checksum") <= 0)
        throw TStorageError(what + " has no checksum.");
    std::uint64_t sum = 0;
    TH5Handle attribute(Check(H5Aopen(dataset, "Checksum", H5P_DEFAULT), what + " cannot be read."),
                        H5Aclose);
    TH5Handle space(Check(H5Aget_space(attribute), what + " cannot be read."), H5Sclose);
    TH5Handle type(Check(H5Aget_type(attribute), what + " cannot be read."), H5Tclose);
    if (H5Sget_simple_extent_npoints(space) != 1 || H5Tget_class(type) != H5T_INTEGER ||
        H5Tget_size(type) != sizeof sum)
        throw TStorageError(what + " has a damaged checksum.");
    Check(H5Aread(attribute, H5T_NATIVE_UINT64, &sum), what + " cannot be read.");
    if (sum != Checksum(data, bytes))
        throw TStorageError(what + " is damaged (its checksum does not match).");
}

std::string PathOf(hid_t object) {
    char buffer[256] = {};
    const ssize_t length = H5Iget_name(object, buffer, sizeof buffer);
    if (length <= 0)
        return "the file";
    return {buffer, static_cast<std::size_t>(std::min<ssize_t>(length, sizeof buffer - 1))};
}

} // namespace H5Access
