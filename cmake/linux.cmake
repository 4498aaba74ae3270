# Linux: the binary, desktop entry, metainfo, icons, manual page and changelog under /usr,
# packaged as a Debian package.
configure_file(res/org.glowpanel.GlowPanel.metainfo.xml.in org.glowpanel.GlowPanel.metainfo.xml
               @ONLY)
install(TARGETS glow-panel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/org.glowpanel.GlowPanel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/org.glowpanel.GlowPanel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES res/glow-panel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 64 128 256)
  install(FILES res/glow-panel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME glow-panel.png)
endforeach()

# Manual page and changelog, compressed without a time stamp so builds are reproducible.
configure_file(packaging/glow-panel.1.in glow-panel.1 @ONLY)
configure_file(packaging/changelog.in changelog @ONLY)
foreach(doc glow-panel.1 changelog)
  add_custom_command(OUTPUT ${doc}.gz
                     COMMAND gzip -9nc ${doc} > ${doc}.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/${doc}
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
endforeach()
add_custom_target(docs ALL DEPENDS glow-panel.1.gz changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/glow-panel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GLOW_PANEL_MAINTAINER}")
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop tool for a device whose vacuum fluorescent display is reached over
a serial line. Pick a port (any serial device, USB adapters included) and
9600, 19200 or 38400 baud, then drive the display by hand: an initialisation
sequence with a Chinese banner, a clear command, a sweep through every
character code and free text. Everything the device sends back is shown as
Big5 (Traditional Chinese) text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Beyond the linked libraries: a platform plugin to show a window, Qt's own texts in
# Chinese, the faces the window's fonts fall back to, and the SQLite driver that keeps the
# results; the PostgreSQL driver for a bench that stores on a server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-arphic-uming, fonts-liberation, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
