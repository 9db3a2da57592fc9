# Install rules and the Debian package (cpack -G DEB). Included at the end of
# the top-level CMakeLists.txt, once both programs are defined.
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

# The licence in Debian's machine-readable form and the changelog, where
# Debian keeps them for every package.
set(VLX_CHANGELOG ${VLX_PACKAGING_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${VLX_CHANGELOG}
  COMMAND ${VLX_GZIP} -9 -n -c ${VLX_PACKAGING_DIR}/changelog > ${VLX_CHANGELOG}
  DEPENDS ${VLX_PACKAGING_DIR}/changelog)
add_custom_target(vlx_changelog ALL DEPENDS ${VLX_CHANGELOG})
install(FILES ${VLX_PACKAGING_DIR}/copyright ${VLX_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlantix)

# The Debian package. The menu, MIME and icon databases need no maintainer
# scripts: dpkg triggers of desktop-file-utils, shared-mime-info and
# hicolor-icon-theme rebuild them when files under their directories change.
set(CPACK_PACKAGE_NAME vorlantix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorlantix team")
set(CPACK_PACKAGE_CONTACT "Vorlantix team <team@vorlantix.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "transition sound designer")
# The summary above becomes the first line of the Debian description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vorlantix shapes two single-cycle waveforms, each a chain of nodes joined
by tension curves, and the 100-period morph between them. It plays either
wave or the morph while a button is held, saves designs as .vlx documents,
exports the morph as a 16-bit mono WAV file and uploads it to a host
program. vorlantix-render renders a design from the command line: the morph
as a WAV file, a wavetable for other synthesizers (WAV or Surge .wt), or a
PNG picture; file managers show designs as thumbnails of their two waves.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
