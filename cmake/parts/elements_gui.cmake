# The drawing of the element-input scenario (tests/gui/elements_input.sh),
# written and read back by the program's own store.
if(SARVOLT_WIN32)
  add_executable(elements_fixture tests/gui/elements_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(elements_fixture)
  target_link_libraries(elements_fixture PRIVATE sarvolt_core)
  set_target_properties(elements_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
