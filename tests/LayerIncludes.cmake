# Fails when a source file includes a header from a folder above its own layer. Linking
# catches a call the wrong way up only when it needs a symbol; a header-only include (an
# inline table, a struct) slips through it, and that is how layers quietly grow into a circle.
#   cmake -DSOURCE_DIR=<repository root> -P LayerIncludes.cmake
# The layers, lowest first: a folder may include from itself and from those before it.
cmake_minimum_required(VERSION 3.25)
set(layers universe settings Childwin Storage video statistics Options About Main)

set(allowed)
set(faults)
foreach(layer IN LISTS layers)
  list(APPEND allowed ${layer})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(include IN LISTS includes)
      string(REGEX REPLACE ".*\"([A-Za-z_]+)/.*" "\\1" folder "${include}")
      if(NOT folder IN_LIST allowed)
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
        list(APPEND faults "${shown}: ${include}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " listed)
  message(FATAL_ERROR "Includes from a layer above the including folder:\n  ${listed}")
endif()
message(STATUS "Every folder includes only from its own layer and those below it.")
