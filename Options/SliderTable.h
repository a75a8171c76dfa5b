#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

/// What the value label beside a slider shows for a position.
enum class TLabelKind : std::uint8_t {
    None,          // the slider has no value label
    Decimal,       // the position itself
    ParticleCount, // the particle count derived from the position
    MassHalfCube,  // position^3 / 2
    SpaceCube,     // (position x 0.125)^3, rounded half to even
    VelocityCube,  // (position x 0.02)^3 x 100, rounded half to even
    Offset100,     // position - 100
};

/// Every slider of the properties window is built from one row of this table, and the
/// window's tests read their expectations from it too.
struct TSliderRow {
    std::string_view Property; // the published property the slider edits
    std::string_view Name;     // the slider's object name
    std::string_view Caption;  // the caption label left of the slider ("&" marks a key)
    bool CaptionFocusesSlider; // whether the caption's key moves the focus to the slider
    std::int32_t Min;
    std::int32_t Max;
    std::int32_t Design; // position before the creation handler runs
    std::int32_t PageSize;
    std::int32_t TickSpacing;
    std::string_view Hint;      // short part "|" long part
    std::string_view LabelName; // empty when there is no value label
    std::string_view LabelDesignText;
    TLabelKind Label;
};

namespace SliderTable {

/// All sixteen sliders, grouped by page: Universe, Processing, View.
std::span<const TSliderRow> All();

/// The row whose Property or Name equals key; null when there is none.
const TSliderRow* Find(std::string_view key);

/// value held to the range of the slider whose Property or Name equals key; value itself
/// when there is no such slider.
std::int32_t Clamp(std::string_view key, std::int32_t value);

/// The value label's text for a position; empty for TLabelKind::None.
std::string LabelText(TLabelKind kind, std::int32_t position);

} // namespace SliderTable
