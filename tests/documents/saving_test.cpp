#include "doc_test_support.h"

#include "store/text_codec.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace doc_test;

namespace {

class Saving : public DocTest {};

TEST_F(Saving, ChosenNamesGetTheDrawingExtension) {
    struct Case {
        const char* chosen;
        const char* want;
    } cases[] = {
        {"d/plan", "d/plan.svt"},         {"d/plan.old", "d/plan.svt"},
        {"d/plan.svt.bak", "d/plan.svt.bak"}, {"d.x/plan", "d.x/plan.svt"},
        {"d/PLAN.SVT", "d/PLAN.SVT"},
    };
    for (const Case& c : cases) {
        char n[100];
        std::snprintf(n, sizeof n, "%s", c.chosen);
        save_name_force_extension(n, sizeof n);
        EXPECT_STREQ(n, c.want);
    }
    rec().save_choice = "";
    EXPECT_EQ(drawing_ask_save_name("*.svt"), 1);
    EXPECT_EQ(error_flag, 1);
}

TEST_F(Saving, SaveInPlaceKeepsPagesWholeAndTheFreeListCurrent) {
    make_drawing("s.svt", 300);
    drawing_open_path("s.svt");
    DrawingFile* df = current_drawing_file();
    RecordRef pr = get_u32(df->header, header_projections);
    RecordRef head = 0;
    {
        RecordRef x = pr;
        unsigned char* p = record_read_at(df, &x, &page_buffers[table_projections]);
        head = get_u32(p, projection_points);
    }
    for (uint32_t k = 1; k <= 300; k += 2) record_delete_key(df, &head, k, &page_buffers[table_points]);
    {
        RecordRef x = pr;
        unsigned char* p = record_read_at(df, &x, &page_buffers[table_projections]);
        put_u32(p, projection_points, head);
        page_buffers[table_projections].clean = 0;
    }
    drawing_save();
    Bytes b = file_bytes(df->path);
    EXPECT_EQ(b.size() % 2048, 0u);
    EXPECT_EQ(get_u32(b.data(), header_free_list), df->free_list_head);
    EXPECT_EQ(get_u16(b.data(), header_stamp), 0);  // no stamp at a save in place
}

TEST_F(Saving, VariantLeavesTheOldFileAndEmptiesTheLists) {
    std::string p = make_drawing("base.svt", 4);
    drawing_open_path("base.svt");
    checkpoints_collect();
    ASSERT_EQ(drawing_checkpoint(1, nullptr), 0);
    ASSERT_EQ(checkpoint_count(0), 2);
    uint32_t id = get_u32(current_drawing_file()->header, header_identity);
    Bytes old = file_bytes(p);
    rec().save_choice = full("variant");
    ASSERT_EQ(drawing_ask_save_name("*.svt"), 0);
    drawing_save_as(0);
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(std::string(current_drawing_file()->path), full("variant.svt"));
    EXPECT_EQ(checkpoint_count(0) + checkpoint_count(1), 0);
    EXPECT_NE(get_u32(current_drawing_file()->header, header_identity), id);
    RecordRef pr = get_u32(current_drawing_file()->header, header_projections);
    add_to_projection(pr, projection_points, table_points, point_bytes(77, 0, 0, 0, 0));
    drawing_save();
    Bytes now = file_bytes(p);
    // The old file only lost its "open" mark at the close and got its stamp.
    EXPECT_EQ(now.size(), old.size());
    EXPECT_TRUE(std::equal(old.begin() + 2048, old.end(), now.begin() + 2048));
    // The variant's snapshots are its own: none of the old ones match it.
    checkpoints_discard();
    checkpoints_collect();
    EXPECT_EQ(checkpoint_count(0), 0);
}

TEST_F(Saving, SavingANewDrawingMovesItsWorkingFile) {
    ASSERT_EQ(drawing_new(1), 0);
    std::string working = current_drawing_file()->path;
    add_projection(3);
    rec().save_choice = full("neu.old");
    ASSERT_EQ(drawing_ask_save_name("*.svt"), 0);
    drawing_save_as(1);
    ASSERT_EQ(error_flag, 0);
    EXPECT_FALSE(os_file_exists(working.c_str()));
    EXPECT_TRUE(os_file_exists("neu.svt"));
    EXPECT_FALSE(current_drawing_file()->flags & drawing_flag_unnamed);
    EXPECT_EQ(rec().titles.back(), "neu.svt [этап Опорные точки] - SARVOLT 9.4");
    // The stamp of the save stands in the file's header.
    Bytes b = file_bytes("neu.svt");
    uint16_t w[20];
    for (int i = 0; i < 20; ++i) w[i] = get_u16(b.data(), header_stamp + 2 * i);
    char text[80];
    int n = text_unpack_words(40, w, text, sizeof text, 2);
    text[n] = 0;
    EXPECT_NE(std::string(text).find("Записан "), std::string::npos) << text;
}

TEST_F(Saving, FailedCopyKeepsTheDrawingOpenUnderItsName) {
    std::string p = make_drawing("stay.svt");
    drawing_open_path("stay.svt");
    std::vector<Bytes> before = all_records();
    rec().save_choice = full("elsewhere.svt");
    ASSERT_EQ(drawing_ask_save_name("*.svt"), 0);
    document_file_fault = [](int op, const char*) { return op == doc_op_copy ? 1 : 0; };
    drawing_save_as(0);
    document_file_fault = nullptr;
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(messages_with("ОШИБКА сохранения файла"), 1);
    ASSERT_EQ(open_drawing_count, 1);
    EXPECT_EQ(std::string(current_drawing_file()->path), p);
    EXPECT_TRUE(current_drawing_file()->flags & drawing_flag_open);
    EXPECT_EQ(all_records(), before);
    EXPECT_FALSE(os_file_exists("elsewhere.svt"));
    EXPECT_TRUE(folder_files("*.part").empty());
}

// "Save as" is a changing operation under the document lock: it waits while
// a projection window paints, keeps the busy flag set while it copies (so
// that no window paints or takes a click meanwhile) and clears it at the end.
std::atomic<int> copies_seen{0};
std::atomic<int> busy_while_copying{-1};

TEST_F(Saving, SaveAsWaitsForPaintingAndHoldsTheBusyFlag) {
    make_drawing("lock.svt");
    drawing_open_path("lock.svt");
    ASSERT_EQ(error_flag, 0);
    rec().save_choice = full("locked.svt");
    ASSERT_EQ(drawing_ask_save_name("*.svt"), 0);
    copies_seen = 0;
    busy_while_copying = -1;
    document_file_fault = [](int op, const char*) {
        if (op == doc_op_copy) {
            busy_while_copying = busy_flag;
            ++copies_seen;
        }
        return 0;
    };
    busy_flag = 0;
    os_event_reset(paint_event);  // a window is painting
    std::thread saver([] { drawing_save_as(0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(copies_seen, 0) << "the save did not wait for the painting";
    EXPECT_EQ(busy_flag, 1);
    os_event_set(paint_event);  // painting done
    saver.join();
    document_file_fault = nullptr;
    EXPECT_EQ(error_flag, 0);
    EXPECT_GE(copies_seen, 1);
    EXPECT_EQ(busy_while_copying, 1);
    EXPECT_EQ(busy_flag, 0);
    EXPECT_TRUE(os_file_exists("locked.svt"));
    // The lock of a nested operation gives back the flag it found.
    busy_flag = 1;
    document_lock_acquire();
    document_lock_release();
    EXPECT_EQ(busy_flag, 1);
    busy_flag = 0;

    // Two threads whose holds overlap: the second comes while the first
    // holds the lock, so it finds the flag raised; once both have left, the
    // flag is the one the first found, not the raised one.
    for (int found : {0, 1}) {
        busy_flag = found;
        std::atomic<int> stage{0};
        std::thread first([&] {
            document_lock_acquire();
            stage = 1;
            while (stage != 2) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the second now waits
            document_lock_release();
        });
        while (stage != 1) std::this_thread::yield();
        std::thread second([&] {
            stage = 2;
            document_lock_acquire();
            EXPECT_EQ(busy_flag, 1) << "the flag fell while the second thread held the lock";
            document_lock_release();
        });
        first.join();
        second.join();
        EXPECT_EQ(busy_flag, found);
    }
    busy_flag = 0;
}

}  // namespace
