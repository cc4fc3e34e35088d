# modelrun (bench/modelrun.cpp): the model interpreter on a program file,
# native tree only. The tests compare its output with Debian's bwbasic on
# the sample programs of tests/data/model_programs (when bwbasic is
# installed); built without sanitizers in build/bench it gives the
# instruction counts of bench/README-model.md.
if(NOT SARVOLT_WIN32)
  add_executable(modelrun ${CMAKE_SOURCE_DIR}/bench/modelrun.cpp)
  sarvolt_target_flags(modelrun)
  target_link_libraries(modelrun PRIVATE sarvolt_core)
  find_program(SARVOLT_BWBASIC bwbasic)
  if(SARVOLT_BWBASIC)
    add_test(NAME model_matches_bwbasic
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/model_oracle_check.py
              $<TARGET_FILE:modelrun> ${SARVOLT_BWBASIC} ${CMAKE_SOURCE_DIR}/tests/data/model_programs)
    set_tests_properties(model_matches_bwbasic PROPERTIES TIMEOUT 300)
  else()
    message(STATUS "bwbasic not found: the model language is not compared with it")
  endif()
endif()
