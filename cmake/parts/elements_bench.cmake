# The benchmark of the element rebuild (native tree, not part of the default
# build or the tests); run it by hand as bench/bench_elements.cpp says.
if(NOT SARVOLT_WIN32)
  add_executable(bench_elements EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_elements.cpp)
  sarvolt_target_flags(bench_elements)
  target_link_libraries(bench_elements PRIVATE sarvolt_core)
endif()
