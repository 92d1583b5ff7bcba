# The key-assignment screen and the Options dialog, on the whole program in the
# test process (the fixture of tests/shell/program_support.h).
quarvel_test(front_screen_tests
  SOURCES shell/program_support.cpp front/controls_screen_test.cpp
          front/options_dialog_test.cpp
  LIBS quarvel_main_window quarvel_test_layer PkgConfig::LIBZIP)
target_compile_definitions(front_screen_tests PRIVATE PACK_FOLDER="${CMAKE_BINARY_DIR}/host/packs")
if(TARGET quarvel_pack_240x320)
  add_dependencies(front_screen_tests quarvel_pack_240x320)
endif()
quarvel_embed_program_resources(front_screen_tests)

# The same end to end through the headless host, at each pack's screen size.
foreach(size 176x220 240x240 240x320)
  add_test(NAME script_keys_and_options_${size}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:quarvel>
            -DSCRIPT=${CMAKE_CURRENT_SOURCE_DIR}/host/scripts/keys_and_options.txt
            -DOUT=${CMAKE_CURRENT_BINARY_DIR}/script_runs/keys_and_options_${size}
            -DSCREEN=${size}
            "-DEXPECT=menu command 40017;message box \"Quarvel\" \"Keep the new keys\\?\";message box answer yes;dialog \"Options\" shown;dialog \"Options\" ended 40058;exit 0"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/host/run_script_test.cmake)
endforeach()
