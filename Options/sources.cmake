# Qt-free: rotation rates.
set(PURE_SOURCES RotationControl.h RotationControl.cpp)
# The properties window.
set(QT_SOURCES PropertiesHost.h Options.h Options.cpp OptionsPages.cpp OptionsGravity.cpp
               OptionsRotation.cpp)
