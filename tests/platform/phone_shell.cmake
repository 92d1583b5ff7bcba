# The test program's own module holds a good and a malformed soft-key bar.
set(shell_test_module ${CMAKE_CURRENT_BINARY_DIR}/phone_shell_module)
file(WRITE ${shell_test_module}/MENUBAR/102 "button 40006 \"Pause\"\nmenu 40047 \"Menu\"\n  item 40001 \"Sound\"\n")
file(WRITE ${shell_test_module}/MENUBAR/103 "menu 40047 \"Empty\"\n")
quarvel_test(phone_shell_tests
  SOURCES platform/phone_shell_test.cpp
  LIBS quarvel_phone_shell quarvel_test_layer)
quarvel_embed_module(TARGET phone_shell_tests SOURCE_DIR ${shell_test_module})
