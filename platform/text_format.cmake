# printf-style formatting into UTF-16 buffers.
add_library(quarvel_text_format text_format.cpp)
target_include_directories(quarvel_text_format PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_text_format PUBLIC quarvel_text)
