#pragma once

#include <cstdint>

/// Every setting of the properties window, by the name of its published property. A
/// default-made value holds zeros: the window's state before its creation handler writes
/// the start values (SettingsTable::Defaults()).
struct TSettings {
    // Universe page: taken by the next build.
    std::int32_t Number = 0; // the particle-count slider, not the count itself
    std::int32_t Mass = 0;
    std::int32_t Globular = 0;
    std::int32_t Separation = 0;
    std::int32_t Space = 0;
    std::int32_t Velocity = 0;
    std::int32_t Distribution = 0;
    // Processing page: passed straight on to the running universe.
    std::int32_t RedoFrequency = 0;
    std::int32_t MatrixResolution = 0;
    std::int32_t LocalitySize = 0;
    std::int32_t Pressure = 0;
    std::int32_t FrictionEffect = 0;
    std::int32_t Radiation = 0;
    std::int32_t GravityMethod = 0; // a TGravityMethod: 0 pairs, 1 tree
    std::int32_t OpeningAngle = 0;  // the tree's opening angle in twentieths
    // View page: passed on to the active view.
    std::int32_t PartSize = 0;
    std::int32_t Contrast = 0;
    std::int32_t MaxSeparation = 0; // a processing setting, shown beside the lines
    bool UseThermoCalc = false;
    bool ShowLuminance = false;
    bool UseLines = false;
    bool AutoApply = false;
    /// The formation last chosen by the user (0 one globular cluster, 1 collision of two).
    std::int32_t StartFormation = 0;
    /// The formation the formation list shows, which is the one a build takes. It differs
    /// from StartFormation after creation, which selects "Collision of two" in the list
    /// without choosing it.
    std::int32_t Formation = 0;

    bool operator==(const TSettings&) const = default;
};
