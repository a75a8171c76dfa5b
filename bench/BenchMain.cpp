// Engine benchmark: times the step on seeded default universes of several sizes.

#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double SecondsPerStep(TUniverse& u, int steps) {
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < steps; ++k)
        u.Step(0, u.LastIndex);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / steps;
}

void Report(std::int32_t number, int partialSteps) {
    TUniverseSettings settings;
    settings.Number = number;
    TUniverse u;
    SettingsFormulas::BuildUniverse(u, settings, 20261208);
    // After seeding the countdown is RedoFrequency, so the next steps are partial ones
    // until the countdown runs out.
    const double partial = SecondsPerStep(u, partialSteps);
    const double optimisation = u.Optimisation * 100.0;
    u.RedoCountdown = 1;
    const double full = SecondsPerStep(u, 1);
    std::printf("%7d particles: partial step %10.6f s (optimisation %5.1f%%), full step %10.6f s\n",
                u.LastIndex + 1, partial, optimisation, full);
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    for (int a = 1; a < argc; ++a)
        quick = quick || std::strcmp(argv[a], "--quick") == 0;
    std::printf("Literal step, default settings, thermodynamics on\n");
    Report(40, 10);
    if (!quick)
        Report(100, 1);
    return 0;
}
