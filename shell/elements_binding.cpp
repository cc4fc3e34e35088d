// The graphic elements in the program: the element rebuild of the open
// projection windows, under the document lock, and its messages.
#include "shell/elements_binding.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "base/program_messages.h"
#include "documents/saving.h"
#include "render/output/bent_pictures.h"
#include "geometry/naming.h"
#include "shell/commands.h"
#include "shell/conventional_image_thread.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "stages/dimensions/dimension_tools.h"
#include "stages/dimensions/dimension_edit.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_rebuild.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

char caption_text[300];
// {projection number, element number} of the pictures to bend again.
std::vector<std::pair<uint32_t, uint32_t>> pictures_to_prepare;

RebuildHooks program_hooks() {
    RebuildHooks hooks;
    hooks.stage = current_stage;
    hooks.caption = [](const unsigned char* projection) -> const char* {
        view_caption(projection, caption_text, sizeof caption_text);
        return caption_text;
    };
    // Corner points the bars move carry the four-point symbols on them:
    // their pictures are bent again as well.
    hooks.bars = [](unsigned char* projection) {
        DrawingFile* df = current_drawing_file();
        if (!df) return;
        std::vector<uint32_t> pictures;
        rebuild_bars(df, projection, &pictures);
        for (uint32_t e : pictures) pictures_to_prepare.push_back({get_u32(projection, record_key), e});
    };
    // The directions of every dimension's links follow the moved points.
    hooks.dimensions = [](unsigned char* projection, bool) {
        DrawingFile* df = current_drawing_file();
        if (!df) return;
        std::vector<uint32_t> dimensions;
        RecordRef* head = projection_chain(projection, projection_dimensions);
        PageBuffer* b = &page_buffers[table_dimensions];
        for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
            dimensions.push_back(get_u32(r, dimension_number));
        for (uint32_t d : dimensions) update_link_directions(df, projection, d);
    };
    // A control point carried along: its dimensions take their new values.
    hooks.remeasure = [](unsigned char* projection, uint32_t point) {
        if (DrawingFile* df = current_drawing_file()) remeasure_dimensions_of_point(df, projection, point, false);
    };
    // A four-point picture symbol whose points moved is bent again once
    // the rebuild is over (its record may still move while it runs).
    hooks.picture_changed = [](unsigned char* projection, uint32_t element) {
        pictures_to_prepare.push_back({get_u32(projection, record_key), element});
    };
    return hooks;
}

// Starts the preparation of the pictures the rebuild asked for; the
// caller holds the document lock.  `projection`: the record just rebuilt
// (its chain heads may not be stored yet), else each window's stored one.
void prepare_pictures(unsigned char* projection) {
    std::vector<std::pair<uint32_t, uint32_t>> pending;
    pending.swap(pictures_to_prepare);
    // A symbol asked for twice (a point of its own and a bar's corner point
    // moved) is bent once.
    std::sort(pending.begin(), pending.end());
    pending.erase(std::unique(pending.begin(), pending.end()), pending.end());
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    PageBuffer* pb = &page_buffers[table_projections];
    for (const auto& item : pending) {
        ProjectionWindow* w = projection_window_find_by_id(item.first);
        if (!w) continue;
        RecordRef head = 0;
        if (projection && get_u32(projection, record_key) == item.first) {
            head = get_u32(projection, projection_elements);
        } else {
            RecordRef at = w->record_ref;
            unsigned char* p = record_read_at(df, &at, pb);
            if (!p) continue;
            head = get_u32(p, projection_elements);
        }
        PageBuffer* eb = &page_buffers[table_elements];
        RecordRef found = 0;
        for (unsigned char* r = record_next(df, &head, nullptr, eb); r && !found; r = record_next(df, &head, r, eb))
            if (get_u32(r, element_number) == item.second && element_kind(r) == element_kind_symbol)
                found = record_ref_of(eb, r);
        if (!found) continue;
        // A bend still running for the old points would store a stale
        // picture after the new one: it is abandoned first.
        bent_pictures_abandon(item.second);
        start_symbol_picture_thread(w, found);
    }
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
    prepare_pictures(nullptr);
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
    prepare_pictures(projection);
    page_buffers[table_projections].clean = 0;
    return fillets_failed > 0;
}

void elements_prepare_pictures(unsigned char* projection, const std::vector<uint32_t>& elements) {
    if (!projection || elements.empty()) return;
    document_lock_acquire();
    for (uint32_t e : elements) pictures_to_prepare.push_back({get_u32(projection, record_key), e});
    prepare_pictures(projection);
    document_lock_release();
}

void elements_bind() {
    command_seams.rebuild_changed_projections = rebuild_changed_projections;
    element_panel_bind();
}
