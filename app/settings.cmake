# The settings library (sectioned name=value files) and the program's own
# settings file. Plain C++, no Qt.
add_library(tarvix_settings STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/cfgfile.h
  ${CMAKE_CURRENT_SOURCE_DIR}/cfgfile.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tarvix_settings.h
  ${CMAKE_CURRENT_SOURCE_DIR}/tarvix_settings.cpp)
target_include_directories(tarvix_settings PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarvix_settings PRIVATE tarvix_platform)
set_target_properties(tarvix_settings PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# The OK step's filling of the exchange record (plain C++, no widgets).
add_library(tarvix_setup STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/exchange_setup.h
  ${CMAKE_CURRENT_SOURCE_DIR}/exchange_setup.cpp)
target_include_directories(tarvix_setup PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tarvix_setup PUBLIC tarvix_settings tarvix_engine)
set_target_properties(tarvix_setup PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
