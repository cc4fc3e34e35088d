// Drawing a sheet: outline, frame and the title block's main block.
#include "output/sheet_drawing.h"

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "store/drawing_header.h"

namespace {

// Kind 1: the 185 x 55 main block of a drawing (form 1), origin at the
// frame's bottom right corner.  Columns of the left part: 7, 10, 23, 15, 10
// (x -185, -178, -168, -145, -130, -120); rows of 5 mm, the change rows
// (35..55) above the header row 30..35 and the six signature rows (0..30).
// Right part: designation 120 x 15 on top (y 40..55), name and material
// 70 wide (y 15..40 and 0..15), to their right the letter, mass and scale
// columns (x -50, -35, -18; y 20..40 with the heading row 35..40), the
// sheet / sheets row (y 15..20, split at x -30) and the organisation
// (y 0..15).
const TitleBlockLine kind1_main[] = {
    // outline
    {-185, 0, 0, 0, 1, 0},
    {-185, 55, 0, 55, 1, 0},
    {-185, 0, -185, 55, 1, 0},
    {0, 0, 0, 55, 1, 0},
    // left part: column lines over the whole height
    {-178, 30, -178, 55, 1, 0},
    {-168, 0, -168, 55, 1, 0},
    {-145, 0, -145, 55, 1, 0},
    {-130, 0, -130, 55, 1, 0},
    {-120, 0, -120, 55, 1, 0},
    // left part: the heading row of the changes between thick lines
    {-185, 30, -120, 30, 1, 0},
    {-185, 35, -120, 35, 1, 0},
    // left part: change rows and signature rows, thin
    {-185, 40, -120, 40, 0, 0},
    {-185, 45, -120, 45, 0, 0},
    {-185, 50, -120, 50, 0, 0},
    {-185, 5, -120, 5, 0, 0},
    {-185, 10, -120, 10, 0, 0},
    {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0},
    {-185, 25, -120, 25, 0, 0},
    // right part
    {-120, 40, 0, 40, 1, 0},
    {-120, 15, 0, 15, 1, 0},
    {-50, 0, -50, 40, 1, 0},
    {-50, 35, 0, 35, 1, 0},
    {-50, 20, 0, 20, 1, 0},
    {-35, 20, -35, 40, 1, 0},
    {-18, 20, -18, 40, 1, 0},
    {-45, 20, -45, 35, 0, 0},
    {-40, 20, -40, 35, 0, 0},
    {-30, 15, -30, 20, 1, 0},
};

void sheet_line(OutputView* view, double x1, double y1, double x2, double y2) {
    draw_line_segment_xy(view, sheet_to_model_length(x1), sheet_to_model_length(y1),
                         sheet_to_model_length(x2), sheet_to_model_length(y2));
}

}  // namespace

const TitleBlockLine* title_block_main_lines(int kind, int* count) {
    if (kind == 1) {
        if (count) *count = static_cast<int>(sizeof kind1_main / sizeof kind1_main[0]);
        return kind1_main;
    }
    if (count) *count = 0;
    return nullptr;
}

void draw_sheet(OutputView* view) {
    const uint8_t* h = current_drawing_header();
    if (!view || !h) return;
    int code = get_u8(h, header_sheet_format);
    int rotated = (get_u16(h, header_options) & header_opt_sheet_turned) ? 1 : 0;
    int kind = get_u8(h, header_title_block_kind);
    float fw = 0, fh = 0;
    sheet_size(code, rotated, &fw, &fh);
    double w = fw, ht = fh;
    double hb = title_block_height_of(kind);
    if (hb >= 0) title_block_height = hb;

    PenScope thin = canvas_select_pen(&view->canvas, create_text_pen(view, sheet_pen_thin));
    sheet_line(view, 0, 0, w, 0);
    sheet_line(view, w, 0, w, ht);
    sheet_line(view, w, ht, 0, ht);
    sheet_line(view, 0, ht, 0, 0);

    PenScope thick = canvas_select_pen(&view->canvas, create_text_pen(view, sheet_pen_thick));
    double l = sheet_frame_left, t = sheet_frame_margin;
    double r = w - sheet_frame_margin, b = ht - sheet_frame_margin;
    sheet_line(view, l, t, r, t);
    sheet_line(view, r, t, r, b);
    sheet_line(view, r, b, l, b);
    sheet_line(view, l, b, l, t);

    int n = 0;
    const TitleBlockLine* lines = title_block_main_lines(kind, &n);
    // Block 0 hangs from the frame's bottom right corner; its y runs upward.
    for (int pass = 1; pass >= 0; --pass) {
        if (pass == 0) {
            canvas_restore_pen(&thick);
            thick = canvas_select_pen(&view->canvas, create_text_pen(view, sheet_pen_thin));
        }
        for (int i = 0; i < n; ++i) {
            const TitleBlockLine& ln = lines[i];
            if (ln.weight != pass) continue;
            sheet_line(view, r + ln.x1, b - ln.y1, r + ln.x2, b - ln.y2);
        }
    }
    canvas_restore_pen(&thick);
    canvas_restore_pen(&thin);
}
