#include "doc_test_support.h"

#include "documents/tool_state.h"
#include "documents/upgrades.h"
#include "store/settings_block.h"

using namespace doc_test;

namespace {

class Documents : public DocTest {};

TEST_F(Documents, NewAddSaveCloseReopenGivesIdenticalRecords) {
    rec().answer = 1;
    rec().save_choice = full("plan");
    ASSERT_EQ(drawing_new(1), 0);
    DrawingFile* df = current_drawing_file();
    ASSERT_TRUE(df->flags & drawing_flag_unnamed);
    std::string working = df->path;
    EXPECT_NE(working.find("svt00001.tmp"), std::string::npos);
    EXPECT_NE(get_u32(df->header, header_identity), 0u);
    RecordRef p1 = add_projection(1);
    RecordRef p2 = add_projection(2);
    for (uint32_t k = 1; k <= 400; ++k)
        add_to_projection(k % 2 ? p1 : p2, projection_points, table_points, point_bytes(k, k, -double(k), 0, k));
    drawing_save();
    std::vector<Bytes> before = all_records();
    ASSERT_EQ(before.size(), 402u);
    // Closing an unnamed drawing asks question 2; the answer saves it as plan.svt.
    EXPECT_TRUE(contains(rec().changes, document_checkpoint_possible));
    EXPECT_EQ(documents_state_fault(), nullptr);
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_EQ(documents_state_fault(), nullptr);
    EXPECT_EQ(rec().changes.back(), document_checkpoint_impossible);
    EXPECT_EQ(rec().questions, (std::vector<int>{2}));
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_EQ(rec().titles.back(), program_title);
    EXPECT_TRUE(contains(rec().recent, full("plan.svt")));
    EXPECT_FALSE(contains(rec().recent, working));
    Bytes saved = file_bytes("plan.svt");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.size() % 2048, 0u);
    drawing_open_path("plan.svt");
    ASSERT_EQ(error_flag, 0);
    ASSERT_EQ(open_drawing_count, 1);
    EXPECT_EQ(all_records(), before);
    EXPECT_EQ(documents_state_fault(), nullptr);
    EXPECT_TRUE(os_file_exists("svt_plan_00001.tmp"));
    EXPECT_EQ(rec().titles.back(), "plan.svt [этап Опорные точки] - SARVOLT 9.4");
    EXPECT_TRUE(contains(rec().changes, document_opened));
    // The point pool was rebuilt from the records.
    EXPECT_EQ(point_number_alloc(), 401u);
}

// The text settings and tool state a drawing starts with: a new drawing
// takes size index 2 (3.5 mm), arrowhead 0 and fresh tool state words,
// whatever the previous drawing left; a loaded drawing takes its own size
// index and arrowhead from its header and derives the element dialog's
// default offset from them.
TEST_F(Documents, NewAndLoadedDrawingsSetTextSettingsAndToolState) {
    ASSERT_EQ(settings_block_unpack(), 0);
    struct BlockFree {
        ~BlockFree() { settings_block_free(); }
    } block_free;
    auto index = [] { return get_u16(settings_block, 187); };
    auto height = [] { return get_f64(settings_block, 179); };
    auto arrowhead = [] { return get_u16(settings_block, 189); };
    put_u16(settings_block, 187, 6);
    put_f64(settings_block, 179, 14.0);
    put_u16(settings_block, 189, 3);
    dimension_tool_state = 9;
    title_block_state[0] = title_block_state[1] = title_block_state[2] = 7;
    rec().answer = 0;
    ASSERT_EQ(drawing_new(1), 0);
    EXPECT_EQ(index(), 2);
    EXPECT_EQ(height(), 3.5);
    EXPECT_EQ(arrowhead(), 0);
    EXPECT_EQ(dimension_tool_state, 0);
    EXPECT_EQ(title_block_state[0], 0);
    EXPECT_EQ(title_block_state[1], 0);
    EXPECT_EQ(title_block_state[2], 1);
    const unsigned char* h = current_drawing_file()->header;
    EXPECT_TRUE(h[112] & 0x10);
    EXPECT_TRUE(h[111] & 0x04);
    EXPECT_EQ(get_f64(h, 128), 1.0);
    ASSERT_EQ(drawing_close(), 0);

    // A stored drawing with size index 4 (7 mm) and arrowhead kind 5.
    std::string p = make_drawing("styled.svt");
    Bytes b = file_bytes(p);
    b[112] = static_cast<unsigned char>((b[112] & 0xF0) | 4);
    b[111] = static_cast<unsigned char>((b[111] & 0x0F) | 0x50);
    write_bytes(p, b);
    dimension_tool_state = 9;
    element_default_offset = 0;
    undo_after_construction = 1;
    drawing_open_path("styled.svt");
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(index(), 4);
    EXPECT_EQ(height(), 7.0);
    EXPECT_EQ(arrowhead(), 5);
    EXPECT_NEAR(element_default_offset, 1.2 + 7.0 + 2.48, 1e-12);
    EXPECT_EQ(dimension_tool_state, 0);
    EXPECT_EQ(undo_after_construction, 0);
    ASSERT_EQ(drawing_close(), 0);
}

