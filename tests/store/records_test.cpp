// Record primitives on real drawing files: storing, walking, finding,
// deleting with page compaction, long records in chunks, damaged pages, and
// a randomised run against an in-memory model.
#include "store_test_support.h"

#include "store/record_layouts.h"

#include <algorithm>
#include <functional>
#include <map>
#include <random>

using namespace store_test;

namespace {

class Records : public StoreTest {};

// Keys of a chain in order, walked with record_next.
std::vector<uint32_t> chain_keys(DrawingFile* df, RecordRef* head, PageBuffer* buf) {
    std::vector<uint32_t> keys;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf))
        keys.push_back(get_u32(r, 2));
    return keys;
}

uint32_t pages_of_chain(DrawingFile* df, RecordRef head, PageBuffer* buf) {
    uint32_t n = 0;
    for (RecordRef p = head; p; ++n) {
        RecordRef r = p;
        page_load(df, &r, buf);
        p = get_u32(buf->data, 0);
    }
    return n;
}

TEST_F(Records, FullPageRecordHasNoTerminator) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_elements];
    RecordRef head = 0;
    std::vector<unsigned char> big = make_record(2044, 1, 0x77);
    RecordRef r = record_add(df, &head, big.data(), b);
    ASSERT_EQ(r, 2048u | 4);
    EXPECT_EQ(head, r);
    EXPECT_EQ(b->data[2047], 0x77);  // the record runs to the page end
    std::vector<unsigned char> small = make_record(30, 2);
    RecordRef r2 = record_add(df, &head, small.data(), b);
    EXPECT_EQ(r2, 4096u | 4);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{1, 2}));
    std::vector<unsigned char> too_long = make_record(2045, 3);
    EXPECT_EQ(record_add(df, &head, too_long.data(), b), 0u);
    EXPECT_EQ(error_flag, 1);
}

TEST_F(Records, AddFillsEarlierRoomAndAtEndKeepsOrder) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_points];
    RecordRef head = 0;
    std::vector<unsigned char> r900 = make_record(900, 0);
    for (uint32_t k = 1; k <= 4; ++k) {  // two per page: pages A, B
        put_u32(r900.data(), 2, k);
        ASSERT_NE(record_add(df, &head, r900.data(), b), 0u);
    }
    // Free room on page A: delete key 1 (compacts key 2 down to offset 4).
    RecordRef from = 0;
    ASSERT_NE(record_find_key(df, &head, 1, &from, b), nullptr);
    record_delete(df, &head, from, b);
    std::vector<unsigned char> small = make_record(100, 10);
    RecordRef into_a = record_add(df, &head, small.data(), b);
    EXPECT_EQ(into_a & ~0x7FFu, head & ~0x7FFu);
    EXPECT_EQ(into_a & 0x7FFu, 4u + 900);
    put_u32(small.data(), 2, 11);
    RecordRef at_end = record_add_at_end(df, &head, small.data(), b);
    EXPECT_NE(at_end & ~0x7FFu, head & ~0x7FFu);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{2, 10, 3, 4, 11}));
}

TEST_F(Records, DeletingTheOnlyRecordOfAPageUnlinksAndFreesIt) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_links];
    RecordRef head = 0;
    std::vector<unsigned char> big = make_record(1500, 0);
    RecordRef refs[3];
    for (uint32_t k = 0; k < 3; ++k) {
        put_u32(big.data(), 2, k);
        refs[k] = record_add(df, &head, big.data(), b);
    }
    struct Case {
        int index;  // which record (each alone on its page) is deleted
        std::vector<uint32_t> left;
    } cases[] = {{1, {0, 2}}, {0, {2}}, {2, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        RecordRef page = refs[c.index] & ~0x7FFu;
        record_delete(df, &head, refs[c.index], b);
        ASSERT_EQ(error_flag, 0);
        EXPECT_EQ(chain_keys(df, &head, b), c.left);
        // The page is on the free list now.
        std::vector<uint32_t> f = free_pages(df);
        EXPECT_NE(std::find(f.begin(), f.end(), page), f.end());
    }
    EXPECT_EQ(head, 0u);
}

