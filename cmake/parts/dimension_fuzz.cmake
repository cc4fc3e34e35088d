# Fuzz target of the dimension and annotation walk (native tree only,
# clang's libFuzzer): records of every kind, damaged at will, walked into the
# recording canvas and the DXF recorder.  Its seeds (one plausible record of
# every kind) are written by scripts/make_dimension_walk_seeds.py.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
endif()
if(NOT SARVOLT_WIN32 AND SARVOLT_CLANGXX)
  file(GLOB dimension_fuzz_core
       ${CMAKE_SOURCE_DIR}/geometry/*.cpp ${CMAKE_SOURCE_DIR}/store/*.cpp
       ${CMAKE_SOURCE_DIR}/render/text/*.cpp ${CMAKE_SOURCE_DIR}/render/contours/*.cpp
       ${CMAKE_SOURCE_DIR}/render/images/*.cpp ${CMAKE_SOURCE_DIR}/render/output/*.cpp)
  list(FILTER dimension_fuzz_core EXCLUDE REGEX "_win\\.cpp$")
  set(dimension_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_dimension_walk.cpp ${dimension_fuzz_core}
      ${CMAKE_SOURCE_DIR}/base/program_messages.cpp ${CMAKE_SOURCE_DIR}/base/os_layer_posix.cpp
      ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
  set(dimension_fuzz_exe ${CMAKE_BINARY_DIR}/fuzz_dimension_walk)
  add_custom_command(OUTPUT ${dimension_fuzz_exe}
    COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -pthread
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
            ${dimension_fuzz_sources} -o ${dimension_fuzz_exe}
    DEPENDS ${dimension_fuzz_sources}
    COMMENT "Fuzz target fuzz_dimension_walk"
    VERBATIM)
  add_custom_target(fuzz_dimension_walk_build ALL DEPENDS ${dimension_fuzz_exe} sarvolt_fonts)
  set(dimension_fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz_dimension_walk_corpus)
  file(MAKE_DIRECTORY ${dimension_fuzz_corpus})
  add_test(NAME fuzz_dimension_walk
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            ${dimension_fuzz_exe} -runs=20000 -seed=1 -max_len=8192 -timeout=10
            -rss_limit_mb=1024 ${dimension_fuzz_corpus}
            ${CMAKE_SOURCE_DIR}/tests/data/dimension_walk_seeds)
  set_tests_properties(fuzz_dimension_walk PROPERTIES TIMEOUT 300)
endif()
