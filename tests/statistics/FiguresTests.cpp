#include "statistics/FigureCsv.h"
#include "statistics/FigureSeries.h"
#include "statistics/Figures.h"
#include "statistics/PairPotential.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using TPoint = TFigureState::TPoint;

TFigureState StateOf(std::initializer_list<TPoint> points, double mass, double pressure,
                     bool thermodynamics) {
    TFigureState state;
    state.Mass = mass;
    state.Pressure = pressure;
    state.UseThermodynamics = thermodynamics;
    state.Particles = points;
    return state;
}

TFigures WorkOut(const TFigureState& state) {
    const std::optional<TFigures> figures = Figures::WorkOut(state);
    EXPECT_TRUE(figures);
    return figures.value_or(TFigures{});
}

TEST(Figures, TwoParticlesWithPressureByHand) {
    // 3-4-5 apart: d² = 25.
    TFigureState state =
        StateOf({{0, 0, 0, 0.1, 0, 0, 0.2}, {3, 4, 0, 0, -0.2, 0.2, 0.4}}, 0.5, 0.4, true);
    state.IterationCount = 77;
    state.Optimisation = 0.25f;
    const TFigures f = WorkOut(state);
    EXPECT_DOUBLE_EQ(*f.Kinetic, 0.5 * (0.01 + 0.04 + 0.04));
    const double potential = 0.5 * 0.5 * std::log(25.0) + 0.4 / (2 * 25.1);
    EXPECT_DOUBLE_EQ(f.Potential, potential);
    EXPECT_FALSE(f.PotentialEstimated);
    EXPECT_DOUBLE_EQ(*f.Total, 0.045 + potential);
    EXPECT_DOUBLE_EQ(*f.Momentum, 0.3);
    EXPECT_DOUBLE_EQ(f.Heat, 0.3);
    EXPECT_DOUBLE_EQ(f.HalfMassRadius, 2.5); // both 2.5 from the middle (1.5, 2, 0)
    // r·pull: gravity gives Mass, pressure takes back Pressure d² / (d² + 0.1)².
    EXPECT_DOUBLE_EQ(*f.Virial, 2 * 0.045 / (0.5 - 0.4 * 25 / (25.1 * 25.1)));
    EXPECT_EQ(f.Iteration, 77);
    EXPECT_EQ(f.Optimisation, 0.25f);

    // Without thermodynamics the pressure is no part of either sum.
    state.UseThermodynamics = false;
    const TFigures cold = WorkOut(state);
    EXPECT_DOUBLE_EQ(cold.Potential, 0.25 * std::log(25.0));
    EXPECT_DOUBLE_EQ(*cold.Virial, 2 * 0.045 / 0.5);
}

TEST(Figures, ThreeParticlesByHandAndTheEdges) {
    const TFigureState state =
        StateOf({{0, 0, 0, 1, 0, 0, 0.1}, {1, 0, 0, 0, 1, 0, 0.2}, {0, 2, 0, 0, 0, -2, 0.6}}, 1.0,
                5.0, false);
    const TFigures f = WorkOut(state);
    EXPECT_DOUBLE_EQ(*f.Kinetic, 3.0);
    // d² of the pairs: 1, 4, 5.
    EXPECT_DOUBLE_EQ(f.Potential, 0.5 * std::log(20.0));
    EXPECT_DOUBLE_EQ(*f.Total, 3.0 + 0.5 * std::log(20.0));
    EXPECT_DOUBLE_EQ(*f.Momentum, std::sqrt(6.0));
    EXPECT_DOUBLE_EQ(f.Heat, 0.3);
    // From the mean (1/3, 2/3, 0) the distances are √5/3, √8/3 and √17/3.
    EXPECT_DOUBLE_EQ(f.HalfMassRadius, std::sqrt(8.0) / 3);
    EXPECT_DOUBLE_EQ(*f.Virial, 2 * 3.0 / 3.0); // every pair gives Mass

    // Four particles on a line at 0, 1, 3, 10: mean 3.5, distances 3.5, 2.5, 0.5, 6.5;
    // the median of an even count is the mean of the middle two.
    TFigureState line = StateOf({{0, 0, 0, 0, 0, 0, 0},
                                 {1, 0, 0, 0, 0, 0, 0},
                                 {3, 0, 0, 0, 0, 0, 0},
                                 {10, 0, 0, 0, 0, 0, 0}},
                                1, 0, false);
    EXPECT_DOUBLE_EQ(Figures::HalfMassRadius(line), 3.0);

    // Coincident particles: the step's floor, and no pull along a zero separation.
    const TFigures same =
        WorkOut(StateOf({{2, 2, 2, 0, 0, 0, 0}, {2, 2, 2, 0, 0, 0, 0}}, 0.1, 0, false));
    EXPECT_DOUBLE_EQ(same.Potential, 0.1 * 0.5 * std::log(0.00001));
    EXPECT_FALSE(same.Virial);

    // A recorded frame keeps no velocities: what needs them is left out, the rest stays.
    TFigureState frame = state;
    frame.HasVelocities = false;
    const TFigures framed = WorkOut(frame);
    EXPECT_FALSE(framed.Kinetic || framed.Total || framed.Momentum || framed.Virial);
    EXPECT_DOUBLE_EQ(framed.Potential, f.Potential);

    EXPECT_EQ(WorkOut(TFigureState{}).Heat, 0.0);
    std::atomic<bool> cancel = true;
    EXPECT_FALSE(Figures::WorkOut(state, &cancel));
}

