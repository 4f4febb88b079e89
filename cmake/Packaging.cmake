# Desktop integration files and the Debian package. The binary's own install
# rule lives beside its target in src/CMakeLists.txt.
include(GNUInstallDirs)

set(VELTRIN_APP_ID org.example.Veltrin)
set(VELTRIN_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

install(FILES ${VELTRIN_DATA_DIR}/${VELTRIN_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELTRIN_DATA_DIR}/${VELTRIN_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${VELTRIN_DATA_DIR}/icons/veltrin-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME veltrin.png)
endforeach()
install(FILES ${VELTRIN_DATA_DIR}/icons/veltrin.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The font compiled into the binary goes out under its own licence.
install(FILES ${PROJECT_SOURCE_DIR}/resources/fonts/LICENSE-LiberationSans.txt
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrin)
set(CPACK_PACKAGE_VENDOR "Zelto")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small media player for video discs and media files")
set(CPACK_PACKAGE_INSTALL_DIRECTORY veltrin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Veltrin developers <veltrin@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The summary above is the first line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Plays Video CDs, DVD video folders, MPEG, AVI, MP3, Windows Media,\nQuickTime and MP4 files and play lists through GStreamer.")
# The libraries the binary links come from dpkg-shlibdeps; GStreamer's
# plugins and Qt's platform plugins are loaded at run time, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, qt6-qpa-plugins")
include(CPack)
