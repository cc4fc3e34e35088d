// The graphic elements in the program: the element rebuild of the open
// projection windows, under the document lock, and its messages.
#include "shell/elements_binding.h"

#include <windows.h>

#include <cstring>

#include "base/program_messages.h"
#include "documents/saving.h"
#include "geometry/naming.h"
#include "shell/commands.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "stages/points_elements/element_rebuild.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

char caption_text[300];

RebuildHooks program_hooks() {
    RebuildHooks hooks;
    hooks.stage = current_stage;
    hooks.caption = [](const unsigned char* projection) -> const char* {
        view_caption(projection, caption_text, sizeof caption_text);
        return caption_text;
    };
    return hooks;
}

// Rebuilds the projection whose record lies at ref in the projection
// buffer, on a copy whose chain heads are written back.
int rebuild_at(DrawingFile* df, RecordRef ref, bool full, bool incremental, const RebuildHooks& hooks) {
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = ref;
    unsigned char* p = record_read_at(df, &at, pb);
    if (!p || error_flag) return rebuild_failed;
    unsigned char copy[projection_record_max] = {};
    uint32_t len = get_u16(p, record_length);
    std::memcpy(copy, p, len < sizeof copy ? len : sizeof copy);
    int rc = rebuild_projection_elements(df, copy, full, hooks, incremental);
    at = ref;
    p = record_read_at(df, &at, pb);
    if (!p) return rebuild_failed;
    std::memcpy(p + projection_links, copy + projection_links, projection_points + 4 - projection_links);
    pb->clean = 0;
    return rc;
}

void rebuild_changed_projections(int full) {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    document_lock_acquire();
    RebuildHooks hooks = program_hooks();
    PageBuffer* pb = &page_buffers[table_projections];
    for (ProjectionWindow* w = projection_windows; w && !error_flag; w = w->next) {
        RecordRef at = w->record_ref;
        unsigned char* p = record_read_at(df, &at, pb);
        if (!p) continue;
        bool changed = (get_u16(p, projection_flags) & 0x0200) != 0;
        if (changed) w->window_flags |= window_flag_changed;
        if (!projection_needs_rebuild(changed, previous_stage, current_stage)) continue;
        rebuild_at(df, w->record_ref, full != 0, true, hooks);
        w->window_flags &= static_cast<uint16_t>(~window_flag_changed);
    }
    error_flag = 0;
    drawing_save();
    document_lock_release();
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w->window) InvalidateRect(w->window, nullptr, TRUE);
}

}  // namespace

bool elements_rebuild_projection(unsigned char* projection, bool full) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return false;
    RebuildHooks hooks = program_hooks();
    int fillets_failed = 0;
    hooks.fillets_failed = &fillets_failed;
    rebuild_projection_elements(df, projection, full, hooks);
    page_buffers[table_projections].clean = 0;
    return fillets_failed > 0;
}

void elements_bind() {
    command_seams.rebuild_changed_projections = rebuild_changed_projections;
    element_panel_bind();
}
