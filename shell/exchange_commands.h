// The import and export commands of the file menu: the file dialogs, the
// import options dialog and the choice of reader or writer by extension.
#pragma once
#include <windows.h>

#include <cstddef>

// Menu command "Импорт": DXF and AAMA through the options dialog, any other
// file as MGI.
void import_drawing();
// Menu command "Экспорт" (kind 0 from the menu): MGI, or at the layout stage
// with generated hatch lines shown also DXF and AAMA, by the extension.  A
// name without a known extension gets the default one; when the name so
// extended exists, it is replaced only after question 3.
void export_drawing(int kind);
// Fills the shell's import and export command seams.
void exchange_commands_init();

// Test hooks.  The options dialog: when set it answers in place of the
// dialog (1 confirmed, 0 cancelled) and may change import_options.
extern int (*import_options_answer)();
// Flags, title and default extension of the last file dialog shown or
// answered through document_dialog_answer.
struct ExchangeDialogSeen {
    DWORD flags;
    char title[64];
    char default_extension[8];
    char proposed[260];
};
extern ExchangeDialogSeen exchange_dialog_seen;
