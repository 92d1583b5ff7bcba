# Sound: WAVE images from memory, played through SDL's audio queue.
add_library(quarvel_sound sound.cpp wave.cpp)
target_include_directories(quarvel_sound PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_sound PUBLIC quarvel_runtime PRIVATE quarvel_resources PkgConfig::SDL2)
