// Storage benchmark: the size of recorded frames, the time to save and open the largest
// simulation, the cost of recording while stepping and the rate of playback
// (RecordingBench.cpp). Files go to the folder given as the first argument (default /tmp).

#include "StorageBench.h"

#include "Storage/Isolated.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "settings/SettingsTable.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using StorageBench::Build;
using StorageBench::Clock;
using StorageBench::SecondsSince;

// The start settings with the particle slider at number; the processing settings match a
// universe built with the engine's defaults.
TSettings DefaultSettings(std::int32_t number) {
    TSettings settings = SettingsTable::Defaults();
    settings.Number = number;
    return settings;
}

// User and system time of the children that have ended.
double ChildSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::uintmax_t SizeOf(const std::string& path) {
    return std::filesystem::file_size(path);
}

// Bytes a plain frame and a keyframe add to a recording, the frames standing still.
void FrameBytes(std::int32_t number, const std::string& folder) {
    std::unique_ptr<TUniverse> universe = Build(number);
    const std::string path = folder + "/bench-frames.astrivo";
    std::unique_ptr<TRecording> recording;
    TRecorderOptions options;
    options.KeyframeInterval = 3;
    if (!TRecording::Create(path, universe->LastIndex + 1, options, recording).Ok)
        return;
    // As HDF5 laid the file out: the file itself also holds the room taken for frames to come.
    std::vector<std::uintmax_t> sizes{recording->FileSize()};
    for (int f = 0; f < 4; ++f) {
        universe->SetIterationCount(universe->IterationCount + 1);
        recording->StepTaken(*universe);
        sizes.push_back(recording->FileSize());
    }
    // Frame 0 and 3 are keyframes; 1 and 2 are plain.
    const double plain = static_cast<double>(sizes[3] - sizes[1]) / 2;
    const double key = static_cast<double>(sizes[4] - sizes[3]);
    std::printf("%9d particles: plain frame %10.0f bytes, keyframe %11.0f bytes, "
                "%10.0f bytes a frame with a keyframe every 100\n",
                universe->LastIndex + 1, plain, key, plain + (key - plain) / 100);
    recording.reset();
    std::filesystem::remove(path);
}

// Kept, the file is opened again by the next run without building the universe anew: for
// repeated timings and profiles of the open alone.
void OpenLargest(const std::string& folder, bool keep) {
    const std::string path = folder + "/bench-largest.astrivo";
    std::error_code missing;
    if (!keep || !std::filesystem::exists(path, missing)) {
        std::unique_ptr<TUniverse> universe = Build(220);
        const auto saveStart = Clock::now();
        const TStorageResult saved =
            SimulationFile::Save(path, *universe, DefaultSettings(220), TViewsRecord{});
        const double save = SecondsSince(saveStart);
        if (!saved.Ok) {
            std::printf("save failed: %s\n", saved.Message.c_str());
            return;
        }
        std::printf("192,080 particles: file %.1f MB, save %.3f s\n",
                    static_cast<double>(SizeOf(path)) / 1e6, save);
    }
    // The window's open (no step memory: it copies the state into the engine's universe)
    // and a batch run's, which steps the universe it opened. The child that reads the file
    // is timed by the processor time it used, which the load of other processes does not
    // swell.
    for (const bool steppable : {false, true}) {
        double best = 1e9;
        double child = 1e9;
        for (int run = 0; run < 5; ++run) {
            TSimulationContents contents;
            const double childBefore = ChildSeconds();
            const auto start = Clock::now();
            SimulationFile::Load(path, contents, steppable);
            best = std::min(best, SecondsSince(start));
            child = std::min(child, ChildSeconds() - childBefore);
        }
        std::printf("192,080 particles: open %s %.3f s, the child's processor time %.3f s "
                    "(best of 5)\n",
                    steppable ? "to step" : "as the window does", best, child);
    }
    // A child that does nothing: what starting one costs a process that holds the universe.
    double empty = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        Isolated::Run([] { return TStorageResult::Success(); }, 0);
        empty = std::min(empty, SecondsSince(start));
    }
    std::printf("a child that does nothing: %.3f s\n", empty);
    if (!keep)
        std::filesystem::remove(path);
}

