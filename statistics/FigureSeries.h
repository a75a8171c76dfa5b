#pragma once

#include "statistics/Figures.h"

#include <cstddef>
#include <string>
#include <vector>

/// The figures of a run over time, for plotting and export, kept within a fixed number of
/// samples however long the run: when full, every other sample of the older half goes, so
/// the newest stretch stays dense and older ones thin out the more, the older they are.
class TFigureSeries {
public:
    /// Capacity is the most samples kept, at least 4.
    explicit TFigureSeries(std::size_t capacity = 2000);

    /// Kept in iteration order: a live run appends, while a recording's frames come in the
    /// order the user visits them and fall into place, one sample per iteration.
    void Add(const TFigures& figures);
    /// A new universe: the series starts again.
    void Clear() { Samples.clear(); }
    const std::vector<TFigures>& Items() const { return Samples; }
    /// The header and a row per sample, oldest first.
    std::string Csv() const;

private:
    void Thin();

    std::size_t Capacity;
    std::vector<TFigures> Samples;
};
