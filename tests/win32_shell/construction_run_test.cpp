// The view construction run under Wine: the log dialog opened by the
// frame's message, the thread's log lines in list 1096, the stop button,
// and the results in the drawing.
#include "shell_fixture.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/tool_state.h"
#include "output/fragment_instances.h"
#include "output/fragment_update.h"
#include "shell/construction_run.h"
#include "shell/frame_window.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "tests/solver/network_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> log_lines(HWND dialog) {
    std::vector<std::string> out;
    HWND list = GetDlgItem(dialog, IDC_CONSTRUCTION_LOG);
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[300] = {0};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(buf);
    }
    return out;
}

std::string button_text(HWND dialog) {
    char buf[64] = {0};
    GetDlgItemTextA(dialog, IDCANCEL, buf, sizeof buf);
    return buf;
}

// Serves messages until the dialog shows the end of the run (button "OK"),
// at most ms; returns the dialog (null when it never opened).
HWND wait_for_end(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        pump_messages(20);
        HWND d = construction_dialog;
        if (d && button_text(d) == "OK") return d;
    }
    return construction_dialog;
}

void close_dialog(HWND dialog) {
    press(dialog, IDCANCEL);
    pump_messages(100);
}

// A drawing with one projection holding the fixture's network.
class ConstructionRun : public ::testing::Test {
protected:
    DrawingFile* df = nullptr;
    std::string name;

    void SetUp() override {
        test_frame();
        // A stage command of an earlier test may have asked for a run:
        // let it end and close its log.
        end_construction_run();
        error_flag = 0;
        char n[64];
        std::snprintf(n, sizeof n, "construction_run_%u.svt", static_cast<unsigned>(GetTickCount()));
        name = n;
        std::remove(name.c_str());
    }
    void TearDown() override {
        if (construction_dialog) close_dialog(construction_dialog);
        if (df) {
            open_drawings[0] = nullptr;
            drawing_file_close(df);
            drawing_file_free(df);
        }
        std::remove(name.c_str());
    }
    void open_with(const solver_test::Fixture& f) {
        df = drawing_file_new(name.c_str());
        ASSERT_NE(df, nullptr);
        drawing_file_set_mode(df, drawing_mode_create_new);
        ASSERT_EQ(drawing_file_open(df, 0), 0);
        open_drawings[0] = df;
        current_drawing = 0;
        // The log stays open at the end unless a test asks otherwise.
        put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~0x0004));
        std::vector<unsigned char> proj(projection_record_head, 0);
        put_u16(proj.data(), 0, projection_record_head);
        put_u32(proj.data(), 2, 1);
        put_u16(proj.data(), projection_flags, 0x0200);
        record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), proj.data(),
                   &page_buffers[table_projections]);
        add(projection_points, table_points, f.rec.points);
        add(projection_dimensions, table_dimensions, f.rec.dimensions);
        add(projection_links, table_links, f.rec.links);
        ASSERT_EQ(error_flag, 0);
    }
    void add(int head_offset, int table, const std::vector<std::vector<uint8_t>>& records) {
        for (const std::vector<uint8_t>& r : records) {
            unsigned char* p = projection_record(1);
            ASSERT_NE(p, nullptr);
            record_add_at_end(df, reinterpret_cast<RecordRef*>(p + head_offset), r.data(), &page_buffers[table]);
            page_buffers[table_projections].clean = 0;
        }
    }
    double true_x(uint32_t number) {
        unsigned char* p = projection_record(1);
        RecordRef head = get_u32(p, projection_points);
        for (unsigned char* r = record_next(df, &head, nullptr, &page_buffers[table_points]); r;
             r = record_next(df, &head, r, &page_buffers[table_points]))
            if (get_u32(r, 2) == number) return get_f64(r, point_true_x);
        return -1e300;
    }
};

solver_test::Fixture two_points(double x_value) {
    solver_test::Fixture f;
    f.point(1, 0, 0, 0x4000);
    f.point(2, 31, -19);
    f.point(3, 60, 0);
    f.x_dim(10, 30, 1, 2);
    f.y_dim(11, 20, 1, 2);
    f.x_dim(12, x_value, 2, 3);
    f.x_dim(13, 60, 1, 3);   // redundant: 30 + x_value must be 60
    f.y_dim(14, 0, 1, 3);
    return f;
}

}  // namespace

TEST_F(ConstructionRun, FrameMessageRunsTheConstructionAndLogsTheEnd) {
    open_with(two_points(30));
    PostMessageA(test_frame(), UM_SHOW_CONSTRUCTION_DIALOG, 0, 0);
    HWND d = wait_for_end(10000);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(button_text(d), "OK");
    std::vector<std::string> lines = log_lines(d);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Проекция \"", 0), 0u) << lines[0] << "|" << lines[1];
    EXPECT_EQ(lines[1], "Завершающий этап 1");
    EXPECT_EQ(lines[2], ">>>Завершено<<<");
    EXPECT_EQ(worker_thread, nullptr);
    EXPECT_DOUBLE_EQ(true_x(3), 60);
    close_dialog(d);
    EXPECT_EQ(construction_dialog, nullptr);
}

