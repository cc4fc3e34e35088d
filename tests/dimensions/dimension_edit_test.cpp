// Dimension editing on a real drawing file: the input of a dimension by
// clicks on reference points and its commit, the records and labels it
// leaves (read back at their stored byte offsets), deleting, re-checking
// and the typed nominals; and the dimensions entered this way constructed
// by the solver against positions computed here.
#include "tests/dimensions/one_projection.h"

#include "geometry/dimension_text.h"
#include "render/output/dimension_texts.h"
#include "stages/dimensions/dimension_input.h"
#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

#include <cmath>

using namespace store_test;
using one_projection::chain_copies;

namespace {

constexpr double pi = 3.14159265358979323846;

class DimensionEdit : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    std::vector<std::string> messages;
    DimensionInputHooks hooks;
    DimensionInput in;

    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        one_projection::add(df);
        hooks.message = [this](const char* t) { messages.push_back(t); };
    }

    unsigned char* projection() { return one_projection::record(); }

    void point(uint32_t n, double x, double y, uint16_t flags = 0) {
        one_projection::add_point(df, n, x, y, flags, x, y);
        if (get_u32(df->header, 68) < n) put_u32(df->header, 68, n);
    }

    std::vector<uint8_t> point_copy(uint32_t n) {
        for (auto& p : chain_copies(df, projection_points, table_points))
            if (get_u32(p.data(), 2) == n) return p;
        return {};
    }

    int click(uint32_t n, int role) {
        in.role = role;
        std::vector<uint8_t> p = point_copy(n);
        EXPECT_FALSE(p.empty());
        return dimension_input_point(in, df, projection(), 1, p.data(), hooks);
    }

    int commit(const char* text) {
        in.nominal_text = text;
        return dimension_input_commit(in, df, projection(), hooks);
    }

    // One whole dimension: kind, mode, first ends, second ends, centres.
    uint32_t enter(int kind, int mode, std::vector<uint32_t> first, std::vector<uint32_t> second,
                   std::vector<uint32_t> centre, const char* nominal) {
        in.params.kind = kind;
        dimension_input_set_mode(in, mode, hooks);
        for (uint32_t p : centre) click(p, LINK_CENTRE);
        for (uint32_t p : first) click(p, LINK_FIRST);
        for (uint32_t p : second) click(p, LINK_SECOND);
        uint32_t n = in.number;
        EXPECT_EQ(commit(nominal), 1) << (messages.empty() ? "" : messages.back());
        return n;
    }

    std::vector<uint8_t> dimension(uint32_t n) { return dimension_record_copy(df, projection(), n); }
    int state_of(uint32_t p) { return get_u16(point_copy(p).data(), 8) & 3; }
};