TEST_F(Documents, OpenMakesSnapshotsOnlyForNamedDrawings) {
    make_drawing("x.svt");
    make_drawing("y.tmp");
    drawing_open_path("x.svt");
    ASSERT_EQ(error_flag, 0);
    EXPECT_TRUE(os_file_exists("svt_x_00001.tmp"));
    ASSERT_EQ(drawing_close(), 0);
    drawing_open_path("x.svt");
    EXPECT_TRUE(os_file_exists("svt_x_00002.tmp"));
    ASSERT_EQ(drawing_close(), 0);
    auto before = folder_files();
    drawing_open_path("y.tmp");
    ASSERT_EQ(error_flag, 0);
    EXPECT_TRUE(current_drawing_file()->flags & drawing_flag_unnamed);
    // Only the open drawing's journal is new beside it.
    before.push_back("y.tmp-journal");
    EXPECT_EQ(folder_files(), before);
    // A drawing answered "No" at close stays out of the recent list.
    rec().answer = 0;
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_FALSE(contains(rec().recent, full("y.tmp")));
}

TEST_F(Documents, WorkingFileTestLooksAtTheFileNameOnly) {
    struct Case {
        const char* path;
        bool working;
    } cases[] = {
        {"a.tmp", true},         {"A.TMP", true},          {"dir.tmp/a.svt", false},
        {"c:\\x.tmp\\a.svt", false}, {"svt_a_00001.tmp", true}, {"a.tmpl.svt", true},
        {"a.svt", false},
    };
    for (const Case& c : cases) EXPECT_EQ(path_is_working_file(c.path), c.working) << c.path;
}

TEST_F(Documents, SnapshotOpenedThroughTheTmpFilterIsACopy) {
    make_drawing("part.svt");
    drawing_open_path("part.svt");
    ASSERT_EQ(drawing_close(), 0);
    Bytes snap = file_bytes("svt_part_00001.tmp");
    ASSERT_FALSE(snap.empty());
    drawing_open_path("svt_part_00001.tmp");
    ASSERT_EQ(error_flag, 0);
    std::string opened = current_drawing_file()->path;
    EXPECT_EQ(opened.find("svt_part"), std::string::npos) << opened;
    add_projection(9);
    rec().answer = 0;
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_EQ(file_bytes("svt_part_00001.tmp"), snap);
}

TEST_F(Documents, MissingFileAndTooManyDrawings) {
    drawing_open_path("nothing.svt");
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(messages_with("Файл не найден!"), 1);
    EXPECT_EQ(open_drawing_count, 0);
    ASSERT_EQ(drawing_new(1), 0);
    ASSERT_EQ(drawing_new(1), 0);
    EXPECT_EQ(drawing_new(1), 1);
    EXPECT_EQ(messages_with("Много открытых чертежей!"), 1);
    EXPECT_EQ(messages_with("Всего: 2"), 1);
    EXPECT_EQ(open_drawing_count, 2);
}

TEST_F(Documents, ClosingTheFirstOfTwoKeepsTheSecondReachable) {
    rec().answer = 0;
    ASSERT_EQ(drawing_new(1), 0);
    ASSERT_EQ(drawing_new(1), 0);
    DrawingFile* second = current_drawing_file();
    current_drawing = 0;
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_EQ(documents_state_fault(), nullptr);
    EXPECT_EQ(open_drawing_count, 1);
    EXPECT_EQ(current_drawing_file(), second);
    // A new drawing goes beside it, not over it.
    ASSERT_EQ(drawing_new(1), 0);
    EXPECT_EQ(open_drawings[0], second);
    EXPECT_NE(open_drawings[1], second);
    EXPECT_EQ(documents_state_fault(), nullptr);
    ASSERT_EQ(drawing_close(), 0);
    ASSERT_EQ(drawing_close(), 0);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_EQ(drawing_close(), 0);
    EXPECT_EQ(open_drawing_count, 0);
}

