# The programs' manual pages: scdoc sources in docs/man/, turned into roff
# and compressed at build time, installed in section 1.
find_program(SCDOC_EXECUTABLE scdoc)
tarvix_require(SCDOC_EXECUTABLE "scdoc (the manual pages)" scdoc)

set(TARVIX_MAN_PAGES tarvix tarvix-poll tarvix-slave tarvix-edit tarvix-launch)
set(TARVIX_OPTION_PAGES tarvix-poll tarvix-slave tarvix-edit)
set(TARVIX_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(man_outputs "")
foreach(page IN LISTS TARVIX_MAN_PAGES)
  # The version in the page's footer comes from project().
  # The console programs' option lists come from their option rows.
  if(page IN_LIST TARVIX_OPTION_PAGES)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd ${TARVIX_MAN_DIR}/${page}.1.scd.in @ONLY)
    add_custom_command(OUTPUT ${TARVIX_MAN_DIR}/${page}.1.scd
      COMMAND tarvix-option-pages ${page} ${page}.1.scd.in ${page}.1.scd
      WORKING_DIRECTORY ${TARVIX_MAN_DIR}
      DEPENDS tarvix-option-pages ${TARVIX_MAN_DIR}/${page}.1.scd.in
      COMMENT "Option list of ${page}(1)" VERBATIM)
  else()
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd ${TARVIX_MAN_DIR}/${page}.1.scd @ONLY)
  endif()
  add_custom_command(OUTPUT ${TARVIX_MAN_DIR}/${page}.1.gz
    COMMAND sh -c "${SCDOC_EXECUTABLE} < ${page}.1.scd > ${page}.1 && gzip -9nf ${page}.1"
    WORKING_DIRECTORY ${TARVIX_MAN_DIR}
    DEPENDS ${TARVIX_MAN_DIR}/${page}.1.scd
    COMMENT "Manual page ${page}(1)" VERBATIM)
  list(APPEND man_outputs ${TARVIX_MAN_DIR}/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
