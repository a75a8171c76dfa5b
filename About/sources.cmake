# The about box.
set(PURE_SOURCES)
set(QT_SOURCES About.h About.cpp)
