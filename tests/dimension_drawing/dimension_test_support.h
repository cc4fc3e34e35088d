// Helpers of the dimension and annotation drawing tests: the output test
// fixture with the built stroke fonts loaded, chains of records kept in
// memory behind kernel_store, and builders of dimension and annotation
// records.
#pragma once

#include "tests/fonts/font_test_support.h"
#include "tests/output/output_test_support.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_seams.h"
#include "store/text_codec.h"

namespace dimension_test {

using namespace output_test;

constexpr double pi = 3.14159265358979323846;

// Chains of the fake store: records one after another in their own 2048-byte
// page, handed out like the store does (pointer into the page, reference =
// chain * 1000 + index + 1).
struct FakeChains {
    std::vector<std::vector<uint8_t>> chains[32];
};
inline FakeChains& fake_chains() {
    static FakeChains f;
    return f;
}

inline uint8_t* fake_next(uint8_t*, int chain, const uint8_t* prev, uint32_t* ref) {
    auto& list = fake_chains().chains[chain];
    size_t i = 0;
    if (prev) {
        for (; i < list.size(); ++i)
            if (list[i].data() == prev) break;
        ++i;
    }
    if (i >= list.size()) return nullptr;
    if (ref) *ref = static_cast<uint32_t>(chain * 1000 + i + 1);
    return list[i].data();
}

// Adds a record to a chain; its page is 2048 bytes, the record at its start.
inline uint32_t fake_add(int chain, const std::vector<uint8_t>& rec) {
    std::vector<uint8_t> page(2048, 0);
    std::memcpy(page.data(), rec.data(), rec.size() < 2048 ? rec.size() : 2048);
    auto& list = fake_chains().chains[chain];
    list.push_back(page);
    return static_cast<uint32_t>(chain * 1000 + list.size());
}

class DimensionTest : public OutputTest {
protected:
    std::vector<std::vector<uint8_t>> fonts;
    KernelStore saved_store{};
    std::vector<uint8_t> projection = std::vector<uint8_t>(projection_record_max, 0);

    void SetUp() override {
        OutputTest::SetUp();
        init_dimension_drawing_constants();
        fonts = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts), 0);
        text_settings_bind_settings_block();
        select_text_font(3, 0, 0);
        saved_store = kernel_store;
        for (auto& c : fake_chains().chains) c.clear();
        kernel_store = kernel_store_unbound;
        kernel_store.next = fake_next;
        dimension_window_seams = dimension_window_seams_unbound;
        dimension_pick_state = DimensionPickState{};
        error_flag = 0;
        set_drawing_scale(1.0);
    }
    void TearDown() override {
        kernel_store = saved_store;
        dimension_window_seams = dimension_window_seams_unbound;
        dimension_pick_state = DimensionPickState{};
        for (auto& c : fake_chains().chains) c.clear();
        OutputTest::TearDown();
    }
    void view_projection(OutputView* v) { v->projection = projection.data(); }
};

// ---------------------------------------------------------------- records

inline void put_pf(std::vector<uint8_t>& r, size_t off, double x, double y) {
    put_pointf(r.data(), off, PointF{static_cast<float>(x), static_cast<float>(y)});
}

// A packed text appended after `head` bytes; the record length follows.
inline void set_text(std::vector<uint8_t>& r, size_t head, const std::string& text) {
    r.resize(head);
    if (!text.empty()) {
        std::vector<uint16_t> words(text.size() + 8);
        int bytes = text_pack(text.c_str(), words.data(), static_cast<int>(words.size() * 2));
        r.resize(head + static_cast<size_t>(bytes));
        std::memcpy(r.data() + head, words.data(), static_cast<size_t>(bytes));
    }
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
}

// A dimension: kind, line-end styles, value word, points.
inline std::vector<uint8_t> dimension(uint32_t number, int kind, int style1, int style2, uint16_t value,
                                      Point2 first, Point2 second, Point2 centre = {0, 0},
                                      Segment ext1 = {{0, 0}, {0, 0}}, Segment ext2 = {{0, 0}, {0, 0}}) {
    std::vector<uint8_t> r(dimension_record_size, 0);
    put_u16(r.data(), record_length, dimension_record_size);
    put_u32(r.data(), dimension_number, number);
    put_u16(r.data(), dimension_kind_word, static_cast<uint16_t>(kind | (style1 << 8) | (style2 << 12)));
    put_u16(r.data(), dimension_value_word, value);
    put_pf(r, dimension_line_start, first.x, first.y);
    put_pf(r, dimension_line_end, second.x, second.y);
    put_pf(r, dimension_centre, centre.x, centre.y);
    put_pf(r, dimension_extension1, ext1.start.x, ext1.start.y);
    put_pf(r, dimension_extension1 + 8, ext1.end.x, ext1.end.y);
    put_pf(r, dimension_extension2, ext2.start.x, ext2.start.y);
    put_pf(r, dimension_extension2 + 8, ext2.end.x, ext2.end.y);
    return r;
}

inline std::vector<uint8_t> annotation(int kind, size_t head, uint16_t flags, uint32_t key = 0) {
    std::vector<uint8_t> r(head, 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(head));
    put_u32(r.data(), record_key, key);
    r[record_kind] = static_cast<uint8_t>(kind);
    put_u16(r.data(), annotation_flags, flags);
    return r;
}

// Pixel distance.
inline double pdist(PointI a, PointI b) {
    return std::hypot(static_cast<double>(a.x - b.x), static_cast<double>(a.y - b.y));
}

}  // namespace dimension_test
