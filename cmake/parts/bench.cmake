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
# The print benchmark (Windows trees, run by hand under Wine with the PDF
# printer of scripts/print_to_pdf.sh; see bench/bench_print_win.cpp).
if(SARVOLT_WIN32)
  add_executable(bench_print EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_print_win.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/store_bound.cpp)
  sarvolt_target_flags(bench_print)
  target_link_libraries(bench_print PRIVATE sarvolt_win sarvolt_core GTest::gtest GTest::gtest_main)
endif()
