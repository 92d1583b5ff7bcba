# Test packs: the complete pack in a module folder and next to the test program,
# and a pack of other contents under the same name in the module folder.
quarvel_add_pack(NAME resources_test_pack
  SOURCE_DIR platform/packs/complete OUTPUT resource_packs/240x320.dll)
quarvel_add_pack(NAME resources_test_near_pack
  SOURCE_DIR platform/packs/complete OUTPUT packs/resources-test.dll)
quarvel_add_pack(NAME resources_test_shadow_pack
  SOURCE_DIR platform/packs/program OUTPUT resource_packs/resources-test.dll)

quarvel_test(resources_tests SOURCES platform/resources_test.cpp LIBS quarvel_resources PkgConfig::LIBZIP)
quarvel_embed_module(TARGET resources_tests SOURCE_DIR platform/packs/program)
target_compile_definitions(resources_tests PRIVATE
  TEST_MODULE_FOLDER="${CMAKE_CURRENT_BINARY_DIR}/resource_packs"
  TEST_PACK_SOURCE="${CMAKE_CURRENT_SOURCE_DIR}/platform/packs/complete"
  TABLES="${CMAKE_CURRENT_SOURCE_DIR}/platform/tables"
  PACK_TOOL="$<TARGET_FILE:quarvel-pack>"
  PACK_BUILD_TOOL="$<TARGET_FILE:quarvel-pack-build>")
add_dependencies(resources_tests
  resources_test_pack resources_test_near_pack resources_test_shadow_pack quarvel-pack)

# The same source without an embedded module.
quarvel_test(resources_bare_tests SOURCES platform/resources_test.cpp LIBS quarvel_resources PkgConfig::LIBZIP)
target_compile_definitions(resources_bare_tests PRIVATE RESOURCES_TEST_WITHOUT_PROGRAM_MODULE)
