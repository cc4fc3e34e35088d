# The bending benchmark (not part of the default build or the tests); run it
# by hand as bench/bench_bend.cpp says.
add_executable(bench_bend EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_bend.cpp)
sarvolt_target_flags(bench_bend)
target_link_libraries(bench_bend PRIVATE sarvolt_core)
