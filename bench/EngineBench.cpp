#include "EngineBench.h"
#include "GrowUniverse.h"

#include "universe/SettingsFormulas.h"
#include "universe/UniformRandom.h"
#include "universe/Universe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
    u.SetTiles(false);
    timing.PerParticleSeconds = LeastSeconds(u, start, options.Repetitions, [&] {
        if (full)
            u.RedoCountdown = 1;
        u.Step(0, u.LastIndex);
    });
    u.SetTiles(true);
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

// The clusters have met once this many partial steps in a row compute more than 80 % of
// all pairs; full steps, which compute every pair, say nothing about it.
constexpr double MergedOptimisation = 0.2;
constexpr int MergedPartialSteps = 30;
constexpr int MostStepsToMerge = 6000;
constexpr std::int32_t DefaultNumber = 40; // 1,280 particles
constexpr std::int32_t MiddleNumber = 100; // 28,880 particles

// Steps the default universe until its clusters have met; returns the steps taken.
int BuildMergedDefault(TUniverse& u) {
    Build(u, DefaultNumber);
    int inARow = 0;
    int steps = 0;
    while (inARow < MergedPartialSteps && steps < MostStepsToMerge) {
        const bool full = u.RedoCountdown <= 1;
        u.Step(0, u.LastIndex);
        ++steps;
        if (!full)
            inARow = u.Optimisation < MergedOptimisation ? inARow + 1 : 0;
    }
    return steps;
}

void Grow(const TUniverse& from, TUniverse& to, std::int32_t count) {
    if (!BenchUniverse::Grow(from, to, count, Seed)) {
        std::fprintf(stderr, "astrivo-bench: no memory for %d particles\n", count);
        std::exit(1);
    }
}

// A child process that keeps one core busy until it is stopped.
class TSpinner {
public:
    TSpinner() {
        Child = fork();
        if (Child == 0) {
            volatile unsigned long spins = 0;
            for (;;)
                spins = spins + 1;
        }
        // Let the scheduler place it before anything is timed.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~TSpinner() {
        if (Child > 0) {
            kill(Child, SIGKILL);
            waitpid(Child, nullptr, 0);
        }
    }
    TSpinner(const TSpinner&) = delete;
    TSpinner& operator=(const TSpinner&) = delete;

private:
    pid_t Child = -1;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 == 1 ? values[m] : 0.5 * (values[m - 1] + values[m]);
}

constexpr std::int32_t LargestNumber = 220; // 192,080 particles

// sqrt(sum |d|^2 / sum |v|^2) and the 99th percentile of |d| / |v| over the particles
// where |v| is not 0.
void RelativeErrors(const std::vector<double>& difference, const std::vector<double>& value,
                    double& rms, double& p99) {
    double d2 = 0, v2 = 0;
    std::vector<double> ratios;
    for (std::size_t k = 0; k < value.size(); ++k) {
        d2 += difference[k];
        v2 += value[k];
        if (value[k] > 0)
            ratios.push_back(std::sqrt(difference[k] / value[k]));
    }
    rms = v2 > 0 ? std::sqrt(d2 / v2) : 0;
    if (ratios.empty()) {
        p99 = 0;
        return;
    }
    const std::size_t at = std::min(ratios.size() - 1, ratios.size() * 99 / 100);
    std::nth_element(ratios.begin(), ratios.begin() + static_cast<std::ptrdiff_t>(at),
                     ratios.end());
    p99 = ratios[at];
}

