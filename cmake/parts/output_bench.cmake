# The benchmark of the element walk (both trees, not part of the default
# build or the tests); run it by hand as bench/bench_walk.cpp says.
add_executable(bench_walk EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_walk.cpp)
sarvolt_target_flags(bench_walk)
target_link_libraries(bench_walk PRIVATE sarvolt_core)
if(SARVOLT_WIN32)
  target_link_libraries(bench_walk PRIVATE sarvolt_win)
endif()