TEST(NominalText, FormsSignsAndBadTexts) {
    const double deg = pi / 180;
    struct Case {
        const char* text;
        int kind;
        bool empty, valid;
        double value;
        int comparison;
        const char* comment;
    } cases[] = {
        {"40", 0, false, true, 40, 0, ""},
        {"12,5", 0, false, true, 12.5, 0, ""},
        {">=12,5", 0, false, true, 12.5, 4, ""},
        {"<= 7.25", 0, false, true, 7.25, 2, ""},
        {"<3", 0, false, true, 3, 1, ""},
        {"> 3", 0, false, true, 3, 3, ""},
        {"=5", 0, false, true, 5, 0, ""},
        {"  ", 0, true, false, 0, 0, ""},
        {" <\xED\xEE\xEC\xE8\xED\xE0\xEB>", 0, true, false, 0, 0, ""},
        {"25 **\xEE\xF2\xE2\xE5\xF0\xF1\xF2\xE8\xE5", 0, false, true, 25, 0, "\xEE\xF2\xE2\xE5\xF0\xF1\xF2\xE8\xE5"},
        {"18{L1}", 0, false, true, 18, 0, ""},
        {"abc", 0, false, false, 0, 0, ""},
        {"12,5mm", 0, false, false, 0, 0, ""},
        {"30^15'", 3, false, true, 30 * deg + 15 * deg / 60, 0, ""},
        {"-30^15'", 3, false, true, -(30 * deg + 15 * deg / 60), 0, ""},
        {"-0^30'", 3, false, true, -0.5 * deg, 0, ""},
        {"10^0'36\"", 3, false, true, 10 * deg + 36 * deg / 3600, 0, ""},
        {"45", 3, false, true, 45 * deg, 0, ""},
        {"<90^", 3, false, true, 90 * deg, 1, ""},
        {"30'10^", 3, false, false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        NominalText n = parse_nominal_text(c.text, c.kind);
        EXPECT_EQ(n.empty, c.empty) << c.text;
        EXPECT_EQ(n.valid, c.valid) << c.text;
        EXPECT_NEAR(n.value, c.value, 1e-12) << c.text;
        if (c.valid) {
            EXPECT_EQ(n.comparison, c.comparison) << c.text;
        }
        EXPECT_EQ(n.comment, c.comment) << c.text;
    }
    // A comment is cut to 260 characters.
    std::string longer = "5 **" + std::string(300, 'a');
    EXPECT_EQ(parse_nominal_text(longer.c_str(), 0).comment.size(), 260u);
}

TEST_F(DimensionEdit, EnteredDimensionLeavesRecordLabelAndLinksAtTheirOffsets) {
    point(1, 10, 10);
    point(2, 50, 12);
    put_u32(df->header, 80, 6);
    put_u32(df->header, 84, 20);
    in.params.kind = 0;
    dimension_input_set_mode(in, 0, hooks);
    EXPECT_EQ(click(1, LINK_FIRST), INPUT_LINKED);
    EXPECT_EQ(in.number, 7u);
    EXPECT_EQ(click(2, LINK_SECOND), INPUT_LINKED);
    // The same point again in the same role: linked once.
    EXPECT_EQ(click(2, LINK_SECOND), INPUT_NOTHING);
    ASSERT_EQ(commit("40"), 1);
    EXPECT_EQ(in.number, 0u);
    EXPECT_EQ(get_u32(df->header, 80), 7u);
    EXPECT_EQ(get_u32(df->header, 84), 22u);

    auto dims = chain_copies(df, projection_dimensions, table_dimensions);
    ASSERT_EQ(dims.size(), 1u);
    const uint8_t* d = dims[0].data();
    EXPECT_EQ(get_u16(d, 0), 100);
    EXPECT_EQ(get_u32(d, 2), 7u);
    EXPECT_DOUBLE_EQ(get_f64(d, 14), 40.0);
    EXPECT_EQ(get_u16(d, 34) & 0xFF, 0);          // linear, mode 0
    EXPECT_EQ(get_u16(d, 36) & 0x0F, 0x03);       // both ends linked, shown
    EXPECT_EQ(get_u16(d, 36) & 0x0700, 0);        // exact
    EXPECT_EQ(get_u16(d, 38) & 0x0241, 0);        // a constraint, no comment

    auto links = chain_copies(df, projection_links, table_links);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(get_u16(links[0].data(), 0), 26);
    EXPECT_EQ(get_u32(links[0].data(), 2), 21u);
    EXPECT_EQ(get_u32(links[0].data(), 6), 1u);
    EXPECT_EQ(get_u32(links[0].data(), 10), 7u);
    EXPECT_EQ(get_u16(links[0].data(), 24) & 3, 1);
    EXPECT_EQ(get_u32(links[1].data(), 6), 2u);
    EXPECT_EQ(get_u16(links[1].data(), 24) & 3, 2);
    EXPECT_DOUBLE_EQ(get_f64(links[1].data(), 14), 0.0);

    auto notes = chain_copies(df, projection_annotations, table_annotation);
    ASSERT_EQ(notes.size(), 1u);
    const uint8_t* l = notes[0].data();
    EXPECT_EQ(get_u32(l, 2), 7u);
    EXPECT_EQ(l[6], 0);
    EXPECT_EQ(get_u16(l, 8) & 0x1819, 0x0819);    // bits 0, 3, 4, 11; shown
    DimensionTextParts parts;
    ASSERT_EQ(split_dimension_text(l, &parts), 0);
    EXPECT_EQ(parts.part[1], "40");
    EXPECT_EQ(l[7], 2);

    EXPECT_EQ(state_of(1), 1);
    EXPECT_EQ(state_of(2), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DimensionEdit, PointStatesFollowTheDirectionsOfTheirLinks) {
    point(1, 0, 0);
    point(2, 30, 0);
    point(3, 60, 0);
    enter(0, 0, {1}, {2}, {}, "30");
    enter(0, 0, {2}, {3}, {}, "30");
    EXPECT_EQ(state_of(2), 1);   // two horizontal dimensions
    uint32_t y = enter(0, 1, {1}, {3}, {}, "0");
    EXPECT_EQ(state_of(1), 2);   // horizontal and vertical
    EXPECT_EQ(state_of(3), 2);
    for (auto& l : chain_copies(df, projection_links, table_links))
        if (get_u32(l.data(), 10) == y) {
            EXPECT_NEAR(get_f64(l.data(), 14), -pi / 2, 1e-15);
        }
    // Deleting the vertical dimension drops the states back.
    in.number = y;
    EXPECT_EQ(dimension_input_delete(in, df, projection(), hooks), 1);
    EXPECT_EQ(state_of(1), 1);
    EXPECT_EQ(state_of(3), 1);
}

TEST_F(DimensionEdit, CommitRefusals) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 5, 5);
    // Nothing entered.
    EXPECT_EQ(commit("10"), 0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Размер не готов\nГде размер?");
    // No nominal, then not a number.
    in.params.kind = 0;
    click(1, LINK_FIRST);
    click(2, LINK_SECOND);
    EXPECT_EQ(commit(""), 0);
    EXPECT_EQ(messages.back(), "А номинал?");
    EXPECT_EQ(commit("1o"), 0);
    EXPECT_EQ(messages.back(), "Номинал может быть только числом");
    EXPECT_NE(in.number, 0u);   // the input stays open
    EXPECT_EQ(commit("10"), 1);
    // An angle without centre.
    in.params.kind = 3;
    click(1, LINK_FIRST);
    click(2, LINK_SECOND);
    EXPECT_EQ(commit("30^"), 0);
    EXPECT_EQ(messages.back(), "Надо задать центр!");
    click(3, LINK_CENTRE);
    EXPECT_EQ(commit("30^"), 1);
    // No role chosen.
    in.role = 0;
    std::vector<uint8_t> p = point_copy(1);
    EXPECT_EQ(dimension_input_point(in, df, projection(), 1, p.data(), hooks), INPUT_REFUSED);
    EXPECT_EQ(messages.back(), "Если вводите новый размер,\nто сначала укажите тип выносной!");
}

TEST_F(DimensionEdit, CentreAndDiameterRules) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, -10, 0);
    point(4, 0, 10);
    in.params.kind = 2;
    click(1, LINK_CENTRE);
    click(2, LINK_FIRST);
    // A diameter with a centre takes no second end, and no second centre.
    EXPECT_EQ(click(3, LINK_SECOND), INPUT_REFUSED);
    EXPECT_EQ(click(4, LINK_CENTRE), INPUT_REFUSED);
    EXPECT_EQ(messages.back(), "Центр у размера может быть только один!");
    uint32_t n = in.number;
    EXPECT_EQ(commit("20"), 1);
    EXPECT_EQ(get_u16(dimension(n).data(), 36) & 7, 0x05);
    EXPECT_EQ(dimension_role_count(df, projection(), n, LINK_SECOND), 0);
}

