// Placing conventional symbols: a catalogue sign takes the catalogue's
// number of points, a user's image the number of its picture's points; a
// point already taken is refused; the stored record holds the code, the
// points in click order with their sketch positions and the layer choice;
// a code that names nothing is refused with its message.
#include "tests/elements/elements_fixture.h"

#include <cstring>
#include <memory>

#include "render/images/loaded_images.h"
#include "render/output/symbol_catalog.h"
#include "stages/points_elements/symbol_input.h"

using namespace elements_test;

namespace {

class SymbolPlacing : public ElementsTest {
protected:
    SymbolInput in;
    ElementStoreHooks hooks;
    int checkpoints = 0;
    void SetUp() override {
        ElementsTest::SetUp();
        loaded_images_free(nullptr);
        hooks.checkpoint = [this](unsigned char* p) { ++checkpoints; return p; };
        for (uint32_t n = 1; n <= 5; ++n) point(n, 10.0 * n, 3.0 * n);
    }
    void TearDown() override {
        loaded_images_free(nullptr);
        ElementsTest::TearDown();
    }
    bool control_point(uint32_t n) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        return r && (get_u16(r, point_flags2) & point_flag2_bezier_control);
    }
    void add_image(uint32_t id, int points) {
        auto image = std::make_unique<LoadedImage>();
        image->owner = df;
        image->id = id;
        image->point_count = points;
        loaded_images.push_back(std::move(image));
    }
    int click(uint32_t n, RecordRef* ref = nullptr, uint32_t* number = nullptr, bool ctrl = false) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        EXPECT_NE(r, nullptr);
        Bytes p(r, r + point_record_size);
        unsigned char* pr = proj();
        return symbol_input_click(in, df, &pr, p.data(), hooks, ref, number, ctrl);
    }
};

TEST_F(SymbolPlacing, PointsAreTakenUntilTheSymbolIsStored) {
    // A catalogue entry of two points.
    const SymbolCatalogEntry* two = nullptr;
    for (const SymbolCatalogEntry& e : symbol_catalog)
        if (e.point_count == 2) { two = &e; break; }
    ASSERT_NE(two, nullptr);
    ASSERT_TRUE(symbol_input_choose(in, two->code, true));
    EXPECT_EQ(in.needed, 2);
    EXPECT_EQ(click(3), 1);
    EXPECT_EQ(click(3), 0);  // taken already
    RecordRef ref = 0;
    uint32_t number = 0;
    EXPECT_EQ(click(1, &ref, &number), 2);
    EXPECT_NE(ref, 0u);
    EXPECT_EQ(checkpoints, 1);
    EXPECT_TRUE(in.element.empty());
    const std::vector<Bytes> stored = all(number);
    ASSERT_EQ(stored.size(), 1u);
    const uint8_t* r = stored[0].data();
    EXPECT_EQ(get_u16(r, record_length), element_symbol_items + 2 * element_symbol_item_size);
    EXPECT_EQ(element_kind(r), element_kind_symbol);
    EXPECT_EQ((get_u16(r, element_flags) >> 4) & 15, 1);
    EXPECT_EQ(get_u16(r, element_options) & 2, 2);  // drawn under the other graphics
    EXPECT_EQ(get_u16(r, element_symbol_code), two->code);
    EXPECT_EQ(get_u16(r, element_symbol_count), 2);
    const int32_t want[2] = {3, 1};
    for (int i = 0; i < 2; ++i) {
        const size_t at = element_symbol_items + element_symbol_item_size * i;
        EXPECT_EQ(get_u32(r, at), static_cast<uint32_t>(want[i]));
        EXPECT_EQ(get_f64(r, at + 4), 10.0 * want[i]);
        EXPECT_EQ(get_f64(r, at + 12), 3.0 * want[i]);
    }
    // The same choice goes on with the next symbol.
    EXPECT_EQ(click(4), 1);
}

