# Tests that open sockets or serial lines run inside a private network
# namespace with only loopback up, so that no packet can ever leave the
# machine. Where unshare is refused, the test runs directly.
set(TARVIX_NETNS_RUN ${CMAKE_SOURCE_DIR}/tests/netns-run.sh)

# tarvix_add_net_test(NAME name COMMAND cmd args...)
function(tarvix_add_net_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${TARVIX_NETNS_RUN} ${T_COMMAND})
endfunction()

# Widget tests render offscreen and keep their runtime files in a private folder.
function(tarvix_widget_test_env name)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime")
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
  file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
