// Help pages in the web browser, and the start of outside programs (the
// program itself after a fatal failure, viewers).
#pragma once
#include <windows.h>
#include <string>

struct HelpTopic {
    const char* file;    // null: no page (the web site for topic 86)
    const char* anchor;  // null: none
};
extern const HelpTopic help_topics[87];
struct HelpPageCheck {
    const char* file;
    int items[19];  // menu items greyed when the page is missing, 0-terminated
};
extern const HelpPageCheck help_page_checks[17];

extern char* help_folder;
extern char* browser_command;
extern int help_available;
extern int help_topic;
extern int context_help_topic;

// The topic of a help menu command, or -1.
int help_command_topic(int command);
// The browser command from the association's command (any case), given
// whether Internet Explorer is at its default path: the quoted program,
// lower case, and one blank; empty when the command names no quoted ".exe".
std::string browser_command_from(const std::string& registered, bool ie_exists);
// The command line that opens a topic: browser, then the page as one quoted
// argument (folder, page and anchor), or the web address for topic 86.
// Empty when the topic has no page.
std::string help_command_line(const std::string& browser, const std::string& folder, int topic,
                              const char* web_address);

void help_init();
void help_open(int topic);
void open_help_topic();
void open_context_help();
void set_help_topic(int topic);
int set_context_help_topic(int topic);
void init_help_button(HWND dialog);
// Starts the program again on path, in the folder the documents saved
// (shell_documents.saved_directory).
BOOL restart_program(const char* path);
// The command line of a restart: the quoted program path and the quoted path.
std::string restart_command_line(const char* folder, const char* path);
BOOL run_viewer_program(const char* program, const char* folder, const char* argument,
                        const char* second);
