#include "Storage/Isolated.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Isolated {

namespace {

using TClock = std::chrono::steady_clock;

// The first byte the child writes: what follows is the hand-over, or the message of a
// failure.
constexpr char Succeeded = 'S';
constexpr char Failed = 'F';

// The hand-over of a large universe is tens of megabytes: a wider pipe takes it in fewer
// turns of the two processes.
constexpr int PipeBytes = 1 << 20;

TStorageResult Guarded(const std::function<TStorageResult()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return TStorageResult::Failure("There is not enough memory to read it.");
    } catch (const std::exception& error) {
        return TStorageResult::Failure(error.what());
    }
}

[[noreturn]] void RunChild(int fd, const std::function<TStorageResult()>& work,
                           const std::function<void(TSender&)>& send) {
    // A parent that stops reading is answered by the end of this child, not by a signal
    // that would read as a fault.
    ::signal(SIGPIPE, SIG_IGN);
    const TStorageResult result = Guarded(work);
    TSender sender(fd);
    // No clean-up: the parent owns everything the child inherited.
    try {
        sender.Put(result.Ok ? Succeeded : Failed);
        if (!result.Ok) {
            sender.Write(result.Message.data(), result.Message.size());
            ::_exit(1);
        }
        if (send)
            send(sender);
    } catch (const std::exception&) {
        // The parent has gone, or no longer reads: it reports the child's end itself.
        ::_exit(2);
    }
    ::_exit(0);
}

// A sound file is read at well over 10 MB a second; a child far slower than that is stuck
// in a loop the file leads it into.
std::chrono::milliseconds TimeLimit(std::uintmax_t bytes) {
    const std::uintmax_t seconds = 30 + bytes / (10u << 20);
    return std::chrono::seconds(std::min<std::uintmax_t>(seconds, 3600));
}

// The rest of what the child writes, up to its end: a failure's message.
std::string ReadRest(TReceiver& receiver) {
    std::string text;
    char c = 0;
    try {
        for (;;) {
            receiver.Read(&c, 1);
            text.push_back(c);
            if (text.size() > 65536)
                break;
        }
    } catch (const TStorageError&) {
    }
    return text;
}

std::string Ending(int status) {
    return WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                               : "exit status " + std::to_string(WEXITSTATUS(status));
}

TStorageResult Faulted(int status) {
    return TStorageResult::Failure("It is damaged: reading it made the HDF5 library fail (" +
                                   Ending(status) + ").");
}

TStorageResult OutOfTime() {
    return TStorageResult::Failure("Reading it does not come to an end: it is damaged.");
}

// Without a child the work is done as carefully; only a fault inside HDF5 is no longer
// contained. The hand-over still passes through a pipe, so that receive meets the same
// bytes it would from a child.
TStorageResult RunHere(const std::function<TStorageResult()>& work,
                       const std::function<void(TSender&)>& send,
                       const std::function<void(TReceiver&)>& receive) {
    const TStorageResult result = Guarded(work);
    if (!result.Ok || !send)
        return result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return TStorageResult::Failure("It cannot be read: no pipe can be opened.");
    std::thread sending([&] {
        TSender sender(fds[1]);
        try {
            send(sender);
        } catch (const std::exception&) {
        }
        ::close(fds[1]);
    });
    TReceiver receiver(fds[0], TClock::time_point::max());
    TStorageResult received = TStorageResult::Success();
    try {
        receive(receiver);
    } catch (const TStorageError& error) {
        received = TStorageResult::Failure(error.what());
    } catch (const std::bad_alloc&) {
        received = TStorageResult::Failure("There is not enough memory to read it.");
    }
    // Read to the end, so that the sender never writes into a closed pipe.
    char rest[4096];
    for (;;) {
        const ssize_t got = ::read(fds[0], rest, sizeof rest);
        if (got == 0 || (got < 0 && errno != EINTR))
            break;
    }
    ::close(fds[0]);
    sending.join();
    return received;
}

} // namespace

void TSender::Write(const void* data, std::size_t bytes) {
    const char* text = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = ::write(Fd, text, bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw TStorageError("The hand-over was cut off.");
        text += written;
        bytes -= static_cast<std::size_t>(written);
    }
}

void TReceiver::Read(void* data, std::size_t bytes) {
    char* into = static_cast<char*>(data);
    while (bytes > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
        if (left.count() <= 0) {
            Late = true;
            throw TStorageError("Reading it does not come to an end: it is damaged.");
        }
        pollfd ready{Fd, POLLIN, 0};
        const int polled =
            ::poll(&ready, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
        if (polled <= 0)
            continue;
        const ssize_t got = ::read(Fd, into, bytes);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw TStorageError("Its reading ended before all of it was handed over.");
        into += got;
        bytes -= static_cast<std::size_t>(got);
    }
}

TStorageResult Run(const std::function<TStorageResult()>& work, std::uintmax_t bytes) {
    return Run(work, {}, {}, bytes);
}

TStorageResult Run(const std::function<TStorageResult()>& work,
                   const std::function<void(TSender&)>& send,
                   const std::function<void(TReceiver&)>& receive, std::uintmax_t bytes) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return RunHere(work, send, receive);
    ::fcntl(fds[1], F_SETPIPE_SZ, PipeBytes);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return RunHere(work, send, receive);
    }
    if (child == 0) {
        ::close(fds[0]);
        RunChild(fds[1], work, send);
    }
    ::close(fds[1]);
    TReceiver receiver(fds[0], TClock::now() + TimeLimit(bytes));
    TStorageResult result = TStorageResult::Success();
    bool verdict = false; // the child said how its work went
    try {
        const char first = receiver.Get<char>();
        verdict = first == Succeeded || first == Failed;
        if (first == Failed)
            result = TStorageResult::Failure(ReadRest(receiver));
        else if (first == Succeeded && receive)
            receive(receiver);
        else if (first != Succeeded)
            result = TStorageResult::Failure("It cannot be read.");
    } catch (const TStorageError& error) {
        result = TStorageResult::Failure(error.what());
    } catch (const std::bad_alloc&) {
        result = TStorageResult::Failure("There is not enough memory to read it.");
    }
    ::close(fds[0]);
    const bool late = receiver.TimedOut();
    // A child that is still at work has nothing more to give: a receive that refused what
    // it sent, or one past its time.
    const bool stopped = !result.Ok || late;
    if (stopped)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (late)
        return OutOfTime();
    const bool exited = WIFEXITED(status);
    if (!verdict || (exited && WEXITSTATUS(status) > 1) ||
        (WIFSIGNALED(status) && !(stopped && WTERMSIG(status) == SIGKILL)))
        return Faulted(status);
    if (result.Ok && !(exited && WEXITSTATUS(status) == 0))
        return Faulted(status);
    if (!result.Ok && result.Message.empty())
        return Faulted(status);
    return result;
}

} // namespace Isolated
