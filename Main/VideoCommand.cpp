#include "Main/VideoCommand.h"

#include "Main/VideoPicture.h"
#include "Storage/AtomicFile.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>

namespace {

// Set by Ctrl+C or a termination request; the export stops after the frame in hand and
// removes its unfinished file, which a plain kill would leave behind.
std::atomic<bool> Stopped{false};

extern "C" void StopExport(int) {
    Stopped.store(true);
}

class TStopOnSignals {
public:
    TStopOnSignals() {
        Stopped.store(false);
        struct sigaction action = {};
        action.sa_handler = StopExport;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FInterrupt);
        sigaction(SIGTERM, &action, &FTerminate);
    }
    ~TStopOnSignals() {
        sigaction(SIGINT, &FInterrupt, nullptr);
        sigaction(SIGTERM, &FTerminate, nullptr);
    }
    TStopOnSignals(const TStopOnSignals&) = delete;
    TStopOnSignals& operator=(const TStopOnSignals&) = delete;

private:
    struct sigaction FInterrupt = {};
    struct sigaction FTerminate = {};
};

// The recording is read from a copy in a scratch file, which the child that reads the file
// makes: opening a recording opens it for appending too, and the user's file is not ours to
// write. The copy goes with the recording.
TStorageResult Load(const std::string& path, TSimulationContents& contents,
                    std::unique_ptr<TRecording>& recording) {
    std::string scratch;
    if (TStorageResult made = AtomicFile::Scratch("astrivo-video", scratch); !made.Ok)
        return made;
    const TStorageResult loaded = SimulationFile::Load(path, contents, false, scratch, recording);
    std::error_code ignored;
    if (recording)
        recording->SetTemporary(true);
    else
        std::filesystem::remove(scratch, ignored);
    return loaded;
}

} // namespace

namespace VideoCommand {

int Run(const TVideoArguments& arguments, std::string_view program, std::ostream& errors) {
    const auto fail = [&](const std::string& message) {
        errors << program << ": " << message << '\n';
        return 1;
    };
    TSimulationContents contents;
    std::unique_ptr<TRecording> recording;
    if (TStorageResult loaded = Load(arguments.Input, contents, recording); !loaded.Ok)
        return fail(loaded.Message);
    if (!recording)
        return fail(arguments.Input + " holds no recording: there are no frames to export");

    TVideoJob job;
    const std::vector<TViewRecord>& views = contents.Views.Views;
    const std::int32_t viewCount = static_cast<std::int32_t>(views.size());
    const std::int32_t view =
        arguments.View > 0 ? arguments.View - 1 : std::max(contents.Views.ActiveView, 0);
    std::int32_t width = arguments.Width;
    std::int32_t height = arguments.Height;
    if (view < viewCount) {
        const TViewRecord& record = views[static_cast<std::size_t>(view)];
        job.View = record.Settings;
        job.ViewHeight = record.Height;
        if (width == 0 && record.Width > 0 && record.Height > 0) {
            width = record.Width;
            height = record.Height;
        }
    } else if (arguments.View > 0) {
        return fail(arguments.Input + " has " + std::to_string(viewCount) +
                    " views: there is no view " + std::to_string(arguments.View));
    }
    if (width == 0) {
        width = 1280;
        height = 720;
    }
    if (view >= viewCount) // a file without views shows the universe as a first view would
        job.View = DefaultViewSettings(height, contents.Universe->Space);
    contents.Universe.reset();

    const std::int32_t count = recording->FrameCount();
    const std::int32_t first = arguments.First > 0 ? arguments.First : 1;
    const std::int32_t last = arguments.Last > 0 ? arguments.Last : count;
    if (count == 0 || first > count || last > count || first > last)
        return fail("the recording has " + std::to_string(count) + " frames: " +
                    std::to_string(first) + " to " + std::to_string(last) + " cannot be exported");
    job.First = first - 1;
    job.Last = last - 1;
    job.Format.Width = width;
    job.Format.Height = height;
    job.Format.FramesPerSecond = arguments.FramesPerSecond > 0 ? arguments.FramesPerSecond
                                                               : recording->Options().PlaybackRate;

    TViewPictureDrawer drawer;
    const TFrameReader read = [&recording](std::int32_t index, TUniverseSnapshot& frame) {
        return recording->ReadFrame(index, frame);
    };
    const auto start = std::chrono::steady_clock::now();
    std::int32_t nextTenth = 1;
    const TVideoProgress progress = [&](std::int32_t done, std::int32_t total) {
        if (done * 10 >= nextTenth * total) {
            nextTenth = done * 10 / total + 1;
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            errors << program << ": frame " << done << " of " << total << " (" << done * 100 / total
                   << "%), " << static_cast<std::int64_t>(done / std::max(seconds, 1e-3))
                   << " frames/s\n";
        }
        return !Stopped.load();
    };
    const TStopOnSignals stopOnSignals;
    const TVideoResult result = VideoExport::Write(arguments.Output, job, read, drawer, progress);
    switch (result.End) {
    case TVideoEnd::Written:
        errors << program << ": wrote " << arguments.Output << "\n";
        return 0;
    case TVideoEnd::Cancelled:
        return fail("stopped: " + arguments.Output + " was not written");
    default:
        return fail(result.Message);
    }
}

} // namespace VideoCommand
