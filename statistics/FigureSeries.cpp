#include "statistics/FigureSeries.h"

#include "statistics/FigureCsv.h"

#include <algorithm>

TFigureSeries::TFigureSeries(std::size_t capacity) : Capacity(std::max<std::size_t>(capacity, 4)) {
    Samples.reserve(Capacity);
}

void TFigureSeries::Add(const TFigures& figures) {
    const auto later = [](const TFigures& sample, std::int32_t iteration) {
        return sample.Iteration < iteration;
    };
    auto place = std::lower_bound(Samples.begin(), Samples.end(), figures.Iteration, later);
    if (place != Samples.end() && place->Iteration == figures.Iteration) {
        *place = figures;
        return;
    }
    if (Samples.size() == Capacity) {
        Thin();
        place = std::lower_bound(Samples.begin(), Samples.end(), figures.Iteration, later);
    }
    Samples.insert(place, figures);
}

void TFigureSeries::Thin() {
    // Keep the even samples of the older half, the first included, and the newer half
    // whole: spacing only ever doubles towards the past.
    const std::size_t half = Samples.size() / 2;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < Samples.size(); ++i)
        if (i >= half || i % 2 == 0)
            Samples[kept++] = Samples[i];
    Samples.resize(kept);
}

std::string TFigureSeries::Csv() const {
    std::string text = FigureCsv::Header();
    for (const TFigures& figures : Samples)
        text += FigureCsv::Row(figures);
    return text;
}
