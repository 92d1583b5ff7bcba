# The test program's own module holds the main window's soft-key bar and a
# malformed one.
quarvel_test(phone_shell_tests
  SOURCES platform/phone_shell_test.cpp
  LIBS quarvel_phone_shell quarvel_test_layer)
quarvel_embed_module(TARGET phone_shell_tests SOURCE_DIR platform/packs/phone_shell)
