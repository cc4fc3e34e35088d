// The stored bent pictures of four-point picture symbols and the
// preparation that makes them.
#include "render/output/bent_pictures.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "render/images/bmp_image.h"
#include "render/images/conventional_image_store.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_bend.h"
#include "render/images/picture_records.h"
#include "render/output/symbol_catalog.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

// One symbol in preparation: its element's number and the pending flag the
// bend reads between rows (the copy's bending-pending bit).
struct Job {
    uint32_t number = 0;
    volatile int pending = 1;
};

// The bends in preparation, under a lock of their own (taken inside the
// drawing lock, never around it): an abandoned bend leaves the list without
// the drawing lock.
std::vector<std::shared_ptr<Job>> jobs;
OsLock* jobs_lock() {
    static OsLock* lock = os_lock_create();
    return lock;
}
struct JobsHold {
    JobsHold() { os_lock_enter(jobs_lock()); }
    ~JobsHold() { os_lock_leave(jobs_lock()); }
};
// Counts the abandonments of every bend (closing the drawing).
std::atomic<unsigned> all_abandoned{0};
// The preparations holding the drawing lock (reading their source or
// storing their result).
std::atomic<int> holding_lock{0};

// What the bend needs, copied under the lock.
struct Source {
    std::vector<uint8_t> dib;
    int32_t points[4][2] = {};
    double k = 0;
    bool transparent = false;
    uint32_t key = 0;  // 24-bit
    Point2 symbol[4] = {};
    int32_t signature[2][2] = {};
    uint32_t id = 0;
};

// Reads the element at ref and the picture it bends; false when it is no
// four-point picture symbol with a picture of four points.
bool read_source(DrawingFile* df, RecordRef ref, Source* s, uint32_t* number) {
    RecordRef at = ref;
    const unsigned char* el = record_read_at(df, &at, &page_buffers[table_elements]);
    if (!el || error_flag) return false;
    const uint16_t length = get_u16(el, record_length);
    if (length < element_symbol_items || element_kind(el) != element_kind_symbol) return false;
    uint32_t code = 0;
    double pts[4][2];
    if (symbol_element_points(el, length, &code, pts) != 4) return false;
    *number = get_u32(el, element_number);
    s->id = bent_picture_id(*number);
    if (!s->id || code < picture_symbol_first_code) return false;
    LoadedImage* image = loaded_image_find(code);
    if (!image || image->point_count != 4 || image->height <= 0 || image->dib.empty()) return false;
    s->k = sheet_to_model_length(image->height_mm) / image->height;
    if (!(s->k > 0) || !std::isfinite(s->k)) return false;
    try {
        s->dib = image->dib;
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
        return false;
    }
    std::memcpy(s->points, image->points, sizeof s->points);
    s->transparent = (image->flags & loaded_flag_transparent) != 0;
    s->key = s->transparent ? pixel_from_colorref(image->key_colour)
                            : pixel_from_colorref(settings_u32(settings_background_colour_offset));
    for (int i = 0; i < 4; ++i) s->symbol[i] = Point2{pts[i][0], pts[i][1]};
    bent_picture_signature(pts, s->signature);
    return true;
}

// The BMP file image of a bent picture's DIB.
bool bmp_of(const std::vector<uint8_t>& dib, std::vector<uint8_t>* out) {
    DibLayout layout;
    if (dib_layout(dib.data(), dib.size(), &layout) != 0) return false;
    try {
        out->assign(bmp_file_header_size + dib.size(), 0);
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
        return false;
    }
    bmp_file_header_for_dib(layout, out->data());
    std::memcpy(out->data() + bmp_file_header_size, dib.data(), dib.size());
    return true;
}

// Replaces the bent picture `id` by b (the lock held).
bool store_bent(const Source& s, const BentPicture& b) {
    std::vector<uint8_t> bmp;
    if (!bmp_of(b.dib, &bmp)) return false;
    remove_conventional_image(s.id);
    // A record of that id that never loaded has no entry: drop it too.
    conventional_image_drop_record(s.id);
    PictureFields f;
    f.id = s.id;
    f.point_count = 2;
    f.transparent = s.transparent && b.key_x >= 0;
    f.height_mm = static_cast<float>(model_to_sheet_length(b.height * b.pixel_size));
    f.key_colour = colorref_from_pixel(b.key);
    std::memcpy(f.points, b.points, sizeof b.points);
    std::memcpy(f.points + 2, s.signature, sizeof s.signature);
    std::snprintf(f.name, sizeof f.name, "SPL%u", s.id);
    f.key_x = std::max(b.key_x, 0);
    f.key_row = std::max(b.key_row, 0);
    return conventional_image_add(f, bmp.data(), bmp.size()) != 0;
}

