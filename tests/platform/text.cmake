quarvel_test(text_tests SOURCES platform/text_test.cpp LIBS quarvel_text)
