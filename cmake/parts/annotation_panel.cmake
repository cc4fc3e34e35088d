# The annotation stage panel: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_ANNOTATION_PANEL_RC ${CMAKE_BINARY_DIR}/generated/annotation_panel.rc)
add_custom_command(OUTPUT ${SARVOLT_ANNOTATION_PANEL_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/annotation_panel.utf8.rc
          -o ${SARVOLT_ANNOTATION_PANEL_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/annotation_panel.utf8.rc ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
  COMMENT "Annotation panel"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_ANNOTATION_PANEL_RC})
