quarvel_test(sound_tests SOURCES platform/sound_test.cpp LIBS quarvel_sound quarvel_resources PkgConfig::LIBZIP)
