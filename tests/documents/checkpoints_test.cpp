#include "doc_test_support.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "store/text_codec.h"

using namespace doc_test;

namespace {

std::vector<uint16_t> packed(const char* text) {
    std::vector<uint16_t> w(20, 0);
    text_pack_words(static_cast<int>(std::strlen(text)), text, w.data(), 19, 2);
    return w;
}

Bytes unmarked(Bytes b) {
    if (b.size() >= 2048) put_u16(b.data(), header_options, get_u16(b.data(), header_options) & ~0x0400);
    return b;
}

std::string node_text(const CheckpointNode* n) {
    char t[80];
    checkpoint_menu_text(n, t, sizeof t);
    return t;
}

class Checkpoints : public DocTest {
protected:
    std::string path;
    RecordRef proj = 0;
    uint32_t next_key = 100;

    void SetUp() override {
        DocTest::SetUp();
        path = make_drawing("part.svt", 2);
        drawing_open_path("part.svt");
        ASSERT_EQ(error_flag, 0);
        // The open-time snapshot is found by the command the open posts.
        checkpoints_collect();
        ASSERT_EQ(checkpoint_count(0), 1);
        proj = get_u32(current_drawing_file()->header, header_projections);
    }

    // One edit: a point added and saved.
    void edit() {
        add_to_projection(proj, projection_points, table_points, point_bytes(next_key, 1, 2, 3, 4));
        ++next_key;
        drawing_save();
    }

    Bytes now() {
        drawing_save();
        return file_bytes(path);
    }

    // The record content of the drawing's path (the header's own save stamp aside).
    std::vector<Bytes> records() { return all_records(); }
};

TEST_F(Checkpoints, NamesFollowTheDrawingPath) {
    struct Case {
        std::string path;
        std::string want;
    } cases[] = {
        {"dir/part.svt", "dir/svt_part_00001.tmp"},
        {"dir\\part.svt", "dir\\svt_part_00001.tmp"},
        {"dir/plan", "dir/svt_plan_00001.tmp"},
        {"dir/a.b.c", "dir/svt_a.b_00001.tmp"},
        {"dir/", "dir/svt00001.tmp"},
    };
    for (const Case& c : cases) {
        char* n = checkpoint_file_name(c.path.c_str());
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(std::string(n), c.want);
        std::free(n);
    }
    // Taken numbers are skipped.
    write_bytes("svt00001.tmp", Bytes(1));
    write_bytes("svt00002.tmp", Bytes(1));
    char* n = checkpoint_file_name((fs::current_path().string() + os_path_separator()).c_str());
    EXPECT_EQ(std::string(n), full("svt00003.tmp"));
    std::free(n);
    // A very long file name is cut to 240 characters after the folder.
    std::string long_name = "d/" + std::string(250, 'q') + ".svt";
    n = checkpoint_file_name(long_name.c_str());
    std::string got(n);
    std::free(n);
    EXPECT_EQ(got, "d/svt_" + std::string(239, 'q') + "_00001.tmp");
}

TEST_F(Checkpoints, UndoAndRedoRestoreTheFileByteForByte) {
    std::vector<std::vector<Bytes>> content;
    for (int i = 0; i < 4; ++i) {
        edit();
        content.push_back(records());
        std::vector<uint16_t> d = packed(("шаг " + std::to_string(i)).c_str());
        ASSERT_EQ(drawing_checkpoint(0, d.data()), 0);
        ASSERT_EQ(checkpoint_made, 1);
    }
    edit();
    std::vector<Bytes> last = records();
    EXPECT_EQ(checkpoint_count(0), 5);
    EXPECT_EQ(node_text(undo_list), "шаг 3");
    // The drawing's path gets the checkpoint file byte for byte (the
    // "open" mark that every open sets aside).
    Bytes target = file_bytes(undo_list->name);
    drawing_undo();
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(unmarked(file_bytes(path)), unmarked(target));
    EXPECT_EQ(records(), content[3]);
    EXPECT_EQ(checkpoint_count(1), 1);
    drawing_undo();
    EXPECT_EQ(records(), content[2]);
    target = file_bytes(redo_list->name);
    drawing_redo();
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(unmarked(file_bytes(path)), unmarked(target));
    EXPECT_EQ(records(), content[3]);
    drawing_redo();
    EXPECT_EQ(records(), last);
    EXPECT_EQ(checkpoint_count(1), 0);
    EXPECT_TRUE(contains(rec().prompts, std::string("Вернулись на шаг вперёд")));
    // Undo over three steps restores the fourth newest state.
    undo_steps = 3;
    drawing_undo();
    EXPECT_EQ(records(), content[1]);
    EXPECT_EQ(checkpoint_count(1), 3);
    // Disk and lists agree: every listed file exists.
    for (int redo = 0; redo < 2; ++redo)
        for (CheckpointNode* n = redo ? redo_list : undo_list; n; n = n->next)
            EXPECT_TRUE(os_file_exists(n->name)) << n->name;
    // Picking the third redo item goes forward three steps.
    undo_list_pick(1, 2);
    EXPECT_EQ(rec().changes.back(), document_redo_chosen);
    drawing_redo();
    EXPECT_EQ(records(), last);
}

// Undo and redo swap the drawing's file under the document lock, whoever
// calls them: they wait while a window paints and keep the busy flag set
// while the file is renamed, then give back the flag they found.
std::atomic<int> renames_seen{0};
std::atomic<int> busy_while_renaming{-1};

TEST_F(Checkpoints, UndoAndRedoRunUnderTheDocumentLock) {
    ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
    edit();
    document_file_fault = [](int op, const char*) {
        if (op == doc_op_rename) {
            busy_while_renaming = busy_flag;
            ++renames_seen;
        }
        return 0;
    };
    for (void (*step)() : {drawing_undo, drawing_redo}) {
        renames_seen = 0;
        busy_while_renaming = -1;
        busy_flag = 0;
        os_event_reset(paint_event);
        std::thread worker(step);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(renames_seen, 0) << "the step did not wait for the painting";
        os_event_set(paint_event);
        worker.join();
        EXPECT_EQ(error_flag, 0);
        EXPECT_GE(renames_seen, 1);
        EXPECT_EQ(busy_while_renaming, 1);
        EXPECT_EQ(busy_flag, 0);
    }
    document_file_fault = nullptr;
}

TEST_F(Checkpoints, MenuPickSetsTheSteps) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
    undo_list_pick(0, 2);
    EXPECT_EQ(undo_steps, 3);
    EXPECT_EQ(rec().changes.back(), document_undo_chosen);
    undo_list_pick(0, 400);  // no such item: one more than the list
    EXPECT_EQ(undo_steps, 5);
    // Stale steps are clamped to the list: the oldest state comes back, the path stays.
    Bytes oldest = file_bytes(checkpoint_at(0, 3)->name);
    drawing_undo();
    ASSERT_EQ(error_flag, 0);
    EXPECT_TRUE(os_file_exists(path.c_str()));
    EXPECT_EQ(checkpoint_count(0), 0);
    EXPECT_EQ(file_bytes(path).size(), oldest.size());
    // Nothing left to undo: refused, the file stays.
    Bytes before = now();
    drawing_undo();
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(messages_with("ОШИБКА откатки"), 1);
    EXPECT_EQ(now(), before);
}

