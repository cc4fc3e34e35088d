// The installer's steps: the distribution check, the installation, the
// removal and the shortcuts, written against an operations interface so each
// step can run over Win32 (setup_ops_win.cpp) or over a recorder in tests.
//
// Installation (install_steps), in order:
//   1. the progress title;
//   2. the target folder with all its parents, then the table's sub-folders;
//   3. the table's files in order: a target newer than its source is kept
//      (" - Нет!", the run ends "not completed" but goes on); otherwise the
//      target's attributes are cleared, the file copied and set to archive;
//   4. the registry rows of setup_registry_rows;
//   5. with the sketch library: its folder (with parents) and HKCU "Photolib";
//   6. the shortcuts;
//   7. the end (step_finished).
// A failure in steps 2-5 shows its message, sets the error and ends the run
// with step_finished; a second run completes a partial installation.
//
// Removal (uninstall_steps): rights on the App Paths key; refusal while the
// program's window exists; the table's files (a running Setup.exe and edited
// sample drawings kept; the running Setup.exe and the target are deleted
// when Windows next starts), the sub-folders and the target when empty, the
// registry keys (as trees), the shortcuts; the end.  A file or link that is
// already gone counts as removed.
#pragma once
#include <cstdint>
#include <string>

#include "setup/setup_logic.h"

struct SetupOps {
    virtual ~SetupOps() = default;
    // Files and folders; paths are full Windows-1251 paths.
    virtual bool file_exists(const std::string& path) = 0;
    // Size in bytes of a file that can be opened for reading, else -1.
    virtual int64_t file_size(const std::string& path) = 0;
    // Creation and last-write times (FILETIME units); false when unreadable.
    virtual bool file_times(const std::string& path, uint64_t* created, uint64_t* written) = 0;
    virtual bool file_make_writable(const std::string& path) = 0;  // attributes: normal
    virtual bool file_copy(const std::string& from, const std::string& to) = 0;
    virtual bool file_set_archive(const std::string& path) = 0;
    virtual bool file_delete(const std::string& path) = 0;
    virtual bool folder_exists(const std::string& path) = 0;
    virtual bool folder_create(const std::string& path) = 0;  // one level
    virtual bool folder_remove(const std::string& path) = 0;  // empty folders only
    // Deletes a file or an empty folder when Windows next starts.
    virtual bool delete_at_restart(const std::string& path) = 0;
    // Registry; an empty value name is the key's default value.
    virtual bool reg_create_key(SetupRoot root, const std::string& key) = 0;
    virtual bool reg_set(SetupRoot root, const std::string& key, const std::string& value,
                         const std::string& data) = 0;
    virtual bool reg_get(SetupRoot root, const std::string& key, const std::string& value,
                         std::string* data) = 0;
    virtual bool reg_open_full_access(SetupRoot root, const std::string& key) = 0;
    // Deletes the key with its sub-keys; true when the key is gone.
    virtual bool reg_delete_tree(SetupRoot root, const std::string& key) = 0;
    // Deletes the key only when it has no sub-keys and no values.
    virtual void reg_delete_if_empty(SetupRoot root, const std::string& key) = 0;
    virtual std::string expand(const std::string& text) = 0;  // environment strings
    // Shell.
    virtual bool link_create(const std::string& link, const std::string& target,
                             const std::string& folder, const std::string& description) = 0;
    virtual bool window_exists(const char* window_class) = 0;
    // The user and the progress dialog.
    virtual void message(const std::string& text) = 0;  // warning box
    virtual void progress_title(const std::string& text) = 0;
    virtual void progress(SetupStep kind, const std::string& text) = 0;
};

// The distribution check: every table name opened for reading below dist.
struct SetupCheck {
    bool complete = false;
    std::string missing;     // full path of the first missing file
    double megabytes = 0.0;  // sum of the sizes x 1e-6
};
SetupCheck setup_check_distribution(SetupOps& ops, const std::string& dist);
// The message of a failed check.
std::string setup_missing_message(const std::string& path);

struct InstallParams {
    std::string dist;    // distribution folder
    std::string target;  // target folder
    bool desktop = true;
    bool library = false;
    std::string library_folder;
};
// Returns true when the run ended without an error.
bool install_steps(SetupOps& ops, const InstallParams& p);

struct UninstallParams {
    std::string target;      // the installed folder
    bool keep_setup = false; // started from the installed folder's Setup.exe
};
bool uninstall_steps(SetupOps& ops, const UninstallParams& p);

// Creates (removal: deletes) the shortcut of program ("\SARVOLT.exe") in the
// program menu and, when desktop, on the desktop.  0 done, 1 failed.
int shortcuts_apply(SetupOps& ops, const std::string& target, const char* program, bool desktop,
                    bool removal);
// The browser command for the manual of distribution folder dist: the
// ".htm" class's "opennew" command, else its "open" command, through
// setup_browser_command; empty when the manual is missing or no browser
// can be named.
std::string setup_find_browser(SetupOps& ops, const std::string& dist);
// Creates the link of T + program, started in T, as link_folder + the
// program's name with ".lnk"; 1 done, 0 failed ("Ошибка при создании ссылки").
int shortcut_create(SetupOps& ops, const std::string& target, const char* program,
                    const std::string& link_folder);
// Creates folder and every missing parent; false when one cannot be made.
bool setup_create_folder_chain(SetupOps& ops, const std::string& folder);
