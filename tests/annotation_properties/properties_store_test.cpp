// The property code on a drawing: texts re-stored in the annotation chain,
// refusals that leave the chains as they were, the backup that Cancel puts
// back (with the records that depend on the dialog's own), deleting a
// roughness sign with its leader, and names found across the drawing.
#include "tests/documents/doc_test_support.h"

#include "annotation/annotation_properties.h"
#include "annotation/hatching_properties.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_binding.h"
#include "annotation/roughness_properties.h"
#include "annotation/text_fragment_properties.h"
#include "annotation/tolerance_properties.h"
#include "geometry/kernel_context.h"
#include "render/text/text_fragment_layout.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;

class PropertiesStore : public doc_test::DocTest {
protected:
    RecordRef pref = 0;

    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        ASSERT_EQ(settings_block_unpack(), 0);
        ASSERT_EQ(drawing_new(1), 0);
        pref = doc_test::add_projection(1);
    }
    void TearDown() override {
        text_fragment_set_text_hook = nullptr;
        DocTest::TearDown();
        settings_block_free();
    }
    uint8_t* projection() {
        RecordRef at = pref;
        return record_read_at(current_drawing_file(), &at, &page_buffers[table_projections]);
    }
    RecordRef add(const Bytes& r) {
        return doc_test::add_to_projection(pref, projection_annotations, table_annotation, r);
    }
    RecordRef add_dimension(const Bytes& r) {
        return doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, r);
    }
    // Every record of a chain of the projection, in chain order.
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
    // The annotation and dimension chains as one sorted list: the state a
    // dialog must leave as it found it (references may differ).
    std::vector<Bytes> state() {
        std::vector<Bytes> s = annotations();
        for (Bytes& d : chain(projection_dimensions, table_dimensions)) s.push_back(d);
        std::sort(s.begin(), s.end());
        return s;
    }
    std::vector<Bytes> title_block() {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(df->header, header_title_block);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table_title_block]); r;
             r = record_next(df, &h, r, &page_buffers[table_title_block]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    static Bytes record(int kind, size_t head, uint32_t key, uint16_t flags, const std::string& text = "") {
        RecordBytes packed = pack_whole_text(text);
        Bytes r(head, 0);
        r.insert(r.end(), packed.begin(), packed.end());
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), record_key, key);
        r[record_kind] = static_cast<uint8_t>(kind);
        put_u16(r.data(), annotation_flags, flags);
        return r;
    }
    static Bytes leader(uint32_t key, const std::string& upper, const std::string& lower, uint16_t flags = 0) {
        Bytes r = record(annotation_leader, leader_head, key, flags, upper + lower);
        if (upper.empty() && lower.empty()) {
            r.resize(68, 0);
            put_u16(r.data(), record_length, 68);
        }
        r[leader_first_length] = static_cast<uint8_t>(upper.size());
        return r;
    }
    static Bytes dimension(uint32_t number, uint16_t value, uint16_t state) {
        Bytes d(dimension_record_size, 0);
        put_u16(d.data(), record_length, dimension_record_size);
        put_u32(d.data(), dimension_number, number);
        put_u16(d.data(), dimension_value_word, value);
        put_u16(d.data(), dimension_state, state);
        return d;
    }
};

