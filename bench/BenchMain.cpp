// Engine benchmark: the fast step against the literal reference step on seeded default
// universes (thermodynamics on), both in this process, so that the ratios hold on a busy
// machine. --json prints the figures as one JSON object; --quick skips 192,080 particles.
// Besides the universe right after seeding it times one whose clusters have met, where
// most pairs are near and users spend most of their time.

#include "EngineBench.h"

#include "universe/PairKernels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t DefaultNumber = 40;  // 1,280 particles
constexpr std::int32_t MiddleNumber = 100;  // 28,880
constexpr std::int32_t LargestNumber = 220; // 192,080
// At the largest size the literal step would take minutes: every 64th row is timed and
// the time scaled by the pairs visited.
constexpr std::int32_t LargestRowStride = 64;
constexpr int ScalingThreads = 2;

std::string ProcessorName() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown processor";
}

void PrintRow(const char* step, const EngineBench::TSizeResult& size,
              const EngineBench::TStepTiming& t) {
    std::printf("%9d  %-8s %11.4f %12.3f%s %9.1fx %12.3g %12.3g\n", size.Particles, step,
                t.FastSeconds, t.LiteralSeconds, t.LiteralEstimated ? "*" : " ", t.Speedup(),
                t.ComputedPairs / t.FastSeconds, t.VisitedPairs / t.LiteralSeconds);
}

struct TMerged {
    EngineBench::TMergedResult Default;
    EngineBench::TMergedResult Middle;
};

void PrintMerged(const TMerged& merged) {
    const EngineBench::TMergedResult& d = merged.Default;
    const EngineBench::TMergedResult& m = merged.Middle;
    std::printf("\nAfter the merge: the default universe stepped %d times, until its clusters had "
                "met;\n%d particles grown from it\n",
                d.StepsToMerge, m.Particles);
    std::printf("%9s  %-8s %11s %13s %10s %12s %12s\n", "particles", "step", "fast s", "literal s",
                "speed-up", "computed/s", "visited/s");
    EngineBench::TSizeResult size;
    size.Particles = m.Particles;
    PrintRow("partial", size, m.Partial);
    PrintRow("full", size, m.Full);
    std::printf("near pairs: %.1f %% at %d particles, %.1f %% at %d\n", 100 * d.NearFraction,
                d.Particles, 100 * m.NearFraction, m.Particles);
    std::printf("%d particles, a redo cycle: %.0f steps/s fast, %.1f steps/s literal (%.1fx)\n",
                d.Particles, d.FastStepsPerSecond, d.LiteralStepsPerSecond,
                d.FastStepsPerSecond / d.LiteralStepsPerSecond);
    std::printf("tiles over pairs from both sides: %.2fx at %d particles (a cycle), %.2fx partial "
                "and %.2fx full at %d\n",
                d.FastStepsPerSecond / d.PerParticleStepsPerSecond, d.Particles,
                m.Partial.PerParticleSeconds / m.Partial.FastSeconds,
                m.Full.PerParticleSeconds / m.Full.FastSeconds, m.Particles);
    std::printf("%d particles with one core kept busy by another process: %.0f steps/s, against "
                "%.0f beside it without (%.2fx)\n",
                d.Particles, d.BusyStepsPerSecond, d.QuietStepsPerSecond,
                d.BusyStepsPerSecond / d.QuietStepsPerSecond);
}

