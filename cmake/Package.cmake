# The Debian package: `cpack -G DEB` in the build folder gives kelda_<version>_<arch>.deb.
# dpkg-shlibdeps works out the runtime libraries (Qt among them) from the installed programs.
set(KELDA_PACKAGE_MAINTAINER "KELDA developers <kelda@vexa.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

# What Debian asks of every package besides the programs: the copyright file, the changelog
# (written from CHANGES.md), compressed like the manual pages, and lintian's overrides, each with
# its reason.
include(cmake/Changelog.cmake)
kelda_gzipped(${CMAKE_BINARY_DIR}/doc/changelog gz)
list(APPEND KELDA_GZIPPED ${gz})
add_custom_target(kelda_gzipped ALL DEPENDS ${KELDA_GZIPPED})
set(KELDA_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kelda)
install(FILES ${gz} ${CMAKE_SOURCE_DIR}/data/package/copyright DESTINATION ${KELDA_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/package/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kelda)

set(CPACK_PACKAGE_NAME kelda)
set(CPACK_PACKAGE_VENDOR Vexa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming tool for a marine VHF radio with DSC")
set(CPACK_PACKAGE_DESCRIPTION
    "KELDA reads the whole memory of a marine VHF radio with DSC over a USB-serial\n"
    "cable, shows its channels, DSC contacts (MMSIs) and settings in sheets for\n"
    "editing, checks them for mistakes, saves and opens clone files, prints the\n"
    "sheets and writes the memory back. kelda is the desktop program, kelda-cli the\n"
    "same core for scripts, and kelda-radiosim a simulated radio to try reading and\n"
    "writing without hardware.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELDA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KELDA_GUI)
  # Qt's libraries only recommend their platform plugins; without them the window cannot open.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # The triggers of these packages refresh the menu, the icon cache and the file types.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
endif()

include(CPack)
