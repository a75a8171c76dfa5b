# Desktop integration: the program icon rendered into the sizes icon themes look for, a
# desktop entry, and `cmake --install` placing them with the executable in the usual places
# (bin/, share/applications/, share/icons/hicolor/<size>/apps/).
include(GNUInstallDirs)

set(ASTRIVO_ICON_SIZES 16 24 32 48 64 128 256)
set(ASTRIVO_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

add_executable(astrivo-icon ${PROJECT_SOURCE_DIR}/resources/IconExport.cpp)
target_link_libraries(astrivo-icon PRIVATE astrivo_shell)
target_compile_options(astrivo-icon PRIVATE ${ASTRIVO_WARNINGS})

set(ASTRIVO_ICON_FILES)
foreach(size IN LISTS ASTRIVO_ICON_SIZES)
  list(APPEND ASTRIVO_ICON_FILES ${ASTRIVO_ICON_DIR}/${size}x${size}/apps/astrivo.png)
endforeach()
add_custom_command(
  OUTPUT ${ASTRIVO_ICON_FILES}
  COMMAND astrivo-icon ${ASTRIVO_ICON_DIR} ${ASTRIVO_ICON_SIZES}
  DEPENDS astrivo-icon
  COMMENT "Rendering the program icon")
add_custom_target(astrivo-icons ALL DEPENDS ${ASTRIVO_ICON_FILES})

install(TARGETS astrivo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/astrivo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${ASTRIVO_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
