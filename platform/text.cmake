add_library(quarvel_text text_utf.cpp)
target_include_directories(quarvel_text PUBLIC ${PROJECT_SOURCE_DIR})
