#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// The texts the properties window shows beside its sliders and for the running figures.
/// Positions are slider positions; the formulas mirror the universe parameters they stand
/// for, so a label tells the user what the universe will be built with.
namespace SettingsLabels {

/// Plain signed decimal: a leading "-" for negatives, no grouping.
std::string DecimalText(std::int64_t value);

/// Nearest integer, a half going to the even neighbour. NaN gives 0; values beyond the
/// 64-bit range saturate.
std::int64_t RoundHalfEven(double value);

/// The particle count the universe is built with.
std::string NumberLabel(std::int32_t position);
/// position cubed, halved in integer arithmetic: a display figure only.
std::string MassLabel(std::int32_t position);
/// The space parameter, (position x 0.125)^3, rounded half to even.
std::string SpaceLabel(std::int32_t position);
/// 100 times the velocity parameter, (position x 0.02)^3 x 100, rounded half to even.
std::string VelocityLabel(std::int32_t position);
/// position - 100: a display figure only.
std::string DistributionLabel(std::int32_t position);
/// position / 20 with two decimals and a "." (the tree's opening angle): 12 gives "0.60".
std::string TwentiethsLabel(std::int32_t position);

/// The iteration figure: the count, followed by "+" once it has stopped at the largest
/// 32-bit count (after about 25 days at 1,000 steps a second).
std::string IterationText(std::int32_t count);

/// fraction x 100 in fixed point with two decimals and the given decimal separator,
/// followed by "%": 0.875 gives "87.50%".
std::string OptimisationText(float fraction, std::string_view decimalSeparator);

/// A hint's two parts: the pop-up tip before the first "|" and the status-line text after
/// it. A hint without "|" serves as both.
struct THintParts {
    std::string_view Short;
    std::string_view Long;
};
THintParts SplitHint(std::string_view hint);

} // namespace SettingsLabels