TEST_F(DimensionEdit, InequalityIsNeverShown) {
    point(1, 0, 0);
    point(2, 10, 0);
    in.params.show_only = true;
    uint32_t n = enter(0, 0, {1}, {2}, {}, "<=5");
    std::vector<uint8_t> d = dimension(n);
    EXPECT_EQ((get_u16(d.data(), 36) >> 8) & 7, 2);
    EXPECT_EQ(get_u16(d.data(), 36) & 0x0008, 0x0008);
    EXPECT_EQ(get_u16(d.data(), 38) & 0x0040, 0);   // not for show only
    auto notes = chain_copies(df, projection_annotations, table_annotation);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(get_u16(notes[0].data(), 8) & 0x1000, 0x1000);
    DimensionTextParts parts;
    split_dimension_text(notes[0].data(), &parts);
    EXPECT_EQ(parts.part[1], "<=5");
}

TEST_F(DimensionEdit, DeleteRemovesLabelLinksAndRoughnessSigns) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 20, 0);
    uint32_t keep = enter(0, 0, {2}, {3}, {}, "10");
    uint32_t gone = enter(0, 0, {1}, {2}, {}, "10");
    // A roughness sign on the first extension line of the one deleted.
    std::vector<uint8_t> d = dimension(gone);
    put_u16(d.data(), 38, static_cast<uint16_t>(get_u16(d.data(), 38) | 0x0008));
    dimension_record_update(df, projection(), d);
    uint8_t sign[60] = {};
    put_u16(sign, 0, 60);
    put_u32(sign, 2, gone);
    sign[6] = 5;
    record_add(df, reinterpret_cast<RecordRef*>(projection() + projection_annotations), sign, &page_buffers[table_annotation]);
    EXPECT_TRUE(dimension_delete(df, projection(), gone));
    auto dims = chain_copies(df, projection_dimensions, table_dimensions);
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_EQ(get_u32(dims[0].data(), 2), keep);
    for (auto& l : chain_copies(df, projection_links, table_links)) EXPECT_EQ(get_u32(l.data(), 10), keep);
    auto notes = chain_copies(df, projection_annotations, table_annotation);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(get_u32(notes[0].data(), 2), keep);
    EXPECT_EQ(state_of(1), 0);
    EXPECT_EQ(state_of(2), 1);
    EXPECT_FALSE(dimension_delete(df, projection(), gone));
}

