#pragma once

#include <stdexcept>
#include <string>

/// A file could not be written or read. The message names what failed in words a user can
/// act on ("dataset /Universe/Position has the wrong shape", "No space left on device").
class TStorageError : public std::runtime_error {
public:
    explicit TStorageError(const std::string& message) : std::runtime_error(message) {}
};

/// The outcome of a storage operation: Ok, or a message for the user.
struct TStorageResult {
    bool Ok = true;
    std::string Message;

    static TStorageResult Success() { return {}; }
    static TStorageResult Failure(std::string message) { return {false, std::move(message)}; }
};
