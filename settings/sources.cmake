# Qt-free: the settings value, the one table of every setting (range, start value, slider,
# label), the label formulas, and the settings' way into the engine.
set(PURE_SOURCES Settings.h SettingsTable.h SettingsTable.cpp SettingsLabels.h SettingsLabels.cpp
                 SettingsUniverse.h SettingsUniverse.cpp SettingsPresets.h SettingsPresets.cpp)
# The one current set of settings, announcing its changes.
set(QT_SOURCES SettingsModel.h SettingsModel.cpp)
