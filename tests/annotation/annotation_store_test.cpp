// The annotation tools on a drawing: records placed in the projection's
// annotation chain (leaders, Shift-clones, texts, section nodes, tolerance
// frames), the measuring of leader texts with the program's fonts, moves
// through the chain and the layout services the property dialogs call.
#include "tests/annotation/annotation_doc_fixture.h"

#include "annotation/annotation_layout.h"
#include "annotation/annotation_move.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_texts.h"
#include "annotation/annotation_tools.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_layout_binding.h"
#include "annotation/properties_layout_seams.h"
#include "annotation/properties_binding.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

#include <cfloat>
#include <cmath>

namespace {

using doc_test::Bytes;

class AnnotationStore : public annotation_test::AnnotationDocTest {
protected:
    AnnotationStage st;

    RecordRef add(const Bytes& r) {
        return doc_test::add_to_projection(pref, projection_annotations, table_annotation, r);
    }
    std::vector<Bytes> chain(uint32_t offset, int table) {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection(), offset);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r;
             r = record_next(df, &h, r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    std::vector<Bytes> annotations() { return chain(projection_annotations, table_annotation); }
    Bytes at(RecordRef ref) {
        uint8_t* r = annotation_record_at(ref);
        return r ? Bytes(r, r + get_u16(r, 0)) : Bytes();
    }
    static Bytes leader(const std::string& upper, const std::string& lower, uint16_t flags) {
        RecordBytes packed = pack_whole_text(upper + lower);
        if (packed.empty()) packed.assign(2, 0);
        Bytes r(leader_head, 0);
        r.insert(r.end(), packed.begin(), packed.end());
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        r[record_kind] = annotation_leader;
        r[leader_first_length] = static_cast<uint8_t>(upper.size());
        put_u16(r.data(), annotation_flags, flags);
        return r;
    }
    static double width_of(const char* text, int index, int slant, int font_b) {
        select_text_font(index, slant, font_b);
        double w = 0;
        measure_text(text, &w, nullptr);
        return w;
    }
};

TEST_F(AnnotationStore, LeaderTextsMeasuredWithTheirFont) {
    uint16_t style = static_cast<uint16_t>(0x10 | (4 << 7));  // slanted, height 4
    Bytes ones = leader("11", "", style), zero_one = leader("01", "", style);
    TextMetrics a{}, b{};
    ASSERT_EQ(measure_annotation_text(ones.data(), &a), 1);
    ASSERT_EQ(measure_annotation_text(zero_one.data(), &b), 1);
    EXPECT_DOUBLE_EQ(a.line[0].width, b.line[0].width);
    EXPECT_DOUBLE_EQ(a.line[0].width, width_of("01", 4, 1, 0));
    EXPECT_GT(a.line[0].width, 0);

    // A leader carrying a sign: the shelf reserved for it widens the text.
    Bytes carrier = leader("Ra", "", static_cast<uint16_t>(style | 0x8000));
    put_f32(carrier.data(), leader_shelf, 7.0f);
    put_f32(carrier.data(), leader_shelf + 4, 3.0f);
    TextMetrics c{};
    ASSERT_EQ(measure_annotation_text(carrier.data(), &c), 1);
    EXPECT_NEAR(c.line[0].width, width_of("Ra", 4, 1, 0) + sheet_to_model_length(1.24) + 7.0, 1e-9);

    // Stacked notes (code 4): the widest line, one step per line.
    Bytes notes = leader("1", "ab\\ncdefgh\\nx", static_cast<uint16_t>(style | 0x40 | (4 << 11)));
    TextMetrics n{};
    ASSERT_EQ(measure_annotation_text(notes.data(), &n), 1);
    EXPECT_DOUBLE_EQ(n.line[1].width, width_of("cdefgh", 4, 1, 0));
    EXPECT_NEAR(n.line[1].height, 3 * (sheet_to_model_length(1.24) + text_line_step(4)), 1e-9);

    // The measurer is bound and the annotation box follows it.
    ASSERT_EQ(kernel_measurers.annotation_text_metrics, &measure_annotation_text);
    Box box{};
    EXPECT_EQ(properties_layout.annotation_box(projection(), ones.data(), &box), 1);
    ones[leader_first_length] = 40;  // past its text: no box, no crash
    EXPECT_EQ(properties_layout.annotation_box(projection(), ones.data(), &box), 0);
}

TEST_F(AnnotationStore, LeaderPlacedAndLaidOutAtTheClick) {
    RecordRef ref = place_leader(projection(), &st, 100, 50, false);
    ASSERT_NE(ref, 0u);
    EXPECT_EQ(st.selected_annotation_ref, ref);
    Bytes r = at(ref);
    ASSERT_EQ(r.size(), 68u);
    EXPECT_EQ(annotations().size(), 1u);
    double h = sheet_to_model_length(1.2);
    EXPECT_FLOAT_EQ(pair(r, leader_point1).x, 100 - h / 2);
    // An empty text: the shelf one text height long, centred on the click.
    double th = sheet_to_model_length(text_settings.text_heights[default_height_index()]);
    Point2 p2 = pair(r, leader_point2), p3 = pair(r, leader_point3);
    EXPECT_NEAR(std::fabs(p3.x - p2.x), th, 1e-3);
    EXPECT_NEAR((p2.x + p3.x) / 2, 100, 1e-3);
    EXPECT_EQ(p2.y, p3.y);
}

TEST_F(AnnotationStore, ShiftCloneCountsOnOrKeepsATooLongText) {
    RecordRef src = add(leader("поз 9", "низ", static_cast<uint16_t>(0x40 | (2 << 7))));
    Bytes source = at(src);
    st.clone_source = src;
    RecordRef c1 = place_leader(projection(), &st, 10, 10, true);
    ASSERT_NE(c1, 0u);
    LeaderTexts t = leader_texts(annotation_record_at(c1));
    EXPECT_EQ(t.upper, "поз 10");
    EXPECT_EQ(t.lower, "низ");
    EXPECT_EQ(st.clone_source, c1);  // the clone source moves on
    // Without Shift the text is copied as it is.
    RecordRef c2 = place_leader(projection(), &st, 20, 10, false);
    EXPECT_EQ(leader_texts(annotation_record_at(c2)).upper, "поз 10");

    // 255 characters ending in 99 would grow to 256: copied unchanged.
    std::string upper(253, 'a');
    upper += "99";
    RecordRef big = add(leader(upper, "", 0));
    st.clone_source = big;
    RecordRef c3 = place_leader(projection(), &st, 30, 10, true);
    ASSERT_NE(c3, 0u);
    EXPECT_EQ(leader_texts(annotation_record_at(c3)).upper, upper);
    // The source itself never changes.
    bool found = false;
    for (const Bytes& b : annotations()) found = found || b == source;
    EXPECT_TRUE(found);
}

TEST_F(AnnotationStore, TextFragmentAtTheClick) {
    RecordRef ref = place_text_fragment(projection(), &st, 40, 80, false);
    ASSERT_NE(ref, 0u);
    Bytes r = at(ref);
    EXPECT_EQ(record_text(r.data(), text_fragment_head), "Текст");
    EXPECT_EQ(get_u16(r.data(), text_fragment_text_length), 5);
    EXPECT_EQ(get_u16(r.data(), text_fragment_lines), 1);
    uint16_t f = get_u16(r.data(), annotation_flags);
    EXPECT_EQ(f & 3, 2);  // slanted, font A
    int index = (f >> 2) & 0x0F;
    double w = width_of("Текст", index, 1, 0);
    EXPECT_FLOAT_EQ(get_f32(r.data(), text_fragment_corner1), 40);
    EXPECT_FLOAT_EQ(get_f32(r.data(), text_fragment_corner2 + 4), 80);
    EXPECT_NEAR(get_f32(r.data(), text_fragment_corner2), 40 + w, 1e-3);
    double m = sheet_to_model_length(1.24);
    EXPECT_NEAR(get_f32(r.data(), text_fragment_frame1), 40 - m, 1e-3);
    EXPECT_NEAR(get_f32(r.data(), text_fragment_frame2 + 4), 80 + m, 1e-3);
    EXPECT_LT(get_f32(r.data(), text_fragment_baseline), 80);
    EXPECT_GE(get_f32(r.data(), text_fragment_baseline), get_f32(r.data(), text_fragment_corner1 + 4));

    // A text read from an exchange file: its height index kept within 0..9.
    RecordRef imported = place_imported_text(projection(), 0, 0, 12, "ABC");
    ASSERT_NE(imported, 0u);
    Bytes i = at(imported);
    EXPECT_EQ((get_u16(i.data(), annotation_flags) >> 2) & 0x0F, 9);
    EXPECT_EQ(record_text(i.data(), text_fragment_head), "ABC");
}

TEST_F(AnnotationStore, SectionNodesUpTo249ThenRefused) {
    RecordRef ref = 0;
    for (int i = 0; i < 249; ++i) {
        ref = place_section_node(projection(), &st, i, 2 * i);
        ASSERT_NE(ref, 0u) << i;
    }
    EXPECT_EQ(annotations().size(), 1u);
    Bytes full = at(ref);
    EXPECT_EQ(full.size(), 2042u);
    EXPECT_EQ(pair(full, section_nodes + 8 * 248).y, 2 * 248);
    std::vector<Bytes> before = annotations();
    EXPECT_EQ(place_section_node(projection(), &st, 0, 0), 0u);
    EXPECT_EQ(annotations(), before);
    EXPECT_EQ(messages_with("Зачем столько узловых точек сечения?"), 1);
    // Another selection starts a new designation.
    st.selected_annotation_ref = 0;
    EXPECT_NE(place_section_node(projection(), &st, 5, 5), 0u);
    EXPECT_EQ(annotations().size(), 2u);
}

TEST_F(AnnotationStore, ToleranceFrameOnItsElement) {
    Bytes e(element_size2, 0);
    put_u16(e.data(), record_length, element_size2);
    put_u32(e.data(), element_number, 8);
    put_u16(e.data(), element_flags, element_kind_segment);
    put_f64(e.data(), element_coords2, 0.0);
    put_f64(e.data(), element_coords2 + 8, -50.0);
    put_f64(e.data(), element_coords2 + 16, 100.0);
    put_f64(e.data(), element_coords2 + 24, -50.0);
    doc_test::add_to_projection(pref, projection_elements, table_elements, e);

    RecordRef ref = place_tolerance_designation(projection(), &st, 8, 40, 0);
    ASSERT_NE(ref, 0u);
    Bytes r = at(ref);
    EXPECT_NE(get_f32(r.data(), tolerance_frame_side), FLT_MAX);
    EXPECT_NEAR(pair(r, tolerance_leader_target).x, 40, 1e-3);
    EXPECT_NEAR(pair(r, tolerance_leader_target).y, -50, 1e-3);
    EXPECT_GT(get_f32(r.data(), tolerance_frame2), 40);  // the texts gave it a width

    // No element with that number: nothing stays in the chain.
    std::vector<Bytes> before = annotations();
    EXPECT_EQ(place_tolerance_designation(projection(), &st, 9, 0, 0), 0u);
    EXPECT_EQ(annotations(), before);
    EXPECT_EQ(st.selected_annotation_ref, 0u);
}

TEST_F(AnnotationStore, MovesThroughTheChain) {
    // A label whose dimension is gone is deleted with the message.
    Bytes label(dimension_text_head + 2, 0);
    put_u16(label.data(), record_length, static_cast<uint16_t>(label.size()));
    put_u32(label.data(), record_key, 4711);
    st.selected_annotation_ref = add(label);
    int hint = -1;
    EXPECT_EQ(move_selected_annotation(projection(), &st, 1, 1, false, &hint), annotation_move_label_orphan);
    EXPECT_EQ(annotations().size(), 0u);
    EXPECT_EQ(messages_with("Недопустимые данные или неправильно описан размер"), 1);

    // A bound text without Ctrl stays; with Ctrl it moves and is unbound.
    RecordRef text = place_text_fragment(projection(), &st, 0, 0, false);
    ASSERT_NE(text, 0u);
    put_u32(annotation_record_at(text), text_fragment_binding, 3);
    Bytes before = at(text);
    st.selected_annotation_ref = text;
    EXPECT_EQ(move_selected_annotation(projection(), &st, 30, 30, false, &hint), annotation_move_refused_bound);
    EXPECT_EQ(at(text), before);
    EXPECT_EQ(move_selected_annotation(projection(), &st, 30, 30, true, &hint), annotation_move_done);
    EXPECT_EQ(hint, 1);
    Bytes moved = at(text);
    EXPECT_EQ(get_u32(moved.data(), text_fragment_binding), 0u);
    EXPECT_EQ(pair(moved, text_fragment_corner1).x, 30);

    // A leader follows the mouse with its shelf; its arrow end stays.
    RecordRef l = place_leader(projection(), &st, 0, 0, false);
    Point2 tip = pair(at(l), leader_point1);
    st.selected_annotation_ref = l;
    EXPECT_EQ(move_selected_annotation(projection(), &st, 50, 20, false, &hint), annotation_move_done);
    Bytes lr = at(l);
    EXPECT_EQ(pair(lr, leader_point1).x, tip.x);
    EXPECT_NEAR((pair(lr, leader_point2).x + pair(lr, leader_point3).x) / 2, 50, 1e-3);
}

TEST_F(AnnotationStore, LeaderLayoutOfAMissingRecordIsReported) {
    RecordRef none = 0;
    EXPECT_EQ(layout_leader_at_point(projection(), &none, 0, 0, false), nullptr);
    EXPECT_EQ(messages_with("E20449"), 1);
}

}  // namespace
