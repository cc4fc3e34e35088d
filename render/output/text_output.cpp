// Text output: the text pen and the view-backed text canvas.
#include "render/output/text_output.h"

#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/transforms.h"
#include "render/output/dxf_writers.h"
#include "render/output/primitives.h"

PenDesc create_text_pen(const OutputView* view, double width_mm) {
    uint32_t colour = text_settings.text_colour;
    if (dxf_output_active) {
        dxf_line_width = width_mm;
        return PenDesc{pen_solid, 1, colour};
    }
    // One number for "the window's pixels per model unit": the x scale, as
    // for element pens.
    double scale = view ? view->transform.scale.x : 1.0;
    int32_t w = clamp_to_pixel(sheet_to_model_length(width_mm) * scale + 0.5);
    return PenDesc{pen_solid, w < 1 ? 1 : w, colour};
}

namespace {

ViewTextContext* ctx_of(void* c) {
    return static_cast<ViewTextContext*>(c);
}

void end_pen(ViewTextContext* c) {
    if (c->pen_selected) canvas_restore_pen(&c->pen);
    c->pen_selected = false;
}

void tc_begin_glyph(void* c, double width_mm) {
    ViewTextContext* t = ctx_of(c);
    end_pen(t);
    t->pen_width_mm = width_mm;
    t->pen = canvas_select_pen(&t->view->canvas, create_text_pen(t->view, width_mm));
    t->pen_selected = true;
}

void tc_line(void* c, TextPoint a, TextPoint b) {
    Segment s = {{a.x, a.y}, {b.x, b.y}};
    draw_line_segment(ctx_of(c)->view, &s);
}

void tc_circle(void* c, TextPoint centre, double radius) {
    CircleGeom g = {{centre.x + radius, centre.y}, {centre.x, centre.y}};
    draw_circle(ctx_of(c)->view, &g);
}

void tc_bezier(void* c, const TextPoint points[4]) {
    Point2 p[4];
    for (int i = 0; i < 4; ++i) p[i] = Point2{points[i].x, points[i].y};
    draw_bezier_chain(ctx_of(c)->view, p, 1);
}

void tc_end_glyph(void* c) {
    end_pen(ctx_of(c));
}

// The arc is drawn with a text pen of the glyphs' stroke width in the text
// colour, so it has the colour and weight of the number it marks.
void draw_arc_through(OutputView* view, TextPoint start, TextPoint end, TextPoint middle, double width_mm) {
    PenScope pen = canvas_select_pen(&view->canvas, create_text_pen(view, width_mm));
    ArcByPoints by_points = {{start.x, start.y}, {end.x, end.y}, {middle.x, middle.y}};
    ArcByCentre arc;
    if (arc_by_points_to_centre(&by_points, &arc)) {
        correct_arc_center(&arc);
        draw_arc(view, &arc);
    } else {
        Segment s = {by_points.start, by_points.end};
        draw_line_segment(view, &s);
    }
    canvas_restore_pen(&pen);
}

void tc_arc_sign(void* c, TextPoint start, TextPoint end, TextPoint middle) {
    ViewTextContext* t = ctx_of(c);
    end_pen(t);
    draw_arc_through(t->view, start, end, middle, t->pen_width_mm);
}

double glyph_stroke_width_mm() {
    return text_font_state.text_height * (text_font_state.font_type ? 0.1 : 10.0 / 140.0);
}

// Keeps dxf_line_width across a text: the glyph pens set it, and what is
// drawn after the text must not inherit the last glyph's width.
struct DxfWidthKeeper {
    double saved = dxf_line_width;
    ~DxfWidthKeeper() { dxf_line_width = saved; }
};

}  // namespace

TextCanvas view_text_canvas(ViewTextContext* context, OutputView* view) {
    context->view = view;
    context->pen = PenScope{nullptr, {nullptr, nullptr}, PenDesc{pen_solid, 1, 0}};
    context->pen_width_mm = glyph_stroke_width_mm();
    context->pen_selected = false;
    return TextCanvas{context, tc_begin_glyph, tc_line, tc_circle, tc_bezier, tc_end_glyph, tc_arc_sign};
}

double draw_text_line(OutputView* view, double x, double y, double angle, const char* text, int draw,
                      double* width, double* height) {
    if (!draw || !view) return draw_text_line_canvas(nullptr, x, y, angle, text, width, height);
    DxfWidthKeeper keep;
    ViewTextContext ctx;
    TextCanvas canvas = view_text_canvas(&ctx, view);
    double depth = draw_text_line_canvas(&canvas, x, y, angle, text, nullptr, nullptr);
    end_pen(&ctx);
    return depth;
}

void draw_text_at(OutputView* view, double x, double y, double angle, const char* text) {
    draw_text_line(view, x, y, angle, text, 1, nullptr, nullptr);
}

void draw_multiline_text(OutputView* view, double x, double y, double angle, const char* text,
                         double line_step, int line_count, int alignment, double width) {
    if (!view) return;
    DxfWidthKeeper keep;
    ViewTextContext ctx;
    TextCanvas canvas = view_text_canvas(&ctx, view);
    draw_multiline_text_canvas(&canvas, x, y, angle, text, line_step, line_count, alignment, width);
    end_pen(&ctx);
}

double draw_arc_sign(OutputView* view, TextPoint start, TextPoint end, int draw) {
    double height = text_font_state.text_height;
    if (!draw) return start.y - arc_sign_height(height);
    if (!view) return 0.0;
    DxfWidthKeeper keep;
    draw_arc_through(view, start, end, arc_sign_middle(start, end, height), glyph_stroke_width_mm());
    return 0.0;
}
