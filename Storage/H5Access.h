#pragma once

#include "Storage/H5Handle.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Checked reading and writing of the groups, attributes and datasets of Astrivo's files.
/// Every failure throws TStorageError with a message that names the object, so that a bad
/// file is reported by what is wrong with it, never by a crash or a garbage value.
namespace H5Access {

/// HDF5 prints its error stack to stderr by default, per thread: turn that off for the
/// calling thread. Every public storage entry point calls this first. The first call also
/// turns off HDF5's clean-up at program exit, which crashes on a file a full disk left
/// unclosable, and replaces HDF5's external links by ones never followed, so that no file
/// can make a call reach into another file.
void SilenceErrors();

/// Throws TStorageError(message) when status is negative.
void Check(herr_t status, const std::string& message);
hid_t Check(hid_t id, const std::string& message);

/// A file access list that writes checksummed metadata (the format of HDF5 1.10), so that a
/// damaged file is refused by HDF5's own checks instead of being misread.
TH5Handle FileAccessList();

TH5Handle CreateGroup(hid_t location, const std::string& name);
/// The group, or a "missing group" error.
TH5Handle OpenGroup(hid_t location, const std::string& name);
bool Exists(hid_t location, const std::string& name);

void WriteInt(hid_t object, const char* name, std::int32_t value);
void WriteDouble(hid_t object, const char* name, double value);
void WriteFloat(hid_t object, const char* name, float value);
void WriteString(hid_t object, const char* name, const std::string& value);

/// Scalar attributes of a numeric class; the value is converted to the asked type. Throws
/// when the attribute is missing, not a scalar or of another class.
std::int32_t ReadInt(hid_t object, const char* name);
double ReadDouble(hid_t object, const char* name);
float ReadFloat(hid_t object, const char* name);
/// A string attribute of fixed or variable length, at most maxLength bytes.
std::string ReadString(hid_t object, const char* name, std::size_t maxLength = 4096);

/// A dataset whose shape is given by dims, stored contiguously with a Checksum attribute
/// (64-bit FNV-1a of its bytes), so that damaged data fails to read rather than reading
/// wrong.
void WriteArray(hid_t location, const std::string& name, hid_t memoryType,
                std::span<const hsize_t> dims, const void* data);

/// Reads the whole dataset, which must have exactly the dims given and the class of
/// memoryType (integer or float).
void ReadArray(hid_t location, const std::string& name, hid_t memoryType,
               std::span<const hsize_t> dims, void* data);

/// The Checksum attribute's value for an array's bytes: 64-bit FNV-1a.
std::uint64_t Checksum(const void* data, std::size_t bytes);

/// The dims of a dataset (for recordings, whose length is found by reading it).
std::vector<hsize_t> Dims(hid_t dataset, const std::string& name);

/// The path of an object inside its file, for messages.
std::string PathOf(hid_t object);

} // namespace H5Access
