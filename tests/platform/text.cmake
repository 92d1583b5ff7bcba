quarvel_test(text_utf_tests SOURCES platform/text_utf_test.cpp LIBS quarvel_text)
