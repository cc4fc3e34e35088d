// Import session: new projections, reference points under element ends and
// new graphic elements for the MGI and DXF readers.
#include "output/import_session.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/documents.h"
#include "geometry/extents.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

ExchangeShell exchange_shell;

namespace {

enum : uint32_t {
    projection_title_length = 144,  // u16 packed byte length of the title
    projection_sketch_length = 146, // u16 packed byte length of the sketch reference
    projection_title = 148,         // 16 words, mode 3
    projection_title_words = 16,
    projection_scale = 112          // double
};

PageBuffer* projection_buffer() { return &page_buffers[table_projections]; }

// Adds rec to the chain whose head lies at chain_offset of the current
// projection record and writes the head back.  Returns the stored record's
// reference, 0 on failure.
RecordRef add_to_projection_chain(ImportSession* s, uint32_t chain_offset, int table, const uint8_t* rec) {
    uint8_t* p = import_projection(s);
    if (!p) return 0;
    RecordRef head = get_u32(p, chain_offset);
    RecordRef got = record_add(s->df, &head, rec, &page_buffers[table]);
    p = import_projection(s);
    if (!p) return 0;
    if (get_u32(p, chain_offset) != head) {
        put_u32(p, chain_offset, head);
        projection_buffer()->clean = 0;
    }
    return got;
}

// The smallest projection number that no projection of the drawing has; the
// drawing's projection counter follows it.
uint32_t next_projection_number(DrawingFile* df) {
    std::vector<uint32_t> used;
    RecordRef head = get_u32(df->header, header_projections);
    int guard = 0;
    for (uint8_t* r = record_next(df, &head, nullptr, projection_buffer()); r && guard < 100000;
         r = record_next(df, &head, r, projection_buffer()), ++guard)
        used.push_back(get_u32(r, record_key));
    uint32_t n = 1;
    for (bool again = true; again;) {
        again = false;
        for (uint32_t u : used)
            if (u == n) {
                ++n;
                again = true;
            }
    }
    if (get_u32(df->header, header_counters) < n) put_u32(df->header, header_counters, n);
    return n;
}

// Numbers an element record and puts it on the projection's element chain.
// Returns 1, or -1 where no number or room is left.
int element_add(ImportSession* s, uint8_t* rec) {
    uint32_t number = element_number_alloc();
    if (!number) return -1;
    put_u32(rec, element_number, number);
    if (!add_to_projection_chain(s, projection_elements, table_elements, rec)) return -1;
    ++s->count;
    return 1;
}

}  // namespace

int import_session_begin(ImportSession* s) {
    s->df = current_drawing_file();
    if (!s->df) {
        int r = exchange_shell.drawing_create ? exchange_shell.drawing_create() : drawing_new(1);
        s->df = current_drawing_file();
        if (r != 0 || !s->df) return -1;
    }
    return 0;
}

void import_session_end(ImportSession* s) { s->points.clear(); }

uint8_t* import_projection(ImportSession* s) {
    if (!s->projection || !s->df) return nullptr;
    RecordRef r = s->projection;
    return record_read_at(s->df, &r, projection_buffer());
}

int import_projection_new(ImportSession* s, const char* name, size_t length, int type, int mgi) {
    if (s->projection) import_projection_extents(s);
    std::vector<uint8_t> rec(projection_record_max, 0);
    put_u16(rec.data(), record_length, static_cast<uint16_t>(projection_record_max));
    put_u32(rec.data(), record_key, next_projection_number(s->df));
    uint16_t flags = 0x0210;  // no sketch; to be constructed
    if (mgi || s->no_auto_construction) flags |= 0x0400;
    if (type > 8) flags |= 8;
    else flags |= static_cast<uint16_t>(type);
    put_u16(rec.data(), projection_flags, flags);
    put_f32(rec.data(), projection_frame_offset, FLT_MAX);
    put_f32(rec.data(), projection_frame_offset + 4, FLT_MAX);
    put_f32(rec.data(), projection_frame_offset + 8, -FLT_MAX);
    put_f32(rec.data(), projection_frame_offset + 12, -FLT_MAX);
    put_f64(rec.data(), projection_scale, 1.0);
    if (length > 520) length = 520;
    std::vector<char> text(name, name + length);
    text.push_back('\0');
    uint16_t words[projection_title_words];
    int bytes = text_pack_words(static_cast<int>(length), text.data(), words, projection_title_words, 3);
    std::memcpy(rec.data() + projection_title, words, static_cast<size_t>(bytes));
    put_u16(rec.data(), projection_title_length, static_cast<uint16_t>(bytes));
    // The sketch-reference tail holds random words until a sketch is stored;
    // its length stays 0.
    fill_random_words(rec.data() + projection_record_head, projection_record_max - projection_record_head);
    put_u16(rec.data(), projection_sketch_length, 0);

    RecordRef head = get_u32(s->df->header, header_projections);
    RecordRef got = record_add_at_end(s->df, &head, rec.data(), projection_buffer());
    if (!got) return -1;
    put_u32(s->df->header, header_projections, head);
    s->projection = got;
    s->points.clear();
    s->cell = tolerance_get() * 4;
    uint32_t number = get_u32(rec.data(), record_key);
    s->projections.push_back(number);
    if (exchange_shell.projection_opened) exchange_shell.projection_opened(number);
    if (exchange_shell.prompt) exchange_shell.prompt("Ждите завершения импорта...");
    return 0;
}