// A 192,080-particle file with a short recording, opened as the window opens it: one child
// reads the state and copies the recording out, against the state and the recording read
// by a child each, timed turn about.
void OpenWithRecording(const std::string& folder) {
    const std::string path = folder + "/bench-recorded.astrivo";
    const std::string scratch = folder + "/bench-recorded-copy.astrivo";
    std::unique_ptr<TUniverse> universe = Build(220);
    {
        const std::string recordingPath = folder + "/bench-recording.astrivo";
        std::unique_ptr<TRecording> recording;
        TRecorderOptions options;
        options.KeyframeInterval = 4;
        if (!TRecording::Create(recordingPath, universe->LastIndex + 1, options, recording).Ok)
            return;
        for (int f = 0; f < 4; ++f) {
            universe->SetIterationCount(universe->IterationCount + 1);
            recording->StepTaken(*universe);
        }
        const TStorageResult saved = SimulationFile::Save(path, *universe, DefaultSettings(220),
                                                          TViewsRecord{}, recording.get());
        recording->SetTemporary(true);
        if (!saved.Ok) {
            std::printf("save failed: %s\n", saved.Message.c_str());
            return;
        }
    }
    double one = 1e9, two = 1e9, oneChild = 1e9, twoChildren = 1e9;
    for (int run = 0; run < 5; ++run) {
        for (const bool single : {true, false}) {
            TSimulationContents contents;
            std::unique_ptr<TRecording> recording;
            const double childBefore = ChildSeconds();
            const auto start = Clock::now();
            if (single)
                SimulationFile::Load(path, contents, false, scratch, recording);
            else if (SimulationFile::Load(path, contents, false).Ok)
                TRecording::Extract(path, scratch, recording);
            const double wall = SecondsSince(start);
            const double child = ChildSeconds() - childBefore;
            (single ? one : two) = std::min(single ? one : two, wall);
            (single ? oneChild : twoChildren) = std::min(single ? oneChild : twoChildren, child);
            recording.reset();
            std::filesystem::remove(scratch);
        }
    }
    std::printf("192,080 particles with 4 recorded frames (file %.1f MB): open as the window does "
                "%.3f s, the child's processor time %.3f s; with a child each for the state and "
                "the recording %.3f s, %.3f s (best of 5, turn about)\n",
                static_cast<double>(SizeOf(path)) / 1e6, one, oneChild, two, twoChildren);
    std::filesystem::remove(path);
}

} // namespace

std::unique_ptr<TUniverse> StorageBench::Build(std::int32_t number, std::uint64_t seed) {
    auto universe = std::make_unique<TUniverse>();
    TUniverseSettings settings;
    settings.Number = number;
    SettingsFormulas::BuildUniverse(*universe, settings, seed);
    return universe;
}

// astrivo-storage-bench [FOLDER] [--rounds N] [--only sizes|open|recording] [--keep]
int main(int argc, char** argv) {
    std::string folder = "/tmp";
    std::string only;
    int rounds = 12;
    bool keep = false;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--rounds") == 0 && a + 1 < argc)
            rounds = std::max(2, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--only") == 0 && a + 1 < argc)
            only = argv[++a];
        else if (std::strcmp(argv[a], "--keep") == 0)
            keep = true;
        else
            folder = argv[a];
    }
    std::printf("Astrivo 2 storage benchmark (files in %s)\n", folder.c_str());
    if (only.empty() || only == "sizes") {
        FrameBytes(40, folder);
        FrameBytes(220, folder);
    }
    if (only.empty() || only == "open") {
        OpenLargest(folder, keep);
        OpenWithRecording(folder);
    }
    if (only.empty() || only == "recording")
        StorageBench::Recording(folder, rounds);
    return 0;
}