// A handful of particles close enough for the pressure to matter (d² near its 0.1).
void PlaceCloseParticles(TUniverse& universe, bool thermodynamics) {
    ASSERT_TRUE(universe.Allocate(5));
    universe.Mass = 0.01;
    universe.Pressure = 0.05;
    universe.Friction = 0.3;
    universe.Radiation = 0.001;
    universe.UseThermodynamics = thermodynamics;
    universe.SetMatrixResolution(10);
    universe.SetLocalitySize(10);
    universe.SetRedoFrequency(1);
    universe.SetMaxSeparation(0);
    const double places[5][3] = {
        {0, 0, 0}, {0.31, 0.05, -0.1}, {-0.2, 0.27, 0.13}, {0.12, -0.33, 0.4}, {0.5, 0.4, 0.2}};
    for (std::int32_t i = 0; i < 5; ++i) {
        TParticle& p = universe.Particles[i];
        p = TParticle{};
        p.Heat = 0.2;
        p.X = places[i][0];
        p.Y = places[i][1];
        p.Z = places[i][2];
        p.VX = 0.01 * i;
    }
}

TEST(Figures, PotentialIsMinusTheStepsPullByFiniteDifferences) {
    for (const bool thermodynamics : {false, true}) {
        TUniverse universe;
        PlaceCloseParticles(universe, thermodynamics);
        TFigureState state;
        state.CopyFrom(universe);
        ASSERT_TRUE(universe.Step(0, universe.LastIndex));
        const double h = 1e-6;
        double largest = 0;
        for (std::size_t i = 0; i < state.Particles.size(); ++i) {
            const TParticle& stepped = universe.Particles[i];
            const double pulls[3] = {stepped.AX, stepped.AY, stepped.AZ};
            for (int axis = 0; axis < 3; ++axis) {
                TFigureState moved = state;
                double* coordinate[3] = {&moved.Particles[i].X, &moved.Particles[i].Y,
                                         &moved.Particles[i].Z};
                const double start = *coordinate[axis];
                *coordinate[axis] = start + h;
                const double up = PairPotential::Sum(moved)->Potential;
                *coordinate[axis] = start - h;
                const double down = PairPotential::Sum(moved)->Potential;
                const double slope = (up - down) / (2 * h);
                EXPECT_NEAR(-slope, pulls[axis], 1e-7 + 1e-6 * std::abs(pulls[axis]))
                    << "particle " << i << " axis " << axis << " thermodynamics " << thermodynamics;
                largest = std::max(largest, std::abs(pulls[axis]));
            }
        }
        EXPECT_GT(largest, 0.01); // the pulls are large against the tolerance
    }
}

TEST(Figures, SampledPotentialEstimatesTheExactOne) {
    TUniverse universe;
    TUniverseSettings settings;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(universe, settings, 11));
    TFigureState state;
    state.CopyFrom(universe);
    const TPotentialSum exact = *PairPotential::Sum(state);
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    ASSERT_FALSE(exact.Estimated);
    // Every row, each pair from both sides: the exact sums up to rounding.
    const TPotentialSum all = *PairPotential::SumSampled(state, n);
    EXPECT_NEAR(all.Potential, exact.Potential, 1e-12 * std::abs(exact.Potential));
    EXPECT_NEAR(all.Virial, exact.Virial, 1e-12 * std::abs(exact.Virial));
    EXPECT_FALSE(all.Estimated);
    // A sample of 1 row in 10 of the default collision: measured 0.10 % off the potential and
    // 0.012 % off the virial sum for this seed (up to 0.55 % and 0.013 % for seeds 1 to 5).
    const TPotentialSum sample = *PairPotential::SumSampled(state, n / 10);
    EXPECT_TRUE(sample.Estimated);
    EXPECT_EQ(sample.RowsSummed, n / 10);
    EXPECT_NEAR(sample.Potential, exact.Potential, 2e-3 * std::abs(exact.Potential));
    EXPECT_NEAR(sample.Virial, exact.Virial, 2e-3 * std::abs(exact.Virial));

    // Above the exact limit the sample costs about the exact limit's pairs.
    EXPECT_EQ(PairPotential::SampleRows(PairPotential::ExactLimit), PairPotential::ExactLimit);
    const std::int32_t rows = PairPotential::SampleRows(192080);
    EXPECT_NEAR(double(rows) * 192079, 0.5 * 28880.0 * 28879, 192080);
}

