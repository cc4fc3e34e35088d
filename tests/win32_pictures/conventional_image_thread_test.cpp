// The image-preparation thread under Wine: started for a four-point picture
// symbol it stores the bent picture under the element's own id, repaints
// the window and ends with its handle collected; stopped while it bends (the
// drawing closing) it ends within the wait, storing nothing, and the
// drawing keeps a whole picture chain; stopped while it stores its picture
// under the drawing lock, it is waited for past the time limit, never
// killed holding the lock.
#include "tests/win32_pictures/pictures_test_support.h"

#include <windows.h>

#include <cstring>

#include "geometry/geom_types.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/images/conventional_image_store.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_records.h"
#include "render/output/bent_pictures.h"
#include "shell/conventional_image_thread.h"
#include "shell/projection_windows.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;

using pictures_test::grey_bmp;

class PreparationThread : public pictures_test::PicturesDocTest {
protected:
    RecordRef pref = 0;
    ProjectionWindow window{};
    HWND hwnd = nullptr;

    void SetUp() override {
        PicturesDocTest::SetUp();
        ASSERT_EQ(drawing_new(1), 0);
        loaded_images_free(nullptr);
        pref = doc_test::add_projection(1);
        hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
        window = ProjectionWindow();
        window.number = 1;
        window.record_ref = pref;
        window.window = hwnd;
        projection_windows = &window;
    }
    void TearDown() override {
        conventional_image_threads_stop();
        projection_windows = nullptr;
        if (hwnd) DestroyWindow(hwnd);
        PicturesDocTest::TearDown();
    }
    // A four-point picture of w x h as image 1001 and a symbol of it
    // numbered `number`; returns the symbol's reference.
    RecordRef picture_and_symbol(int w, int h, uint32_t number) {
        PictureFields f;
        f.id = 1001;
        f.point_count = 4;
        f.height_mm = static_cast<float>(h);
        const int32_t pts[4][2] = {{0, h / 2}, {w - 1, h / 2}, {w / 3, h / 2}, {2 * w / 3, h / 2}};
        std::memcpy(f.points, pts, sizeof pts);
        std::strcpy(f.name, "Лента");
        const Bytes bmp = grey_bmp(w, h);
        EXPECT_EQ(conventional_image_add(f, bmp.data(), bmp.size()), 1);
        Bytes r(element_symbol_items + 4 * element_symbol_item_size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), element_number, number);
        put_u16(r.data(), element_flags, element_kind_symbol | (1 << 4));
        put_u16(r.data(), element_symbol_code, 1001);
        put_u16(r.data(), element_symbol_count, 4);
        const Point2 sp[4] = {{0, double(h)}, {double(w), double(h)}, {w / 4.0, 0}, {3 * w / 4.0, 0}};
        for (int i = 0; i < 4; ++i) put_point2(r.data(), element_symbol_items + element_symbol_item_size * i + 4, sp[i]);
        return doc_test::add_to_projection(pref, projection_elements, table_elements, r);
    }
    // Pumps messages until the threads have ended or ms passed.
    bool wait_threads(DWORD ms) {
        const DWORD start = GetTickCount();
        while (conventional_image_threads_running() > 0) {
            if (GetTickCount() - start > ms) return false;
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
        }
        return true;
    }
};

TEST_F(PreparationThread, StoresTheBentPictureUnderTheElementsId) {
    const RecordRef ref = picture_and_symbol(60, 40, 7);
    ASSERT_NE(ref, 0u);
    ASSERT_TRUE(start_symbol_picture_thread(&window, ref));
    EXPECT_NE(window.image_thread, nullptr);
    ASSERT_TRUE(wait_threads(60000));
    EXPECT_EQ(window.image_thread, nullptr);
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, bent_picture_id(7)}));
    LoadedImage* bent = loaded_image_find(bent_picture_id(7));
    ASSERT_NE(bent, nullptr);
    EXPECT_EQ(bent->point_count, 2);
    EXPECT_GT(bent->width, 0);
}

TEST_F(PreparationThread, StopDuringABendEndsItAndStoresNothing) {
    const RecordRef ref = picture_and_symbol(3000, 2000, 9);
    ASSERT_TRUE(start_symbol_picture_thread(&window, ref));
    const DWORD start = GetTickCount();
    while (bent_pictures_in_preparation() == 0 && conventional_image_threads_running() > 0 &&
           GetTickCount() - start < 20000)
        Sleep(1);
    ASSERT_EQ(bent_pictures_in_preparation(), 1);
    const DWORD before = GetTickCount();
    conventional_image_threads_stop();
    EXPECT_LT(GetTickCount() - before, 5000u);
    EXPECT_EQ(conventional_image_threads_running(), 0);
    EXPECT_EQ(bent_pictures_in_preparation(), 0);
    EXPECT_EQ(window.image_thread, nullptr);
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001}));
    PictureFields f;
    Bytes data;
    EXPECT_EQ(conventional_image_read(1001, &f, &data), 1);
}

// Writes of the drawing file from a thread other than the test's take
// 300 ms each: a bend's store then lasts well past a short stop limit.
DWORD test_thread = 0;
volatile LONG slow_writes = 0;
int slow_worker_writes(int write, uint64_t, size_t) {
    if (write && GetCurrentThreadId() != test_thread) {
        InterlockedIncrement(&slow_writes);
        Sleep(300);
    }
    return 0;
}

TEST_F(PreparationThread, StopWaitsForAStoreUnderTheLockPastTheLimit) {
    const RecordRef ref = picture_and_symbol(60, 40, 7);
    ASSERT_NE(ref, 0u);
    test_thread = GetCurrentThreadId();
    slow_writes = 0;
    const DWORD kept_limit = conventional_image_stop_limit_ms;
    conventional_image_stop_limit_ms = 100;
    drawing_io_fault = slow_worker_writes;
    ASSERT_TRUE(start_symbol_picture_thread(&window, ref));
    const DWORD start = GetTickCount();
    while (slow_writes == 0 && conventional_image_threads_running() > 0 && GetTickCount() - start < 30000) Sleep(1);
    ASSERT_GT(slow_writes, 0);
    EXPECT_TRUE(bent_pictures_holding_lock());
    conventional_image_threads_stop();
    drawing_io_fault = nullptr;
    conventional_image_stop_limit_ms = kept_limit;
    EXPECT_EQ(conventional_image_threads_running(), 0);
    EXPECT_FALSE(bent_pictures_holding_lock());
    // The lock is free again and the picture stored whole.
    ASSERT_TRUE(document_lock_try_acquire());
    document_lock_release();
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, bent_picture_id(7)}));
    PictureFields f;
    Bytes data;
    EXPECT_EQ(conventional_image_read(bent_picture_id(7), &f, &data), 1);
    EXPECT_EQ(data.size(), f.blob_length);
}

}  // namespace
