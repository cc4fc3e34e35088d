// Layout nodes: building them from the projection chain, storing their
// placement, picking, automatic format choice and placement, hatch
// regeneration and drawing a node's projection on a sheet.
#include "output/layout_nodes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "output/page_sheets.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "render/contours/contour_lists.h"
#include "render/contours/hatch_generation.h"
#include "render/output/element_drawing.h"
#include "render/output/output_binding.h"
#include "render/output/symbol_drawing.h"
#include "render/output/view_dimensions_walk.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

double layout_margin = 10.0;
const char* const layout_message_too_large = "Поле чертежа слишком велико для автоматического выбора формата!";
const char* const layout_message_choose_scale = "Подберите подходящий масштаб чертежа и/или формат вручную";

namespace {

constexpr size_t proj_frame = 58;   // 4 x f32: min x, min y, max x, max y
constexpr uint16_t proj_flag_not_on_sheets = 0x0100;
constexpr uint8_t hatching_regenerate = 0x01;  // bit 0 of the hatching's byte +8

struct CriticalSection {
    CriticalSection() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~CriticalSection() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

RecordRef* projections_head(DrawingFile* df) {
    return reinterpret_cast<RecordRef*>(df->header + header_projections);
}

void node_from_record(LayoutNode* n, const uint8_t* p, uint16_t len) {
    n->record.assign(p, p + len);
    n->hatch.projection = n->record.data();
    float x0 = get_f32(p, proj_frame), y0 = get_f32(p, proj_frame + 4);
    float x1 = get_f32(p, proj_frame + 8), y1 = get_f32(p, proj_frame + 12);
    if (std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1) && x1 >= x0 &&
        y1 >= y0 && x0 > -FLT_MAX && x1 < FLT_MAX) {
        n->frame_x = x0, n->frame_y = y0;
        n->width = x1 - x0, n->height = y1 - y0;
    } else {
        n->frame_x = n->frame_y = 0;
        n->width = n->height = 0;
    }
}

// One candidate format's placement state.
struct Placement {
    double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    void extend(const LayoutNode& n) {
        min_x = std::min(min_x, n.x), min_y = std::min(min_y, n.y);
        max_x = std::max(max_x, n.right()), max_y = std::max(max_y, n.bottom());
    }
};

bool on_sheet(const LayoutNode& n, uint32_t sheet) { return n.sheet == sheet; }

// Places the nodes of sheet for a sheet of w x h (model units).  Returns
// false when a view in projection relation made the box exceed the limits
// both ways; box gets the box of the placed views.
bool place_nodes(LayoutNodes& nodes, uint32_t sheet, double w, double h, double mx, double my, double tb,
                 bool drop_hand_placement, Placement* box) {
    const double to_model = sheet_to_model_length(1.0);
    double lx = w - 25.0 * to_model, ly = h - (tb + 10.0) * to_model;
    for (auto& n : nodes) {
        if (!on_sheet(*n, sheet)) continue;
        n->flags &= static_cast<uint16_t>(~layout_node_laid_out);
        if (drop_hand_placement) n->flags &= static_cast<uint16_t>(~layout_node_hand_placed);
    }
    *box = Placement();
    double y0 = 0, y1 = 0, y2 = 0, y3 = 0, a = 0, b = 0;
    bool bottom_range = false, top_range = false;
    double bottom_x0 = 0, bottom_x1 = 0, top_x0 = 0, top_x1 = 0;
    double req_w = 0, req_h = 0;
    const LayoutNode* anchor = nullptr;
    bool ok = true;
    const int order[] = {view_kind_requirements, view_kind_front, view_kind_left, view_kind_back,
                         view_kind_right,        view_kind_bottom, view_kind_top, view_kind_general};
    auto fits_one_way = [&](double x, double y, const LayoutNode& n) {
        double x0 = std::min(box->min_x, x), x1 = std::max(box->max_x, x + n.width);
        double yy0 = std::min(box->min_y, y), yy1 = std::max(box->max_y, y + n.height);
        return x1 - x0 + mx <= lx || yy1 - yy0 + my <= ly;
    };
    for (int kind : order) {
        while (LayoutNode* n = layout_find_unplaced(nodes, kind, sheet)) {
            n->flags |= layout_node_laid_out;
            if (n->flags & layout_node_hand_placed) continue;  // keeps its place, outside the box
            // Aligned position: where the view lies when it keeps the
            // projection relation with the anchor placed at (0, 0).
            double ax = 0, ay = 0;
            bool relation = kind == view_kind_front || kind == view_kind_left || kind == view_kind_back ||
                            kind == view_kind_right;
            if (relation && !anchor) anchor = n;
            if (anchor) ax = n->frame_x - anchor->frame_x, ay = n->frame_y - anchor->frame_y;
            switch (kind) {
            case view_kind_front:
            case view_kind_left:
            case view_kind_back:
                n->x = box->max_x, n->y = ay;
                break;
            case view_kind_right:
                n->x = box->min_x - n->width, n->y = ay;
                break;
            case view_kind_bottom:
                n->x = ax, n->y = box->min_y - n->height;
                bottom_range = true, bottom_x0 = n->x, bottom_x1 = n->right();
                break;
            case view_kind_top:
                n->x = ax, n->y = box->max_y;
                top_range = true, top_x0 = n->x, top_x1 = n->right();
                break;
            case view_kind_requirements:
                req_w += n->width;
                req_h = std::max(req_h, n->height);
                n->x = w - 25.0 * to_model - req_w;
                n->y = h - (tb + 10.0) * to_model - req_h;
                lx = std::min(lx, n->x), ly = std::min(ly, n->y);
                continue;  // outside the box
            default: {
                // The upper row first, then the lower row, then a new lower
                // row below everything.
                double level = y0;
                if (bottom_range && a + n->width > bottom_x0) {
                    if (a < bottom_x1) a = bottom_x1;
                    level = y1;
                }
                if (fits_one_way(a, level - n->height, *n)) {
                    n->x = a, n->y = level - n->height;
                    a += n->width;
                    break;
                }
                for (int attempt = 0; attempt < 2; ++attempt) {
                    level = y2;
                    if (top_range && b + n->width > top_x0) {
                        if (b < top_x1) b = top_x1;
                        level = y3;
                    }
                    n->x = b, n->y = level;
                    if (fits_one_way(b, level, *n) || attempt == 1) break;
                    top_range = false;
                    b = box->min_x;
                    y2 = y3 = box->max_y;
                }
                b += n->width;
                break;
            }
            }
            box->extend(*n);
            switch (kind) {
            case view_kind_front:
            case view_kind_left:
            case view_kind_back:
                y0 = y1 = box->min_y, y2 = y3 = box->max_y;
                break;
            case view_kind_right:
                y0 = box->min_y, y2 = box->max_y;
                break;
            case view_kind_bottom:
            case view_kind_top:
                a = b = box->min_x;
                break;
            default:
                break;
            }
            if (kind != view_kind_general && box->max_x - box->min_x + mx > lx && box->max_y - box->min_y + my > ly)
                ok = false;
        }
    }
    return ok;
}

}  // namespace

