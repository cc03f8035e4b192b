# Installation and the Debian package (cpack -G DEB).
# Layout: bin/zarvik, bin/zarvik-tool, bin/zarvik-report (installed by their folders in tools/),
# lib/zarvik/<simulator library>, share/zarvik/help, share/zarvik/first-run, the desktop entry,
# icons, AppStream metainfo and the man page.
set(ZV_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/first-run/ DESTINATION share/zarvik/first-run)
if(UNIX AND NOT APPLE)
  install(FILES ${ZV_DESKTOP_DIR}/de.zerovo.Zarvik.desktop DESTINATION share/applications)
  install(FILES ${ZV_DESKTOP_DIR}/de.zerovo.Zarvik.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${ZV_DESKTOP_DIR}/zarvik.svg
          DESTINATION share/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${ZV_DESKTOP_DIR}/zarvik-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME zarvik.png)
  endforeach()
  install(FILES ${ZV_DESKTOP_DIR}/zarvik-tool.1 DESTINATION share/man/man1)
endif()

set(CPACK_PACKAGE_NAME zarvik)
set(CPACK_PACKAGE_VENDOR "ZEROVO")
set(CPACK_PACKAGE_CONTACT "ZARVIK developers <zarvik@zerovo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Database and control program of the Zarvik 850 pull-off tester")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)
include(CPack)
