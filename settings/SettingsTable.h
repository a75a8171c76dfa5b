#pragma once

#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class TUniverse;

/// What the value label beside a slider shows for a position.
enum class TLabelKind : std::uint8_t {
    None,          // the slider has no value label
    Decimal,       // the position itself
    ParticleCount, // the particle count derived from the position
    MassHalfCube,  // position^3 / 2
    SpaceCube,     // (position x 0.125)^3, rounded half to even
    VelocityCube,  // (position x 0.02)^3 x 100, rounded half to even
    Offset100,     // position - 100
    Twentieths,    // position / 20 with two decimals
};

/// How a processing setting reaches the universe's own copy of it, which may be of another
/// type than the setting's position; all null for every other setting.
struct TEngineField {
    void (*Set)(TUniverse& universe, std::int32_t value);
    /// Whether the universe holds exactly what Set would give it for value.
    bool (*Holds)(const TUniverse& universe, std::int32_t value);
    /// The universe's value as a position, for a range check; a value that is no position at
    /// all gives one outside every range.
    std::int32_t (*Position)(const TUniverse& universe);

    constexpr bool Exists() const { return Set != nullptr; }
};

/// One setting: its field in TSettings, range, start value, whether a simulation file keeps
/// it and, for a slider, how the properties window builds the slider. The window, the file
/// schema, the universe's settings and the window's tests all read this one table.
struct TSettingRow {
    std::string_view Property;        // the published property, also its name in a file
    std::int32_t TSettings::*Integer; // the field, for an integer setting
    bool TSettings::*Flag;            // the field, for a check box
    std::int32_t Min;
    std::int32_t Max;
    std::int32_t Default; // the value the creation handler writes (a view's own for the
                          // View page's settings, which the first active view replaces)
    bool Kept;            // a simulation file keeps it
    bool Added;           // kept only by files written since it came: older files lack it
                          // and open with Default
    /// The universe's own copy of a processing setting, which the properties window passes
    /// straight on; empty for every other setting.
    TEngineField Engine;

    // The slider; Name is empty for a setting shown on another control.
    std::string_view Name;     // the slider's object name
    std::string_view Caption;  // the caption label left of the slider ("&" marks a key)
    bool CaptionFocusesSlider; // whether the caption's key moves the focus to the slider
    std::int32_t Design;       // position before the creation handler runs
    std::int32_t PageSize;
    std::int32_t TickSpacing;
    std::string_view Hint;      // short part "|" long part
    std::string_view LabelName; // empty when there is no value label
    std::string_view LabelDesignText;
    TLabelKind Label;

    constexpr bool IsSlider() const { return !Name.empty(); }
};

namespace SettingsTable {

inline constexpr std::size_t SliderCount = 17;

/// Every setting: the sliders first, grouped by page (Universe, Processing, View), then the
/// check boxes, the gravity method and the formation.
std::span<const TSettingRow> All();
/// The sliders, in the order of All().
std::span<const TSettingRow> Sliders();

/// The row whose Property or slider Name equals key; null when there is none.
const TSettingRow* Find(std::string_view key);
/// The row of a field of TSettings; null for a field the table does not list.
const TSettingRow* Find(std::int32_t TSettings::*field);
const TSettingRow* Find(bool TSettings::*field);

/// value held to the range of the setting whose Property or slider Name equals key; value
/// itself when there is no such setting.
std::int32_t Clamp(std::string_view key, std::int32_t value);

/// The setting's value as a file keeps it: a check box as 0 or 1.
std::int32_t Value(const TSettings& settings, const TSettingRow& row);
/// Stores value into the setting (a check box is on for anything but 0), unclamped.
void SetValue(TSettings& settings, const TSettingRow& row, std::int32_t value);

/// The tree's opening angle for a position of its slider: position / 20.
double OpeningAngle(std::int32_t position);

/// The start values of every setting.
TSettings Defaults();

/// The value label's text for a position; empty for TLabelKind::None.
std::string LabelText(TLabelKind kind, std::int32_t position);

} // namespace SettingsTable
