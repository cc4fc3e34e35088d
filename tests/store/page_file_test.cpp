// The page engine on real files: loading and write-back, the cache, free
// lists, blobs, and what happens on damage and on failed writes.
#include "store_test_support.h"

#include <algorithm>
#include <map>
#include <set>

using namespace store_test;

namespace {

int fail_all_writes(int write, uint64_t, size_t) { return write; }
int fail_all_reads(int write, uint64_t, size_t) { return !write; }

class PageFile : public StoreTest {};

TEST_F(PageFile, PageBeyondEndStartsEmptyAndReachesTheFileOnWriteBack) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[3];
    EXPECT_EQ(df->end_address, 0u);
    RecordRef p = page_alloc(df);
    ASSERT_EQ(p, 2048u);
    RecordRef r = p | 20;
    EXPECT_EQ(page_load(df, &r, b), 20);
    EXPECT_EQ(df->end_address, 2048u);
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(b->data[i], 0) << i;
    std::memset(b->data, 0xAB, 2048);
    page_load(df, nullptr, b);  // write back and release
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(b->page, 0u);
    EXPECT_EQ(b->owner, nullptr);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(bytes[2048], 0xAB);
    EXPECT_EQ(bytes[4095], 0xAB);
}

// A page written a few pages past the end of the file is written in place
// and the pages between read as empty record pages, never as copies of
// another page; one written more than 0x7000 bytes (14 pages) past the end
// is a damaged reference: reported, the drawing marked, nothing written.
TEST_F(PageFile, WriteShortlyPastTheEndFillsTheGapFarPastIsReported) {
    for (int pages : {5, 14, 15, 20}) {
        SCOPED_TRACE(pages);
        shown().clear();
        DrawingFile* df = create(("gap" + std::to_string(pages)).c_str());
        df->cache_enabled = 0;
        PageBuffer* b = &page_buffers[3];
        RecordRef last = 0;
        for (int i = 0; i < pages; ++i) last = page_alloc(df);
        RecordRef r = last | 4;
        page_load(df, &r, b);
        std::memset(b->data, 0x99, 2048);
        page_load(df, nullptr, b);
        std::vector<unsigned char> bytes = file_bytes(df->path);
        // The file ends at 2048: the gap is (pages - 1) pages, 2048 * (pages - 1) bytes.
        bool far = 2048u * static_cast<unsigned>(pages - 1) > 0x7000;
        if (far) {
            EXPECT_EQ(error_flag, 1);
            ASSERT_EQ(shown().size(), 1u);
            EXPECT_NE(shown()[0].find("ОШИБКА в структуре данных"), std::string::npos) << shown()[0];
            EXPECT_TRUE(df->header[111] & 0x08);
            EXPECT_EQ(bytes.size(), 2048u);
            page_forget(df, last);
            continue;
        }
        EXPECT_EQ(error_flag, 0);
        EXPECT_TRUE(shown().empty());
        ASSERT_EQ(bytes.size(), static_cast<size_t>(last) + 2048);
        for (uint32_t p = 2048; p < last; p += 2048) {
            EXPECT_EQ(get_u32(bytes.data(), p), 0u) << p;      // no link
            EXPECT_EQ(get_u16(bytes.data(), p + 4), 0) << p;   // no records
        }
        EXPECT_EQ(bytes[last + 2047], 0x99);
        // A page of the gap loads as an empty page.
        RecordRef g = (last - 2 * 2048) | 4;
        page_load(df, &g, b);
        EXPECT_EQ(error_flag, 0);
        EXPECT_EQ(get_u16(b->data, 4), 0);
    }
}

TEST_F(PageFile, LoadingTheHeldPageReadsNothing) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[3];
    RecordRef p = page_alloc(df);
    RecordRef r = p | 4;
    page_load(df, &r, b);
    b->data[100] = 7;
    b->clean = 1;
    drawing_io_fault = fail_all_reads;
    r = p | 300;
    EXPECT_EQ(page_load(df, &r, b), 300);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(b->data[100], 7);
    EXPECT_EQ(b->clean, 0);
}

