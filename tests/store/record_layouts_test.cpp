// Records written field by field through the layout offsets survive a trip
// through the store and a reopen, byte for byte and field for field.
#include "store_test_support.h"

#include "store/record_layouts.h"

#include <functional>

using namespace store_test;

namespace {

class RecordLayouts : public StoreTest {};

TEST_F(RecordLayouts, RecordsRoundTripThroughTheStore) {
    struct Case {
        const char* name;
        int table;
        std::vector<unsigned char> rec;
        std::function<void(const unsigned char*)> check;
    };
    std::vector<Case> cases;
    {
        std::vector<unsigned char> p(point_record_size, 0);
        put_u16(p.data(), record_length, point_record_size);
        put_u32(p.data(), point_number, 42);
        put_u16(p.data(), point_flags, point_flag_origin | point_flag_show_number);
        put_f64(p.data(), point_sketch_x, 1.5);
        put_f64(p.data(), point_true_y, -2.25);
        cases.push_back({"point", table_points, p, [](const unsigned char* r) {
                             EXPECT_EQ(get_u32(r, point_number), 42u);
                             EXPECT_EQ(get_u16(r, point_flags), point_flag_origin | point_flag_show_number);
                             EXPECT_EQ(get_f64(r, point_sketch_x), 1.5);
                             EXPECT_EQ(get_f64(r, point_true_y), -2.25);
                         }});
    }
    {
        std::vector<unsigned char> e(element_size3, 0);
        put_u16(e.data(), record_length, element_size3);
        put_u32(e.data(), element_number, 7);
        put_u16(e.data(), element_flags, element_kind_arc_centre | (5 << 4) | element_flag_purge);
        put_u16(e.data(), element_options, 3u << 13);
        put_u32(e.data(), element_points + 8, 99);
        put_f64(e.data(), element_coords3 + 40, 123.0);
        cases.push_back({"element", table_elements, e, [](const unsigned char* r) {
                             EXPECT_EQ(element_kind(r), element_kind_arc_centre);
                             EXPECT_EQ(element_line_type(r), 5);
                             EXPECT_EQ(element_layer(r), 3);
                             EXPECT_TRUE(get_u16(r, element_flags) & element_flag_purge);
                             EXPECT_EQ(get_u32(r, element_points + 8), 99u);
                             EXPECT_EQ(get_f64(r, element_coords3 + 40), 123.0);
                         }});
    }
    {
        std::vector<unsigned char> d(dimension_record_size + 6, 0);
        put_u16(d.data(), record_length, static_cast<uint16_t>(dimension_comment + 8));
        put_u32(d.data(), dimension_number, 5);
        put_f64(d.data(), dimension_nominal, 25.4);
        put_u16(d.data(), dimension_kind_word, 2 | (9 << 12));
        put_u16(d.data(), dimension_state, dimension_state_comment);
        put_u16(d.data(), dimension_comment_length, 8);
        put_f32(d.data(), dimension_centre + 4, 3.5f);
        d.resize(dimension_comment + 8);
        cases.push_back({"dimension with comment", table_dimensions, d, [](const unsigned char* r) {
                             EXPECT_EQ(get_u16(r, record_length), dimension_comment + 8);
                             EXPECT_EQ(dimension_kind(r), 2);
                             EXPECT_EQ(get_f64(r, dimension_nominal), 25.4);
                             EXPECT_EQ(get_f32(r, dimension_centre + 4), 3.5f);
                         }});
    }
    {
        std::vector<unsigned char> l(link_record_size, 0);
        put_u16(l.data(), record_length, link_record_size);
        put_u32(l.data(), link_point, 11);
        put_u32(l.data(), link_dimension, 12);
        cases.push_back({"link", table_links, l, [](const unsigned char* r) {
                             EXPECT_EQ(get_u32(r, link_point), 11u);
                             EXPECT_EQ(get_u32(r, link_dimension), 12u);
                         }});
    }
    {
        std::vector<unsigned char> a(leader_head + 4, 0);
        put_u16(a.data(), record_length, static_cast<uint16_t>(leader_head + 4));
        a[record_kind] = annotation_leader;
        put_u16(a.data(), annotation_flags, 9u << 7);
        put_f32(a.data(), leader_point3 + 4, 8.0f);
        std::vector<unsigned char> t(text_fragment_head, 0);
        put_u16(t.data(), record_length, text_fragment_head);
        t[record_kind] = annotation_text_fragment;
        put_u16(t.data(), annotation_flags, 6u << 2);
        put_f64(t.data(), text_fragment_angle, 0.5);
        cases.push_back({"leader", table_annotation, a, [](const unsigned char* r) {
                             EXPECT_EQ(annotation_size_index(r), 9);
                             EXPECT_EQ(get_f32(r, leader_point3 + 4), 8.0f);
                         }});
        cases.push_back({"text fragment", table_annotation, t, [](const unsigned char* r) {
                             EXPECT_EQ(annotation_size_index(r), 6);
                             EXPECT_EQ(get_f64(r, text_fragment_angle), 0.5);
                         }});
    }
    {
        std::vector<unsigned char> m(model_variable_head + 4, 0);
        put_u16(m.data(), record_length, static_cast<uint16_t>(m.size()));
        put_u32(m.data(), model_variable_id, 3);
        put_u16(m.data(), model_variable_flags, 2 | (4 << 5) | 0x4000);
        put_f64(m.data(), model_variable_value, 9.75);
        cases.push_back({"model variable", table_model, m, [](const unsigned char* r) {
                             EXPECT_EQ(model_variable_type(r), 2);
                             EXPECT_EQ(model_variable_name_length(r), 4);
                             EXPECT_EQ(get_f64(r, model_variable_value), 9.75);
                         }});
    }
    {
        std::vector<unsigned char> f(fragment_record_size, 0);
        put_u16(f.data(), record_length, fragment_record_size);
        f[record_kind] = 4;
        put_u16(f.data(), fragment_instance, 65535);
        put_f64(f.data(), fragment_angle, 1.25);
        cases.push_back({"fragment instance", table_construction, f, [](const unsigned char* r) {
                             EXPECT_EQ(get_u16(r, fragment_instance), 65535);
                             EXPECT_EQ(get_f64(r, fragment_angle), 1.25);
                         }});
        std::vector<unsigned char> s(sheet_record_size, 0);
        put_u16(s.data(), record_length, sheet_record_size);
        s[sheet_format] = 25;
        put_f32(s.data(), sheet_height, 297.0f);
        cases.push_back({"sheet", table_tables, s, [](const unsigned char* r) {
                             EXPECT_EQ(r[sheet_format], 25);
                             EXPECT_EQ(get_f32(r, sheet_height), 297.0f);
                         }});
    }
    DrawingFile* df = create();
    std::vector<RecordRef> heads(cases.size(), 0), refs(cases.size(), 0);
    for (size_t i = 0; i < cases.size(); ++i) {
        refs[i] = record_add(df, &heads[i], cases[i].rec.data(), &page_buffers[cases[i].table]);
        ASSERT_NE(refs[i], 0u) << cases[i].name;
    }
    df = reopen(df);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        unsigned char* r = record_read_at(df, &refs[i], &page_buffers[cases[i].table]);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(std::memcmp(r, cases[i].rec.data(), cases[i].rec.size()), 0);
        cases[i].check(r);
    }
}

TEST_F(RecordLayouts, KindsOutsideTheTableAreToldApart) {
    for (int k = 0; k < 16; ++k) EXPECT_EQ(element_kind_valid(k), k >= 1 && k <= 12) << k;
    EXPECT_EQ(curve_record_length(3, false), 108u);
    EXPECT_EQ(curve_record_length(3, true), 124u);
}

}  // namespace
