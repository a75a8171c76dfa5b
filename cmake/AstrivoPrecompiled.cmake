# Reading headers is most of what compiling this program costs: about 3.7 of the 4.2 s a
# main-window file takes go on Qt's headers, and GoogleTest's header alone takes longer to
# read than most test files take to compile. Targets with several such files read the
# common headers once, from a precompiled header (built once per target, about 10 s for the
# Qt set); a target of one or two files would pay more for building it than it saves.
#
#   astrivo_precompile(<target> [QT] [GTEST])

set(ASTRIVO_QT_PRECOMPILED
    <QAction> <QApplication> <QBoxLayout> <QComboBox> <QDialog> <QFileDialog> <QImage>
    <QLabel> <QMainWindow> <QMdiArea> <QMdiSubWindow> <QMenu> <QMessageBox> <QPainter>
    <QPushButton> <QStatusBar> <QTimer> <QWidget>)
set(ASTRIVO_STD_PRECOMPILED <functional> <memory> <string> <vector>)
set(ASTRIVO_PRECOMPILE_MIN_FILES 4)

option(ASTRIVO_PRECOMPILE "Read the common Qt and GoogleTest headers from precompiled headers" ON)

function(astrivo_precompile target)
  cmake_parse_arguments(PARSE_ARGV 1 PCH "QT;GTEST" "" "")
  if(NOT ASTRIVO_PRECOMPILE)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources files)
  if(files LESS ASTRIVO_PRECOMPILE_MIN_FILES)
    return()
  endif()
  set(headers ${ASTRIVO_STD_PRECOMPILED})
  if(PCH_QT)
    list(APPEND headers ${ASTRIVO_QT_PRECOMPILED})
  endif()
  if(PCH_GTEST)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
