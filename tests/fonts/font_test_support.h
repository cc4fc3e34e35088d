// Helpers of the stroke-font tests: the built font files, a recording
// canvas and a small synthetic font whose glyphs say where they come from.
#pragma once

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "stroke_font_files.h"

#include <cstdio>
#include <string>
#include <vector>

namespace font_test {

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

// The fourteen built resources, in load order.
inline std::vector<std::vector<uint8_t>> built_fonts() {
    std::vector<std::vector<uint8_t>> fonts;
    for (int i = 0; i < stroke_font_count; ++i)
        fonts.push_back(read_file(std::string(SARVOLT_FONT_DIR) + "/font" +
                                  std::to_string(stroke_font_ids[i]) + ".gfnt"));
    return fonts;
}

inline int load_fonts(const std::vector<std::vector<uint8_t>>& fonts) {
    FontResourceBytes res[stroke_font_count];
    for (int i = 0; i < stroke_font_count; ++i) {
        res[i].data = fonts[i].empty() ? nullptr : fonts[i].data();
        res[i].size = static_cast<uint32_t>(fonts[i].size());
    }
    return stroke_fonts_load(res);
}

// A current drawing whose scale turns one sheet millimetre into k model
// units (the drawing scale is 1/k); k = 1 unbinds the drawing.
inline uint8_t* drawing_header() {
    static uint8_t h[drawing_header_size];
    return h;
}
inline const uint8_t* drawing_header_source() {
    return drawing_header();
}
inline void set_model_units_per_mm(double k) {
    if (k == 1.0) {
        bind_current_drawing_header(nullptr);
        return;
    }
    put_f64(drawing_header(), header_scale_offset, 1.0 / k);
    bind_current_drawing_header(drawing_header_source);
}

inline int set_index(uint16_t id) {
    for (int i = 0; i < stroke_font_count; ++i)
        if (stroke_font_ids[i] == id)
            return i;
    return -1;
}

// ---------------------------------------------------------------- recording canvas

struct DrawnGlyph {
    double pen = 0;                       // sheet mm
    std::vector<TextPoint> lines;         // pairs of points
    std::vector<TextPoint> circle_centres;
    std::vector<double> circle_radii;
    std::vector<TextPoint> curves;        // groups of four points
};

struct Recording {
    std::vector<DrawnGlyph> glyphs;
    std::vector<TextPoint> arcs;          // triples: start, end, middle
};

inline TextCanvas recording_canvas(Recording* r) {
    TextCanvas c;
    c.context = r;
    c.begin_glyph = [](void* ctx, double pen) {
        DrawnGlyph g;
        g.pen = pen;
        static_cast<Recording*>(ctx)->glyphs.push_back(g);
    };
    c.line = [](void* ctx, TextPoint a, TextPoint b) {
        auto& g = static_cast<Recording*>(ctx)->glyphs.back();
        g.lines.push_back(a);
        g.lines.push_back(b);
    };
    c.circle = [](void* ctx, TextPoint centre, double radius) {
        auto& g = static_cast<Recording*>(ctx)->glyphs.back();
        g.circle_centres.push_back(centre);
        g.circle_radii.push_back(radius);
    };
    c.bezier = [](void* ctx, const TextPoint p[4]) {
        auto& g = static_cast<Recording*>(ctx)->glyphs.back();
        g.curves.insert(g.curves.end(), p, p + 4);
    };
    c.end_glyph = [](void*) {};
    c.arc_sign = [](void* ctx, TextPoint a, TextPoint b, TextPoint m) {
        auto& arcs = static_cast<Recording*>(ctx)->arcs;
        arcs.push_back(a);
        arcs.push_back(b);
        arcs.push_back(m);
    };
    return c;
}

// ---------------------------------------------------------------- synthetic font

struct SyntheticGlyph {
    int top, bottom, lt, lb, rt, rb;
};

// Glyph metrics of the synthetic font (type A values; type B moves the
// baseline and the top down: top 130, baseline 30).
inline SyntheticGlyph synthetic_metrics(int code, int baseline) {
    int top = baseline == 40 ? 180 : 130;
    SyntheticGlyph g = {top, baseline, 0, 0, 50, 50};
    if (code == 'A')
        g.lt = 20, g.rt = 30;           // sides not parallel
    if (code == 'g')
        g.bottom = 0;                   // descender
    if (code == 'W')
        g.rt = g.rb = 100;
    if (code == ' ')
        g.top = baseline, g.rt = g.rb = 60;
    return g;
}

// A set whose every glyph draws, apart from the space:
//  - a line from (0, baseline) to (set load index, top): its slope tells the set;
//  - a circle about (25, baseline + 50) of radius (code % 50) + 1: tells the code.
inline std::vector<uint8_t> synthetic_set(int load_index, int first, int last, int baseline) {
    int n = last - first + 1;
    std::vector<uint8_t> b(4 + 12 * n);
    b[0] = static_cast<uint8_t>(first);
    b[1] = static_cast<uint8_t>(last);
    b[2] = static_cast<uint8_t>(baseline);
    b[3] = 0;
    for (int i = 0; i < n; ++i) {
        int code = first + i;
        SyntheticGlyph m = synthetic_metrics(code, baseline);
        uint8_t* r = &b[4 + 12 * i];
        size_t off = b.size();
        r[0] = static_cast<uint8_t>(m.top);
        r[1] = static_cast<uint8_t>(m.bottom);
        r[2] = static_cast<uint8_t>(m.lt);
        r[3] = static_cast<uint8_t>(m.lb);
        r[4] = static_cast<uint8_t>(m.rt);
        r[5] = static_cast<uint8_t>(m.rb);
        bool blank = code == ' ' && first == 0x20;
        r[6] = blank ? 0 : 2;
        r[7] = 0;
        r[8] = static_cast<uint8_t>(off & 0xFF);
        r[9] = static_cast<uint8_t>(off >> 8);
        r[10] = r[8];
        r[11] = r[9];
        if (!blank) {
            uint8_t strokes[8] = {0, static_cast<uint8_t>(baseline), static_cast<uint8_t>(load_index),
                                  static_cast<uint8_t>(m.top), 25, static_cast<uint8_t>(baseline + 50),
                                  static_cast<uint8_t>(code % 50 + 1), 0xFF};
            b.insert(b.end(), strokes, strokes + 8);
        }
    }
    return b;
}

inline std::vector<std::vector<uint8_t>> synthetic_fonts() {
    static const int ranges[stroke_font_count][3] = {
        {0xC0, 0xFF, 40}, {0x20, 0x3F, 40}, {0x41, 0x7F, 40}, {0xC0, 0xFF, 30},
        {0x20, 0x3F, 30}, {0x41, 0x7F, 30}, {0xA1, 0xBF, 40}, {0xA1, 0xBF, 30},
        {0x80, 0x8F, 40}, {0x80, 0x8F, 30}, {0x41, 0x7A, 40}, {0x41, 0x7A, 30},
        {0xA1, 0xBF, 40}, {0xA1, 0xBF, 30}};
    std::vector<std::vector<uint8_t>> fonts;
    for (int i = 0; i < stroke_font_count; ++i)
        fonts.push_back(synthetic_set(i, ranges[i][0], ranges[i][1], ranges[i][2]));
    return fonts;
}

// Which synthetic set and code a recorded glyph came from (unslanted text).
struct GlyphOrigin {
    int set_id;
    int code_mod_50;
};

inline GlyphOrigin origin_of(const DrawnGlyph& g) {
    double s = g.pen / 10.0;
    GlyphOrigin o = {-1, -1};
    if (g.lines.size() < 2 || g.circle_radii.empty())
        return o;
    int k = static_cast<int>((g.lines[1].x - g.lines[0].x) / s + 0.5);
    if (k >= 0 && k < stroke_font_count)
        o.set_id = stroke_font_ids[k];
    o.code_mod_50 = static_cast<int>(g.circle_radii[0] / s + 0.5) - 1;
    return o;
}

}  // namespace font_test
