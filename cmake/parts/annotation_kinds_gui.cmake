# The property-dialog scenario's drawing (one annotation record of every
# kind) and its read-back; laid out with the program's fonts, so the program's
# resources are linked in.
if(SARVOLT_WIN32)
  add_executable(annotation_kinds_fixture tests/gui/annotation_kinds_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(annotation_kinds_fixture)
  target_link_libraries(annotation_kinds_fixture PRIVATE sarvolt_win sarvolt_core)
  set_target_properties(annotation_kinds_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