// The state check names a broken rule of the slots and of an open drawing.
TEST_F(Documents, StateCheckNamesABrokenRule) {
    EXPECT_EQ(documents_state_fault(), nullptr);
    ASSERT_EQ(drawing_new(1), 0);
    ASSERT_EQ(documents_state_fault(), nullptr);
    DrawingFile* df = current_drawing_file();
    struct Case {
        const char* rule;
        void (*breaks)(DrawingFile*);
        void (*mends)(DrawingFile*);
    };
    static OsFile* kept;
    const Case cases[] = {
        {"count", [](DrawingFile*) { open_drawing_count = 2; }, [](DrawingFile*) { open_drawing_count = 1; }},
        {"current", [](DrawingFile*) { current_drawing = 1; }, [](DrawingFile*) { current_drawing = 0; }},
        {"without a file", [](DrawingFile* d) { kept = d->file; d->file = nullptr; },
         [](DrawingFile* d) { d->file = kept; }},
        {"viewing", [](DrawingFile* d) { d->flags |= drawing_flag_read_only; d->journal = reinterpret_cast<RollbackJournal*>(d); },
         [](DrawingFile* d) { d->flags = static_cast<uint8_t>(d->flags & ~drawing_flag_read_only); d->journal = nullptr; }},
    };
    for (const Case& c : cases) {
        RollbackJournal* journal = df->journal;
        c.breaks(df);
        const char* fault = documents_state_fault();
        ASSERT_NE(fault, nullptr) << c.rule;
        EXPECT_NE(std::string(fault).find(c.rule), std::string::npos) << fault;
        c.mends(df);
        if (std::string(c.rule) == "viewing") df->journal = journal;
        EXPECT_EQ(documents_state_fault(), nullptr) << c.rule;
    }
}

TEST_F(Documents, CancelledWizardLeavesNoFile) {
    document_shell.create_initial_projections = []() { return -1; };
    EXPECT_EQ(drawing_new(0), 1);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_TRUE(folder_files().empty());
}

TEST_F(Documents, FailedCloseKeepsTheDrawingOpenAndItsPages) {
    make_drawing("keep.svt", 2);
    drawing_open_path("keep.svt");
    ASSERT_EQ(error_flag, 0);
    RecordRef pr = get_u32(current_drawing_file()->header, header_projections);
    for (uint32_t k = 10; k < 200; ++k)
        add_to_projection(pr, projection_points, table_points, point_bytes(k, k, k, k, k));
    std::vector<Bytes> before = all_records();
    drawing_io_fault = [](int write, uint64_t, size_t) { return write; };
    EXPECT_NE(drawing_close(), 0);
    EXPECT_EQ(open_drawing_count, 1);
    ASSERT_NE(current_drawing_file(), nullptr);
    EXPECT_TRUE(current_drawing_file()->flags & drawing_flag_open);
    EXPECT_EQ(documents_state_fault(), nullptr);
    drawing_io_fault = nullptr;
    EXPECT_EQ(all_records(), before);
    ASSERT_EQ(drawing_close(), 0);
    drawing_open_path("keep.svt");
    EXPECT_EQ(all_records(), before);
}

TEST_F(Documents, TitleNamesTheFileStageAndActiveProjection) {
    make_drawing("vid.svt");
    drawing_open_path("vid.svt");
    document_shell.active_projection_caption = []() -> const char* { return "Вид спереди"; };
    char t[400];
    main_title_text(t, sizeof t);
    EXPECT_STREQ(t, "vid.svt [этап Опорные точки, активная проекция: \"Вид спереди\"] - SARVOLT 9.4");
    char name[40];
    drawing_file_name_part(name, sizeof name);
    EXPECT_STREQ(name, "vid.svt");
}

TEST_F(Documents, OldFilesGetTheDefaultTimeLimit) {
    std::string p = make_drawing("old.svt");
    Bytes b = file_bytes(p);
    b[header_checkpoint_limit] = 9;
    write_bytes(p, b);
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 14));
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(current_drawing_file()->header[header_checkpoint_limit], 3);
    ASSERT_EQ(drawing_close(), 0);
    b = file_bytes(p);
    b[header_checkpoint_limit] = 9;
    write_bytes(p, b);
    drawing_open_path("old.svt");
    EXPECT_EQ(current_drawing_file()->header[header_checkpoint_limit], 9);
}