// Two chains grown in turn: pages allocated for one table are written back
// while the other table has moved the end address on.  Every page must reach
// the file, in place, and the file must stay a whole number of pages.
TEST_F(PageFile, TwoChainsGrownInTurnSurviveSaveAndReopen) {
    DrawingFile* df = create();
    RecordRef heads[2] = {0, 0};
    PageBuffer* bufs[2] = {&page_buffers[table_points], &page_buffers[table_elements]};
    // 1000-byte records: two per page, so each chain takes 30 pages.
    for (uint32_t i = 0; i < 60; ++i) {
        int c = i % 2;
        std::vector<unsigned char> rec = make_record(1000, i, static_cast<unsigned char>(i));
        ASSERT_NE(record_add_at_end(df, &heads[c], rec.data(), bufs[c]), 0u) << i;
    }
    put_u32(df->header, header_tables, heads[0]);
    put_u32(df->header, header_sheets, heads[1]);
    drawing_file_save(df);
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(file_bytes(df->path).size() % 2048, 0u);
    df = reopen(df);
    for (int c = 0; c < 2; ++c) {
        RecordRef h = get_u32(df->header, c ? header_sheets : header_tables);
        uint32_t expect = static_cast<uint32_t>(c);
        int n = 0;
        for (unsigned char* r = record_next(df, &h, nullptr, bufs[c]); r; r = record_next(df, &h, r, bufs[c])) {
            ASSERT_EQ(get_u32(r, 2), expect);
            ASSERT_EQ(r[100], static_cast<unsigned char>(expect));
            expect += 2;
            ++n;
        }
        EXPECT_EQ(n, 30);
        EXPECT_EQ(error_flag, 0);
    }
}

TEST_F(PageFile, GuardDamageIsReportedRepairedAndLoadsNothing) {
    struct Case {
        bool front;
        const char* text;
    } cases[] = {{true, "Пересечение начала массива"}, {false, "Пересечение конца массива"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DrawingFile* df = open_drawings[0] ? open_drawings[0] : create();
        PageBuffer* b = &page_buffers[5];
        RecordRef p = page_alloc(df);
        RecordRef r = p | 4;
        page_load(df, &r, b);
        RecordRef other = page_alloc(df);
        unsigned char* g = c.front ? b->front_guard : b->back_guard;
        *g = 0x00;
        shown().clear();
        error_flag = 0;
        RecordRef o = other | 4;
        page_load(df, &o, b);
        EXPECT_EQ(error_flag, 1);
        EXPECT_EQ(*g, 0xCC);
        EXPECT_EQ(b->page, p);  // still the old page
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0], c.text);
        page_load(df, &o, b);
        EXPECT_EQ(error_flag, 0);
        EXPECT_EQ(b->page, other);
    }
}

TEST_F(PageFile, FailedWriteBackKeepsThePageAndARetryWritesIt) {
    DrawingFile* df = create();
    df->cache_enabled = 0;
    PageBuffer* b = &page_buffers[6];
    RecordRef p1 = page_alloc(df), p2 = page_alloc(df);
    RecordRef r = p1 | 4;
    page_load(df, &r, b);
    std::memset(b->data, 0x11, 2048);
    drawing_io_fault = fail_all_writes;
    RecordRef r2 = p2 | 4;
    page_load(df, &r2, b);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(b->page, p1);
    EXPECT_EQ(b->data[1000], 0x11);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("ОШИБКА записи в файл чертежа"), std::string::npos);
    EXPECT_NE(shown().back().find(df->path), std::string::npos);
    drawing_io_fault = nullptr;
    page_load(df, &r2, b);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(b->page, p2);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    ASSERT_GE(bytes.size(), static_cast<size_t>(p1 + 2048));
    EXPECT_EQ(bytes[p1 + 1000], 0x11);
}