void PrintHuman(const EngineBench::TCycleResult& cycle, const EngineBench::TSizeResult& middle,
                double scaling, const EngineBench::TSizeResult* largest) {
    std::printf("Astrivo 2 engine benchmark: default settings, thermodynamics on\n");
    std::printf("%s, %u hardware threads, %s pair kernel\n\n", ProcessorName().c_str(),
                std::thread::hardware_concurrency(), PairKernels::NameOf(PairKernels::Current()));
    std::printf("%9s  %-8s %11s %13s %10s %12s %12s\n", "particles", "step", "fast s", "literal s",
                "speed-up", "computed/s", "visited/s");
    PrintRow("partial", middle, middle.Partial);
    PrintRow("full", middle, middle.Full);
    if (largest != nullptr) {
        PrintRow("partial", *largest, largest->Partial);
        PrintRow("full", *largest, largest->Full);
    }
    std::printf("\n%d particles, first redo cycle (%d steps) after seeding: %.0f steps/s fast, "
                "%.1f steps/s literal (%.1fx)\n",
                cycle.Particles, cycle.RedoFrequency, cycle.FastStepsPerSecond,
                cycle.LiteralStepsPerSecond,
                cycle.FastStepsPerSecond / cycle.LiteralStepsPerSecond);
    std::printf("Full step at %d particles: %d threads %.2fx faster than 1\n", middle.Particles,
                ScalingThreads, scaling);
    std::printf("times: the least of several runs from the same seeded state");
    if (largest != nullptr)
        std::printf("; * estimated from every %dth row of the pair loop", LargestRowStride);
    std::printf("\ncomputed/s: pairs the fast step computed; visited/s: pairs the literal step "
                "visited\n");
}

void PrintJson(const EngineBench::TCycleResult& cycle, const EngineBench::TSizeResult& middle,
               double scaling, const EngineBench::TSizeResult* largest, const TMerged& merged) {
    // per_particle: the fast step with tiles off (every pair from both sides), same run.
    std::printf("{\"partial_speedup_28880\": %.3f, \"full_speedup_28880\": %.3f, "
                "\"steps_per_second_1280\": %.1f, \"thread_scaling_full\": %.3f, "
                "\"partial_seconds_28880\": %.6f, \"full_seconds_28880\": %.6f, "
                "\"literal_partial_seconds_28880\": %.6f, \"literal_full_seconds_28880\": %.6f, "
                "\"literal_steps_per_second_1280\": %.3f",
                middle.Partial.Speedup(), middle.Full.Speedup(), cycle.FastStepsPerSecond, scaling,
                middle.Partial.FastSeconds, middle.Full.FastSeconds, middle.Partial.LiteralSeconds,
                middle.Full.LiteralSeconds, cycle.LiteralStepsPerSecond);
    if (largest != nullptr)
        std::printf(", \"partial_seconds_192080\": %.6f, \"full_seconds_192080\": %.6f, "
                    "\"literal_partial_seconds_192080_estimated\": %.3f, "
                    "\"literal_full_seconds_192080_estimated\": %.3f",
                    largest->Partial.FastSeconds, largest->Full.FastSeconds,
                    largest->Partial.LiteralSeconds, largest->Full.LiteralSeconds);
    const EngineBench::TMergedResult& d = merged.Default;
    const EngineBench::TMergedResult& m = merged.Middle;
    std::printf(", \"merged_steps_per_second_1280\": %.1f, "
                "\"merged_literal_steps_per_second_1280\": %.3f, "
                "\"merged_partial_seconds_28880\": %.6f, \"merged_full_seconds_28880\": %.6f, "
                "\"merged_literal_partial_seconds_28880\": %.6f, "
                "\"merged_literal_full_seconds_28880\": %.6f, "
                "\"merged_near_fraction_1280\": %.4f, \"merged_near_fraction_28880\": %.4f, "
                "\"merged_steps_to_merge_1280\": %d, "
                "\"busy_core_steps_per_second_1280\": %.1f, "
                "\"quiet_core_steps_per_second_1280\": %.1f, "
                "\"merged_per_particle_steps_per_second_1280\": %.1f, "
                "\"merged_per_particle_partial_seconds_28880\": %.6f, "
                "\"merged_per_particle_full_seconds_28880\": %.6f, "
                "\"per_particle_partial_seconds_28880\": %.6f, "
                "\"per_particle_full_seconds_28880\": %.6f",
                d.FastStepsPerSecond, d.LiteralStepsPerSecond, m.Partial.FastSeconds,
                m.Full.FastSeconds, m.Partial.LiteralSeconds, m.Full.LiteralSeconds, d.NearFraction,
                m.NearFraction, d.StepsToMerge, d.BusyStepsPerSecond, d.QuietStepsPerSecond,
                d.PerParticleStepsPerSecond, m.Partial.PerParticleSeconds,
                m.Full.PerParticleSeconds, middle.Partial.PerParticleSeconds,
                middle.Full.PerParticleSeconds);
}

