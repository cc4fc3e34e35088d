# Fuzz target of the drawing store (native tree only): built with clang's
# libFuzzer and AddressSanitizer/UBSan straight from the store's sources and
# run for a bounded number of inputs by the test suite.  Its seed corpus is
# written at test time by make_drawing_seeds (drawings made by the store
# itself); new inputs go to a corpus folder in the build tree.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
  set(store_fuzz_core
      store/drawing_file.cpp store/page_file.cpp store/free_pages.cpp store/blobs.cpp store/rollback_journal.cpp
      store/drawing_header.cpp store/records.cpp store/text_codec.cpp
      base/program_messages.cpp base/os_layer_posix.cpp store/settings_block.cpp
      store/archive_reader.cpp store/kernel_binding.cpp geometry/text_numbers.cpp
      geometry/kernel_context.cpp geometry/kernel_seams.cpp)
  set(store_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_drawing.cpp)
  foreach(s ${store_fuzz_core})
    list(APPEND store_fuzz_sources ${CMAKE_SOURCE_DIR}/${s})
  endforeach()
  list(APPEND store_fuzz_sources ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
  # The seed writer is an ordinary program of the native tree.
  add_executable(make_drawing_seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/make_drawing_seeds.cpp)
  target_link_libraries(make_drawing_seeds PRIVATE sarvolt_core)
  set(store_fuzz_seeds ${CMAKE_BINARY_DIR}/fuzz_drawing_seeds)
  file(MAKE_DIRECTORY ${store_fuzz_seeds})
  add_test(NAME fuzz_drawing_seeds COMMAND make_drawing_seeds ${store_fuzz_seeds})
  set_tests_properties(fuzz_drawing_seeds PROPERTIES FIXTURES_SETUP drawing_seeds)
  if(SARVOLT_CLANGXX)
    set(store_fuzz_exe ${CMAKE_BINARY_DIR}/fuzz_drawing)
    add_custom_command(OUTPUT ${store_fuzz_exe}
      COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -pthread
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
              ${store_fuzz_sources} -o ${store_fuzz_exe}
      DEPENDS ${store_fuzz_sources}
      COMMENT "Fuzz target fuzz_drawing"
      VERBATIM)
    add_custom_target(fuzz_drawing_build ALL DEPENDS ${store_fuzz_exe})
    set(store_fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz_drawing_corpus)
    file(MAKE_DIRECTORY ${store_fuzz_corpus})
    add_test(NAME fuzz_drawing
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              ${store_fuzz_exe} -runs=20000 -seed=1 -max_len=32768 -timeout=10
              -rss_limit_mb=1024 ${store_fuzz_corpus} ${store_fuzz_seeds})
    set_tests_properties(fuzz_drawing PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED drawing_seeds)
  else()
    message(WARNING "clang++ not found: the drawing store fuzz target is not built")
  endif()
endif()
