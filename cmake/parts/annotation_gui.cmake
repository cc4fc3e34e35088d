# The annotation scenario's read-back of the records it placed.
if(SARVOLT_WIN32)
  add_executable(annotation_fixture tests/gui/annotation_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(annotation_fixture)
  target_link_libraries(annotation_fixture PRIVATE sarvolt_core)
  set_target_properties(annotation_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