void PrintTreeJson(const EngineBench::TTreeBench& tree, bool largest) {
    const EngineBench::TTreeResult& d = tree.Default;
    const EngineBench::TTreeResult& m = tree.Middle;
    std::printf(", \"tree_seconds_28880_merged\": %.6f, \"tree_exact_seconds_28880_merged\": %.6f, "
                "\"tree_speedup_28880_merged\": %.3f",
                m.TreeSeconds, m.ExactSeconds, m.Speedup());
    if (largest)
        std::printf(", \"tree_seconds_192080_merged\": %.6f, "
                    "\"tree_exact_seconds_192080_merged\": %.6f, "
                    "\"tree_speedup_192080_merged\": %.3f",
                    tree.Largest.TreeSeconds, tree.Largest.ExactSeconds, tree.Largest.Speedup());
    // The plain keys give the worse of the two universes.
    auto worse = [](double a, double b) { return a > b ? a : b; };
    const EngineBench::TTreeAccuracy& a = d.Accuracy;
    const EngineBench::TTreeAccuracy& b = m.Accuracy;
    std::printf(", \"tree_accel_rms_error\": %.3g, \"tree_accel_p99_error\": %.3g, "
                "\"tree_friction_rms_error\": %.3g, \"tree_friction_p99_error\": %.3g, "
                "\"tree_heat_rms_error\": %.3g, \"tree_heat_p99_error\": %.3g",
                worse(a.AccelRms, b.AccelRms), worse(a.AccelP99, b.AccelP99),
                worse(a.FrictionRms, b.FrictionRms), worse(a.FrictionP99, b.FrictionP99),
                worse(a.HeatRms, b.HeatRms), worse(a.HeatP99, b.HeatP99));
    const std::pair<const char*, const EngineBench::TTreeAccuracy*> sizes[] = {{"1280", &a},
                                                                               {"28880", &b}};
    for (const auto& [name, e] : sizes)
        std::printf(", \"tree_accel_rms_error_%s\": %.3g, \"tree_accel_p99_error_%s\": %.3g, "
                    "\"tree_friction_rms_error_%s\": %.3g, \"tree_friction_p99_error_%s\": %.3g, "
                    "\"tree_heat_rms_error_%s\": %.3g, \"tree_heat_p99_error_%s\": %.3g",
                    name, e->AccelRms, name, e->AccelP99, name, e->FrictionRms, name,
                    e->FrictionP99, name, e->HeatRms, name, e->HeatP99);
}

void PrintTree(const EngineBench::TTreeBench& tree, bool largest) {
    std::printf("\nThe tree step at the default opening angle %.2f, after the merge:\n",
                TUniverse::DefaultOpeningAngle);
    for (const EngineBench::TTreeResult* r :
         {&tree.Default, &tree.Middle, largest ? &tree.Largest : nullptr}) {
        if (r == nullptr)
            continue;
        std::printf("%9d particles: tree %.4f s, exact partial step %.4f s (%.1fx), %.1f %% of "
                    "pairs approximated",
                    r->Particles, r->TreeSeconds, r->ExactSeconds, r->Speedup(),
                    100 * r->Optimisation);
        if (r->Measured)
            std::printf("; error against the literal full step, rms / p99: accelerations "
                        "%.2e / %.2e, friction %.2e / %.2e, heat %.2e / %.2e",
                        r->Accuracy.AccelRms, r->Accuracy.AccelP99, r->Accuracy.FrictionRms,
                        r->Accuracy.FrictionP99, r->Accuracy.HeatRms, r->Accuracy.HeatP99);
        std::printf("\n");
    }
}

