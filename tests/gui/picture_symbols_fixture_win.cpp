// picture_symbols_fixture: the drawing of the picture-symbol scenario,
// written and read back through the program's own store.
//   picture_symbols_fixture OUT.svt [--damaged]
// writes one projection without a sketch holding three symbols: a circle
// sign (code 0), a transparent picture placed by one point (code 1001) and
// a picture bent along the Bezier of four points (code 1002), with the two
// pictures' records and BMP blobs.  With --damaged the first picture's BMP
// claims more rows than it holds.  With --large the bent picture (1002) is
// 2400 x 1800 pixels, so that bending it takes seconds, and the projection
// holds reference points 1-4 at (20, 20), (140, 20), (50, 110), (110, 110)
// to place it on again.
//   picture_symbols_fixture --list FILE.svt
// prints the picture records field by field and the symbol elements (code
// and points), one per line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "tests/gui/fixture_drawing_win.h"
#include "base/program_messages.h"
#include "render/images/picture_records.h"
#include "shell/core/projection_records.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/kernel_binding.h"
#include "store/records.h"

namespace {

// A 24-bit BMP of w x h: a blue disc on a magenta ground (the key colour).
std::vector<uint8_t> disc_bmp(int w, int h) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> f(54 + stride * h, 0);
    f[0] = 'B', f[1] = 'M';
    put_u32(f.data(), 2, static_cast<uint32_t>(f.size()));
    put_u32(f.data(), 10, 54);
    put_u32(f.data(), 14, 40);
    put_i32(f.data(), 18, w);
    put_i32(f.data(), 22, h);
    put_u16(f.data(), 26, 1);
    put_u16(f.data(), 28, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = f.data() + 54 + stride * y + 3 * x;
            const double dx = x - w / 2.0, dy = y - h / 2.0;
            const bool in = dx * dx + dy * dy < (w / 2.5) * (w / 2.5);
            p[0] = 255, p[1] = 0, p[2] = in ? 0 : 255;
        }
    return f;
}

RecordRef add_picture(DrawingFile* df, uint32_t id, int points, bool transparent, const std::vector<uint8_t>& bmp,
                      const int32_t pts[4][2], const char* name) {
    PictureFields f;
    f.id = id;
    f.point_count = points;
    f.transparent = transparent;
    f.tolerance = 4;
    f.height_mm = 20.f;
    std::memcpy(f.points, pts, sizeof f.points);
    std::strcpy(f.name, name);
    f.blob = blob_write(df, static_cast<uint32_t>(bmp.size()), bmp.data());
    f.blob_length = static_cast<uint32_t>(bmp.size());
    f.key_x = 0;
    f.key_row = 0;
    uint8_t rec[74];
    picture_record_build(f, rec);
    RecordRef head = get_u32(df->header, header_pictures);
    RecordRef r = record_add_at_end(df, &head, rec, &page_buffers[table_pictures]);
    put_u32(df->header, header_pictures, head);
    return r;
}

std::vector<uint8_t> symbol(uint32_t number, uint32_t code, const std::vector<std::vector<double>>& pts) {
    const size_t size = element_symbol_items + element_symbol_item_size * pts.size();
    std::vector<uint8_t> r(size, 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(size));
    put_u32(r.data(), element_number, number);
    put_u16(r.data(), element_flags, element_kind_symbol | (1 << 4));
    put_u16(r.data(), element_symbol_code, static_cast<uint16_t>(code));
    put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i) {
        put_u32(r.data(), element_symbol_items + element_symbol_item_size * i, 0);
        put_f64(r.data(), element_symbol_items + element_symbol_item_size * i + 4, pts[i][0]);
        put_f64(r.data(), element_symbol_items + element_symbol_item_size * i + 12, pts[i][1]);
    }
    return r;
}

int list(const char* path) {
    DrawingFile* df = fixture_open(path);
    if (!df) return 5;
    RecordRef ph = get_u32(df->header, header_pictures);
    for (unsigned char* r = record_next(df, &ph, nullptr, &page_buffers[table_pictures]); r;
         r = record_next(df, &ph, r, &page_buffers[table_pictures])) {
        PictureFields f;
        if (!picture_record_parse(r, &f)) continue;
        std::printf("picture %u points %d transparent %d tolerance %u height %.3f key %06x", f.id, f.point_count,
                    f.transparent ? 1 : 0, f.tolerance, f.height_mm, f.key_colour);
        for (int i = 0; i < 4; ++i) std::printf(" %d,%d", f.points[i][0], f.points[i][1]);
        std::printf(" name");
        for (const char* c = f.name; *c; ++c) std::printf(" %02x", static_cast<unsigned char>(*c));
        std::printf(" blob %u keypixel %d,%d\n", f.blob_length, f.key_x, f.key_row);
    }
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;
    RecordRef eh = get_u32(proj, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, &eh, nullptr, eb); r; r = record_next(df, &eh, r, eb)) {
        if (get_u16(r, record_length) < element_head_size || element_kind(r) != element_kind_symbol) continue;
        const int n = get_u16(r, element_symbol_count);
        std::printf("symbol %u code %u", get_u32(r, element_number), get_u16(r, element_symbol_code));
        for (int i = 0; i < n && i < 4; ++i)
            std::printf(" %.3f,%.3f", get_f64(r, element_symbol_items + element_symbol_item_size * i + 4),
                        get_f64(r, element_symbol_items + element_symbol_item_size * i + 12));
        std::printf("\n");
    }
    drawing_file_close(df);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (fixture_store_start() != 0) return 3;
    if (std::strcmp(argv[1], "--list") == 0) return argc < 3 ? 2 : list(argv[2]);
    const bool damaged = argc >= 3 && std::strcmp(argv[2], "--damaged") == 0;
    const bool large = argc >= 3 && std::strcmp(argv[2], "--large") == 0;
    DrawingFile* df = fixture_create(argv[1]);
    if (!df) return 5;
    RecordRef ref = fixture_add_plain_projection(df, 150.f, 120.f);
    if (!ref) return 7;

    std::vector<uint8_t> first = disc_bmp(40, 40);
    if (damaged) put_i32(first.data(), 22, 400);  // more rows than the file holds
    const int32_t one[4][2] = {{20, 20}, {0, 0}, {0, 0}, {0, 0}};
    const int32_t four[4][2] = {{0, 20}, {39, 20}, {13, 20}, {26, 20}};
    const int32_t four_large[4][2] = {{0, 900}, {2399, 900}, {800, 900}, {1600, 900}};
    if (!add_picture(df, 1001, 1, true, first, one, "disc")) return 8;
    if (!add_picture(df, 1002, 4, false, large ? disc_bmp(2400, 1800) : disc_bmp(40, 40), large ? four_large : four,
                     "band"))
        return 8;
    const double places[4][2] = {{20, 20}, {140, 20}, {50, 110}, {110, 110}};
    if (large && !fixture_add_points(df, ref, places, 4)) return 12;

    RecordRef elements = 0;
    const std::vector<std::vector<uint8_t>> symbols = {
        symbol(1, 0, {{50, 40}, {35, 40}}),
        symbol(2, 1001, {{90, 40}}),
        symbol(3, 1002, {{30, 90}, {130, 90}, {60, 60}, {100, 60}}),
    };
    for (const auto& s : symbols)
        if (!record_add_at_end(df, &elements, s.data(), &page_buffers[table_elements])) return 9;
    if (!fixture_set_projection_chain(df, ref, projection_elements, elements)) return 10;
    put_u32(df->header, header_highest_element, 3);
    drawing_file_close(df);
    return error_flag ? 11 : 0;
}
