# Installing as a Linux desktop program (`cmake --install`, and the Debian package of
# `make package`): the two programs, the manual, the icon, the desktop entry, the AppStream
# metadata, the man pages and the bash completion.
include(GNUInstallDirs)

set(CORV_APP_ID com.brisko.CorvaneLibrarian)
# The program names itself after its desktop entry (Wayland matches windows to entries by it).
target_compile_definitions(corvane-librarian PRIVATE CORV_APP_ID="${CORV_APP_ID}")
# The manual's folder; the Manual command finds it from the program's own folder (../share/doc/
# corvane-librarian), so any prefix works, an unpacked package too.
set(CORV_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/corvane-librarian)

install(TARGETS corvane-librarian corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION ${CORV_INSTALL_DOCDIR})

# The icon: the SVG for every size, and PNGs drawn by the program's own icon code.
set(CORV_ICON_SIZES 16 22 24 32 48 64 128 256)
set(CORV_ICON_TREE ${CMAKE_BINARY_DIR}/icons/hicolor)
add_executable(corv_icon_writer ${PROJECT_SOURCE_DIR}/src/icon_writer.cpp)
target_link_libraries(corv_icon_writer PRIVATE corv_app corv_warnings)
add_custom_command(
  OUTPUT ${CORV_ICON_TREE}/256x256/apps/corvane-librarian.png
  COMMAND corv_icon_writer ${CORV_ICON_TREE} corvane-librarian ${CORV_ICON_SIZES}
  DEPENDS corv_icon_writer
  COMMENT "Drawing the icon's PNG sizes")
add_custom_target(corv_icons ALL DEPENDS ${CORV_ICON_TREE}/256x256/apps/corvane-librarian.png)
install(DIRECTORY ${CORV_ICON_TREE}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/data/corvane-librarian.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${PROJECT_SOURCE_DIR}/data/${CORV_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/data/${CORV_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/data/${CORV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${CORV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man pages, compressed as Debian keeps them (gzip -n: no name or time inside, the same bytes
# on every build).
find_program(CORV_GZIP gzip REQUIRED)
set(CORV_MAN_PAGES corvane.1 corvane-librarian.1)
set(CORV_MAN_OUTPUTS)
foreach(page ${CORV_MAN_PAGES})
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/man/${page}
            ${CMAKE_BINARY_DIR}/man/${page}
    COMMAND ${CORV_GZIP} -n -9 -f ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page})
  list(APPEND CORV_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(corv_man_pages ALL DEPENDS ${CORV_MAN_OUTPUTS})
install(FILES ${CORV_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/data/corvane.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME corvane)

# The Debian package (`make package`).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane-librarian)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brisko)
set(CPACK_PACKAGE_CONTACT "Brisko <librarian@brisko.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "librarian for Corvane synthesizer projects")
# The long description; CPack puts the summary above it and indents it as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Corvane Librarian opens the project folders of the Corvane synthesizer and
shows each as three numbered lists: 512 patches, 896 tones and 999 waves.
Entries can be renamed, annotated, dragged between projects (carrying the
tones and waves a patch needs and renumbering every reference), deleted,
imported from audio files and cleaned out, with undo and crash-safe saves.

The package holds the desktop program corvane-librarian and the
command-line tool corvane.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
include(CPack)
