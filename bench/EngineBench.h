#pragma once

#include <cstdint>
#include <vector>

// Timings of the fast step against the literal reference step on one seeded default
// universe, both run in this process on the same starting state.
namespace EngineBench {

// Every time is the least of its repetitions: on a shared machine that is the one least
// disturbed by other work, for the fast and the literal step alike.
struct TStepTiming {
    double FastSeconds = 0;
    // The fast step with tiles off: every pair from both sides, one particle per lane.
    double PerParticleSeconds = 0;
    double LiteralSeconds = 0; // a literal step, or its estimate from sampled rows
    bool LiteralEstimated = false;
    double ComputedPairs = 0; // pairs computed by the step
    double VisitedPairs = 0;  // pairs the literal step visits
    double Speedup() const { return FastSeconds > 0 ? LiteralSeconds / FastSeconds : 0; }
};

struct TSizeResult {
    std::int32_t Particles = 0;
    double BuildSeconds = 0; // allocation and seeding, which runs two full steps
    TStepTiming Partial;
    TStepTiming Full;
};

struct TCycleResult {
    std::int32_t Particles = 0;
    std::int32_t RedoFrequency = 0;
    double FastStepsPerSecond = 0;
    double LiteralStepsPerSecond = 0;
};

struct TOptions {
    int Repetitions = 5;        // fast steps timed per figure
    int LiteralRepetitions = 2; // literal steps timed per figure
    std::int32_t RowStride = 1; // literal rows sampled: every RowStride-th row
};

/// The number slider position that gives the particle count; 40 is the default universe.
TSizeResult MeasureSize(std::int32_t number, const TOptions& options);

/// Steps per second over the first redo cycle after seeding (RedoFrequency - 1 partial
/// steps and one full step), the best of `repetitions`.
TCycleResult MeasureCycles(std::int32_t number, int repetitions);

/// Full-step time with one thread over the time with `threads` threads, same universe.
double ThreadScaling(std::int32_t number, int threads, int repetitions);

/// The figures of a universe whose clusters have met, where most pairs are near.
struct TMergedResult {
    std::int32_t Particles = 0;
    std::int32_t StepsToMerge = 0; // steps taken from seeding (for 1,280 particles)
    double NearFraction = 0;       // 1 - Optimisation of a partial step
    TStepTiming Partial;
    TStepTiming Full;
    double FastStepsPerSecond = 0;        // over one redo cycle
    double PerParticleStepsPerSecond = 0; // tiles off
    double LiteralStepsPerSecond = 0;
    // The same fast cycle while a child process keeps one core busy, and the quiet figure
    // measured right beside it.
    double BusyStepsPerSecond = 0;
    double QuietStepsPerSecond = 0;
};

/// The default 1,280-particle universe stepped until its clusters have met; steps per
/// second over a redo cycle, fast and literal, and fast beside a spinning process.
TMergedResult MeasureMergedDefault(int repetitions);

/// The merged 1,280-particle universe grown to 28,880 particles (each particle becomes a
/// small cloud); partial and full step times, fast and literal.
TMergedResult MeasureMergedMiddle(const TOptions& options);

/// The tree step against the literal full step (RedoFrequency 1) from the same state: the
/// relative rms error, sqrt(sum |d|^2 / sum |v|^2), and the 99th percentile of |d| / |v|
/// per particle, for accelerations, friction changes and heat.
struct TTreeAccuracy {
    double AccelRms = 0, AccelP99 = 0;
    double FrictionRms = 0, FrictionP99 = 0;
    double HeatRms = 0, HeatP99 = 0;
};

struct TTreeResult {
    std::int32_t Particles = 0;
    double TreeSeconds = 0;
    double ExactSeconds = 0; // the exact fast step, a partial one as the redo cycle mostly takes
    double Speedup() const { return TreeSeconds > 0 ? ExactSeconds / TreeSeconds : 0; }
    double Optimisation = 0; // share of pairs the tree approximated
    bool Measured = false;   // accuracy measured
    TTreeAccuracy Accuracy;
};

/// One row of the opening angle table.
struct TTreeAngleRow {
    double Angle = 0;
    TTreeResult Default; // merged 1,280
    TTreeResult Middle;  // merged 28,880
};

/// The tree step on the merged universes: 1,280 and 28,880 with their accuracy, and
/// 192,080 without it (the literal step would take an hour) when largest is set.
struct TTreeBench {
    TTreeResult Default, Middle, Largest;
};
TTreeBench MeasureTree(bool largest, int repetitions);

/// Error and time of the tree against the opening angle on the merged 1,280 and 28,880.
std::vector<TTreeAngleRow> MeasureTreeAngles(const std::vector<double>& angles, int repetitions);

} // namespace EngineBench
