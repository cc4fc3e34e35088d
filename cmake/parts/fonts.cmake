# The fourteen stroke fonts: scripts/fontgen.py turns the glyph sources of
# resources/fonts into the "gfnt" resources and checks them.  The files land
# in ${CMAKE_BINARY_DIR}/generated/fonts, where resources/fonts.rc finds them
# (windres searches the generated folder) and the tests read them.
set(SARVOLT_FONT_IDS 247 248 252 254 369 370 380 381 494 495 552 553 639 640)
set(SARVOLT_FONT_DIR ${CMAKE_BINARY_DIR}/generated/fonts)
file(GLOB SARVOLT_FONT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/fonts/*.glyphs)
set(SARVOLT_FONT_FILES)
foreach(id ${SARVOLT_FONT_IDS})
  list(APPEND SARVOLT_FONT_FILES ${SARVOLT_FONT_DIR}/font${id}.gfnt)
endforeach()
add_custom_command(OUTPUT ${SARVOLT_FONT_FILES}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/fontgen.py build
          ${CMAKE_SOURCE_DIR}/resources/fonts ${SARVOLT_FONT_DIR}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/fontgen.py check ${SARVOLT_FONT_DIR}
  DEPENDS ${SARVOLT_FONT_SOURCES} ${CMAKE_SOURCE_DIR}/resources/fonts/sets.txt
          ${CMAKE_SOURCE_DIR}/scripts/fontgen.py
  COMMENT "Stroke fonts"
  VERBATIM)
add_custom_target(sarvolt_fonts ALL DEPENDS ${SARVOLT_FONT_FILES})
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_FONT_FILES} ${CMAKE_SOURCE_DIR}/resources/fonts.rc)

# The tests read the same bytes the program carries as resources.
file(WRITE ${CMAKE_BINARY_DIR}/generated/stroke_font_files.h.tmp
  "// Written by cmake/parts/fonts.cmake: where the built stroke fonts are.\n"
  "#define SARVOLT_FONT_DIR \"${SARVOLT_FONT_DIR}\"\n"
  "#define SARVOLT_FONT_SOURCE_DIR \"${CMAKE_SOURCE_DIR}/resources/fonts\"\n"
  "#define SARVOLT_FONT_PROGRAM \"${CMAKE_BINARY_DIR}/bin/SARVOLT.exe\"\n")
file(COPY_FILE ${CMAKE_BINARY_DIR}/generated/stroke_font_files.h.tmp
     ${CMAKE_BINARY_DIR}/generated/stroke_font_files.h ONLY_IF_DIFFERENT)

# The checker also runs as a test, on the files the build made.
add_test(NAME fonts_check
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/fontgen.py check ${SARVOLT_FONT_DIR})

# The font tool's own tests (encoding, type B, checker, Hershey converter).
if(NOT SARVOLT_WIN32)
  add_test(NAME fonts_tool COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/test_fontgen.py)
endif()
