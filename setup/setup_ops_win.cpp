// The installer's operations over Win32.
#include "setup/setup_ops_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

static HKEY root_key(SetupRoot root) {
    switch (root) {
    case root_local_machine: return HKEY_LOCAL_MACHINE;
    case root_classes: return HKEY_CLASSES_ROOT;
    case root_current_user: return HKEY_CURRENT_USER;
    }
    return HKEY_LOCAL_MACHINE;
}

int setup_message_box(HWND owner, const char* text, UINT flags) {
    return MessageBoxExA(owner, text, setup_message_caption, flags | MB_SETFOREGROUND,
                         MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
}

bool Win32SetupOps::file_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t Win32SetupOps::file_size(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(h, &size);
    CloseHandle(h);
    return ok ? static_cast<int64_t>(size.QuadPart) : -1;
}

static uint64_t as_u64(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool Win32SetupOps::file_times(const std::string& path, uint64_t* created, uint64_t* written) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    *created = as_u64(d.ftCreationTime);
    *written = as_u64(d.ftLastWriteTime);
    return true;
}

bool Win32SetupOps::file_make_writable(const std::string& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

bool Win32SetupOps::file_copy(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32SetupOps::file_set_archive(const std::string& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE) != 0;
}

bool Win32SetupOps::file_delete(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32SetupOps::folder_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32SetupOps::folder_create(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool Win32SetupOps::folder_remove(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

bool Win32SetupOps::delete_at_restart(const std::string& path) {
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool Win32SetupOps::reg_create_key(SetupRoot root, const std::string& key) {
    HKEY k;
    if (RegCreateKeyExA(root_key(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool Win32SetupOps::reg_set(SetupRoot root, const std::string& key, const std::string& value,
                            const std::string& data) {
    HKEY k;
    if (RegCreateKeyExA(root_key(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    // The length counts the terminating NUL, so every reader finds one.
    LONG r = RegSetValueExA(k, value.empty() ? nullptr : value.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

bool Win32SetupOps::reg_get(SetupRoot root, const std::string& key, const std::string& value,
                            std::string* data) {
    HKEY k;
    if (RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    std::vector<char> buf(2048, 0);
    DWORD type = 0, size = static_cast<DWORD>(buf.size() - 1);
    LONG r = RegQueryValueExA(k, value.empty() ? nullptr : value.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buf.data()), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    *data = std::string(buf.data());
    return true;
}

bool Win32SetupOps::reg_open_full_access(SetupRoot root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool Win32SetupOps::reg_delete_tree(SetupRoot root, const std::string& key) {
    DWORD r = SHDeleteKeyA(root_key(root), key.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

void Win32SetupOps::reg_delete_if_empty(SetupRoot root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    LONG r = RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    if (r == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyA(root_key(root), key.c_str());
}

std::string Win32SetupOps::expand(const std::string& text) {
    char buf[1024];
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), buf, sizeof buf);
    if (n == 0 || n > sizeof buf) return text;
    return buf;
}

bool Win32SetupOps::link_create(const std::string& link, const std::string& target,
                                const std::string& folder, const std::string& description) {
    HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    IShellLinkA* sl = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&sl)))) {
        sl->SetWorkingDirectory(folder.c_str());
        sl->SetPath(target.c_str());
        sl->SetDescription(description.c_str());
        IPersistFile* pf = nullptr;
        if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
            wchar_t w[MAX_PATH * 2];
            if (MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, w, MAX_PATH * 2) > 0)
                ok = SUCCEEDED(pf->Save(w, TRUE));
            pf->Release();
        }
        sl->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return ok;
}

bool Win32SetupOps::window_exists(const char* window_class) {
    return FindWindowA(window_class, nullptr) != nullptr;
}

void Win32SetupOps::message(const std::string& text) {
    setup_message_box(progress_dialog, text.c_str(), MB_OK | MB_ICONWARNING);
}

void Win32SetupOps::progress_title(const std::string& text) {
    if (progress_dialog)
        SendMessageA(progress_dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32SetupOps::progress(SetupStep kind, const std::string& text) {
    if (progress_dialog)
        SendMessageA(progress_dialog, WM_USER + static_cast<int>(kind), 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
}
