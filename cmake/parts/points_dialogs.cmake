# The reference-point stage's panel and dialogs: written in UTF-8, converted
# to Windows-1251 for the resource script that includes them; and the
# drawing writer and reader of the reference-point scenario.
if(SARVOLT_WIN32)
  set(SARVOLT_POINTS_DIALOGS_RC ${CMAKE_BINARY_DIR}/generated/points_dialogs.rc)
  add_custom_command(OUTPUT ${SARVOLT_POINTS_DIALOGS_RC}
    COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/points_dialogs.utf8.rc
            -o ${SARVOLT_POINTS_DIALOGS_RC}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/points_dialogs.utf8.rc ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
    COMMENT "Reference-point dialogs"
    VERBATIM)
  list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_POINTS_DIALOGS_RC})
endif()
if(SARVOLT_WIN32)
  add_executable(points_fixture tests/gui/points_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
  sarvolt_target_flags(points_fixture)
  target_link_libraries(points_fixture PRIVATE sarvolt_core)
  set_target_properties(points_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
