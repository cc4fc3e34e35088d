// "Для всех" of the text height on a drawing: every text of another height
// takes the default and is laid out again by its kind; hatchings and texts
// of that height are left alone; a dimension label without its dimension
// is removed and reported.
#include "tests/annotation/annotation_doc_fixture.h"

#include "annotation/annotation_layout.h"
#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_tools.h"
#include "annotation/properties_layout_binding.h"
#include "annotation/properties_layout_seams.h"
#include "annotation/roughness_placement.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "shell/core/text_height_all.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

#include <cmath>
#include <vector>

namespace {

using doc_test::Bytes;

class TextHeightAll : public annotation_test::AnnotationDocTest {
protected:
    RecordRef pref2 = 0;
    AnnotationStage st;
    static std::vector<uint32_t> relaid;

    void SetUp() override {
        AnnotationDocTest::SetUp();
        pref2 = doc_test::add_projection(2);
        relaid.clear();
        properties_layout.relayout_dimension = [](uint8_t*, uint32_t number) {
            relaid.push_back(number);
            return 1;
        };
    }
    uint8_t* projection(RecordRef ref) {
        return record_read_at(current_drawing_file(), &ref, &page_buffers[table_projections]);
    }
    std::vector<Bytes> annotations(RecordRef p) {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection(p), projection_annotations);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table_annotation]); r;
             r = record_next(df, &h, r, &page_buffers[table_annotation]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    const Bytes* of_kind(const std::vector<Bytes>& all, int kind) {
        for (const Bytes& b : all)
            if (b[record_kind] == kind) return &b;
        return nullptr;
    }
    // A dimension label (kind 0) of dimension `number` with size index `index`.
    static Bytes label(uint32_t number, int index) {
        Bytes r(dimension_text_head + 2, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), record_key, number);
        r[record_kind] = annotation_dimension_text;
        put_u16(r.data(), annotation_flags, static_cast<uint16_t>(index << 7));
        return r;
    }
    static double width_of(const char* text, int index) {
        select_text_font(index, 1, 0);
        double w = 0;
        measure_text(text, &w, nullptr);
        return w;
    }
    static double shelf(const Bytes& leader) {
        return std::fabs(get_f32(leader.data(), leader_point3) - get_f32(leader.data(), leader_point2));
    }
};
std::vector<uint32_t> TextHeightAll::relaid;

TEST(AnnotationSizeIndex, FieldByKind) {
    struct Case {
        int kind;
        uint16_t flags;
        int index;
        bool changed;
        uint16_t after;
    } cases[] = {
        {annotation_dimension_text, 0x0010, 5, true, 0x0010 | (5 << 7)},
        {annotation_leader, static_cast<uint16_t>(0xF87F | (2 << 7)), 9, true, static_cast<uint16_t>(0xF87F | (9 << 7))},
        {annotation_text_fragment, 0xFFC3, 1, true, 0xFFC3 | (1 << 2)},
        {annotation_section, 0x0001 | (4 << 2), 4, false, 0x0001 | (4 << 2)},  // already that height
        {annotation_roughness, 0x0040, 3, true, 0x0040 | (3 << 2)},
        {annotation_tolerance, 0x0200 | (7 << 2), 0, true, 0x0200},
        {annotation_hatching, 0x0001, 5, false, 0x0001},  // no text
        {7, 0, 5, false, 0},
    };
    for (const Case& c : cases) {
        uint8_t rec[16] = {};
        rec[record_kind] = static_cast<uint8_t>(c.kind);
        put_u16(rec, annotation_flags, c.flags);
        EXPECT_EQ(annotation_size_index_set(rec, c.index), c.changed) << c.kind;
        EXPECT_EQ(get_u16(rec, annotation_flags), c.after) << c.kind;
    }
    uint8_t rec[16] = {};
    rec[record_kind] = annotation_leader;
    EXPECT_FALSE(annotation_size_index_set(rec, 10));  // outside the table
    EXPECT_EQ(get_u16(rec, annotation_flags), 0);
}

