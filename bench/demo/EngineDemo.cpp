// Headless engine demo: builds the default universe and prints its progress every 50 steps.
// Runs until interrupted, or for the number of steps given as the only argument.

#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
void PrintProgress(const TUniverse& u, double stepsPerSecond) {
    double least[3] = {4e38, 4e38, 4e38};
    double greatest[3] = {-4e38, -4e38, -4e38};
    for (std::int32_t i = 0; i <= u.LastIndex; ++i) {
        const double xyz[3] = {u.Particles[i].X, u.Particles[i].Y, u.Particles[i].Z};
        for (int a = 0; a < 3; ++a) {
            least[a] = std::min(least[a], xyz[a]);
            greatest[a] = std::max(greatest[a], xyz[a]);
        }
    }
    std::printf("iteration %7d  optimisation %6.2f%%  %8.1f steps/s  box x [%.1f, %.1f] "
                "y [%.1f, %.1f] z [%.1f, %.1f]\n",
                u.IterationCount, u.Optimisation * 100.0, stepsPerSecond, least[0], greatest[0],
                least[1], greatest[1], least[2], greatest[2]);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    const long steps = argc > 1 ? std::strtol(argv[1], nullptr, 10) : -1;
    TUniverse universe;
    const TUniverseSettings settings;
    if (!SettingsFormulas::BuildUniverse(universe, settings)) {
        std::fprintf(stderr, "There was not enough memory avalable to create the universe.\n");
        return 1;
    }
    std::printf("Astrivo 2 engine demo: %d particles, two clusters, Ctrl+C to stop\n",
                universe.LastIndex + 1);

    using Clock = std::chrono::steady_clock;
    auto since = Clock::now();
    for (long k = 1; steps < 0 || k <= steps; ++k) {
        universe.Step(0, universe.LastIndex);
        if (k % 50 == 0) {
            const auto now = Clock::now();
            const double seconds = std::chrono::duration<double>(now - since).count();
            PrintProgress(universe, seconds > 0 ? 50 / seconds : 0);
            since = now;
        }
    }
    return 0;
}
