quarvel_test(windows_tests SOURCES platform/windows_test.cpp LIBS quarvel_windows)