TEST_F(PropertiesStore, LeaderTextsAreStoredOrRefusedWhole) {
    add(record(annotation_text_fragment, text_fragment_head, 0, 0, "other"));
    RecordRef ref = add(leader(0, "", ""));
    std::vector<Bytes> before = state();
    std::string upper(256, 'a');
    unsigned char* r = leader_record_set_texts(projection(), &ref, upper.c_str(), nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(messages_with("длина текста"), 1);
    upper.pop_back();
    r = leader_record_set_texts(projection(), &ref, upper.c_str(), "под полкой");
    ASSERT_NE(r, nullptr);
    LeaderTexts t = leader_texts(annotation_record_at(ref));
    EXPECT_EQ(t.upper, upper);
    EXPECT_EQ(t.lower, "под полкой");
    EXPECT_EQ(annotations().size(), 2u);
    EXPECT_EQ(messages_with("длина текста"), 1);
}

TEST_F(PropertiesStore, FragmentTextThroughTheLayoutHook) {
    annotation_properties_bind();
    ASSERT_EQ(text_fragment_set_text_hook, &text_fragment_set_text);
    RecordRef ref = add(record(annotation_text_fragment, text_fragment_head, 0, 0, "старый"));
    std::vector<Bytes> before = state();
    std::string big;
    for (int i = 0; i < 2968; ++i) big += (i % 2) ? "а" : "б";  // 2968 symbols: one word too many
    unsigned char* r = text_fragment_set_text_hook(projection(), annotation_record_at(ref), big.c_str(), 780);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(messages_with("Слишком длинный текст"), 1);
    big.pop_back();
    r = text_fragment_set_text_hook(projection(), annotation_record_at(ref), big.c_str(), 780);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(get_u16(r, record_length), 2044);
    EXPECT_EQ(record_text(r, text_fragment_head), big);
    EXPECT_EQ(annotations().size(), 1u);
}

TEST_F(PropertiesStore, CancelPutsBackALabelAndItsDimension) {
    add_dimension(dimension(7, 0, 0x0020));
    RecordRef ref = add(record(annotation_dimension_text, dimension_text_head, 7, 0, "50"));
    std::vector<Bytes> before = state();
    RecordBackup backup;
    ASSERT_TRUE(annotation_backup_take(projection(), ref, false, &backup));
    ASSERT_EQ(backup.items.size(), 2u);
    // The dialog makes the dimension invisible (both records change) and
    // re-stores the label with a new style.
    unsigned char* label = annotation_record_at(ref);
    put_u16(label, annotation_flags, 0x1000 | 0x0010);
    page_buffers[table_annotation].clean = 0;
    uint8_t* d = record_find_key(current_drawing_file(), projection_chain(projection(), projection_dimensions), 7,
                                 nullptr, &page_buffers[table_dimensions]);
    ASSERT_NE(d, nullptr);
    put_u16(d, dimension_value_word, 0x0008);
    put_u16(d, dimension_state, 0);
    page_buffers[table_dimensions].clean = 0;
    ASSERT_NE(state(), before);
    ASSERT_TRUE(annotation_backup_restore(projection(), &ref, backup));
    EXPECT_EQ(state(), before);
    EXPECT_EQ(get_u16(annotation_record_at(ref), annotation_flags), 0);
}

TEST_F(PropertiesStore, CancelPutsBackASignAndItsCarryingLeader) {
    RecordRef lref = add(leader(31, "", "", 0x8000));
    RecordRef ref = add(record(annotation_roughness, roughness_head, 31, 0x0080));
    (void)lref;
    std::vector<Bytes> before = state();
    RecordBackup backup;
    ASSERT_TRUE(annotation_backup_take(projection(), ref, false, &backup));
    ASSERT_EQ(backup.items.size(), 2u);
    // A text replaced and the leader's shelf refitted, then Cancel.
    RecordRef* head = projection_chain(projection(), projection_annotations);
    ASSERT_NE(roughness_record_set_text(head, &ref, "Ra 1,6", roughness_parameter_edit, &page_buffers[table_annotation]),
              nullptr);
    unsigned char* l = annotation_find_key_kind(projection(), 31, annotation_leader, nullptr);
    ASSERT_NE(l, nullptr);
    put_f32(l, leader_shelf, 12.5f);
    page_buffers[table_annotation].clean = 0;
    ASSERT_NE(state(), before);
    ASSERT_TRUE(annotation_backup_restore(projection(), &ref, backup));
    EXPECT_EQ(state(), before);
}

TEST_F(PropertiesStore, CancelOfTheGeneralSignKeepsItInTheTitleBlock) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_title_block);
    Bytes general = record(annotation_roughness, roughness_head, roughness_general_key, 0x0004);
    RecordRef ref = record_add(df, head, general.data(), &page_buffers[table_title_block]);
    ASSERT_NE(ref, 0u);
    RecordBackup backup;
    ASSERT_TRUE(annotation_backup_take(projection(), ref, true, &backup));
    ASSERT_NE(roughness_record_set_text(head, &ref, "Rz 20", roughness_parameter_edit, &page_buffers[table_title_block]),
              nullptr);
    ASSERT_TRUE(annotation_backup_restore(projection(), &ref, backup));
    std::vector<Bytes> titles = title_block();
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], general);
    EXPECT_TRUE(annotations().empty());
}

TEST_F(PropertiesStore, DeletingASignOnALeader) {
    struct Case {
        Bytes carrier;
        bool leader_stays;
    } cases[] = {
        {leader(40, "", "", 0x8000), false},
        {[] { Bytes l = leader(40, "", "", 0x8000); l.resize(66); put_u16(l.data(), 0, 66); return l; }(), false},
        {leader(40, "Ra", "", 0x8000), true},
        {leader(40, "", "вниз", 0x8040), true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.carrier.size());
        // Start each case from an empty chain.
        while (!annotations().empty()) {
            RecordRef first = get_u32(projection(), projection_annotations);
            record_delete(current_drawing_file(), projection_chain(projection(), projection_annotations), first,
                          &page_buffers[table_annotation]);
        }
        add(record(annotation_text_fragment, text_fragment_head, 40, 0, "keep"));
        add(c.carrier);
        RecordRef ref = add(record(annotation_roughness, roughness_head, 40, 0x0080));
        ASSERT_TRUE(roughness_delete(projection(), &ref));
        std::vector<Bytes> left = annotations();
        ASSERT_EQ(left.size(), c.leader_stays ? 2u : 1u);
        for (const Bytes& r : left) EXPECT_NE(r[record_kind], annotation_roughness);
        if (c.leader_stays) {
            const Bytes& l = left[0][record_kind] == annotation_leader ? left[0] : left[1];
            EXPECT_EQ(get_u16(l.data(), annotation_flags) & 0x8000, 0);
        }
    }
}