TEST_F(Records, DeleteCompactsThePage) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_elements];
    RecordRef head = 0;
    RecordRef refs[4];
    for (uint32_t k = 0; k < 4; ++k) {
        std::vector<unsigned char> r = make_record(static_cast<uint16_t>(20 + k), k, static_cast<unsigned char>(k));
        refs[k] = record_add(df, &head, r.data(), b);
    }
    record_delete(df, &head, refs[1], b);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{0, 2, 3}));
    RecordRef moved = refs[1];  // record 2 now starts where record 1 was
    unsigned char* r = record_read_at(df, &moved, b);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(get_u32(r, 2), 2u);
    EXPECT_EQ(r[21], 2);
    EXPECT_EQ(get_u16(b->data, 4 + 20 + 22 + 23), 0);  // terminator after the last
    record_delete_key(df, &head, 3, b);
    record_delete_key(df, &head, 0, b);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{2}));
}

// Records that end at byte 2047 leave no room for a terminator; deleting one
// in the middle must put the terminator where the moved records now end.
TEST_F(Records, DeleteFromAPageWhoseRecordsEndAt2047) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_elements];
    RecordRef head = 0;
    uint16_t lens[] = {1000, 500, 543};  // 4 + 2043 = 2047
    RecordRef refs[3];
    for (uint32_t k = 0; k < 3; ++k) {
        std::vector<unsigned char> r = make_record(lens[k], k, 0xFF);
        refs[k] = record_add(df, &head, r.data(), b);
    }
    ASSERT_EQ(refs[2] & ~0x7FFu, refs[0] & ~0x7FFu);
    record_delete(df, &head, refs[1], b);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(error_flag, 0);
    std::vector<unsigned char> r = make_record(400, 9);
    EXPECT_EQ(record_add(df, &head, r.data(), b) & ~0x7FFu, refs[0] & ~0x7FFu);
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{0, 2, 9}));
}

TEST_F(Records, LongCurveIsStoredInChunksThatShareVertices) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_elements];
    struct Case {
        int vertices;
        std::vector<int> chunks;
    } cases[] = {{56, {56}}, {120, {55, 55, 12}}, {2000, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vertices);
        RecordRef head = 0;
        std::vector<unsigned char> curve(16 + 36 * c.vertices);
        put_u16(curve.data(), 0, static_cast<uint16_t>(36 * c.vertices));  // wraps for 2000
        put_u32(curve.data(), 2, 500);
        put_u16(curve.data(), 10, 5);
        put_u16(curve.data(), 14, static_cast<uint16_t>(c.vertices));
        for (int v = 0; v < c.vertices; ++v) put_u32(curve.data(), 16 + 36 * v, static_cast<uint32_t>(v + 1));
        ASSERT_NE(record_add(df, &head, curve.data(), b), 0u);
        std::vector<int> chunks;
        int expect_first = 1;
        int total_distinct = 0;
        for (unsigned char* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b)) {
            int n = get_u16(r, curve_count);
            chunks.push_back(n);
            EXPECT_EQ(get_u16(r, 0), 36 * n);
            EXPECT_EQ(get_u32(r, 2), 500u);
            EXPECT_EQ(get_u32(r, curve_vertices), static_cast<uint32_t>(expect_first));
            if (chunks.size() > 1 || c.vertices > 56) {
                EXPECT_TRUE(r[12] & 0x80);
            }
            expect_first += n - 1;  // the next chunk starts at this one's last vertex
            total_distinct += n - 1;
        }
        EXPECT_EQ(total_distinct + 1, c.vertices);
        if (!c.chunks.empty()) {
            EXPECT_EQ(chunks, c.chunks);
        }
        for (int n : chunks) EXPECT_LE(n, 55 + (c.vertices == 56 ? 1 : 0));
    }
}

