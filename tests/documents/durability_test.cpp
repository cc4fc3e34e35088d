// Losing nothing: a stop of the process before any write of a save, a disk
// that fills up at any moment, and a failure of any one file operation of
// save, checkpoint, undo, redo, open and close.  Each time the drawing's
// path must open again as its last saved state (or a newer consistent one),
// and the drawing must stay usable while the program runs.
#include "doc_test_support.h"

#include <map>
#include <set>

using namespace doc_test;

namespace {

// ---------------------------------------------------------------- seams
// A process that stops: from the moment `stopped` is set no file operation
// reaches the disk any more.
struct StopPlan {
    int stop_at = 0;         // the operation that is not done (1 = the first counted)
    int counted = 0;
    bool stopped = false;
    bool committed = false;  // the journal was emptied before the stop: the save was complete
};
StopPlan stop_plan;

bool changes_the_disk(int op) {
    return op == os_io_write || op == os_io_flush || op == os_io_truncate || op == os_io_delete ||
           op == os_io_rename;
}

long stop_seam(int op, const char* path, uint64_t, size_t) {
    if (stop_plan.stopped) return 0;
    if (!changes_the_disk(op)) return -1;
    if (++stop_plan.counted == stop_plan.stop_at) {
        stop_plan.stopped = true;
        return 0;
    }
    std::string p = path ? path : "";
    if (op == os_io_truncate && p.size() > 8 && p.compare(p.size() - 8, 8, "-journal") == 0)
        stop_plan.committed = true;
    return -1;
}

// A disk with `room` bytes free: a write that would grow a file beyond it
// stores what fits and fails; deleting, cutting or replacing a file gives
// its bytes back.
struct Disk {
    bool limited = false;
    int64_t room = 0;
    int64_t grown = 0;  // bytes the files grew by in all
};
Disk disk;

int64_t size_of(const char* path) {
    std::error_code ec;
    auto n = fs::file_size(path ? path : "", ec);
    return ec ? 0 : static_cast<int64_t>(n);
}

long disk_seam(int op, const char* path, uint64_t offset, size_t size) {
    int64_t cur = size_of(path);
    switch (op) {
    case os_io_write: {
        int64_t end = static_cast<int64_t>(offset + size);
        int64_t grow = end > cur ? end - cur : 0;
        if (!disk.limited || grow <= disk.room) {
            disk.room -= grow;
            disk.grown += grow;
            return -1;
        }
        int64_t fits = cur + disk.room - static_cast<int64_t>(offset);
        if (fits < 0) fits = 0;
        if (fits > static_cast<int64_t>(size)) fits = static_cast<int64_t>(size);
        int64_t g = static_cast<int64_t>(offset) + fits - cur;
        if (g > 0) disk.room -= g;
        return static_cast<long>(fits);
    }
    case os_io_truncate:
        if (static_cast<int64_t>(offset) < cur) disk.room += cur - static_cast<int64_t>(offset);
        return -1;
    case os_io_delete:
    case os_io_rename:
        disk.room += cur;
        return -1;
    case os_io_open:
        if (offset == os_open_create) disk.room += cur;  // an existing file is cut to nothing
        return -1;
    default:
        return -1;
    }
}

// The Nth file operation fails (and, persistent, every one after it).
struct NthPlan {
    int nth = 0;
    int seen = 0;
    bool persistent = false;
    bool hit = false;
};
NthPlan nth_plan;

long nth_seam(int, const char*, uint64_t, size_t) {
    ++nth_plan.seen;
    if (nth_plan.seen == nth_plan.nth || (nth_plan.persistent && nth_plan.seen > nth_plan.nth)) {
        nth_plan.hit = true;
        return 0;
    }
    return -1;
}

class Durability : public DocTest {
protected:
    uint32_t next_key = 1000;

    void TearDown() override {
        os_io_fault = nullptr;
        DocTest::TearDown();
    }

    RecordRef projection() { return get_u32(current_drawing_file()->header, header_projections); }

    void add_points(int n) {
        for (int i = 0; i < n; ++i, ++next_key)
            add_to_projection(projection(), projection_points, table_points,
                              point_bytes(next_key, next_key, 1, 2, 3));
    }

