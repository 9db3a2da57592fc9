# Install rules, for `cmake --install` and for the Debian package that
# debian/rules builds through them. Included at the end of the top-level
# CMakeLists.txt, once both programs are defined.
include(GNUInstallDirs)

set(VLX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VLX_PACKAGING_BINARY_DIR ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS vorlantix vorlantix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The menu entry and the software centres' description share one id.
install(FILES ${VLX_PACKAGING_DIR}/org.example.vorlantix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VLX_PACKAGING_DIR}/org.example.vorlantix.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VLX_PACKAGING_DIR}/vorlantix.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# File managers (Nautilus, Nemo, Thunar through tumbler) run it to show a
# design as its two waves.
install(FILES ${VLX_PACKAGING_DIR}/vorlantix.thumbnailer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
# The larger sizes are the 32-pixel icon enlarged without smoothing, so that
# docks and launchers do not blur the pixel art.
foreach(size 32 64 128)
  install(FILES ${VLX_PACKAGING_DIR}/icons/vorlantix-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vorlantix.png)
endforeach()

# Manual pages carry the project version and are compressed the way Debian
# expects (-n: no name or time stamp, so the bytes do not depend on the build).
find_program(VLX_GZIP gzip REQUIRED)
set(VLX_MAN_PAGES)
foreach(page vorlantix vorlantix-render)
  configure_file(${VLX_PACKAGING_DIR}/${page}.1.in ${VLX_PACKAGING_BINARY_DIR}/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${VLX_PACKAGING_BINARY_DIR}/${page}.1.gz
    COMMAND ${VLX_GZIP} -9 -n -f -k ${VLX_PACKAGING_BINARY_DIR}/${page}.1
    DEPENDS ${VLX_PACKAGING_BINARY_DIR}/${page}.1
    VERBATIM)
  list(APPEND VLX_MAN_PAGES ${VLX_PACKAGING_BINARY_DIR}/${page}.1.gz)
endforeach()
add_custom_target(vlx_man_pages ALL DEPENDS ${VLX_MAN_PAGES})
install(FILES ${VLX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence and changelog, where Debian keeps them for every package; they
# are the Debian package's own files (debian/copyright, debian/changelog).
set(VLX_CHANGELOG ${VLX_PACKAGING_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${VLX_CHANGELOG}
  COMMAND ${VLX_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/debian/changelog > ${VLX_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/debian/changelog)
add_custom_target(vlx_changelog ALL DEPENDS ${VLX_CHANGELOG})
install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${VLX_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlantix)
# A design to open, render and see as a thumbnail straight away.
install(FILES ${PROJECT_SOURCE_DIR}/examples/triangle-to-square.vlx
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlantix/examples)
