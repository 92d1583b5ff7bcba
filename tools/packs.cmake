# The pack compiler and the pack inspection command.
add_executable(quarvel-pack-build pack_build.cpp)
target_link_libraries(quarvel-pack-build PRIVATE quarvel_resource_names quarvel_zip)

add_executable(quarvel-pack quarvel_pack.cpp)
target_include_directories(quarvel-pack PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(quarvel-pack PRIVATE quarvel_resources quarvel_layout)
