# The key tree is described once, by the tables config/keys/*.txt (read in file-name
# order); tools/gen_keys.py turns them into the node classes, value structures,
# enumeration codecs and defaults under the build tree. Nothing generated is committed.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KEYTREE_GENERATOR ${PROJECT_SOURCE_DIR}/tools/gen_keys.py)

# keytree_generate(<output root> <variable for the outputs> <table>...)
function(keytree_generate out_root outputs_var)
  set(_outs ${out_root}/config/key_tree.h ${out_root}/config/key_tree.cpp)
  list(SORT ARGN)
  add_custom_command(
    OUTPUT ${_outs}
    COMMAND Python3::Interpreter ${KEYTREE_GENERATOR} ${out_root}/config ${ARGN}
    DEPENDS ${ARGN} ${KEYTREE_GENERATOR}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Generating the key tree in ${out_root}"
    VERBATIM)
  set(${outputs_var} ${_outs} PARENT_SCOPE)
endfunction()

# A new table file is picked up without editing the build.
file(GLOB KEYTREE_TABLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/config/keys/*.txt)
keytree_generate(${CMAKE_BINARY_DIR}/generated KEYTREE_OUTPUTS ${KEYTREE_TABLES})
target_sources(config PRIVATE ${KEYTREE_OUTPUTS})
# Users of the config library include the generated header: build it before them.
add_custom_target(config_key_tree DEPENDS ${KEYTREE_OUTPUTS})
add_dependencies(config config_key_tree)
# rapidjson 1.1 (Debian) offsets a null stack pointer the first time its parse and write
# stacks grow; clang's sanitizer reports that on every JSON text. The check stays on
# everywhere else.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND (SCANNER_FUZZ OR SCANNER_SANITIZE))
  target_compile_options(config PRIVATE -fno-sanitize=pointer-overflow)
endif()

# The store's own tests run on a small fixed tree (the store's base keys and
# tests/config/test_keys.txt) so that they do not follow the production tables.
# The thread sanitizer pass leaves them out with the other single-threaded tests.
if(SCANNER_TESTS AND NOT SCANNER_TSAN)
  add_test(NAME keytree_generator COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/config/gen_keys_test.py)
  file(GLOB _tree_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/config/tree/*.cpp)
  if(_tree_tests)
    keytree_generate(${CMAKE_BINARY_DIR}/generated-test KEYTREE_TEST_OUTPUTS
                     ${PROJECT_SOURCE_DIR}/config/keys/00-base.txt ${PROJECT_SOURCE_DIR}/tests/config/test_keys.txt)
    file(GLOB _config_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/config/*.cpp)
    add_library(config_test_tree STATIC ${_config_sources} ${KEYTREE_TEST_OUTPUTS})
    target_include_directories(config_test_tree BEFORE PUBLIC ${CMAKE_BINARY_DIR}/generated-test)
    target_include_directories(config_test_tree PUBLIC ${PROJECT_SOURCE_DIR} ${RAPIDJSON_INCLUDE_DIR})
    target_link_libraries(config_test_tree PUBLIC Threads::Threads)

    find_package(GTest REQUIRED)
    include(GoogleTest)
    add_executable(test_config_tree ${_tree_tests})
    target_link_libraries(test_config_tree PRIVATE config_test_tree GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(test_config_tree DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  endif()
endif()
