// The rules of the annotation property dialogs that need no drawing: style
// bits by kind, font buttons, line breaks, dialog choice, tolerance texts and
// cells, leader head shapes, roughness controls, text fragment sizes and
// edges, section letters, hatch parameters and scrolling, dimension flags.
#include "annotation/annotation_properties.h"
#include "annotation/dimension_text_properties.h"
#include "annotation/hatching_properties.h"
#include "annotation/leader_properties.h"
#include "annotation/roughness_properties.h"
#include "annotation/section_properties.h"
#include "annotation/text_fragment_properties.h"
#include "annotation/tolerance_properties.h"
#include "base/byte_order.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"
#include "render/output/tolerance_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const double pi = std::acos(-1.0);

RecordBytes record_of(int kind, size_t head, const std::string& text = std::string()) {
    RecordBytes packed = pack_whole_text(text);
    RecordBytes r(head, 0);
    r.insert(r.end(), packed.begin(), packed.end());
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
    r[record_kind] = static_cast<uint8_t>(kind);
    return r;
}

TEST(PropertiesStyle, EachKindKeepsItsStyleAtItsOwnBits) {
    // Font A slanted (1170), B upright (1176), height 7, on each kind: the
    // flags word the renderer reads for that style.
    struct Case {
        int kind;
        uint16_t a_slanted_h7;  // slant bit | height 7
        uint16_t b_upright_h7;  // font-B bit | height 7
    } cases[] = {
        {0, 0x0010 | (7 << 7), 0x0020 | (7 << 7)},
        {1, 0x0010 | (7 << 7), 0x0020 | (7 << 7)},
        {3, 0x0002 | (7 << 2), 0x0001 | (7 << 2)},
        {4, 0x0001 | (7 << 2), 0x0002 | (7 << 2)},
        {5, 0x0001 | (7 << 2), 0x0002 | (7 << 2)},
        {6, 0x0001 | (7 << 2), 0x0002 | (7 << 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        RecordBytes r = record_of(c.kind, 66);
        put_u16(r.data(), annotation_flags, 0x8000);  // an unrelated bit stays
        ASSERT_TRUE(annotation_style_apply(r.data(), prop_height_combo, 7));
        ASSERT_TRUE(annotation_style_apply(r.data(), prop_font_a_slanted, 0));
        EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x8000 | c.a_slanted_h7);
        ASSERT_TRUE(annotation_style_apply(r.data(), prop_font_b_upright, 0));
        EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x8000 | c.b_upright_h7);
        TextStyle s{};
        ASSERT_TRUE(annotation_style_get(r.data(), &s));
        EXPECT_EQ(s.height_index, 7);
        EXPECT_EQ(font_radio_for_style(s.font_b, s.slant), prop_font_b_upright);
        // A height outside the ten, or a control outside the group, changes nothing.
        EXPECT_FALSE(annotation_style_apply(r.data(), prop_height_combo, 10));
        EXPECT_FALSE(annotation_style_apply(r.data(), 1173, 0));
        EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x8000 | c.b_upright_h7);
    }
    RecordBytes hatch = record_of(annotation_hatching, hatching_record_size);
    EXPECT_FALSE(annotation_style_apply(hatch.data(), prop_font_a_slanted, 0));
}

TEST(PropertiesStyle, FontButtonsAndStoredHeightsBeyondTheTen) {
    const struct { int id, font_b, slant; } radios[] = {
        {1170, 0, 1}, {1171, 0, 0}, {1175, 1, 1}, {1176, 1, 0}};
    for (auto r : radios) {
        int b = -1, s = -1;
        EXPECT_TRUE(font_radio_style(r.id, &b, &s));
        EXPECT_EQ(b, r.font_b);
        EXPECT_EQ(s, r.slant);
        EXPECT_EQ(font_radio_for_style(r.font_b, r.slant), r.id);
    }
    // A record holding index 13 shows (and measures with) index 9.
    RecordBytes r = record_of(annotation_tolerance, tolerance_head);
    put_u16(r.data(), annotation_flags, 13 << 2);
    TextStyle s{};
    ASSERT_TRUE(annotation_style_get(r.data(), &s));
    EXPECT_EQ(s.height_index, 9);
    EXPECT_EQ(roughness_general_height_index(0), 1);
    EXPECT_EQ(roughness_general_height_index(15), 9);
}

TEST(PropertiesText, LineBreaksOfEveryKindBecomeOnePair) {
    const struct { const char* edit; const char* stored; } cases[] = {
        {"a\r\nb", "a\\nb"}, {"a\nb", "a\\nb"}, {"a\rb", "a\\nb"}, {"a\r\n\r\nb", "a\\n\\nb"},
        {"a\n\rb", "a\\n\\nb"}, {"ab\r", "ab\\n"}, {"", ""},
    };
    for (auto c : cases) {
        EXPECT_EQ(edit_text_to_stored(c.edit), c.stored) << c.edit;
    }
    EXPECT_EQ(stored_text_to_edit("a\\nb\\n", false), "a\r\nb\r\n");
    EXPECT_EQ(stored_text_to_edit("a\x1b" "b\\nc", true), "ab\r\nc");
    // A backslash not followed by 'n' stays.
    EXPECT_EQ(stored_text_to_edit("a\\b", false), "a\\b");
}

