// The program's settings in the registry: the program key, the user key and
// the names of their values.
#include "shell/registry_settings.h"

#include <cstring>

#include "store/settings_block.h"

const char registry_path_value[] = "Path";
const char registry_photolib_value[] = "Photolib";
const char registry_render_stl_value[] = "RenderSTL";

const char* registry_program_key() { return settings_text(settings_program_key_offset); }
const char* registry_user_key() { return settings_text(settings_user_key_offset); }

bool registry_query_string(HKEY key, const char* value, char* buf, DWORD size) {
    DWORD type = 0, n = size - 1;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &n) != ERROR_SUCCESS ||
        type != REG_SZ) {
        buf[0] = 0;
        return false;
    }
    buf[n < size ? n : size - 1] = 0;
    return true;
}

bool registry_read_string(HKEY root, const char* key, const char* value, char* buf, DWORD size) {
    HKEY k;
    if (!key || !*key || RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) {
        buf[0] = 0;
        return false;
    }
    bool ok = registry_query_string(k, value, buf, size);
    RegCloseKey(k);
    return ok;
}

bool registry_write_string(HKEY key, const char* value, const char* text) {
    return RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

HKEY registry_user_key_open(bool write) {
    const char* path = registry_user_key();
    if (!*path) return nullptr;
    HKEY key;
    LONG r = write ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                   : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
    return r == ERROR_SUCCESS ? key : nullptr;
}

bool registry_user_read(const char* value, char* buf, DWORD size) {
    return registry_read_string(HKEY_CURRENT_USER, registry_user_key(), value, buf, size);
}

bool registry_program_folder(char* buf, DWORD size) {
    return registry_read_string(HKEY_LOCAL_MACHINE, registry_program_key(), registry_path_value, buf, size);
}
