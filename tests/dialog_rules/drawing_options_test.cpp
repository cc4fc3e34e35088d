// Drawing options: header bits of every check box and radio, value rules,
// arrowhead replacement and the per-record flags.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "base/byte_order.h"
#include "shell/core/drawing_options.h"

namespace {

std::vector<uint8_t> blank_header() { return std::vector<uint8_t>(2048, 0); }

TEST(DrawingOptions, EveryCheckBoxSetsAndClearsItsOwnBitOnly) {
    struct Case {
        int control, word;
        uint16_t mask;
        bool inverted;
    } cases[] = {
        {1778, 110, 0x0001, false}, {1783, 110, 0x0004, false}, {1513, 110, 0x0040, false},
        {1654, 112, 0x0010, false}, {1970, 112, 0x0100, false}, {1784, 112, 0x0200, false},
        {1672, 112, 0x0400, false}, {1673, 114, 0x0004, true},  {2101, 114, 0x0010, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        for (uint16_t background : {uint16_t(0x0000), uint16_t(0xFFFF)}) {
            auto h = blank_header();
            for (int w : {110, 112, 114}) put_u16(h.data(), w, background);
            ASSERT_TRUE(option_set(h.data(), c.control, true));
            uint16_t v = get_u16(h.data(), c.word);
            EXPECT_EQ((v & c.mask) != 0, !c.inverted);
            EXPECT_EQ(v | c.mask, 0xFFFF & (background | c.mask)) << "other bits of the word changed";
            EXPECT_EQ(option_checked(h.data(), c.control), 1);
            ASSERT_TRUE(option_set(h.data(), c.control, false));
            v = get_u16(h.data(), c.word);
            EXPECT_EQ((v & c.mask) != 0, c.inverted);
            EXPECT_EQ(option_checked(h.data(), c.control), 0);
            for (int w : {110, 112, 114}) {
                if (w != c.word) {
                    EXPECT_EQ(get_u16(h.data(), w), background);
                }
            }
        }
    }
    EXPECT_EQ(option_checked(blank_header().data(), 1644), -1);  // a program flag, not stored
    auto h = blank_header();
    EXPECT_FALSE(option_set(h.data(), 1644, true));
    EXPECT_EQ(h, blank_header());
}

TEST(DrawingOptions, CoarseCurveBitSetMeansFinePrecisionUnchecked) {
    auto h = blank_header();
    h[114] = 0x04;  // as a new drawing: the coarse tolerance
    EXPECT_EQ(option_checked(h.data(), option_fine_curves), 0);
    h[114] = 0x00;
    EXPECT_EQ(option_checked(h.data(), option_fine_curves), 1);
}

TEST(DrawingOptions, MoveRuleRadiosTakeTwoBits) {
    struct Case {
        int control;
        bool bit6_112, bit12_114;
    } cases[] = {{1645, false, false}, {1028, false, true}, {1860, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        for (uint16_t background : {uint16_t(0), uint16_t(0xFFFF)}) {
            auto h = blank_header();
            put_u16(h.data(), 112, background);
            put_u16(h.data(), 114, background);
            ASSERT_TRUE(move_rule_set(h.data(), c.control));
            EXPECT_EQ((get_u16(h.data(), 112) & 0x0040) != 0, c.bit6_112);
            EXPECT_EQ((get_u16(h.data(), 114) & 0x1000) != 0, c.bit12_114);
            EXPECT_EQ(get_u16(h.data(), 112) | 0x0040, background | 0x0040);
            EXPECT_EQ(get_u16(h.data(), 114) | 0x1000, background | 0x1000);
            EXPECT_EQ(move_rule_get(h.data()), c.control);
        }
    }
    auto h = blank_header();
    EXPECT_FALSE(move_rule_set(h.data(), 1778));
    EXPECT_EQ(h, blank_header());
}

TEST(DrawingOptions, CollationModeInBitsThreeToFive) {
    auto h = blank_header();
    put_u16(h.data(), 110, 0xFFC7);
    collation_mode_set(h.data(), 2);
    EXPECT_EQ(get_u16(h.data(), 110), 0xFFC7 | (2 << 3));
    EXPECT_EQ(collation_mode_get(h.data()), 2);
    collation_mode_set(h.data(), 9);  // held to 0..2
    EXPECT_EQ(collation_mode_get(h.data()), 2);
    collation_mode_set(h.data(), 0);
    EXPECT_EQ(get_u16(h.data(), 110), 0xFFC7);
}

TEST(DrawingOptions, WaitingTimeAcceptsOneTo256Seconds) {
    struct Case {
        const char* text;
        bool stored;
        int byte;
    } cases[] = {
        {"1", true, 0},    {"4", true, 3},     {"256", true, 255}, {" 30 ", true, 29},
        {"0", false, 0},   {"-5", false, 0},   {"300", false, 0},  {"257", false, 0},
        {"", false, 0},    {"abc", false, 0},  {"5x", false, 0},   {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto h = blank_header();
        h[222] = 7;
        EXPECT_EQ(waiting_time_store(h.data(), c.text), c.stored);
        EXPECT_EQ(h[222], c.stored ? c.byte : 7);
        EXPECT_EQ(waiting_time_seconds(h.data()), (c.stored ? c.byte : 7) + 1);
    }
}

TEST(DrawingOptions, RoundingDigits) {
    auto h = blank_header();
    put_u16(h.data(), 164, 1);
    EXPECT_TRUE(rounding_digits_store(h.data(), "3"));
    EXPECT_EQ(get_u16(h.data(), 164), 3);
    for (const char* bad : {"-1", "16", "x", "", "2.5"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(rounding_digits_store(h.data(), bad));
        EXPECT_EQ(get_u16(h.data(), 164), 3);
    }
}

TEST(DrawingOptions, TextHeightIndexAndSpacing) {
    for (int i = 0; i <= 9; ++i) EXPECT_EQ(text_height_index_checked(i), i);
    EXPECT_EQ(text_height_index_checked(10), 3);  // 10 would read the current height as a table entry
    EXPECT_EQ(text_height_index_checked(-1), 3);
    EXPECT_EQ(text_height_index_checked(65535), 3);
    EXPECT_DOUBLE_EQ(placement_spacing_for_height(3.5), 7.18);
    EXPECT_DOUBLE_EQ(placement_spacing_for_height(10.0), 13.68);
}

TEST(DrawingOptions, DefaultsLeavingTheDialog) {
    auto h = blank_header();
    put_u16(h.data(), 110, 0x0ABC);
    put_u16(h.data(), 112, 0xFFF0);
    option_defaults_store(h.data(), 7, 5);
    EXPECT_EQ(get_u16(h.data(), 110), 0x7ABC);
    EXPECT_EQ(get_u16(h.data(), 112), 0xFFF5);
}

// A dimension record with its kind word and drawn ends.
std::vector<uint8_t> dimension(int kind, int end1, int end2, int drawn, int comparison = 0) {
    std::vector<uint8_t> d(100, 0);
    put_u16(d.data(), 34, static_cast<uint16_t>(kind | (end1 << 8) | (end2 << 12)));
    put_u16(d.data(), 36, static_cast<uint16_t>(drawn | (comparison << 8)));
    return d;
}
int end_kind(const std::vector<uint8_t>& d, int end) { return (get_u16(d.data(), 34) >> (8 + 4 * end)) & 0xF; }

TEST(ArrowheadReplacement, Substitutes) {
    EXPECT_EQ(arrowhead_kind_substitute(0), 1);
    EXPECT_EQ(arrowhead_kind_substitute(7), 8);
    for (int k : {1, 2, 3, 8, 15}) EXPECT_EQ(arrowhead_kind_substitute(k), k);
}

TEST(ArrowheadReplacement, Table) {
    struct Case {
        int from, to, end1, end2, drawn;
        bool is_short;
        int want1, want2;
        bool changed;
    } cases[] = {
        {0, 7, 0, 0, 3, false, 7, 7, true},   // both ends drawn
        {0, 7, 0, 0, 1, false, 7, 0, true},   // only the first end drawn
        {0, 7, 0, 0, 2, false, 0, 7, true},   // only the second
        {0, 7, 1, 0, 3, false, 8, 7, true},   // the substitute follows the substitute
        {0, 7, 2, 3, 3, false, 2, 3, false},  // other kinds stay
        {0, 0, 0, 1, 3, false, 0, 1, false},  // same kinds: nothing
        {2, 0, 2, 2, 3, false, 0, 0, true},   // long: the kind itself
        {2, 0, 2, 2, 3, true, 1, 1, true},    // short: its substitute
        {3, 7, 3, 3, 3, true, 8, 8, true},
        {2, 3, 2, 2, 3, true, 3, 3, true},    // to-kind 3: no substitute
        {2, 0, 2, 2, 1, true, 0, 2, true},    // one end only: no substitute
        {0, 2, 0, 0, 3, true, 2, 2, true},    // from-kind 0: the short rule does not apply
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << " ends " << c.end1 << "," << c.end2
                                        << " drawn " << c.drawn << " short " << c.is_short);
        auto d = dimension(5, c.end1, c.end2, c.drawn);
        EXPECT_EQ(dimension_arrowheads_replace(d.data(), c.from, c.to, c.is_short), c.changed);
        EXPECT_EQ(end_kind(d, 0), c.want1);
        EXPECT_EQ(end_kind(d, 1), c.want2);
        EXPECT_EQ(get_u16(d.data(), 34) & 0xFF, 5) << "kind and direction kept";
    }
}

TEST(ArrowheadReplacement, ShortDimensionRule) {
    // Lengths compared as model lengths of their projection; angles never short.
    EXPECT_TRUE(dimension_is_short(0, 19.9, 20.0));
    EXPECT_TRUE(dimension_is_short(1, 20.0, 20.0));
    EXPECT_FALSE(dimension_is_short(0, 20.1, 20.0));
    EXPECT_FALSE(dimension_is_short(3, 0.5, 20.0));
    // 1.5 cm at scale 1 is 15 mm: short, though 1.5 itself is no model length.
    EXPECT_TRUE(dimension_is_short(0, 15.0, 20.0));
    EXPECT_FALSE(dimension_is_short(0, 150.0, 20.0));
}

TEST(NearestPoints, SkipsDimensionsWithAComparisonSign) {
    for (int comparison = 0; comparison < 8; ++comparison) {
        SCOPED_TRACE(comparison);
        auto d = dimension(0, 0, 0, 3, comparison);
        put_u16(d.data(), 38, 0x0200);
        bool qualifies = comparison == 0;
        EXPECT_EQ(dimension_nearest_points_set(d.data(), true), qualifies);
        EXPECT_EQ(get_u16(d.data(), 38), qualifies ? 0x0300 : 0x0200);
        EXPECT_EQ(dimension_nearest_points_set(d.data(), false), qualifies);
        EXPECT_EQ(get_u16(d.data(), 38), 0x0200);
    }
}

TEST(CurvePrecision, MarksExactlyTheProjectionsToRebuild) {
    for (int kind = 0; kind < 12; ++kind)
        for (int no_auto = 0; no_auto < 2; ++no_auto) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " no_auto " << no_auto);
            std::vector<uint8_t> p(180, 0);
            uint16_t flags = static_cast<uint16_t>(kind | (no_auto ? 0x0400 : 0));
            put_u16(p.data(), 98, flags);
            bool want = !no_auto && kind != 7 && kind != 9;
            EXPECT_EQ(projection_mark_for_curve_change(p.data()), want);
            EXPECT_EQ(get_u16(p.data(), 98), want ? (flags | 0x0200) : flags);
        }
}

}  // namespace

namespace {

TEST(SketchLibrary, OneBackslashAtTheEnd) {
    struct Case {
        const char* folder;
        size_t size;
        bool ok;
        const char* kept;
    } cases[] = {
        {"C:\\Sketches", 64, true, "C:\\Sketches\\"},
        {"C:\\", 64, true, "C:\\"},  // a drive root keeps its one backslash
        {"D:\\lib\\", 64, true, "D:\\lib\\"},
        {"", 64, false, ""},
        {"C:\\ab", 6, false, "C:\\ab"},  // no room for the backslash and the NUL
        {"C:\\ab", 7, true, "C:\\ab\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        char buf[64] = {};
        std::snprintf(buf, sizeof buf, "%s", c.folder);
        EXPECT_EQ(library_folder_terminated(buf, c.size), c.ok);
        EXPECT_STREQ(buf, c.kept);
    }
}

}  // namespace