TEST(PropertiesText, LongTextsPackWhole) {
    // Mixed classes (Latin, Cyrillic, digits, marks) cost switches: the
    // text comes back whole however long it is.
    std::string mixed;
    for (int i = 0; i < 700; ++i) mixed += (i % 4 == 0) ? "Ж" : (i % 4 == 1) ? "q" : (i % 4 == 2) ? "7" : "~";
    for (const std::string& t : {std::string(2000, 'a'), mixed, std::string("a\\nb")}) {
        RecordBytes p = pack_whole_text(t);
        EXPECT_GT(p.size(), 0u);
        EXPECT_EQ(unpack_whole_text(p.data(), static_cast<int>(p.size())), t);
    }
}

TEST(PropertiesDialogs, KindChoosesTheTemplate) {
    const struct { int kind; bool low, option; int dialog; } cases[] = {
        {0, false, false, 253}, {1, true, false, 255}, {2, false, false, 271}, {2, true, false, 336},
        {3, false, false, 352}, {4, true, false, 393}, {5, false, false, 400}, {5, true, false, 415},
        {5, false, true, 557},  {5, true, true, 558},  {6, false, false, 496}, {7, false, false, 0},
        {200, true, true, 0},
    };
    for (auto c : cases)
        EXPECT_EQ(annotation_dialog_for_kind(c.kind, c.low, c.option), c.dialog) << c.kind << c.low << c.option;
}

// ---------------------------------------------------------------- tolerance

// Glyph widths of a fixed-pitch stand-in: every character 1.5 wide; the
// markup around the signs ("@1" before, "@" after) draws nothing.
ToleranceMeasure fixed_pitch() {
    return [](const std::string& t, bool upright) {
        return 1.5 * static_cast<double>(upright ? t.size() - 3 : t.size());
    };
}

TEST(ToleranceRules, SignPartsAndCompaction) {
    uint8_t codes[3] = {6, 0, 9};  // slots 1 and 3 chosen, 2 empty
    EXPECT_EQ(tolerance_signs_compact(codes), 2);
    EXPECT_EQ(codes[0], 6);
    EXPECT_EQ(codes[1], 9);
    EXPECT_EQ(codes[2], 0);
    EXPECT_EQ(tolerance_sign_part(codes, 2), std::string("@1\x84\x88@"));
    uint8_t none[3] = {0, 0, 0};
    EXPECT_EQ(tolerance_signs_compact(none), 0);
    EXPECT_EQ(tolerance_sign_part(none, 0), "");
    uint8_t full_runout[3] = {14, 0, 0};
    EXPECT_EQ(tolerance_sign_part(full_runout, 1), std::string("@1\x8b\x8d\x8b@"));
    // The seventeen codes and their characters.
    const uint8_t chars[17] = {' ', 133, 128, 129, 130, 131, 132, 134, 137, 136, 135, 138, 143, 139, 139, 140, 142};
    for (int code = 0; code < 17; ++code) {
        std::string c;
        ASSERT_TRUE(tolerance_sign_chars(code, &c));
        EXPECT_EQ(static_cast<uint8_t>(c[0]), chars[code]) << code;
        EXPECT_NE(tolerance_sign_hint(code), nullptr);
    }
    std::string c;
    EXPECT_FALSE(tolerance_sign_chars(17, &c));
}

TEST(ToleranceRules, CellWidths) {
    const double h = 5.0, m = 1.24;
    ToleranceMeasure w = fixed_pitch();
    struct Case {
        const char *signs, *value, *datums;
        bool stacked;
        double sign_cell, datum_offset, total;
    } cases[] = {
        // A short value still gets 2h; a narrow sign cell h.
        {"@1\x84@", "0,1", "", false, h, 0, h + 2 * h},
        // A long value: its width + 2m.
        {"@1\x84@", "0,0001234", "", false, h, 0, h + 13.5 + 2 * m},
        // Datums: letters + 2m, plus 2m a comma.
        {"@1\x84@", "0,1", "АБ", false, h, 3 * h, 3 * h + 3 + 2 * m},
        {"@1\x84@", "0,1", "А,Б", false, h, 3 * h, 3 * h + 4.5 + 2 * m + 2 * m},
        // No sign: no sign cell.
        {"", "0,1", "", false, 0, 0, 2 * h},
        // Stacked: widest glyph, widest line; the commas of the line with most.
        {"@1\x84\x88\x8b\x8d\x8b@", "0,1\\n0,000001", "А\\nА,Б,В", true, std::max(4.5 + 2 * m, h), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + "|" + c.datums);
        ToleranceWidths got = tolerance_cell_widths({c.signs, c.value, c.datums}, h, m, c.stacked, w);
        EXPECT_NEAR(got.sign_cell, c.sign_cell, 1e-9);
        if (!c.stacked) {
            EXPECT_NEAR(got.datum_offset, c.datum_offset, 1e-9);
            EXPECT_NEAR(got.total, c.total, 1e-9);
        } else {
            // Value cell = "0,000001" (8 glyphs) + 2m; datum "А,Б,В" (5) + 2m + 2 x 2m.
            double value = std::max(12.0 + 2 * m, 2 * h);
            EXPECT_NEAR(got.datum_offset, got.sign_cell + value, 1e-9);
            EXPECT_NEAR(got.total, got.sign_cell + value + 7.5 + 2 * m + 4 * m, 1e-9);
        }
    }
}

