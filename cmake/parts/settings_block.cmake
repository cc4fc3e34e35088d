# The settings block: built from resources/settings_block.txt and packed in
# the program's archive format by scripts/pack_settings_block.py; the packed
# bytes become a generated source of the core (both trees).
set(settings_block_source ${CMAKE_SOURCE_DIR}/resources/settings_block.txt)
set(settings_block_packer ${CMAKE_SOURCE_DIR}/scripts/pack_settings_block.py)
set(settings_block_cpp ${CMAKE_BINARY_DIR}/generated/settings_block_packed.cpp)
add_custom_command(OUTPUT ${settings_block_cpp}
  COMMAND ${Python3_EXECUTABLE} ${settings_block_packer} ${settings_block_source}
          --method 1 --cpp ${settings_block_cpp}
  DEPENDS ${settings_block_packer} ${settings_block_source}
  COMMENT "Packing the settings block"
  VERBATIM)
list(APPEND SARVOLT_GENERATED_CORE_SOURCES ${settings_block_cpp})

# The packer's output, written with the usual ARJ marker, must pass the arj
# archiver's own test (native tree, when arj is installed).
if(NOT SARVOLT_WIN32)
  find_program(SARVOLT_ARJ arj)
  if(SARVOLT_ARJ)
    add_test(NAME settings_packer_passes_arj
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_packer_with_arj.sh ${SARVOLT_ARJ}
              ${settings_block_source} ${CMAKE_SOURCE_DIR}/tests/data/archive/sample.bin
              ${CMAKE_SOURCE_DIR}/tests/data/archive/text.txt)
  endif()
endif()
