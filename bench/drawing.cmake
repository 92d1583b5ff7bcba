add_executable(drawing_bench drawing_bench.cpp)
target_link_libraries(drawing_bench PRIVATE quarvel_drawing benchmark::benchmark benchmark::benchmark_main)