TEST_F(PageFile, CacheFlushThatFailsKeepsTheUnwrittenPages) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[7];
    RecordRef pages[4];
    for (RecordRef& p : pages) p = page_alloc(df);
    for (RecordRef p : pages) {  // each page reaches the file once
        RecordRef r = p | 4;
        page_load(df, &r, b);
    }
    page_load(df, nullptr, b);
    for (RecordRef p : pages) {  // changed again: now kept in the cache only
        RecordRef r = p | 4;
        page_load(df, &r, b);
        b->data[10] = static_cast<unsigned char>(p >> 11);
    }
    page_load(df, nullptr, b);
    EXPECT_GE(page_cache_count(df), 3u);
    drawing_io_fault = fail_all_writes;
    page_cache_flush(df);
    EXPECT_EQ(error_flag, 1);
    EXPECT_GE(page_cache_count(df), 3u);
    drawing_io_fault = nullptr;
    error_flag = 0;
    page_cache_flush(df);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(page_cache_count(df), 0u);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    for (RecordRef p : pages) EXPECT_EQ(bytes[p + 10], static_cast<unsigned char>(p >> 11));
}

TEST_F(PageFile, FreeListAllocatesFreesMergesAndIgnoresDoubleFree) {
    DrawingFile* df = create();
    std::vector<RecordRef> p;
    for (int i = 0; i < 8; ++i) p.push_back(page_alloc(df));
    ASSERT_EQ(p[7], 8u * 2048);
    // Touch the last page so the file holds all of them.
    RecordRef last = p[7] | 4;
    page_load(df, &last, &page_buffers[3]);
    page_load(df, nullptr, &page_buffers[3]);

    page_free(df, &p[2]);  // becomes the free-list page itself
    EXPECT_EQ(df->free_list_head, p[2]);
    page_free(df, &p[4]);
    page_free(df, &p[5]);  // joins 4 into a run of two
    page_free(df, &p[5]);  // double free: no change
    page_free(df, &p[2]);  // the free-list page itself: no change
    std::vector<uint32_t> f = free_pages(df);
    std::sort(f.begin(), f.end());
    EXPECT_EQ(f, (std::vector<uint32_t>{p[2], p[4], p[5]}));
    // The run is handed out first page first; then the list page itself.
    EXPECT_EQ(page_alloc(df), p[4]);
    EXPECT_EQ(page_alloc(df), p[5]);
    EXPECT_EQ(page_alloc(df), p[2]);
    EXPECT_EQ(df->free_list_head, 0u);
    EXPECT_EQ(page_alloc(df), 9u * 2048);
    EXPECT_EQ(error_flag, 0);
}

// Every page of a freed chain reaches the file cleared: no link to the rest
// of the chain, no records; none of them can lead back into the old chain.
TEST_F(PageFile, FreedChainPagesAreWrittenBackCleared) {
    DrawingFile* df = create();
    RecordRef head = 0;
    PageBuffer* b = &page_buffers[6];
    for (uint32_t k = 1; k <= 6; ++k) {
        std::vector<unsigned char> r = make_record(900, k);
        ASSERT_NE(record_add_at_end(df, &head, r.data(), b), 0u);
    }
    drawing_file_save(df);
    std::vector<uint32_t> chain;
    for (RecordRef p = head & ~0x7FFu; p;) {
        chain.push_back(p);
        std::vector<unsigned char> bytes = file_bytes(df->path);
        p = get_u32(bytes.data(), p) & ~0x7FFu;
    }
    ASSERT_EQ(chain.size(), 3u);
    page_chain_free(df, &head, b);
    EXPECT_EQ(error_flag, 0);
    drawing_file_save(df);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    for (uint32_t p : chain) {
        EXPECT_EQ(get_u32(bytes.data(), p), 0u) << p;
        // The first freed page became the free-list page: it lists the others.
        if (p != df->free_list_head) {
            EXPECT_EQ(get_u16(bytes.data(), p + 4), 0) << p;
        }
        for (uint32_t i = 8; i < 2048; ++i)
            if (bytes[p + i] == 0x5A) {
                ADD_FAILURE() << "record bytes left in page " << p;
                break;
            }
    }
    std::vector<uint32_t> f = free_pages(df);
    std::sort(f.begin(), f.end());
    EXPECT_EQ(f, chain);
}

