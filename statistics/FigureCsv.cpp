#include "statistics/FigureCsv.h"

#include <array>
#include <charconv>

namespace {

void AppendNumber(std::string& row, double value) {
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    row.append(digits.data(), end);
}

void AppendField(std::string& row, const std::optional<double>& value) {
    if (value)
        AppendNumber(row, *value);
}

} // namespace

namespace FigureCsv {

std::string Header() {
    return "kinetic,potential,total,momentum,heat,half_mass_radius,virial,optimisation,"
           "iteration\n";
}

std::string Row(const TFigures& figures) {
    std::string row;
    AppendField(row, figures.Kinetic);
    row += ',';
    AppendNumber(row, figures.Potential);
    row += ',';
    AppendField(row, figures.Total);
    row += ',';
    AppendField(row, figures.Momentum);
    row += ',';
    AppendNumber(row, figures.Heat);
    row += ',';
    AppendNumber(row, figures.HalfMassRadius);
    row += ',';
    AppendField(row, figures.Virial);
    row += ',';
    std::array<char, 32> digits{};
    const double percent = static_cast<double>(figures.Optimisation) * 100.0;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), percent,
                                   std::chars_format::fixed, 2)
                         .ptr;
    row.append(digits.data(), end);
    row += ',';
    row += std::to_string(figures.Iteration);
    row += '\n';
    return row;
}

} // namespace FigureCsv