TEST_F(Checkpoints, OnlyTheNewestThirtyAutomaticCheckpointsStay) {
    std::vector<uint16_t> manual = packed("ручная");
    ASSERT_EQ(drawing_checkpoint(1, nullptr), 0);
    std::string oldest_auto = undo_list->name;
    ASSERT_EQ(drawing_checkpoint(0, manual.data()), 0);
    for (int i = 0; i < 29; ++i) ASSERT_EQ(drawing_checkpoint(1, nullptr), 0);
    EXPECT_TRUE(os_file_exists(oldest_auto.c_str()));
    ASSERT_EQ(drawing_checkpoint(1, nullptr), 0);  // the 31st
    EXPECT_FALSE(os_file_exists(oldest_auto.c_str()));
    int automatic = 0, manual_nodes = 0;
    for (CheckpointNode* n = undo_list; n; n = n->next) (n->automatic ? automatic : manual_nodes)++;
    EXPECT_EQ(automatic, 30);
    EXPECT_EQ(manual_nodes, 2);  // the open-time snapshot and the user's
    // Closing deletes the automatic files only.
    std::vector<std::string> manual_files;
    for (CheckpointNode* n = undo_list; n; n = n->next)
        if (!n->automatic) manual_files.push_back(n->name);
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_EQ(folder_files("svt*.tmp").size(), 2u);
    for (const std::string& f : manual_files) EXPECT_TRUE(os_file_exists(f.c_str()));
}