TEST_F(DimensionEdit, RecheckKeepsMatchingRolesAndDeletesTheRest) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 20, 0);
    uint32_t a = enter(0, 0, {1}, {2}, {}, "10");
    uint32_t b = enter(0, 0, {2}, {3}, {}, "10");
    EXPECT_EQ(recheck_dimension_links(df, projection(), a), 1);
    EXPECT_EQ(get_u16(dimension(a).data(), 38) & 0x0020, 0x0020);
    // b loses its second end: its roles no longer match.
    RecordRef head = get_u32(projection(), projection_links);
    for (unsigned char* r = record_next(df, &head, nullptr, &page_buffers[table_links]); r;
         r = record_next(df, &head, r, &page_buffers[table_links]))
        if (get_u32(r, 10) == b && (get_u16(r, 24) & 3) == 2) {
            record_delete(df, reinterpret_cast<RecordRef*>(projection() + projection_links), record_ref_of(&page_buffers[table_links], r),
                          &page_buffers[table_links]);
            break;
        }
    EXPECT_EQ(recheck_dimension_links(df, projection(), b), 0);
    EXPECT_TRUE(dimension(b).empty());
    EXPECT_EQ(recheck_dimension_links(df, projection(), b), -1);
}

TEST_F(DimensionEdit, CommentEditKeepsChainOrderAndShowsInTheList) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 20, 0);
    uint32_t a = enter(0, 0, {1}, {2}, {}, "10 **\xEF\xE0\xE7");
    uint32_t b = enter(0, 0, {2}, {3}, {}, "10 **\xE1\xEE\xEA");
    auto order = [&] {
        std::vector<uint32_t> o;
        for (auto& d : chain_copies(df, projection_dimensions, table_dimensions)) o.push_back(get_u32(d.data(), 2));
        return o;
    };
    std::vector<uint32_t> before = order();
    char described[300];
    describe_dimension(described, sizeof described, dimension(a).data());
    EXPECT_EQ(dimension_list_line(dimension(a).data(), "L1"), std::string(described) + "{L1} **\xEF\xE0\xE7");
    // Same length: rewritten in place.
    ASSERT_TRUE(dimension_input_open(in, df, projection(), b));
    EXPECT_EQ(commit("10 **\xEA\xEE\xE1"), 1);
    EXPECT_EQ(order(), before);
    EXPECT_EQ(dimension_comment_text(dimension(b).data()), "\xEA\xEE\xE1");
    // Comment removed: 100 bytes, bit 9 clear.
    ASSERT_TRUE(dimension_input_open(in, df, projection(), a));
    EXPECT_EQ(commit("10"), 1);
    std::vector<uint8_t> d = dimension(a);
    EXPECT_EQ(d.size(), 100u);
    EXPECT_EQ(get_u16(d.data(), 38) & 0x0200, 0);
    EXPECT_EQ(dimension_list_line(d.data(), nullptr).find("**"), std::string::npos);
}

