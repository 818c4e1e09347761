# Installation and the Debian package. `cmake --install` puts the program, ql50-cli, ql50-sim
# and the acquisition service ql50d into bin/, their manual pages into man1, ql50d's systemd
# unit and example configuration (below), the desktop entry, icon and AppStream
# metadata into the freedesktop places (so desktops list the program in their menus and
# software centres show it), and the copyright and changelog into doc/ql50. `cpack -G DEB`
# builds a package whose library dependencies dpkg-shlibdeps computes from the binaries (it
# needs dpkg-dev); tests/install checks it with lintian.
include(GNUInstallDirs)
include(cmake/ManPages.cmake)

install(TARGETS ql50 ql50-cli ql50-sim ql50d RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
ql50_man_page(ql50 "operate the QL50 water-analysis measuring module")
ql50_man_page(ql50-cli "operate the QL50 water-analysis measuring module from scripts")
ql50_man_page(ql50-sim "a virtual QL50 measuring module behind a pseudo-terminal")
ql50_man_page(ql50d "unattended acquisition from QL50 measuring modules into a store and MQTT")

# ql50d's systemd unit (installed disabled: the administrator enables it) and its example
# configuration, a conffile. Below the prefix /usr (the package) they go where Debian keeps them,
# /lib/systemd/system and /etc/ql50; below any other prefix, into lib/systemd/system and etc/ql50
# there. The package's maintainer scripts add the system user ql50 in the group dialout.
install(CODE "set(ql50_packaging \"${CMAKE_CURRENT_SOURCE_DIR}/packaging\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(ql50_root "")
  else()
    set(ql50_root "${CMAKE_INSTALL_PREFIX}")
  endif()
  file(INSTALL "${ql50_packaging}/ql50d.service" DESTINATION "${ql50_root}/lib/systemd/system")
  file(INSTALL "${ql50_packaging}/ql50d.conf" DESTINATION "${ql50_root}/etc/ql50")
]])

set(QL50_APPSTREAM_ID io.github.ql50.ql50)
install(FILES packaging/ql50.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/ql50.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/${QL50_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Who answers for the package: "name <address>", an address that reaches a person.
set(QL50_MAINTAINER "ql50 developers <ql50@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian package, as: name <address>")
if(NOT QL50_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ .]+>$")
  message(FATAL_ERROR "QL50_MAINTAINER must read \"name <address>\": ${QL50_MAINTAINER}")
endif()

# The changelog's newest entry names the package's version: a new version needs its entry.
set(QL50_DEB_RELEASE 1)
file(STRINGS packaging/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^ql50 \\(${PROJECT_VERSION}-${QL50_DEB_RELEASE}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${newest}\": add an entry for "
                      "${PROJECT_VERSION}-${QL50_DEB_RELEASE}")
endif()
set(docs ${CMAKE_BINARY_DIR}/packaging)
configure_file(packaging/changelog ${docs}/changelog.Debian @ONLY)
execute_process(COMMAND ${QL50_GZIP} -9nc ${docs}/changelog.Debian OUTPUT_FILE ${docs}/changelog.Debian.gz
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "gzip of the changelog failed")
endif()
install(FILES packaging/copyright ${docs}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ql50)
# lintian's remarks that do not apply, each with its reason (packaging/lintian-overrides).
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ql50)

set(CPACK_PACKAGE_NAME ql50)
set(CPACK_PACKAGE_VENDOR "ql50")
set(CPACK_PACKAGE_CONTACT "${QL50_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QL50_DEB_RELEASE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operates the QL50 water-analysis measuring module")
# cpack installs below its packaging prefix /usr with DESTDIR set (whatever the build's prefix),
# so the unit and the configuration land in /lib/systemd/system and /etc/ql50 of the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst"
    "${CMAKE_CURRENT_SOURCE_DIR}/packaging/prerm" "${CMAKE_CURRENT_SOURCE_DIR}/packaging/postrm"
    "${CMAKE_CURRENT_SOURCE_DIR}/packaging/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Lines of at most 79 characters: the control file puts a blank before each.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Live values and their recording, calibration, configuration, data-logger\n"
       "read-out and clock of the QL50 measuring module for water analysis (pH,\n"
       "Redox, conductivity, turbidity, dissolved oxygen) on an RS-232 line.\n"
       "\n"
       "ql50-cli does the same from scripts, and ql50-sim runs a virtual module on a\n"
       "pseudo-terminal, so the program can be tried without hardware.\n"
       "\n"
       "ql50d polls several modules unattended into a local SQLite store and publishes\n"
       "their readings to an MQTT broker; it runs as a systemd service (installed\n"
       "disabled) under the system user ql50.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by dpkg-shlibdeps: Qt's platform plugins, which the program loads at run time, the
# fonts its windows are laid out with, and adduser for the maintainer scripts. Qt's German translation is recommended: without it
# Qt's own dialogs stay English in the German program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# ql50d's readings go to a broker best kept on the same machine to begin with.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mosquitto")
set(CPACK_STRIP_FILES ON)
include(CPack)
