# Fuzz targets of the exchange readers (native tree only), built with clang's
# libFuzzer and AddressSanitizer/UBSan from the sources beneath them, and run
# for a bounded number of inputs by the test suite: fuzz_mgi reads its input
# as an MGI file, fuzz_dxf as a DXF file, each into a new drawing.  Seeds are
# small files of tests/data/exchange written by the program's own MGI writer
# and in the layout of DXF writers.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
  if(SARVOLT_CLANGXX)
    file(GLOB exchange_fuzz_core
         ${CMAKE_SOURCE_DIR}/store/*.cpp ${CMAKE_SOURCE_DIR}/documents/*.cpp
         ${CMAKE_SOURCE_DIR}/geometry/*.cpp ${CMAKE_SOURCE_DIR}/render/contours/*.cpp)
    # The readers and what they use of the output side (the shared width).
    foreach(s output/import_session output/mgi_format output/dxf_import render/output/dxf_writers)
      list(APPEND exchange_fuzz_core ${CMAKE_SOURCE_DIR}/${s}.cpp)
    endforeach()
    list(FILTER exchange_fuzz_core EXCLUDE REGEX "_win\\.cpp$")
    set(exchange_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_exchange.cpp ${exchange_fuzz_core}
        ${CMAKE_SOURCE_DIR}/base/program_messages.cpp ${CMAKE_SOURCE_DIR}/base/os_layer_posix.cpp
        ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
    foreach(kind mgi dxf)
      set(exe ${CMAKE_BINARY_DIR}/fuzz_${kind})
      set(defs)
      if(kind STREQUAL "dxf")
        set(defs -DFUZZ_DXF)
      endif()
      add_custom_command(OUTPUT ${exe}
        COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -Wno-char-subscripts -pthread ${defs}
                -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
                -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
                ${exchange_fuzz_sources} -o ${exe}
        DEPENDS ${exchange_fuzz_sources}
        COMMENT "Fuzz target fuzz_${kind}"
        VERBATIM)
      add_custom_target(fuzz_${kind}_build ALL DEPENDS ${exe})
      set(corpus ${CMAKE_BINARY_DIR}/fuzz_${kind}_corpus)
      file(MAKE_DIRECTORY ${corpus})
      add_test(NAME fuzz_${kind}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                ${exe} -runs=1000 -seed=1 -max_len=8192 -timeout=10 -rss_limit_mb=1024
                ${corpus} ${CMAKE_SOURCE_DIR}/tests/data/exchange/${kind})
      set_tests_properties(fuzz_${kind} PROPERTIES TIMEOUT 600)
    endforeach()
  else()
    message(STATUS "clang++ not found: the exchange fuzz targets are not built")
  endif()
endif()
