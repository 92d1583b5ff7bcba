# The test program's own module holds a good and a malformed soft-key bar,
# written only when their text changes, so a configure rebuilds nothing.
set(shell_test_module ${CMAKE_CURRENT_BINARY_DIR}/phone_shell_module)
file(CONFIGURE OUTPUT ${shell_test_module}/MENUBAR/102 @ONLY
  CONTENT "button 40006 \"Pause\"\nmenu 40047 \"Menu\"\n  item 40001 \"Sound\"\n")
file(CONFIGURE OUTPUT ${shell_test_module}/MENUBAR/103 @ONLY CONTENT "menu 40047 \"Empty\"\n")
quarvel_test(phone_shell_tests
  SOURCES platform/phone_shell_test.cpp
  LIBS quarvel_phone_shell quarvel_test_layer)
quarvel_embed_module(TARGET phone_shell_tests SOURCE_DIR ${shell_test_module})
