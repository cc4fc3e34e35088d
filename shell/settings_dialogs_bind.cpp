// The binding of the settings dialogs: the dispatcher's seams of the units
// dialog, the symbol table and the drawing options, and the kernel's
// sketch-library folder from the user settings.
#include <cstring>

#include "shell/settings_dialogs.h"

#include "geometry/kernel_seams.h"
#include "shell/commands.h"

namespace {

size_t photolib_folder(char* out, size_t size) {
    if (!out || size == 0) return 0;
    settings_get_photolib(out, size);
    return std::strlen(out);
}

}  // namespace

void settings_dialogs_bind() {
    command_seams.units_dialog = units_dialog_run;
    command_seams.symbol_table_dialog = symbol_table_dialog_run;
    command_seams.drawing_options_dialog = drawing_options_dialog_run;
    command_seams.drawing_options_more_dialog = drawing_options_more_dialog_run;
    command_seams.projection_properties_dialog = projection_properties_run;
    kernel_photolib_folder = photolib_folder;
}
