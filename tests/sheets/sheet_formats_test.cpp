// Sheet formats and the sheet chain: sizes by format code, the user-format
// entry, sheet numbering, adding and deleting sheets and the header copy.
#include "output/sheets.h"
#include "output/title_block_fields.h"

#include "sheet_test_support.h"

#include <cstring>

using store_test::StoreTest;

namespace {

struct SizeCase {
    int code;
    float w, h;  // before rotation, from the standard format list
};

// ISO 216 / GOST 2.301 sizes, landscape except A4; extended formats are a
// multiple of the short side of their base format.
const SizeCase size_cases[] = {
    {1, 1189, 841},  {2, 841, 594},   {3, 594, 420},   {4, 420, 297},   {5, 210, 297},
    {6, 3 * 210, 297}, {7, 4 * 210 + 1, 297}, {8, 5 * 210 + 1, 297}, {9, 6 * 210 + 1, 297},
    {10, 7 * 210 + 1, 297}, {11, 8 * 210 + 2, 297}, {12, 9 * 210 + 2, 297},
    {13, 3 * 297, 420}, {14, 4 * 297 + 1, 420}, {15, 5 * 297 + 1, 420}, {16, 6 * 297 + 1, 420},
    {17, 7 * 297 + 1, 420}, {18, 3 * 420 + 1, 594}, {19, 4 * 420 + 2, 594}, {20, 5 * 420 + 2, 594},
    {21, 3 * 594 + 1, 841}, {22, 4 * 594 + 2, 841}, {23, 2 * 841, 1189}, {24, 3 * 841, 1189},
    // "Авто", the list-only entry and unknown codes all answer the A1 size.
    {0, 841, 594}, {26, 841, 594}, {27, 841, 594}, {-1, 841, 594}, {200, 841, 594},
};

TEST(SheetSize, EveryCodeAndRotation) {
    for (const SizeCase& c : size_cases) {
        float w = -1, h = -1;
        sheet_size_of(nullptr, c.code, 0, &w, &h);
        EXPECT_FLOAT_EQ(w, c.w) << "code " << c.code;
        EXPECT_FLOAT_EQ(h, c.h) << "code " << c.code;
        sheet_size_of(nullptr, c.code, 1, &w, &h);
        EXPECT_FLOAT_EQ(w, c.h) << "rotated code " << c.code;
        EXPECT_FLOAT_EQ(h, c.w) << "rotated code " << c.code;
    }
}

TEST(SheetSize, NamesListTheStandardSizes) {
    EXPECT_STREQ(sheet_format_name(0), "Авто");
    EXPECT_STREQ(sheet_format_name(5), "A4  210x297");
    EXPECT_STREQ(sheet_format_name(24), "A0x3  1189x2523");
    EXPECT_STREQ(sheet_format_name(25), "Пользовательский");
    EXPECT_STREQ(sheet_format_name(26), "Новый формат");
    EXPECT_STREQ(sheet_format_name(27), "");
    // Each named size "name  SxL" has S and L as its sides.
    for (int code = 1; code <= 24; ++code) {
        unsigned s = 0, l = 0;
        const char* x = std::strstr(sheet_format_name(code), "  ");
        ASSERT_NE(x, nullptr);
        ASSERT_EQ(std::sscanf(x, " %ux%u", &s, &l), 2);
        float w, h;
        sheet_size_of(nullptr, code, 0, &w, &h);
        float lo = w < h ? w : h, hi = w < h ? h : w;
        EXPECT_FLOAT_EQ(lo, static_cast<float>(s)) << code;
        EXPECT_FLOAT_EQ(hi, static_cast<float>(l)) << code;
    }
}

TEST(SheetUserSide, BoundedWholeMillimetres) {
    struct {
        const char* text;
        uint32_t mm;
    } cases[] = {
        {"500", 500},  {"500.9", 500}, {" 250 ", 250}, {"1", 1},  {"10000", 10000},
        {"0", 0},      {"-5", 0},      {"1e12", 0},    {"", 0},   {"abc", 0},
        {"12mm", 0},   {"10001", 0},   {"nan", 0},     {"inf", 0}, {"0.5", 0},
    };
    for (auto& c : cases) EXPECT_EQ(sheet_user_side_parse(c.text), c.mm) << "'" << c.text << "'";
    EXPECT_EQ(sheet_user_side_parse(nullptr), 0u);
}

class SheetChain : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        ASSERT_NE(df, nullptr);
    }
    void set_header(int code, bool rotated, int kind) {
        sheet_test::set_sheet_header(df, code, rotated, kind);
        float w, h;
        sheet_size_of(df, code, rotated, &w, &h);
        put_f32(df->header, header_sheet_width, w);
        put_f32(df->header, header_sheet_height, h);
    }
    struct Row {
        uint32_t number;
        uint16_t flags;
        int format;
    };
    std::vector<Row> rows() {
        std::vector<Row> v;
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
        PageBuffer* b = &page_buffers[table_tables];
        for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
            v.push_back({get_u32(r, 2), get_u16(r, 6), get_u8(r, 9)});
        return v;
    }
    int current_count() {
        int n = 0;
        for (const Row& r : rows()) n += (r.flags & sheet_flag_current) ? 1 : 0;
        return n;
    }
};