TEST_F(PageFile, ContiguousPagesComeFromALongEnoughRun) {
    DrawingFile* df = create();
    std::vector<RecordRef> p;
    for (int i = 0; i < 10; ++i) p.push_back(page_alloc(df));
    RecordRef last = p[9] | 4;
    page_load(df, &last, &page_buffers[3]);
    page_free(df, &p[0]);  // list page
    for (int i = 3; i <= 7; ++i) page_free(df, &p[i]);  // run of five
    EXPECT_EQ(pages_alloc(df, 0), 0u);
    EXPECT_EQ(pages_alloc(df, 3), p[3]);
    EXPECT_EQ(pages_alloc(df, 3), 11u * 2048);  // two left in the run: too short
    EXPECT_EQ(pages_alloc(df, 2), p[6]);
    EXPECT_EQ(error_flag, 0);
}

// A freed page that a buffer still holds must not be written back over the
// new content of the page when the buffer moves on.
TEST_F(PageFile, FreedPageHeldInABufferIsNotWrittenOverItsReuse) {
    DrawingFile* df = create();
    PageBuffer* stale = &page_buffers[4];
    PageBuffer* fresh = &page_buffers[5];
    RecordRef a = page_alloc(df), b = page_alloc(df);
    RecordRef ra = a | 4, rb = b | 4;
    page_load(df, &rb, fresh);
    page_load(df, nullptr, fresh);
    page_load(df, &ra, stale);
    std::memset(stale->data, 0xEE, 2048);
    page_free(df, &a);        // first free page: becomes the list page
    page_free(df, &b);
    RecordRef again = page_alloc(df);
    ASSERT_EQ(again, b);
    RecordRef rr = again | 4;
    page_load(df, &rr, fresh);
    std::memset(fresh->data, 0x22, 2048);
    page_load(df, nullptr, fresh);
    RecordRef other = page_alloc(df);
    RecordRef ro = other | 4;
    page_load(df, &ro, stale);  // must not write the 0xEE copy anywhere
    drawing_file_save(df);
    std::vector<unsigned char> bytes = file_bytes(df->path);
    EXPECT_EQ(bytes[b + 100], 0x22);
    EXPECT_NE(bytes[a + 100], 0xEE);
}

TEST_F(PageFile, BlobsOfEverySizeRoundTripAndGiveTheirPagesBack) {
    DrawingFile* df = create();
    struct Case {
        uint32_t length;
        uint32_t extents;
    } cases[] = {{1, 1}, {2048, 1}, {4194289, 2}};
    EXPECT_EQ(blob_write(df, 0, "x"), 0u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<unsigned char> data(c.length);
        for (uint32_t i = 0; i < c.length; ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
        RecordRef ref = blob_write(df, c.length, data.data());
        ASSERT_NE(ref, 0u);
        ASSERT_EQ(error_flag, 0);
        EXPECT_EQ(file_bytes(df->path).size() % 2048, 0u);
        EXPECT_EQ(blob_read(df, &ref, nullptr), c.length);
        std::vector<unsigned char> back(c.length);
        ASSERT_EQ(blob_read(df, &ref, back.data()), c.length);
        EXPECT_TRUE(back == data);
        std::vector<unsigned char> bytes = file_bytes(df->path);
        EXPECT_EQ(get_u32(bytes.data(), ref), c.extents == 1 ? 1u : 2u);
        uint32_t first_len = get_u32(bytes.data(), ref + 4);
        EXPECT_EQ(first_len, c.extents == 1 ? c.length : 4194288u);
        // Freed: every page of the blob is listed free, none twice.
        uint32_t pages = 0;
        for (RecordRef e = ref; e;) {
            uint32_t len = get_u32(bytes.data(), e + 4);
            uint32_t n = ((len + 16) >> 11) + 1;
            pages += n > 2048 ? 2048 : n;
            e = get_u32(bytes.data(), e) == 2 ? get_u32(bytes.data(), e + 8) : 0;
        }
        std::set<uint32_t> before;
        for (uint32_t f : free_pages(df)) before.insert(f);
        EXPECT_EQ(blob_free(df, &ref), 0);
        std::vector<uint32_t> after = free_pages(df);
        std::set<uint32_t> unique(after.begin(), after.end());
        EXPECT_EQ(unique.size(), after.size());
        EXPECT_EQ(unique.size(), before.size() + pages);
    }
}

TEST_F(PageFile, BlobWhoseExtentsLoopIsReportedNotFollowedForever) {
    DrawingFile* df = create();
    std::vector<unsigned char> data(3000, 9);
    RecordRef ref = blob_write(df, 3000, data.data());
    ASSERT_NE(ref, 0u);
    std::string path = df->path;
    drawing_file_close(df);
    ASSERT_EQ(error_flag, 0);
    // Make the extent a continued one that points at itself.
    std::vector<unsigned char> bytes = file_bytes(path);
    std::vector<unsigned char> moved(bytes.begin() + ref + 8, bytes.begin() + ref + 8 + 3000);
    put_u32(bytes.data(), ref, 2);
    put_u32(bytes.data(), ref + 8, ref);
    put_u32(bytes.data(), ref + 12, 0);
    write_file(path, bytes);
    drawing_file_set_mode(df, drawing_mode_open_existing);
    ASSERT_EQ(drawing_file_open(df, 0), 0);
    shown().clear();
    EXPECT_EQ(blob_read(df, &ref, nullptr), 0u);
    EXPECT_EQ(error_flag, 1);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("ОШИБКА чтения файла чертежа"), std::string::npos);
    error_flag = 0;
    EXPECT_EQ(blob_free(df, &ref), 1);
    EXPECT_EQ(error_flag, 1);
}

