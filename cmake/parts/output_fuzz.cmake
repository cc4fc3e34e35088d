# Fuzz target of the element walk (native tree only, clang's libFuzzer):
# damaged drawings walked into the recording canvas and the DXF recorder.
# It shares the seed drawings of the store's fuzz target.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
endif()
if(NOT SARVOLT_WIN32 AND SARVOLT_CLANGXX)
  file(GLOB walk_fuzz_core
       ${CMAKE_SOURCE_DIR}/geometry/*.cpp ${CMAKE_SOURCE_DIR}/store/*.cpp)
  list(FILTER walk_fuzz_core EXCLUDE REGEX "_win\\.cpp$")
  set(walk_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_walk.cpp ${walk_fuzz_core}
      ${CMAKE_SOURCE_DIR}/base/program_messages.cpp ${CMAKE_SOURCE_DIR}/base/os_layer_posix.cpp
      ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
  foreach(s pixel_canvas recording_canvas output_view dxf_writers primitives element_drawing)
    list(APPEND walk_fuzz_sources ${CMAKE_SOURCE_DIR}/render/output/${s}.cpp)
  endforeach()
  set(walk_fuzz_exe ${CMAKE_BINARY_DIR}/fuzz_walk)
  add_custom_command(OUTPUT ${walk_fuzz_exe}
    COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -Wno-char-subscripts -pthread
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
            ${walk_fuzz_sources} -o ${walk_fuzz_exe}
    DEPENDS ${walk_fuzz_sources}
    COMMENT "Fuzz target fuzz_walk"
    VERBATIM)
  add_custom_target(fuzz_walk_build ALL DEPENDS ${walk_fuzz_exe})
  set(walk_fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz_walk_corpus)
  file(MAKE_DIRECTORY ${walk_fuzz_corpus})
  add_test(NAME fuzz_walk
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            ${walk_fuzz_exe} -runs=20000 -seed=1 -max_len=32768 -timeout=10
            -rss_limit_mb=1024 ${walk_fuzz_corpus} ${CMAKE_BINARY_DIR}/fuzz_drawing_seeds)
  # Each input is written to disk and opened as a drawing: on a busy machine
  # the run waits on the disk far longer than it computes (35 s of processor
  # time in 215 s measured), so it gets a generous limit.
  set_tests_properties(fuzz_walk PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED drawing_seeds)
endif()
