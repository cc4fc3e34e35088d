// The installer's pure rules: command-line words, folder texts, the browser
// command, the progress texts, the keep-newer decision and the registry rows
// an installation writes.  No file, registry or window is touched here; all
// texts are Windows-1251 bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

extern const char setup_version[];        // "9.4"
extern const char setup_window_title[];   // " Установка программы SARVOLT 9.4"
extern const char setup_message_caption[];  // "В Н И М А Н И Е !!!"
extern const char setup_manual_page[];    // "Руководство.htm"
extern const char setup_manual_anchor[];  // "#2_Установка_программы"
extern const char setup_iexplore_path[];  // the browser every Windows has
extern const char setup_app_paths_key[];  // HKLM, App Paths of SARVOLT.exe
extern const char setup_app_paths_companion_key[];  // older installations' print companion
extern const char setup_maker_key[];      // HKLM "SOFTWARE\Zorvan\Zorvan"
extern const char setup_maker_parent_key[];  // HKLM "SOFTWARE\Zorvan"
extern const char setup_uninstall_key[];  // HKLM, the uninstall entry
extern const char setup_user_key[];       // HKCU "SOFTWARE\Zorvan\SARVOLT"
extern const char setup_shell_folders_key[];  // Explorer's "Shell Folders"

// The words of the command line, looked for (as substrings, in any letter
// case) in the arguments only, never in the program's own path.
struct SetupWords {
    bool uninst = false;   // removal mode
    bool startcd = false;  // kept, no effect
    bool help = false;     // open the manual and quit
};
SetupWords setup_command_words(const char* arguments);
// The arguments of a whole command line: what follows the program path
// (quoted or not) and the blanks after it.
const char* setup_arguments_of(const char* command_line);

// A typed folder as taken: trailing blanks, then one trailing '\' removed
// (a drive root "C:\" keeps its backslash).
std::string setup_trim_folder(const std::string& typed);
// Two folder texts name the same folder: letter case (Latin and Cyrillic of
// Windows-1251) and one trailing '\' do not count.
bool setup_same_folder(const std::string& a, const std::string& b);
// The sub-folder part of a table name: "\01\рис1.gif" -> "\01"; "" when the
// name lies in the top folder.
std::string setup_subfolder(const char* name);
// The folders that hold path, outermost first, from the first folder below
// the drive or share root: "C:\A\B" -> "C:\A", "C:\A\B".
std::vector<std::string> setup_folder_chain(const std::string& path);

// The browser command: the registered ".htm" command (empty when there is
// none) unless it does not name iexplore.exe and iexplore.exe exists, in
// which case that one, quoted; then cut after the first ".exe\"" with one
// blank appended.  Empty: no browser.
std::string setup_browser_command(const std::string& registered, bool iexplore_exists);
// The manual's command line: the browser command and the page, with or
// without the installation anchor, as one quoted argument.
std::string setup_manual_command(const std::string& browser, const std::string& folder,
                                 bool with_anchor);

// Lines of the progress list and its result text.
enum SetupStep { step_started = 1, step_done = 2, step_finished = 3, step_failed = 4 };
std::string setup_progress_line(SetupStep kind, const std::string& text);
std::string setup_result_text(bool removal, bool error);
// The distribution size as dialog 101 shows it: "%5.1f Мбайт".
std::string setup_size_text(double megabytes);

// A target file that is newer than the distribution's copy is kept.
bool setup_keep_newer(uint64_t target_written, uint64_t source_written);
// A sample drawing was edited after its installation when it was last
// written later than it was created (the copy's creation time) by more than
// two seconds; the removal keeps it.
bool setup_sample_edited(const char* name, uint64_t created, uint64_t written);

// One registry value the installation writes.
enum SetupRoot { root_local_machine, root_classes, root_current_user };
struct SetupRegRow {
    SetupRoot root;
    std::string key;
    bool key_only;       // create the key, write no value
    std::string value;   // empty: the key's default value
    std::string data;
};
// The rows for target folder target (without a trailing '\'), in the order
// they are written.
std::vector<SetupRegRow> setup_registry_rows(const std::string& target);
// The keys the removal deletes (trees), in order.
struct SetupRegKey {
    SetupRoot root;
    const char* key;
};
std::vector<SetupRegKey> setup_removed_keys();
// The sketch library folder as written to "Photolib": with a trailing '\'.
std::string setup_photolib_value(const std::string& folder);
// The shortcut's description: program and version.
extern const char setup_link_description[];
