// The fourteen built font resources: loading, the font tables, every code of
// every set, refusal of damaged resources, and glyphs rasterised from the
// resource bytes against their glyph sources.
#include "font_test_support.h"
#include "base/program_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace font_test;

namespace {

class BuiltFonts : public ::testing::Test {
protected:
    void SetUp() override {
        fonts_ = built_fonts();
        for (int i = 0; i < stroke_font_count; ++i)
            ASSERT_FALSE(fonts_[i].empty()) << "font" << stroke_font_ids[i] << ".gfnt not built";
        ASSERT_EQ(load_fonts(fonts_), 0);
        set_model_units_per_mm(1.0);
    }
    void TearDown() override {
        set_model_units_per_mm(1.0);
        select_text_font(0, 0, 0);
    }
    const StrokeFontSet* set(uint16_t id) { return &stroke_font_sets[set_index(id)]; }
    std::vector<std::vector<uint8_t>> fonts_;
};

struct Range {
    uint16_t id;
    int first, last;
};

TEST_F(BuiltFonts, TablesAndLookupOfEveryCode) {
    // The sets of each style row, and for every code of 0..255 the set that
    // draws it (or none).
    const std::vector<Range> rows[2][3] = {
        {{{247, 0xC0, 0xFF}, {248, 0x20, 0x3F}, {252, 0x41, 0x7F}, {380, 0xA1, 0xBF}},
         {{248, 0x20, 0x3F}, {494, 0x80, 0x8F}, {552, 0x41, 0x7A}},
         {{247, 0xC0, 0xFF}, {248, 0x20, 0x3F}, {252, 0x41, 0x7F}, {639, 0xA1, 0xBF}}},
        {{{254, 0xC0, 0xFF}, {369, 0x20, 0x3F}, {370, 0x41, 0x7F}, {381, 0xA1, 0xBF}},
         {{369, 0x20, 0x3F}, {495, 0x80, 0x8F}, {553, 0x41, 0x7A}},
         {{254, 0xC0, 0xFF}, {369, 0x20, 0x3F}, {370, 0x41, 0x7F}, {640, 0xA1, 0xBF}}},
    };
    for (int type = 0; type < 2; ++type) {
        for (int row = 0; row < 3; ++row) {
            for (size_t slot = 0; slot < 4; ++slot) {
                const StrokeFontSet* s = stroke_font_tables[type][row][slot];
                if (slot < rows[type][row].size())
                    EXPECT_EQ(s, set(rows[type][row][slot].id)) << type << " " << row << " " << slot;
                else
                    EXPECT_EQ(s, nullptr);
            }
            select_text_font(0, 0, type);
            text_font_state.style_row = static_cast<uint8_t>(row);
            for (int code = 0; code < 256; ++code) {
                const StrokeFontSet* want = nullptr;
                for (const Range& r : rows[type][row])
                    if (code >= r.first && code <= r.last) {
                        want = set(r.id);
                        break;
                    }
                EXPECT_EQ(find_font_set(static_cast<uint8_t>(code)), want)
                    << "type " << type << " row " << row << " code " << code;
            }
        }
        EXPECT_EQ(stroke_font_tables[type][3][0], nullptr);
    }
    text_font_state.style_row = 0;
}

TEST_F(BuiltFonts, EveryGlyphIsDrawnAndInsideItsMetrics) {
    for (int i = 0; i < stroke_font_count; ++i) {
        const StrokeFontSet* s = &stroke_font_sets[i];
        bool type_b = s->baseline == 30;
        for (int code = s->first; code <= s->last; ++code) {
            GlyphRecord g = glyph_record(s, static_cast<uint8_t>(code));
            std::string where = "font " + std::to_string(stroke_font_ids[i]) + " code " + std::to_string(code);
            if (code == 0x20) {
                EXPECT_EQ(g.line_count + g.curve_count, 0) << where;
                EXPECT_EQ(glyph_advance(g), 60) << where;
                continue;
            }
            EXPECT_GT(g.line_count + g.curve_count, 0) << where;
            EXPECT_LE(g.top, type_b ? 160 : 220) << where;
            for (int k = 0; k < g.line_count; ++k) {
                GlyphLine l = glyph_line(s, g, k);
                if (l.y2 == glyph_circle_mark) {
                    EXPECT_GE(l.y1 + l.x2, g.bottom) << where;
                    EXPECT_LE(l.y1 - l.x2, g.top) << where;
                } else {
                    EXPECT_TRUE(l.y1 >= g.bottom && l.y1 <= g.top && l.y2 >= g.bottom && l.y2 <= g.top)
                        << where;
                }
            }
        }
    }
    // Capitals stand on the baseline and reach the capital line; type B
    // letters are as wide as type A ones.
    for (int code : {0xC0, 0xC1, 0xCD, 0xCF, 0xD8, 0xDF}) {
        GlyphRecord a = glyph_record(set(247), static_cast<uint8_t>(code));
        GlyphRecord b = glyph_record(set(254), static_cast<uint8_t>(code));
        EXPECT_EQ(a.bottom, 40) << code;
        EXPECT_EQ(a.top, 180) << code;
        EXPECT_EQ(b.bottom, 30) << code;
        EXPECT_EQ(b.top, 130) << code;
        EXPECT_EQ(glyph_advance(a), glyph_advance(b)) << code;
    }
    GlyphRecord small = glyph_record(set(247), 0xEF);   // п
    EXPECT_EQ(small.top, 140);
}

TEST_F(BuiltFonts, MeasuredWidthsOfRealText) {
    // Н is drawn 60 units wide and has half a pen width (5 units) on either
    // side; its sides are parallel.  Type A 14 mm gives 0.1 per unit.
    select_text_font(6, 0, 0);
    struct Case {
        const char* text;
        double width;
    } cases[] = {{"\xCD", 7.0}, {"\xCD\xCD", 16.0}, {"\xCD \xCD", 24.0}, {"\xCD\xCD\r\n\xCD", 16.0}};
    for (const Case& c : cases) {
        double w, h;
        measure_multiline_text(c.text, &w, &h, text_line_step(6), nullptr);
        EXPECT_NEAR(w, c.width, 1e-9) << c.text;
    }
    double w, h;
    EXPECT_NEAR(measure_text("\xCD", &w, &h), 0.0, 1e-9);
    EXPECT_NEAR(h, 14.0, 1e-9);
    // Total runout: arrow, base piece, arrow.  The base piece adds no width
    // and joins the feet of the two arrows.
    double one, three;
    measure_text("@1\x8B", &one, &h);
    measure_text("@1\x8B@1\x8D@1\x8B", &three, &h);
    EXPECT_NEAR(three, 2 * one + 2 * 20 * 0.1, 1e-9);
    Recording r;
    TextCanvas cv = recording_canvas(&r);
    draw_text_line_canvas(&cv, 0.0, 0.0, 0.0, "@1\x8B@1\x8D@1\x8B", nullptr, nullptr);
    ASSERT_EQ(r.glyphs.size(), 3u);
    EXPECT_NEAR(r.glyphs[1].lines[0].x, r.glyphs[0].lines[0].x, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[1].x, r.glyphs[2].lines[0].x, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[1].y, r.glyphs[2].lines[0].y, 1e-9);
}

// ---------------------------------------------------------------- damaged resources

TEST_F(BuiltFonts, DamagedResourcesAreRefused) {
    const std::vector<uint8_t>& good = fonts_[set_index(247)];
    // A glyph with curves, for the curve offset.
    int curved = -1;
    for (int code = 0xC0; code <= 0xFF && curved < 0; ++code)
        if (glyph_record(set(247), static_cast<uint8_t>(code)).curve_count > 0)
            curved = code;
    ASSERT_GE(curved, 0);

    struct Case {
        const char* what;
        std::vector<uint8_t> (*damage)(const std::vector<uint8_t>&, int);
    };
    const Case cases[] = {
        {"empty", [](const std::vector<uint8_t>&, int) { return std::vector<uint8_t>(); }},
        {"header cut", [](const std::vector<uint8_t>& b, int) { return std::vector<uint8_t>(b.begin(), b.begin() + 3); }},
        {"records cut", [](const std::vector<uint8_t>& b, int) {
             return std::vector<uint8_t>(b.begin(), b.begin() + 4 + 12 * 64 - 1); }},
        {"first code", [](const std::vector<uint8_t>& b, int) { auto d = b; d[0] = 0xBF; return d; }},
        {"last code", [](const std::vector<uint8_t>& b, int) { auto d = b; d[1] = 0xFE; return d; }},
        {"baseline", [](const std::vector<uint8_t>& b, int) { auto d = b; d[2] = 30; return d; }},
        {"strokes past the end", [](const std::vector<uint8_t>& b, int) {
             auto d = b;
             uint8_t* r = &d[4 + 12 * 0x3F];
             uint32_t off = static_cast<uint32_t>(d.size()) - 4u * r[6] + 1;
             r[8] = static_cast<uint8_t>(off);
             r[9] = static_cast<uint8_t>(off >> 8);
             return d; }},
        {"curves past the end", [](const std::vector<uint8_t>& b, int code) {
             auto d = b;
             uint8_t* r = &d[4 + 12 * (code - 0xC0)];
             uint32_t off = static_cast<uint32_t>(d.size()) - 12u * r[7] + 1;
             r[10] = static_cast<uint8_t>(off);
             r[11] = static_cast<uint8_t>(off >> 8);
             return d; }},
        {"stroke offset far out", [](const std::vector<uint8_t>& b, int) {
             auto d = b; d[4 + 8] = 0xFF; d[4 + 9] = 0xFF; return d; }},
        {"left edge right of the right edge", [](const std::vector<uint8_t>& b, int) {
             auto d = b; d[4 + 2] = d[4 + 3] = 200; d[4 + 4] = d[4 + 5] = 10; return d; }},
        {"bottom above top", [](const std::vector<uint8_t>& b, int) {
             auto d = b; d[4 + 1] = static_cast<uint8_t>(d[4] + 1); return d; }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = c.damage(good, curved);
        // An exact-size copy, so that any read past its end is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bad.size() + 1]);
        std::copy(bad.begin(), bad.end(), exact.get());
        StrokeFontSet s;
        EXPECT_EQ(stroke_font_set_open(247, bad.empty() ? nullptr : exact.get(),
                                       static_cast<uint32_t>(bad.size()), &s), -1) << c.what;
    }
    // A set opened as another id is refused as well.
    StrokeFontSet s;
    EXPECT_EQ(stroke_font_set_open(254, good.data(), static_cast<uint32_t>(good.size()), &s), -1);
    EXPECT_EQ(stroke_font_set_open(247, good.data(), static_cast<uint32_t>(good.size()), &s), 0);
}

TEST_F(BuiltFonts, StrokesEndingExactlyAtTheEndAreAccepted) {
    // The last glyph's strokes are the last bytes of a synthetic set.
    std::vector<uint8_t> b = synthetic_set(8, 0x80, 0x8F, 40);
    StrokeFontSet s;
    EXPECT_EQ(stroke_font_set_open(494, b.data(), static_cast<uint32_t>(b.size()), &s), 0);
    b.pop_back();
    EXPECT_EQ(stroke_font_set_open(494, b.data(), static_cast<uint32_t>(b.size()), &s), -1);
}

TEST_F(BuiltFonts, OneDamagedSetFailsTheWholeLoad) {
    for (uint16_t id : {247, 494, 640}) {
        auto fonts = fonts_;
        fonts[set_index(id)].resize(10);
        error_flag = 0;
        error_stack_clear();
        EXPECT_EQ(load_fonts(fonts), -1) << id;
        EXPECT_EQ(stroke_font_failed_id, id);
        EXPECT_EQ(error_flag, 1);
        ASSERT_EQ(error_stack.count, 1);
        EXPECT_STREQ(error_stack.entries[0], ("gfnt " + std::to_string(id)).c_str());
        EXPECT_EQ(stroke_font_tables[0][0][0], nullptr);
        EXPECT_EQ(stroke_font_tables[1][1][0], nullptr);
        EXPECT_EQ(find_font_set('A'), nullptr);
    }
    auto fonts = fonts_;
    fonts[set_index(369)].clear();     // a missing resource
    EXPECT_EQ(load_fonts(fonts), -1);
    EXPECT_EQ(stroke_font_failed_id, 369);
    error_flag = 0;
    error_stack_clear();
    EXPECT_EQ(load_fonts(fonts_), 0);
    EXPECT_EQ(stroke_font_failed_id, 0);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(error_stack.count, 0);
}

// ---------------------------------------------------------------- against the sources

// A reader of the glyph sources: polylines of every stroke of a glyph, in
// the source's own coordinates.
struct SourceGlyph {
    std::vector<std::string> commands;
    bool explicit_edges = false;
};
using Polyline = std::vector<TextPoint>;

struct Sources {
    std::map<std::string, std::map<int, SourceGlyph>> tables;
    std::map<int, std::vector<std::string>> set_tables;   // type A set id -> tables

    void read_glyphs(const std::string& path) {
        std::ifstream f(path);
        std::string line, table;
        SourceGlyph* g = nullptr;
        while (std::getline(f, line)) {
            std::istringstream in(line);
            std::string kw;
            if (!(in >> kw) || kw[0] == '#')
                continue;
            if (kw == "table") {
                in >> table;
            } else if (kw == "glyph") {
                std::string code;
                in >> code;
                g = &tables[table][std::stoi(code, nullptr, 0)];
                *g = SourceGlyph();
            } else if (g && kw == "edges") {
                g->explicit_edges = true;
            } else if (g) {
                g->commands.push_back(line);
            }
        }
    }
    void read_sets(const std::string& path) {
        std::ifstream f(path);
        std::string line;
        while (std::getline(f, line)) {
            std::istringstream in(line.substr(0, line.find('#')));
            std::string kw, type, first, last, t;
            int id;
            if (!(in >> kw >> id >> type) || kw != "set" || type != "A")
                continue;
            in >> first >> last;
            while (in >> t)
                set_tables[id].push_back(t);
        }
    }
    const SourceGlyph* find(int set_id, int code, std::string* table) const {
        for (const std::string& t : set_tables.at(set_id)) {
            auto ti = tables.find(t);
            if (ti != tables.end() && ti->second.count(code)) {
                *table = t;
                return &ti->second.at(code);
            }
        }
        return nullptr;
    }
    static TextPoint pt(const std::string& s) {
        size_t comma = s.find(',');
        return {std::stod(s.substr(0, comma)), std::stod(s.substr(comma + 1))};
    }
    static Polyline ellipse(TextPoint c, double rx, double ry, double a0, double a1) {
        Polyline p;
        const double deg = std::acos(-1.0) / 180.0;
        for (int i = 0; i <= 64; ++i) {
            double a = (a0 + (a1 - a0) * i / 64.0) * deg;
            p.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
        }
        return p;
    }
    std::vector<Polyline> strokes(const std::string& table, int code) const {
        std::vector<Polyline> out;
        const SourceGlyph& g = tables.at(table).at(code);
        for (const std::string& cmd : g.commands) {
            std::istringstream in(cmd);
            std::string kw, a, b;
            in >> kw;
            if (kw == "line") {
                Polyline p;
                while (in >> a)
                    p.push_back(pt(a));
                out.push_back(p);
            } else if (kw == "circle" || kw == "dot") {
                double r = 2.0;
                in >> a;
                if (kw == "circle")
                    in >> r;
                out.push_back(ellipse(pt(a), r, r, 0, 360));
            } else if (kw == "arc") {
                double a0, a1;
                in >> a >> b >> a0 >> a1;
                TextPoint r = pt(b);
                out.push_back(ellipse(pt(a), r.x, r.y, a0, a1));
            } else if (kw == "curve") {
                TextPoint q[4];
                for (TextPoint& p : q)
                    in >> a, p = pt(a);
                Polyline p;
                for (int i = 0; i <= 32; ++i) {
                    double t = i / 32.0, u = 1 - t;
                    p.push_back({u * u * u * q[0].x + 3 * u * u * t * q[1].x + 3 * u * t * t * q[2].x + t * t * t * q[3].x,
                                 u * u * u * q[0].y + 3 * u * u * t * q[1].y + 3 * u * t * t * q[2].y + t * t * t * q[3].y});
                }
                out.push_back(p);
            } else if (kw == "copy") {
                std::string ref = (in >> a, a);
                size_t colon = ref.find(':');
                std::vector<Polyline> sub = strokes(ref.substr(0, colon), std::stoi(ref.substr(colon + 1), nullptr, 0));
                std::string op;
                while (in >> op) {
                    double sx = 1, sy = 1, dx = 0, dy = 0, m = 1;
                    if (op == "mirror")
                        m = -1;
                    else if (op == "scale")
                        in >> a, sx = pt(a).x, sy = pt(a).y;
                    else if (op == "move")
                        in >> a, dx = pt(a).x, dy = pt(a).y;
                    for (Polyline& p : sub)
                        for (TextPoint& q : p)
                            q = {m * q.x * sx + dx, 40 + (q.y - 40) * sy + dy};
                }
                out.insert(out.end(), sub.begin(), sub.end());
            }
        }
        return out;
    }
};

// A bitmap of 1 glyph unit per pixel with a border, inked by a round pen.
struct Bitmap {
    static constexpr int size = 300, border = 20;
    std::vector<uint8_t> px = std::vector<uint8_t>(size * size, 0);
    void stamp(double x, double y, double r) {
        for (int yy = static_cast<int>(y - r) - 1; yy <= static_cast<int>(y + r) + 1; ++yy)
            for (int xx = static_cast<int>(x - r) - 1; xx <= static_cast<int>(x + r) + 1; ++xx) {
                int bx = xx + border, by = yy + border;
                if (bx >= 0 && by >= 0 && bx < size && by < size &&
                    (xx - x) * (xx - x) + (yy - y) * (yy - y) <= r * r)
                    px[by * size + bx] = 1;
            }
    }
    void draw(const Polyline& p, double r) {
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            double len = std::hypot(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
            int n = std::max(1, static_cast<int>(len * 4));
            for (int k = 0; k <= n; ++k)
                stamp(p[i].x + (p[i + 1].x - p[i].x) * k / n, p[i].y + (p[i + 1].y - p[i].y) * k / n, r);
        }
        if (p.size() == 1)
            stamp(p[0].x, p[0].y, r);
    }
    int count() const { return static_cast<int>(std::count(px.begin(), px.end(), 1)); }
    // Pixels inked here but not in `wider`.
    int outside(const Bitmap& wider) const {
        int n = 0;
        for (size_t i = 0; i < px.size(); ++i)
            n += px[i] && !wider.px[i];
        return n;
    }
};

TEST_F(BuiltFonts, RasterisedGlyphsMatchTheirSources) {
    Sources src;
    for (const char* f : {"ascii", "cyrillic", "signs", "symbols", "tolerance", "upper"})
        src.read_glyphs(std::string(SARVOLT_FONT_SOURCE_DIR) + "/" + f + ".glyphs");
    src.read_sets(std::string(SARVOLT_FONT_SOURCE_DIR) + "/sets.txt");

    // Type A 40 mm drawn 3.5 model units per sheet mm: one unit per glyph unit.
    select_text_font(9, 0, 0);
    set_model_units_per_mm(3.5);

    struct Case {
        int set_id;
        const char* text;     // the glyph's code, with its style row
        int code;
    } cases[] = {
        {247, "\xC6", 0xC6},   // Ж
        {247, "\xC7", 0xC7},   // З (arcs)
        {247, "\xDE", 0xDE},   // Ю
        {247, "\xDF", 0xDF},   // Я (a mirrored Latin letter)
        {247, "\xE4", 0xE4},   // д (arc and curve)
        {247, "\xF8", 0xF8},   // ш
        {247, "\xFF", 0xFF},   // я
        {248, "4", '4'},
        {248, "7", '7'},
        {248, "#", '#'},       // diameter sign
        {380, "\xB0", 0xB0},   // degree sign
        {380, "\xA8", 0xA8},   // Ё
        {494, "@1\x88", 0x88}, // coaxiality
        {494, "@1\x8B", 0x8B}, // runout arrow (edges of its own)
    };
    for (const Case& c : cases) {
        std::string table;
        const SourceGlyph* sg = src.find(c.set_id, c.code, &table);
        ASSERT_NE(sg, nullptr) << c.text;
        std::vector<Polyline> from_source = src.strokes(table, c.code);
        // The ink starts half a pen width (5 units) right of x = 0, unless
        // the glyph has edges of its own.
        double min_x = 1e9;
        for (const Polyline& p : from_source)
            for (const TextPoint& q : p)
                min_x = std::min(min_x, q.x);
        min_x -= 5.0;
        if (sg->explicit_edges)
            min_x = 0;

        Recording r;
        TextCanvas cv = recording_canvas(&r);
        draw_text_line_canvas(&cv, 0.0, 0.0, 0.0, c.text, nullptr, nullptr);
        ASSERT_EQ(r.glyphs.size(), 1u) << c.text;
        const DrawnGlyph& d = r.glyphs[0];
        EXPECT_NEAR(d.pen, 40.0 / 14.0, 1e-9);   // h/14 in sheet mm
        // Back to glyph units: x from the left edge, y upward from the baseline 40.
        GlyphRecord g = glyph_record(set(static_cast<uint16_t>(c.set_id)), static_cast<uint8_t>(c.code));
        auto unit = [&](TextPoint p) { return TextPoint{p.x + glyph_left(g), 40.0 - p.y}; };
        std::vector<Polyline> from_resource;
        for (size_t i = 0; i + 1 < d.lines.size(); i += 2)
            from_resource.push_back({unit(d.lines[i]), unit(d.lines[i + 1])});
        for (size_t i = 0; i < d.circle_radii.size(); ++i)
            from_resource.push_back(Sources::ellipse(unit(d.circle_centres[i]), d.circle_radii[i],
                                                     d.circle_radii[i], 0, 360));
        for (size_t i = 0; i + 3 < d.curves.size(); i += 4) {
            TextPoint q[4] = {unit(d.curves[i]), unit(d.curves[i + 1]), unit(d.curves[i + 2]), unit(d.curves[i + 3])};
            Polyline p;
            for (int k = 0; k <= 32; ++k) {
                double t = k / 32.0, u = 1 - t;
                p.push_back({u * u * u * q[0].x + 3 * u * u * t * q[1].x + 3 * u * t * t * q[2].x + t * t * t * q[3].x,
                             u * u * u * q[0].y + 3 * u * u * t * q[1].y + 3 * u * t * t * q[2].y + t * t * t * q[3].y});
            }
            from_resource.push_back(p);
        }
        for (Polyline& p : from_source)
            for (TextPoint& q : p)
                q.x -= min_x;

        // The strokes drawn with a thin pen lie inside those of the other
        // drawn with the real pen (10 units), both ways round: nothing is
        // missing, nothing is added, nothing has moved.
        Bitmap src_thin, src_pen, res_thin, res_pen;
        for (const Polyline& p : from_source) {
            src_thin.draw(p, 2.5);
            src_pen.draw(p, 5.0);
        }
        for (const Polyline& p : from_resource) {
            res_thin.draw(p, 2.5);
            res_pen.draw(p, 5.0);
        }
        EXPECT_GT(src_thin.count(), 50) << c.text;
        EXPECT_EQ(src_thin.outside(res_pen), 0) << c.text << ": source strokes missing from the resource";
        EXPECT_EQ(res_thin.outside(src_pen), 0) << c.text << ": resource strokes not in the source";
    }
}

}  // namespace
