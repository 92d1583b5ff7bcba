# Drawing: a software renderer on SDL surfaces, fonts through fontconfig and
# SDL2_ttf, images decoded with SDL2_image.
add_library(quarvel_drawing drawing.cpp drawing_text.cpp)
target_include_directories(quarvel_drawing PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_drawing
  PUBLIC PkgConfig::SDL2
  PRIVATE quarvel_text PkgConfig::SDL2_TTF PkgConfig::SDL2_IMAGE PkgConfig::FONTCONFIG)
