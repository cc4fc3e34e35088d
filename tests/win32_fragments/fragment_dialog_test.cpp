// Fragment insertion under Wine: the insertion dialog driven as a user
// would (its control rules, "Да" and "Отказаться"), the scale's text, and
// the insertion command copying a fragment of the drawing, with one undo
// taking the whole insertion back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "geometry/geom_types.h"
#include "geometry/naming.h"
#include "shell/fragment_dialog.h"
#include "shell/frame_window.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"
#include "tests/exchange/chain_copies.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// A thread that runs `user` against the dialog "Режимы вставки" once it
// shows (for up to 10 s), while the dialog runs modally on the caller's.
std::thread when_dialog_shows(std::function<void(HWND)> user) {
    return std::thread([user] {
        HWND d = nullptr;
        for (int i = 0; i < 400 && !d; ++i) {
            Sleep(25);
            d = FindWindowA("#32770", "Режимы вставки");
            if (d && !IsWindowVisible(d)) d = nullptr;
        }
        if (d) user(d);
    });
}

// Runs `user` against the dialog while it runs modally on this thread;
// returns the dialog's result.
INT_PTR drive_dialog(const std::function<void(HWND)>& user) {
    std::thread t = when_dialog_shows(user);
    INT_PTR r = fragment_insert_dialog_run(nullptr);
    t.join();
    return r;
}
void click(HWND d, int id) { SendMessageA(GetDlgItem(d, id), BM_CLICK, 0, 0); }
bool on(HWND d, int id) { return IsDlgButtonChecked(d, id) == BST_CHECKED; }
bool enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }

class FragmentDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fragment_settings = FragmentSettings();
        fragment_dialog_settings = FragmentSettings();
        fragment_dialog_context = FragmentDialogContext();
        fragment_dialog_actions = fragment_dialog_actions_unbound;
        ASSERT_EQ(settings_block_unpack(), 0);
    }
    void TearDown() override {
        fragment_dialog_actions = fragment_dialog_actions_unbound;
        settings_block_free();
    }
};

TEST_F(FragmentDialog, ControlsFollowTheirRulesAndYesKeepsTheSettings) {
    struct Seen {
        bool params_before = true, points_before = true, hide_before = false;
        bool params_after = false, points_after = false, hide_after = true, hide_cleared = false;
        bool update_after_points = false, cleared_on_uncheck = false, points_disabled_again = false;
        bool scale_edit_enabled = false, only_marked_disabled = false;
        std::string scale_text;
    } seen;
    INT_PTR r = drive_dialog([&](HWND d) {
        seen.only_marked_disabled = !enabled(d, IDC_FRG_ONLY_MARKED);  // nothing marked
        seen.params_before = enabled(d, IDC_FRG_USE_PARAMETERS);
        seen.points_before = enabled(d, IDC_FRG_WITHOUT_POINTS);
        click(d, IDC_FRG_HIDE_DIMENSIONS);
        seen.hide_before = on(d, IDC_FRG_HIDE_DIMENSIONS);
        click(d, IDC_FRG_WITHOUT_DIMENSIONS);
        seen.params_after = enabled(d, IDC_FRG_USE_PARAMETERS);
        seen.points_after = enabled(d, IDC_FRG_WITHOUT_POINTS);
        seen.hide_after = enabled(d, IDC_FRG_HIDE_DIMENSIONS);
        seen.hide_cleared = !on(d, IDC_FRG_HIDE_DIMENSIONS);
        click(d, IDC_FRG_WITHOUT_POINTS);
        seen.update_after_points = enabled(d, IDC_FRG_CONSTANT_UPDATE);
        click(d, IDC_FRG_CONSTANT_UPDATE);
        // Unchecking "without dimensions" clears and disables its dependants.
        click(d, IDC_FRG_WITHOUT_DIMENSIONS);
        seen.cleared_on_uncheck = !on(d, IDC_FRG_WITHOUT_POINTS) && !on(d, IDC_FRG_CONSTANT_UPDATE);
        seen.points_disabled_again = !enabled(d, IDC_FRG_WITHOUT_POINTS) && !enabled(d, IDC_FRG_CONSTANT_UPDATE);
        click(d, IDC_FRG_WITHOUT_DIMENSIONS);
        click(d, IDC_FRG_USE_PARAMETERS);
        seen.scale_edit_enabled = enabled(d, IDC_FRG_SCALE);
        SetDlgItemTextA(d, IDC_FRG_SCALE, "2.50");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_FRG_SCALE, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_FRG_SCALE)));
        char text[64] = "";
        GetDlgItemTextA(d, IDC_FRG_SCALE, text, sizeof text);
        seen.scale_text = text;
        click(d, IDC_FRG_MIRROR);
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(seen.only_marked_disabled);
    EXPECT_FALSE(seen.params_before);
    EXPECT_FALSE(seen.points_before);
    EXPECT_TRUE(seen.hide_before);
    EXPECT_TRUE(seen.params_after);
    EXPECT_TRUE(seen.points_after);
    EXPECT_FALSE(seen.hide_after);
    EXPECT_TRUE(seen.hide_cleared);
    EXPECT_TRUE(seen.update_after_points);
    EXPECT_TRUE(seen.cleared_on_uncheck);
    EXPECT_TRUE(seen.points_disabled_again);
    EXPECT_TRUE(seen.scale_edit_enabled);
    EXPECT_EQ(seen.scale_text, "2.5");
    EXPECT_EQ(fragment_settings.mode, fragment_mode_always | fragment_mode_without_dimensions |
                                          fragment_mode_user_parameters | fragment_mode_mirrored);
    EXPECT_DOUBLE_EQ(fragment_settings.scale, 2.5);
}