    void add_elements(int n, uint16_t size) {
        for (int i = 0; i < n; ++i, ++next_key) {
            Bytes e(size, static_cast<unsigned char>(next_key));
            put_u16(e.data(), 0, size);
            put_u32(e.data(), 2, next_key);
            e[10] = 1;
            add_to_projection(projection(), projection_elements, table_elements, e);
        }
    }

    // Deletes the points whose keys lie in [from, to) and are multiples of step.
    void delete_points(uint32_t from, uint32_t to, uint32_t step) {
        DrawingFile* df = current_drawing_file();
        for (uint32_t k = from; k < to; ++k) {
            if (k % step) continue;
            RecordRef x = projection();
            unsigned char* p = record_read_at(df, &x, &page_buffers[table_projections]);
            RecordRef head = get_u32(p, projection_points);
            record_delete_key(df, &head, k, &page_buffers[table_points]);
            x = projection();
            p = record_read_at(df, &x, &page_buffers[table_projections]);
            put_u32(p, projection_points, head);
            page_buffers[table_projections].clean = 0;
        }
    }

    // The process ends here: the drawing is let go without another write.
    void abandon() {
        DrawingFile* df = current_drawing_file();
        if (df) {
            if (df->file) os_file_close(df->file);
            df->file = nullptr;
            df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
            drawing_file_free(df);
        }
        open_drawings[0] = open_drawings[1] = nullptr;
        open_drawing_count = 0;
        current_drawing = 0;
        checkpoints_discard();
    }

    void clear_folder() {
        rec().answer = 0;
        while (open_drawing_count && drawing_close() == 0) {
        }
        abandon();
        for (const std::string& f : folder_files()) std::remove(f.c_str());
        next_key = 1000;
    }
};

// A save is stopped before each of its writes (and flushes, cuts, deletes)
// in turn; the drawing then opens as the state of the save before, or as the
// new one once the journal was emptied, and works on.
TEST_F(Durability, StopBeforeEachWriteOfASaveOpensAsASavedState) {
    int stops = 0, after_commit = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE("stop at " + std::to_string(k));
        clear_folder();
        make_drawing("d.svt", 30);
        drawing_open_path("d.svt");
        ASSERT_EQ(error_flag, 0);
        add_points(60);
        add_elements(12, 700);
        delete_points(1, 30, 3);
        drawing_save();
        ASSERT_EQ(error_flag, 0);
        std::vector<Bytes> s1 = all_records();
        // Pages changed in place, pages freed, pages added.
        delete_points(1000, 1060, 2);
        add_elements(20, 900);
        add_points(30);
        delete_points(1, 30, 5);
        std::vector<Bytes> s2 = all_records();
        stop_plan = StopPlan();
        stop_plan.stop_at = k;
        os_io_fault = stop_seam;
        drawing_save();
        os_io_fault = nullptr;
        StopPlan seen = stop_plan;
        abandon();
        rec().messages.clear();
        drawing_open_path("d.svt");
        ASSERT_EQ(error_flag, 0) << (rec().messages.empty() ? "" : rec().messages[0]);
        std::vector<Bytes> r = all_records();
        if (!seen.stopped) {
            // k is beyond the last write: the save was whole.
            EXPECT_EQ(r, s2);
            break;
        }
        ++stops;
        if (seen.committed) {
            ++after_commit;
            EXPECT_EQ(r, s2);
        } else {
            EXPECT_EQ(r, s1);
        }
        EXPECT_FALSE(drawing_journal_pending("d.svt"));
        // The drawing works on: an edit, a save and a close.
        add_points(5);
        drawing_save();
        EXPECT_EQ(error_flag, 0);
        EXPECT_EQ(drawing_close(), 0);
    }
    std::printf("%d stops, %d of them after the journal was emptied\n", stops, after_commit);
    EXPECT_GT(stops, 8);
}

// A save and a close each end with the drawing file flushed to the disk,
// before the journal is emptied (so the saved state is on the disk first).
std::vector<std::string> flushes_seen;
long flush_recorder(int op, const char* path, uint64_t, size_t) {
    if (op == os_io_flush || op == os_io_truncate) {
        std::string p = path ? path : "";
        flushes_seen.push_back((op == os_io_flush ? "flush " : "cut ") + p.substr(p.find_last_of("/\\") + 1));
    }
    return -1;
}