TEST_F(Records, LongContourIsStoredInChunksOf489Members) {
    DrawingFile* df = create();
    RecordRef head = 0;
    const int members = 1200;
    std::vector<unsigned char> c(82 + 4 * members, 0);
    put_u16(c.data(), 0, static_cast<uint16_t>(82 + 4 * members));
    put_u32(c.data(), 2, 9);
    put_u16(c.data(), contour_flags, 2);
    put_u16(c.data(), contour_member_count, members);
    for (int i = 0; i < members; ++i) put_u32(c.data(), 82 + 4 * i, static_cast<uint32_t>(1000 + i));
    RecordRef first = contour_record_add(df, &head, c.data());
    ASSERT_NE(first, 0u);
    EXPECT_EQ(first, head);
    PageBuffer* b = &page_buffers[table_contours];
    std::vector<int> counts;
    uint32_t next_member = 1000;
    for (unsigned char* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b)) {
        int n = get_u16(r, contour_member_count);
        counts.push_back(n);
        EXPECT_EQ(get_u16(r, 0), 82 + 4 * n);
        EXPECT_EQ(get_u16(r, contour_flags) & 0x0607, counts.size() == 1 ? 0x0202 : 0x0402);
        for (int i = 0; i < n; ++i) EXPECT_EQ(get_u32(r, 82 + 4 * i), next_member++);
    }
    EXPECT_EQ(counts, (std::vector<int>{489, 489, 222}));
    // A short contour is one record without chunk bits.
    RecordRef h2 = 0;
    std::vector<unsigned char> s(86, 0);
    put_u16(s.data(), 0, 86);
    put_u16(s.data(), contour_member_count, 1);
    RecordRef one = contour_record_add(df, &h2, s.data());
    unsigned char* r = record_read_at(df, &one, b);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(get_u16(r, contour_flags) & 0x0600, 0);
}

TEST_F(Records, ChainIndexOfAShortChainIsNullAndOfALongOneListsAll) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_links];
    RecordRef head = 0;
    std::vector<unsigned char> link = make_record(26, 0);
    for (uint32_t k = 0; k < 10; ++k) {
        put_u32(link.data(), 2, k);
        put_u32(link.data(), 10, 100 + k);
        record_add(df, &head, link.data(), b);
    }
    EXPECT_EQ(record_chain_index(df, &head, 26, 1, 0, b), nullptr);
    EXPECT_EQ(error_flag, 0);
    for (uint32_t k = 10; k < 200; ++k) {
        put_u32(link.data(), 2, k);
        put_u32(link.data(), 10, 100 + k);
        record_add(df, &head, link.data(), b);
    }
    uint32_t* index = record_chain_index(df, &head, 26, 1, 0, b);
    ASSERT_NE(index, nullptr);
    ASSERT_EQ(index[0], 200u);
    for (uint32_t k = 0; k < 200; ++k) {
        EXPECT_EQ(index[1 + 2 * k], 100 + k);
        RecordRef r = index[2 + 2 * k];
        unsigned char* rec = record_read_at(df, &r, b);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(get_u32(rec, 2), k);
    }
    std::free(index);
}