TEST_F(FragmentDialog, CancelLeavesTheLiveSettings) {
    fragment_settings.mode = fragment_mode_always | fragment_mode_hide_dimensions;
    INT_PTR r = drive_dialog([](HWND d) {
        click(d, IDC_FRG_HIDE_DIMENSIONS);
        click(d, IDC_FRG_SERIAL);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(fragment_settings.mode, fragment_mode_always | fragment_mode_hide_dimensions);
    EXPECT_FALSE(fragment_settings.serial);
    EXPECT_EQ(fragment_dialog_settings.mode, fragment_settings.mode);
}

TEST_F(FragmentDialog, ReinsertionTakesTheInstanceModesAndRunsAfterYes) {
    static int reinserted;
    reinserted = 0;
    fragment_dialog_context.marked = true;
    fragment_dialog_context.instance_mode = 0x80 | fragment_mode_correct_nominals;
    fragment_dialog_actions.reinsert_marked = [] { ++reinserted; };
    bool serial_off = false, marked_disabled = false;
    drive_dialog([&](HWND d) {
        click(d, IDC_FRG_SERIAL);
        click(d, IDC_FRG_REINSERT);
        serial_off = !on(d, IDC_FRG_SERIAL);
        marked_disabled = !enabled(d, IDC_FRG_ONLY_MARKED);
        click(d, IDOK);
    });
    EXPECT_TRUE(serial_off);
    EXPECT_TRUE(marked_disabled);
    EXPECT_TRUE(fragment_settings.reinsert);
    EXPECT_EQ(fragment_settings.mode & 0x1F, fragment_mode_correct_nominals);
    EXPECT_EQ(reinserted, 1);
}

TEST(FragmentScaleText, TrailingZerosGo) {
    struct Case {
        double v;
        const char* text;
    } cases[] = {{1.0, "1"}, {2.5, "2.5"}, {0.125, "0.125"}, {1234.5678, "1234.5678"}, {0.00000001, "0.00000001"}};
    for (const Case& c : cases) {
        char out[32];
        fragment_scale_text(c.v, out, sizeof out);
        EXPECT_STREQ(out, c.text) << c.v;
    }
}

// ---------------------------------------------------------------- insertion

std::vector<std::string>& shown_messages() {
    static std::vector<std::string> v;
    return v;
}

class FragmentCommand : public ::testing::Test {
protected:
    fs::path home, dir;
    void SetUp() override {
        home = fs::current_path();
        dir = home / (std::string("frgwin_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::current_path(dir);
        ASSERT_EQ(store_init(), 0);
        ASSERT_EQ(settings_block_unpack(), 0);
        page_buffers_init_defaults();
        store_bind_kernel();
        shown_messages().clear();
        program_message_display = [](const ProgramMessage& m) { shown_messages().push_back(m.text); };
        document_shell = document_shell_unbound;
        document_shell.ask = [](int, const char*, unsigned) { return 0; };
        fragments_bind();
        fragment_shell.ask = [](int, const char*) { return 0; };
        fragment_settings = FragmentSettings();
        fragment_dialog_settings = FragmentSettings();
        fragment_dialog_context = FragmentDialogContext();
    }
    void TearDown() override {
        fragment_tool_cancel();
        fragment_dialog_actions = fragment_dialog_actions_unbound;
        fragment_shell = fragment_shell_unbound;
        while (open_drawing_count > 0 && drawing_close() == 0) {
        }
        program_message_display = program_message_unshown;
        fs::current_path(home);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    static void add_projection(uint32_t key) {
        DrawingFile* d = current_drawing_file();
        Bytes p(projection_record_head, 0);
        put_u16(p.data(), record_length, projection_record_head);
        put_u32(p.data(), record_key, key);
        put_u16(p.data(), projection_flags, 0x1000);
        put_f64(p.data(), projection_scale_offset, 1.0);
        RecordRef head = get_u32(d->header, header_projections);
        ASSERT_NE(record_add_at_end(d, &head, p.data(), &page_buffers[table_projections]), 0u);
        put_u32(d->header, header_projections, head);
    }
    static void add(uint32_t key, uint32_t chain, int table, const Bytes& r) {
        DrawingFile* d = current_drawing_file();
        uint8_t* p = fragment_projection_in(d, key);
        ASSERT_NE(p, nullptr);
        RecordRef head = get_u32(p, chain);
        ASSERT_NE(record_add_at_end(d, &head, r.data(), &page_buffers[table]), 0u);
        p = fragment_projection_in(d, key);
        put_u32(p, chain, head);
        page_buffers[table_projections].clean = 0;
    }
    static Bytes point(uint32_t n, double x, double y) {
        Bytes r(point_record_size, 0);
        put_u16(r.data(), record_length, point_record_size);
        put_u32(r.data(), point_number, n);
        put_point2(r.data(), point_sketch_x, Point2{x, y});
        put_point2(r.data(), point_true_x, Point2{x, y});
        return r;
    }
    static Bytes segment(uint32_t n, uint32_t a, uint32_t b, Point2 pa, Point2 pb) {
        Bytes r(element_size2, 0);
        put_u16(r.data(), record_length, element_size2);
        put_u32(r.data(), element_number, n);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(element_kind_segment | (1 << 4)));
        put_u32(r.data(), element_points, a);
        put_u32(r.data(), element_points + 4, b);
        put_point2(r.data(), element_coords2, pa);
        put_point2(r.data(), element_coords2 + 16, pb);
        return r;
    }
    // The fragment, projection 1 of the current drawing: two segments over
    // points 1 (0,0), 2 (10,0), 3 (10,5).
    static void add_fragment() {
        add_projection(1);
        add(1, projection_points, table_points, point(1, 0, 0));
        add(1, projection_points, table_points, point(2, 10, 0));
        add(1, projection_points, table_points, point(3, 10, 5));
        add(1, projection_elements, table_elements, segment(1, 1, 2, {0, 0}, {10, 0}));
        add(1, projection_elements, table_elements, segment(2, 2, 3, {10, 0}, {10, 5}));
    }
    // The target, projection 7: points 1 (100,100) and 2 (120,100) and a
    // segment of its own between them.
    static void add_target() {
        add_projection(7);
        add(7, projection_points, table_points, point(1, 100, 100));
        add(7, projection_points, table_points, point(2, 120, 100));
        add(7, projection_elements, table_elements, segment(1, 1, 2, {100, 100}, {120, 100}));
    }
    // One new drawing holding both.
    static void build_fixture() {
        ASSERT_EQ(drawing_new(1), 0);
        add_fragment();
        add_target();
    }
    // One binding point: fragment point `from` onto target point `to` at `at`.
    static FragmentInsertParams one_point(uint32_t from, uint32_t to, Point2 at) {
        FragmentInsertParams p;
        p.source_count = p.target_count = 1;
        p.source_points[0] = from;
        p.target_points[0] = to;
        p.target_xy[0] = at;
        return p;
    }
    static std::string last_message() { return shown_messages().empty() ? "" : shown_messages().back(); }
    // Points of projection 7 that instance 1 brought, by their place.
    static std::vector<std::pair<double, double>> copied_points() {
        std::vector<std::pair<double, double>> out;
        for (auto& r : chain(7, projection_points, table_points))
            if (get_u16(r.data(), point_fragment) == 1)
                out.emplace_back(get_f64(r.data(), point_sketch_x), get_f64(r.data(), point_sketch_y));
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::vector<Bytes> instance_records() {
        std::vector<Bytes> out;
        for (auto& c : chain(7, projection_construction, table_construction))
            if (c[record_kind] == construction_fragment_instance) out.push_back(c);
        return out;
    }
    template <class F>
    static void edit_all(uint32_t key, uint32_t offset, int table, F f) {
        DrawingFile* d = current_drawing_file();
        uint8_t* p = fragment_projection_in(d, key);
        RecordRef h = get_u32(p, offset);
        for (uint8_t* r = record_next(d, &h, nullptr, &page_buffers[table]); r;
             r = record_next(d, &h, r, &page_buffers[table])) {
            f(r);
            page_buffers[table].clean = 0;
        }
    }
    template <class F>
    static void edit(uint32_t key, uint32_t offset, int table, uint32_t number, F f) {
        edit_all(key, offset, table, [&](uint8_t* r) {
            if (get_u32(r, record_key) == number) f(r);
        });
    }
    static std::vector<Bytes> chain(uint32_t key, uint32_t offset, int table) {
        return fragment_test::chain_copies(current_drawing_file(), key, offset, table);
    }
};

TEST_F(FragmentCommand, FragmentComesWithNewNumbersAndOneUndoTakesItBack) {
    build_fixture();
    FragmentInsertParams p = one_point(1, 2, {120, 100});
    p.source_xy[0] = {0, 0};
    ASSERT_EQ(fragment_insert_command(nullptr, 7, current_drawing_file(), 1, &p), fragment_inserted)
        << "error " << error_flag << " " << last_message();
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(p.instance, 1);

    auto elements = chain(7, projection_elements, table_elements);
    ASSERT_EQ(elements.size(), 3u);
    std::vector<uint32_t> numbers;
    for (auto& e : elements) {
        numbers.push_back(get_u32(e.data(), element_number));
        if (get_u16(e.data(), element_fragment) != 1) continue;
        EXPECT_NE(get_u32(e.data(), element_number), 1u);  // the target's own number stays its own
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(std::unique(numbers.begin(), numbers.end()), numbers.end());
    // Binding point 1 lands on the target's point 2; points 2 and 3 of the
    // fragment move by (120,100).
    EXPECT_EQ(chain(7, projection_points, table_points).size(), 4u);
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{130, 100}, {130, 105}}));
    EXPECT_EQ(instance_records().size(), 1u);

    // One undo: the drawing as before the insertion.
    drawing_undo();
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 1u);
    EXPECT_EQ(chain(7, projection_points, table_points).size(), 2u);
    EXPECT_TRUE(chain(7, projection_construction, table_construction).empty());
}

TEST_F(FragmentCommand, FragmentFromTheOtherOpenDrawing) {
    // The library holds the fragment; then the target drawing is opened
    // beside it, so the library sits in the other slot.
    ASSERT_EQ(drawing_new(1), 0);
    add_fragment();
    DrawingFile* library = current_drawing_file();
    ASSERT_EQ(drawing_new(1), 0);
    ASSERT_EQ(open_drawing_count, 2);
    ASSERT_NE(current_drawing_file(), library);
    // The target has more of its own than the library, so its pages lie
    // beyond the library's end of file.
    add_projection(3);
    for (uint32_t n = 1; n <= 80; ++n)
        add(3, projection_points, table_points, point(n, n, n));
    add_target();

    FragmentInsertParams p = one_point(1, 2, {120, 100});
    p.source_xy[0] = {0, 0};
    ASSERT_EQ(fragment_insert_command(nullptr, 7, library, 1, &p), fragment_inserted)
        << "error " << error_flag << " " << last_message();
    EXPECT_EQ(error_flag, 0);
    EXPECT_TRUE(shown_messages().empty()) << shown_messages().front();
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 3u);
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{130, 100}, {130, 105}}));
    EXPECT_EQ(chain(3, projection_points, table_points).size(), 80u);

    // The library is left as it was.
    DrawingFile* target = current_drawing_file();
    for (int i = 0; i < 2; ++i)
        if (open_drawings[i] == library) current_drawing = i;
    EXPECT_EQ(chain(1, projection_points, table_points).size(), 3u);
    EXPECT_EQ(chain(1, projection_elements, table_elements).size(), 2u);
    for (int i = 0; i < 2; ++i)
        if (open_drawings[i] == target) current_drawing = i;

    // One undo takes it back; the drawing is still readable afterwards.
    drawing_undo();
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 1u);
    EXPECT_EQ(chain(3, projection_points, table_points).size(), 80u);
}

