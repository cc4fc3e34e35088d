// The title block of the current sheet: its kind dialog and the menu
// command that runs it.
#pragma once

// Runs the kind dialog; "Да" stores the chosen kind into the header and the
// current sheet's record.  Returns 0 when cancelled.
int choose_title_block_kind();
// The fill-in dialog of title-block kind 1..7 (258, 519-524): the field
// texts of the current sheet or of all sheets; each edit is stored when it
// loses the focus.  0 for kind 0 or no drawing.
int title_block_fill_dialog(int kind);
// The title-block command: with ask the kind dialog first (cancel ends
// it); then the title-block height follows the kind and the windows are
// repainted.  Kinds 1-7 then run their fill-in dialog.
void choose_title_block(int ask);
// Binds the title-block command.
void title_block_dialog_bind();
