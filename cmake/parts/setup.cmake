# The installer's portable rules and steps (setup/*.cpp but *_win.cpp) with
# its distribution table, generated from resources/setup_files.txt, form a
# library of both trees: setup.exe links it (cmake/win32_programs.cmake) and
# so does the portable test program tests/setup.
set(SARVOLT_SETUP_LIST ${CMAKE_SOURCE_DIR}/resources/setup_files.txt)
set(SARVOLT_SETUP_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/make_distribution.py)
set(setup_table_cpp ${CMAKE_BINARY_DIR}/generated/setup_distribution_table.cpp)
add_custom_command(OUTPUT ${setup_table_cpp}
  COMMAND ${Python3_EXECUTABLE} ${SARVOLT_SETUP_SCRIPT} table ${SARVOLT_SETUP_LIST} ${setup_table_cpp}
  DEPENDS ${SARVOLT_SETUP_SCRIPT} ${SARVOLT_SETUP_LIST}
  COMMENT "Distribution table"
  VERBATIM)
file(GLOB setup_core_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/setup/*.cpp)
list(FILTER setup_core_sources EXCLUDE REGEX "_win\\.cpp$")
add_library(setup_core STATIC ${setup_core_sources} ${setup_table_cpp})
sarvolt_target_flags(setup_core)

# The test program of the folder tests/setup is made later by the tests'
# loop; it gets the library once the whole folder has been read.
function(sarvolt_setup_link_tests)
  if(TARGET test_setup)
    target_link_libraries(test_setup PRIVATE setup_core)
  endif()
endfunction()
cmake_language(DEFER CALL sarvolt_setup_link_tests)
