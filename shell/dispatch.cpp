// The menu commands built so far: help, "Что сейчас?" and the exit.  The
// other commands of the menu do nothing yet.
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "store/documents_win.h"

int dispatch_menu_command(int id) {
    if (documents_command(id)) return 0;
    if (id == 40003) {
        close_everything_and_quit(nullptr, false);
        return 0;
    }
    if (id == 40101) {
        open_context_help();
        return 0;
    }
    int topic = help_command_topic(id);
    if (topic >= 0) {
        set_help_topic(topic);
        open_help_topic();
        return 0;
    }
    // Commands of the frame's MDI window menu go on to DefFrameProcA.
    return (id >= 40500 && id < 41000) || id >= 0xF000 ? 1 : 0;
}
