#include "statistics/RadiusTrial.h"

#include "settings/SettingsUniverse.h"
#include "statistics/FigureState.h"
#include "statistics/Figures.h"
#include "universe/Universe.h"

namespace RadiusTrial {

std::optional<TRadiusTrial> Run(const TSettings& settings, std::int32_t steps, std::uint64_t seed,
                                const TWatch& watch) {
    TUniverse universe;
    SettingsUniverse::ApplyProcessing(settings, universe);
    if (!SettingsFormulas::BuildUniverse(universe, SettingsUniverse::Build(settings), seed))
        return std::nullopt;

    TFigureState state;
    state.CopyFrom(universe);
    TRadiusTrial trial;
    trial.StartRadius = Figures::HalfMassRadius(state);
    // A universe with all its particles in one place has nowhere to spread from.
    const double start = trial.StartRadius > 0 ? trial.StartRadius : 1;
    for (std::int32_t step = 1; step <= steps; ++step) {
        universe.Step(0, universe.LastIndex);
        state.CopyFrom(universe);
        const double ratio = Figures::HalfMassRadius(state) / start;
        trial.Steps = step;
        trial.LastRatio = ratio;
        if (ratio > trial.LargestRatio) {
            trial.LargestRatio = ratio;
            trial.LargestAt = step;
        }
        if (watch && !watch(step, ratio))
            break;
    }
    return trial;
}

} // namespace RadiusTrial
