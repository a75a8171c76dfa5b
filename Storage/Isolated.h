#pragma once

#include "Storage/StorageError.h"

#include <chrono>
#include <cstdint>
#include <functional>

/// HDF5 parses a file's metadata before any of our checks can look at it, and a file made
/// to pass its checksums can still make the library itself fault. Work on such a file is
/// done first in a short-lived child process, so that a fault costs the opening of that
/// file, not the session and the user's unsaved work.
namespace Isolated {

/// The child's end of the hand-over: each write reaches the parent whole, or throws
/// TStorageError.
class TSender {
public:
    explicit TSender(int fd) : Fd(fd) {}
    void Write(const void* data, std::size_t bytes);
    template <class T> void Put(const T& value) { Write(&value, sizeof value); }

private:
    int Fd;
};

/// The parent's end. What arrives was made by a process that HDF5 may have led astray, so
/// it is untrusted bytes: each read takes exactly what it asks for, and throws
/// TStorageError when the child stops early or runs past its time.
class TReceiver {
public:
    TReceiver(int fd, std::chrono::steady_clock::time_point deadline)
        : Fd(fd), Deadline(deadline) {}
    void Read(void* data, std::size_t bytes);
    template <class T> T Get() {
        T value{};
        Read(&value, sizeof value);
        return value;
    }
    bool TimedOut() const { return Late; }

private:
    int Fd;
    std::chrono::steady_clock::time_point Deadline;
    bool Late = false;
};

/// Runs work in a child process and returns its result: its message when it fails, or a
/// refusal naming the fault when the child dies or runs past a time that grows with
/// bytes (the size of the file it reads). Only the result comes back; whatever work changes
/// in memory stays in the child. When no child can be started, work runs here.
TStorageResult Run(const std::function<TStorageResult()>& work, std::uintmax_t bytes);

/// As Run, and what work made is handed back: after work succeeds, send writes it in the
/// child and receive reads it here, as it arrives. A receive that throws TStorageError
/// refuses the work with its message. When no child can be started, work, send and
/// receive run here in turn, through a pipe of their own.
TStorageResult Run(const std::function<TStorageResult()>& work,
                   const std::function<void(TSender&)>& send,
                   const std::function<void(TReceiver&)>& receive, std::uintmax_t bytes);

} // namespace Isolated
