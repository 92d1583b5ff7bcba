# The program icon, resources/ICON/101.png, is the output of quarvel-icon. The
# target quarvel-icon-update writes it again; the test keeps the two in step.
add_executable(quarvel-icon icon.cpp)
find_package(ZLIB REQUIRED)
target_link_libraries(quarvel-icon PRIVATE ZLIB::ZLIB)
add_custom_target(quarvel-icon-update
  COMMAND quarvel-icon ${PROJECT_SOURCE_DIR}/resources/ICON/101.png
  COMMENT "Drawing resources/ICON/101.png")
add_test(NAME program_icon_matches_its_generator
  COMMAND sh -c "\"$<TARGET_FILE:quarvel-icon>\" icon_check.png && cmp icon_check.png \"${PROJECT_SOURCE_DIR}/resources/ICON/101.png\""
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
