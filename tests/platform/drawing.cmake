quarvel_test(drawing_tests
  SOURCES platform/drawing_test.cpp
  LIBS quarvel_drawing PkgConfig::SDL2 PkgConfig::SDL2_IMAGE)
