#pragma once

#include "settings/Settings.h"
#include "universe/SettingsFormulas.h"

class TUniverse;

/// Where the settings meet the engine: a build takes TUniverseSettings, and the processing
/// settings (the rows of SettingsTable with an Engine field) go straight to a universe.
namespace SettingsUniverse {

/// What a build takes: the Universe page, the thermodynamics switch, the formation the list
/// shows and the processing settings.
TUniverseSettings Build(const TSettings& settings);

/// Gives universe the processing settings.
void ApplyProcessing(const TSettings& settings, TUniverse& universe);

/// The property name of the first processing setting on which settings and universe differ;
/// empty when they agree.
std::string_view ProcessingDisagreement(const TSettings& settings, const TUniverse& universe);

} // namespace SettingsUniverse
