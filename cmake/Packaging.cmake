# Installation and the Debian package. `cmake --install` puts the program, ql50-cli and
# ql50-sim into bin/ and the desktop entry and icon into the freedesktop places, so desktops
# list the program in their menus. `cpack -G DEB` builds a package whose library dependencies
# dpkg-shlibdeps computes from the binaries (it needs dpkg-dev).
include(GNUInstallDirs)
install(TARGETS ql50 ql50-cli ql50-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/ql50.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/ql50.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME ql50)
set(CPACK_PACKAGE_VENDOR "ql50")
set(CPACK_PACKAGE_CONTACT "ql50 developers <ql50@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operates the QL50 water-analysis measuring module")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Live values and recording, calibration, configuration, data-logger read-out and clock "
       "of the QL50 measuring module on an RS-232 line; ql50-cli does the same from scripts "
       "and ql50-sim runs a virtual module on a pseudo-terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by dpkg-shlibdeps: Qt's platform plugins, which the program loads at run time, and
# the fonts its windows are laid out with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