// ---------------------------------------------------------------- not closed normally
TEST_F(Documents, UnclosedDrawingIsCheckedAndItsFreeListRebuilt) {
    std::string p = make_drawing("crash.svt", 5);
    Bytes b = file_bytes(p);
    // The header says "open" and its free list names the projection's page.
    put_u16(b.data(), header_options, static_cast<uint16_t>(get_u16(b.data(), header_options) | 0x0400));
    uint32_t proj_page = get_u32(b.data(), header_projections) & ~0x7FFu;
    Bytes fl(2048, 0);
    put_u32(fl.data(), 4, proj_page);
    b.insert(b.end(), fl.begin(), fl.end());
    put_u32(b.data(), header_free_list, static_cast<uint32_t>(b.size() - 2048));
    write_bytes(p, b);
    drawing_open_path("crash.svt");
    ASSERT_EQ(error_flag, 0);
    std::vector<Bytes> before = all_records();
    // Every new page comes from pages nobody uses.
    DrawingFile* df = current_drawing_file();
    for (int i = 0; i < 4; ++i) {
        RecordRef pg = page_alloc(df);
        EXPECT_NE(pg, proj_page);
        EXPECT_NE(pg, get_u32(before[1].data() + 1, 0) & ~0x7FFu);
    }
    EXPECT_EQ(all_records(), before);
}

TEST_F(Documents, DamagedUnclosedDrawingPointsAtItsNewestSnapshot) {
    std::string p = make_drawing("bad.svt", 5);
    drawing_open_path("bad.svt");
    ASSERT_EQ(drawing_close(), 0);
    Bytes b = file_bytes(p);
    put_u16(b.data(), header_options, static_cast<uint16_t>(get_u16(b.data(), header_options) | 0x0400));
    uint32_t proj_page = get_u32(b.data(), header_projections) & ~0x7FFu;
    put_u32(b.data(), proj_page, 0x7FFFF004);  // a link far past the end
    write_bytes(p, b);
    static std::string offered;
    offered.clear();
    document_shell.offer_snapshot = [](const char*, const char* snap) { offered = snap ? snap : ""; };
    drawing_open_path("bad.svt");
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_NE(offered.find("svt_bad_00001.tmp"), std::string::npos) << offered;
    EXPECT_EQ(file_bytes(p), b);  // left as it was
}

TEST_F(Documents, StartUpCleanupTakesOnlyClosedWorkingFiles) {
    std::string closed = make_drawing("svt00001.tmp");
    std::string crashed = make_drawing("svt00002.tmp");
    Bytes b = file_bytes(crashed);
    put_u16(b.data(), header_options, static_cast<uint16_t>(get_u16(b.data(), header_options) | 0x0400));
    write_bytes(crashed, b);
    std::string manual = make_drawing("svt_part_00003.tmp");
    write_bytes("svt00004.tmp", Bytes(10, 1));  // not a drawing at all
    EXPECT_TRUE(stale_file_deletable(closed.c_str()));
    EXPECT_FALSE(stale_file_deletable(crashed.c_str()));
    EXPECT_FALSE(stale_file_deletable(manual.c_str()));
    EXPECT_TRUE(stale_file_deletable("svt00004.tmp"));
    EXPECT_FALSE(stale_file_deletable("svt0001.tmp"));
    EXPECT_FALSE(stale_file_deletable("missing/svt00009.tmp"));
}

// ---------------------------------------------------------------- versions at open
TEST_F(Documents, OldVersionAskedRefusedOrUpgraded) {
    std::string p = make_drawing("v.svt");
    Bytes b = file_bytes(p);
    struct Case {
        uint16_t version;
        int answer;
        bool opens;
        const char* message;
    } cases[] = {
        {12356, 0, false, nullptr},
        {350, 1, false, "недопустимая версия (содержит 3D)"},
        {7, 1, false, "Неизвестная версия файла. Обновите программу"},
        {213, 1, false, "Неизвестная версия файла. Обновите программу"},
        {12356, 1, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Bytes v = b;
        put_u16(v.data(), header_version, c.version);
        write_bytes(p, v);
        rec() = Recorder();
        rec().answer = c.answer;
        drawing_open_path("v.svt");
        EXPECT_EQ(rec().questions.empty() ? 0 : rec().questions[0], 18);
        EXPECT_EQ(open_drawing_count, c.opens ? 1 : 0);
        if (c.message) {
            EXPECT_EQ(messages_with(c.message), 1);
        }
        if (!c.opens) {
            EXPECT_EQ(file_bytes(p), v);
            // No snapshot is left for a file that was not changed.
            EXPECT_TRUE(folder_files("svt*.tmp").empty());
        } else {
            EXPECT_EQ(get_u16(current_drawing_file()->header, header_version), 12358);
            rec().answer = 0;
            ASSERT_EQ(drawing_close(), 0);
        }
    }
}

}  // namespace

