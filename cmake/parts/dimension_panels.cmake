# The dimension and construction stage panels: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_DIMENSION_PANELS_RC ${CMAKE_BINARY_DIR}/generated/dimension_panels.rc)
add_custom_command(OUTPUT ${SARVOLT_DIMENSION_PANELS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/dimension_panels.utf8.rc
          -o ${SARVOLT_DIMENSION_PANELS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/dimension_panels.utf8.rc
  COMMENT "Dimension panels"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_DIMENSION_PANELS_RC})
