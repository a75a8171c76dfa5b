#include "settings/SettingsLabels.h"

#include "universe/SettingsFormulas.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace SettingsLabels {

namespace {

// Slider positions are small; this bound only keeps a cube of any 32-bit value inside
// 64 bits (2^21 cubed is 2^63).
constexpr std::int64_t MaxCubedPosition = (std::int64_t{1} << 21) - 1;

std::int64_t ClampedCube(std::int32_t position) {
    std::int64_t p = position;
    if (p > MaxCubedPosition)
        p = MaxCubedPosition;
    if (p < -MaxCubedPosition)
        p = -MaxCubedPosition;
    return p * p * p;
}

double Cube(double x) {
    return x * x * x;
}

} // namespace

std::string DecimalText(std::int64_t value) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return std::string(digits.data(), result.ptr);
}

std::int64_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double Limit = 9223372036854775808.0;
    if (value >= Limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -Limit)
        return std::numeric_limits<std::int64_t>::min();
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole >= Limit)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(whole);
}

std::string IterationText(std::int32_t count) {
    std::string text = DecimalText(count);
    if (count == std::numeric_limits<std::int32_t>::max())
        text += '+';
    return text;
}

std::string NumberLabel(std::int32_t position) {
    return DecimalText(SettingsFormulas::ParticleCount(position));
}

std::string MassLabel(std::int32_t position) {
    return DecimalText(ClampedCube(position) / 2);
}

std::string SpaceLabel(std::int32_t position) {
    return DecimalText(RoundHalfEven(Cube(position * 0.125)));
}

std::string VelocityLabel(std::int32_t position) {
    // Multiplier first, then the cube, then the factor 100: positions 25, 75, 125 and 175
    // land exactly on halves in double precision.
    return DecimalText(RoundHalfEven(Cube(position * 0.02) * 100));
}

std::string DistributionLabel(std::int32_t position) {
    return DecimalText(std::int64_t{position} - 100);
}

std::string TwentiethsLabel(std::int32_t position) {
    // In whole hundredths: no rounding of a binary fraction can show 0.35 as 0.34.
    const std::int64_t hundredths = std::int64_t{position} * 5;
    const std::int64_t size = hundredths < 0 ? -hundredths : hundredths;
    const std::int64_t cents = size % 100;
    std::string text = hundredths < 0 ? "-" : "";
    text.append(DecimalText(size / 100));
    text.append(cents < 10 ? ".0" : ".");
    text.append(DecimalText(cents));
    return text;
}

std::string OptimisationText(float fraction, std::string_view decimalSeparator) {
    // to_chars ignores the C locale, so the separator is exactly the one asked for.
    std::array<char, 64> digits{};
    const double percent = static_cast<double>(fraction) * 100.0;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), percent,
                                      std::chars_format::fixed, 2);
    const std::string_view plain(digits.data(),
                                 static_cast<std::size_t>(result.ptr - digits.data()));
    std::string text;
    text.reserve(plain.size() + decimalSeparator.size() + 1);
    const auto dot = plain.find('.');
    if (dot == std::string_view::npos) {
        text.append(plain); // "inf" or "nan": nothing to localise
    } else {
        text.append(plain.substr(0, dot));
        text.append(decimalSeparator);
        text.append(plain.substr(dot + 1));
    }
    text.push_back('%');
    return text;
}

THintParts SplitHint(std::string_view hint) {
    const auto bar = hint.find('|');
    if (bar == std::string_view::npos)
        return {hint, hint};
    return {hint.substr(0, bar), hint.substr(bar + 1)};
}

} // namespace SettingsLabels
