# Packages of both programs: a Debian package on Linux (cpack -G DEB), and on
# Windows a zip of a folder that runs on a machine without Qt (cpack -G ZIP)
# and an installer made from that zip with NSIS.

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/deployqt.cmake)
endif()

set(CPACK_PACKAGE_NAME zolprint)
# The package takes ZOLprint's version: the user-name tool keeps its own in its
# caption, and a package can carry only one.
set(CPACK_PACKAGE_VERSION ${ZOLprint_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read and print the measurements of ZOL moisture meters")
# Lines within 79 columns: Debian shows each after a space, in 80.
set(CPACK_PACKAGE_DESCRIPTION
    "ZOLprint reads the measurements stored in a ZOL hand-held moisture meter
over a serial port or a USB serial adapter, shows them page by page for
correction, saves and opens them as a measurements file and prints them, in
Dutch, English, German or French.
ZOL user name (command zol-user-name) is the service tool that reads a ZOL6
meter's version record and programs its user name.")
set(ZOL_PACKAGE_MAINTAINER "ZOLprint maintainers <maintainers@zolprint.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ZOL_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # dpkg-shlibdeps names the package of every library the programs link,
    # Qt's among them, with the version their symbols need; it also refuses a
    # library that no package provides, so a build against a Qt outside the
    # system cannot turn into a package that installs and then fails to start.
    # The platform plugin for X11 comes with libqt6gui6 and the CUPS print
    # plugin with libqt6printsupport6, both on that list already.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Courier New, which the page window and the printout ask for, is
    # substituted by the metric-compatible Liberation Mono. Qt's own texts in
    # the four languages (the buttons of every message box, the file dialog,
    # the serial port's reasons) come with the translations; without them a
    # Dutch error box would end in English, so they are a dependency. The
    # measurements file type becomes known to the desktop through
    # shared-mime-info, whose trigger rebuilds its database when the package
    # installs the type's definition.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, shared-mime-info")
elseif(WIN32)
    set(CPACK_GENERATOR ZIP)
    # One folder that unpacks beside whatever else is in the download folder.
    set(CPACK_PACKAGE_FILE_NAME "ZOLprint-${ZOLprint_VERSION}-windows-x64")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    # The icon of the file type, the Start menu entries and the installed
    # programs' list, which the programs carry only inside their resources.
    install(FILES ${PROJECT_SOURCE_DIR}/resources/zol.ico DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The installer is made from the zip, right after it, so both hold the
    # same files.
    set(CPACK_ZOL_NSIS_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/zolprint.nsi)
    set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/windows/makeinstaller.cmake)
endif()

include(CPack)
