# The drawing of the dimension-input scenario (tests/gui/dimension_input.sh),
# written, read back and constructed by the program's own code.
if(SARVOLT_WIN32)
  add_executable(dimension_fixture tests/gui/dimension_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(dimension_fixture)
  target_link_libraries(dimension_fixture PRIVATE sarvolt_core)
  set_target_properties(dimension_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
