// Runs the presets of the New from Preset menu as the window would build them and reports
// how their half-mass radius moves against its bound: the tool the presets were tuned with.
//   astrivo-preset-check [--steps N] [--every K] [--seed S] [--set Property=value ...] [name ...]
// Without names every preset runs; N defaults to each preset's own RadiusSteps. --set changes
// a setting (by its property name, as files keep it) of every preset run, for trying values.

#include "settings/SettingsPresets.h"
#include "settings/SettingsTable.h"
#include "statistics/RadiusTrial.h"
#include "universe/SettingsFormulas.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

int main(int argc, char** argv) {
    std::int32_t steps = 0;
    std::int32_t every = 100;
    std::uint64_t seed = 1;
    std::vector<std::string_view> names;
    std::vector<std::pair<const TSettingRow*, std::int32_t>> changes;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--steps" && i + 1 < argc)
            steps = static_cast<std::int32_t>(std::strtol(argv[++i], nullptr, 10));
        else if (arg == "--every" && i + 1 < argc)
            every = static_cast<std::int32_t>(std::strtol(argv[++i], nullptr, 10));
        else if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--set" && i + 1 < argc) {
            const std::string_view change = argv[++i];
            const auto equals = change.find('=');
            const TSettingRow* row = SettingsTable::Find(change.substr(0, equals));
            if (equals == std::string_view::npos || !row) {
                std::fprintf(stderr, "no such setting: %s\n", argv[i]);
                return 2;
            }
            changes.emplace_back(row, std::atoi(argv[i] + equals + 1));
        } else
            names.push_back(arg);
    }

    using Clock = std::chrono::steady_clock;
    int failures = 0;
    for (const TPreset& preset : SettingsPresets::All()) {
        if (!names.empty() && std::find(names.begin(), names.end(), preset.Name) == names.end())
            continue;
        TSettings settings = preset.Settings;
        for (const auto& [row, value] : changes)
            SettingsTable::SetValue(settings, *row, value);
        const std::int32_t count = SettingsFormulas::ParticleCount(settings.Number);
        const std::int32_t run = steps > 0 ? steps : preset.RadiusSteps;
        std::printf("%s: %d particles, %d steps, bound %.1fx%s\n", std::string(preset.Name).c_str(),
                    count, run, preset.RadiusBound, preset.Sprays ? " (meant to spray)" : "");
        std::fflush(stdout);
        const auto began = Clock::now();
        auto since = began;
        const auto trial =
            RadiusTrial::Run(settings, run, seed, [&](std::int32_t step, double ratio) {
                if (step % every == 0 || step == 1) {
                    const auto now = Clock::now();
                    std::printf("  step %5d  radius x%7.3f  %8.3f s/step\n", step, ratio,
                                std::chrono::duration<double>(now - since).count() /
                                    (step == 1 ? 1 : every));
                    std::fflush(stdout);
                    since = now;
                }
                return true;
            });
        if (!trial) {
            std::printf("  could not be built\n");
            ++failures;
            continue;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
        const bool kept = trial->LargestRatio <= preset.RadiusBound;
        failures += kept ? 0 : 1;
        std::printf("  start radius %.3f, largest x%.3f at step %d, last x%.3f, %.1f s: %s\n",
                    trial->StartRadius, trial->LargestRatio, trial->LargestAt, trial->LastRatio,
                    seconds, kept ? "within its bound" : "BEYOND ITS BOUND");
    }
    return failures == 0 ? 0 : 1;
}
