// The recent-files list under the program's user key.
#include "shell/recent_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/registry_settings.h"

namespace {

// Paths are kept in buffers of this size, as the open and save dialogs
// give them.
constexpr DWORD path_size = 780;

}  // namespace

void recent_file_value_name(int n, char* name, size_t size) {
    std::snprintf(name, size, "LastFile%-u", static_cast<unsigned>(n));
}

bool recent_file_path(int n, char* path, size_t size) {
    path[0] = 0;
    if (n < 1 || n > recent_files_max) return false;
    char name[16];
    recent_file_value_name(n, name, sizeof name);
    return registry_user_read(name, path, static_cast<DWORD>(size)) && path[0];
}

std::vector<std::string> recent_files_list() {
    std::vector<std::string> paths;
    HKEY key = registry_user_key_open(false);
    if (!key) return paths;
    for (int n = 1; n <= recent_files_max; ++n) {
        char name[16], path[path_size];
        recent_file_value_name(n, name, sizeof name);
        if (!registry_query_string(key, name, path, sizeof path) || !path[0]) break;
        paths.push_back(path);
    }
    RegCloseKey(key);
    return paths;
}

void recent_files_add(const char* path) {
    if (!path || !*path) return;
    HKEY key = registry_user_key_open(true);
    if (!key) return;
    std::string folder(path);
    size_t cut = folder.find_last_of('\\');
    if (cut != std::string::npos) {
        folder.resize(cut);
        registry_write_string(key, registry_path_value, folder.c_str());
    }
    // n: the entries that move down one place, the path itself when it is
    // listed, else the whole list (the seventh falls off).
    int n = 0;
    for (int k = 1; k <= recent_files_max; ++k) {
        char name[16], value[path_size];
        recent_file_value_name(k, name, sizeof name);
        DWORD size = sizeof value, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
            n = k - 1;
            break;
        }
        value[sizeof value - 1] = 0;
        if (std::strcmp(value, path) == 0) {
            n = k - 1;
            break;
        }
        n = k;
    }
    if (n > recent_files_max - 1) n = recent_files_max - 1;
    for (int k = n; k >= 1; --k) {
        char from[16], to[16], value[path_size];
        recent_file_value_name(k, from, sizeof from);
        recent_file_value_name(k + 1, to, sizeof to);
        DWORD size = sizeof value, type = 0;
        if (RegQueryValueExA(key, from, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
            RegSetValueExA(key, to, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), size);
    }
    char first[16];
    recent_file_value_name(1, first, sizeof first);
    registry_write_string(key, first, path);
    RegCloseKey(key);
}

void recent_files_rewrite(const std::vector<std::string>& paths) {
    const char* key_path = registry_user_key();
    if (!*key_path) return;
    char photolib[1028], render[1288], folder[path_size];
    registry_user_read(registry_path_value, folder, sizeof folder);
    registry_user_read(registry_photolib_value, photolib, sizeof photolib);
    registry_user_read(registry_render_stl_value, render, sizeof render);
    RegDeleteKeyA(HKEY_CURRENT_USER, key_path);
    HKEY key = registry_user_key_open(true);
    if (!key) return;
    for (size_t i = 0; i < paths.size() && i < static_cast<size_t>(recent_files_max); ++i) {
        char name[16];
        recent_file_value_name(static_cast<int>(i + 1), name, sizeof name);
        registry_write_string(key, name, paths[i].c_str());
    }
    if (photolib[0]) registry_write_string(key, registry_photolib_value, photolib);
    if (render[0]) registry_write_string(key, registry_render_stl_value, render);
    if (folder[0]) registry_write_string(key, registry_path_value, folder);
    RegCloseKey(key);
}