TEST_F(Checkpoints, ManualCheckpointsAreMadeWhileAutomaticOnesAreOff) {
    auto_checkpoints_off = 1;
    EXPECT_EQ(drawing_checkpoint(1, nullptr), 0);
    EXPECT_EQ(checkpoint_made, 0);
    EXPECT_EQ(drawing_checkpoint(0, nullptr), 0);
    EXPECT_EQ(checkpoint_made, 1);
    checkpoint_hold = 1;
    EXPECT_EQ(drawing_checkpoint(1, nullptr), 0);
    EXPECT_EQ(checkpoint_made, 0);
}

TEST_F(Checkpoints, SlowCheckpointsAskQuestion27) {
    static uint64_t clock_ms;
    static uint64_t step_ms;
    document_ticks = []() {
        uint64_t t = clock_ms;
        clock_ms += step_ms;
        return t;
    };
    struct Case {
        uint64_t ms;
        bool asked;
    } cases[] = {{4000, false}, {5000, true}};
    for (const Case& c : cases) {
        rec().questions.clear();
        clock_ms = 0;
        step_ms = c.ms;
        auto_checkpoints_off = 0;
        rec().answer = 1;
        int r = drawing_checkpoint(1, nullptr);
        EXPECT_EQ(!rec().questions.empty(), c.asked) << c.ms;
        EXPECT_EQ(r, c.asked ? 1 : 0);
        EXPECT_EQ(auto_checkpoints_off, c.asked ? 1 : 0);
    }
    // No timing when the header says so.
    current_drawing_file()->header[113] |= 0x08;
    rec().questions.clear();
    auto_checkpoints_off = 0;
    drawing_checkpoint(1, nullptr);
    EXPECT_TRUE(rec().questions.empty());
}

TEST_F(Checkpoints, NumberedDescriptionsFitTwentyWords) {
    std::vector<uint16_t> d18(20, 0), d19(20, 0);
    for (int i = 0; i < 18; ++i) d18[i] = d19[i] = 1 + 40 * 10;
    d19[18] = 1 + 40 * 10;
    ASSERT_EQ(drawing_checkpoint_numbered(0, d18.data(), 77), 0);
    EXPECT_NE(undo_list->description[18], 0);
    ASSERT_EQ(drawing_checkpoint_numbered(0, d19.data(), 77), 0);
    EXPECT_EQ(undo_list->description[19], 0);
    EXPECT_EQ(std::vector<uint16_t>(undo_list->description, undo_list->description + 19),
              std::vector<uint16_t>(d19.begin(), d19.begin() + 19));
}

TEST_F(Checkpoints, CollectMatchesByIdentityAndOrdersNewestFirst) {
    ASSERT_EQ(drawing_checkpoint(0, packed("первая").data()), 0);
    ASSERT_EQ(drawing_checkpoint(0, packed("вторая").data()), 0);
    // A snapshot of another drawing in the same folder is not ours.
    std::string other = make_drawing("other_drawing.svt");
    Bytes ob = file_bytes(other);
    write_bytes("svt_other_00001.tmp", ob);
    // An older-layout snapshot carries its identity at 134.
    Bytes old = file_bytes(path);
    put_u16(old.data(), header_version, 12345);
    put_u32(old.data(), header_old_identity, get_u32(old.data(), header_identity));
    put_u32(old.data(), header_identity, 0);
    write_bytes("svt_part_00050.tmp", old);
    Bytes old_layout = file_bytes(path);
    put_u16(old_layout.data(), header_version, 215);
    put_u32(old_layout.data(), header_old_identity, get_u32(old_layout.data(), header_identity));
    put_u32(old_layout.data(), header_identity, 0);
    write_bytes("svt_part_00051.tmp", old_layout);
    checkpoints_discard();
    checkpoints_collect();
    std::vector<std::string> names;
    for (CheckpointNode* n = undo_list; n; n = n->next) names.push_back(fs::path(n->name).filename().string());
    // 00050 has version 12345 (identity at 148, here 0) and does not match.
    EXPECT_EQ(names, (std::vector<std::string>{"svt_part_00051.tmp", "svt_part_00003.tmp",
                                               "svt_part_00002.tmp", "svt_part_00001.tmp"}));
    EXPECT_EQ(node_text(undo_list->next), "вторая");
}

// ---------------------------------------------------------------- failures
struct FaultPlan {
    int op;        // the file operation that fails
    int nth;       // its nth call from now (1-based)
};
FaultPlan plan;
int calls;
int fail_nth(int op, const char*) {
    if (op != plan.op) return 0;
    return ++calls == plan.nth ? 1 : 0;
}

