# The fragment insertion dialog's template: written in UTF-8, converted to
# Windows-1251 for the resource script that includes it.
set(SARVOLT_FRAGMENTS_RC ${CMAKE_BINARY_DIR}/generated/fragments.rc)
add_custom_command(OUTPUT ${SARVOLT_FRAGMENTS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/fragments.utf8.rc
          -o ${SARVOLT_FRAGMENTS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/fragments.utf8.rc ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
  COMMENT "Fragment dialogs"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_FRAGMENTS_RC})
