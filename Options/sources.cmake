# Qt-free settings logic: label formulas and texts, the slider table, rotation rates.
set(PURE_SOURCES SettingsLabels.h SettingsLabels.cpp SliderTable.h SliderTable.cpp
                 RotationControl.h RotationControl.cpp)
# The properties window.
set(QT_SOURCES PropertiesHost.h Options.h Options.cpp OptionsPages.cpp OptionsRotation.cpp)
