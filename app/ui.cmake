# The connection dialog, the About box, the application object and the
# program `tarvix`. They need the main window (view/), the settings library
# and the serial port list; until those exist in the tree nothing here is
# defined, so the folder always configures.
set(_tarvix_ui_needs
  ${CMAKE_SOURCE_DIR}/view/CMakeLists.txt
  ${CMAKE_SOURCE_DIR}/view/Tarvix_unit.h
  ${CMAKE_SOURCE_DIR}/view/fonts.h
  ${CMAKE_SOURCE_DIR}/platform/serial_ports.h
  ${CMAKE_CURRENT_LIST_DIR}/settings.cmake)
set(_tarvix_ui_ready TRUE)
foreach(f ${_tarvix_ui_needs})
  if(NOT EXISTS ${f})
    set(_tarvix_ui_ready FALSE)
    message(STATUS "tarvix: the program is not built yet, missing ${f}")
  endif()
endforeach()

if(_tarvix_ui_ready)
  add_library(tarvix_appui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Selconnunit.cpp ${CMAKE_CURRENT_LIST_DIR}/Selconnunit.h
    ${CMAKE_CURRENT_LIST_DIR}/Aboutunit.cpp ${CMAKE_CURRENT_LIST_DIR}/Aboutunit.h
    ${CMAKE_CURRENT_LIST_DIR}/shadow_label.cpp ${CMAKE_CURRENT_LIST_DIR}/shadow_label.h
    ${CMAKE_CURRENT_LIST_DIR}/app_resources.cpp ${CMAKE_CURRENT_LIST_DIR}/app_resources.h
    ${CMAKE_CURRENT_LIST_DIR}/tarvix_app.cpp ${CMAKE_CURRENT_LIST_DIR}/tarvix_app.h
    ${CMAKE_CURRENT_LIST_DIR}/app.qrc)
  target_include_directories(tarvix_appui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(tarvix_appui PUBLIC Qt6::Widgets tarvix_platform tarvix_setup)

  add_executable(tarvix ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  # The system log entry points are looked up in the executable.
  set_target_properties(tarvix PROPERTIES ENABLE_EXPORTS ON)

  # The main window and the settings library are defined in folders that
  # CMake reads after this one: link them at the end of the top level, and
  # leave the program out of the build when one is still missing.
  function(_tarvix_ui_link)
    set(missing "")
    foreach(t tarvix_view tarvix_settings tarvix_controls)
      if(NOT TARGET ${t})
        list(APPEND missing ${t})
      endif()
    endforeach()
    if(missing)
      message(STATUS "tarvix: the program is not built yet, missing targets ${missing}")
      set_target_properties(tarvix_appui tarvix PROPERTIES EXCLUDE_FROM_ALL TRUE)
      return()
    endif()
    target_link_libraries(tarvix_appui PUBLIC tarvix_view tarvix_settings tarvix_controls)
    target_link_libraries(tarvix PRIVATE tarvix_appui tarvix_view tarvix_settings tarvix_controls)
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _tarvix_ui_link)
endif()