TEST_F(Durability, SaveAndCloseFlushTheDrawingBeforeEmptyingTheJournal) {
    make_drawing("f.svt", 5);
    drawing_open_path("f.svt");
    ASSERT_EQ(error_flag, 0);
    add_points(30);
    for (int close = 0; close < 2; ++close) {
        flushes_seen.clear();
        os_io_fault = flush_recorder;
        if (close) {
            ASSERT_EQ(drawing_close(), 0);
        } else {
            drawing_save();
        }
        os_io_fault = nullptr;
        auto flushed = std::find(flushes_seen.begin(), flushes_seen.end(), "flush f.svt");
        auto emptied = std::find(flushes_seen.begin(), flushes_seen.end(), "cut f.svt-journal");
        ASSERT_NE(flushed, flushes_seen.end()) << close;
        ASSERT_NE(emptied, flushes_seen.end()) << close;
        EXPECT_LT(flushed - flushes_seen.begin(), emptied - flushes_seen.begin()) << close;
    }
    EXPECT_FALSE(os_file_exists("f.svt-journal"));
}

// One editing session run on disks with less and less room: whatever fills
// up, walking the open drawing finds every record, and the path opens as
// the last completed save (after a stop) or as everything (after a close
// once room was made).
TEST_F(Durability, FullDiskAtAnyMomentLosesAtMostTheUnsavedWork) {
    struct Outcome {
        std::vector<Bytes> saved;  // state of the last save that reported success
        std::vector<Bytes> last;   // the state in memory at the end
        bool opened = false;
    };
    auto session = [&](bool limited, int64_t room) {
        Outcome o;
        clear_folder();
        make_drawing("full.svt", 20);
        disk = Disk();
        disk.limited = limited;
        disk.room = room;
        os_io_fault = disk_seam;
        drawing_open_path("full.svt");
        if (error_flag) return o;
        o.opened = true;
        o.saved = all_records();
        for (int round = 0; round < 6; ++round) {
            add_points(25);
            add_elements(6, 800);
            delete_points(1000 + 25 * round, 1000 + 25 * round + 25, 4);
            std::vector<Bytes> expected = all_records();

            // Walking again finds the same records: no page switch lost one.
            int16_t before = error_flag;
            EXPECT_EQ(all_records(), expected);
            EXPECT_EQ(error_flag, before);
            drawing_save();
            if (error_flag == 0) o.saved = expected;
            o.last = expected;
        }
        return o;
    };
    session(false, 0);
    os_io_fault = nullptr;
    const int64_t needed = disk.grown;
    ASSERT_GT(needed, 100000);
    int levels = 0, lost_saves = 0;
    for (int64_t room = 0; room <= needed; room += needed / 30 + 1) {
        for (int stop = 0; stop < 2; ++stop) {
            SCOPED_TRACE("room " + std::to_string(room) + (stop ? ", stopped" : ", closed"));
            ++levels;
            rec().messages.clear();
            Outcome o = session(true, room);
            if (!o.opened) {
                // Not even the open could mark the drawing: it is as it was.
                os_io_fault = nullptr;
                ASSERT_EQ(open_drawing_count, 0);
                drawing_open_path("full.svt");
                ASSERT_EQ(error_flag, 0);
                EXPECT_EQ(all_records().size(), 21u);
                continue;
            }
            std::vector<Bytes> want;
            if (stop) {
                abandon();
                want = o.saved;
            } else {
                // The close fails while the disk is full; room is made and it works.
                rec().answer = 0;
                int r = drawing_close();
                disk.limited = false;
                if (r != 0) {
                    EXPECT_EQ(drawing_close(), 0);
                }
                want = o.last;
            }
            os_io_fault = nullptr;
            drawing_open_path("full.svt");
            ASSERT_EQ(error_flag, 0) << (rec().messages.empty() ? "" : rec().messages.back());
            std::vector<Bytes> got = all_records();
            EXPECT_TRUE(got == want) << got.size() << " records, wanted " << want.size() << " (saved "
                                     << o.saved.size() << ", last " << o.last.size() << ")";
            if (o.saved != o.last) ++lost_saves;
        }
    }
    EXPECT_GE(levels, 29);
    EXPECT_GT(lost_saves, 0);  // the disk did fill up in mid-session
}

