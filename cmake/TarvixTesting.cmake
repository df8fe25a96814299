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

# One way to declare a test:
#   tarvix_test(NAME
#               SOURCES src...          the test program (omit with COMMAND)
#               [COMMAND cmd args...]   run this instead of the built program
#               [LIBS lib...] [DEFINES def...] [ARGS arg...] [ENV VAR=value...]
#               [GUI]                   Qt widgets offscreen, a private runtime folder
#               [NETWORK]               inside a private network namespace (loopback only)
#               [XVFB]                  against a private X server (tests/controls/with-xvfb.sh)
#               [LABELS label...])
function(tarvix_test name)
  cmake_parse_arguments(T "GUI;NETWORK;XVFB" "" "SOURCES;COMMAND;LIBS;DEFINES;ARGS;ENV;LABELS" ${ARGN})
  if(T_SOURCES)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    if(T_DEFINES)
      target_compile_definitions(${name} PRIVATE ${T_DEFINES})
    endif()
  endif()
  if(T_COMMAND)
    set(cmd ${T_COMMAND})
  else()
    set(cmd $<TARGET_FILE:${name}>)
  endif()
  list(APPEND cmd ${T_ARGS})
  set(env ${T_ENV})
  if(T_GUI OR T_XVFB)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
    file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    list(APPEND env "XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime")
  endif()
  if(T_XVFB)
    set(cmd ${PROJECT_SOURCE_DIR}/tests/controls/with-xvfb.sh ${cmd})
  elseif(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_NETWORK)
    set(cmd ${TARVIX_NETNS_RUN} ${cmd})
  endif()
  add_test(NAME ${name} COMMAND ${cmd})
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
