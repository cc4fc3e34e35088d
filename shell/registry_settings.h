// The program's settings in the registry.  Two keys, both named by the
// settings block: the program key under HKEY_LOCAL_MACHINE (the App Paths
// entry the installer writes, its "Path" the program folder) and the user
// key under HKEY_CURRENT_USER, which holds the recent-files list (see
// shell/recent_files.h), "Path" (the folder of the last drawing closed),
// "Photolib" (the root folder of the sketch library, written by the
// installer) and "RenderSTL".  Every other file reaches the registry
// settings through here.
#pragma once
#include <windows.h>

// The key paths; "" while the settings block is not loaded.
const char* registry_program_key();
const char* registry_user_key();

// Value names.
extern const char registry_path_value[];        // "Path"
extern const char registry_photolib_value[];    // "Photolib"
extern const char registry_render_stl_value[];  // "RenderSTL"

// Reads a REG_SZ value of an open key into buf (size bytes), always
// NUL-terminated; false (and buf empty) when it is missing, not a string, or
// does not fit.
bool registry_query_string(HKEY key, const char* value, char* buf, DWORD size);
// The same for a value of root\key.
bool registry_read_string(HKEY root, const char* key, const char* value, char* buf, DWORD size);
// Writes a REG_SZ value with its terminating NUL; true when written.
bool registry_write_string(HKEY key, const char* value, const char* text);

// The user key opened for reading, or created for writing; null when it
// cannot be (or the settings block names none).  The caller closes it.
HKEY registry_user_key_open(bool write);
// A value of the user key, as registry_query_string.
bool registry_user_read(const char* value, char* buf, DWORD size);
// The program folder: "Path" of the program key.
bool registry_program_folder(char* buf, DWORD size);
