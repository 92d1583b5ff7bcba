quarvel_test(game_screen_tests
  SOURCES game_screen/game_screen_test.cpp game_screen/game_screen_support.cpp
  LIBS quarvel_game_screen quarvel_test_layer)
target_compile_definitions(game_screen_tests PRIVATE PACK_BUILD_TOOL="$<TARGET_FILE:quarvel-pack-build>"
  GAME_SCREEN_PACK="${CMAKE_CURRENT_SOURCE_DIR}/game_screen/pack"
  TABLES="${CMAKE_CURRENT_SOURCE_DIR}/game_screen/tables")
add_dependencies(game_screen_tests quarvel-pack-build)