TEST(DimensionComment, BitNineDecidesAndLengthIsBounded) {
    std::vector<uint8_t> r(100, 0);
    put_u16(r.data(), 0, 100);
    put_u16(r.data(), 96, 2);
    EXPECT_EQ(dimension_comment_text(r.data()), "");     // 100 bytes, bit 9 clear: no comment
    put_u16(r.data(), 38, 0x0200);
    put_u16(r.data(), 96, 40);                           // runs past the record
    EXPECT_EQ(dimension_comment_text(r.data()), "");
}

TEST_F(DimensionEdit, EnteredNetworkConstructsToTheComputedPositions) {
    // Sketch: origin A, B to its right, C above B, D on a circle about C.
    point(1, 5, 5, point_flag_origin);
    point(2, 48, 7);
    point(3, 51, -31);
    point(4, 70, -28);
    enter(0, 0, {1}, {2}, {}, "40");
    enter(0, 1, {1}, {2}, {}, "0");
    enter(0, 0, {2}, {3}, {}, "0");
    enter(0, 1, {2}, {3}, {}, "35");
    enter(1, 0, {4}, {}, {3}, "20");
    enter(0, 1, {3}, {4}, {}, "0");
    ASSERT_TRUE(messages.empty()) << messages.front();

    one_projection::expect_constructed(df);
    // A stays; B 40 to the right; C 35 up (smaller model y); D 20 right of C.
    const double expect[4][2] = {{5, 5}, {45, 5}, {45, -30}, {65, -30}};
    for (uint32_t n = 1; n <= 4; ++n) {
        std::vector<uint8_t> p = point_copy(n);
        EXPECT_NEAR(get_f64(p.data(), 28), expect[n - 1][0], 1e-9) << n;
        EXPECT_NEAR(get_f64(p.data(), 36), expect[n - 1][1], 1e-9) << n;
    }
    // Measured on the true positions, every dimension gives its nominal.
    for (auto& d : chain_copies(df, projection_dimensions, table_dimensions)) {
        double v = 0;
        ASSERT_TRUE(measure_dimension(df, projection(), get_u32(d.data(), 2), true, &v));
        EXPECT_NEAR(v, get_f64(d.data(), 14), 1e-9);
    }
}

}  // namespace

// A model variable chosen as the nominal: its value (not the field's
// number) is stored with the binding at +32 and shown in the label;
// reopening reads the binding back, and a commit without it unbinds.
TEST_F(DimensionEdit, ChosenVariableIsBoundAndGivesTheNominal) {
    point(1, 0, 0);
    point(2, 10, 0);
    in.params.kind = 0;
    dimension_input_set_mode(in, 0, hooks);
    click(1, LINK_FIRST);
    click(2, LINK_SECOND);
    uint32_t n = in.number;
    in.variable = 7;
    in.variable_value = 42.5;
    in.variable_value_set = true;
    ASSERT_EQ(commit("<10 {W}"), 1) << (messages.empty() ? "" : messages.back());
    std::vector<uint8_t> d = dimension(n);
    EXPECT_EQ(get_u16(d.data(), 32), 7);
    EXPECT_DOUBLE_EQ(get_f64(d.data(), 14), 42.5);
    EXPECT_EQ((get_u16(d.data(), 36) >> 8) & 7, 0);   // a variable's value is exact
    auto notes = chain_copies(df, projection_annotations, table_annotation);
    ASSERT_EQ(notes.size(), 1u);
    DimensionTextParts parts;
    split_dimension_text(notes[0].data(), &parts);
    EXPECT_EQ(parts.part[1], "42,5");
    EXPECT_EQ(in.variable, 0u);   // the input was cleared

    ASSERT_TRUE(dimension_input_open(in, df, projection(), n));
    EXPECT_EQ(in.variable, 7u);
    in.variable = 0;
    ASSERT_EQ(commit("30"), 1);
    d = dimension(n);
    EXPECT_EQ(get_u16(d.data(), 32), 0);
    EXPECT_DOUBLE_EQ(get_f64(d.data(), 14), 30);
}
