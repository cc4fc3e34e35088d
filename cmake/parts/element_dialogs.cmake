# The image-stage dialogs' templates: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_ELEMENT_DIALOGS_RC ${CMAKE_BINARY_DIR}/generated/element_dialogs.rc)
add_custom_command(OUTPUT ${SARVOLT_ELEMENT_DIALOGS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/element_dialogs.utf8.rc
          -o ${SARVOLT_ELEMENT_DIALOGS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/element_dialogs.utf8.rc
          ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
  COMMENT "Element dialogs"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_ELEMENT_DIALOGS_RC})
