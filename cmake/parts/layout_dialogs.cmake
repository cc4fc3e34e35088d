# The layout and print dialogs' templates: written in UTF-8, converted to
# Windows-1251 for the resource script that includes them.
set(SARVOLT_LAYOUT_DIALOGS_RC ${CMAKE_BINARY_DIR}/generated/layout_dialogs.rc)
add_custom_command(OUTPUT ${SARVOLT_LAYOUT_DIALOGS_RC}
  COMMAND iconv -f UTF-8 -t CP1251 ${CMAKE_SOURCE_DIR}/resources/layout_dialogs.utf8.rc
          -o ${SARVOLT_LAYOUT_DIALOGS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/layout_dialogs.utf8.rc
          ${CMAKE_SOURCE_DIR}/shell/resource_ids.h
  COMMENT "Layout dialogs"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_LAYOUT_DIALOGS_RC})

# Printing for real: the print tests run once more with a CUPS PDF printer
# (scripts/print_to_pdf.sh), and the PDFs they print are checked with
# poppler's tools (scripts/check_pdfs.py).
if(SARVOLT_WIN32)
  add_test(NAME print_to_pdf
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/print_to_pdf.sh --check ${CMAKE_BINARY_DIR}/printed
            ${CMAKE_SOURCE_DIR}/scripts/wine_run.sh $<TARGET_FILE:test_win32_print> --gtest_brief=1)
  set_tests_properties(print_to_pdf PROPERTIES TIMEOUT 400 RUN_SERIAL TRUE)
endif()
