# The store benchmark (native tree, not part of the default build or the
# tests): Google Benchmark and SQLite.  Build and run it in a release tree
# without sanitizers, as the README says.
if(NOT SARVOLT_WIN32)
  find_package(benchmark QUIET)
  find_library(SARVOLT_SQLITE3 sqlite3)
  if(benchmark_FOUND AND SARVOLT_SQLITE3)
    add_executable(bench_store EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_store.cpp)
    sarvolt_target_flags(bench_store)
    target_link_libraries(bench_store PRIVATE sarvolt_core benchmark::benchmark ${SARVOLT_SQLITE3})
  endif()
endif()
