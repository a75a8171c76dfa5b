// Video export benchmark: the default universe (1,280 particles) and 28,880 particles,
// recorded for a few seconds and exported at 1280x720, 30 frames/s, through a first view's
// settings (and, for 1,280, with connecting lines and the grid on too), as the program's
// drawer paints them. Prints export frames/s (drawing and encoding together, and drawing
// alone), the process's processor time for the export, and the video's size per minute. --keep FILE
// saves the first universe with its recording, for the command line.
//
//   astrivo-video-bench [--frames N] [--large-frames N] [--keep FILE] [--only-default]

#include "Main/VideoPicture.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsUniverse.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"
#include "video/VideoExport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Measure(std::int32_t number, std::int32_t frames, std::int32_t stepsPerFrame, bool decorated,
             const std::string& keep) {
    TSettings settings = SettingsTable::Defaults();
    settings.Number = number;
    TUniverse universe;
    if (!SettingsFormulas::BuildUniverse(universe, SettingsUniverse::Build(settings), 20261209)) {
        std::printf("%d: the universe cannot be built\n", number);
        return;
    }
    const std::string take =
        (std::filesystem::temp_directory_path() / "astrivo-video-bench.h5").string();
    std::unique_ptr<TRecording> recording;
    if (!TRecording::Create(take, universe.LastIndex + 1, TRecorderOptions{}, recording).Ok ||
        !recording->Begin(universe).Ok)
        return;
    const auto stepping = Clock::now();
    for (std::int32_t frame = 1; frame < frames; ++frame) {
        for (std::int32_t step = 0; step < stepsPerFrame; ++step)
            universe.Step(0, universe.LastIndex);
        recording->Append(universe);
    }
    const double stepped = SecondsSince(stepping);

    TVideoJob job;
    job.First = 0;
    job.Last = frames - 1;
    job.View = DefaultViewSettings(720, universe.Space);
    job.View.UseLines = decorated;
    job.View.ShowGrid = decorated;
    job.ViewHeight = 720;
    job.Format = {1280, 720, 30, 20};
    const TFrameReader read = [&recording](std::int32_t index, TUniverseSnapshot& frame) {
        return recording->ReadFrame(index, frame);
    };

    // Reading and drawing alone, to tell the encoder's share.
    TViewPictureDrawer drawer;
    std::vector<std::uint32_t> pixels(1280 * 720);
    TPixelFrame picture;
    picture.Bits = reinterpret_cast<std::uint8_t*>(pixels.data());
    picture.BytesPerLine = 1280 * 4;
    picture.Width = 1280;
    picture.Height = 720;
    TUniverseSnapshot snapshot;
    const std::clock_t drawCpuStart = std::clock();
    const auto drawing = Clock::now();
    for (std::int32_t index = 0; index < frames; ++index) {
        read(index, snapshot);
        drawer.Draw(picture, snapshot,
                    VideoExport::FrameSettings(job.View, 720, 1280, 720, snapshot.Space));
    }
    const double drawn = SecondsSince(drawing);
    const double drawCpu = static_cast<double>(std::clock() - drawCpuStart) / CLOCKS_PER_SEC;

    const std::string video =
        (std::filesystem::temp_directory_path() / "astrivo-video-bench.mp4").string();
    // Processor time, all threads together: on a machine shared with other work the wall
    // time says more about the others than about the export.
    const std::clock_t cpuStart = std::clock();
    const auto exporting = Clock::now();
    const TVideoResult result = VideoExport::Write(video, job, read, drawer);
    const double exported = SecondsSince(exporting);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (result.End != TVideoEnd::Written) {
        std::printf("export failed: %s\n", result.Message.c_str());
        return;
    }
    const double bytes = static_cast<double>(std::filesystem::file_size(video));
    const double minutes = frames / 30.0 / 60.0;
    std::printf(
        "%6d particles, %s, %4d frames (%d steps each, %.1f steps/s): export %6.1f frames/s "
        "(%.1f processor ms a frame), drawing alone %6.1f frames/s (%.1f processor ms a frame); "
        "video %.2f MB, %.2f MB per minute\n",
        universe.LastIndex + 1, decorated ? "lines and grid" : "the first view's settings", frames,
        stepsPerFrame, (frames - 1) * stepsPerFrame / stepped, frames / exported,
        1000 * cpu / frames, frames / drawn, 1000 * drawCpu / frames, bytes / 1e6,
        bytes / 1e6 / minutes);
    std::filesystem::remove(video);

    if (!keep.empty()) {
        TViewsRecord views;
        views.Views.push_back({"View 1", job.View, 0, 0, 1280, 720});
        views.ActiveView = 0;
        const TStorageResult saved =
            SimulationFile::Save(keep, universe, settings, views, recording.get());
        std::printf("kept in %s: %s\n", keep.c_str(), saved.Ok ? "saved" : saved.Message.c_str());
    }
    recording.reset();
    std::filesystem::remove(take);
}

} // namespace

int main(int argc, char** argv) {
    std::int32_t frames = 300;
    std::int32_t largeFrames = 60;
    std::string keep;
    bool onlyDefault = false;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--frames") == 0 && a + 1 < argc)
            frames = std::max(2, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--large-frames") == 0 && a + 1 < argc)
            largeFrames = std::max(2, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--keep") == 0 && a + 1 < argc)
            keep = argv[++a];
        else if (std::strcmp(argv[a], "--only-default") == 0)
            onlyDefault = true;
    }
    std::printf("Astrivo 2 video export benchmark: 1280x720, 30 frames/s, H.264 CRF 20\n");
    Measure(40, frames, 2, false, {});
    Measure(40, frames, 2, true, keep);
    if (!onlyDefault)
        Measure(100, largeFrames, 1, false, {});
    return 0;
}
