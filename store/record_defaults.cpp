// Default records: the page buffers filled with copies of each table's
// default record at start-up and for a new drawing.
#include "store/records.h"
#include "base/program_messages.h"

#include "base/byte_order.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "geometry/text_numbers.h"

#include <cfloat>
#include <cstring>
#include <initializer_list>

// Copies of a default record from byte 4 of a buffer, the counter field
// raised by 1 after each copy, the tail filled with the start of one more.
void page_fill_defaults(PageBuffer* b, unsigned char* rec, size_t size, size_t counter_off) {
    if (!b || !b->data || !rec || size == 0 || size > page_size - 4) return;
    size_t off = 4;
    while (off + size <= page_size) {
        std::memcpy(b->data + off, rec, size);
        put_u32(rec, counter_off, get_u32(rec, counter_off) + 1);
        off += size;
    }
    std::memcpy(b->data + off, rec, page_size - off);
}

void page_buffers_init_defaults() {
    unsigned char r[512];
    for (int t = table_annotation; t <= table_construction; ++t) {
        PageBuffer* b = &page_buffers[t];
        if (!b->data) return;
        // A page of a drawing still open (the other drawing, when a second
        // one is made) goes back to its file first: the defaults below would
        // otherwise stand in the buffer as that page and lose its records.
        if (b->owner && b->page) {
            int16_t before = error_flag;
            page_load(b->owner, nullptr, b);
            if (!error_flag) error_flag = before;
        }
        fill_random_words(r, sizeof r);
        size_t size = 0, counter = 2;
        switch (t) {
        case table_annotation: {
            size = 60;
            put_u32(r, 2, 1);
            r[6] = 0;
            r[7] = 10;
            uint16_t f = get_u16(r, 8);
            f = static_cast<uint16_t>((f & ~0x0780 & ~0x002F) | ((settings_text_size_for_store() & 0x0F) << 7));
            put_u16(r, 8, f);
            r[9] |= 0x08;
            break;
        }
        case table_projections:
            size = 440;
            put_u32(r, 2, 1);
            put_u32(r, 6, 8192);
            put_u32(r, 14, 6144);
            put_u32(r, 18, 4096);
            put_u32(r, 30, 2048);
            put_f32(r, 58, FLT_MAX);
            put_f32(r, 62, FLT_MAX);
            put_f32(r, 66, -FLT_MAX);
            put_f32(r, 70, -FLT_MAX);
            r[99] |= 0x02;
            for (size_t o : {50u, 54u, 74u, 78u, 82u, 86u}) put_u32(r, o, 0);
            std::memset(r + 148, 0, 32);
            break;
        case table_points:
        case table_title_block:
            size = 48;
            put_u32(r, 2, 1);
            std::memset(r + 28, 0, 16);
            break;
        case table_links:
            size = 26;
            put_u32(r, 2, 1087);
            put_u32(r, 14, 0);
            put_u32(r, 18, 0);
            put_u16(r, 24, static_cast<uint16_t>((get_u16(r, 24) | 1) & ~2));
            break;
        case table_dimensions:
            size = 100;
            for (size_t o : {40u, 44u, 48u, 52u}) put_u32(r, o, 0);
            std::memset(r + 64, 0, 32);
            break;
        case table_elements:
            size = 54;
            put_u32(r, 2, 12);
            put_u16(r, 6, 0);
            put_u16(r, 8, 0);
            put_u16(r, 12, static_cast<uint16_t>(get_u16(r, 12) & 0x1FFF));
            put_f64(r, 30, 3.4028234663852886e38);
            put_f64(r, 46, 3.4028234663852886e38);
            break;
        case table_contours:
        case table_model:
            size = 86;
            for (size_t o : {6u, 14u, 22u, 30u}) put_f64(r, o, DBL_MAX);
            break;
        case table_tables:
            size = 16;
            counter = 4;
            put_u32(r, 4, 14);
            break;
        case table_construction:
            size = 62;
            r[6] = 5;
            put_u32(r, 2, 0);
            break;
        }
        put_u16(r, 0, static_cast<uint16_t>(t == table_tables ? 54 : size));
        page_fill_defaults(b, r, size, counter);
    }
}