// Damaged pages: a walk and a delete report the damage and never read past
// the page.
TEST_F(Records, DamagedLengthsAreReportedByWalksAndDelete) {
    struct Case {
        const char* name;
        uint16_t length;  // written over the record at offset 100
    } cases[] = {{"runs past the page", 2040}, {"negative", static_cast<uint16_t>(-5)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingFile* df = create(c.name[0] == 'r' ? "a" : "b");
        PageBuffer* b = &page_buffers[table_elements];
        RecordRef head = 0;
        std::vector<unsigned char> r = make_record(48, 0);
        RecordRef refs[5];
        for (uint32_t k = 0; k < 5; ++k) {
            put_u32(r.data(), 2, k);
            refs[k] = record_add(df, &head, r.data(), b);
        }
        ASSERT_EQ(refs[2] & 0x7FF, 100u);
        RecordRef p = refs[2];
        record_read_at(df, &p, b);
        put_u16(b->data, 100, c.length);
        struct Walk {
            const char* what;
            std::function<void()> run;
        } walks[] = {
            {"next", [&] { for (unsigned char* x = record_next(df, &head, nullptr, b); x; x = record_next(df, &head, x, b)) {} }},
            {"find", [&] { RecordRef f = 0; EXPECT_EQ(record_find_key(df, &head, 4, &f, b), nullptr); }},
            {"delete", [&] { record_delete(df, &head, refs[2], b); }},
            {"add", [&] { EXPECT_EQ(record_add(df, &head, r.data(), b), 0u); }},
        };
        for (const Walk& w : walks) {
            SCOPED_TRACE(w.what);
            shown().clear();
            error_flag = 0;
            last_shown_message[0] = '\0';
            w.run();
            EXPECT_EQ(error_flag, 1);
            ASSERT_FALSE(shown().empty());
            EXPECT_NE(shown().back().find("ОШИБКА в структуре данных"), std::string::npos);
            EXPECT_NE(shown().back().find(std::string(w.what) == "delete" ? "E20112" : "E20113"), std::string::npos);
            EXPECT_TRUE(df->header[111] & 0x08);
        }
        // Repair so the drawing closes cleanly.
        record_read_at(df, &p, b);
        put_u16(b->data, 100, 48);
        df->header[111] = 0;
        file_unusable = 0;
        unusable_quit_done = 0;
    }
}

TEST_F(Records, LinksOutOfTheFileOrInALoopEndTheWalk) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_points];
    RecordRef head = 0;
    std::vector<unsigned char> r = make_record(1500, 0);
    RecordRef refs[3];
    for (uint32_t k = 0; k < 3; ++k) {
        put_u32(r.data(), 2, k);
        refs[k] = record_add(df, &head, r.data(), b);
    }
    struct Case {
        const char* name;
        RecordRef link;  // written as the link of the last page
    } cases[] = {{"past the end", 2048u * 40 + 4}, {"loop", refs[0]}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordRef last = refs[2];
        record_read_at(df, &last, b);
        put_u32(b->data, 0, c.link);
        error_flag = 0;
        last_shown_message[0] = '\0';
        int n = 0;
        for (unsigned char* x = record_next(df, &head, nullptr, b); x && n < 100000; x = record_next(df, &head, x, b)) ++n;
        EXPECT_LT(n, 100);
        EXPECT_EQ(error_flag, 1);
        RecordRef f = 0;
        error_flag = 0;
        EXPECT_EQ(record_find_key(df, &head, 99, &f, b), nullptr);
        EXPECT_EQ(error_flag, 1);
        record_read_at(df, &last, b);
        put_u32(b->data, 0, 0);
    }
    df->header[111] = 0;
}

// Walks that start again from a record inside the chain, over and over, are
// no loop.
TEST_F(Records, RepeatedWalksFromInsideTheChainAreNoLoop) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_points];
    RecordRef head = 0;
    std::vector<unsigned char> r = make_record(1000, 0);
    for (uint32_t k = 0; k < 8; ++k) {
        put_u32(r.data(), 2, k);
        record_add_at_end(df, &head, r.data(), b);
    }
    for (int pass = 0; pass < 20; ++pass) {
        RecordRef start = head;
        int n = 0;
        for (unsigned char* x = record_read_at(df, &start, b); x; x = record_next(df, &head, x, b)) ++n;
        ASSERT_EQ(n, 8) << pass;
        ASSERT_EQ(error_flag, 0);
    }
}

