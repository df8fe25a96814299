# Tests that open sockets or serial lines run inside a private network
# namespace with only loopback up, so that no packet can ever leave the
# machine. Where unshare is refused, the test runs directly.
set(TARVIX_NETNS_RUN ${CMAKE_SOURCE_DIR}/tests/netns-run.sh)

# The private runtime folder of the tests that run Qt.
set(TARVIX_TEST_RUNTIME_DIR ${CMAKE_BINARY_DIR}/xdg-runtime)
file(MAKE_DIRECTORY ${TARVIX_TEST_RUNTIME_DIR})
file(CHMOD ${TARVIX_TEST_RUNTIME_DIR} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# Switches off Qt's code generators for targets that use no Qt.
function(tarvix_plain_targets)
  set_target_properties(${ARGN} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()

# One way to declare a test:
#   tarvix_test(NAME
#               SOURCES src...          the test program, built as target NAME (omit with COMMAND)
#               [COMMAND cmd args...]   run this instead of the built program
#               [LIBS lib...] [DEFINES def...] [ARGS arg...] [ENV VAR=value...]
#               [DEPENDS target...]     targets built before the test program (the peers it starts)
#               [GUI]                   Qt offscreen, a private runtime folder; Qt's code generators
#                                       run only for GUI and XVFB test programs
#               [NETWORK]               inside a private network namespace (loopback only)
#               [XVFB]                  against a private X server (tests/controls/with-xvfb.sh)
#               [EXPORTS]               the program exports its symbols (the system log entry points)
#               [LABELS label...]
#               [PROPERTIES prop value...])   further test properties: TIMEOUT, RESOURCE_LOCK, ...
function(tarvix_test name)
  cmake_parse_arguments(T "GUI;NETWORK;XVFB;EXPORTS" ""
    "SOURCES;COMMAND;LIBS;DEFINES;ARGS;ENV;LABELS;DEPENDS;PROPERTIES" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tarvix_test(${name}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  if(T_SOURCES)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    if(T_DEFINES)
      target_compile_definitions(${name} PRIVATE ${T_DEFINES})
    endif()
    if(NOT T_GUI AND NOT T_XVFB)
      tarvix_plain_targets(${name})
    endif()
    if(T_EXPORTS)
      set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    endif()
    if(T_DEPENDS)
      add_dependencies(${name} ${T_DEPENDS})
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
    list(APPEND env "XDG_RUNTIME_DIR=${TARVIX_TEST_RUNTIME_DIR}")
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
  if(T_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${T_PROPERTIES})
  endif()
endfunction()
