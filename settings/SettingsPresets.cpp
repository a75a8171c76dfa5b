#include "settings/SettingsPresets.h"

#include "settings/SettingsTable.h"
#include "universe/GravityMethod.h"

#include <array>

namespace SettingsPresets {

namespace {

using S = TSettings;

/// One setting a preset changes from the start values.
struct TChange {
    std::int32_t S::*Integer = nullptr;
    bool S::*Flag = nullptr;
    std::int32_t Value = 0;
};

constexpr TChange Set(std::int32_t S::*field, std::int32_t value) {
    return {field, nullptr, value};
}
constexpr TChange Set(bool S::*field, bool value) {
    return {nullptr, field, value ? 1 : 0};
}

/// A preset as the start values with a few settings changed: whatever a preset does not
/// name (the view page, Auto Apply, the lines) stays as a new user finds it.
struct TPresetRow {
    std::string_view Name;
    std::string_view Caption;
    std::string_view Hint;
    double RadiusBound;
    bool Sprays;
    std::int32_t RadiusSteps;
    std::array<TChange, 12> Changes;
};

constexpr std::int32_t Sphere = 0;

// Mass, pressure, friction and radiation act per particle or per pair. The default universe
// (1,280 particles, Mass 53) has a total pull of 1,280 x (53 x 0.001)^3 = 0.19; the larger
// presets keep that total, and thin the pair effects by the growth in particles near one
// another, so their clusters hold together as the default's do instead of flying apart.
// The galaxies are stepped in full every step (the tree has no stale far forces to soften
// the fall), and there pressure is what stops the merged core: with it thinned as much as
// friction, the core falls in so far that friction, summed over hundreds of close
// neighbours, overshoots and flings it apart.
// clang-format off
constexpr std::array<TPresetRow, 6> Rows{{
    {"PresetCollision", "Collision of Two (1,280)",
     "The start universe: two clusters of 640 fall together and merge", 5, false, 2000, {}},
    {"PresetSlowMerger", "Slow Merger (28,880)",
     "Two clusters of 14,440 set far apart drift together and merge slowly", 5, false, 2000,
     {{Set(&S::Number, 100), Set(&S::Mass, 19), Set(&S::Separation, 200),
       Set(&S::Pressure, 7), Set(&S::FrictionEffect, 11), Set(&S::Radiation, 4)}}},
    {"PresetGalaxies", "Galaxy Collision (192,080, tree)",
     "Two clusters of 96,040 collide, worked out with the fast, approximate tree", 5, false, 2000,
     {{Set(&S::Number, 220), Set(&S::Mass, 10), Set(&S::Pressure, 12),
       Set(&S::FrictionEffect, 4), Set(&S::Radiation, 2), Set(&S::GravityMethod, gmTree)}}},
    {"PresetRotating", "Rotating Cluster (5,120)",
     "One globular cluster of 5,120 turning about its axis", 5, false, 2000,
     {{Set(&S::Number, 56), Set(&S::Mass, 26), Set(&S::Globular, 0), Set(&S::Formation, Sphere),
       Set(&S::Pressure, 13), Set(&S::FrictionEffect, 19), Set(&S::Radiation, 6)}}},
    {"PresetHot", "Hot Collision (1,280, luminance)",
     "Two clusters collide hard and glow where they press together", 5, false, 2000,
     {{Set(&S::Pressure, 60), Set(&S::Radiation, 40), Set(&S::FrictionEffect, 60),
       Set(&S::ShowLuminance, true), Set(&S::Contrast, 512)}}},
    {"PresetDisc", "Flat Disc (5,120)",
     "One flat, rotating disc of 5,120", 5, false, 2000,
     {{Set(&S::Number, 56), Set(&S::Mass, 26), Set(&S::Globular, 100),
       Set(&S::Formation, Sphere), Set(&S::Pressure, 13),
       Set(&S::FrictionEffect, 19), Set(&S::Radiation, 6)}}},
}};
// clang-format on

std::array<TPreset, Rows.size()> MakePresets() {
    std::array<TPreset, Rows.size()> presets{};
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        const TPresetRow& row = Rows[i];
        TSettings settings = SettingsTable::Defaults();
        for (const TChange& change : row.Changes) {
            if (change.Integer)
                settings.*change.Integer = change.Value;
            else if (change.Flag)
                settings.*change.Flag = change.Value != 0;
        }
        // A preset chooses its formation, as a user's pick in the list does.
        settings.StartFormation = settings.Formation;
        presets[i] = {row.Name,        row.Caption, row.Hint,       settings,
                      row.RadiusBound, row.Sprays,  row.RadiusSteps};
    }
    return presets;
}

// The settings of the view, not of the universe: a preset keeps the user's unless it names them.
constexpr std::int32_t S::*ViewIntegers[] = {&S::PartSize, &S::Contrast};
constexpr bool S::*ViewFlags[] = {&S::ShowLuminance, &S::UseLines, &S::AutoApply};

} // namespace

std::span<const TPreset> All() {
    static const std::array<TPreset, Rows.size()> presets = MakePresets();
    return presets;
}

const TPreset* Find(std::string_view name) {
    for (const TPreset& preset : All())
        if (preset.Name == name)
            return &preset;
    return nullptr;
}

TSettings Applied(const TPreset& preset, const TSettings& current) {
    TSettings settings = preset.Settings;
    for (const auto field : ViewIntegers)
        settings.*field = current.*field;
    for (const auto flag : ViewFlags)
        settings.*flag = current.*flag;
    for (const TPresetRow& row : Rows)
        if (row.Name == preset.Name)
            for (const TChange& change : row.Changes) {
                if (change.Integer)
                    settings.*change.Integer = change.Value;
                else if (change.Flag)
                    settings.*change.Flag = change.Value != 0;
            }
    return settings;
}

} // namespace SettingsPresets
