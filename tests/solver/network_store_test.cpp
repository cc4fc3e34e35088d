// The network between a real drawing file and memory: a projection's
// records read, constructed, written back, and read again from the file.
#include "tests/store/store_test_support.h"
#include "tests/solver/network_fixture.h"

#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

using namespace store_test;

namespace {

class NetworkStore : public StoreTest {};

void add_to(DrawingFile* df, int head_offset, int table, const std::vector<std::vector<uint8_t>>& records) {
    for (const std::vector<uint8_t>& r : records) {
        unsigned char* p = projection_record(1);
        ASSERT_NE(p, nullptr);
        RecordRef* head = reinterpret_cast<RecordRef*>(p + head_offset);
        ASSERT_NE(record_add_at_end(df, head, r.data(), &page_buffers[table]), 0u);
        page_buffers[table_projections].clean = 0;
    }
}

}  // namespace

TEST_F(NetworkStore, ConstructedPositionsAndMarksReachTheFile) {
    DrawingFile* df = create();
    std::vector<unsigned char> proj(projection_record_head, 0);
    put_u16(proj.data(), 0, projection_record_head);
    put_u32(proj.data(), 2, 1);
    put_u16(proj.data(), projection_flags, 0x0200);
    record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), proj.data(),
               &page_buffers[table_projections]);

    // Origin A and B by X and Y.
    solver_test::Fixture f;
    f.point(1, 3, 4, 0x4000);
    f.point(2, 31, -19);
    f.x_dim(10, 30, 1, 2);
    f.y_dim(11, 20, 1, 2);
    add_to(df, projection_points, table_points, f.rec.points);
    add_to(df, projection_dimensions, table_dimensions, f.rec.dimensions);
    add_to(df, projection_links, table_links, f.rec.links);
    ASSERT_EQ(error_flag, 0);

    std::vector<std::string> lines;
    ConstructionCallbacks cb;
    cb.log_line = [&lines](const char* t) { lines.push_back(t); };
    int rebuilt = 0;
    cb.rebuild_elements = [&rebuilt](unsigned char*, bool full) {
        rebuilt += full ? 1 : 100;
        return false;
    };
    EXPECT_EQ(construct_projection(df, projection_record(1), cb), 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(rebuilt, 1);

    df = reopen(df);
    NetworkRecords back;
    ASSERT_TRUE(network_load(df, projection_record(1), &back));
    ASSERT_EQ(back.points.size(), 2u);
    ASSERT_EQ(back.dimensions.size(), 2u);
    ASSERT_EQ(back.links.size(), 4u);
    // The origin keeps its true position (its sketch when new); B follows.
    EXPECT_DOUBLE_EQ(get_f64(back.points[0].data(), 28), 3);
    EXPECT_DOUBLE_EQ(get_f64(back.points[0].data(), 36), 4);
    EXPECT_NEAR(get_f64(back.points[1].data(), 28), 33, 1e-12);
    EXPECT_NEAR(get_f64(back.points[1].data(), 36), -16, 1e-12);
    // Dimensioned and shown: flag bit 8.
    EXPECT_EQ(get_u16(back.points[1].data(), 8) & 0x0100, 0x0100);
}

TEST_F(NetworkStore, ErrorMarksReachTheFileAndTheCountIsLogged) {
    DrawingFile* df = create();
    std::vector<unsigned char> proj(projection_record_head, 0);
    put_u16(proj.data(), 0, projection_record_head);
    put_u32(proj.data(), 2, 1);
    put_u16(proj.data(), projection_flags, 0x0200);
    record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), proj.data(),
               &page_buffers[table_projections]);
    solver_test::Fixture f;
    f.point(1, 0, 0, 0x4000);
    f.point(2, 10, 0);
    f.point(3, 20, 0);
    f.x_dim(10, 10, 1, 2);
    f.x_dim(11, 10, 2, 3);
    f.x_dim(12, 21, 1, 3);   // 10 + 10 != 21
    f.y_dim(13, 0, 1, 2);
    f.y_dim(14, 0, 2, 3);
    add_to(df, projection_points, table_points, f.rec.points);
    add_to(df, projection_dimensions, table_dimensions, f.rec.dimensions);
    add_to(df, projection_links, table_links, f.rec.links);

    std::vector<std::string> lines;
    ConstructionCallbacks cb;
    cb.log_line = [&lines](const char* t) { lines.push_back(t); };
    int result = construct_projection(df, projection_record(1), cb);
    EXPECT_GT(result, 0);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "*** Размеры образовали несогласованную цепь!");
    char count[64];
    std::snprintf(count, sizeof count, ">>>всего таких ошибок было  %u<<<", static_cast<unsigned>(result));
    EXPECT_EQ(lines.back(), count);

    df = reopen(df);
    NetworkRecords back;
    ASSERT_TRUE(network_load(df, projection_record(1), &back));
    int marked = 0;
    for (const std::vector<uint8_t>& d : back.dimensions) marked += (get_u16(d.data(), 38) & 0x20) ? 1 : 0;
    EXPECT_EQ(marked, result);
}
