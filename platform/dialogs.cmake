# Modal dialogs from DIALOG templates, their controls, the phone's dialog set-up
# and message boxes.
add_library(quarvel_dialogs
  dialogs.cpp
  dialog_controls.cpp
  dialog_message_box.cpp
  dialog_template.cpp
)
target_include_directories(quarvel_dialogs PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_dialogs
  PUBLIC quarvel_windows quarvel_drawing quarvel_resources quarvel_text quarvel_runtime
         quarvel_phone_shell)
