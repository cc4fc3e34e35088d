# Fuzz target of the archive reader (native tree only): built with clang's
# libFuzzer and AddressSanitizer/UBSan straight from the reader's sources, and
# run for a bounded number of inputs by the test suite, starting from the arj
# fixtures.  New inputs go to a corpus folder in the build tree.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
  if(SARVOLT_CLANGXX)
    set(fuzz_archive_sources
        ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_archive.cpp
        ${CMAKE_SOURCE_DIR}/store/archive_reader.cpp)
    set(fuzz_archive_exe ${CMAKE_BINARY_DIR}/fuzz_archive)
    add_custom_command(OUTPUT ${fuzz_archive_exe}
      COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I ${CMAKE_SOURCE_DIR} ${fuzz_archive_sources} -o ${fuzz_archive_exe}
      DEPENDS ${fuzz_archive_sources} ${CMAKE_SOURCE_DIR}/store/archive_reader.h
      COMMENT "Fuzz target fuzz_archive"
      VERBATIM)
    add_custom_target(fuzz_archive_build ALL DEPENDS ${fuzz_archive_exe})
    set(fuzz_archive_corpus ${CMAKE_BINARY_DIR}/fuzz_archive_corpus)
    add_test(NAME fuzz_archive
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              ${fuzz_archive_exe} -runs=30000 -seed=1 -max_len=16384 -timeout=10
              -rss_limit_mb=1024 ${fuzz_archive_corpus} ${CMAKE_SOURCE_DIR}/tests/data/archive)
    set_tests_properties(fuzz_archive PROPERTIES TIMEOUT 300)
    file(MAKE_DIRECTORY ${fuzz_archive_corpus})
  else()
    message(STATUS "clang++ not found: the archive fuzz target is not built")
  endif()
endif()
