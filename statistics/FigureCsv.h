#pragma once

#include "statistics/Figures.h"

#include <string>

/// The figures as comma-separated values: one header row, one row per state. Numbers are
/// written in the shortest form that reads back to the same double, with '.' whatever the
/// locale; a figure the state cannot give (kinetic of a recorded frame) is an empty field.
namespace FigureCsv {

/// "kinetic,...,iteration\n": the figures' names in their fixed order.
std::string Header();

/// One row in the header's order, ending with a newline. The optimisation is a percentage
/// with two decimals and the iteration a plain count, as the properties window shows them.
std::string Row(const TFigures& figures);

} // namespace FigureCsv