void drop_job(const std::shared_ptr<Job>& job) {
    JobsHold hold;
    jobs.erase(std::remove(jobs.begin(), jobs.end(), job), jobs.end());
}

// Takes the drawing lock for a worker while `wanted` holds.  Closing the
// drawing abandons the bends and then waits for their threads with the lock
// held: a worker blocked on it would hold up the close until it is killed.
bool lock_while_wanted(const std::function<bool()>& wanted) {
    while (!document_lock_try_acquire()) {
        if (!wanted()) return false;
        os_sleep_ms(5);
    }
    ++holding_lock;
    return true;
}

void lock_release() {
    --holding_lock;
    document_lock_release();
}

}  // namespace

void bent_picture_signature(const double points[4][2], int32_t out[2][2]) {
    // Two 64-bit FNV-1a hashes of the eight coordinates' bytes.
    uint64_t h[2] = {1469598103934665603ull, 1099511628211ull * 31};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) {
            uint8_t bytes[8];
            put_f64(bytes, 0, points[i][j] == 0 ? 0.0 : points[i][j]);  // -0 and 0 alike
            for (uint8_t b : bytes)
                for (uint64_t& x : h) x = (x ^ b) * 1099511628211ull;
        }
    out[0][0] = static_cast<int32_t>(h[0]), out[0][1] = static_cast<int32_t>(h[0] >> 32);
    out[1][0] = static_cast<int32_t>(h[1]), out[1][1] = static_cast<int32_t>(h[1] >> 32);
}

bool bent_picture_matches(const int32_t picture_points[4][2], const double points[4][2]) {
    int32_t mark[2][2];
    bent_picture_signature(points, mark);
    return std::memcmp(mark, picture_points + 2, sizeof mark) == 0;
}

uint32_t bent_picture_id(uint32_t element_number) {
    if (element_number == 0 || element_number > 0xFFFFFFFFu - bent_picture_first_id) return 0;
    return bent_picture_first_id - 1 + element_number;
}

int bent_picture_prepare(RecordRef element_ref) {
    std::shared_ptr<Job> job;
    Source s;
    DrawingFile* df = nullptr;
    const unsigned abandoned_before = all_abandoned.load();
    if (!lock_while_wanted([&] { return all_abandoned.load() == abandoned_before; })) return 0;
    bool ok = false;
    try {
        job = std::make_shared<Job>();
        df = current_drawing_file();
        uint32_t number = 0;
        ok = df && read_source(df, element_ref, &s, &number) && all_abandoned.load() == abandoned_before;
        if (ok) {
            job->number = number;
            JobsHold hold;
            jobs.push_back(job);
            // The stored bend no longer matches: previews are drawn until
            // the new one is stored.
            if (LoadedImage* old = loaded_image_find(s.id)) old->flags |= loaded_flag_temporary;
        }
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
        ok = false;
    }
    error_flag = 0;
    lock_release();
    if (!ok) return 0;

    BentPicture bent;
    RasterView view;
    bool done = raster_view_of_dib(s.dib.data(), s.dib.size(), &view);
    if (done) {
        raster_set_key(&view, s.key);
        done = picture_bend(view, s.points, s.k, s.symbol, true, s.key, &bent, &job->pending);
    }
    s.dib.clear();
    s.dib.shrink_to_fit();

    int stored = 0;
    if (done && lock_while_wanted([&] { return job->pending != 0; })) {
        if (job->pending && current_drawing_file() == df) {
            error_flag = 0;
            stored = store_bent(s, bent) ? 1 : 0;
            error_flag = 0;
        }
        lock_release();
    }
    drop_job(job);
    return stored;
}

void bent_pictures_abandon(uint32_t element_number) {
    if (element_number == 0) ++all_abandoned;
    JobsHold hold;
    for (const auto& j : jobs)
        if (element_number == 0 || j->number == element_number) j->pending = 0;
}

void bent_picture_discard(uint32_t element_number) {
    const uint32_t id = bent_picture_id(element_number);
    if (!id) return;
    document_lock_acquire();
    bent_pictures_abandon(element_number);
    if (current_drawing_file()) {
        remove_conventional_image(id);
        // A record of that id that never loaded has no entry: drop it too.
        conventional_image_drop_record(id);
        error_flag = 0;
    }
    document_lock_release();
}

bool bent_pictures_holding_lock() { return holding_lock.load() > 0; }

int bent_pictures_in_preparation() {
    JobsHold hold;
    return static_cast<int>(jobs.size());
}
