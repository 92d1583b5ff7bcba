quarvel_test(drawing_tests
  SOURCES platform/drawing_test.cpp platform/drawing_fast_paths_test.cpp
  LIBS quarvel_drawing PkgConfig::SDL2 PkgConfig::SDL2_IMAGE PkgConfig::LIBPNG)
