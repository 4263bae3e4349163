# cmake --install and cpack -G DEB.
#
#   bin/tessor, bin/tessor-run        the programs
#   lib/tessor/libORV?.so             the simulated card libraries, where an
#                                     installed program looks after its own folder
#   share/applications, share/icons/hicolor, share/metainfo
#                                     the desktop entry, icons and AppStream data
#   share/mime/packages               the MIME type of program files (.knl)
#   share/doc/tessor                  README, licence, copyright and the demo machine
#
# The folder names are fixed, not GNUInstallDirs': the program finds its
# libraries as ../lib/tessor from its own folder, on every distribution.

set(TESSOR_RELEASE_DATE "2026-12-08")
set(TESSOR_PACKAGE_CONTACT "Tessor developers <tessor@example.org>" CACHE STRING
  "Maintainer field of the Debian package")

install(TARGETS tessor tessor-run RUNTIME DESTINATION bin)
install(TARGETS ORVA ORVB ORVC LIBRARY DESTINATION lib/tessor)

# The desktop entry names the program by its full installed path, so that a
# prefix outside PATH works too; the path is known only when installing.
install(CODE "
  set(TESSOR_APP_ID \"${TESSOR_APP_ID}\")
  set(TESSOR_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/resources/tessor.desktop.in\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake\")
")

configure_file(${PROJECT_SOURCE_DIR}/resources/tessor.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/resources/${TESSOR_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/resources/${TESSOR_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The program files' type, application/x-tessor-program: *.knl, or the
# "[Command Save]" line near the start. The package leaves the database to
# shared-mime-info's own trigger; an installation into the running system
# (no DESTDIR) brings the prefix's database and the desktop entries' type
# cache up to date itself, where the tools are there.
install(FILES ${PROJECT_SOURCE_DIR}/resources/tessor.mime.xml
  DESTINATION share/mime/packages RENAME ${TESSOR_APP_ID}.xml)
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    find_program(TESSOR_UPDATE_MIME update-mime-database)
    find_program(TESSOR_UPDATE_DESKTOP update-desktop-database)
    if(TESSOR_UPDATE_MIME)
      message(STATUS \"Updating: \${CMAKE_INSTALL_PREFIX}/share/mime\")
      execute_process(COMMAND \${TESSOR_UPDATE_MIME} \"\${CMAKE_INSTALL_PREFIX}/share/mime\")
    endif()
    if(TESSOR_UPDATE_DESKTOP)
      execute_process(COMMAND \${TESSOR_UPDATE_DESKTOP} -q \"\${CMAKE_INSTALL_PREFIX}/share/applications\")
    endif()
  endif()
")

install(FILES ${PROJECT_SOURCE_DIR}/resources/tessor.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME ${TESSOR_APP_ID}.svg)
foreach(size IN ITEMS 48 256)
  install(FILES ${TESSOR_ICON_DIR}/${size}x${size}/${TESSOR_APP_ID}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/resources/copyright DESTINATION share/doc/tessor)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/tessor)
install(FILES
  ${PROJECT_SOURCE_DIR}/examples/demo/demo.knl
  ${PROJECT_SOURCE_DIR}/examples/demo/machine.conf
  ${PROJECT_SOURCE_DIR}/examples/demo/sysparam.cfg
  DESTINATION share/doc/tessor/examples/demo)

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME tessor)
set(CPACK_PACKAGE_VENDOR "Tessor developers")
set(CPACK_PACKAGE_CONTACT "${TESSOR_PACKAGE_CONTACT}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator and test program for pulse-train motion-controller cards")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tessor brings up one or two PCI pulse-train motion-controller cards of the
models ORVA, ORVB and ORVC, describes the mechanics of each axis, jogs and
homes axes, runs point-to-point, linear and circular moves, and writes,
stores and runs short motion programs whose moves are checked against the
encoders and corrected. English and Chinese.
.
Simulated card libraries are included in /usr/lib/tessor, so that everything
can be rehearsed without hardware. tessor-run runs motion programs without
windows.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: what the programs and libraries link against (dpkg-shlibdeps).
# Qt's platform plugins for X11 come with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Chinese, and a font for the Chinese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
# No maintainer scripts: see the script.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebPostBuild.cmake)
include(CPack)