// The opening angle table, as Markdown rows.
void PrintTreeAngles(const std::vector<double>& angles) {
    const std::vector<EngineBench::TTreeAngleRow> rows = EngineBench::MeasureTreeAngles(angles, 3);
    std::printf("| θ | accel rms | accel p99 | friction rms | heat rms | 1,280 accel rms | "
                "approximated | tree s | exact s | speed-up |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    for (const EngineBench::TTreeAngleRow& r : rows) {
        const EngineBench::TTreeResult& m = r.Middle;
        std::printf("| %.2f | %.2e | %.2e | %.2e | %.2e | %.2e | %.1f %% | %.4f | %.3f | %.1fx |\n",
                    r.Angle, m.Accuracy.AccelRms, m.Accuracy.AccelP99, m.Accuracy.FrictionRms,
                    m.Accuracy.HeatRms, r.Default.Accuracy.AccelRms, 100 * m.Optimisation,
                    m.TreeSeconds, m.ExactSeconds, m.Speedup());
    }
    for (const EngineBench::TTreeAngleRow& r : rows) {
        const EngineBench::TTreeAccuracy& e = r.Default.Accuracy;
        std::printf("1,280 at %.2f: accel %.2e / %.2e, friction %.2e / %.2e, heat %.2e / %.2e, "
                    "tree %.5f s, exact %.5f s\n",
                    r.Angle, e.AccelRms, e.AccelP99, e.FrictionRms, e.FrictionP99, e.HeatRms,
                    e.HeatP99, r.Default.TreeSeconds, r.Default.ExactSeconds);
    }
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    bool quick = false;
    bool mergedOnly = false;
    bool angles = false;
    std::vector<double> angleList = {0.3, 0.4, 0.5, 0.6, 0.65, 0.7, 0.8, 0.9};
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[a], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[a], "--merged") == 0) {
            mergedOnly = true;
        } else if (std::strcmp(argv[a], "--tree") == 0) {
            angles = true;
            // An optional list of angles, such as 0.3,0.6, in place of the whole table.
            if (a + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[a + 1][0]))) {
                angleList.clear();
                for (char* next = argv[++a]; *next != '\0';) {
                    angleList.push_back(std::strtod(next, &next));
                    if (*next == ',')
                        ++next;
                    else if (*next != '\0')
                        break;
                }
            }
        } else {
            std::printf("usage: astrivo-bench [--json] [--quick] [--merged]\n"
                        "  --json    print the figures as one JSON object\n"
                        "  --quick   skip the 192,080-particle universe (its keys are left out)\n"
                        "  --merged  only the universes after the merge, printed as text\n"
                        "  --tree [A,B,...]  the tree step's error and time against its opening\n"
                        "            angle: the whole table, or the angles listed\n");
            return std::strcmp(argv[a], "--help") == 0 ? 0 : 2;
        }
    }

    if (angles) {
        PrintTreeAngles(angleList);
        return 0;
    }
    if (mergedOnly) {
        TMerged merged;
        merged.Default = EngineBench::MeasureMergedDefault(9);
        merged.Middle = EngineBench::MeasureMergedMiddle({3, 1, 1});
        PrintMerged(merged);
        return 0;
    }

    const EngineBench::TCycleResult cycle = EngineBench::MeasureCycles(DefaultNumber, 9);
    const EngineBench::TSizeResult middle = EngineBench::MeasureSize(MiddleNumber, {});
    const double scaling = EngineBench::ThreadScaling(MiddleNumber, ScalingThreads, 3);
    EngineBench::TSizeResult largest;
    if (!quick)
        largest = EngineBench::MeasureSize(LargestNumber, {1, 1, LargestRowStride});
    TMerged merged;
    merged.Default = EngineBench::MeasureMergedDefault(9);
    merged.Middle = EngineBench::MeasureMergedMiddle({3, 1, 1});
    const EngineBench::TTreeBench tree = EngineBench::MeasureTree(!quick, 3);

    if (json) {
        PrintJson(cycle, middle, scaling, quick ? nullptr : &largest, merged);
        PrintTreeJson(tree, !quick);
        std::printf("}\n");
    } else {
        PrintHuman(cycle, middle, scaling, quick ? nullptr : &largest);
        PrintMerged(merged);
        PrintTree(tree, !quick);
    }
    return 0;
}
