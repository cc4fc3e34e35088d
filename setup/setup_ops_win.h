// The installer's operations over Win32: files (KERNEL32), the registry
// (ADVAPI32, SHLWAPI for key trees), shell links (OLE32, SHELL32), window
// search, message boxes and the progress dialog, reached by SendMessage.
#pragma once
#include <windows.h>

#include "setup/setup_steps.h"

// Private messages of the progress dialog; lParam is the step's text.
enum {
    WM_SETUP_STEP_STARTED = WM_USER + 1,
    WM_SETUP_STEP_DONE = WM_USER + 2,
    WM_SETUP_FINISHED = WM_USER + 3,
    WM_SETUP_STEP_FAILED = WM_USER + 4
};

struct Win32SetupOps : SetupOps {
    // progress: the progress dialog (null: steps are not shown).
    explicit Win32SetupOps(HWND progress) : progress_dialog(progress) {}
    HWND progress_dialog;

    bool file_exists(const std::string& path) override;
    int64_t file_size(const std::string& path) override;
    bool file_times(const std::string& path, uint64_t* created, uint64_t* written) override;
    bool file_make_writable(const std::string& path) override;
    bool file_copy(const std::string& from, const std::string& to) override;
    bool file_set_archive(const std::string& path) override;
    bool file_delete(const std::string& path) override;
    bool folder_exists(const std::string& path) override;
    bool folder_create(const std::string& path) override;
    bool folder_remove(const std::string& path) override;
    bool delete_at_restart(const std::string& path) override;
    bool reg_create_key(SetupRoot root, const std::string& key) override;
    bool reg_set(SetupRoot root, const std::string& key, const std::string& value,
                 const std::string& data) override;
    bool reg_get(SetupRoot root, const std::string& key, const std::string& value,
                 std::string* data) override;
    bool reg_open_full_access(SetupRoot root, const std::string& key) override;
    bool reg_delete_tree(SetupRoot root, const std::string& key) override;
    void reg_delete_if_empty(SetupRoot root, const std::string& key) override;
    std::string expand(const std::string& text) override;
    bool link_create(const std::string& link, const std::string& target, const std::string& folder,
                     const std::string& description) override;
    bool window_exists(const char* window_class) override;
    void message(const std::string& text) override;
    void progress_title(const std::string& text) override;
    void progress(SetupStep kind, const std::string& text) override;
};

// A message box of the installer: caption "В Н И М А Н И Е !!!", Russian.
int setup_message_box(HWND owner, const char* text, UINT flags);
