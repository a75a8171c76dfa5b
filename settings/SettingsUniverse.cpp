#include "settings/SettingsUniverse.h"

#include "settings/SettingsTable.h"
#include "universe/Universe.h"

namespace SettingsUniverse {

TUniverseSettings Build(const TSettings& settings) {
    TUniverseSettings build;
    build.Number = settings.Number;
    build.Distribution = settings.Distribution;
    build.Space = settings.Space;
    build.Velocity = settings.Velocity;
    build.Mass = settings.Mass;
    build.Friction = settings.FrictionEffect;
    build.Pressure = settings.Pressure;
    build.Radiation = settings.Radiation;
    build.Globular = settings.Globular;
    build.Separation = settings.Separation;
    build.UseThermodynamics = settings.UseThermoCalc;
    build.Formation = settings.Formation;
    build.RedoFrequency = settings.RedoFrequency;
    build.MatrixResolution = settings.MatrixResolution;
    build.LocalitySize = settings.LocalitySize;
    build.MaxSeparation = settings.MaxSeparation;
    return build;
}

void ApplyProcessing(const TSettings& settings, TUniverse& universe) {
    for (const TSettingRow& row : SettingsTable::All())
        if (row.Engine.Exists())
            row.Engine.Set(universe, SettingsTable::Value(settings, row));
}

std::string_view ProcessingDisagreement(const TSettings& settings, const TUniverse& universe) {
    for (const TSettingRow& row : SettingsTable::All())
        if (row.Engine.Exists() && !row.Engine.Holds(universe, SettingsTable::Value(settings, row)))
            return row.Property;
    return {};
}

} // namespace SettingsUniverse
