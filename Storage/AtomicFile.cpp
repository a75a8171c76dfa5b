#include "Storage/AtomicFile.h"

#include "Storage/H5Access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace AtomicFile {

namespace {

std::string SystemText(int error) {
    return std::strerror(error);
}

// Forces the file's bytes (or a folder's entries) to the disk, so that the rename below
// never publishes a name whose contents a power cut could still lose.
bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

// Creates an empty, uniquely named file beside path and returns its name.
std::string CreateTemporary(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    errno = 0;
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw TStorageError("Cannot write in the folder " + folder.string() + ": " +
                            SystemText(errno) + ".");
    ::close(fd);
    return name.data();
}

} // namespace

TStorageResult Write(const std::string& path, const std::function<void(hid_t file)>& write) {
    H5Access::SilenceErrors();
    std::string temporary;
    try {
        temporary = CreateTemporary(path);
        errno = 0;
        TH5Handle access = H5Access::FileAccessList();
        TH5Handle file(H5Fcreate(temporary.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access), H5Fclose);
        H5Access::Check(file.Get(), "The file cannot be created.");
        write(file);
        // HDF5 writes its remaining metadata when the file is closed: that can fail too.
        if (H5Fflush(file, H5F_SCOPE_LOCAL) < 0 || !file.Close())
            throw TStorageError("The file cannot be completed.");
        if (!SyncPath(temporary, O_RDONLY))
            throw TStorageError("The file cannot be written to the disk.");
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            throw TStorageError("The file cannot be put in place.");
    } catch (const TStorageError& error) {
        const int cause = errno;
        if (!temporary.empty())
            std::remove(temporary.c_str());
        std::string message = "Saving " + path + " failed. " + error.what();
        // The system's reason (disk full, no permission) is what the user can act on.
        if (cause != 0 && message.find(SystemText(cause)) == std::string::npos)
            message += " (" + SystemText(cause) + ")";
        return TStorageResult::Failure(message);
    }
    const std::filesystem::path target(path);
    SyncPath(target.has_parent_path() ? target.parent_path().string() : ".",
             O_RDONLY | O_DIRECTORY);
    return TStorageResult::Success();
}

} // namespace AtomicFile
