// Render benchmark: clears a 640 x 480 frame, then projects, sorts and draws the largest
// default universe into it with the first view's settings, and reports the time per frame.
//   astrivo-render-bench [--frames N] [--number N]   (N: the particle-count slider, 0-220)

#include "Childwin/DisplayList.h"
#include "Childwin/FrameRender.h"
#include "Childwin/LineList.h"
#include "Childwin/PixelFrame.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

struct TFrameTimes {
    double Median;
    double Best;
    double Cpu; // processor time per frame, which other work on the machine barely changes
};

// Each frame timed on its own: the median is the figure to quote, the best and the
// processor time show how much of it is noise from other work on the machine.
TFrameTimes TimeFrames(const TUniverseSnapshot& u, TPixelFrame& frame,
                       const TFrameSettings& settings, int frames, int* lineCount) {
    TDisplayList list;
    TLineList lines;
    TDrawnPoints points;
    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(frames));
    const std::clock_t cpuStart = std::clock();
    for (int k = 0; k < frames; ++k) {
        const auto start = std::chrono::steady_clock::now();
        frame.Clear();
        RenderUniverse(&u, &list, frame, settings, lines, points);
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / frames;
    *lineCount = lines.Count();
    std::sort(seconds.begin(), seconds.end());
    return {seconds[seconds.size() / 2], seconds.front(), cpu};
}

void Report(const char* what, const TFrameTimes& t) {
    std::printf("  %-28s %8.2f ms per frame (best %.2f ms, processor %.2f ms)\n", what,
                t.Median * 1e3, t.Best * 1e3, t.Cpu * 1e3);
}

} // namespace

int main(int argc, char** argv) {
    int frames = 20;
    TUniverseSettings universeSettings;
    universeSettings.Number = 220;
    for (int a = 1; a + 1 < argc; ++a) {
        if (std::strcmp(argv[a], "--frames") == 0)
            frames = std::max(1, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--number") == 0)
            universeSettings.Number = std::clamp(std::atoi(argv[++a]), 1, 220);
    }
    // The default universe as the program seeds it; its seeding steps leave heat and the
    // close-pair list as the views find them.
    TUniverse u;
    if (!SettingsFormulas::BuildUniverse(u, universeSettings, 20261208)) {
        std::fprintf(stderr, "astrivo-render-bench: no memory for the universe\n");
        return 1;
    }
    const std::int32_t count = u.LastIndex + 1;
    // What the views draw: the snapshot the engine publishes.
    TUniverseSnapshot snapshot;
    snapshot.CopyFrom(u);

    constexpr std::int32_t width = 640, height = 480;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    TPixelFrame frame;
    frame.Bits = reinterpret_cast<std::uint8_t*>(pixels.data());
    frame.BytesPerLine = width * 4;
    frame.Width = width;
    frame.Height = height;

    // The first view: angles 0, zoom 0.1 x client height, five cluster sizes back.
    TFrameSettings s;
    s.Camera.ZoomX = s.Camera.ZoomY = 0.1 * height;
    s.Camera.Dolly = -5 * u.Space;
    s.CentreX = width / 2;
    s.CentreY = height / 2;
    s.ClientWidth = width;
    s.ClientHeight = height;
    s.ShowLuminance = true;
    s.UseLines = true;
    s.Dots = {12, 130};

    std::printf("Render, %d particles, %dx%d frame, %d frames each\n", count, width, height,
                frames);
    int lines = 0;
    Report("first view's camera:", TimeFrames(snapshot, frame, s, frames, &lines));
    std::printf("  (%d connecting lines listed per frame)\n", lines);
    s.Camera.Elevation = 0.8;
    s.Camera.Azimuth = 2.1;
    Report("turned and tilted:", TimeFrames(snapshot, frame, s, frames, &lines));
    s.Camera.ZoomX = s.Camera.ZoomY = 8 * 0.1 * height;
    Report("zoomed in 8x (bigger dots):", TimeFrames(snapshot, frame, s, frames, &lines));
    return 0;
}
