// Dimension and annotation texts: the parts of a label, its prefix sign and
// display text, tolerance sign escapes and stored texts of damaged records,
// each against values worked out by hand.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/dimension_texts.h"

using namespace dimension_test;

namespace {

class DimensionTexts : public DimensionTest {};

// A label whose first text is `first` and, when given, a second text follows.
std::vector<uint8_t> label(const std::string& first, const std::string& second = "", bool has_second = false) {
    std::vector<uint8_t> r = annotation(annotation_dimension_text, dimension_text_head,
                                        static_cast<uint16_t>(has_second ? 0x40 : 0));
    r[dimension_text_first_length] = static_cast<uint8_t>(first.size());
    set_text(r, dimension_text_head, first + second);
    return r;
}

const std::string V = "\x18", D = "\x1A";  // bytes 24 and 26

TEST_F(DimensionTexts, ControlBytesSurviveTheCodec) {
    std::vector<uint8_t> r = label("A" + V + "#10" + D + "H7");
    EXPECT_EQ(unpack_annotation_text(r.data(), dimension_text_head), "A" + V + "#10" + D + "H7");
}

TEST_F(DimensionTexts, SplitPrefixAndDisplay) {
    struct Case {
        std::string first, second;
        bool has_second;
        std::string part[4];
        int prefix;
        std::string display;
    };
    const std::string arc = "\xAA", del = "\x7F", empty_mark = "\xB4";
    const Case cases[] = {
        {"2 otv." + V + "#10" + D + "H7", "", false, {"2 otv.", "#10", "H7", ""}, '#', "2 otv.#H7"},
        {"M12" + D + "-6g", "", false, {"", "M12", "-6g", ""}, 'M', "M-6g"},
        {"R5", "", false, {"", "R5", "", ""}, 'R', empty_mark},
        {"x" + V + del + "8", "", false, {"x", del + "8", "", ""}, 127, "x"},
        {arc + "12,5" + D + "+0.1", "", false, {"", arc + "12,5", "+0.1", ""}, 0xAA, arc + "+0.1"},
        {"40" + D + "  ", "second", true, {"", "40", "  ", "second"}, 0, empty_mark},
        {"Lead " + V + "15" + D + "x", "", false, {"Lead ", "15", "x", ""}, 0, "Lead x"},
        {"   ", "", false, {"", "", "", ""}, -1, empty_mark},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> r = label(c.first, c.second, c.has_second);
        DimensionTextParts parts;
        ASSERT_EQ(split_dimension_text(r.data(), &parts), 0);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(parts.part[i], c.part[i]) << c.first << " part " << i;
        EXPECT_EQ(dimension_text_prefix_sign(r.data()), c.prefix) << c.first;
        std::string unpacked = unpack_annotation_text(r.data(), dimension_text_head);
        EXPECT_EQ(build_dimension_display_text(unpacked, r.data()), c.display) << c.first;
    }
}

TEST_F(DimensionTexts, AMissingRecordIsADocumentFailure) {
    DimensionTextParts parts;
    EXPECT_EQ(split_dimension_text(nullptr, &parts), -1);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(dimension_text_prefix_sign(nullptr), -1);
    error_flag = 0;
}

TEST_F(DimensionTexts, TextLengthsAreBoundedByTheStoredText) {
    // Byte 7 claims more than is stored; the second-text flag is set.
    std::vector<uint8_t> r = label("12", "", true);
    r[dimension_text_first_length] = 200;
    DimensionTextParts parts;
    ASSERT_EQ(split_dimension_text(r.data(), &parts), 0);
    EXPECT_EQ(parts.part[1], "12");
    EXPECT_EQ(parts.part[3], "");
    // A record shorter than its head has no text; a length word past the
    // page is held to the largest record.
    std::vector<uint8_t> shortr = annotation(annotation_dimension_text, 20, 0);
    EXPECT_EQ(unpack_annotation_text(shortr.data(), dimension_text_head), "");
    std::vector<uint8_t> big(2048, 0x41);
    put_u16(big.data(), record_length, 0xFFFF);
    std::string t = unpack_annotation_text(big.data(), dimension_text_head);
    EXPECT_LE(t.size(), annotation_text_capacity);
}

TEST_F(DimensionTexts, ToleranceSignEscapes) {
    const unsigned char codes[17] = {0x20, 0x85, 0x80, 0x81, 0x82, 0x83, 0x84, 0x86, 0x89,
                                     0x88, 0x87, 0x8A, 0x8F, 0x8B, 0, 0x8C, 0x8E};
    for (int kind = 0; kind <= 17; ++kind) {
        std::string want = "@1";
        if (kind == 14) want += "\x8B\x8D\x8B";
        else if (kind <= 16) want += static_cast<char>(codes[kind]);
        want += "@";
        EXPECT_EQ(tolerance_sign_escape(kind), want) << kind;
    }
    EXPECT_EQ(tolerance_sign_escape(17), "@1@");
    EXPECT_EQ(tolerance_sign_escape(255), "@1@");
}

TEST_F(DimensionTexts, LinesSplitAtBackslashN) {
    EXPECT_EQ(split_text_lines("a\\nbc\\n"), (std::vector<std::string>{"a", "bc", ""}));
    EXPECT_EQ(split_text_lines("one"), (std::vector<std::string>{"one"}));
}

}  // namespace
