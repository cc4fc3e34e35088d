# Writes and lists the drawing of the picture-symbol scenario through the
# store (Windows trees).
if(SARVOLT_WIN32)
  add_executable(picture_symbols_fixture tests/gui/picture_symbols_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(picture_symbols_fixture)
  target_link_libraries(picture_symbols_fixture PRIVATE sarvolt_core)
  set_target_properties(picture_symbols_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
