# scanner_library(name folder [deps...])
# A static library from every .cpp directly in `folder`. Headers are included as "folder/file.h"
# relative to the source root.
function(scanner_library name folder)
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _src)
    # A folder whose code has not landed yet still gives a library to link.
    set(_src ${CMAKE_BINARY_DIR}/empty/${name}.cpp)
    file(WRITE ${_src} "// ${name}: no sources yet\n")
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# scanner_test(name folder [deps...]): one GoogleTest binary per tests/ folder.
function(scanner_test name folder)
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${ARGN} test_support GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()
