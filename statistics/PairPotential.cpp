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

    // Adds the pair (a, b) to the log sum (kept apart: one logarithm a row, not a pair),
    // the pressure part of the potential and the virial sum.
    void Add(const TFigureState::TPoint& a, const TFigureState::TPoint& b, double& logProduct,
             double& logSum, double& pressure, double& virial) const {
        const double dx = a.X - b.X;
        const double dy = a.Y - b.Y;
        const double dz = a.Z - b.Z;
        const double trueD2 = dx * dx + dy * dy + dz * dz;
        const double d2 = std::max(trueD2, MinimumD2);
        // A logarithm costs as much as the rest of the pair: the squared distances are
        // multiplied up and the product's logarithm taken when it nears either end of the
        // double range (kept within 1e±100, each factor at most 1e100, so it never leaves it).
        if (d2 > 1e100) {
            logSum += std::log(d2);
        } else {
            logProduct *= d2;
            if (logProduct > 1e100 || logProduct < 1e-100) {
                logSum += std::log(logProduct);
                logProduct = 1;
            }
        }
        const double soft = d2 + 0.1;
        pressure += Pressure / (2 * soft);
        virial += (Mass / d2 - Pressure / (soft * soft)) * trueD2;
    }
};

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
    double logSum = 0, pressure = 0, virial = 0;
    for (std::size_t i = 0; i < state.Particles.size(); ++i) {
        if (Cancelled(cancel))
            return std::nullopt;
        double logProduct = 1;
        for (std::size_t j = i + 1; j < state.Particles.size(); ++j)
            terms.Add(state.Particles[i], state.Particles[j], logProduct, logSum, pressure, virial);
        logSum += std::log(logProduct);
    }
    return TPotentialSum{terms.Mass * 0.5 * logSum + pressure, virial, false, n};
}

std::optional<TPotentialSum> SumSampled(const TFigureState& state, std::int32_t rows,
                                        const std::atomic<bool>* cancel) {
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    rows = std::clamp(rows, 0, n);
    if (rows == 0)
        return TPotentialSum{0, 0, n > 1, 0};
    const TPairTerms terms = TermsOf(state);
    double logSum = 0, pressure = 0, virial = 0;
    for (std::int32_t k = 0; k < rows; ++k) {
        if (Cancelled(cancel))
            return std::nullopt;
        // The middle of the k-th of rows equal stretches of the index range.
        const auto i = static_cast<std::size_t>((2 * std::int64_t{k} + 1) * n / (2 * rows));
        double logProduct = 1;
        for (std::size_t j = 0; j < state.Particles.size(); ++j)
            if (j != i)
                terms.Add(state.Particles[i], state.Particles[j], logProduct, logSum, pressure,
                          virial);
        logSum += std::log(logProduct);
    }
    const double scale = static_cast<double>(n) / (2.0 * rows);
    return TPotentialSum{scale * (terms.Mass * 0.5 * logSum + pressure), scale * virial, rows < n,
                         rows};
}

} // namespace PairPotential
