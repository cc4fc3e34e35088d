# The benchmark of view construction (native tree, not part of the default
# build or the tests); run it by hand as bench/bench_construction.cpp says.
if(NOT SARVOLT_WIN32)
  add_executable(bench_construction EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_construction.cpp)
  sarvolt_target_flags(bench_construction)
  target_link_libraries(bench_construction PRIVATE sarvolt_core)
endif()