TEST_F(SheetChain, UserFormatReadsTheHeader) {
    put_u32(df->header, header_user_format_width, 700);
    put_u32(df->header, header_user_format_height, 300);
    float w, h;
    sheet_size(25, 0, &w, &h);
    EXPECT_FLOAT_EQ(w, 700);
    EXPECT_FLOAT_EQ(h, 300);
    sheet_size(25, 1, &w, &h);
    EXPECT_FLOAT_EQ(w, 300);
    EXPECT_FLOAT_EQ(h, 700);
}

TEST_F(SheetChain, FirstEntryMakesSheetOneFromTheHeader) {
    set_header(4, true, 1);
    EXPECT_EQ(sheet_next_free_number(), 1u);
    sheet_chain_open(df);
    std::vector<Row> r = rows();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].number, 1u);
    EXPECT_EQ(r[0].flags, sheet_flag_current | sheet_flag_rotated);
    EXPECT_EQ(r[0].format, 4);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 1);
    // Opening again keeps the one sheet.
    sheet_chain_open(df);
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(SheetChain, NumbersAreReusedAfterDelete) {
    set_header(5, false, 1);
    sheet_chain_open(df);
    EXPECT_EQ(sheet_add(df), 2u);
    EXPECT_EQ(sheet_add(df), 3u);
    EXPECT_EQ(current_count(), 1);  // added sheets do not become current
    // Make sheet 2 current and delete it: sheet 1 (the one before) takes over.
    put_u16(df->header, header_current_sheet, 2);
    EXPECT_EQ(sheet_delete_current(df), 1u);
    std::vector<Row> r = rows();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(sheet_next_free_number(), 2u);
    EXPECT_EQ(sheet_add(df), 2u);
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(SheetChain, DeletingTheFirstMakesTheNextCurrent) {
    set_header(5, false, 2);
    sheet_chain_open(df);  // sheet 1: A4, kind 2
    set_header(3, true, 1);
    ASSERT_EQ(sheet_add(df), 2u);  // sheet 2: A2 rotated, kind 1
    set_header(5, false, 2);
    ASSERT_EQ(get_u16(df->header, header_current_sheet), 1);
    EXPECT_EQ(sheet_delete_current(df), 2u);
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows()[0].number, 2u);
    EXPECT_TRUE(rows()[0].flags & sheet_flag_current);
    // The header now carries sheet 2's settings.
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 2);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), 3);
    EXPECT_EQ(get_u8(df->header, header_title_block_kind), 1);
    EXPECT_TRUE(get_u16(df->header, header_options) & header_opt_sheet_turned);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 420);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 594);
    EXPECT_DOUBLE_EQ(title_block_height, 63);  // the height of the new sheet's kind
}

TEST_F(SheetChain, TheOnlySheetIsNotDeleted) {
    set_header(5, false, 1);
    sheet_chain_open(df);
    EXPECT_EQ(sheet_delete_current(df), 0u);
    ASSERT_EQ(store_test::shown().size(), 1u);
    EXPECT_NE(store_test::shown()[0].find("Нельзя удалить единственный лист!"), std::string::npos);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 1);
    // A current number that names no sheet deletes nothing.
    ASSERT_EQ(sheet_add(df), 2u);
    put_u16(df->header, header_current_sheet, 7);
    EXPECT_EQ(sheet_delete_current(df), 0u);
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(SheetChain, StoreCurrentWritesTheHeaderBackAndSurvivesReopen) {
    set_header(5, false, 1);
    sheet_chain_open(df);
    ASSERT_EQ(sheet_add(df), 2u);
    set_header(14, true, 3);
    sheet_store_current();
    df = reopen(df);
    std::vector<Row> r = rows();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].number + r[1].number, 3u);
    for (const Row& x : r) {
        if (x.number == 1) {
            EXPECT_EQ(x.format, 14);
            EXPECT_EQ(x.flags, sheet_flag_current | sheet_flag_rotated);
        } else {
            EXPECT_EQ(x.format, 5);
            EXPECT_EQ(x.flags, 0);
        }
    }
    // Another drawing's current record keeps its flag; the header follows it.
    set_header(1, false, 0);
    sheet_chain_open(df);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), 14);
    EXPECT_EQ(current_count(), 1);
}

