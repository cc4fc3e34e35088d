# Fuzz target of the model language translator and interpreter (native tree
# only, clang's libFuzzer), seeded with the sample programs of the model
# tests.
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_CLANGXX NAMES clang++ clang++-14)
endif()
if(NOT SARVOLT_WIN32 AND SARVOLT_CLANGXX)
  file(GLOB model_fuzz_core ${CMAKE_SOURCE_DIR}/model/model_names.cpp
       ${CMAKE_SOURCE_DIR}/model/model_translator.cpp ${CMAKE_SOURCE_DIR}/model/model_interpreter.cpp
       ${CMAKE_SOURCE_DIR}/geometry/*.cpp ${CMAKE_SOURCE_DIR}/store/*.cpp)
  list(FILTER model_fuzz_core EXCLUDE REGEX "_win\\.cpp$")
  set(model_fuzz_sources ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_model.cpp ${model_fuzz_core}
      ${CMAKE_SOURCE_DIR}/base/program_messages.cpp ${CMAKE_SOURCE_DIR}/base/os_layer_posix.cpp
      ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
  set(model_fuzz_exe ${CMAKE_BINARY_DIR}/fuzz_model)
  add_custom_command(OUTPUT ${model_fuzz_exe}
    COMMAND ${SARVOLT_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -pthread
            -fsanitize=fuzzer,address,undefined,float-cast-overflow -fno-sanitize-recover=all
            -I ${CMAKE_SOURCE_DIR} -I ${CMAKE_BINARY_DIR}/generated
            ${model_fuzz_sources} -o ${model_fuzz_exe}
    DEPENDS ${model_fuzz_sources}
    COMMENT "Fuzz target fuzz_model"
    VERBATIM)
  add_custom_target(fuzz_model_build ALL DEPENDS ${model_fuzz_exe})
  set(model_fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz_model_corpus)
  set(model_fuzz_work ${CMAKE_BINARY_DIR}/fuzz_model_work)
  file(MAKE_DIRECTORY ${model_fuzz_corpus} ${model_fuzz_work})
  add_test(NAME fuzz_model
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            ${model_fuzz_exe} -runs=20000 -seed=1 -max_len=4096 -timeout=10
            -rss_limit_mb=1024 ${model_fuzz_corpus} ${CMAKE_SOURCE_DIR}/tests/data/model_programs
    WORKING_DIRECTORY ${model_fuzz_work})
  set_tests_properties(fuzz_model PROPERTIES TIMEOUT 300)
endif()