TEST(ToleranceRules, AStackedFrameWithoutSignsStillHasARow) {
    RecordBytes r = record_of(annotation_tolerance, tolerance_head);
    const struct { uint16_t flags; int rows; } cases[] = {
        {0x0000, 1}, {0x0200, 1}, {0x0200 | (2 << 6), 2}, {0x0200 | (3 << 6), 3}, {0x0200 | (7 << 6), 3}, {3 << 6, 1}};
    for (auto c : cases) {
        put_u16(r.data(), annotation_flags, c.flags);
        EXPECT_EQ(tolerance_frame_rows(r.data()), c.rows) << c.flags;
    }
}

TEST(ToleranceRules, BuilderKeepsPartsAndRefusesLongFrames) {
    RecordBytes old = record_of(annotation_tolerance, tolerance_head, std::string("@1\x84@\x18" "0,1\x1a" "А"));
    old[tolerance_text_length] = 8;
    put_f32(old.data(), tolerance_frame1, 10.0f);
    RecordBytes out;
    const char* refusal = nullptr;
    ASSERT_TRUE(tolerance_build(old.data(), nullptr, "0,05", nullptr, 5.0, 1.24, fixed_pitch(), &out, &refusal));
    ToleranceTexts t = tolerance_split(record_text(out.data(), tolerance_head));
    EXPECT_EQ(t.signs, "@1\x84@");
    EXPECT_EQ(t.value, "0,05");
    EXPECT_EQ(t.datums, "А");
    EXPECT_EQ(out[tolerance_text_length], 4 + 1 + 4 + 1 + 1);
    EXPECT_EQ(get_u16(out.data(), record_length), out.size());
    EXPECT_FLOAT_EQ(get_f32(out.data(), tolerance_separator1), 5.0f);
    EXPECT_FLOAT_EQ(get_f32(out.data(), tolerance_separator2), 15.0f);
    EXPECT_FLOAT_EQ(get_f32(out.data(), tolerance_frame2), 10.0f + 15.0f + 1.5f + 2.48f);
    // 255 characters joined pass, 256 are refused.
    std::string value(255 - 4 - 2 - 1, '7');
    EXPECT_TRUE(tolerance_build(old.data(), nullptr, value.c_str(), nullptr, 5, 1.24, fixed_pitch(), &out, &refusal));
    EXPECT_EQ(out[tolerance_text_length], 255);
    EXPECT_EQ(tolerance_split(record_text(out.data(), tolerance_head)).value, value);
    value += '7';
    EXPECT_FALSE(tolerance_build(old.data(), nullptr, value.c_str(), nullptr, 5, 1.24, fixed_pitch(), &out, &refusal));
    EXPECT_STREQ(refusal, text_refusal_length);
}

// ---------------------------------------------------------------- leader

RecordBytes leader_with(const std::string& upper, const std::string& lower, int shape) {
    RecordBytes r = record_of(annotation_leader, leader_head, upper + lower);
    if (upper.empty() && lower.empty()) {
        r.resize(68, 0);  // a new leader: two zero bytes of text
        put_u16(r.data(), record_length, 68);
    }
    r[leader_first_length] = static_cast<uint8_t>(upper.size());
    put_u16(r.data(), annotation_flags, static_cast<uint16_t>(shape << 11));
    return r;
}

TEST(LeaderRules, LowerTextPresenceComesFromTheTexts) {
    // A new leader without texts has no lower text; an upper text of 30
    // digits packed into 20 bytes does not hide a real lower text.
    RecordBytes empty = leader_with("", "", 4);
    ASSERT_TRUE(leader_apply_control(empty.data(), 1391, 1));
    EXPECT_EQ(get_u16(empty.data(), annotation_flags) & 0x0040, 0);
    RecordBytes both = leader_with(std::string(30, '1'), "ab", 2);
    ASSERT_TRUE(leader_apply_control(both.data(), 1395, 1));
    EXPECT_EQ(get_u16(both.data(), annotation_flags) & 0x0040, 0x0040);
    EXPECT_EQ(leader_head_shape_of(both.data()), 4);
    ASSERT_TRUE(leader_apply_control(both.data(), 1394, 1));
    EXPECT_EQ(get_u16(both.data(), annotation_flags) & 0x0040, 0);
}

