# The annotation property dialogs' templates: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_ANNOTATION_DIALOGS_RC ${CMAKE_BINARY_DIR}/generated/annotation_dialogs.rc)
add_custom_command(OUTPUT ${SARVOLT_ANNOTATION_DIALOGS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/annotation_dialogs.utf8.rc
          -o ${SARVOLT_ANNOTATION_DIALOGS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/annotation_dialogs.utf8.rc
          ${CMAKE_SOURCE_DIR}/shell/annotation_dialog_ids.h
  COMMENT "Annotation dialogs"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_ANNOTATION_DIALOGS_RC})
