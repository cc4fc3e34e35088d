# The Win32 programs of the win32 tree: SARVOLT.exe, setup.exe and the test
# helpers that drive them under Wine.

# A resource script is written in UTF-8; it reaches windres in Windows-1251.
function(sarvolt_add_resources target rc)
  get_filename_component(base ${rc} NAME_WE)
  set(rc1251 ${CMAKE_BINARY_DIR}/generated/${base}_${target}.1251.rc)
  set(obj ${CMAKE_BINARY_DIR}/generated/${base}_${target}_res.o)
  add_custom_command(OUTPUT ${obj}
    COMMAND iconv -f UTF-8 -t CP1251 ${rc} -o ${rc1251}
    COMMAND ${CMAKE_RC_COMPILER} -c 1251 -I ${CMAKE_SOURCE_DIR}/resources
            -I ${CMAKE_BINARY_DIR}/generated -I ${CMAKE_SOURCE_DIR} -O coff -i ${rc1251} -o ${obj}
    DEPENDS ${rc} ${ARGN}
    COMMENT "Resources ${base}"
    VERBATIM)
  target_sources(${target} PRIVATE ${obj})
endfunction()

# Win32 code of the program in a library, so tests under Wine can link it.
set(SARVOLT_WINMAIN ${CMAKE_SOURCE_DIR}/shell/winmain.cpp)
set(SARVOLT_WIN_LIB_SOURCES ${SARVOLT_WIN_SOURCES} ${SARVOLT_SHELL_SOURCES})
list(REMOVE_ITEM SARVOLT_WIN_LIB_SOURCES ${SARVOLT_WINMAIN})
add_library(sarvolt_win STATIC ${SARVOLT_WIN_LIB_SOURCES})
sarvolt_target_flags(sarvolt_win)
set(SARVOLT_DEPS ${SARVOLT_CACHE}/deps-${CMAKE_SYSTEM_PROCESSOR})
target_include_directories(sarvolt_win PUBLIC ${SARVOLT_DEPS}/include)
target_link_libraries(sarvolt_win PUBLIC sarvolt_core
  ${SARVOLT_DEPS}/lib/libtiff.a ${SARVOLT_DEPS}/lib/libjpeg.a
  comctl32 comdlg32 gdi32 user32 advapi32 shell32 ole32 uuid kernel32)

