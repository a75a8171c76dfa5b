#include "statistics/FigureCsv.h"
#include "statistics/FigureSampler.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using TSource = TFigureSampler::TSource;

// As fast as it can go: these tests wait for results, not for the pace.
constexpr TFigureSampler::TPace Flat{std::chrono::nanoseconds(0), 1.0};

std::vector<TFigureSampler::TSample> TakeAtLeast(TFigureSampler& sampler, std::size_t count) {
    std::vector<TFigureSampler::TSample> samples;
    for (int k = 0; k < 6000 && samples.size() < count; ++k) {
        for (TFigureSampler::TSample& sample : sampler.Take())
            samples.push_back(sample);
        if (samples.size() < count)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return samples;
}

// What reaches the worker is a snapshot, not the universe: its velocities, Mass and Pressure
// must arrive whole, or the energies are those of some other state.
TEST(FigureSampler, WorksOutTheSnapshotsUniverseAndLeavesOutWhatAFrameLacks) {
    TUniverseSettings settings; // thermodynamics on: the pressure term counts
    TUniverse universe;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(universe, settings, 5));
    for (int step = 0; step < 40; ++step) // the clusters fall together: kinetic grows
        ASSERT_TRUE(universe.Step(0, universe.LastIndex));
    TFigureState direct;
    direct.CopyFrom(universe);
    const std::string expected = FigureCsv::Row(*Figures::WorkOut(direct));

    auto live = std::make_shared<TUniverseSnapshot>();
    live->CopyFrom(universe, true);
    auto frame = std::make_shared<TUniverseSnapshot>();
    frame->CopyFrom(universe);

    TFigureSampler sampler(Flat);
    sampler.Offer(live, TSource::Live);
    std::vector<TFigureSampler::TSample> samples = TakeAtLeast(sampler, 1);
    sampler.Offer(frame, TSource::Frame);
    for (const TFigureSampler::TSample& sample : TakeAtLeast(sampler, 1))
        samples.push_back(sample);
    ASSERT_EQ(samples.size(), 2u);

    EXPECT_EQ(samples[0].Source, TSource::Live);
    EXPECT_EQ(FigureCsv::Row(samples[0].Figures), expected);
    EXPECT_GT(*samples[0].Figures.Kinetic, 1.0);

    EXPECT_EQ(samples[1].Source, TSource::Frame);
    EXPECT_FALSE(samples[1].Figures.Kinetic);
    EXPECT_FALSE(samples[1].Figures.Momentum);
    EXPECT_EQ(samples[1].Figures.Potential, samples[0].Figures.Potential);
    EXPECT_EQ(samples[1].Figures.Iteration, samples[0].Figures.Iteration);
}

// A new universe, or the window turning from the live run to a recorded frame: work on the
// old state must not turn up among the new one's samples, however far along it was.
TEST(FigureSampler, WorkDroppedNeverComesBack) {
    // Some 20,000 particles take the worker about a second; one drop comes long before.
    auto large = std::make_shared<TUniverseSnapshot>();
    large->IterationCount = 7;
    large->Mass = 1;
    std::uint32_t seed = 1;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
    };
    for (int i = 0; i < 20000; ++i)
        large->Particles.push_back({next(), next(), next(), 0.2});
    auto small = std::make_shared<TUniverseSnapshot>();
    small->IterationCount = 8;
    small->Mass = 1;
    small->Particles = {{0, 0, 0, 0.2}, {1, 0, 0, 0.2}};

    TFigureSampler sampler(Flat);
    sampler.Offer(large, TSource::Live);
    sampler.Drop();
    sampler.Offer(large, TSource::Live); // taken at once after a drop...
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sampler.Drop(); // ...and dropped while it is worked out
    sampler.Offer(small, TSource::Live);
    // One worker: had the large state been finished, it would have come first.
    const std::vector<TFigureSampler::TSample> samples = TakeAtLeast(sampler, 1);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].Figures.Iteration, 8);
    EXPECT_EQ(samples[0].Figures.Potential, 0); // ½ ln 1 for the one pair
}

} // namespace