TEST_F(TextHeightAll, EveryOtherHeightTakesTheDefaultAndIsLaidOutAgain) {
    // Projection 1: a leader, a text fragment, a section designation and a
    // hatching placed by the tools (default height, index 2: 3.5 mm), a
    // label of dimension 7, and a leader already at the new height.
    // Projection 2: only a text already at the new height.
    const int to = 5;  // 10 mm
    RecordRef l = place_leader(projection(pref), &st, 100, 50, false);
    ASSERT_NE(l, 0u);
    // The leader gets a text so that its shelf follows the text width.
    {
        uint8_t* r = annotation_record_at(l);
        ASSERT_NE(r, nullptr);
        Bytes b(r, r + get_u16(r, 0));
        RecordBytes packed = pack_whole_text("AB");
        b.resize(leader_head);
        b.insert(b.end(), packed.begin(), packed.end());
        put_u16(b.data(), record_length, static_cast<uint16_t>(b.size()));
        b[leader_first_length] = 2;
        RecordRef ref = l;
        ASSERT_NE(projection_annotation_replace(projection(pref), &ref, b.data()), nullptr);
    }
    st.selected_annotation_ref = 0;
    ASSERT_NE(place_text_fragment(projection(pref), &st, 40, 80, false), 0u);
    st.selected_annotation_ref = 0;
    ASSERT_NE(place_section_node(projection(pref), &st, 10, 10), 0u);
    ASSERT_NE(place_section_node(projection(pref), &st, 60, 10), 0u);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, [] {
        Bytes d(100, 0);
        put_u16(d.data(), record_length, 100);
        put_u32(d.data(), record_key, 7);
        return d;
    }());
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(7, 2));
    Bytes hatching(44, 0);
    put_u16(hatching.data(), record_length, 44);
    hatching[record_kind] = annotation_hatching;
    put_u16(hatching.data(), annotation_flags, 0x0001);
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, hatching);
    std::vector<Bytes> before = annotations(pref);
    const Bytes* lb = of_kind(before, annotation_leader);
    ASSERT_NE(lb, nullptr);
    ASSERT_EQ(annotation_size_index(lb->data()), 2);
    double shelf_before = shelf(*lb);
    st.selected_annotation_ref = 0;
    RecordRef same = place_text_fragment(projection(pref2), &st, 0, 0, false);
    ASSERT_NE(same, 0u);
    annotation_size_index_set(annotation_record_at(same), to);
    Bytes in_second = annotations(pref2)[0];

    TextHeightAllResult r = text_height_apply_to_all(current_drawing_file(), to);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.records, 4u);  // leader, text fragment, section, label
    EXPECT_EQ(r.projections, 1u);
    EXPECT_EQ(relaid, std::vector<uint32_t>{7});

    std::vector<Bytes> after = annotations(pref);
    ASSERT_EQ(after.size(), before.size());
    for (const Bytes& b : after) {
        if (b[record_kind] == annotation_hatching) EXPECT_EQ(b, hatching);
        else EXPECT_EQ(annotation_size_index(b.data()), to) << int(b[record_kind]);
    }
    // The leader's shelf and the text fragment's frame follow the new width
    // of their texts (the font's width grows with the height).
    const Bytes* la = of_kind(after, annotation_leader);
    ASSERT_NE(la, nullptr);
    // The shelf: the upper text's width and one text height (it was laid
    // out for the empty text, one text height of 3.5 mm, before).
    EXPECT_NEAR(shelf_before, annotation_text_height(2), 1e-3);
    TextMetrics ma{};
    ASSERT_EQ(measure_annotation_text(la->data(), &ma), 1);
    EXPECT_NEAR(ma.line[0].width, width_of("AB", to), 1e-3);
    EXPECT_NEAR(shelf(*la), width_of("AB", to) + annotation_text_height(to), 1e-3);
    const Bytes* tf = of_kind(after, annotation_text_fragment);
    ASSERT_NE(tf, nullptr);
    EXPECT_NEAR(get_f32(tf->data(), text_fragment_corner2) - get_f32(tf->data(), text_fragment_corner1),
                width_of("Текст", to), 1e-3);
    EXPECT_EQ(annotations(pref2)[0], in_second);

    // Nothing left to change the second time.
    relaid.clear();
    r = text_height_apply_to_all(current_drawing_file(), to);
    EXPECT_EQ(r.records, 0u);
    EXPECT_EQ(r.projections, 0u);
    EXPECT_TRUE(relaid.empty());
}