// Every file operation of save, checkpoint, undo, redo, open and close fails
// in turn (the Nth, alone or with all after it, as a disk that goes away);
// the drawing stays usable or is given back cleanly, and its path opens as
// one of the states it had, a successful save or close as its newest.
TEST_F(Durability, EachFailedFileOperationLeavesASavedState) {
    const char* actions[] = {"save", "checkpoint", "undo", "redo", "open", "close"};
    int runs = 0;
    for (const char* action : actions) {
        for (int persistent = 0; persistent < 2; ++persistent) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::string(action) + " fails at " + std::to_string(n) +
                             (persistent ? " and on" : ""));
                clear_folder();
                make_drawing("part.svt", 2);
                drawing_open_path("part.svt");
                ASSERT_EQ(error_flag, 0);
                checkpoints_collect();
                add_points(3);
                drawing_save();
                std::vector<Bytes> x1 = all_records();
                ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
                add_points(40);
                drawing_save();
                std::vector<Bytes> a = all_records();
                ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
                delete_points(1003, 1043, 2);
                drawing_save();
                std::vector<Bytes> b = all_records();
                drawing_undo();
                ASSERT_EQ(error_flag, 0);
                ASSERT_EQ(all_records(), a);
                add_points(10);  // unsaved
                std::vector<Bytes> e = all_records();
                std::vector<std::vector<Bytes>> states = {x1, a, b, e};
                bool is_close = !std::strcmp(action, "close");
                bool is_open = !std::strcmp(action, "open");
                if (is_open) {
                    ASSERT_EQ(drawing_close(), 0);
                    states = {e};
                }
                nth_plan = NthPlan();
                nth_plan.nth = n;
                nth_plan.persistent = persistent != 0;
                rec().messages.clear();
                os_io_fault = nth_seam;
                int16_t result = 0;
                if (!std::strcmp(action, "save")) drawing_save();
                else if (!std::strcmp(action, "checkpoint")) drawing_checkpoint(0, nullptr);
                else if (!std::strcmp(action, "undo")) drawing_undo();
                else if (!std::strcmp(action, "redo")) drawing_redo();
                else if (is_open) drawing_open_path("part.svt");
                else drawing_close();
                result = error_flag;
                os_io_fault = nullptr;
                bool hit = nth_plan.hit;
                ++runs;
                for (int redo = 0; redo < 2; ++redo)
                    for (CheckpointNode* c = redo ? redo_list : undo_list; c; c = c->next)
                        EXPECT_TRUE(os_file_exists(c->name)) << c->name;
                if (open_drawing_count == 1) {
                    ASSERT_TRUE(current_drawing_file()->flags & drawing_flag_open);
                    std::vector<Bytes> r = all_records();
                    EXPECT_TRUE(std::find(states.begin(), states.end(), r) != states.end());
                    if (!std::strcmp(action, "save")) {
                        EXPECT_EQ(r, e);  // nothing lost in memory
                    }
                    rec().answer = 0;
                    ASSERT_EQ(drawing_close(), 0);
                } else {
                    EXPECT_EQ(open_drawing_count, 0);
                }
                if (!hit) {
                    EXPECT_FALSE(os_file_exists("part.svt-journal"));
                }
                drawing_open_path("part.svt");
                ASSERT_EQ(error_flag, 0) << (rec().messages.empty() ? "" : rec().messages.back());
                std::vector<Bytes> r = all_records();
                EXPECT_TRUE(std::find(states.begin(), states.end(), r) != states.end())
                    << r.size() << " records; " << rec().messages.size() << " messages"
                    << (rec().messages.empty() ? "" : ": " + rec().messages.back());
                if ((!std::strcmp(action, "save") || is_close) && result == 0) {
                    EXPECT_EQ(r, e);
                }
                // A disk that went away may keep a half copy, never listed.
                if (!persistent) {
                    EXPECT_TRUE(folder_files("*.part").empty());
                }
                if (!hit) break;  // the action ran to its end without reaching the Nth operation
            }
        }
    }
    std::printf("%d failure runs\n", runs);
}

}  // namespace
