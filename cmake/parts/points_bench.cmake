# The benchmark of the reference-point services (native tree, not part of
# the default build or the tests); run it by hand as bench/bench_points.cpp
# says.
if(NOT SARVOLT_WIN32)
  add_executable(bench_points EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_points.cpp)
  sarvolt_target_flags(bench_points)
  target_link_libraries(bench_points PRIVATE sarvolt_core)
endif()