TEST(LeaderRules, HeadShapesClearWhatTheyDisable) {
    RecordBytes r = leader_with("A", "", 0);
    r[leader_style] = 0xC0;  // bits 6-7 are not the dialog's
    r[leader_style + 1] = 0x5A;
    ASSERT_TRUE(leader_apply_control(r.data(), leader_sign_combo, 3));
    ASSERT_TRUE(leader_apply_control(r.data(), leader_weld_closed, 1));
    EXPECT_EQ(r[leader_style], 0xC0 | 3 | (1 << 4));
    // 1536 and 1537 exclude each other.
    ASSERT_TRUE(leader_apply_control(r.data(), leader_weld_stretch, 1));
    EXPECT_EQ(leader_weld_marks_of(r.data()), 2);
    ASSERT_TRUE(leader_apply_control(r.data(), leader_weld_closed, 0));  // unchecking the other keeps 2
    EXPECT_EQ(leader_weld_marks_of(r.data()), 2);
    // Marking sign (shape 1): sign kept, weld marks cleared.
    ASSERT_TRUE(leader_apply_control(r.data(), 1392, 1));
    EXPECT_EQ(leader_sign_of(r.data()), 3);
    EXPECT_EQ(leader_weld_marks_of(r.data()), 0);
    // Stamping sign (shape 2): sign and marks cleared; lower text disabled.
    ASSERT_TRUE(leader_apply_control(r.data(), leader_sign_combo, 5));
    ASSERT_TRUE(leader_apply_control(r.data(), 1393, 1));
    EXPECT_EQ(r[leader_style], 0xC0);
    EXPECT_EQ(r[leader_style + 1], 0x5A);
    EXPECT_FALSE(leader_head_shape(2)->lower_text);
    EXPECT_FALSE(leader_head_shape(2)->sign);
    // Site weld (1) on shape 5 stands until the next change.
    ASSERT_TRUE(leader_apply_control(r.data(), 1396, 1));
    ASSERT_TRUE(leader_apply_control(r.data(), leader_sign_combo, 1));
    EXPECT_EQ(leader_sign_of(r.data()), 1);
    ASSERT_TRUE(leader_apply_control(r.data(), leader_weld_closed, 1));
    EXPECT_EQ(leader_sign_of(r.data()), 0);
    EXPECT_EQ(leader_weld_marks_of(r.data()), 1);
    EXPECT_FALSE(leader_apply_control(r.data(), 1168, 1));
}

TEST(LeaderRules, TextPointByShape) {
    RecordBytes r = leader_with("A", "", 0);
    put_f32(r.data(), leader_point2, 10.0f);
    put_f32(r.data(), leader_point2 + 4, 50.0f);
    put_f32(r.data(), leader_point3, 30.0f);
    put_f32(r.data(), leader_point3 + 4, 50.0f);
    for (int shape = 0; shape < 6; ++shape) {
        put_u16(r.data(), annotation_flags, static_cast<uint16_t>(shape << 11));
        Point2 p = leader_text_point(r.data(), 3.5, 1.24);
        if (shape == 1 || shape == 3) {
            EXPECT_DOUBLE_EQ(p.x, 30.0) << shape;
            EXPECT_DOUBLE_EQ(p.y, 50.0) << shape;
        } else {
            EXPECT_DOUBLE_EQ(p.x, 20.0) << shape;
            EXPECT_DOUBLE_EQ(p.y, 50.0 - 1.24 + 3.5) << shape;
        }
    }
}

TEST(LeaderRules, TextLimits) {
    RecordBytes old = leader_with("", "", 0);
    RecordBytes out;
    const char* refusal = nullptr;
    struct Case {
        size_t upper, lower;
        bool stored;
    } cases[] = {{255, 0, true}, {256, 0, false}, {255, 525, true}, {255, 526, false}, {0, 780, true}, {0, 781, false}};
    for (const Case& c : cases) {
        std::string u(c.upper, 'a'), l(c.lower, 'b');
        bool ok = leader_build_texts(old.data(), u.c_str(), l.c_str(), &out, &refusal);
        EXPECT_EQ(ok, c.stored) << c.upper << "+" << c.lower;
        if (ok) {
            LeaderTexts t = leader_texts(out.data());
            EXPECT_EQ(t.upper, u);
            EXPECT_EQ(t.lower, l);
            EXPECT_EQ((get_u16(out.data(), annotation_flags) & 0x40) != 0, !l.empty());
        } else {
            EXPECT_STREQ(refusal, text_refusal_length);
        }
    }
    // A null text keeps the stored one.
    RecordBytes two = leader_with("up", "down", 0);
    ASSERT_TRUE(leader_build_texts(two.data(), "UP", nullptr, &out, &refusal));
    EXPECT_EQ(leader_texts(out.data()).lower, "down");
    EXPECT_EQ(leader_texts(out.data()).upper, "UP");
}

// ---------------------------------------------------------------- roughness

