# The benchmark of dimension placement (native tree, not part of the default
# build or the tests); run it by hand as bench/bench_placement.cpp says.
if(NOT SARVOLT_WIN32)
  add_executable(bench_placement EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_placement.cpp
                 ${CMAKE_SOURCE_DIR}/tests/annotation/placement_reference.cpp)
  sarvolt_target_flags(bench_placement)
  target_link_libraries(bench_placement PRIVATE sarvolt_core)
endif()