TEST_F(FragmentCommand, ToolTakesBindingPointsThenInsertsAfterTheLastOne) {
    // The tool's dialog is left with "Да", then two clicks on the fragment
    // and two on the target.
    build_fixture();
    std::thread t = when_dialog_shows([](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); });
    int started = fragment_tool_start(nullptr);
    t.join();
    ASSERT_EQ(started, 1);
    EXPECT_EQ(fragment_tool_click(nullptr, 1, 1, {0, 0}), 1);
    EXPECT_EQ(fragment_tool_click(nullptr, 1, 1, {0, 0}), 1);   // picked again: still one
    EXPECT_EQ(fragment_tool_click(nullptr, 1, 2, {10, 0}), 1);
    EXPECT_EQ(fragment_tool_click(nullptr, 7, 1, {100, 100}), 1);
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 1u);  // not yet
    // The second target point: the fragment lands on 1-2 of the target,
    // doubled (10 long onto 20) and copied with new numbers.
    EXPECT_EQ(fragment_tool_click(nullptr, 7, 2, {120, 100}), fragment_inserted) << last_message();
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 3u);
    auto copies = copied_points();
    EXPECT_NE(std::find(copies.begin(), copies.end(), std::make_pair(120.0, 110.0)), copies.end());
    // Without serial insertion the next click starts a new pick.
    EXPECT_EQ(fragment_tool_click(nullptr, 7, 2, {120, 100}), 1);
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 3u);
    fragment_tool_cancel();
}

