// Roughness signs: the pieces of both arrangements with each tick form and
// the circle, the long leg against its three rules, the text parts of a
// damaged record, the drawing turned about the tip, and the box that holds
// everything drawn.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/roughness_sign.h"

using namespace dimension_test;

namespace {

uint8_t header[drawing_header_size];

class RoughnessSigns : public DimensionTest {
protected:
    void arrangement(int second) {
        std::memset(header, 0, sizeof header);
        put_f64(header, header_scale_offset, 1.0);
        put_u16(header, header_option_word_offset, static_cast<uint16_t>(second ? 0x02 : 0));
        bind_current_drawing_header([]() -> const uint8_t* { return header; });
    }
};

std::vector<uint8_t> sign(int size, int variant, bool circle, int lay, const std::string& t1, const std::string& t2,
                          const std::string& t3, Point2 tip = {0, 0}, double angle = 0) {
    std::vector<uint8_t> r =
        annotation(annotation_roughness, roughness_head, static_cast<uint16_t>((size << 2) | (circle ? 0x40 : 0)));
    r[roughness_first_length] = static_cast<uint8_t>(lay);
    r[roughness_variant] = static_cast<uint8_t>(variant);
    r[roughness_lengths] = static_cast<uint8_t>(t1.size());
    r[roughness_lengths + 1] = static_cast<uint8_t>(t2.size());
    r[roughness_lengths + 2] = static_cast<uint8_t>(t3.size());
    put_pf(r, roughness_tip, tip.x, tip.y);
    put_f64(r.data(), roughness_angle, angle);
    set_text(r, roughness_head, t1 + t2 + t3);
    return r;
}

const double c = 1.24, k = 1.0 / std::sqrt(3.0);

TEST_F(RoughnessSigns, PiecesAndLongLegWithoutTexts) {
    for (int second : {0, 1}) {
        arrangement(second);
        for (int variant = 0; variant <= 2; ++variant) {
            for (bool circle : {false, true}) {
                for (int size : {1, 3}) {  // 2.5 mm and 5 mm
                    double h = size == 1 ? 2.5 : 5.0;
                    std::vector<uint8_t> r = sign(size, variant, circle, 0, "", "", "");
                    RoughnessLayout l;
                    int n = build_roughness_sign_strokes(r.data(), &l);
                    std::string what = "arrangement " + std::to_string(second + 1) + " variant " +
                                       std::to_string(variant) + (circle ? " circle" : "") + " size " +
                                       std::to_string(size);
                    int segments = variant == 1 ? 3 : 2;
                    int circles = (variant == 2) + circle;
                    EXPECT_EQ(n, segments + circles) << what;
                    double L = std::fmax(1.5 * h + (circle ? 2.1 : 0.0), h + 2 * c);
                    EXPECT_NEAR(l.long_leg, L, 1e-9) << what;
                    EXPECT_FALSE(l.shelf) << what;
                    // The last segment ends at E = (k L, -L).
                    const RoughnessPiece& last = l.pieces[static_cast<size_t>(segments - 1)];
                    EXPECT_NEAR(last.b.x, k * L, 1e-9) << what;
                    EXPECT_NEAR(last.b.y, -L, 1e-9) << what;
                    if (variant == 2) {
                        EXPECT_NEAR(l.pieces[static_cast<size_t>(segments)].radius, h / 3, 1e-9) << what;
                        EXPECT_NEAR(l.pieces[static_cast<size_t>(segments)].a.y, -2 * h / 3, 1e-9) << what;
                    }
                    if (variant == 1) {
                        EXPECT_NEAR(l.pieces[0].a.x, k * h, 1e-9) << what;
                        EXPECT_NEAR(l.pieces[0].b.x, -k * h, 1e-9) << what;
                    }
                }
            }
        }
    }
}

TEST_F(RoughnessSigns, LongLegWithTexts) {
    const double h = 5.0;
    // Second arrangement with a first text of two lines: max(h, its height) + 2c.
    arrangement(1);
    std::string first = "Ra 3,2\\nRz 12";
    select_text_font(3, 0, 0);
    double w1 = 0, h1 = 0;
    measure_multiline_text(first.c_str(), &w1, &h1, text_spacing_unit(3), nullptr);
    ASSERT_GT(h1, h);
    RoughnessLayout l;
    build_roughness_sign_strokes(sign(3, 0, false, 0, first, "", "").data(), &l);
    EXPECT_NEAR(l.long_leg, h1 + 2 * c, 1e-9);
    EXPECT_TRUE(l.shelf);
    EXPECT_EQ(l.pieces.size(), 3u);
    // The shelf runs 2c + the first text's width from E.
    EXPECT_NEAR(l.pieces[2].b.x - l.pieces[2].a.x, 2 * c + w1, 1e-9);
    // First arrangement with a lay sign and a third text: 2h + 3.5c.
    arrangement(0);
    build_roughness_sign_strokes(sign(3, 0, false, 1, "Ra 3,2", "", "0,8").data(), &l);
    EXPECT_NEAR(l.long_leg, 2 * h + 3.5 * c, 1e-9);
    EXPECT_TRUE(l.texts[roughness_lay_text].present);
    EXPECT_EQ(l.texts[roughness_lay_text].text, "\xB3");
    // A lay sign alone in the first arrangement: the short rule, but a shelf.
    build_roughness_sign_strokes(sign(3, 0, false, 6, "", "", "").data(), &l);
    EXPECT_NEAR(l.long_leg, 7.5, 1e-9);
    EXPECT_TRUE(l.shelf);
}

TEST_F(RoughnessSigns, TextPartsAreCutToTheStoredText) {
    std::vector<uint8_t> r = sign(3, 0, false, 0, "abc", "defgh", "");
    r[roughness_lengths + 1] = 10;  // claims more than is stored
    r[roughness_lengths + 2] = 5;
    std::string t;
    EXPECT_EQ(roughness_record_text(r.data(), 0, &t), 3);
    EXPECT_EQ(t, "abc");
    EXPECT_EQ(roughness_record_text(r.data(), 1, &t), 5);
    EXPECT_EQ(t, "defgh");
    EXPECT_EQ(roughness_record_text(r.data(), 2, &t), 0);
    EXPECT_EQ(t, "");
    EXPECT_EQ(roughness_record_text(r.data(), 3, &t), 0);
}

TEST_F(RoughnessSigns, DrawnTurnedAboutTheTip) {
    arrangement(0);
    RecView v(10.0);
    std::vector<uint8_t> r = sign(3, 0, true, 0, "", "", "", {20, 20}, pi / 2);
    draw_roughness_sign(v.v(), r.data());
    // Turned by +90 degrees, E = T + (k L, -L) becomes T + (L, k L).
    double L = 1.5 * 5 + 2.1;
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[1].back().x, static_cast<int>(std::floor((20 + L) * 10 + 0.5)));
    EXPECT_EQ(paths[1].back().y, static_cast<int>(std::floor((20 + k * L) * 10 + 0.5)));
    EXPECT_EQ(paths[0][0].x, static_cast<int>(std::floor((20 + 5) * 10 + 0.5)));  // (-k h, -h) turned: (h, -k h)
    EXPECT_EQ(v.of_kind(call_arc).size(), 1u);                                    // the circle about E
    EXPECT_EQ(v.rec.live_objects, 0);
}