TEST_F(PageFile, DamagedFreeListRunIsReportedAndDropped) {
    DrawingFile* df = create();
    RecordRef p = page_alloc(df);
    RecordRef q = page_alloc(df);
    RecordRef rq = q | 4;
    page_load(df, &rq, &page_buffers[3]);
    page_free(df, &p);
    // A run far beyond the end of the file.
    RecordRef rp = p;
    page_load(df, &rp, &page_buffers[0]);
    put_u32(page_buffers[0].data, 4, (200u * 2048) | 3);
    put_u32(page_buffers[0].data, 8, 0);
    page_buffers[0].clean = 0;
    shown().clear();
    EXPECT_EQ(page_alloc(df), 0u);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(df->free_list_head, 0u);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("недопустимый номер блока файла"), std::string::npos);
    EXPECT_EQ(page_alloc(df), 3u * 2048);
    EXPECT_EQ(error_flag, 0);
}

TEST_F(PageFile, ReferencesOutsideTheFileAreRefused) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[3];
    RecordRef bad[] = {0x0004u, 2048u * 50 + 4, 0x7FFFF804u};
    for (RecordRef r : bad) {
        SCOPED_TRACE(r);
        RecordRef x = r;
        page_load(df, &x, b);
        EXPECT_EQ(error_flag, 1);
        EXPECT_EQ(b->page, 0u);
    }
    EXPECT_EQ(df->end_address, 0u);
}

TEST_F(PageFile, FailedCloseKeepsTheHandleAndTheDataForARetry) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[3];
    RecordRef p = page_alloc(df);
    RecordRef r = p | 4;
    page_load(df, &r, b);
    std::memset(b->data, 0x3C, 2048);
    drawing_io_fault = fail_all_writes;
    drawing_file_close(df);
    EXPECT_EQ(error_flag, 4);
    EXPECT_TRUE(df->flags & drawing_flag_open);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("Файл нормально не закрыт"), std::string::npos);
    EXPECT_EQ(drawing_file_free(df), -1);
    drawing_io_fault = nullptr;
    drawing_file_close(df);
    EXPECT_EQ(error_flag, 0);
    EXPECT_FALSE(df->flags & drawing_flag_open);
    EXPECT_EQ(file_bytes(df->path)[p + 77], 0x3C);
}

TEST_F(PageFile, PositionsSavedAndRestoredAroundOtherPaging) {
    DrawingFile* df = create();
    RecordRef a = page_alloc(df), c = page_alloc(df);
    RecordRef ra = a | 4;
    page_load(df, &ra, &page_buffers[3]);
    page_positions_save();
    RecordRef rc = c | 4;
    page_load(df, &rc, &page_buffers[3]);
    page_positions_save();  // nested: ignored
    page_positions_restore();
    EXPECT_EQ(page_buffers[3].page, a);
    page_positions_restore();  // without a save: nothing
    EXPECT_EQ(page_buffers[3].page, a);
}

}  // namespace
