// Surface roughness signs: strokes, text places and drawing.
#include "render/output/roughness_sign.h"

#include <cmath>

#include "base/byte_order.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/transforms.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_texts.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

namespace {

const char* lay_sign_text(int kind) {
    static const char* const signs[8] = {" ", "\xB3", "\xB2", "\xB4", "\xB5", "\xB6", "R", "P"};
    return kind >= 0 && kind < 8 ? signs[kind] : " ";
}

void polyline(std::vector<RoughnessPiece>* out, const std::vector<Point2>& pts) {
    for (size_t i = 0; i + 1 < pts.size(); ++i) out->push_back(RoughnessPiece{roughness_segment, pts[i], pts[i + 1], 0.0});
}

}  // namespace

int roughness_record_text(const uint8_t* record, int part, std::string* out) {
    out->clear();
    if (!record || part < 0 || part > 2) return 0;
    std::string all = unpack_annotation_text(record, roughness_head);
    size_t start = 0;
    for (int i = 0; i < part; ++i) start += record[roughness_lengths + i];
    if (start >= all.size()) return 0;
    size_t n = record[roughness_lengths + part];
    if (n > all.size() - start) n = all.size() - start;
    *out = all.substr(start, n);
    return static_cast<int>(n);
}

int build_roughness_sign_strokes(const uint8_t* record, RoughnessLayout* out) {
    *out = RoughnessLayout{};
    if (!record) return 0;
    uint16_t flags = get_u16(record, annotation_flags);
    int size = (flags >> 2) & 0x0F;
    int slant = flags & 1, type_b = (flags >> 1) & 1;
    bool circle = (flags & 0x40) != 0;
    double h = sheet_to_model_length(text_settings.text_heights[size <= 9 ? size : 0]);
    double k = 1.0 / std::sqrt(3.0);
    double c = sheet_to_model_length(1.24);
    double ring = sheet_to_model_length(2.1);
    PointF tip = get_pointf(record, roughness_tip);
    double x = tip.x, y = tip.y;
    out->second_arrangement = (current_option_word() & 0x02) && !(flags & 0x1000);
    bool second = out->second_arrangement;

    RoughnessText* t = out->texts;
    for (int i = 0; i < 3; ++i) {
        roughness_record_text(record, i, &t[roughness_first_text + i].text);
        t[roughness_first_text + i].present = !t[roughness_first_text + i].text.empty();
    }
    int lay = record[roughness_first_length];
    t[roughness_lay_text].present = lay >= 1 && lay <= 7;
    if (t[roughness_lay_text].present) {
        t[roughness_lay_text].text = lay_sign_text(lay);
        select_text_font(size, 0, 0);
        measure_text(t[roughness_lay_text].text.c_str(), &t[roughness_lay_text].width, &t[roughness_lay_text].height);
    }
    select_text_font(size, slant, type_b);
    double first_depth = 0.0;
    if (t[roughness_first_text].present) {
        RoughnessText& f = t[roughness_first_text];
        f.lines = measure_multiline_text(f.text.c_str(), &f.width, &f.height, text_spacing_unit(size), &first_depth);
    }
    for (int i = roughness_second_text; i <= roughness_third_text; ++i)
        if (t[i].present) measure_text(t[i].text.c_str(), &t[i].width, &t[i].height);

    // The long leg.
    double L;
    if (second && (t[roughness_lay_text].present || t[roughness_first_text].present)) {
        L = std::fmax(h, t[roughness_first_text].height) + 2 * c;
    } else if (!second && t[roughness_lay_text].present && t[roughness_third_text].present) {
        L = 2 * h + 3.5 * c;
    } else {
        L = 1.5 * h + (circle ? ring : 0.0);
        if (L < h + 2 * c) L = h + 2 * c;
    }
    out->long_leg = L;
    Point2 e{x + k * L, y - L};

    // The shelf and the widest text on it.
    out->shelf = t[roughness_second_text].present || t[roughness_third_text].present ||
                 t[roughness_lay_text].present || (second && t[roughness_first_text].present);
    double widest = t[roughness_second_text].present ? t[roughness_second_text].width : 0.0;
    if (!second && t[roughness_third_text].present) widest = std::fmax(widest, t[roughness_third_text].width);
    if (second && t[roughness_first_text].present) widest = std::fmax(widest, t[roughness_first_text].width);
    if (t[roughness_lay_text].present) widest = std::fmax(widest, t[roughness_lay_text].width + c);

    std::vector<Point2> mark;
    if (record[roughness_variant] == 1) mark.push_back(Point2{x + k * h, y - h});
    mark.push_back(Point2{x - k * h, y - h});
    mark.push_back(Point2{x, y});
    mark.push_back(e);
    if (out->shelf) mark.push_back(Point2{e.x + 2 * c + widest + (circle ? ring : 0.0), e.y});
    polyline(&out->pieces, mark);
    if (record[roughness_variant] == 2)
        out->pieces.push_back(RoughnessPiece{roughness_circle, {x, y - 2 * h / 3}, {x, y - 2 * h / 3}, h / 3});
    if (circle) out->pieces.push_back(RoughnessPiece{roughness_circle, e, e, ring});

    // Text places.
    double x0 = e.x + c + (circle ? ring : 0.0);
    t[roughness_second_text].anchor = Point2{x0, e.y - c};
    if (second) {
        RoughnessText& f = t[roughness_first_text];
        f.anchor = Point2{x0, e.y + c + f.height - first_depth};
        double first_baseline = e.y + c + h;
        t[roughness_lay_text].anchor = Point2{x0 + (f.present ? f.width + c : 0.0), first_baseline};
    } else {
        t[roughness_first_text].anchor = Point2{x - k * h, y - h - c};
        t[roughness_third_text].anchor = Point2{x0, e.y + c + h};
        double row = t[roughness_third_text].present ? 2 * (c + h) : c + h;
        t[roughness_lay_text].anchor = Point2{x0, e.y + row};
    }
    return static_cast<int>(out->pieces.size());
}