LayoutNode::LayoutNode() = default;
LayoutNode::~LayoutNode() { free_hatch_lines(&hatch); }

LayoutNodes layout_build_nodes(DrawingFile* df) {
    LayoutNodes out;
    if (!df) return out;
    CriticalSection cs;
    PageBuffer* buf = &page_buffers[table_projections];
    RecordRef* head = projections_head(df);
    for (unsigned char* p = record_next(df, head, nullptr, buf); p && !error_flag; p = record_next(df, head, p, buf)) {
        uint16_t len = get_u16(p, 0);
        if (len < projection_record_head || len > projection_record_max) continue;
        uint16_t f = get_u16(p, projection_flags);
        int kind = f & 0x000f;
        if (kind == view_kind_fragment || kind > view_kind_fragment) continue;
        std::unique_ptr<LayoutNode> n(new LayoutNode);
        n->number = get_u32(p, record_key);
        n->ref = record_ref_of(buf, p);
        n->flags = static_cast<uint16_t>(layout_node_always | kind);
        if (f & projection_flag_hand_placed) n->flags |= layout_node_hand_placed;
        if (f & proj_flag_not_on_sheets) n->flags |= layout_node_not_shown;
        uint16_t s = get_u16(p, projection_sheet_number) & 0x07ff;
        n->sheet = s ? s : 1;
        node_from_record(n.get(), p, len);
        float px = get_f32(p, projection_place_x), py = get_f32(p, projection_place_y);
        n->x = std::isfinite(px) ? px : 0.0;
        n->y = std::isfinite(py) ? py : 0.0;
        out.push_back(std::move(n));
    }
    return out;
}