namespace {

uint64_t cell_key(int64_t cx, int64_t cy) {
    return (static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull) ^ static_cast<uint64_t>(cy);
}

int64_t cell_of(double v, double cell) {
    double c = std::floor(v / cell);
    if (c > 4e18) return static_cast<int64_t>(4e18);
    if (c < -4e18) return static_cast<int64_t>(-4e18);
    return static_cast<int64_t>(c);
}

}  // namespace

uint32_t point_find_or_create(ImportSession* s, double x, double y) {
    if (!s->projection || !std::isfinite(x) || !std::isfinite(y)) return 0;
    if (!(s->cell > 0)) s->cell = 4 * tolerance_standing;
    // A point within the tolerance lies in this cell or a neighbour.
    int64_t cx = cell_of(x, s->cell), cy = cell_of(y, s->cell);
    for (int64_t dx = -1; dx <= 1; ++dx)
        for (int64_t dy = -1; dy <= 1; ++dy) {
            auto it = s->points.find(cell_key(cx + dx, cy + dy));
            if (it == s->points.end()) continue;
            for (const ImportSession::PointEntry& e : it->second)
                if (points_equal(e.x, e.y, x, y)) return e.number;
        }
    uint8_t rec[point_record_size] = {};
    put_u16(rec, record_length, point_record_size);
    put_f64(rec, point_sketch_x, x);
    put_f64(rec, point_sketch_y, y);
    put_f64(rec, point_true_x, x);
    put_f64(rec, point_true_y, y);
    uint32_t n = point_number_alloc();
    if (!n) return 0;
    put_u32(rec, point_number, n);
    if (!add_to_projection_chain(s, projection_points, table_points, rec)) return 0;
    s->points[cell_key(cx, cy)].push_back(ImportSession::PointEntry{x, y, n});
    return n;
}

int import_element_store(ImportSession* s, int kind, int line_type, const Point2* points) {
    int n = kind <= 2 ? 2 : 3;
    if (kind == element_kind_segment &&
        points_equal(points[0].x, points[0].y, points[1].x, points[1].y))
        return 0;
    uint32_t size = n == 2 ? element_size2 : element_size3;
    std::vector<uint8_t> rec(size, 0);
    put_u16(rec.data(), record_length, static_cast<uint16_t>(size));
    put_u16(rec.data(), element_flags, static_cast<uint16_t>(kind | ((line_type & 0x0F) << 4)));
    uint32_t coords = n == 2 ? element_coords2 : element_coords3;
    for (int i = 0; i < n; ++i) {
        uint32_t pn = point_find_or_create(s, points[i].x, points[i].y);
        if (!pn) return -1;
        put_u32(rec.data(), element_points + 4 * i, pn);
        put_point2(rec.data(), coords + 16 * i, points[i]);
    }
    return element_add(s, rec.data());
}

int import_curve_store(ImportSession* s, int line_type, const CurveVertex* v, int n) {
    if (n < 2 || n > static_cast<int>(curve_max_single)) return 0;
    uint32_t size = curve_record_length(n, false);
    std::vector<uint8_t> rec(size + 16, 0);
    put_u16(rec.data(), record_length, static_cast<uint16_t>(size));
    put_u16(rec.data(), element_flags,
            static_cast<uint16_t>(element_kind_curve | ((line_type & 0x0F) << 4)));
    put_u16(rec.data(), curve_count, static_cast<uint16_t>(n));
    for (int i = 0; i < n; ++i) {
        uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
        uint32_t pn = point_find_or_create(s, v[i].point.x, v[i].point.y);
        if (!pn) return -1;
        put_u32(rec.data(), at + curve_vertex_point, pn);
        put_point2(rec.data(), at + curve_vertex_x, v[i].point);
        if (i + 1 < n) put_point2(rec.data(), at + curve_vertex_through_x, v[i].through);
    }
    return element_add(s, rec.data());
}

void import_projection_extents(ImportSession* s) {
    uint8_t* p = import_projection(s);
    if (!p) return;
    if (get_u32(p, projection_elements) == 0) return;
    projection_compute_extents(p, 0);
    projection_buffer()->clean = 0;
}