TEST_F(ConstructionRun, InconsistentNetworkEndsWithErrors) {
    open_with(two_points(31));
    PostMessageA(test_frame(), UM_SHOW_CONSTRUCTION_DIALOG, 0, 0);
    HWND d = wait_for_end(10000);
    ASSERT_NE(d, nullptr);
    std::vector<std::string> lines = log_lines(d);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "*** Размеры образовали несогласованную цепь!");
    EXPECT_EQ(lines[2].rfind(">>>всего таких ошибок было  ", 0), 0u);
    EXPECT_EQ(lines[3], "Завершающий этап 1");
    EXPECT_EQ(lines[4], ">>>Завершено с ошибками<<<");
}

// The final stage inserts the dynamic fragment instances again: two
// projections that insert each other end it with the cycle line, an error
// of the run.
TEST_F(ConstructionRun, DynamicFragmentCycleIsAnErrorOfTheRun) {
    open_with(two_points(30));
    for (uint32_t key : {2u, 3u}) {
        std::vector<unsigned char> proj(projection_record_head, 0);
        put_u16(proj.data(), 0, projection_record_head);
        put_u32(proj.data(), 2, key);
        put_f64(proj.data(), 112, 1.0);
        record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), proj.data(),
                   &page_buffers[table_projections]);
        std::vector<uint8_t> point(point_record_size, 0);
        put_u16(point.data(), 0, point_record_size);
        put_u32(point.data(), 2, 1);
        unsigned char* p = fragment_projection_in(df, key);
        ASSERT_NE(p, nullptr);
        record_add_at_end(df, reinterpret_cast<RecordRef*>(p + projection_points), point.data(),
                          &page_buffers[table_points]);
        page_buffers[table_projections].clean = 0;
    }
    auto insert = [this](uint32_t target, uint32_t source) {
        FragmentInsertParams params;
        params.source_count = params.target_count = 1;
        params.source_points[0] = params.target_points[0] = 1;
        FragmentSettings settings;
        settings.mode = static_cast<uint8_t>(fragment_mode_always | fragment_mode_constant_update);
        return insert_fragment(df, target, df, source, &params, settings, false);
    };
    ASSERT_EQ(insert(2, 3), fragment_inserted);
    ASSERT_EQ(insert(3, 2), fragment_inserted);
    ASSERT_EQ(error_flag, 0);
    PostMessageA(test_frame(), UM_SHOW_CONSTRUCTION_DIALOG, 0, 0);
    HWND d = wait_for_end(10000);
    ASSERT_NE(d, nullptr);
    std::vector<std::string> lines = log_lines(d);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "Завершающий этап 1");
    EXPECT_EQ(lines[lines.size() - 2].rfind(text_fragment_cycle, 0), 0u) << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), ">>>Завершено с ошибками<<<");
    EXPECT_DOUBLE_EQ(true_x(3), 60);
}

TEST_F(ConstructionRun, StopBeforeTheFirstProjection) {
    open_with(two_points(30));
    start_view_construction();
    ASSERT_NE(construction_dialog, nullptr);
    EXPECT_EQ(button_text(construction_dialog), "Остановить");
    // Handled at once, before the thread starts.
    SendMessageA(construction_dialog, WM_COMMAND, IDCANCEL, 0);
    HWND d = wait_for_end(10000);
    ASSERT_NE(d, nullptr);
    std::vector<std::string> lines = log_lines(d);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], ">>>Построение прервано!<<<");
    // Nothing was constructed: the true position is still the sketch's.
    EXPECT_DOUBLE_EQ(true_x(3), 60);
    EXPECT_DOUBLE_EQ(true_x(2), 31);
}

TEST_F(ConstructionRun, WithoutADrawingThereAreNoProjections) {
    open_drawings[0] = nullptr;
    PostMessageA(test_frame(), UM_SHOW_CONSTRUCTION_DIALOG, 0, 0);
    HWND d = wait_for_end(10000);
    ASSERT_NE(d, nullptr);
    std::vector<std::string> lines = log_lines(d);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Нет проекций");
    EXPECT_EQ(lines[1], ">>>Завершено<<<");
}

TEST_F(ConstructionRun, GoOnOptionClosesTheLogAfterARunWithoutErrors) {
    open_with(two_points(30));
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) | 0x0004));
    start_view_construction();
    ASSERT_NE(construction_dialog, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(construction_dialog, IDC_CONSTRUCTION_GO_ON), static_cast<UINT>(BST_CHECKED));
    DWORD start = GetTickCount();
    while (construction_dialog && GetTickCount() - start < 10000) pump_messages(20);
    EXPECT_EQ(construction_dialog, nullptr);
    EXPECT_EQ(worker_thread, nullptr);
    EXPECT_DOUBLE_EQ(true_x(3), 60);
}

// An undo asked for during the run: closing the log posts the undo command
// to the frame (once) instead of going on to the next stage.
TEST_F(ConstructionRun, UndoRequestedDuringTheRunIsPostedWhenTheLogCloses) {
    open_with(two_points(30));
    start_view_construction();
    HWND dialog = wait_for_end(10000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(button_text(dialog), "OK");
    undo_after_construction = 1;
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) | 0x0004));
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(construction_dialog, nullptr);
    EXPECT_EQ(undo_after_construction, 0);
    std::vector<WPARAM> commands;
    MSG m;
    while (PeekMessageA(&m, frame_window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) commands.push_back(m.wParam);
    EXPECT_EQ(commands, std::vector<WPARAM>{IDM_FILE_UNDO});
}