TEST_F(FragmentCommand, UpdateButtonBringsConstantUpdateInstancesUpToDate) {
    ASSERT_EQ(drawing_new(1), 0);
    add_projection(1);
    add(1, projection_points, table_points, point(1, 0, 0));
    add(1, projection_points, table_points, point(2, 10, 5));
    add(1, projection_elements, table_elements, segment(1, 1, 2, {0, 0}, {10, 5}));
    add_projection(7);
    add(7, projection_points, table_points, point(1, 100, 100));
    fragment_settings.mode = static_cast<uint8_t>(fragment_mode_always | fragment_mode_constant_update);
    FragmentInsertParams p = one_point(1, 1, {100, 100});
    ASSERT_EQ(fragment_insert_command(nullptr, 7, current_drawing_file(), 1, &p), fragment_inserted);
    fragment_settings = FragmentSettings();
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{110, 105}}));
    // The fragment's point 2 moves 10 to the right.
    edit(1, projection_points, table_points, 2, [](uint8_t* r) { put_f64(r, point_sketch_x, 20.0); });
    // "Обновить" in the insertion dialog, then "Отказаться".
    INT_PTR r = drive_dialog([](HWND d) {
        click(d, IDC_FRG_UPDATE);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{120, 105}}));
    // One undo takes the update back.
    drawing_undo();
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{110, 105}}));
}

