# Install rules and the Debian package. Everything lands in the standard
# freedesktop places below the prefix, so that `cmake --install` into any
# prefix gives a tree that runs from there.
include(GNUInstallDirs)

install(TARGETS pelkora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/pelkora-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/pelkora-cli.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pelkora-cli)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelkora RENAME copyright)

if(PELKORA_GUI)
  install(TARGETS pelkora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/man/pelkora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/data/pelkora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/pelkora-big.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.pelkora.Pelkora.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/pelkora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # The PNG sizes of the icon theme, drawn from the SVG at build time.
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_pngs)
  foreach(size 16 32 48 64 128 256)
    set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/pelkora.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/data/icons/pelkora.svg
      DEPENDS ${PROJECT_SOURCE_DIR}/data/icons/pelkora.svg
      COMMENT "Drawing the ${size}px icon")
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${icon_pngs})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelkora)
set(CPACK_PACKAGE_VENDOR "The Pelkora developers")
set(CPACK_PACKAGE_CONTACT "The Pelkora developers <pelkora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "List and extract Big file game archives")
set(CPACK_PACKAGE_DESCRIPTION
  "Pelkora opens game archives in the Big file format, lists every entry and extracts the selected ones, or all of them, into a folder: folders recreated, compressed entries decoded, each file stamped with its time. It comes as a window program and as the command-line tool pelkora-cli.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The platform plugins are loaded at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
