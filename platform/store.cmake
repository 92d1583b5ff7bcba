# The registry, kept in one REGEDIT4 store file in the user's data folder.
add_library(quarvel_store registry.cpp registry_store.cpp)
target_include_directories(quarvel_store PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel_store PUBLIC quarvel_text PRIVATE PkgConfig::SDL2)
