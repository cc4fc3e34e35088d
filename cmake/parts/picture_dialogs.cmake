# The conventional-image dialogs' templates: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_PICTURE_DIALOGS_RC ${CMAKE_BINARY_DIR}/generated/picture_dialogs.rc)
add_custom_command(OUTPUT ${SARVOLT_PICTURE_DIALOGS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/picture_dialogs.utf8.rc
          -o ${SARVOLT_PICTURE_DIALOGS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/picture_dialogs.utf8.rc
          ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
  COMMENT "Picture dialogs"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_PICTURE_DIALOGS_RC})