TEST(RoughnessRules, TextsStayInTheirSlots) {
    RecordBytes r = record_of(annotation_roughness, roughness_head, "Ra 3,2" "x" "0,8");
    r[roughness_lengths] = 6;
    r[roughness_lengths + 1] = 1;
    r[roughness_lengths + 2] = 3;
    RecordBytes out;
    const char* refusal = nullptr;
    ASSERT_EQ(roughness_build_text(r.data(), roughness_instructions_edit, "полировать", &out, &refusal),
              roughness_text_stored);
    RoughnessTexts t = roughness_texts(out.data());
    EXPECT_EQ(t.parts[0], "Ra 3,2");
    EXPECT_EQ(t.parts[1], "полировать");
    EXPECT_EQ(t.parts[2], "0,8");
    // Each edit: 300 characters are refused (the parameter's 249+ are ignored).
    for (int id : {roughness_parameter_edit, roughness_instructions_edit, roughness_base_length_edit}) {
        RoughnessTextOutcome o = roughness_build_text(r.data(), id, std::string(300, 'z'), &out, &refusal);
        EXPECT_NE(o, roughness_text_stored) << id;
    }
    EXPECT_EQ(roughness_build_text(r.data(), roughness_parameter_edit, std::string(249, 'z'), &out, &refusal),
              roughness_text_ignored);
    EXPECT_EQ(roughness_build_text(r.data(), roughness_parameter_edit, std::string(248, 'z'), &out, &refusal),
              roughness_text_stored);
    EXPECT_EQ(roughness_build_text(r.data(), roughness_base_length_edit, std::string(256, 'z'), &out, &refusal),
              roughness_text_refused);
    EXPECT_STREQ(refusal, text_refusal_length);
    // Stored lengths longer than the text are cut to it.
    RecordBytes bad = r;
    bad[roughness_lengths + 2] = 200;
    EXPECT_EQ(roughness_texts(bad.data()).parts[2], "0,8");
}

TEST(RoughnessRules, ControlsWriteTheirFields) {
    RecordBytes r = record_of(annotation_roughness, roughness_head);
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_treatment_combo, 2));
    EXPECT_EQ(r[roughness_variant], 2);
    EXPECT_FALSE(roughness_apply_control(r.data(), roughness_treatment_combo, 3));
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_lay_combo, 7));
    EXPECT_EQ(r[7], 7);
    EXPECT_FALSE(roughness_apply_control(r.data(), roughness_lay_combo, 8));
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_contour_check, 1));
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_requirements_check, 1));
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_unmarked_check, 1));
    EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x0040 | 0x1000 | 0x0800);
    EXPECT_TRUE(roughness_apply_control(r.data(), roughness_contour_check, 0));
    EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x1000 | 0x0800);
    // A detached sign stands free under key 0.
    put_u32(r.data(), record_key, 77);
    put_u16(r.data(), annotation_flags, 0x0080 | 0x0001);
    roughness_detach(r.data());
    EXPECT_EQ(get_u32(r.data(), record_key), 0u);
    EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x0001);
}

// ---------------------------------------------------------------- text fragment

RecordBytes fragment_frame() {
    RecordBytes r = record_of(annotation_text_fragment, text_fragment_head);
    // Text box (12, 22)-(40, 30) inside a frame (10, 20)-(43, 33).
    put_f32(r.data(), text_fragment_corner1, 12);
    put_f32(r.data(), text_fragment_corner1 + 4, 22);
    put_f32(r.data(), text_fragment_corner2, 40);
    put_f32(r.data(), text_fragment_corner2 + 4, 30);
    put_f32(r.data(), text_fragment_frame1, 10);
    put_f32(r.data(), text_fragment_frame1 + 4, 20);
    put_f32(r.data(), text_fragment_frame2, 43);
    put_f32(r.data(), text_fragment_frame2 + 4, 33);
    return r;
}

TEST(FragmentRules, FixedSizes) {
    // Smallest width: 2 x 2 + 3 = 7; smallest height with text 5: 2 + 5 + 3 = 10.
    struct Case {
        double value;
        bool fixed;
    } widths[] = {{6.9, false}, {7.0, false}, {7.5, true}, {50, true}, {NAN, false}, {INFINITY, false}};
    for (const Case& c : widths) {
        RecordBytes r = fragment_frame();
        EXPECT_EQ(text_fragment_set_fixed_width(r.data(), c.value), c.fixed) << c.value;
        EXPECT_EQ((get_u16(r.data(), annotation_flags) & fragment_fixed_width) != 0, c.fixed);
        if (c.fixed) {
            EXPECT_NEAR(text_fragment_inner_width(r.data()), c.value, 1e-4);
            EXPECT_NEAR(get_f32(r.data(), text_fragment_frame2) - get_f32(r.data(), text_fragment_corner2), 3.0, 1e-4);
        } else {
            EXPECT_FLOAT_EQ(get_f32(r.data(), text_fragment_frame2), 43.0f);
        }
    }
    RecordBytes r = fragment_frame();
    put_u16(r.data(), annotation_flags, fragment_fixed_height);
    EXPECT_FALSE(text_fragment_set_fixed_height(r.data(), 9.9, 5.0));
    EXPECT_EQ(get_u16(r.data(), annotation_flags) & fragment_fixed_height, 0);
    EXPECT_TRUE(text_fragment_set_fixed_height(r.data(), 20.0, 5.0));
    EXPECT_NEAR(text_fragment_inner_height(r.data()), 20.0, 1e-4);
    EXPECT_NEAR(get_f32(r.data(), text_fragment_frame2 + 4) - get_f32(r.data(), text_fragment_corner2 + 4), 3.0, 1e-4);
}

