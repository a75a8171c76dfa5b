// Render benchmark: clears a 640 x 480 frame, then projects, sorts and draws the largest
// default universe into it with the first view's settings, and reports the time per frame.
//   astrivo-render-bench [--frames N] [--particles N]

#include "Childwin/DisplayList.h"
#include "Childwin/FrameRender.h"
#include "Childwin/LineList.h"
#include "Childwin/PixelFrame.h"
#include "universe/SettingsFormulas.h"
#include "universe/UniformRandom.h"
#include "universe/Universe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// One cluster of particles First..Last placed as seeding places them (even in the ball,
// pulled in by the distribution exponent, flattened by the roundness), without the
// seeding step's pull and spin: a full seeding of this many particles takes minutes with
// the literal step, and the orbital velocities do not change where the dots fall.
void PlaceCluster(TUniverse& u, TUniformRandom& random, std::int32_t first, std::int32_t last,
                  double shift) {
    for (std::int32_t i = first; i <= last; ++i) {
        double x, y, z, r;
        do {
            x = 2 * random.RandomReal() - 1;
            y = 2 * random.RandomReal() - 1;
            z = 2 * random.RandomReal() - 1;
            r = std::sqrt(x * x + y * y + z * z);
        } while (!(r > 0 && r < 1));
        const double s = std::pow(r, u.Distribution) * 0.1 * u.Space;
        TParticle& p = u.Particles[i];
        p = TParticle{};
        p.X = x / r * s + shift;
        p.Z = z / r * s + shift;
        p.Y = y / r * (std::cos(std::pow(3 * s / u.Space, 4)) * (1 - u.Globular) + s * u.Globular) +
              shift;
        p.Heat = 0.2 + 0.3 * random.RandomReal();
    }
}

// The default settings' parameters, two clusters of half the particles each about their
// typical offset, and a full close-pair list of neighbours.
void BuildDefaultUniverse(TUniverse& u, std::int32_t count) {
    const TUniverseSettings settings;
    u.Allocate(count);
    u.Distribution = SettingsFormulas::Distribution(settings.Distribution);
    u.Space = SettingsFormulas::Space(settings.Space);
    u.Globular = SettingsFormulas::Globular(settings.Globular);
    u.UseThermodynamics = settings.UseThermodynamics;
    TUniformRandom random(20261208);
    const double offset = 0.5 * u.Space * SettingsFormulas::Separation(settings.Separation) * 0.01;
    const std::int32_t split = count / 2;
    PlaceCluster(u, random, 0, split, offset);
    PlaceCluster(u, random, split, count - 1, -offset);
    u.SetIterationCount(2);
    u.PairLast = std::min(TUniverse::MaxPairs, count - 1) - 1;
    for (std::int32_t k = 0; k <= u.PairLast; ++k)
        u.Pairs[static_cast<std::size_t>(k)] = {k + 1, k, 0.1};
}

struct TFrameTimes {
    double Median;
    double Best;
    double Cpu; // processor time per frame, which other work on the machine barely changes
};

// Each frame timed on its own: the median is the figure to quote, the best and the
// processor time show how much of it is noise from other work on the machine.
TFrameTimes TimeFrames(TUniverse& u, TPixelFrame& frame, const TFrameSettings& settings, int frames,
                       int* lineCount) {
    TDisplayList list;
    TLineList lines;
    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(frames));
    const std::clock_t cpuStart = std::clock();
    for (int k = 0; k < frames; ++k) {
        const auto start = std::chrono::steady_clock::now();
        frame.Clear();
        RenderUniverse(&u, &list, frame, settings, lines);
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
    std::int32_t count = SettingsFormulas::ParticleCount(220);
    for (int a = 1; a + 1 < argc; ++a) {
        if (std::strcmp(argv[a], "--frames") == 0)
            frames = std::max(1, std::atoi(argv[++a]));
        else if (std::strcmp(argv[a], "--particles") == 0)
            count = std::max(1, std::atoi(argv[++a]));
    }
    TUniverse u;
    BuildDefaultUniverse(u, count);

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
    Report("first view's camera:", TimeFrames(u, frame, s, frames, &lines));
    std::printf("  (%d connecting lines listed per frame)\n", lines);
    s.Camera.Elevation = 0.8;
    s.Camera.Azimuth = 2.1;
    Report("turned and tilted:", TimeFrames(u, frame, s, frames, &lines));
    s.Camera.ZoomX = s.Camera.ZoomY = 8 * 0.1 * height;
    Report("zoomed in 8x (bigger dots):", TimeFrames(u, frame, s, frames, &lines));
    return 0;
}