TEST_F(Records, LookupsThroughTheProjection) {
    DrawingFile* df = create();
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + 60);
    // Four projections sharing one page; their chains hang off the record.
    std::vector<unsigned char> proj(180, 0);
    RecordRef pref[4];
    for (uint32_t id = 1; id <= 4; ++id) {
        put_u16(proj.data(), 0, 180);
        put_u32(proj.data(), 2, id);
        pref[id - 1] = record_add(df, projections, proj.data(), &page_buffers[table_projections]);
    }
    unsigned char* p3 = projection_record(3);
    ASSERT_NE(p3, nullptr);
    RecordRef* elements = reinterpret_cast<RecordRef*>(p3 + projection_elements);
    RecordRef* annotations = reinterpret_cast<RecordRef*>(p3 + projection_annotations);
    std::vector<unsigned char> e = make_record(54, 7);
    record_add(df, elements, e.data(), &page_buffers[table_elements]);
    put_u32(e.data(), 2, 8);
    record_add(df, elements, e.data(), &page_buffers[table_elements]);
    put_u32(e.data(), 2, 7);
    record_add(df, elements, e.data(), &page_buffers[table_elements]);
    std::vector<unsigned char> a(40, 0);
    put_u16(a.data(), 0, 40);
    put_u32(a.data(), 2, 8);
    a[6] = 5;
    put_u16(a.data(), 8, (1 << 7) | (2 << 9));
    record_add(df, annotations, a.data(), &page_buffers[table_annotation]);
    a[6] = 0;
    record_add(df, annotations, a.data(), &page_buffers[table_annotation]);

    p3 = projection_record(3);
    unsigned char* first = element_find_by_key(p3, nullptr, 7);
    ASSERT_NE(first, nullptr);
    unsigned char* second = element_find_by_key(p3, first, 7);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(element_find_by_key(p3, second, 7), nullptr);
    RecordRef out = 0;
    EXPECT_NE(annotation_find_key_kind(p3, 8, 0, &out), nullptr);
    EXPECT_NE(out, 0u);
    EXPECT_NE(annotation_find_key_fields(p3, 8, 1, 2, nullptr), nullptr);
    EXPECT_EQ(annotation_find_key_fields(p3, 8, 2, 1, nullptr), nullptr);
    EXPECT_EQ(annotation_find_key_kind(p3, 8, 3, nullptr), nullptr);

    // Deleting a projection that shares the page leaves the others findable.
    record_delete(df, projections, pref[1], &page_buffers[table_projections]);
    EXPECT_EQ(projection_record(2), nullptr);
    for (uint32_t id : {1u, 3u, 4u}) {
        unsigned char* p = projection_record(id);
        ASSERT_NE(p, nullptr) << id;
        EXPECT_EQ(get_u32(p, 2), id);
    }
    EXPECT_NE(element_find_by_key(projection_record(3), nullptr, 8), nullptr);
    EXPECT_EQ(projection_record(0), nullptr);
    EXPECT_EQ(element_page_outside(nullptr), 0);
    EXPECT_EQ(element_page_outside(page_buffers[table_elements].data + 10), 0);
    EXPECT_EQ(element_page_outside(page_buffers[table_elements].data - 1), 1);
}