void draw_roughness_sign(OutputView* view, const uint8_t* record) {
    if (!view || !record) return;
    RoughnessLayout layout;
    build_roughness_sign_strokes(record, &layout);
    PointF tip = get_pointf(record, roughness_tip);
    double angle = get_f64(record, roughness_angle);
    if (!std::isfinite(angle)) angle = 0.0;
    AffineMatrix turn;
    affine_rotation_about_point(&turn, tip.x, tip.y, angle);
    auto turned = [&](Point2 p) {
        Point2 q;
        affine_apply(&q, &turn, p.x, p.y);
        return q;
    };
    PenScope pen = select_dimension_pen(view, 0.25);
    for (const RoughnessPiece& p : layout.pieces) {
        if (p.kind != roughness_segment) continue;
        Segment s{turned(p.a), turned(p.b)};
        draw_line_segment(view, &s);
    }
    for (const RoughnessPiece& p : layout.pieces) {
        if (p.kind != roughness_circle) continue;
        Point2 centre = turned(p.a);
        CircleGeom g{{centre.x + p.radius, centre.y}, centre};
        draw_circle(view, &g);
    }
    canvas_restore_pen(&pen);

    uint16_t flags = get_u16(record, annotation_flags);
    int size = (flags >> 2) & 0x0F;
    uint32_t previous = swap_text_colour(dimension_line_colour());
    const RoughnessText* t = layout.texts;
    if (t[roughness_lay_text].present) {
        select_text_font(size, 0, 0);
        Point2 a = turned(t[roughness_lay_text].anchor);
        draw_text_at(view, a.x, a.y, angle, t[roughness_lay_text].text.c_str());
    }
    select_text_font(size, flags & 1, (flags >> 1) & 1);
    if (t[roughness_first_text].present) {
        Point2 a = turned(t[roughness_first_text].anchor);
        draw_multiline_text(view, a.x, a.y, angle, t[roughness_first_text].text.c_str(), text_spacing_unit(size),
                            t[roughness_first_text].lines, 0, t[roughness_first_text].width);
    }
    if (t[roughness_second_text].present) {
        Point2 a = turned(t[roughness_second_text].anchor);
        draw_text_at(view, a.x, a.y, angle, t[roughness_second_text].text.c_str());
    }
    if (!layout.second_arrangement && t[roughness_third_text].present) {
        Point2 a = turned(t[roughness_third_text].anchor);
        draw_text_at(view, a.x, a.y, angle, t[roughness_third_text].text.c_str());
    }
    swap_text_colour(previous);
}

int roughness_sign_bounds(const uint8_t* record, Box* out) {
    *out = box_empty();
    if (!record) return 0;
    RoughnessLayout layout;
    build_roughness_sign_strokes(record, &layout);
    Box b = box_empty();
    auto add = [&b](double x, double y) {
        b.min_x = std::fmin(b.min_x, x), b.max_x = std::fmax(b.max_x, x);
        b.min_y = std::fmin(b.min_y, y), b.max_y = std::fmax(b.max_y, y);
    };
    for (const RoughnessPiece& p : layout.pieces) {
        if (p.kind == roughness_segment) {
            add(p.a.x, p.a.y);
            add(p.b.x, p.b.y);
        } else {
            add(p.a.x - p.radius, p.a.y - p.radius);
            add(p.a.x + p.radius, p.a.y + p.radius);
        }
    }
    // Every text the sign shows, from its baseline up by its height; the
    // text on the shelf keeps the cell margin above it.
    double c = sheet_to_model_length(1.24);
    for (int i = 0; i < 4; ++i) {
        const RoughnessText& t = layout.texts[i];
        if (!t.present) continue;
        if (i == roughness_third_text && layout.second_arrangement) continue;
        add(t.anchor.x, t.anchor.y);
        add(t.anchor.x + t.width, t.anchor.y - t.height - (i == roughness_second_text ? c : 0.0));
    }
    if (box_is_empty(&b)) return 0;
    // Turned about the tip by the sign's angle, then widened by the pen.
    PointF tip = get_pointf(record, roughness_tip);
    double angle = get_f64(record, roughness_angle);
    if (!std::isfinite(angle)) angle = 0.0;
    AffineMatrix turn;
    affine_rotation_about_point(&turn, tip.x, tip.y, angle);
    const Point2 corners[4] = {{b.min_x, b.min_y}, {b.max_x, b.min_y}, {b.max_x, b.max_y}, {b.min_x, b.max_y}};
    Box r = box_empty();
    for (const Point2& p : corners) {
        Point2 q;
        affine_apply(&q, &turn, p.x, p.y);
        r.min_x = std::fmin(r.min_x, q.x), r.max_x = std::fmax(r.max_x, q.x);
        r.min_y = std::fmin(r.min_y, q.y), r.max_y = std::fmax(r.max_y, q.y);
    }
    double pen = sheet_to_model_length(0.25);
    *out = Box{r.min_x - pen, r.min_y - pen, r.max_x + pen, r.max_y + pen};
    return 1;
}

void roughness_sign_bounds_store(uint8_t* record, Box* out) {
    if (!roughness_sign_bounds(record, out)) return;
    put_f32(record, roughness_shelf_offset, static_cast<float>(get_f32(record, roughness_tip) - out->min_x));
}

void roughness_sign_binding() { kernel_measurers.roughness_sign_bounds = roughness_sign_bounds; }
