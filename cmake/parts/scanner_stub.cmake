# The scanner tests bring their own data source manager: a DLL named
# TWAIN_32.DLL, written beside the test programs, where LoadLibraryA finds it
# before any other.  It exports DSM_Entry at ordinal 1, as a manager does.
if(SARVOLT_WIN32)
  set(stub_dir ${CMAKE_SOURCE_DIR}/tests/win32_scanner/stub)
  add_library(twain_stub SHARED ${stub_dir}/twain_stub.cpp ${stub_dir}/twain_stub.def)
  sarvolt_target_flags(twain_stub)
  target_link_libraries(twain_stub PRIVATE sarvolt_core user32 kernel32)
  target_link_options(twain_stub PRIVATE -static -Wl,--kill-at)
  set_target_properties(twain_stub PROPERTIES PREFIX "" OUTPUT_NAME "TWAIN_32" SUFFIX ".DLL"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # The test program, and the program whose dialog it uses, are defined
  # after the parts.  Wine has a built-in twain_32 of its own that it prefers
  # to a DLL of that name beside the program; the test asks for the one
  # beside it, as Windows would load it.
  cmake_language(DEFER CALL add_dependencies test_win32_scanner twain_stub SARVOLT)
  cmake_language(DEFER CALL set_tests_properties test_win32_scanner PROPERTIES
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\\;twain_32=n")
endif()