// The tree step and the literal full step from the state u holds; u is left as it was.
TTreeAccuracy CompareTree(TUniverse& u, double angle) {
    TSavedState start;
    start.Save(u);
    const std::int32_t redo = u.RedoFrequency;
    u.SetRedoFrequency(1);
    u.RedoCountdown = 1;
    u.StepLiteral(0, u.LastIndex);
    const std::vector<TParticle> literal(u.Particles, u.Particles + u.LastIndex + 1);
    u.SetRedoFrequency(redo);
    start.Restore(u);
    u.SetGravityMethod(gmTree);
    u.SetOpeningAngle(angle);
    u.Step(0, u.LastIndex);
    u.SetGravityMethod(gmPairs);
    const std::size_t n = literal.size();
    std::vector<double> accel(n), accelError(n), friction(n), frictionError(n), heat(n),
        heatError(n);
    auto square = [](double x, double y, double z) { return x * x + y * y + z * z; };
    for (std::size_t k = 0; k < n; ++k) {
        const TParticle& a = literal[k];
        const TParticle& b = u.Particles[k];
        accel[k] = square(a.AX, a.AY, a.AZ);
        accelError[k] = square(b.AX - a.AX, b.AY - a.AY, b.AZ - a.AZ);
        friction[k] = square(a.FrictionX, a.FrictionY, a.FrictionZ);
        frictionError[k] =
            square(b.FrictionX - a.FrictionX, b.FrictionY - a.FrictionY, b.FrictionZ - a.FrictionZ);
        heat[k] = a.Heat * a.Heat;
        heatError[k] = (b.Heat - a.Heat) * (b.Heat - a.Heat);
    }
    start.Restore(u);
    TTreeAccuracy result;
    RelativeErrors(accelError, accel, result.AccelRms, result.AccelP99);
    RelativeErrors(frictionError, friction, result.FrictionRms, result.FrictionP99);
    RelativeErrors(heatError, heat, result.HeatRms, result.HeatP99);
    return result;
}

// The tree step's time beside the exact fast partial step, from the same state.
TTreeResult TimeTree(TUniverse& u, double angle, int repetitions, bool accuracy) {
    TTreeResult result;
    result.Particles = u.LastIndex + 1;
    TSavedState start;
    start.Save(u);
    u.SetOpeningAngle(angle);
    u.SetGravityMethod(gmTree);
    u.Step(0, u.LastIndex); // the first tree step makes its memory
    result.Optimisation = u.Optimisation;
    start.Restore(u);
    // The exact step reads the share of pairs the step before skipped, which the tree
    // step changes; it gets back the one the exact steps left.
    const float optimisation = u.Optimisation;
    double tree = 0, exact = 0;
    for (int r = 0; r < repetitions; ++r) {
        u.SetGravityMethod(gmTree);
        const double t = LeastSeconds(u, start, 1, [&] { u.Step(0, u.LastIndex); });
        u.SetGravityMethod(gmPairs);
        u.Optimisation = optimisation;
        const double e = LeastSeconds(u, start, 1, [&] { u.Step(0, u.LastIndex); });
        u.Optimisation = optimisation;
        tree = r == 0 || t < tree ? t : tree;
        exact = r == 0 || e < exact ? e : exact;
    }
    result.TreeSeconds = tree;
    result.ExactSeconds = exact;
    if (accuracy) {
        result.Accuracy = CompareTree(u, angle);
        result.Measured = true;
    }
    return result;
}

// The merged default universe, and with grow set the same grown to 28,880 (and 192,080).
void BuildMergedForTree(TUniverse& merged, TUniverse& middle, TUniverse* largest) {
    BuildMergedDefault(merged);
    merged.RedoCountdown = merged.RedoFrequency; // partial steps come next
    Grow(merged, middle, SettingsFormulas::ParticleCount(MiddleNumber));
    middle.RedoCountdown = middle.RedoFrequency;
    // One partial step, so that the exact step knows the clusters have met, as it would
    // in the running program.
    middle.Step(0, middle.LastIndex);
    if (largest != nullptr) {
        Grow(merged, *largest, SettingsFormulas::ParticleCount(LargestNumber));
        largest->RedoCountdown = largest->RedoFrequency;
        largest->Step(0, largest->LastIndex);
    }
}

} // namespace