TEST(Figures, CsvHeaderAndRowGiveTheFigures) {
    EXPECT_EQ(FigureCsv::Header(), "kinetic,potential,total,momentum,heat,half_mass_radius,"
                                   "virial,optimisation,iteration\n");
    TFigureState state = StateOf(
        {{0, 0, 0, 0.1, 0, 0, 0.2}, {0.3, 0.4, 0, 0, -0.2, 0.2, 0.4}, {-1, 0.7, 2, 0, 0, 0, 0.1}},
        0.003, 0.2, true);
    state.IterationCount = 123456;
    state.Optimisation = 0.93456f;
    const TFigures f = WorkOut(state);
    const std::string row = FigureCsv::Row(f);
    ASSERT_EQ(row.back(), '\n');
    std::vector<std::string> fields;
    std::stringstream line(row.substr(0, row.size() - 1));
    for (std::string field; std::getline(line, field, ',');)
        fields.push_back(field);
    ASSERT_EQ(fields.size(), 9u);
    // Every figure reads back to its own bits.
    const double expected[] = {*f.Kinetic, f.Potential,      *f.Total, *f.Momentum,
                               f.Heat,     f.HalfMassRadius, *f.Virial};
    for (std::size_t k = 0; k < 7; ++k)
        EXPECT_EQ(std::strtod(fields[k].c_str(), nullptr), expected[k]) << fields[k];
    EXPECT_EQ(fields[7], "93.46"); // as the properties window shows it, less the sign
    EXPECT_EQ(fields[8], "123456");

    state.HasVelocities = false;
    const std::string framed = FigureCsv::Row(WorkOut(state));
    EXPECT_EQ(framed.substr(0, 1), ",");
    EXPECT_NE(framed.find(",,,"), std::string::npos);      // total and momentum
    EXPECT_NE(framed.find(",,93.46,"), std::string::npos); // virial
}

TEST(Figures, SeriesStaysBoundedAndThinsTheOlderSamples) {
    TFigureSeries series(100);
    for (std::int32_t k = 0; k < 10000; ++k) {
        TFigures f;
        f.Iteration = k;
        series.Add(f);
        ASSERT_LE(series.Items().size(), 100u);
    }
    const std::vector<TFigures>& items = series.Items();
    EXPECT_GE(items.size(), 75u);
    EXPECT_EQ(items.front().Iteration, 0); // the start of the run stays
    EXPECT_EQ(items.back().Iteration, 9999);
    EXPECT_EQ(items[items.size() - 2].Iteration, 9998); // the newest stretch is whole
    // The spacing never shrinks towards the past.
    for (std::size_t i = 2; i < items.size(); ++i)
        EXPECT_GE(items[i - 1].Iteration - items[i - 2].Iteration,
                  items[i].Iteration - items[i - 1].Iteration)
            << "at " << i;
    const std::string csv = series.Csv();
    EXPECT_EQ(csv.substr(0, FigureCsv::Header().size() + FigureCsv::Row(items[0]).size()),
              FigureCsv::Header() + FigureCsv::Row(items[0]));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'),
              static_cast<std::ptrdiff_t>(items.size() + 1));
    series.Clear();
    EXPECT_TRUE(series.Items().empty());
}

// Recorded frames arrive in the order the user visits them: back and forth on the position
// bar. The series keeps one sample per iteration, in order, the newest visit's.
TEST(Figures, SeriesPutsFramesVisitedOutOfOrderInPlace) {
    TFigureSeries series(16);
    for (const std::int32_t k : {50, 10, 30, 10, 70, 20, 60, 40, 0, 80}) {
        TFigures f;
        f.Iteration = k;
        f.Heat = k + (k == 10 ? series.Items().size() : 0);
        series.Add(f);
    }
    std::vector<std::int32_t> order;
    for (const TFigures& f : series.Items())
        order.push_back(f.Iteration);
    EXPECT_EQ(order, (std::vector<std::int32_t>{0, 10, 20, 30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(series.Items()[1].Heat, 13); // the second visit to 10, not the first
}

} // namespace
