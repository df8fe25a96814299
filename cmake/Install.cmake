# Install rules and the Debian package.
include(GNUInstallDirs)

install(TARGETS tarvix tarvix-poll tarvix-slave tarvix-edit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/tarvix-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tarvix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The program's icon in the hicolor theme: the drawing itself, and PNGs of
# the usual sizes rendered from it.
install(FILES ${CMAKE_SOURCE_DIR}/resources/tarvix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/${size}x${size}/tarvix.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The Designer plugin goes where Qt Designer looks for plugins.
install(TARGETS tarvix_designer_plugin LIBRARY DESTINATION ${QT6_INSTALL_PLUGINS}/designer)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarvix developers <tarvix@localhost>")
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
