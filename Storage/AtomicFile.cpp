#include "Storage/AtomicFile.h"

#include "Storage/H5Access.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

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

// Saving over a file keeps its mode, so that saving never changes who may read it. Set
// last, once the temporary file is written: the mode kept may not allow writing.
void KeepMode(const std::string& temporary, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (::chmod(temporary.c_str(), info.st_mode & 07777) != 0)
        throw TStorageError("The file's permissions cannot be kept.");
}

// Creates an empty, uniquely named file beside path and returns its name. The kernel
// applies the umask to the 0666 asked for here; mkstemp would give 0600 whatever the umask.
std::string CreateTemporary(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    static std::atomic<std::uint64_t> counter{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string hidden(1, '.');
        hidden += target.filename().string();
        for (const auto part : {std::uint64_t(::getpid()), counter++, std::uint64_t(entropy())})
            hidden.append(".").append(std::to_string(part));
        const std::string name = (folder / hidden).string();
        errno = 0;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw TStorageError("Cannot write in the folder " + folder.string() + ": " +
                                SystemText(errno) + ".");
        ::close(fd);
        return name;
    }
    throw TStorageError("Cannot write in the folder " + folder.string() +
                        ": no free name for a temporary file.");
}

} // namespace

namespace {

// Writes all of bytes to the file, retrying short writes.
void WriteAll(const std::string& temporary, std::span<const char> bytes) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        throw TStorageError("The file cannot be written.");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int cause = errno;
            ::close(fd);
            errno = cause;
            throw TStorageError("The file cannot be written.");
        }
        done += static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0) {
        const int cause = errno;
        ::close(fd);
        errno = cause;
        throw TStorageError("The file cannot be written to the disk.");
    }
    if (::close(fd) != 0)
        throw TStorageError("The file cannot be written to the disk.");
}

// The in-memory file's buffer, handed over when HDF5 closes the file: only then has it
// written everything (a flushed image still marks the file open for writing). The buffer
// is taken over rather than copied: HDF5 closes the file under its library lock, which
// every other thread's HDF5 call waits for.
struct TImage {
    std::unique_ptr<char, decltype(&std::free)> Bytes{nullptr, &std::free};
    std::size_t Size = 0;
};

void* ImageMalloc(std::size_t size, H5FD_file_image_op_t, void* image) {
    static_cast<TImage*>(image)->Size = size;
    return std::calloc(1, size);
}
void* ImageMemcpy(void* to, const void* from, std::size_t size, H5FD_file_image_op_t, void*) {
    return std::memcpy(to, from, size);
}
void* ImageRealloc(void* block, std::size_t size, H5FD_file_image_op_t, void* image) {
    void* grown = std::realloc(block, size);
    if (grown != nullptr)
        static_cast<TImage*>(image)->Size = size;
    return grown;
}
herr_t ImageFree(void* block, H5FD_file_image_op_t operation, void* image) {
    auto* target = static_cast<TImage*>(image);
    if (operation == H5FD_FILE_IMAGE_OP_FILE_CLOSE && block != nullptr)
        target->Bytes.reset(static_cast<char*>(block));
    else
        std::free(block);
    return 0;
}
void* ImageCopy(void* image) {
    return image;
}
herr_t ImageRelease(void*) {
    return 0;
}

// Builds the whole file in memory. HDF5 then never meets a failing disk: after a failed
// write it keeps the file open and stumbles over it again when the program ends. The
// bytes past the file's end (the memory grows in steps) are zeros, which readers ignore.
TImage BuildInMemory(const std::function<void(hid_t file)>& write) {
    TImage image;
    TH5Handle access = H5Access::FileAccessList();
    H5Access::Check(H5Pset_fapl_core(access, 1 << 16, 0), "HDF5 cannot be set up.");
    H5FD_file_image_callbacks_t callbacks{ImageMalloc, ImageMemcpy,  ImageRealloc, ImageFree,
                                          ImageCopy,   ImageRelease, &image};
    H5Access::Check(H5Pset_file_image_callbacks(access, &callbacks), "HDF5 cannot be set up.");
    TH5Handle file(H5Fcreate("astrivo-image", H5F_ACC_TRUNC, H5P_DEFAULT, access), H5Fclose);
    H5Access::Check(file.Get(), "The file cannot be created.");
    write(file);
    if (!file.Close() || !image.Bytes)
        throw TStorageError("The file cannot be completed.");
    return image;
}

} // namespace

TStorageResult Write(const std::string& path, const std::function<void(hid_t file)>& write,
                     std::uintmax_t directBytes) {
    H5Access::SilenceErrors();
    std::string temporary;
    try {
        temporary = CreateTemporary(path);
        errno = 0;
        if (directBytes == 0) {
            const TImage image = BuildInMemory(write);
            WriteAll(temporary, {image.Bytes.get(), image.Size});
        } else {
            // A trial reservation first, so that a disk without the room fails here, before
            // HDF5 is involved at all.
            Reserve(temporary, directBytes);
            TH5Handle access = H5Access::FileAccessList();
            TH5Handle file(H5Fcreate(temporary.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access),
                           H5Fclose);
            H5Access::Check(file.Get(), "The file cannot be created.");
            // Creating emptied the file: the room is taken again for HDF5 to write into.
            Reserve(temporary, directBytes);
            write(file);
            // HDF5 writes its remaining metadata when the file is closed: that can fail too.
            if (H5Fflush(file, H5F_SCOPE_LOCAL) < 0 || !file.Close())
                throw TStorageError("The file cannot be completed.");
            TrimToContents(temporary);
            if (!SyncPath(temporary, O_RDONLY))
                throw TStorageError("The file cannot be written to the disk.");
        }
        KeepMode(temporary, path);
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
    } catch (const std::bad_alloc&) {
        if (!temporary.empty())
            std::remove(temporary.c_str());
        return TStorageResult::Failure("Saving " + path + " failed: not enough memory.");
    }
    const std::filesystem::path target(path);
    SyncPath(target.has_parent_path() ? target.parent_path().string() : ".",
             O_RDONLY | O_DIRECTORY);
    return TStorageResult::Success();
}

void Reserve(const std::string& path, std::uintmax_t bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw TStorageError("The file cannot be written.");
    const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    ::close(fd);
    if (error != 0) {
        errno = error;
        throw TStorageError("There is not room for the file (" + std::to_string(bytes >> 20) +
                            " MB).");
    }
}

void TrimToContents(const std::string& path) {
    haddr_t end = 0;
    {
        TH5Handle file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
        if (!file.Valid() || H5Fget_eoa(file, &end) < 0 || end == 0)
            throw TStorageError("The file cannot be read back.");
    }
    if (::truncate(path.c_str(), static_cast<off_t>(end)) != 0)
        throw TStorageError("The file cannot be completed.");
}

TStorageResult Scratch(const std::string& prefix, std::string& path) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    path = (folder / (prefix + "-XXXXXX")).string();
    const int descriptor = error ? -1 : ::mkstemp(path.data());
    if (descriptor < 0) {
        path.clear();
        return TStorageResult::Failure("No scratch file can be made in " + folder.string() + ".");
    }
    ::close(descriptor);
    return TStorageResult::Success();
}

} // namespace AtomicFile
