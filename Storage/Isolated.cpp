#include "Storage/Isolated.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace Isolated {

namespace {

// The child's verdict, written to the pipe: the result's message, if any.
void Report(int fd, const TStorageResult& result) {
    const char* text = result.Message.data();
    std::size_t left = result.Message.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, text, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

[[noreturn]] void RunChild(int fd, const std::function<TStorageResult()>& work) {
    TStorageResult result = TStorageResult::Failure("It cannot be read.");
    try {
        result = work();
    } catch (const std::bad_alloc&) {
        result = TStorageResult::Failure("There is not enough memory to read it.");
    } catch (const std::exception& error) {
        result = TStorageResult::Failure(error.what());
    }
    Report(fd, result);
    // No clean-up: the parent owns everything the child inherited.
    ::_exit(result.Ok ? 0 : 1);
}

// A sound file is read at well over 10 MB a second; a child far slower than that is stuck
// in a loop the file leads it into.
int TimeLimitMs(std::uintmax_t bytes) {
    const std::uintmax_t seconds = 30 + bytes / (10u << 20);
    return static_cast<int>(std::min<std::uintmax_t>(seconds, 3600) * 1000);
}

} // namespace

TStorageResult Run(const std::function<TStorageResult()>& work, std::uintmax_t bytes) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return work();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        // Without a child the file is still read as carefully; only a fault inside HDF5
        // is no longer contained.
        return work();
    }
    if (child == 0) {
        ::close(fds[0]);
        RunChild(fds[1], work);
    }
    ::close(fds[1]);
    std::string message;
    bool timedOut = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeLimitMs(bytes));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd ready{fds[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        message.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return TStorageResult::Failure("Reading it does not come to an end: it is damaged.");
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return TStorageResult::Success();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 1 && !message.empty())
        return TStorageResult::Failure(message);
    const std::string cause = WIFSIGNALED(status)
                                  ? "signal " + std::to_string(WTERMSIG(status))
                                  : "exit status " + std::to_string(WEXITSTATUS(status));
    return TStorageResult::Failure("It is damaged: reading it made the HDF5 library fail (" +
                                   cause + ").");
}

} // namespace Isolated
