#include "EngineBench.h"

#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace EngineBench {

namespace {

constexpr std::uint64_t Seed = 20261208;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The state a step reads and writes, so that every timed step starts from the same one.
struct TSavedState {
    std::vector<TParticle> Particles;
    std::int32_t RedoCountdown = 0;
    std::int32_t IterationCount = 0;

    void Save(const TUniverse& u) {
        Particles.assign(u.Particles, u.Particles + u.LastIndex + 1);
        RedoCountdown = u.RedoCountdown;
        IterationCount = u.IterationCount;
    }
    void Restore(TUniverse& u) const {
        std::copy(Particles.begin(), Particles.end(), u.Particles);
        u.RedoCountdown = RedoCountdown;
        u.IterationCount = IterationCount;
    }
};

// The least time of `repetitions` runs of `run`, each from the saved state.
template <class TRun>
double LeastSeconds(TUniverse& u, const TSavedState& start, int repetitions, TRun&& run) {
    double least = 0;
    for (int r = 0; r < repetitions; ++r) {
        start.Restore(u);
        const auto begin = Clock::now();
        run();
        const double seconds = SecondsSince(begin);
        least = r == 0 || seconds < least ? seconds : least;
    }
    start.Restore(u);
    return least;
}

void Build(TUniverse& u, std::int32_t number) {
    TUniverseSettings settings;
    settings.Number = number;
    if (!SettingsFormulas::BuildUniverse(u, settings, Seed)) {
        std::fprintf(stderr, "astrivo-bench: no memory for %d particles\n",
                     SettingsFormulas::ParticleCount(number));
        std::exit(1);
    }
}

// Times one kind of step from the saved state: countdown 1 makes it full, the countdown
// that seeding leaves makes it partial.
TStepTiming TimeStep(TUniverse& u, const TSavedState& start, bool full, const TOptions& options) {
    TStepTiming timing;
    const double n = u.LastIndex;
    timing.VisitedPairs = n * (n + 1) / 2;
    timing.FastSeconds = LeastSeconds(u, start, options.Repetitions, [&] {
        if (full)
            u.RedoCountdown = 1;
        u.Step(0, u.LastIndex);
        timing.ComputedPairs = (1.0 - u.Optimisation) * timing.VisitedPairs;
    });
    const double literal = LeastSeconds(u, start, options.LiteralRepetitions, [&] {
        if (full)
            u.RedoCountdown = 1;
        u.StepLiteral(0, u.LastIndex, options.RowStride);
    });
    if (options.RowStride <= 1) {
        timing.LiteralSeconds = literal;
    } else {
        // Scale by the pairs visited: row i visits LastIndex - i pairs.
        double visited = 0;
        for (std::int64_t i = 0; i < u.LastIndex; i += options.RowStride)
            visited += static_cast<double>(u.LastIndex - i);
        timing.LiteralSeconds = literal * timing.VisitedPairs / visited;
        timing.LiteralEstimated = true;
    }
    return timing;
}

} // namespace

TSizeResult MeasureSize(std::int32_t number, const TOptions& options) {
    TSizeResult result;
    TUniverse u;
    const auto begin = Clock::now();
    Build(u, number);
    result.BuildSeconds = SecondsSince(begin);
    result.Particles = u.LastIndex + 1;
    TSavedState start;
    start.Save(u);
    result.Partial = TimeStep(u, start, false, options);
    result.Full = TimeStep(u, start, true, options);
    return result;
}

TCycleResult MeasureCycles(std::int32_t number, int repetitions) {
    TCycleResult result;
    TUniverse u;
    Build(u, number);
    result.Particles = u.LastIndex + 1;
    result.RedoFrequency = u.RedoFrequency;
    TSavedState start;
    start.Save(u);
    const int steps = u.RedoFrequency;
    const double fast = LeastSeconds(u, start, repetitions, [&] {
        for (int k = 0; k < steps; ++k)
            u.Step(0, u.LastIndex);
    });
    const double literal = LeastSeconds(u, start, 2, [&] {
        for (int k = 0; k < steps; ++k)
            u.StepLiteral(0, u.LastIndex);
    });
    result.FastStepsPerSecond = steps / fast;
    result.LiteralStepsPerSecond = steps / literal;
    return result;
}

double ThreadScaling(std::int32_t number, int threads, int repetitions) {
    TUniverse u;
    Build(u, number);
    TSavedState start;
    start.Save(u);
    auto fullStep = [&](int threadCount) {
        u.SetStepThreads(threadCount);
        return LeastSeconds(u, start, repetitions, [&] {
            u.RedoCountdown = 1;
            u.Step(0, u.LastIndex);
        });
    };
    const double one = fullStep(1);
    const double many = fullStep(threads);
    return many > 0 ? one / many : 0;
}

} // namespace EngineBench
