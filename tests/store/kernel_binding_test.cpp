// The kernel's record-store seam filled by the store: the kernel walks, adds
// and removes records of a projection's chains in the current drawing.
#include "store_test_support.h"

#include "geometry/kernel_seams.h"
#include "store/kernel_binding.h"
#include "store/record_layouts.h"

using namespace store_test;

namespace {

class KernelBinding : public StoreTest {
protected:
    void TearDown() override {
        kernel_store = kernel_store_unbound;
        StoreTest::TearDown();
    }
};

TEST_F(KernelBinding, KernelWalksAddsAndRemovesThroughTheStore) {
    DrawingFile* df = create();
    store_bind_kernel();
    EXPECT_EQ(kernel_error_flag, &error_flag);
    std::vector<unsigned char> projection(projection_record_head, 0);
    uint8_t* p = projection.data();
    std::vector<unsigned char> e = make_record(element_size2, 5);
    uint32_t first = kernel_store.add(p, projection_elements, e.data());
    put_u32(e.data(), 2, 6);
    uint32_t second = kernel_store.add(p, projection_elements, e.data());
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    std::vector<uint32_t> keys, refs;
    uint32_t ref = 0;
    for (uint8_t* r = kernel_store.next(p, projection_elements, nullptr, &ref); r;
         r = kernel_store.next(p, projection_elements, r, &ref)) {
        keys.push_back(get_u32(r, 2));
        refs.push_back(ref);
    }
    EXPECT_EQ(keys, (std::vector<uint32_t>{5, 6}));
    EXPECT_EQ(refs, (std::vector<uint32_t>{first, second}));
    // A change in place reaches the file.
    uint8_t* r = kernel_store.next(p, projection_elements, nullptr, nullptr);
    put_u16(r, element_level, 44);
    kernel_store.changed(projection_elements, r);
    kernel_store.remove(p, projection_elements, second);
    drawing_file_save(df);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    EXPECT_EQ(get_u16(bytes.data(), (first & ~0x7FFu) + 4 + element_level), 44);
    EXPECT_EQ(get_u16(bytes.data(), (first & ~0x7FFu) + 4 + element_size2), 0);  // second gone
    EXPECT_NE(kernel_store.find_element(p, nullptr, 5), nullptr);
    EXPECT_EQ(kernel_store.find_element(p, nullptr, 6), nullptr);
    char path[800];
    EXPECT_EQ(kernel_drawing_path(path, sizeof path), std::strlen(df->path));
    unsigned char blob[300] = {1, 2, 3};
    EXPECT_NE(kernel_store_long_record(blob, sizeof blob), 0u);
}

}  // namespace
