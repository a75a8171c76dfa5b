#include "universe/SettingsFormulas.h"

#include "universe/Universe.h"

#include <algorithm>
#include <limits>

namespace SettingsFormulas {

namespace {
double IntPower(double base, int exponent) {
    double result = base;
    for (int k = 1; k < exponent; ++k)
        result *= base;
    return result;
}
} // namespace

std::int32_t ParticleCount(std::int32_t number) {
    if (number < 25)
        return std::max(number, 0);
    // steps < 2^31, so its square fits in 64 bits; five times that square may not, so the
    // test comes before the multiplication.
    const std::int64_t steps = static_cast<std::int64_t>(number) - 24;
    const std::int64_t square = steps * steps;
    constexpr std::int64_t Limit = std::numeric_limits<std::int32_t>::max();
    return square > Limit / 5 ? static_cast<std::int32_t>(Limit)
                              : static_cast<std::int32_t>(5 * square);
}

double Distribution(std::int32_t p) {
    return IntPower(p * 0.01, 6);
}
double Space(std::int32_t p) {
    return IntPower(p * 0.125, 3);
}
double Velocity(std::int32_t p) {
    return IntPower(p * 0.02, 3);
}
double Mass(std::int32_t p) {
    return IntPower(p * 0.001, 3);
}
double Friction(std::int32_t p) {
    return IntPower(p / 200.0, 3) * 0.3;
}
double Pressure(std::int32_t p) {
    return IntPower(p / 200.0, 3) * 0.1;
}
double Radiation(std::int32_t p) {
    return IntPower(p / 1000.0, 3);
}
double Separation(std::int32_t s) {
    return s * 0.1;
}
double Globular(std::int32_t p) {
    return (100 - p) * 0.01;
}

std::int32_t FormationFromText(std::string_view text) {
    return text == "Globular (sphere)" ? 0 : 1;
}

bool BuildUniverse(TUniverse& universe, const TUniverseSettings& settings,
                   std::optional<std::uint64_t> seed, TStepControl* control) {
    if (!universe.Allocate(ParticleCount(settings.Number))) {
        universe.ReleaseParticles();
        return false;
    }
    if (seed)
        universe.SeedRandom(*seed);
    universe.Distribution = Distribution(settings.Distribution);
    universe.Space = Space(settings.Space);
    universe.Velocity = Velocity(settings.Velocity);
    universe.Mass = Mass(settings.Mass);
    universe.Friction = Friction(settings.Friction);
    universe.Pressure = Pressure(settings.Pressure);
    universe.Radiation = Radiation(settings.Radiation);
    universe.Separation = Separation(settings.Separation);
    universe.Globular = Globular(settings.Globular);
    universe.UseThermodynamics = settings.UseThermodynamics;
    universe.SetIterationCount(0);
    universe.SetRedoFrequency(settings.RedoFrequency);
    universe.SetMatrixResolution(settings.MatrixResolution);
    universe.SetLocalitySize(settings.LocalitySize);
    universe.SetMaxSeparation(settings.MaxSeparation);
    universe.Formation = settings.Formation;
    if (!universe.SeedFormation(control)) {
        universe.ReleaseParticles();
        return false;
    }
    return true;
}

} // namespace SettingsFormulas