TEST_F(Records, DrawingOrderMakesRoomForAContour) {
    DrawingFile* df = create();
    std::vector<unsigned char> proj(180, 0);
    put_u16(proj.data(), 0, 180);
    put_u32(proj.data(), 2, 1);
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + 60);
    record_add(df, projections, proj.data(), &page_buffers[table_projections]);
    unsigned char* p = projection_record(1);
    RecordRef* elements = reinterpret_cast<RecordRef*>(p + projection_elements);
    RecordRef* contours = reinterpret_cast<RecordRef*>(p + projection_contours);
    // Elements 1..3 at levels 0, 4, 6; contour 50 at level 4 holds element 2.
    uint16_t levels[] = {0, 4, 6};
    for (uint32_t k = 1; k <= 3; ++k) {
        std::vector<unsigned char> e = make_record(54, k);
        put_u16(e.data(), element_level, levels[k - 1]);
        put_u16(e.data(), element_options, 0x0800);
        record_add(df, elements, e.data(), &page_buffers[table_elements]);
    }
    std::vector<unsigned char> c(86, 0);
    put_u16(c.data(), 0, 86);
    put_u32(c.data(), 2, 50);
    put_u16(c.data(), contour_level, 4);
    put_u16(c.data(), contour_member_count, 1);
    put_u32(c.data(), 82, 2);
    contour_record_add(df, contours, c.data());
    put_u32(c.data(), 2, 60);
    put_u16(c.data(), contour_level, 0);
    put_u16(c.data(), contour_member_count, 0);
    put_u16(c.data(), 0, 82);
    RecordRef mine = contour_record_add(df, contours, c.data());
    unsigned char* cr = record_read_at(df, &mine, &page_buffers[table_contours]);
    p = projection_record(1);
    drawing_order_make_room(p, cr, 4, 1);
    std::map<uint32_t, uint16_t> el;
    std::map<uint32_t, uint16_t> opt;
    RecordRef eh;
    p = projection_record(1);
    std::memcpy(&eh, p + projection_elements, 4);
    for (unsigned char* e = record_next(df, &eh, nullptr, &page_buffers[table_elements]); e;
         e = record_next(df, &eh, e, &page_buffers[table_elements])) {
        el[get_u32(e, 2)] = get_u16(e, element_level);
        opt[get_u32(e, 2)] = get_u16(e, element_options);
    }
    EXPECT_EQ(el[1], 0);      // below the level: stays
    EXPECT_EQ(el[2], 6);      // member of the raised contour: raised once, marked
    EXPECT_EQ(el[3], 8);      // at or above the level: raised
    EXPECT_TRUE(opt[2] & 0x0800);
    EXPECT_FALSE(opt[1] & 0x0800);
    EXPECT_FALSE(opt[3] & 0x0800);
    RecordRef ch;
    std::memcpy(&ch, p + projection_contours, 4);
    std::map<uint32_t, uint16_t> cl, cf;
    for (unsigned char* x = record_next(df, &ch, nullptr, &page_buffers[table_contours]); x;
         x = record_next(df, &ch, x, &page_buffers[table_contours])) {
        cl[get_u32(x, 2)] = get_u16(x, contour_level);
        cf[get_u32(x, 2)] = get_u16(x, contour_flags);
    }
    EXPECT_EQ(cl[50], 6);
    EXPECT_EQ(cl[60], 4);
    EXPECT_TRUE(cf[60] & 0x0800);
    EXPECT_EQ(get_u16(projection_record(1), projection_highest_level), 8);
}

TEST_F(Records, BuffersWithoutAPageHoldWellFormedDefaultRecords) {
    struct Case {
        int table;
        uint16_t length;
        uint32_t first_key;
    } cases[] = {{table_annotation, 60, 1}, {table_projections, 440, 1}, {table_points, 48, 1},
                 {table_links, 26, 1087}, {table_elements, 54, 12}, {table_contours, 86, 0},
                 {table_title_block, 48, 1}, {table_construction, 62, 0}};
    page_buffers_init_defaults();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const unsigned char* d = page_buffers[c.table].data;
        uint32_t key = get_u32(d, 4 + 2);
        if (c.first_key) {
            EXPECT_EQ(key, c.first_key);
        }
        for (uint32_t off = 4; off + c.length <= 2048; off += c.length) {
            EXPECT_EQ(get_u16(d, off), c.length);
            EXPECT_EQ(get_u32(d, off + 2), key++);
        }
    }
    const unsigned char* e = page_buffers[table_elements].data + 4;
    EXPECT_EQ(get_u16(e, 6), 0);
    EXPECT_EQ(get_f64(e, 30), 3.4028234663852886e38);
    EXPECT_EQ(get_u16(page_buffers[table_tables].data, 4), 54);
    EXPECT_EQ(get_u32(page_buffers[table_tables].data, 4 + 16 + 4), 15u);
}

