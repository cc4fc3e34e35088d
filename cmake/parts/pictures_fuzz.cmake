# Fuzz target of the picture routines (native tree only, clang's libFuzzer):
# damaged BMP files and DIB headers through pixel access, key-colour cleaning, sampling and
# the mapped copy, and damaged symbol element records.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
  if(SARVOLT_CLANGXX)
    set(fuzz_pictures_sources
        ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_pictures.cpp
        ${CMAKE_SOURCE_DIR}/render/images/raster_pixels.cpp
        ${CMAKE_SOURCE_DIR}/render/images/bmp_image.cpp
        ${CMAKE_SOURCE_DIR}/render/images/bmp_pixels.cpp
        ${CMAKE_SOURCE_DIR}/render/images/picture_placement.cpp
        ${CMAKE_SOURCE_DIR}/render/output/symbol_catalog.cpp)
    set(fuzz_pictures_exe ${CMAKE_BINARY_DIR}/fuzz_pictures)
    add_custom_command(OUTPUT ${fuzz_pictures_exe}
      COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I ${CMAKE_SOURCE_DIR} ${fuzz_pictures_sources} -o ${fuzz_pictures_exe}
      DEPENDS ${fuzz_pictures_sources}
      COMMENT "Fuzz target fuzz_pictures"
      VERBATIM)
    add_custom_target(fuzz_pictures_build ALL DEPENDS ${fuzz_pictures_exe})
    set(fuzz_pictures_corpus ${CMAKE_BINARY_DIR}/fuzz_pictures_corpus)
    file(MAKE_DIRECTORY ${fuzz_pictures_corpus})
    add_test(NAME fuzz_pictures
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              ${fuzz_pictures_exe} -runs=30000 -seed=1 -max_len=4096 -timeout=10
              -rss_limit_mb=1024 ${fuzz_pictures_corpus} ${CMAKE_SOURCE_DIR}/tests/data/pictures)
    set_tests_properties(fuzz_pictures PROPERTIES TIMEOUT 300)
  else()
    message(STATUS "clang++ not found: the picture fuzz target is not built")
  endif()
endif()