namespace {
// A file the system refuses to open for writing (a read-only file or
// medium), to open at all, or holds for another program: the seam answers
// every open of "ro.svt" but a read-only one with the error of the case.
OsError refusal;
bool refuse_reading;
long refuse_ro_file(int op, const char* path, uint64_t offset, size_t) {
    std::string p = path ? path : "";
    if (p.size() < 6 || p.compare(p.size() - 6, 6, "ro.svt") != 0) return -1;
    if (op == os_io_open && (offset != os_open_read || refuse_reading)) return refusal;
    if (op == os_io_write || op == os_io_truncate || op == os_io_delete || op == os_io_rename) return 0;
    return -1;
}
}  // namespace

TEST_F(Documents, ReadOnlyFileOpensForViewingAndIsNeverWritten) {
    for (OsError e : {os_error_access_denied, os_error_read_only_medium}) {
        SCOPED_TRACE(e);
        for (const std::string& f : folder_files()) std::remove(f.c_str());
        rec() = Recorder();
        std::string path = make_drawing("ro.svt", 7);
        Bytes before = file_bytes(path);
        refusal = e;
        refuse_reading = false;
        os_io_fault = refuse_ro_file;
        drawing_open_path("ro.svt");
        ASSERT_EQ(error_flag, 0);
        ASSERT_EQ(open_drawing_count, 1);
        DrawingFile* df = current_drawing_file();
        EXPECT_TRUE(df->flags & drawing_flag_read_only);
        EXPECT_TRUE(contains(rec().prompts, std::string(text_read_only_opened)));
        EXPECT_TRUE(rec().messages.empty());
        EXPECT_EQ(folder_files(), std::vector<std::string>{"ro.svt"});  // no snapshot, no journal
        std::vector<Bytes> records = all_records();
        EXPECT_EQ(records.size(), 8u);  // the projection and its seven points
        // Saving, checkpoints and undo say why they cannot be done.
        drawing_save();
        EXPECT_EQ(error_flag, 1);
        EXPECT_EQ(drawing_checkpoint(0, nullptr), 1);
        EXPECT_EQ(drawing_checkpoint(1, nullptr), 0);
        EXPECT_EQ(messages_with("только для просмотра"), 1);
        // A variant continues on a copy that can be written.
        rec().save_choice = full("copy.svt");
        ASSERT_EQ(drawing_ask_save_name("*.svt"), 0);
        drawing_save_as(0);
        ASSERT_EQ(error_flag, 0);
        df = current_drawing_file();
        EXPECT_FALSE(df->flags & drawing_flag_read_only);
        EXPECT_EQ(all_records(), records);
        add_to_projection(get_u32(df->header, header_projections), projection_points, table_points,
                          point_bytes(50, 1, 1, 1, 1));
        drawing_save();
        EXPECT_EQ(error_flag, 0);
        ASSERT_EQ(drawing_close(), 0);
        os_io_fault = nullptr;
        Bytes after = file_bytes(path);
        EXPECT_TRUE(after == before);
    }
}

TEST_F(Documents, UnopenableFileSaysWhy) {
    struct Case {
        OsError error;
        const char* detail;
    } cases[] = {{os_error_access_denied, "Нет доступа к файлу"},
                 {os_error_sharing, "Файл уже открыт другой программой"},
                 {os_error_other, "Файл не открывается"}};
    make_drawing("ro.svt");
    for (const Case& c : cases) {
        rec().messages.clear();
        last_shown_message[0] = '\0';
        refusal = c.error;
        refuse_reading = true;
        os_io_fault = refuse_ro_file;
        drawing_open_path("ro.svt");
        os_io_fault = nullptr;
        EXPECT_EQ(error_flag, 1);
        EXPECT_EQ(open_drawing_count, 0);
        ASSERT_EQ(rec().messages.size(), 1u);
        EXPECT_NE(rec().messages[0].find(c.detail), std::string::npos) << rec().messages[0];
        if (c.error != os_error_sharing) {
            EXPECT_EQ(rec().messages[0].find("другой программой"), std::string::npos);
        }
        for (const std::string& f : folder_files("svt*.tmp")) std::remove(f.c_str());
    }
}