TEST_F(Checkpoints, EveryFailedFileOperationLeavesACompleteDrawing) {
    // Each operation of checkpoint, undo, redo and save-as fails in turn;
    // the drawing's path always holds a drawing that opens with the records
    // of a state it had, the drawing stays usable, and listed files exist.
    const int ops[] = {doc_op_copy, doc_op_rename, doc_op_flush, doc_op_reopen, doc_op_delete};
    const char* actions[] = {"checkpoint", "undo", "redo", "save_as"};
    for (const char* action : actions) {
        for (int op : ops) {
            for (int nth = 1; nth <= 2; ++nth) {
                SCOPED_TRACE(std::string(action) + " op " + std::to_string(op) + " #" + std::to_string(nth));
                // Fresh state: two checkpoints, one undone (so redo has work).
                rec().answer = 0;
                while (open_drawing_count) drawing_close();
                checkpoints_discard();
                for (const std::string& f : folder_files()) std::remove(f.c_str());
                path = make_drawing("part.svt", 2);
                drawing_open_path("part.svt");
                ASSERT_EQ(error_flag, 0);
                checkpoints_collect();
                proj = get_u32(current_drawing_file()->header, header_projections);
                edit();
                std::vector<Bytes> x1 = records();
                ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
                edit();
                std::vector<Bytes> a = records();
                ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
                edit();
                std::vector<Bytes> b = records();
                drawing_undo();
                ASSERT_EQ(error_flag, 0);
                std::vector<Bytes> c = records();
                ASSERT_EQ(c, a);
                rec().save_choice = full("copy.svt");
                plan = {op, nth};
                calls = 0;
                document_file_fault = fail_nth;
                if (!std::strcmp(action, "checkpoint")) drawing_checkpoint(0, nullptr);
                else if (!std::strcmp(action, "undo")) drawing_undo();
                else if (!std::strcmp(action, "redo")) drawing_redo();
                else if (drawing_ask_save_name("*.svt") == 0) drawing_save_as(0);
                document_file_fault = nullptr;
                error_flag = 0;
                // The drawing is open (or was given back cleanly), and its
                // path holds one of the states.
                if (open_drawing_count == 1) {
                    EXPECT_TRUE(current_drawing_file()->flags & drawing_flag_open);
                    std::vector<Bytes> r = records();
                    EXPECT_TRUE(r == x1 || r == a || r == b);
                    rec().answer = 0;
                    ASSERT_EQ(drawing_close(), 0);
                } else {
                    EXPECT_EQ(open_drawing_count, 0);
                }
                drawing_open_path("part.svt");
                ASSERT_EQ(error_flag, 0);
                std::vector<Bytes> r = records();
                EXPECT_TRUE(r == x1 || r == a || r == b);
                for (int redo = 0; redo < 2; ++redo)
                    for (CheckpointNode* n = redo ? redo_list : undo_list; n; n = n->next)
                        EXPECT_TRUE(os_file_exists(n->name)) << n->name;
                EXPECT_TRUE(folder_files("*.part").empty());
            }
        }
    }
}

TEST_F(Checkpoints, ACutShortSnapshotNeverReplacesTheDrawing) {
    for (int i = 0; i < 60; ++i) edit();
    ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
    // The checkpoint loses its last pages, its size still a multiple of 2048.
    Bytes cut = file_bytes(undo_list->name);
    ASSERT_GT(cut.size(), 2 * 2048u);
    cut.resize(2 * 2048);
    write_bytes(undo_list->name, cut);
    edit();
    std::vector<Bytes> before = records();
    int listed = checkpoint_count(0);
    drawing_undo();
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(messages_with("ОШИБКА откатки"), 1);
    ASSERT_EQ(open_drawing_count, 1);
    EXPECT_EQ(records(), before);
    EXPECT_EQ(checkpoint_count(0), listed);
    EXPECT_EQ(checkpoint_count(1), 0);
}

TEST_F(Checkpoints, FailedWritesDuringACheckpointKeepTheDrawingOpen) {
    edit();
    std::vector<Bytes> before = records();
    int n_before = checkpoint_count(0);
    drawing_io_fault = [](int write, uint64_t, size_t) { return write; };
    drawing_checkpoint(0, nullptr);
    EXPECT_EQ(checkpoint_made, 0);
    drawing_io_fault = nullptr;
    EXPECT_EQ(checkpoint_count(0), n_before);
    ASSERT_EQ(open_drawing_count, 1);
    EXPECT_TRUE(current_drawing_file()->flags & drawing_flag_open);
    EXPECT_EQ(records(), before);
    ASSERT_EQ(drawing_checkpoint(0, nullptr), 0);
    EXPECT_EQ(checkpoint_made, 1);
}

}  // namespace
