# Every folder above the engine is one layer, built from the two lists in its sources.cmake:
# PURE_SOURCES, Qt-free logic (camera maths, drawing into a pixel buffer, label formulas,
# menu tables), become <name>_logic, which builds and is tested without Qt and under the
# sanitizers; QT_SOURCES, the thin classes that bind windows and controls to that logic,
# become <name>. A layer links only to the layers below it
# (universe <- settings <- Childwin <- Storage <- statistics <- Options <- Main), so each
# folder's tests link against exactly what the folder may use, and a call the wrong way up
# fails to link there. Storage (files and recordings, no windows) builds a plain library
# instead, and statistics its own three: the figures over the engine, the same over Storage
# for a file's recorded frames, and the statistics window over the first.
#
#   astrivo_add_layer(<name> [LOGIC_LINKS <targets>...] [QT_LINKS <targets>...])
function(astrivo_add_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "LOGIC_LINKS;QT_LINKS")
  set(PURE_SOURCES)
  set(QT_SOURCES)
  include(${CMAKE_CURRENT_SOURCE_DIR}/sources.cmake)

  if(PURE_SOURCES)
    add_library(${name}_logic STATIC ${PURE_SOURCES})
    target_include_directories(${name}_logic PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name}_logic PUBLIC ${LAYER_LOGIC_LINKS})
    target_compile_options(${name}_logic PRIVATE ${ASTRIVO_WARNINGS})
  elseif(LAYER_LOGIC_LINKS)
    message(FATAL_ERROR "${name}: LOGIC_LINKS given but sources.cmake lists no PURE_SOURCES")
  endif()

  if(ASTRIVO_ENGINE_ONLY)
    return()
  endif()
  if(NOT QT_SOURCES)
    message(FATAL_ERROR "${name}: sources.cmake lists no QT_SOURCES")
  endif()
  add_library(${name} STATIC ${QT_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(PURE_SOURCES)
    target_link_libraries(${name} PUBLIC ${name}_logic)
  endif()
  target_link_libraries(${name} PUBLIC ${LAYER_QT_LINKS} Qt6::Widgets)
  target_compile_options(${name} PRIVATE ${ASTRIVO_WARNINGS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  astrivo_precompile(${name} QT)
endfunction()
