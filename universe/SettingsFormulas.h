#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

class TUniverse;
struct TStepControl;

/// The integer settings of the properties window, as the user sets them. The start values
/// are those the properties window shows when the program starts.
struct TUniverseSettings {
    std::int32_t Number = 40; // the particle-count slider, not the count itself
    std::int32_t Distribution = 99;
    std::int32_t Space = 48;
    std::int32_t Velocity = 80;
    std::int32_t Mass = 53;
    std::int32_t Friction = 30;
    std::int32_t Pressure = 20;
    std::int32_t Radiation = 10;
    std::int32_t Globular = 97;
    std::int32_t Separation = 100;
    bool UseThermodynamics = true;
    std::int32_t Formation = 1; // 0 one globular cluster, 1 collision of two
    std::int32_t RedoFrequency = 15;
    std::int32_t MatrixResolution = 250;
    std::int32_t LocalitySize = 25;
    std::int32_t MaxSeparation = 5;
};

/// Slider positions to universe parameters. Powers are integer powers (the base multiplied
/// by itself), so a zero base gives exactly 0.
namespace SettingsFormulas {

/// The count grows slowly at first for fine control of small universes, then quadratically:
/// the position itself below 25, 5 * (position - 24)^2 from 25 on. Defined for every
/// position: never below 0, and INT32_MAX where the formula passes it.
std::int32_t ParticleCount(std::int32_t number);

double Distribution(std::int32_t position); // (p * 0.01)^6
double Space(std::int32_t position);        // (p * 0.125)^3
double Velocity(std::int32_t position);     // (p * 0.02)^3
double Mass(std::int32_t position);         // (p * 0.001)^3
double Friction(std::int32_t position);     // (p / 200)^3 * 0.3
double Pressure(std::int32_t position);     // (p / 200)^3 * 0.1
double Radiation(std::int32_t position);    // (p / 1000)^3
double Separation(std::int32_t setting);    // s * 0.1
double Globular(std::int32_t position);     // (100 - p) * 0.01

/// 0 only for exactly "Globular (sphere)"; any other text, empty included, means collision.
std::int32_t FormationFromText(std::string_view text);

/// Builds and seeds the universe from the settings in the creation order: allocation,
/// parameters, iteration count reset, matrix and line settings, formation, seeding.
/// False when no particles could be allocated; nothing is then written but the release.
/// A given seed makes the seeding reproducible; without one it follows the clock. A build
/// that control cancels also gives false and leaves the universe without particles, as a
/// failed allocation does: the caller, who asked for the cancel, knows which it was.
bool BuildUniverse(TUniverse& universe, const TUniverseSettings& settings,
                   std::optional<std::uint64_t> seed = std::nullopt,
                   TStepControl* control = nullptr);

} // namespace SettingsFormulas