void layout_refresh_node(DrawingFile* df, LayoutNode* node) {
    if (!df || !node) return;
    RecordRef ref = node->ref;
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    if (!p || get_u32(p, record_key) != node->number) return;
    uint16_t len = get_u16(p, 0);
    if (len < projection_record_head || len > projection_record_max) return;
    node_from_record(node, p, len);
}

void layout_store_node(DrawingFile* df, const LayoutNode& node, bool placement) {
    if (!df) return;
    CriticalSection cs;
    PageBuffer* buf = &page_buffers[table_projections];
    RecordRef ref = node.ref;
    unsigned char* p = record_read_at(df, &ref, buf);
    if (!p || get_u32(p, record_key) != node.number) {
        // The chain moved: find the projection by its number.
        p = record_find_key(df, projections_head(df), node.number, nullptr, buf);
        if (!p) return;
    }
    uint16_t s = get_u16(p, projection_sheet_number);
    put_u16(p, projection_sheet_number, static_cast<uint16_t>((s & ~0x07ff) | (node.sheet & 0x07ff)));
    if (placement) {
        put_f32(p, projection_place_x, static_cast<float>(node.x));
        put_f32(p, projection_place_y, static_cast<float>(node.y));
        uint16_t f = get_u16(p, projection_flags);
        if (node.flags & layout_node_hand_placed) f |= projection_flag_hand_placed;
        else f &= static_cast<uint16_t>(~projection_flag_hand_placed);
        put_u16(p, projection_flags, f);
    }
    buf->clean = 0;
}

LayoutNode* layout_find_unplaced(LayoutNodes& nodes, int kind, uint32_t sheet) {
    for (auto& n : nodes)
        if (n->sheet == sheet && n->kind() == kind && !(n->flags & layout_node_laid_out)) return n.get();
    return nullptr;
}

LayoutNode* layout_pick_node(LayoutNodes& nodes, uint32_t sheet, double x, double y) {
    LayoutNode* best = nullptr;
    double best_area = 0;
    for (auto& n : nodes) {
        if (n->sheet != sheet || (n->flags & layout_node_not_shown)) continue;
        if (x < n->x || x > n->right() || y < n->y || y > n->bottom()) continue;
        double area = n->width * n->height;
        if (!best || area <= best_area) best = n.get(), best_area = area;
    }
    return best;
}

