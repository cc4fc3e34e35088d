// Title-block fields: storing, replacing and reading texts per sheet and in
// common, line breaks, the length limit, and the kinds with their heights.
#include "output/title_block_fields.h"

#include "../store/store_test_support.h"

#include <string>

using store_test::StoreTest;

namespace {

TEST(TitleBlockKinds, HeightsAndNames) {
    const double heights[] = {0, 63, 40, 15, 55, 55, 40, 15};
    for (int k = 0; k < 8; ++k) EXPECT_DOUBLE_EQ(title_block_height_of(k), heights[k]) << k;
    EXPECT_LT(title_block_height_of(8), 0);
    EXPECT_LT(title_block_height_of(-1), 0);
    EXPECT_STREQ(title_block_kind_name(1), "Для чертежей и схем по ГОСТ 2.104");
    EXPECT_STREQ(title_block_kind_name(8), "");
}

class TitleFields : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        ASSERT_NE(df, nullptr);
    }
    int count_records() {
        int n = 0;
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_title_block);
        PageBuffer* b = &page_buffers[table_title_block];
        for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) ++n;
        return n;
    }
    std::string text(uint32_t field, uint32_t sheet, bool fall_back, int* lines = nullptr) {
        std::string s;
        int l = title_block_field_text(df, field, sheet, fall_back, &s);
        if (lines) *lines = l;
        return s;
    }
};

TEST_F(TitleFields, HeightFollowsTheHeaderKind) {
    put_u8(df->header, header_title_block_kind, 3);
    title_block_height_update(df);
    EXPECT_DOUBLE_EQ(title_block_height, 15);
    put_u8(df->header, header_title_block_kind, 9);  // unknown: keeps the last value
    title_block_height_update(df);
    EXPECT_DOUBLE_EQ(title_block_height, 15);
}

TEST_F(TitleFields, EmptyTextOnlyDeletes) {
    EXPECT_FALSE(title_block_has_fields(df));
    EXPECT_EQ(title_block_field_store(df, 1, "", 1, title_mode_this_sheet), title_store_ok);
    EXPECT_EQ(count_records(), 0);
    ASSERT_EQ(title_block_field_store(df, 1, "Вал", 1, title_mode_this_sheet), title_store_ok);
    EXPECT_EQ(count_records(), 1);
    EXPECT_EQ(title_block_field_store(df, 1, "", 1, title_mode_this_sheet), title_store_ok);
    EXPECT_EQ(count_records(), 0);
}

TEST_F(TitleFields, LineBreaksRoundTripAndCountLines) {
    ASSERT_EQ(title_block_field_store(df, 9, "ООО Завод\r\nцех 3  ", 0, title_mode_all_sheets), 0);
    int lines = 0;
    EXPECT_EQ(text(9, 0, false, &lines), "ООО Завод\r\nцех 3");
    EXPECT_EQ(lines, 2);
    std::string one = text(1, 0, false, &lines);
    EXPECT_EQ(one, "");
    EXPECT_EQ(lines, 0);
}

TEST_F(TitleFields, SheetRecordsFallBackToCommonOnes) {
    ASSERT_EQ(title_block_field_store(df, 2, "АБВГ.123456.001", 0, title_mode_all_sheets), 0);
    ASSERT_EQ(title_block_field_store(df, 2, "АБВГ.123456.002", 2, title_mode_this_sheet), 0);
    EXPECT_EQ(text(2, 1, true), "АБВГ.123456.001");   // sheet 1 shows the common text
    EXPECT_EQ(text(2, 1, false), "");                 // mode 1170: only its own
    EXPECT_EQ(text(2, 2, true), "АБВГ.123456.002");
    EXPECT_EQ(count_records(), 2);
    // Mode 1175 replaces only the common record.
    ASSERT_EQ(title_block_field_store(df, 2, "НОВ.1", 2, title_mode_all_sheets), 0);
    EXPECT_EQ(count_records(), 2);
    EXPECT_EQ(text(2, 1, true), "НОВ.1");
    EXPECT_EQ(text(2, 2, true), "АБВГ.123456.002");
    // Replacing this sheet's record keeps one record for it.
    ASSERT_EQ(title_block_field_store(df, 2, "X-2", 2, title_mode_all_fields), 0);
    EXPECT_EQ(count_records(), 2);
    EXPECT_EQ(text(2, 2, false), "X-2");
}

TEST_F(TitleFields, FormatFieldAlwaysBelongsToTheSheet) {
    ASSERT_EQ(title_block_field_store(df, title_field_format, "A3", 4, title_mode_all_sheets), 0);
    EXPECT_EQ(text(title_field_format, 4, false), "A3");
    EXPECT_EQ(text(title_field_format, 0, false), "");
}

TEST_F(TitleFields, SurvivesReopen) {
    ASSERT_EQ(title_block_field_store(df, 111, "Иванов", 0, title_mode_all_sheets), 0);
    ASSERT_EQ(title_block_field_store(df, 6, "1:2", 0, title_mode_all_sheets), 0);
    df = reopen(df);
    EXPECT_EQ(text(111, 3, true), "Иванов");
    EXPECT_EQ(text(6, 0, false), "1:2");
}

TEST_F(TitleFields, TooLongTextIsRefusedWholeNeverCut) {
    ASSERT_EQ(title_block_field_store(df, 10, "старый", 0, title_mode_all_sheets), 0);
    // 519 plain letters fit; the text comes back whole.
    std::string plain(title_field_max_chars, 'a');
    ASSERT_EQ(title_block_field_store(df, 11, plain.c_str(), 0, title_mode_all_sheets), title_store_ok);
    EXPECT_EQ(text(11, 0, false), plain);
    // One more character is refused.
    std::string over(title_field_max_chars + 1, 'a');
    EXPECT_EQ(title_block_field_store(df, 10, over.c_str(), 0, title_mode_all_sheets), title_store_too_long);
    // Mixed Latin and Cyrillic switches class at every character and needs
    // more room than the record has: refused, the old text stays.
    std::string mixed;
    for (int i = 0; i < 500; ++i) mixed += (i % 2) ? "ж" : "q";
    EXPECT_EQ(title_block_field_store(df, 10, mixed.c_str(), 0, title_mode_all_sheets), title_store_too_long);
    EXPECT_EQ(text(10, 0, false), "старый");
    EXPECT_EQ(store_test::shown().size(), 2u);
}

TEST(ReadTitleBlockField, NullRecordIsEmpty) {
    char buf[520] = "x";
    EXPECT_EQ(read_title_block_field(nullptr, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

}  // namespace
