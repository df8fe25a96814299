# Install rules and the Debian package.
include(GNUInstallDirs)

# Who makes the package and where it lives; the AppStream ids
# (org.tarvix.*) are this domain reversed.
set(TARVIX_HOMEPAGE "https://tarvix.org")
set(TARVIX_MAINTAINER "Tarvix developers <developers@tarvix.org>")
set(TARVIX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvix)
set(generated ${PROJECT_BINARY_DIR}/packaging)

include(${CMAKE_CURRENT_LIST_DIR}/ManPages.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)

install(TARGETS tarvix tarvix-poll tarvix-slave tarvix-edit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The launcher prints the same licence line as the programs' --version.
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/tarvix_version.h.in license_define REGEX "define TARVIX_LICENSE_LINE ")
string(REGEX REPLACE ".*TARVIX_LICENSE_LINE \"([^\"]*)\".*" "\\1" TARVIX_LICENSE_LINE "${license_define}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/tarvix-launch.in ${generated}/tarvix-launch @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(PROGRAMS ${generated}/tarvix-launch DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop entries and their AppStream metadata, whose releases come from
# the changelog.
tarvix_read_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md "${TARVIX_MAINTAINER}" ${generated}/changelog)
foreach(id org.tarvix.Tarvix org.tarvix.TarvixEdit)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${id}.metainfo.xml.in ${generated}/${id}.metainfo.xml @ONLY)
  install(FILES ${generated}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

# The icons in the hicolor theme: the drawings themselves, and PNGs of the
# usual sizes rendered from them.
foreach(icon tarvix tarvix-edit)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/${icon}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${size}x${size}/${icon}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endforeach()

# The Designer plugin goes where Qt Designer looks for plugins.
install(TARGETS tarvix_designer_plugin LIBRARY DESTINATION ${QT6_INSTALL_PLUGINS}/designer)

# The licence in Debian's machine-readable copyright format: the text of
# LICENSE below its copyright line, each line indented, blank lines as " .".
# Debian's name for this licence (MIT) is Expat.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" license_body "${license_text}")
string(STRIP "${license_body}" license_body)
string(REPLACE "\n\n" "\n.\n" license_body "${license_body}")
string(REPLACE "\n" "\n " license_body "${license_body}")
string(CONCAT copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tarvix\n"
  "Upstream-Contact: ${TARVIX_MAINTAINER}\n"
  "Source: ${TARVIX_HOMEPAGE}\n"
  "\n"
  "Files: *\n"
  "Copyright: ${TARVIX_COPYRIGHT_YEARS} The Tarvix developers\n"
  "License: Expat\n"
  " ${license_body}\n")
tarvix_write_if_changed(${generated}/copyright "${copyright}")
install(FILES ${generated}/copyright DESTINATION ${TARVIX_DOC_DIR})

# The changelog, compressed as Debian wants it (no time stamp inside).
add_custom_command(OUTPUT ${generated}/changelog.gz
  COMMAND sh -c "gzip -9n < changelog > changelog.gz"
  WORKING_DIRECTORY ${generated}
  DEPENDS ${generated}/changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md VERBATIM)
add_custom_target(changelog_gz ALL DEPENDS ${generated}/changelog.gz)
install(FILES ${generated}/changelog.gz DESTINATION ${TARVIX_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TARVIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVIX_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL ${TARVIX_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Modbus register viewer for TCP, UDP and serial slaves")
set(CPACK_PACKAGE_DESCRIPTION "Tarvix watches and changes the registers of one Modbus slave over\nEthernet TCP or UDP (header or CRC framing) or a serial line with\noptional RS-485 transmitter control. Registers are shown in a hex grid\nwith counters, status and raw frames; editing a cell writes the register.\nIncludes the tarvix-poll console client, the tarvix-slave simulator and\ntarvix-edit, a program text editor built on the project's editor control.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
