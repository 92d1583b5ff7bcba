# Resource modules: zip packs read with libzip, and the program's own module.
include(${PROJECT_SOURCE_DIR}/cmake/QuarvelPacks.cmake)

# Entry naming, shared with the pack compiler; no system libraries.
add_library(quarvel_resource_names resource_names.cpp)
target_include_directories(quarvel_resource_names PUBLIC ${PROJECT_SOURCE_DIR})

# libzip for the pack tools, whose folder cannot see this folder's imported targets.
add_library(quarvel_zip INTERFACE)
target_link_libraries(quarvel_zip INTERFACE PkgConfig::LIBZIP)

add_library(quarvel_resources resources.cpp resource_text.cpp)
target_include_directories(quarvel_resources PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_resources
  PUBLIC quarvel_resource_names quarvel_drawing quarvel_text
  PRIVATE PkgConfig::LIBZIP PkgConfig::SDL2)
