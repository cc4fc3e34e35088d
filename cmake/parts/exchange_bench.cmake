# The DXF reading benchmark (native tree, not part of the default build or
# the tests); build and run it in a release tree without sanitizers.
if(NOT SARVOLT_WIN32)
  add_executable(bench_dxf_read EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_dxf_read.cpp)
  sarvolt_target_flags(bench_dxf_read)
  target_link_libraries(bench_dxf_read PRIVATE sarvolt_core)
endif()
