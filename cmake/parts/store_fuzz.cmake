# Fuzz targets of the drawing store (native tree only), built with clang's
# libFuzzer and AddressSanitizer/UBSan straight from the sources and run for
# a bounded number of inputs by the test suite: fuzz_drawing works on the
# page engine and the record primitives, fuzz_open goes through the real open
# path of the documents (journal, consistency check, upgrades answered Yes,
# save and close).  Their seed corpus is written at test time by
# make_drawing_seeds (drawings as the program writes them); new inputs go to
# corpus folders in the build tree.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
  set(store_fuzz_core
      store/drawing_file.cpp store/page_file.cpp store/free_pages.cpp store/blobs.cpp store/rollback_journal.cpp
      store/drawing_header.cpp store/records.cpp store/text_codec.cpp store/drawing_failure.cpp
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
    set_tests_properties(fuzz_drawing PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED drawing_seeds)

    # The open path needs the documents and the kernel beneath them.
    file(GLOB open_fuzz_core RELATIVE ${CMAKE_SOURCE_DIR}
         ${CMAKE_SOURCE_DIR}/store/*.cpp ${CMAKE_SOURCE_DIR}/documents/*.cpp
         ${CMAKE_SOURCE_DIR}/geometry/*.cpp)
    list(FILTER open_fuzz_core EXCLUDE REGEX "_win\\.cpp$")
    set(open_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_open.cpp
        ${CMAKE_SOURCE_DIR}/base/program_messages.cpp ${CMAKE_SOURCE_DIR}/base/os_layer_posix.cpp
        ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
    foreach(s ${open_fuzz_core})
      list(APPEND open_fuzz_sources ${CMAKE_SOURCE_DIR}/${s})
    endforeach()
    set(open_fuzz_exe ${CMAKE_BINARY_DIR}/fuzz_open)
    add_custom_command(OUTPUT ${open_fuzz_exe}
      COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -pthread
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
              ${open_fuzz_sources} -o ${open_fuzz_exe}
      DEPENDS ${open_fuzz_sources}
      COMMENT "Fuzz target fuzz_open"
      VERBATIM)
    add_custom_target(fuzz_open_build ALL DEPENDS ${open_fuzz_exe})
    set(open_fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz_open_corpus)
    file(MAKE_DIRECTORY ${open_fuzz_corpus})
    add_test(NAME fuzz_open
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              ${open_fuzz_exe} -runs=4000 -seed=1 -max_len=32768 -timeout=10
              -rss_limit_mb=1024 ${open_fuzz_corpus} ${store_fuzz_seeds})
    set_tests_properties(fuzz_open PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED drawing_seeds)
  else()
    message(WARNING "clang++ not found: the drawing store fuzz target is not built")
  endif()
endif()