TEST(FragmentRules, AlignmentEdgesAndErasing) {
    RecordBytes r = fragment_frame();
    ASSERT_TRUE(text_fragment_apply_alignment(r.data(), 1679));
    EXPECT_EQ(r[text_fragment_alignment], 1);
    EXPECT_DOUBLE_EQ(get_f64(r.data(), text_fragment_angle), -pi / 2);
    EXPECT_EQ(text_fragment_alignment_button(r.data()), 1679);
    ASSERT_TRUE(text_fragment_apply_alignment(r.data(), 1356));
    EXPECT_EQ(r[text_fragment_alignment], 2);
    EXPECT_DOUBLE_EQ(get_f64(r.data(), text_fragment_angle), 0.0);
    EXPECT_FALSE(text_fragment_apply_alignment(r.data(), 1357));
    // Edge boxes: pairs 6-7, 12-13, 10-11, 8-9; the thin box replaces the main.
    const struct { int main, thin, shift; } edges[] = {{1344, 1345, 6}, {1346, 1347, 12}, {1348, 1350, 10}, {1351, 1352, 8}};
    EXPECT_TRUE(text_fragment_erase_on_close(r.data()));
    for (auto e : edges) {
        RecordBytes x = fragment_frame();
        ASSERT_TRUE(text_fragment_apply_edge(x.data(), e.main, 1));
        EXPECT_EQ(get_u16(x.data(), annotation_flags), 1 << e.shift);
        EXPECT_FALSE(text_fragment_erase_on_close(x.data()));
        ASSERT_TRUE(text_fragment_apply_edge(x.data(), e.thin, 1));
        EXPECT_EQ(get_u16(x.data(), annotation_flags), 2 << e.shift);
        EXPECT_TRUE(text_fragment_edge_checked(x.data(), e.thin));
        EXPECT_FALSE(text_fragment_edge_checked(x.data(), e.main));
        ASSERT_TRUE(text_fragment_apply_edge(x.data(), e.main, 0));  // the main box was not the one checked
        EXPECT_EQ(get_u16(x.data(), annotation_flags), 2 << e.shift);
        ASSERT_TRUE(text_fragment_apply_edge(x.data(), e.thin, 0));
        EXPECT_EQ(get_u16(x.data(), annotation_flags), 0);
    }
    RecordBytes texted = record_of(annotation_text_fragment, text_fragment_head, "x");
    EXPECT_FALSE(text_fragment_erase_on_close(texted.data()));
}

TEST(FragmentRules, TextRoomIsTheRecordLimit) {
    // 2967 symbols of one class fill 989 words: a record of 2044 bytes.
    // Two characters of the starting class (no switches), alternating (no
    // repeats): three to a word.
    std::string two;
    for (int c = 33; c < 256 && two.size() < 2; ++c) {
        int cls = 0, sym = 0;
        text_char_symbol(static_cast<unsigned char>(c), &cls, &sym);
        if (cls == 5 && c != '\\') two += static_cast<char>(c);
    }
    ASSERT_EQ(two.size(), 2u);
    std::string fits;
    for (int i = 0; i < 2967; ++i) fits += two[i % 2];
    ASSERT_EQ(pack_whole_text(fits).size(), 1978u);
    RecordBytes old = fragment_frame(), out;
    const char* refusal = nullptr;
    ASSERT_TRUE(text_fragment_build(old.data(), fits, &out, &refusal));
    EXPECT_EQ(out.size(), 2044u);
    EXPECT_EQ(get_u16(out.data(), text_fragment_text_length), 2967);
    EXPECT_EQ(record_text(out.data(), text_fragment_head), fits);
    EXPECT_FALSE(text_fragment_build(old.data(), fits + two[1], &out, &refusal));
    EXPECT_STREQ(refusal, text_refusal_too_long);
    // 2,000 mixed characters: stored whole or refused, never cut.
    std::string mixed;
    for (int i = 0; i < 2000; ++i) mixed += (i % 2) ? "Я" : "z";
    if (text_fragment_build(old.data(), mixed, &out, &refusal)) {
        EXPECT_EQ(record_text(out.data(), text_fragment_head), mixed);
    } else {
        EXPECT_STREQ(refusal, text_refusal_too_long);
    }
}

// ---------------------------------------------------------------- section

TEST(SectionRules, LettersAreStoredAsTyped) {
    RecordBytes r = record_of(annotation_section, section_nodes + 8);
    r[section_nodes_count] = 1;
    for (const char* t : {"А", "АБ", "Б1", "A-A"}) {
        section_set_letters(r.data(), t);
        EXPECT_EQ(section_letters_text(r.data()), t);
    }
    section_set_letters(r.data(), "В   ");
    EXPECT_EQ(section_letters_text(r.data()), "В");
    // More than the four bytes hold: the first that fit.
    section_set_letters(r.data(), "АБВГДЕЖЗ");
    std::string kept = section_letters_text(r.data());
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(std::string("АБВГДЕЖЗ").compare(0, kept.size(), kept), 0);
    EXPECT_LT(kept.size(), 8u);
}