TEST_F(SheetChain, SelectingAFormatSetsSizeAndDesignation) {
    set_header(5, true, 1);
    sheet_chain_open(df);
    EXPECT_EQ(sheet_select_format(df, 4), 4);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), 4);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 297);  // rotated A3
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 420);
    std::string d;
    title_block_field_text(df, title_field_format, 1, false, &d);
    EXPECT_EQ(d, "A3");
    // A user format with a missing side falls back to "Авто".
    put_u32(df->header, header_user_format_width, 0);
    EXPECT_EQ(sheet_user_side_set(df, 1, "300.7"), 300u);
    EXPECT_EQ(sheet_select_format(df, 25), 0);
    ASSERT_EQ(store_test::shown().size(), 1u);
    EXPECT_NE(store_test::shown()[0].find("Не введены размеры формата"), std::string::npos);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), 0);
    title_block_field_text(df, title_field_format, 1, false, &d);
    EXPECT_EQ(d, "");
    // A refused entry stores 0 and so never becomes a format.
    EXPECT_EQ(sheet_user_side_set(df, 0, "-700"), 0u);
    EXPECT_EQ(sheet_select_format(df, 25), 0);
    EXPECT_EQ(sheet_user_side_set(df, 0, "700"), 700u);
    EXPECT_EQ(sheet_select_format(df, 25), 25);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 300);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 700);
}

TEST_F(SheetChain, NoSheetBeyondTheProjectionNumberRange) {
    set_header(5, false, 1);
    sheet_chain_open(df);
    for (uint32_t n = 2; n <= sheet_number_max; ++n) ASSERT_EQ(sheet_add(df), n);
    EXPECT_EQ(sheet_add(df), 0u);
    EXPECT_EQ(store_test::shown().size(), 1u);
    EXPECT_EQ(rows().size(), sheet_number_max);
}

}  // namespace

namespace {

TEST(PageSheetFormat, SmallestStandardSheetThatHoldsThePage) {
    // Kind 2 (40 mm title block): A4 holds 185 x 252, A3 395 x 252,
    // A2 569 x 375, A1 816 x 549, A0 1164 x 796.
    struct {
        double w, h;
        int code;
    } cases[] = {
        {185, 252, 5}, {185.004, 252, 5}, {185.02, 252, 4}, {170, 240, 5}, {300, 100, 4},
        {400, 200, 3}, {600, 300, 2}, {1000, 700, 1}, {1165, 100, 0},
    };
    for (auto& c : cases) {
        int code = -1;
        float w = 0, h = 0;
        ASSERT_EQ(page_sheet_format(c.w, c.h, 40, &code, &w, &h), 1) << c.w;
        EXPECT_EQ(code, c.code) << c.w << " x " << c.h;
        float ew, eh;
        sheet_size_of(nullptr, c.code == 0 ? 1 : c.code, 0, &ew, &eh);
        EXPECT_FLOAT_EQ(w, ew);
        EXPECT_FLOAT_EQ(h, eh);
    }
}

TEST(PageSheetFormat, ShortPageGetsNoSheetButLaterPagesDo) {
    // A short page (less than the A4 area minus 20 mm both ways) gets no
    // sheet of its own; a long page after it still does.
    int code = -1;
    float w, h;
    EXPECT_EQ(page_sheet_format(100, 50, 40, &code, &w, &h), 0);
    EXPECT_EQ(page_sheet_format(0, 0, 40, &code, &w, &h), 0);
    EXPECT_EQ(page_sheet_format(100, 500, 40, &code, &w, &h), 1);
    EXPECT_EQ(code, 2);  // 500 mm high: landscape A2 holds 375, A1 549
    // One direction at the A4 area less 20 mm is enough.
    EXPECT_EQ(page_sheet_format(165, 10, 40, &code, &w, &h), 1);
    EXPECT_EQ(code, 5);
}

}  // namespace
