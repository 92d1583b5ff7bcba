# The resource packs built by packs/: each passes the pack inspector's check,
# their layouts, pictures, sounds, texts, menus and dialogs fit their screens,
# and the generator draws the same bytes every time.
set(pack_folder "${CMAKE_BINARY_DIR}/host/packs")
foreach(size 240x320 240x240 176x220)
  add_test(NAME pack_check_${size} COMMAND quarvel-pack check "${pack_folder}/${size}.dll")
endforeach()

quarvel_test(pack_tests
  SOURCES packs/layout_test.cpp
  LIBS quarvel_resources quarvel_layout quarvel_sound quarvel_text quarvel_dialogs
       quarvel_phone_shell)
target_compile_definitions(pack_tests PRIVATE PACK_FOLDER="${pack_folder}")
foreach(size 240x320 240x240 176x220)
  if(TARGET quarvel_pack_${size})
    add_dependencies(pack_tests quarvel_pack_${size})
  endif()
endforeach()

add_test(NAME pack_generator_repeatable
  COMMAND ${CMAKE_COMMAND}
    "-DGENERATOR=$<TARGET_FILE:quarvel-pack-gen>"
    "-DLAYOUT=${PROJECT_SOURCE_DIR}/packs/176x220/TEXT/101.txt"
    "-DWORK=${CMAKE_CURRENT_BINARY_DIR}/pack_generator_repeatable"
    -P "${CMAKE_CURRENT_SOURCE_DIR}/packs/repeatable.cmake")
