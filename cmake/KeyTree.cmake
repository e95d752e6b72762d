# The key tree is described once in config/keys.txt; tools/gen_keys.py turns it
# into the node classes, value structures, enumeration codecs and defaults.
set(KEYTREE_SOURCE ${PROJECT_SOURCE_DIR}/config/keys.txt)
set(KEYTREE_GENERATOR ${PROJECT_SOURCE_DIR}/tools/gen_keys.py)
if(EXISTS ${KEYTREE_SOURCE} AND EXISTS ${KEYTREE_GENERATOR})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/generated/config)
  set(KEYTREE_OUTPUTS ${_out}/key_tree.h ${_out}/key_tree.cpp)
  add_custom_command(
    OUTPUT ${KEYTREE_OUTPUTS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_out}
    COMMAND Python3::Interpreter ${KEYTREE_GENERATOR} ${KEYTREE_SOURCE} ${_out}
    DEPENDS ${KEYTREE_SOURCE} ${KEYTREE_GENERATOR}
    COMMENT "Generating the key tree")
  target_sources(config PRIVATE ${KEYTREE_OUTPUTS})
endif()