TEST(SectionRules, ControlsAndTheLastNode) {
    RecordBytes r = record_of(annotation_section, section_nodes + 3 * 8);
    r[section_nodes_count] = 3;
    for (int k = 0; k < 3; ++k) {
        put_f32(r.data(), section_nodes + 8 * k, 10.0f * k);
        put_f32(r.data(), section_nodes + 8 * k + 4, 5.0f);
    }
    ASSERT_TRUE(section_apply_control(r.data(), section_view_right, 1));
    ASSERT_TRUE(section_apply_control(r.data(), section_hide_bends, 1));
    EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x00C0);
    ASSERT_TRUE(section_apply_control(r.data(), section_view_left, 1));
    EXPECT_EQ(get_u16(r.data(), annotation_flags), 0x0080);
    RecordBytes shorter;
    ASSERT_TRUE(section_without_last_node(r.data(), &shorter));
    EXPECT_EQ(shorter.size(), r.size() - 8);
    EXPECT_EQ(get_u16(shorter.data(), record_length), shorter.size());
    EXPECT_EQ(shorter[section_nodes_count], 2);
    EXPECT_FLOAT_EQ(get_f32(shorter.data(), section_nodes + 8), 10.0f);
    RecordBytes one = shorter, none;
    ASSERT_TRUE(section_without_last_node(shorter.data(), &one));
    EXPECT_FALSE(section_without_last_node(one.data(), &none));
}

// ---------------------------------------------------------------- hatching

TEST(HatchRules, ParametersShownAndTyped) {
    const double deg = pi / 180;
    struct Case {
        int code, which;
        const char* typed;
        bool taken;
        double stored;
    } cases[] = {
        {1, 0, "30.7^", true, 30 * deg},    // rounded down to whole degrees
        {1, 0, "-45^", true, 45 * deg},     // the absolute value
        {1, 0, "0", true, pi / 4},          // 0 gives the default
        {1, 1, "0", true, 2.5},
        {7, 1, "0", true, 5.0},
        {11, 0, "3,5", true, 3.5},
        {11, 0, "-2", true, 2.0},
        {3, 1, "4", false, 0},              // no second parameter
        {0, 0, "4", false, 0},
        {10, 1, "4", false, 0},
        {1, 1, "1e999", false, 0},          // not finite: the old value stays
    };
    for (const Case& c : cases) {
        double v = -1;
        EXPECT_EQ(hatch_param_typed(c.code, c.which, c.typed, &v), c.taken) << c.code << " " << c.typed;
        if (c.taken) {
            EXPECT_NEAR(v, c.stored, 1e-9) << c.code << " " << c.typed;
        }
    }
    EXPECT_DOUBLE_EQ(hatch_param_shown(0, 0, 7.0), 0.0);
    EXPECT_DOUBLE_EQ(hatch_param_shown(10, 1, 7.0), 0.0);
}

TEST(HatchRules, KindChangeWritesTheDefaults) {
    RecordBytes r(hatching_record_size, 0);
    put_u16(r.data(), record_length, hatching_record_size);
    r[record_kind] = annotation_hatching;
    r[hatching_kind_code] = 1;
    put_f32(r.data(), hatching_param1, 0.3f);
    put_f32(r.data(), hatching_param2, 4.0f);
    EXPECT_FALSE(hatch_apply_kind(r.data(), 1));
    EXPECT_FLOAT_EQ(get_f32(r.data(), hatching_param2), 4.0f);
    ASSERT_TRUE(hatch_apply_kind(r.data(), 7));
    EXPECT_EQ(r[hatching_kind_code], 7);
    EXPECT_FLOAT_EQ(get_f32(r.data(), hatching_param1), static_cast<float>(pi / 4));
    EXPECT_FLOAT_EQ(get_f32(r.data(), hatching_param2), 5.0f);
    ASSERT_TRUE(hatch_apply_kind(r.data(), 10));
    EXPECT_FLOAT_EQ(get_f32(r.data(), hatching_param1), 0.0f);
    EXPECT_FLOAT_EQ(get_f32(r.data(), hatching_param2), 0.0f);
    EXPECT_FALSE(hatch_apply_kind(r.data(), 14));
    // A stored 30.7 degrees is written back as 30 when shown.
    ASSERT_TRUE(hatch_apply_kind(r.data(), 2));
    put_f32(r.data(), hatching_param1, static_cast<float>(30.7 * pi / 180));
    hatch_params_normalise(r.data());
    EXPECT_NEAR(get_f32(r.data(), hatching_param1), 30 * pi / 180, 1e-6);
}

