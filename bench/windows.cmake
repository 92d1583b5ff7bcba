add_executable(windows_bench windows_bench.cpp)
target_link_libraries(windows_bench PRIVATE quarvel_host benchmark::benchmark benchmark::benchmark_main)