TEST_F(FragmentCommand, MarkedInstanceIsInsertedAgainAfterYes) {
    build_fixture();
    FragmentInsertParams p = one_point(1, 2, {120, 100});
    ASSERT_EQ(fragment_insert_command(nullptr, 7, current_drawing_file(), 1, &p), fragment_inserted);
    auto copy_of_3 = [&] {
        for (auto& r : chain(7, projection_points, table_points))
            if (get_u16(r.data(), point_fragment) == 1 && get_f64(r.data(), point_sketch_x) == 130.0 &&
                get_f64(r.data(), point_sketch_y) > 100.0)
                return std::make_pair(get_u32(r.data(), point_number), get_f64(r.data(), point_sketch_y));
        return std::make_pair(0u, 0.0);
    };
    auto before = copy_of_3();
    ASSERT_EQ(before.second, 105.0);
    // The fragment's point 3 moves up by 10; a copied element is marked.
    edit(1, projection_points, table_points, 3, [](uint8_t* r) { put_f64(r, point_sketch_y, 15.0); });
    bool marked = false;
    edit_all(7, projection_elements, table_elements, [&](uint8_t* r) {
        if (marked || get_u16(r, element_fragment) != 1) return;
        put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
        marked = true;
    });
    ASSERT_TRUE(marked);

    fragment_dialog_context_fill(7);
    EXPECT_TRUE(fragment_dialog_context.marked);
    EXPECT_GE(fragment_dialog_context.instance_mode, 0);
    bool reinsert_enabled = false, marked_enabled = false;
    INT_PTR r = drive_dialog([&](HWND d) {
        reinsert_enabled = enabled(d, IDC_FRG_REINSERT);
        marked_enabled = enabled(d, IDC_FRG_ONLY_MARKED);
        click(d, IDC_FRG_REINSERT);
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(reinsert_enabled);
    EXPECT_TRUE(marked_enabled);
    // The same instance and point number, at the fragment's new place; its
    // copies are unmarked, so nothing is left to insert again.
    auto after = copy_of_3();
    EXPECT_EQ(after.first, before.first);
    EXPECT_EQ(after.second, 115.0);
    EXPECT_EQ(instance_records().size(), 1u);
    EXPECT_EQ(chain(7, projection_elements, table_elements).size(), 3u);
    // One undo takes the re-insertion back.
    drawing_undo();
    EXPECT_EQ(copy_of_3().second, 105.0);
}

TEST_F(FragmentCommand, ReplacementTakesItsBindingPointOnTheNewFragmentThenEntersTheImageStage) {
    build_fixture();
    // Fragment 3: points 7 (0,0) and 8 (0,20), one segment.
    add_projection(3);
    add(3, projection_points, table_points, point(7, 0, 0));
    add(3, projection_points, table_points, point(8, 0, 20));
    add(3, projection_elements, table_elements, segment(1, 7, 8, {0, 0}, {0, 20}));
    FragmentInsertParams p = one_point(1, 2, {120, 100});
    ASSERT_EQ(fragment_insert_command(nullptr, 7, current_drawing_file(), 1, &p), fragment_inserted);
    FragmentReplaceRequest request;
    request.target = 7;
    std::vector<Bytes> records = instance_records();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].size(), sizeof request.record);
    std::copy(records[0].begin(), records[0].end(), request.record);
    ASSERT_EQ(fragment_replacement_start(request), 1);
    EXPECT_TRUE(fragment_replacement_pending());
    EXPECT_EQ(fragment_tool_click(nullptr, 7, 1, {100, 100}), 1);  // the target itself: ignored
    EXPECT_TRUE(fragment_replacement_pending());
    // A window stands in for the frame, to receive what the replacement
    // posts to it; its messages are read, never dispatched.
    frame_window = CreateWindowExA(0, "STATIC", "frame", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(frame_window, nullptr);
    auto posted_commands = [] {
        std::vector<WPARAM> ids;
        MSG m;
        while (PeekMessageA(&m, frame_window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) ids.push_back(m.wParam);
        return ids;
    };
    EXPECT_TRUE(posted_commands().empty());
    EXPECT_EQ(fragment_tool_click(nullptr, 3, 7, {0, 0}), fragment_inserted) << last_message();
    EXPECT_FALSE(fragment_replacement_pending());
    // Once the click is handled, the frame enters the image stage again.
    EXPECT_EQ(posted_commands(), (std::vector<WPARAM>{IDM_STAGE_IMAGE}));
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{120, 120}}));
    ASSERT_EQ(instance_records().size(), 1u);
    EXPECT_EQ(get_u32(instance_records()[0].data(), fragment_source), 3u);
    // One undo: the first fragment's copies again.
    drawing_undo();
    EXPECT_EQ(copied_points(), (std::vector<std::pair<double, double>>{{130, 100}, {130, 105}}));
    DestroyWindow(frame_window);
    frame_window = nullptr;
}

