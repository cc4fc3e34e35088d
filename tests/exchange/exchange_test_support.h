// Fixture of the exchange tests: a working folder with the document code's
// recorders (doc_test), the kernel and the settings block, the exchange
// shell's prompt recorded, and helpers that build projections, elements and
// read the imported records back.
#pragma once
#include "tests/documents/doc_test_support.h"

#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "output/import_session.h"
#include "store/kernel_binding.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

#include <cmath>

namespace exchange_test {

using doc_test::Bytes;

struct Shell {
    std::vector<std::string> prompts;
    int finished = 0;
};
inline Shell& shell() {
    static Shell s;
    return s;
}

inline std::string expanded(const char* marked) {
    char out[400];
    expand_message_markers(marked, out, sizeof out);
    return out;
}

class ExchangeTest : public doc_test::DocTest {
protected:
    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
        shell() = Shell();
        exchange_shell = ExchangeShell{};
        exchange_shell.prompt = [](const char* t) { shell().prompts.push_back(t); };
        exchange_shell.import_finished = [](int, int) { ++shell().finished; };
    }
    void TearDown() override {
        exchange_shell = ExchangeShell{};
        DocTest::TearDown();
        settings_block_free();
    }

    // Closes every drawing without saving: the next import makes a new one.
    void close_and_forget() {
        doc_test::rec().answer = 0;
        for (int i = 0; i < 3 && open_drawing_count > 0; ++i) drawing_close();
        ASSERT_EQ(open_drawing_count, 0);
        doc_test::rec().answer = 1;
    }

    // A projection with the frame (x1, y1)-(x2, y2) in the current drawing.
    RecordRef projection(uint32_t key, float x1, float y1, float x2, float y2) {
        RecordRef r = doc_test::add_projection(key);
        DrawingFile* df = current_drawing_file();
        RecordRef x = r;
        uint8_t* p = record_read_at(df, &x, &page_buffers[table_projections]);
        put_f32(p, projection_frame_offset, x1);
        put_f32(p, projection_frame_offset + 4, y1);
        put_f32(p, projection_frame_offset + 8, x2);
        put_f32(p, projection_frame_offset + 12, y2);
        page_buffers[table_projections].clean = 0;
        return r;
    }
    static Bytes element(int kind, uint32_t number, std::vector<Point2> pts, int line_type = 1) {
        size_t size = pts.size() == 2 ? element_size2 : element_size3;
        Bytes e(size, 0);
        put_u16(e.data(), 0, static_cast<uint16_t>(size));
        put_u32(e.data(), element_number, number);
        put_u16(e.data(), element_flags, static_cast<uint16_t>(kind | (line_type << 4)));
        uint32_t at = pts.size() == 2 ? element_coords2 : element_coords3;
        for (size_t i = 0; i < pts.size(); ++i) put_point2(e.data(), at + 16 * i, pts[i]);
        return e;
    }
    static Bytes curve(uint32_t number, std::vector<CurveVertex> v) {
        int n = static_cast<int>(v.size());
        Bytes e(curve_record_length(n, false), 0);
        put_u16(e.data(), 0, static_cast<uint16_t>(e.size()));
        put_u32(e.data(), element_number, number);
        put_u16(e.data(), element_flags, element_kind_curve | (1 << 4));
        put_u16(e.data(), curve_count, static_cast<uint16_t>(n));
        for (int i = 0; i < n; ++i) {
            uint32_t at = curve_vertices + curve_vertex_size * i;
            put_point2(e.data(), at + curve_vertex_x, v[i].point);
            if (i + 1 < n) put_point2(e.data(), at + curve_vertex_through_x, v[i].through);
        }
        return e;
    }
    static RecordRef add_element(RecordRef projection, const Bytes& e) {
        return doc_test::add_to_projection(projection, projection_elements, table_elements, e);
    }

    // The projection records of the current drawing, in chain order.
    static std::vector<Bytes> projections() {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(df->header, header_projections);
        for (uint8_t* p = record_next(df, &h, nullptr, &page_buffers[table_projections]); p;
             p = record_next(df, &h, p, &page_buffers[table_projections]))
            out.emplace_back(p, p + get_u16(p, 0));
        return out;
    }
    static std::vector<Bytes> chain(const Bytes& projection, uint32_t offset, int table) {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection.data(), offset);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r;
             r = record_next(df, &h, r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    static std::vector<Bytes> elements(const Bytes& p) { return chain(p, projection_elements, table_elements); }
    static std::vector<Bytes> points(const Bytes& p) { return chain(p, projection_points, table_points); }
    static std::string projection_name(const Bytes& p) {
        char name[800];
        std::vector<uint16_t> w(17, 0);
        std::memcpy(w.data(), p.data() + 148, std::min<size_t>(32, get_u16(p.data(), 144)));
        int n = text_unpack_words(get_u16(p.data(), 144), w.data(), name, sizeof name, 3);
        while (n > 0 && name[n - 1] == ' ') --n;
        return std::string(name, static_cast<size_t>(n));
    }
    static int kind_of(const Bytes& e) { return element_kind(e.data()); }
    static Point2 pt(const Bytes& e, int i) {
        uint32_t at = e.size() == element_size2 ? element_coords2 : element_coords3;
        return get_point2(e.data(), at + 16 * static_cast<uint32_t>(i));
    }
    static uint32_t point_no(const Bytes& e, int i) { return get_u32(e.data(), element_points + 4 * i); }
};

inline bool near(Point2 a, Point2 b, double tol = 1e-6) {
    return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol;
}

}  // namespace exchange_test
