// Tool state words reset by the document lifecycle.
#include "documents/tool_state.h"

#include "base/byte_order.h"
#include "store/settings_block.h"

int32_t dimension_tool_state = 0;
int32_t title_block_state[3] = {0, 0, 1};
double element_default_offset = 0.0;
int undo_after_construction = 0;

void new_drawing_text_settings() {
    if (!settings_block) return;
    put_u16(settings_block, settings_text_size_index_offset, 2);
    put_f64(settings_block, settings_text_height_offset, 3.5);
    put_u16(settings_block, settings_arrowhead_kind_offset, 0);
}

void new_drawing_tool_state() {
    dimension_tool_state = 0;
    title_block_state[0] = 0;
    title_block_state[1] = 0;
    title_block_state[2] = 1;
}
