# The shell's pictures (icons, cursors, bitmaps) are drawn at build time by a
# script; the resource script includes the fragment it writes.  The help
# pages are copied beside the program.
set(SARVOLT_SHELL_IMAGES_RC ${CMAKE_BINARY_DIR}/generated/shell_images.rc)
add_custom_command(OUTPUT ${SARVOLT_SHELL_IMAGES_RC}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_shell_images.py
          ${CMAKE_BINARY_DIR}/generated
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_shell_images.py
  COMMENT "Shell pictures"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_SHELL_IMAGES_RC})
# The pictures of the annotation dialogs' picture lists, likewise.
set(SARVOLT_ANNOTATION_IMAGES_RC ${CMAKE_BINARY_DIR}/generated/annotation_images.rc)
add_custom_command(OUTPUT ${SARVOLT_ANNOTATION_IMAGES_RC}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_annotation_images.py
          ${CMAKE_BINARY_DIR}/generated
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_annotation_images.py ${CMAKE_SOURCE_DIR}/scripts/make_shell_images.py
  COMMENT "Annotation dialog pictures"
  VERBATIM)
list(APPEND SARVOLT_RESOURCE_DEPENDS ${SARVOLT_ANNOTATION_IMAGES_RC})
# The resource script names its ids from the shell's ids header.
list(APPEND SARVOLT_RESOURCE_DEPENDS ${CMAKE_SOURCE_DIR}/shell/resource_ids.h)

if(SARVOLT_WIN32)
  file(GLOB SARVOLT_HELP_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*.htm)
  set(SARVOLT_HELP_COPIES)
  foreach(page ${SARVOLT_HELP_PAGES})
    get_filename_component(name ${page} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/${name}
      COMMAND ${CMAKE_COMMAND} -E copy ${page} ${CMAKE_BINARY_DIR}/bin/${name}
      DEPENDS ${page}
      VERBATIM)
    list(APPEND SARVOLT_HELP_COPIES ${CMAKE_BINARY_DIR}/bin/${name})
  endforeach()
  add_custom_target(help_pages ALL DEPENDS ${SARVOLT_HELP_COPIES})
endif()

# The resource script and the code name the same ids from the ids header;
# the check is tried on small faulty fixtures as well.
add_test(NAME resource_ids_agree
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_resource_ids.py ${CMAKE_SOURCE_DIR})
add_test(NAME resource_ids_check_finds_faults
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_resource_ids.py --self-test)