TTreeBench MeasureTree(bool largest, int repetitions) {
    TTreeBench result;
    TUniverse merged, middle, large;
    BuildMergedForTree(merged, middle, largest ? &large : nullptr);
    const double angle = TUniverse::DefaultOpeningAngle;
    result.Default = TimeTree(merged, angle, 3 * repetitions, true);
    result.Middle = TimeTree(middle, angle, repetitions, true);
    if (largest)
        result.Largest = TimeTree(large, angle, 1, false);
    return result;
}

std::vector<TTreeAngleRow> MeasureTreeAngles(const std::vector<double>& angles, int repetitions) {
    TUniverse merged, middle;
    BuildMergedForTree(merged, middle, nullptr);
    std::vector<TTreeAngleRow> rows;
    for (const double angle : angles) {
        TTreeAngleRow row;
        row.Angle = angle;
        row.Default = TimeTree(merged, angle, 3 * repetitions, true);
        row.Middle = TimeTree(middle, angle, repetitions, true);
        rows.push_back(row);
    }
    return rows;
}

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

TMergedResult MeasureMergedDefault(int repetitions) {
    TMergedResult result;
    TUniverse u;
    result.StepsToMerge = BuildMergedDefault(u);
    result.Particles = u.LastIndex + 1;
    u.RedoCountdown = u.RedoFrequency; // a cycle starts: partial steps first
    TSavedState start;
    start.Save(u);
    const int steps = u.RedoFrequency;
    auto cycle = [&] {
        for (int k = 0; k < steps; ++k)
            u.Step(0, u.LastIndex);
    };
    start.Restore(u);
    u.Step(0, u.LastIndex);
    result.NearFraction = 1.0 - u.Optimisation;
    // The three kinds of step take turns, so that a machine that slows down or speeds up
    // meanwhile moves all three alike; the least time of each.
    auto literalCycle = [&] {
        for (int k = 0; k < steps; ++k)
            u.StepLiteral(0, u.LastIndex);
    };
    double fast = 0, perParticle = 0, literal = 0;
    auto least = [](double& kept, double seconds) {
        kept = kept == 0 || seconds < kept ? seconds : kept;
    };
    for (int r = 0; r < repetitions; ++r) {
        least(fast, LeastSeconds(u, start, 1, cycle));
        u.SetTiles(false);
        least(perParticle, LeastSeconds(u, start, 1, cycle));
        u.SetTiles(true);
        if (r % 3 == 0) // the literal cycle takes ten times as long
            least(literal, LeastSeconds(u, start, 1, literalCycle));
    }
    result.FastStepsPerSecond = steps / fast;
    result.PerParticleStepsPerSecond = steps / perParticle;
    result.LiteralStepsPerSecond = steps / literal;

    // Quiet and busy runs alternate, each over three cycles, so that both see the same
    // machine; medians, as the least time would pick the run the spinner disturbed least.
    std::vector<double> quiet, busy;
    for (int r = 0; r < repetitions; ++r) {
        quiet.push_back(3 * steps / LeastSeconds(u, start, 1, [&] {
                            for (int c = 0; c < 3; ++c)
                                cycle();
                        }));
        TSpinner spinner;
        busy.push_back(3 * steps / LeastSeconds(u, start, 1, [&] {
                           for (int c = 0; c < 3; ++c)
                               cycle();
                       }));
    }
    result.QuietStepsPerSecond = Median(quiet);
    result.BusyStepsPerSecond = Median(busy);
    return result;
}

TMergedResult MeasureMergedMiddle(const TOptions& options) {
    TMergedResult result;
    TUniverse merged;
    result.StepsToMerge = BuildMergedDefault(merged);
    TUniverse u;
    Grow(merged, u, SettingsFormulas::ParticleCount(MiddleNumber));
    result.Particles = u.LastIndex + 1;
    u.RedoCountdown = u.RedoFrequency;
    TSavedState start;
    start.Save(u);
    result.Partial = TimeStep(u, start, false, options);
    result.Full = TimeStep(u, start, true, options);
    result.NearFraction = result.Partial.ComputedPairs / result.Partial.VisitedPairs;
    return result;
}

} // namespace EngineBench