TEST_F(TextHeightAll, RoughnessSignOnALeaderRefitsTheShelfAndAnOrphanStandsFree) {
    // A sign carried by a leader (the roughness tool on a selected leader),
    // and a sign that claims a leader of key 999 that does not exist.
    const int to = 5;
    RecordRef l = place_leader(projection(pref), &st, 100, 50, false);
    ASSERT_NE(l, 0u);
    st.selected_annotation_ref = l;
    ASSERT_NE(place_roughness_sign(projection(pref), &st, 0, 0, 100, 50), 0u);
    Bytes orphan(roughness_head, 0);
    put_u16(orphan.data(), record_length, roughness_head);
    put_u32(orphan.data(), record_key, 999);
    orphan[record_kind] = annotation_roughness;
    put_u16(orphan.data(), annotation_flags, static_cast<uint16_t>(0x0001 | 0x0080 | (2 << 2)));
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, orphan);

    TextHeightAllResult r = text_height_apply_to_all(current_drawing_file(), to);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.records, 3u);
    std::vector<Bytes> after = annotations(pref);
    const Bytes* leader = of_kind(after, annotation_leader);
    ASSERT_NE(leader, nullptr);
    const Bytes* carried = nullptr;
    const Bytes* freed = nullptr;
    for (const Bytes& b : after)
        if (b[record_kind] == annotation_roughness)
            (get_u32(b.data(), record_key) == get_u32(leader->data(), record_key) ? carried : freed) = &b;
    ASSERT_NE(carried, nullptr);
    ASSERT_NE(freed, nullptr);
    // A sign without texts: legs at 60 degrees, the long one two text
    // heights: 3 h / tan 60 wide, 2 h high, h the new text height.
    double h = annotation_text_height(to);
    EXPECT_NEAR(get_f32(leader->data(), leader_shelf), 3 * h / std::sqrt(3.0), 1e-3);
    EXPECT_NEAR(get_f32(leader->data(), leader_shelf + 4), 2 * h, 1e-3);
    EXPECT_EQ(annotation_size_index(carried->data()), to);
    EXPECT_EQ((get_u16(carried->data(), annotation_flags) >> 7) & 3, 1);
    // The sign stands on the leader's shelf.
    EXPECT_NEAR(get_f32(carried->data(), roughness_tip + 4), get_f32(leader->data(), leader_point3 + 4), 1e-4);
    // The sign without its leader is free: no attachment, no key.
    EXPECT_EQ((get_u16(freed->data(), annotation_flags) >> 7) & 3, 0);
    EXPECT_EQ(get_u32(freed->data(), record_key), 0u);
    EXPECT_EQ(annotation_size_index(freed->data()), to);
    EXPECT_EQ(error_flag, 0);
}

TEST_F(TextHeightAll, LabelWithoutItsDimensionIsRemovedAndEndsTheWalk) {
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(9, 2));
    TextHeightAllResult r = text_height_apply_to_all(current_drawing_file(), 4);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(annotations(pref).empty());
    EXPECT_TRUE(relaid.empty());
    EXPECT_TRUE(get_u16(current_drawing_file()->header, header_options) & header_opt_failed);
    EXPECT_EQ(messages_with("в структуре данных"), 1);
    error_flag = 0;
}

}  // namespace
