// Fragment insertion parameters: the live, dialog and backup copies.
#include "output/fragment_params.h"

FragmentInsertParams fragment_insert_params;
FragmentSettings fragment_settings;
FragmentSettings fragment_dialog_settings;

namespace {
FragmentInsertParams saved_params;
FragmentSettings saved_settings;
}  // namespace

void fragment_insert_params_save() {
    saved_params = fragment_insert_params;
    saved_settings = fragment_settings;
}

void fragment_insert_params_restore() {
    fragment_insert_params = saved_params;
    fragment_settings = saved_settings;
}
