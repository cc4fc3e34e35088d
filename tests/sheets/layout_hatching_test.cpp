// Hatch lines of a layout node: regenerated from the hatchings whose flag
// bit 0 asks for it, none for the others, nothing once the run is asked to
// stop; the contour array is freed on every way out.
#include "output/layout_nodes.h"

#include "tests/contours/contour_fixture.h"

#include "render/contours/hatch_generation.h"
#include "render/contours/hatch_patterns.h"
#include "store/records.h"

using namespace contour_test;

namespace {

class LayoutHatching : public ContourTest {
protected:
    void SetUp() override {
        ContourTest::SetUp();
        hatch_kinds_install();
        put_u16(proj(), record_length, projection_record_head);
        put_u32(proj(), 2, 1);
        put_u16(proj(), projection_flags, 1);
        put_f32(proj(), 58, 0.0f);
        put_f32(proj(), 62, 0.0f);
        put_f32(proj(), 66, 100.0f);
        put_f32(proj(), 70, 100.0f);
        // A 20 x 20 square contour 71 from (20, 20).
        polygon(101, {{20, 20}, {40, 20}, {40, 40}, {20, 40}}, 1);
        std::vector<uint8_t> c = contour_record(71, 2, -2, {101, 102, 103, 104});
        put_box(c.data(), contour_box, Box{20, 20, 40, 40});
        add_contour(c);
    }
    // The projection goes into the drawing's chain once its records are in.
    LayoutNodes nodes() {
        RecordRef* phead = reinterpret_cast<RecordRef*>(df->header + header_projections);
        EXPECT_NE(record_add_at_end(df, phead, proj(), &page_buffers[table_projections]), 0u);
        return layout_build_nodes(df);
    }
    static size_t lines(const LayoutNode& n) {
        size_t k = 0;
        for (HatchLine* h = n.hatch.hatch_lines; h; h = h->next) ++k;
        return k;
    }
};

bool stop() { return false; }

TEST_F(LayoutHatching, OnlyHatchingsAskedForAreRegenerated) {
    hatching(71, 1, {30, 30}, 0.7853982f, 2.5f, 1);
    LayoutNodes n = nodes();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(layout_node_regenerate_hatching(n[0].get(), nullptr), 0);
    // 45-degree lines 2.5 apart over a 20 x 20 square: about 2 x 20 / sqrt 2 / 2.5.
    EXPECT_GE(lines(*n[0]), 10u);
    EXPECT_LE(lines(*n[0]), 13u);
    EXPECT_EQ(contour_array, nullptr);
    // Again: the old lines are replaced, not added to.
    size_t first = lines(*n[0]);
    EXPECT_EQ(layout_node_regenerate_hatching(n[0].get(), nullptr), 0);
    EXPECT_EQ(lines(*n[0]), first);
    // A stop request leaves no lines and no contour array.
    EXPECT_EQ(layout_node_regenerate_hatching(n[0].get(), stop), 0);
    EXPECT_EQ(lines(*n[0]), 0u);
    EXPECT_EQ(contour_array, nullptr);
}

TEST_F(LayoutHatching, AHatchingWithBitZeroClearIsLeft) {
    hatching(71, 1, {30, 30}, 0.7853982f, 2.5f, 0);
    LayoutNodes n = nodes();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(layout_node_regenerate_hatching(n[0].get(), nullptr), 0);
    EXPECT_EQ(lines(*n[0]), 0u);
}

TEST_F(LayoutHatching, AFailedHatchingIsReportedAndFreesTheContours) {
    hatching(73, 1, {30, 30}, 0.7853982f, 2.5f, 1);  // no contour 73
    LayoutNodes n = nodes();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(layout_node_regenerate_hatching(n[0].get(), nullptr), -1);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(contour_array, nullptr);
    error_flag = 0;
}

}  // namespace
