# The phone shell: the task bar and soft-key strips, soft-key menu bars and their
# popup menus, full-screen control, the text-input panel and links.
find_package(Threads REQUIRED)
add_library(quarvel_phone_shell phone_shell.cpp shell_menu_text.cpp shell_menu_bar.cpp)
target_include_directories(quarvel_phone_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_phone_shell
  PUBLIC quarvel_windows quarvel_drawing quarvel_resources quarvel_text quarvel_runtime
  PRIVATE Threads::Threads)
