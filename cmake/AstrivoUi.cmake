# The desktop program: one library holding every window class, plus a thin executable.
# Each window subsystem keeps its own folder; the library picks up whatever they hold.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB ASTRIVO_UI_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/Childwin/*.cpp ${PROJECT_SOURCE_DIR}/Childwin/*.h
  ${PROJECT_SOURCE_DIR}/Options/*.cpp ${PROJECT_SOURCE_DIR}/Options/*.h
  ${PROJECT_SOURCE_DIR}/Main/*.cpp ${PROJECT_SOURCE_DIR}/Main/*.h
  ${PROJECT_SOURCE_DIR}/About/*.cpp ${PROJECT_SOURCE_DIR}/About/*.h)
list(FILTER ASTRIVO_UI_SOURCES EXCLUDE REGEX ".*/Main/main\\.cpp$")
file(GLOB ASTRIVO_UI_RESOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.qrc)

if(ASTRIVO_UI_SOURCES)
  add_library(astrivo_ui STATIC ${ASTRIVO_UI_SOURCES} ${ASTRIVO_UI_RESOURCES})
  target_include_directories(astrivo_ui PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(astrivo_ui PUBLIC astrivo_universe Qt6::Widgets)
  target_compile_options(astrivo_ui PRIVATE ${ASTRIVO_WARNINGS})

  add_executable(astrivo ${PROJECT_SOURCE_DIR}/Main/main.cpp)
  target_link_libraries(astrivo PRIVATE astrivo_ui)
  target_compile_options(astrivo PRIVATE ${ASTRIVO_WARNINGS})
endif()
