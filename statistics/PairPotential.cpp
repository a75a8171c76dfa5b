#include "statistics/PairPotential.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The step's floor for coincident particles.
constexpr double MinimumD2 = 0.00001;

struct TPairTerms {
    double Mass;
    double Pressure; // 0 with thermodynamics off
};

// One row's share of the sums: the logarithms of the squared distances, the pressure part of
// the potential, and the virial sum less the factor Mass on its gravity part.
struct TRowSums {
    double Log = 0;
    double Pressure = 0;
    double Gravity = 0;
    double PressureVirial = 0;
};

// Adds the pairs of a with others[0, count) to sums. A logarithm costs as much as the rest
// of a pair, so the squared distances are multiplied up in a few independent lanes and a
// lane's logarithm is taken only when its product nears either end of the double range:
// every lane stays within 1e±100 and takes two factors of at most 1e100 between checks.
template <bool Thermodynamics>
void AddRow(double pressureStrength, const TFigureState::TPoint& a,
            const TFigureState::TPoint* others, std::size_t count, TRowSums& sums) {
    constexpr std::size_t Lanes = 4;
    double product[Lanes] = {1, 1, 1, 1};
    double pressure[Lanes] = {}, gravity[Lanes] = {}, pressureVirial[Lanes] = {};
    const auto pair = [&](std::size_t lane, const TFigureState::TPoint& b) {
        const double dx = a.X - b.X;
        const double dy = a.Y - b.Y;
        const double dz = a.Z - b.Z;
        const double trueD2 = dx * dx + dy * dy + dz * dz;
        const double d2 = std::max(trueD2, MinimumD2);
        if (d2 > 1e100) // beyond any universe the program seeds, but not out of reach
            sums.Log += std::log(d2);
        else
            product[lane] *= d2;
        // trueD2 / d2: 1 but for pairs under the floor, which the step pulls as if at it.
        gravity[lane] += std::min(trueD2 * (1 / MinimumD2), 1.0);
        if constexpr (Thermodynamics) {
            const double soft = 1 / (d2 + 0.1);
            pressure[lane] += soft;
            pressureVirial[lane] += trueD2 * soft * soft;
        }
    };
    const auto check = [&](std::size_t lane) {
        if (product[lane] > 1e100 || product[lane] < 1e-100) {
            sums.Log += std::log(product[lane]);
            product[lane] = 1;
        }
    };
    std::size_t j = 0;
    for (; j + 2 * Lanes <= count; j += 2 * Lanes) {
        for (std::size_t k = 0; k < 2 * Lanes; ++k)
            pair(k % Lanes, others[j + k]);
        for (std::size_t lane = 0; lane < Lanes; ++lane)
            check(lane);
    }
    for (; j < count; ++j) {
        pair(0, others[j]);
        check(0);
    }
    for (std::size_t lane = 0; lane < Lanes; ++lane) {
        sums.Log += std::log(product[lane]);
        sums.Pressure += pressureStrength * 0.5 * pressure[lane];
        sums.Gravity += gravity[lane];
        sums.PressureVirial += pressureStrength * pressureVirial[lane];
    }
}

void AddRow(const TPairTerms& terms, const TFigureState::TPoint& a,
            const TFigureState::TPoint* others, std::size_t count, TRowSums& sums) {
    if (terms.Pressure != 0)
        AddRow<true>(terms.Pressure, a, others, count, sums);
    else
        AddRow<false>(0, a, others, count, sums);
}

// Potential and virial sums from the rows' sums, scaled.
TPotentialSum Finish(const TPairTerms& terms, const TRowSums& sums, double scale) {
    TPotentialSum result;
    result.Potential = scale * (terms.Mass * 0.5 * sums.Log + sums.Pressure);
    result.Virial = scale * (terms.Mass * sums.Gravity - sums.PressureVirial);
    return result;
}

TPairTerms TermsOf(const TFigureState& state) {
    return {state.Mass, state.UseThermodynamics ? state.Pressure : 0.0};
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

} // namespace

namespace PairPotential {

std::int32_t SampleRows(std::int32_t particles) {
    if (particles <= ExactLimit)
        return particles;
    const double budget = 0.5 * ExactLimit * (ExactLimit - 1.0);
    return static_cast<std::int32_t>(std::ceil(budget / (particles - 1.0)));
}

std::optional<TPotentialSum> Sum(const TFigureState& state, const std::atomic<bool>* cancel) {
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    if (n > ExactLimit)
        return SumSampled(state, SampleRows(n), cancel);
    const TPairTerms terms = TermsOf(state);
    const TFigureState::TPoint* points = state.Particles.data();
    TRowSums sums;
    for (std::size_t i = 0; i < state.Particles.size(); ++i) {
        if (Cancelled(cancel))
            return std::nullopt;
        AddRow(terms, points[i], points + i + 1, state.Particles.size() - i - 1, sums);
    }
    TPotentialSum result = Finish(terms, sums, 1);
    result.RowsSummed = n;
    return result;
}

std::optional<TPotentialSum> SumSampled(const TFigureState& state, std::int32_t rows,
                                        const std::atomic<bool>* cancel) {
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    rows = std::clamp(rows, 0, n);
    if (rows == 0)
        return TPotentialSum{0, 0, n > 1, 0};
    const TPairTerms terms = TermsOf(state);
    const TFigureState::TPoint* points = state.Particles.data();
    TRowSums sums;
    for (std::int32_t k = 0; k < rows; ++k) {
        if (Cancelled(cancel))
            return std::nullopt;
        // The middle of the k-th of rows equal stretches of the index range.
        const auto i = static_cast<std::size_t>((2 * std::int64_t{k} + 1) * n / (2 * rows));
        AddRow(terms, points[i], points, i, sums);
        AddRow(terms, points[i], points + i + 1, state.Particles.size() - i - 1, sums);
    }
    TPotentialSum result = Finish(terms, sums, static_cast<double>(n) / (2.0 * rows));
    result.Estimated = rows < n;
    result.RowsSummed = rows;
    return result;
}

} // namespace PairPotential
