# Dialogs, their controls and message boxes, with the program's own resources
# (the About dialog and the icon) built in.
quarvel_test(dialogs_tests SOURCES platform/dialogs_test.cpp
  LIBS quarvel_dialogs quarvel_test_layer PkgConfig::LIBZIP)
include(${PROJECT_SOURCE_DIR}/resources/resources.cmake)
quarvel_embed_program_resources(dialogs_tests)
# Screenshots of the About box and a message box go next to the test program;
# the suite's form, a template of every focusable kind, is a file beside it.
target_compile_definitions(dialogs_tests PRIVATE SCREENSHOT_FOLDER="${CMAKE_CURRENT_BINARY_DIR}"
  DIALOG_FORM="${CMAKE_CURRENT_SOURCE_DIR}/platform/packs/dialogs/form.txt")