int layout_choose_format(DrawingFile* df, LayoutNodes& nodes) {
    if (!df) return -1;
    unsigned char* hd = df->header;
    // A page sheet holds its page where page sheets put it.
    if (layout_current_is_page_sheet(df)) return get_u8(hd, header_sheet_format);
    uint32_t sheet = get_u16(hd, header_current_sheet);
    if (!sheet) sheet = 1;
    int code = get_u8(hd, header_sheet_format);
    if (code > sheet_format_user) code = sheet_format_auto;
    bool rotated = (get_u16(hd, header_options) & header_opt_sheet_turned) != 0;
    double tb = title_block_height_of(get_u8(hd, header_title_block_kind));
    if (tb < 0) tb = title_block_height;
    const double k = sheet_to_model_length(1.0);
    double mx = (40.0 - layout_margin) * k, my = ((rotated ? 15.0 : 30.0) - layout_margin) * k;
    double sx = 10.0 * k, sy = (tb + 5.0) * k;

    struct Candidate {
        int code;
        bool rotated;
    };
    std::vector<Candidate> candidates;
    if (code != sheet_format_auto) {
        candidates.push_back({code, rotated});
    } else {
        candidates.push_back({sheet_format_a4, false});
        for (int c : {sheet_format_a3, sheet_format_a2, sheet_format_a1, sheet_format_a0})
            candidates.push_back({c, rotated});
    }
    Placement box;
    Candidate chosen = candidates.back();
    bool held = false;
    float fw = 0, fh = 0;
    {
        CriticalSection cs;
        for (size_t i = 0; i < candidates.size(); ++i) {
            const Candidate& c = candidates[i];
            sheet_size_of(df, c.code, c.rotated ? 1 : 0, &fw, &fh);
            double w = fw * k, h = fh * k;
            bool ok = place_nodes(nodes, sheet, w, h, mx, my, tb, code == sheet_format_auto, &box);
            bool fits = ok && box.max_x - box.min_x <= w - mx - sx && box.max_y - box.min_y <= h - my - sy;
            chosen = c;
            if (fits || (code != sheet_format_auto && ok)) {
                held = true;
                break;
            }
        }
        // The box's min corner goes to the margin.
        double dx = mx - box.min_x, dy = my - box.min_y;
        for (auto& n : nodes) {
            if (n->sheet != sheet || !(n->flags & layout_node_laid_out)) continue;
            if ((n->flags & layout_node_hand_placed) || n->kind() == view_kind_requirements) continue;
            n->x += dx, n->y += dy;
        }
    }
    if (!held) {
        error_stack_push(layout_message_choose_scale);
        show_program_message(layout_message_too_large);
    }
    // A4 is chosen upright: the sheet is then not turned.
    if (chosen.code == sheet_format_a4 && code == sheet_format_auto && rotated) {
        CriticalSection cs;
        put_u16(hd, header_options, static_cast<uint16_t>(get_u16(hd, header_options) & ~header_opt_sheet_turned));
    }
    sheet_select_format(df, chosen.code);
    {
        CriticalSection cs;
        sheet_size_of(df, chosen.code, chosen.rotated ? 1 : 0, &fw, &fh);
        double ew = std::max<double>(fw, std::round(model_to_sheet_length(box.max_x - box.min_x + mx)));
        double eh = std::max<double>(fh, std::round(model_to_sheet_length(box.max_y - box.min_y + my)));
        put_f32(hd, header_sheet_width, static_cast<float>(ew));
        put_f32(hd, header_sheet_height, static_cast<float>(eh));
    }
    for (auto& n : nodes)
        if (n->sheet == sheet) layout_store_node(df, *n, true);
    sheet_store_current_of(df);
    return held ? chosen.code : -1;
}

int layout_node_regenerate_hatching(LayoutNode* node, bool (*keep_going)()) {
    if (!node) return 0;
    free_hatch_lines(&node->hatch);
    DrawingFile* df = current_drawing_file();
    if (!df || node->record.empty()) return 0;
    uint8_t* proj = node->record.data();
    node->hatch.projection = proj;
    if (build_contour_array(proj, 0) < 0) return -1;
    int result = 0;
    RecordRef* head = projection_chain(proj, projection_annotations);
    PageBuffer* buf = projection_chain_buffer(projection_annotations);
    unsigned char* r = head && buf ? record_next(df, head, nullptr, buf) : nullptr;
    while (r && !error_flag) {
        if (keep_going && !keep_going()) break;
        if (r[record_kind] == annotation_hatching && get_u16(r, 0) >= 44 && (r[8] & hatching_regenerate)) {
            RecordRef at = record_ref_of(buf, r);
            uint8_t copy[44];
            std::memcpy(copy, r, sizeof copy);
            error_flag = 0;
            generate_hatch(&node->hatch, copy);
            if (error_flag) {
                result = -1;
                break;
            }
            // The generator may have used the buffer: the record is read again.
            r = record_read_at(df, &at, buf);
            if (!r) break;
        }
        r = record_next(df, head, r, buf);
    }
    free_contour_array();
    return result;
}

void layout_draw_node(OutputView* view, LayoutNode* node, double origin_x, double origin_y, bool with_hatch) {
    if (!view || !node || node->record.empty()) return;
    view->projection = node->record.data();
    view->projection_ref = node->ref;
    view->view_flags = static_cast<uint16_t>(get_u16(node->record.data(), projection_flags));
    // The node's model point p lies at node + (p - frame) on the sheet.
    view->transform.view_offset.x = static_cast<float>(origin_x + node->frame_x - node->x);
    view->transform.view_offset.y = static_cast<float>(origin_y + node->frame_y - node->y);
    view->transform.scroll_shift = {0, 0};
    int others = draw_view_symbols(view, 1, 1);
    draw_view_elements(view);
    if (error_flag) return;
    if (with_hatch && node->hatch.hatch_lines) draw_view_hatch_lines(view, &node->hatch);
    if (others) draw_view_symbols(view, 0, 1);
    draw_view_dimensions(view, 1);
}
