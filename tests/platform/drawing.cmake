# SDL2_image for the tests that write and read PNG files the way other programs do.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2_IMAGE REQUIRED IMPORTED_TARGET SDL2_image)
quarvel_test(drawing_tests
  SOURCES platform/drawing_test.cpp
  LIBS quarvel_drawing PkgConfig::SDL2 PkgConfig::SDL2_IMAGE)
target_compile_definitions(drawing_tests PRIVATE
  PNG_KINDS_FOLDER="${CMAKE_CURRENT_SOURCE_DIR}/platform/png_kinds")