TEST_F(SymbolPlacing, ImagesTakeTheirPicturesPointsAndUnknownCodesAreRefused) {
    auto image = std::make_unique<LoadedImage>();
    image->owner = df;
    image->id = 1001;
    image->point_count = 3;
    loaded_images.push_back(std::move(image));
    EXPECT_EQ(symbol_input_points_needed(1001), 3);
    ASSERT_TRUE(symbol_input_choose(in, 1001, false));
    EXPECT_EQ(click(1), 1);
    EXPECT_EQ(click(2), 1);
    uint32_t number = 0;
    EXPECT_EQ(click(5, nullptr, &number), 2);
    ASSERT_EQ(all(number).size(), 1u);
    EXPECT_EQ(get_u16(all(number)[0].data(), element_options) & 2, 0);

    store_test::shown().clear();
    EXPECT_EQ(symbol_input_points_needed(1002), 0);
    EXPECT_FALSE(symbol_input_choose(in, 1002, false));
    EXPECT_EQ(in.needed, 0);
    EXPECT_EQ(click(1), 0);
    ASSERT_EQ(store_test::shown().size(), 1u);
    EXPECT_NE(store_test::shown()[0].find("E20350"), std::string::npos);
}

// With a four-point image, the third and later points given with Ctrl
// become control points once the symbol is stored; Ctrl on the first two
// points, on a three-point image, or on a symbol given up changes nothing.
TEST_F(SymbolPlacing, CtrlMakesTheLaterPointsOfAFourPointImageControlPoints) {
    add_image(1001, 4);
    add_image(1002, 3);
    ASSERT_TRUE(symbol_input_choose(in, 1001, false));
    EXPECT_EQ(click(1, nullptr, nullptr, true), 1);
    EXPECT_EQ(click(2), 1);
    EXPECT_EQ(click(3, nullptr, nullptr, true), 1);
    EXPECT_FALSE(control_point(3));  // not before the symbol is stored
    uint32_t number = 0;
    EXPECT_EQ(click(4, nullptr, &number, true), 2);
    const bool want[6] = {false, false, false, true, true, false};
    for (uint32_t n = 1; n <= 5; ++n) EXPECT_EQ(control_point(n), want[n]) << "point " << n;

    // Given up before it is stored: point 5 stays an ordinary point.
    ASSERT_TRUE(symbol_input_choose(in, 1001, false));
    EXPECT_EQ(click(1), 1);
    EXPECT_EQ(click(2), 1);
    EXPECT_EQ(click(5, nullptr, nullptr, true), 1);
    symbol_input_cancel(in);
    EXPECT_TRUE(in.controls.empty());
    // A three-point image: Ctrl on its third point makes no control point.
    ASSERT_TRUE(symbol_input_choose(in, 1002, false));
    EXPECT_EQ(click(1), 1);
    EXPECT_EQ(click(2), 1);
    EXPECT_EQ(click(5, nullptr, nullptr, true), 2);
    EXPECT_FALSE(control_point(5));
}

// A spline's control point is refused as the first or second point of any
// symbol, with its message and the error flag; as the third or fourth it is
// taken.
TEST_F(SymbolPlacing, ControlPointsAreRefusedAsTheFirstTwoPoints) {
    add_image(1001, 4);
    RecordRef from = 0;
    unsigned char* r = record_find_key(df, head(projection_points), 5, &from, &page_buffers[table_points]);
    ASSERT_NE(r, nullptr);
    put_u16(r, point_flags2, point_flag2_bezier_control);
    page_buffers[table_points].clean = 0;
    struct Case {
        std::vector<uint32_t> before;  // points taken first
        int want;                      // the answer to a click on point 5
    } cases[] = {{{}, 0}, {{1}, 0}, {{1, 2}, 1}, {{1, 2, 3}, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.size());
        ASSERT_TRUE(symbol_input_choose(in, 1001, false));
        for (uint32_t n : c.before) ASSERT_EQ(click(n), 1);
        store_test::shown().clear();
        error_flag = 0;
        EXPECT_EQ(click(5), c.want);
        if (c.want == 0) {
            EXPECT_EQ(error_flag, 1);
            ASSERT_EQ(store_test::shown().size(), 1u);
            EXPECT_NE(store_test::shown()[0].find(" использовать контрольную точку сплайна"), std::string::npos);
            // The points taken before stay; the refused one is not among them.
            const int count = in.element.empty() ? 0 : get_u16(in.element.data(), element_symbol_count);
            EXPECT_EQ(count, static_cast<int>(c.before.size()));
        } else {
            EXPECT_TRUE(store_test::shown().empty());
        }
        error_flag = 0;
        symbol_input_cancel(in);
    }
}

}  // namespace
