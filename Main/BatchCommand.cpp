#include "Main/BatchCommand.h"

#include "Main/BatchRun.h"
#include "Main/CommandLine.h"

#include <atomic>
#include <csignal>
#include <string>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// What the handler reaches: set before the handlers are installed, cleared after they are
// taken away again, so the handler never sees a run that has gone.
std::atomic<TBatchRun*> Active{nullptr};
volatile std::sig_atomic_t StopSignal = 0;
static_assert(std::atomic<TBatchRun*>::is_always_lock_free);

extern "C" void StopHandler(int signal) {
    StopSignal = signal;
    if (TBatchRun* run = Active.load())
        run->RequestStop();
}

// Installs the stop handler for SIGINT and SIGTERM while it lives. A second signal finds
// the default action again and ends the program at once (the output's atomic write then
// leaves whatever was there before).
class TStopSignals {
public:
    explicit TStopSignals(TBatchRun& run) {
        StopSignal = 0;
        Active.store(&run);
        struct sigaction action {};
        action.sa_handler = StopHandler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &OldInt);
        sigaction(SIGTERM, &action, &OldTerm);
    }
    ~TStopSignals() {
        sigaction(SIGINT, &OldInt, nullptr);
        sigaction(SIGTERM, &OldTerm, nullptr);
        Active.store(nullptr);
    }
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

private:
    struct sigaction OldInt {};
    struct sigaction OldTerm {};
};

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole < 60)
        std::snprintf(text, sizeof text, "%llds", whole);
    else if (whole < 3600)
        std::snprintf(text, sizeof text, "%lldm%02llds", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lldh%02lldm", whole / 3600, whole / 60 % 60);
    return text;
}

// Progress at a pace a person can read and a log does not drown in: a line rewritten in
// place twice a second on a terminal, a line every ten seconds elsewhere. The pace and the
// time left come from the steps since the last line, so they follow the run as it slows
// down (clusters that meet have more near pairs).
class TProgressLines {
public:
    TProgressLines(std::FILE* errors, std::string_view program)
        : Errors(errors), Program(program), Terminal(::isatty(::fileno(errors)) != 0),
          Interval(Terminal ? std::chrono::milliseconds(500) : std::chrono::seconds(10)) {}

    void Report(const TBatchRun::TProgress& progress) {
        if (progress.Elapsed - LastAt < Interval)
            return;
        const double seconds = std::chrono::duration<double>(progress.Elapsed - LastAt).count();
        const double rate = (progress.StepsDone - LastDone) / seconds;
        LastAt = progress.Elapsed;
        LastDone = progress.StepsDone;
        std::fprintf(Errors, "%s%s: step %d of %d, %.1f steps/s, %s left%s", Terminal ? "\r" : "",
                     Program.c_str(), progress.StepsDone, progress.Steps, rate,
                     Duration((progress.Steps - progress.StepsDone) / rate).c_str(),
                     Terminal ? "\033[K" : "\n");
        std::fflush(Errors);
        Pending = Terminal;
    }
    // Ends a line left open on a terminal.
    void Finish() {
        if (Pending)
            std::fputs("\n", Errors);
        Pending = false;
    }

private:
    std::FILE* Errors;
    std::string Program;
    bool Terminal;
    TClock::duration Interval;
    TClock::duration LastAt{};
    std::int32_t LastDone = 0;
    bool Pending = false;
};

} // namespace

namespace BatchCommand {

int Run(const TCommandLine& command, std::string_view program, std::FILE* errors) {
    const std::string name(program);
    TBatchRun run;
    if (const TStorageResult opened = run.Open(command.File, command.RecordEvery); !opened.Ok) {
        std::fprintf(errors, "%s: %s\n", name.c_str(), opened.Message.c_str());
        return 1;
    }
    TProgressLines lines(errors, name);
    TStorageResult result = TStorageResult::Success();
    TClock::duration stepping{};
    {
        const TStopSignals signals(run);
        std::fprintf(errors, "%s: %d steps of %s (%d particles) to %s\n", name.c_str(),
                     command.Steps, command.File.c_str(), run.Particles(), command.Output.c_str());
        std::fflush(errors);
        result = run.Run(command.Steps, command.Output, [&](const TBatchRun::TProgress& progress) {
            stepping = progress.Elapsed;
            lines.Report(progress);
        });
    }
    lines.Finish();
    const double seconds = std::chrono::duration<double>(stepping).count();
    if (!result.Ok) {
        std::fprintf(errors, "%s: %s\n", name.c_str(), result.Message.c_str());
        return 1;
    }
    const bool stopped = run.StepsDone() < command.Steps;
    std::fprintf(errors, "%s: %s after %d of %d steps in %s (%.1f steps/s); wrote %s\n",
                 name.c_str(), stopped ? "stopped" : "done", run.StepsDone(), command.Steps,
                 Duration(seconds).c_str(), seconds > 0 ? run.StepsDone() / seconds : 0.0,
                 command.Output.c_str());
    return stopped ? 128 + (StopSignal != 0 ? StopSignal : SIGINT) : 0;
}

} // namespace BatchCommand