// Every pixel the drawing reaches (strokes, text strokes, circles) lies in
// the box the bounds give, turned or not, in both arrangements: a click on
// any part of the sign picks it and a repaint of the box leaves no trace.
TEST_F(RoughnessSigns, BoundsHoldEverythingDrawn) {
    struct Case {
        int second, variant;
        bool circle;
        int lay;
        const char *t1, *t2, *t3;
        double angle;
    } cases[] = {
        {0, 0, false, 0, "", "", "", 0},
        {0, 1, true, 0, "Ra 3,2", "", "", 0},
        {0, 2, false, 3, "Ra 0,8", "\xCF\xEE\xEB\xE8\xF0\xEE\xE2\xE0\xF2\xFC", "2,5", 0},
        {0, 2, true, 6, "Rz 20", "long instruction text", "0,8", pi / 2},
        {1, 0, false, 2, "Ra 1,6\\nRz 6,3", "", "", 0},
        {1, 1, true, 7, "Ra 12,5", "x", "", 2.5},
        {1, 0, false, 0, "", "shelf only", "", -pi / 3},
    };
    const double px = 10.0;
    for (const Case& c : cases) {
        arrangement(c.second);
        std::vector<uint8_t> r = sign(3, c.variant, c.circle, c.lay, c.t1, c.t2, c.t3, {40, 40}, c.angle);
        std::string what = std::string("texts '") + c.t1 + "' '" + c.t2 + "' '" + c.t3 + "' angle " +
                           std::to_string(c.angle) + " arrangement " + std::to_string(c.second + 1);
        Box b;
        ASSERT_EQ(roughness_sign_bounds(r.data(), &b), 1) << what;
        RecView v(px);
        draw_roughness_sign(v.v(), r.data());
        // Pixels are rounded: one pixel of slack on each side.
        auto inside = [&](int x, int y) {
            return x >= std::floor(b.min_x * px) - 1 && x <= std::ceil(b.max_x * px) + 1 &&
                   y >= std::floor(b.min_y * px) - 1 && y <= std::ceil(b.max_y * px) + 1;
        };
        int checked = 0;
        for (const CanvasCall& call : v.rec.calls) {
            if (call.kind == call_move_to || call.kind == call_line_to) {
                EXPECT_TRUE(inside(call.args[0], call.args[1]))
                    << what << ": point " << call.args[0] << " " << call.args[1];
                ++checked;
            } else if (call.kind == call_arc || call.kind == call_ellipse) {
                EXPECT_TRUE(inside(call.args[0], call.args[1]) && inside(call.args[2], call.args[3]))
                    << what << ": circle " << call.args[0] << " " << call.args[1];
            } else {
                for (const PointI& p : call.points) EXPECT_TRUE(inside(p.x, p.y)) << what << ": point " << p.x << " " << p.y;
            }
        }
        EXPECT_GT(checked, 2) << what;
    }
    // The bare sign: from the short leg's end (T - (k h, h)) to the long
    // leg's end (T + (k L, -L)), L = 1.5 h, and no more than the 0.25 mm
    // pen beyond.
    arrangement(0);
    Box b;
    ASSERT_EQ(roughness_sign_bounds(sign(3, 0, false, 0, "", "", "", {40, 40}).data(), &b), 1);
    const double h = 5.0, L = 7.5, pen = 0.25 + 1e-6;
    const double edges[4][2] = {{b.min_x, 40 - k * h}, {-b.max_x, -(40 + k * L)}, {b.min_y, 40 - L}, {-b.max_y, -40.0}};
    for (const auto& e : edges) {
        EXPECT_LE(e[0], e[1]);
        EXPECT_GE(e[0], e[1] - pen);
    }
}

}  // namespace
