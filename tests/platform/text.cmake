quarvel_test(text_tests SOURCES platform/text_utf_test.cpp platform/text_format_test.cpp LIBS quarvel_text)
