// Fixture of the walk tests: a real temporary drawing (the store's own test
// fixture), the settings block, the store bound to the kernel, and one
// projection record kept on the heap whose element chain lives in that
// drawing.
#pragma once

#include "tests/output/output_test_support.h"
#include "tests/store/store_test_support.h"

#include "store/kernel_binding.h"

namespace output_test {

class ElementChainTest : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    std::vector<uint8_t> projection = std::vector<uint8_t>(projection_record_max, 0);

    void SetUp() override {
        StoreTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
        df = create();
        output_window_seams = output_window_seams_unbound;
        dxf_output_active = 0;
        marked_element_count = 0;
        layer_mark_request = 0;
        tolerance_pick_request = 0;
        tolerance_pick_element = 0;
    }
    void TearDown() override {
        output_window_seams = output_window_seams_unbound;
        dxf_output_active = 0;
        settings_block_free();
        StoreTest::TearDown();
    }
    RecordRef* element_head() { return reinterpret_cast<RecordRef*>(projection.data() + projection_elements); }
    // Adds rec to the element chain as element number n.
    RecordRef add(std::vector<uint8_t> rec, uint32_t n) {
        put_u32(rec.data(), element_number, n);
        RecordRef r = record_add(df, element_head(), rec.data(), &page_buffers[table_elements]);
        EXPECT_NE(r, 0u);
        return r;
    }
    // A copy of element n as stored, empty when there is none.
    std::vector<uint8_t> stored(uint32_t n) {
        for (uint8_t* r = record_next(df, element_head(), nullptr, &page_buffers[table_elements]); r;
             r = record_next(df, element_head(), r, &page_buffers[table_elements]))
            if (get_u32(r, element_number) == n) return std::vector<uint8_t>(r, r + get_u16(r, record_length));
        return {};
    }
    bool is_marked(uint32_t n) {
        std::vector<uint8_t> r = stored(n);
        return !r.empty() && (get_u16(r.data(), element_flags) & element_flag_marked);
    }
};

}  // namespace output_test
