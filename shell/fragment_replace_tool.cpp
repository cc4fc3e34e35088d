// Replacing an inserted fragment at the image stage: the clicks on the
// replacing projection's binding points and the replacement itself.
#include "shell/fragment_replace_tool.h"

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/kernel_seams.h"
#include "output/fragment_instances.h"
#include "shell/elements_binding.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"

FragmentReplacement fragment_replacement_handed;

namespace {

FragmentReplacement active;
std::vector<uint32_t> picked;

// The copies bring no generated geometry: the projection's elements are
// rebuilt from its points, on a copy of its record written back.
void rebuild(DrawingFile* df, uint32_t key) {
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return;
    uint16_t len = get_u16(p, record_length);
    std::vector<uint8_t> copy(projection_record_max, 0);
    std::memcpy(copy.data(), p, len < copy.size() ? len : copy.size());
    elements_rebuild_projection(copy.data(), false);
    error_flag = 0;
    p = fragment_projection_in(df, key);
    if (!p) return;
    std::memcpy(p, copy.data(), len < copy.size() ? len : copy.size());
    page_buffers[table_projections].clean = 0;
}

}  // namespace

int fragment_replace_tool_start() {
    picked.clear();
    active = fragment_replacement_handed;
    fragment_replacement_handed = FragmentReplacement();
    if (!active.pending || active.target.source_bindings < 1) {
        active = FragmentReplacement();
        return 0;
    }
    prompt_show("*базовые точки на заменяющем фрагменте");
    status_show_number(0);
    return 1;
}

bool fragment_replace_tool_active() { return active.pending; }

void fragment_replace_tool_cancel() {
    active = FragmentReplacement();
    picked.clear();
}

int fragment_replace_tool_click(uint32_t projection, uint32_t point) {
    if (!active.pending || projection != active.replacement || !point) return 0;
    for (uint32_t p : picked)
        if (p == point) return 0;
    picked.push_back(point);
    status_show_number(static_cast<unsigned>(picked.size()));
    if (static_cast<int>(picked.size()) < active.target.source_bindings) return 1;
    FragmentReplacement r = active;
    std::vector<uint32_t> points = picked;
    fragment_replace_tool_cancel();
    // One checkpoint first: one undo takes the whole replacement back.
    if (!current_drawing_file() || drawing_checkpoint(1, nullptr) != 0) return 2;
    DrawingFile* df = current_drawing_file();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    FragmentReplaceResult result;
    {
        DocumentLockGuard lock;
        result = fragment_replace(df, r, points.data(), static_cast<int>(points.size()));
        std::vector<uint32_t> holders;
        if (result.reinserted) {
            for (const FragmentInstanceRef& i : fragment_instances_of(df, r.replacement)) holders.push_back(i.holder);
            for (uint32_t h : holders) rebuild(df, h);
        }
    }
    SetCursor(old);
    if (result.failed) report_document_failure(df);
    if (mdi_client) RedrawWindow(mdi_client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The panel ends the input itself (the stage is not entered anew, which
    // would replace this prompt with the stage's own).
    prompt_show(text_fragment_replaced);
    return 2;
}
