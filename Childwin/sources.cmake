# Qt-free view logic, built into astrivo_logic and tested without Qt.
set(PURE_SOURCES ViewCamera.h DisplayList.h)
# The view window itself.
set(QT_SOURCES ChildWin.h ChildWin.cpp)