TEST(HatchRules, NamesAndScrolling) {
    uint8_t name[6];
    hatch_name_from_text("AB   ", name);
    EXPECT_EQ(std::memcmp(name, "AB\0\0\0\0", 6), 0);
    hatch_name_from_text("ABCDEFGH", name);
    EXPECT_EQ(std::memcmp(name, "ABCDEF", 6), 0);
    hatch_name_from_text("ABCDEF ", name);
    EXPECT_EQ(std::memcmp(name, "ABCDEF", 6), 0);
    // SB_LINELEFT 0, SB_LINERIGHT 1, SB_PAGELEFT 2, SB_PAGERIGHT 3,
    // SB_THUMBPOSITION 4, SB_THUMBTRACK 5, SB_TOP 6, SB_BOTTOM 7.
    const struct { int start, request, thumb, result; } cases[] = {
        {0, 1, 0, 6}, {6, 0, 0, 0}, {6, 2, 0, 0}, {0, 3, 0, 6}, {0, 4, 1, 0}, {0, 4, 2, 2},
        {0, 5, 5, 5}, {0, 5, 6, 6}, {0, 4, 14, 6}, {3, 6, 0, 0}, {3, 7, 0, 6},
    };
    for (auto c : cases) EXPECT_EQ(hatch_scroll(c.start, c.request, c.thumb), c.result) << c.start << "/" << c.request;
    EXPECT_EQ(hatch_window_start(7), 6);
    EXPECT_EQ(hatch_window_start(3), 3);
}

// ---------------------------------------------------------------- dimension text

RecordBytes dimension_of(int kind, uint16_t value, uint16_t state) {
    RecordBytes d(dimension_record_size, 0);
    put_u16(d.data(), record_length, dimension_record_size);
    put_u16(d.data(), dimension_kind_word, static_cast<uint16_t>(kind));
    put_u16(d.data(), dimension_value_word, value);
    put_u16(d.data(), dimension_state, state);
    return d;
}

TEST(DimensionTextRules, InvisibleClearsMarking) {
    RecordBytes label = record_of(annotation_dimension_text, dimension_text_head);
    RecordBytes dim = dimension_of(0, 0, dim_state_marked);
    ASSERT_TRUE(dimension_text_apply_check(label.data(), dim.data(), dimtext_invisible, 1));
    EXPECT_EQ(get_u16(dim.data(), dimension_value_word) & dim_value_invisible, dim_value_invisible);
    EXPECT_EQ(get_u16(dim.data(), dimension_state) & dim_state_marked, 0);
    EXPECT_EQ(get_u16(label.data(), annotation_flags) & dimtext_label_invisible, dimtext_label_invisible);
    EXPECT_FALSE(dimension_text_controls(label.data(), dim.data()).mark_in_lists);
    EXPECT_FALSE(dimension_text_checked(label.data(), dim.data(), dimtext_mark_in_lists));
    // Marking an invisible dimension does nothing.
    ASSERT_TRUE(dimension_text_apply_check(label.data(), dim.data(), dimtext_mark_in_lists, 1));
    EXPECT_EQ(get_u16(dim.data(), dimension_state) & dim_state_marked, 0);
    ASSERT_TRUE(dimension_text_apply_check(label.data(), dim.data(), dimtext_invisible, 0));
    EXPECT_EQ(get_u16(label.data(), annotation_flags) & dimtext_label_invisible, 0);
    EXPECT_TRUE(dimension_text_controls(label.data(), dim.data()).mark_in_lists);
    const struct { int id; uint32_t at; uint16_t bit; bool on_label; } checks[] = {
        {dimtext_hide_nominal, annotation_flags, dimtext_label_no_nominal, true},
        {dimtext_mark_in_lists, dimension_state, dim_state_marked, false},
        {dimtext_nearest_points, dimension_state, dim_state_nearest, false},
        {dimtext_correct, dimension_state, dim_state_correct, false},
    };
    for (auto c : checks) {
        ASSERT_TRUE(dimension_text_apply_check(label.data(), dim.data(), c.id, 1));
        EXPECT_EQ(get_u16((c.on_label ? label : dim).data(), c.at) & c.bit, c.bit) << c.id;
        ASSERT_TRUE(dimension_text_apply_check(label.data(), dim.data(), c.id, 0));
        EXPECT_EQ(get_u16((c.on_label ? label : dim).data(), c.at) & c.bit, 0) << c.id;
    }
}

TEST(DimensionTextRules, EnableTable) {
    RecordBytes label = record_of(annotation_dimension_text, dimension_text_head);
    const struct { int kind; uint16_t value, state; bool nearest, correct; } cases[] = {
        {0, 0, 0, true, false}, {1, 0, 0, false, false}, {5, 0, 0, false, false},
        {2, 0, 0, true, false}, {2, dim_value_bit2, 0, false, false}, {0, 0, dim_state_measured, true, true},
    };
    for (auto c : cases) {
        RecordBytes dim = dimension_of(c.kind, c.value, c.state);
        DimensionTextControls e = dimension_text_controls(label.data(), dim.data());
        EXPECT_EQ(e.nearest_points, c.nearest) << c.kind;
        EXPECT_EQ(e.correct, c.correct) << c.kind;
        EXPECT_EQ(e.shows_value, c.correct) << c.kind;
    }
    // The text under the shelf: a label on a shelf takes one, a label
    // along the dimension line shows none (the line-end style bits 0-3 of
    // a new label do not matter).
    RecordBytes dim = dimension_of(0, 0, 0);
    put_u16(label.data(), annotation_flags, 0x0009);
    EXPECT_TRUE(dimension_text_controls(label.data(), dim.data()).under_text);
    put_u16(label.data(), annotation_flags, 0x0009 | dimtext_label_along_line);
    EXPECT_FALSE(dimension_text_controls(label.data(), dim.data()).under_text);
}

}  // namespace
