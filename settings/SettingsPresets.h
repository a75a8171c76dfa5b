#pragma once

#include "settings/Settings.h"

#include <cstdint>
#include <span>
#include <string_view>

/// A ready-made simulation: a whole set of settings that was tried at its particle count and
/// found to look right there. Mass, pressure and friction are per particle, so a larger count
/// needs smaller ones to keep the clusters' pull, and with it their size, as the default
/// universe has it.
struct TPreset {
    std::string_view Name;    // the menu item's object name
    std::string_view Caption; // the menu item's text
    std::string_view Hint;    // what the user will see, for the status line
    TSettings Settings;
    /// The half-mass radius may grow to this many times its value after the build in the
    /// first RadiusSteps steps. 5 for a universe that keeps together; a scenario meant to
    /// spray has a larger one, and Sprays says so.
    double RadiusBound;
    bool Sprays;
    std::int32_t RadiusSteps;
};

namespace SettingsPresets {

/// Every preset, in menu order.
std::span<const TPreset> All();

/// The preset called name; null when there is none.
const TPreset* Find(std::string_view name);

/// What picking preset makes of the settings current: every universe and processing setting
/// the preset's, while the View page and Auto Apply stay as the user left them, but for those
/// the preset itself sets (the hot collision's luminance).
TSettings Applied(const TPreset& preset, const TSettings& current);

} // namespace SettingsPresets