// Several chains against a plain model, thousands of steps, the file closed
// and opened again between rounds.
TEST_F(Records, RandomisedRunAgreesWithAModel) {
    DrawingFile* df = create();
    std::mt19937 rng(20261210);
    const int chains = 3;
    const uint32_t head_at[chains] = {header_tables, header_sheets, header_model_variables};
    PageBuffer* bufs[chains] = {&page_buffers[table_points], &page_buffers[table_elements],
                                &page_buffers[table_model]};
    std::vector<std::pair<uint32_t, uint16_t>> model[chains];  // key, length in chain order
    uint32_t next_key = 1;
    for (int round = 0; round < 6; ++round) {
        for (int step = 0; step < 700; ++step) {
            int c = static_cast<int>(rng() % chains);
            RecordRef* head = reinterpret_cast<RecordRef*>(df->header + head_at[c]);
            int op = static_cast<int>(rng() % 10);
            if (op < 5 || model[c].empty()) {
                uint16_t len = static_cast<uint16_t>(8 + rng() % 600);
                if (rng() % 50 == 0) len = 2044;
                std::vector<unsigned char> rec = make_record(len, next_key, static_cast<unsigned char>(next_key));
                bool at_end = rng() % 2;
                RecordRef r = at_end ? record_add_at_end(df, head, rec.data(), bufs[c])
                                     : record_add(df, head, rec.data(), bufs[c]);
                ASSERT_NE(r, 0u) << "round " << round << " step " << step << " chain " << c << " len " << len
                                 << " at_end " << at_end << " shown " << (shown().empty() ? "" : shown().back());
                ASSERT_EQ(error_flag, 0);
                // Where did it go in chain order?  Count the records before it.
                size_t pos = 0;
                for (unsigned char* x = record_next(df, head, nullptr, bufs[c]); x;
                     x = record_next(df, head, x, bufs[c]), ++pos)
                    if (record_ref_of(bufs[c], x) == r) break;
                ASSERT_LE(pos, model[c].size());
                if (at_end) {
                    ASSERT_EQ(pos, model[c].size());
                }
                model[c].insert(model[c].begin() + static_cast<long>(pos), {next_key, len});
                ++next_key;
            } else if (op < 8) {
                size_t i = rng() % model[c].size();
                RecordRef from = 0;
                unsigned char* x = record_find_key(df, head, model[c][i].first, &from, bufs[c]);
                ASSERT_NE(x, nullptr);
                record_delete(df, head, from, bufs[c]);
                ASSERT_EQ(error_flag, 0);
                model[c].erase(model[c].begin() + static_cast<long>(i));
            } else {
                size_t i = rng() % model[c].size();
                RecordRef from = 0;
                unsigned char* x = record_find_key(df, head, model[c][i].first, &from, bufs[c]);
                ASSERT_NE(x, nullptr);
                EXPECT_EQ(get_u16(x, 0), model[c][i].second);
                EXPECT_EQ(x[get_u16(x, 0) - 1], static_cast<unsigned char>(model[c][i].first));
                RecordRef again = from;
                EXPECT_EQ(record_read_at(df, &again, bufs[c]), x);
            }
        }
        df = reopen(df);
        for (int c = 0; c < chains; ++c) {
            RecordRef* head = reinterpret_cast<RecordRef*>(df->header + head_at[c]);
            size_t i = 0;
            for (unsigned char* x = record_next(df, head, nullptr, bufs[c]); x; x = record_next(df, head, x, bufs[c]), ++i) {
                ASSERT_LT(i, model[c].size());
                ASSERT_EQ(get_u32(x, 2), model[c][i].first);
                ASSERT_EQ(get_u16(x, 0), model[c][i].second);
            }
            ASSERT_EQ(i, model[c].size());
        }
    }
    // Everything deleted: every page has gone back to the free list.
    for (int c = 0; c < chains; ++c) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + head_at[c]);
        for (auto& m : model[c]) {
            RecordRef from = 0;
            ASSERT_NE(record_find_key(df, head, m.first, &from, bufs[c]), nullptr);
            record_delete(df, head, from, bufs[c]);
        }
        EXPECT_EQ(get_u32(df->header, head_at[c]), 0u);
    }
    uint32_t listed = 0;
    for (RecordRef f = df->free_list_head; f;) {
        RecordRef r = f;
        page_load(df, &r, &page_buffers[0]);
        ++listed;
        for (uint32_t off = 4; off <= 2044; off += 4) {
            uint32_t e = get_u32(page_buffers[0].data, off);
            if (e == 0) break;
            if (e >= 2048) listed += (e & 0x7FF) + 1;
        }
        f = get_u32(page_buffers[0].data, 0);
    }
    EXPECT_EQ(listed, static_cast<uint32_t>(df->alloc_end / 2048));
    (void)pages_of_chain;
}

}  // namespace