add_executable(SARVOLT WIN32 ${SARVOLT_WINMAIN})
sarvolt_target_flags(SARVOLT)
target_link_libraries(SARVOLT PRIVATE sarvolt_win)
set_target_properties(SARVOLT PROPERTIES OUTPUT_NAME SARVOLT RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
sarvolt_add_resources(SARVOLT ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
# The shell's tests create the program's windows and dialogs: they carry its
# resources too, and run at the time zone of Moscow (east of UTC), where a
# local cut-off that is not converted to UTC shows.
if(TARGET test_win32_shell)
  sarvolt_add_resources(test_win32_shell ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
  set_tests_properties(test_win32_shell PROPERTIES ENVIRONMENT "TZ=Europe/Moscow" RUN_SERIAL TRUE)
endif()
# The exchange commands' test runs the import options dialog.
if(TARGET test_win32_exchange)
  sarvolt_add_resources(test_win32_exchange ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The annotation property dialogs' test runs their templates.
if(TARGET test_win32_annotation_properties)
  sarvolt_add_resources(test_win32_annotation_properties ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The property-dialog scenario's drawing is laid out with the program's fonts.
if(TARGET annotation_kinds_fixture)
  sarvolt_add_resources(annotation_kinds_fixture ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The image-stage dialogs' test runs their templates and the image panel.
if(TARGET test_win32_elements)
  sarvolt_add_resources(test_win32_elements ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The fragment insertion test runs the insertion dialog.
if(TARGET test_win32_fragments)
  sarvolt_add_resources(test_win32_fragments ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The print and layout tests run the print dialog and the format panel.
foreach(t test_win32_print test_win32_layout)
  if(TARGET ${t})
    sarvolt_add_resources(${t} ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
  endif()
endforeach()
# The conventional-images test runs the list and image dialogs.
if(TARGET test_win32_pictures)
  sarvolt_add_resources(test_win32_pictures ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()
# The wiring test starts the frame as the program does: it carries the resources.
if(TARGET test_win32_wiring)
  sarvolt_add_resources(test_win32_wiring ${CMAKE_SOURCE_DIR}/resources/sarvolt.rc ${SARVOLT_RESOURCE_DEPENDS})
endif()

# The installer: its Win32 code (setup/*_win.cpp) over the portable rules and
# steps of setup_core (cmake/parts/setup.cmake), with its own resources.
file(GLOB SARVOLT_SETUP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/setup/*_win.cpp)
set(SARVOLT_SETUP_IMAGES_RC ${CMAKE_BINARY_DIR}/generated/setup_images.rc)
add_custom_command(OUTPUT ${SARVOLT_SETUP_IMAGES_RC}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_setup_images.py
          ${CMAKE_BINARY_DIR}/generated
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_setup_images.py
  COMMENT "Setup pictures"
  VERBATIM)
add_executable(setup WIN32 ${SARVOLT_SETUP_SOURCES})
sarvolt_target_flags(setup)
target_link_libraries(setup PRIVATE setup_core comctl32 comdlg32 gdi32 user32 advapi32 shell32
  shlwapi ole32 uuid)
set_target_properties(setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
sarvolt_add_resources(setup ${CMAKE_SOURCE_DIR}/resources/setup.rc ${SARVOLT_SETUP_IMAGES_RC}
  ${CMAKE_SOURCE_DIR}/setup/setup_ids.h ${CMAKE_SOURCE_DIR}/resources/setup.manifest)

# The distribution folder, made from the same list as the installer's table:
# build/<tree>/distribution holds SARVOLT.exe, Setup.exe, the sample
# drawings, the help pages and the manual's pictures.
file(GLOB SARVOLT_SETUP_HELP CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*.htm)
set(SARVOLT_DISTRIBUTION ${CMAKE_BINARY_DIR}/distribution)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/distribution.stamp
  COMMAND ${Python3_EXECUTABLE} ${SARVOLT_SETUP_SCRIPT} folder ${SARVOLT_SETUP_LIST}
          ${SARVOLT_DISTRIBUTION} --program $<TARGET_FILE:SARVOLT> --setup $<TARGET_FILE:setup>
          --help ${CMAKE_SOURCE_DIR}/resources/help
          --photo ${CMAKE_SOURCE_DIR}/tests/data/images/colour.jpg
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/distribution.stamp
  DEPENDS SARVOLT setup ${SARVOLT_SETUP_SCRIPT} ${SARVOLT_SETUP_LIST} ${SARVOLT_SETUP_HELP}
  COMMENT "Distribution folder"
  VERBATIM)
add_custom_target(distribution ALL DEPENDS ${CMAKE_BINARY_DIR}/distribution.stamp)

# GUI tests: a probe program finds, checks and closes windows from inside
# Wine; each test is a shell script that drives one scenario.
add_executable(gui_probe tests/gui/gui_probe_win.cpp)
sarvolt_target_flags(gui_probe)
target_link_libraries(gui_probe PRIVATE user32 gdi32 kernel32)
set_target_properties(gui_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# Writes the drawings of the projection-window scenarios through the store.
add_executable(projection_fixture tests/gui/projection_fixture_win.cpp tests/gui/fixture_drawing_win.cpp)
sarvolt_target_flags(projection_fixture)
target_link_libraries(projection_fixture PRIVATE sarvolt_core)
set_target_properties(projection_fixture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
file(GLOB SARVOLT_GUI_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/*.sh)
foreach(t ${SARVOLT_GUI_TESTS})
  get_filename_component(tn ${t} NAME_WE)
  add_test(NAME gui_${tn} COMMAND bash ${t} ${CMAKE_BINARY_DIR})
  set_tests_properties(gui_${tn} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endforeach()
# The installer's scenarios install, check and remove whole distributions in
# a copy of a fresh prefix; the first one makes that prefix (half a minute).
foreach(t gui_setup_install gui_setup_failures)
  if(TEST ${t})
    set_tests_properties(${t} PROPERTIES TIMEOUT 420)
  endif()
endforeach()