TEST_F(PropertiesStore, DeletingASignOnExtensionLines) {
    const struct { int lines; uint16_t left; } cases[] = {{1, 0x0010}, {2, 0x0008}, {3, 0}};
    uint32_t number = 100;
    for (auto c : cases) {
        ++number;
        add_dimension(dimension(number, 0, 0x0018 | 0x0100));
        RecordRef ref = add(record(annotation_roughness, roughness_head, number, static_cast<uint16_t>(c.lines << 9)));
        ASSERT_TRUE(roughness_delete(projection(), &ref));
        uint8_t* d = record_find_key(current_drawing_file(), projection_chain(projection(), projection_dimensions),
                                     number, nullptr, &page_buffers[table_dimensions]);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(get_u16(d, dimension_state), c.left | 0x0100) << c.lines;
    }
}

TEST_F(PropertiesStore, ToleranceSignsCompactIntoTheFrame) {
    Bytes t = record(annotation_tolerance, tolerance_head, 0, 0, std::string("\x18" "0,1\x1a"));
    t[tolerance_text_length] = 5;
    RecordRef ref = add(t);
    int slot = -1;
    ASSERT_NE(tolerance_signs_apply(projection(), &ref, 0, 6, &slot), nullptr);
    ASSERT_NE(tolerance_signs_apply(projection(), &ref, 2, 9, &slot), nullptr);
    unsigned char* r = annotation_record_at(ref);
    EXPECT_EQ(r[tolerance_signs], 6);
    EXPECT_EQ(r[tolerance_signs + 1], 9);
    EXPECT_EQ(r[tolerance_signs + 2], 0);
    EXPECT_EQ((get_u16(r, annotation_flags) >> 6) & 7, 2);
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(tolerance_split(record_text(r, tolerance_head)).signs, std::string("@1\x84\x88@"));
    EXPECT_EQ(tolerance_split(record_text(r, tolerance_head)).value, "0,1");
    // Code 0 on both: no markup, count 0.
    ASSERT_NE(tolerance_signs_apply(projection(), &ref, 0, 0, &slot), nullptr);
    ASSERT_NE(tolerance_signs_apply(projection(), &ref, 0, 0, &slot), nullptr);
    r = annotation_record_at(ref);
    EXPECT_EQ((get_u16(r, annotation_flags) >> 6) & 7, 0);
    EXPECT_EQ(tolerance_split(record_text(r, tolerance_head)).signs, "");
    EXPECT_EQ(slot, 0);
    // A value past 255 characters in all leaves the chain as it was.
    std::vector<Bytes> before = state();
    std::string value(260, '5');
    ASSERT_NE(build_tolerance_record(projection(), &ref, nullptr, value.c_str(), nullptr), nullptr);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(messages_with("длина текста"), 1);
}

TEST_F(PropertiesStore, NamesAreFoundAcrossTheDrawing) {
    Bytes h = record(annotation_hatching, hatching_record_size, 5, 0);
    std::memcpy(h.data() + hatching_name, "AB\0\0\0\0", 6);
    add(h);
    Bytes contour(contour_default_size, 0);
    put_u16(contour.data(), 0, contour_default_size);
    put_u32(contour.data(), contour_number, 9);
    std::memcpy(contour.data() + contour_name_offset, "CD\0\0\0\0", 6);
    doc_test::add_to_projection(pref, projection_contours, table_contours, contour);
    uint8_t name[6];
    RecordRef p = 0, c = 0;
    hatch_name_from_text("AB", name);
    EXPECT_EQ(find_contour_by_name(name, &p, nullptr), 1);
    EXPECT_EQ(p, pref);
    hatch_name_from_text("CD   ", name);
    EXPECT_EQ(find_contour_by_name(name, nullptr, &c), 1);
    EXPECT_NE(c, 0u);
    hatch_name_from_text("EF", name);
    EXPECT_EQ(find_contour_by_name(name, nullptr, nullptr), 0);
}

}  // namespace