TEST_F(FragmentCommand, CopiedCurvesGetTheirGeneratedImages) {
    // A wavy line over three points: the fragment's own image is generated
    // geometry and is not copied; the target's copy gets one of its own.
    ASSERT_EQ(drawing_new(1), 0);
    add_projection(1);
    add(1, projection_points, table_points, point(1, 0, 0));
    add(1, projection_points, table_points, point(2, 20, 0));
    add(1, projection_points, table_points, point(3, 40, 5));
    Bytes wavy(element_size3, 0);
    put_u16(wavy.data(), record_length, element_size3);
    put_u32(wavy.data(), element_number, 1);
    put_u16(wavy.data(), element_flags, static_cast<uint16_t>(element_kind_wavy | (1 << 4)));
    const Point2 at[3] = {{0, 0}, {20, 0}, {40, 5}};
    for (int i = 0; i < 3; ++i) {
        put_u32(wavy.data(), element_points + 4 * i, static_cast<uint32_t>(i + 1));
        put_point2(wavy.data(), element_coords3 + 16 * i, at[i]);
    }
    add(1, projection_elements, table_elements, wavy);
    add_projection(7);
    add(7, projection_points, table_points, point(1, 100, 100));
    FragmentInsertParams p = one_point(1, 1, {100, 100});
    ASSERT_EQ(fragment_insert_command(nullptr, 7, current_drawing_file(), 1, &p), fragment_inserted);
    int wavy_copies = 0, images = 0;
    for (auto& e : chain(7, projection_elements, table_elements)) {
        if (get_u16(e.data(), element_options) & element_opt_image) ++images;
        else if (element_kind(e.data()) == element_kind_wavy) ++wavy_copies;
    }
    EXPECT_EQ(wavy_copies, 1);
    EXPECT_GE(images, 1);
}

}  // namespace
