// The program's wiring as the program runs it: program_wiring, then the
// frame with its start-up, then the messages WinMain posts.  Every hook
// table ends as the wiring left it (a second writer anywhere in start-up
// shows as a difference), each hook holds the routine meant for it, and undo
// and redo wait for the document lock.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "render/contours/hatch_generation.h"
#include "render/output/leader_marks.h"
#include "render/output/dimension_seams.h"
#include "render/output/output_view.h"
#include "output/import_session.h"
#include "shell/document_hooks.h"
#include "shell/document_ui.h"
#include "shell/frame_window.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/print_run.h"
#include "shell/commands.h"
#include "render/output/output_view.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "shell/wiring.h"
#include "output/fragment_instances.h"
#include "shell/fragment_dialog.h"
#include "store/drawing_file.h"
#include "store/records.h"
#include "store/text_codec.h"

namespace {

// The bytes of every hook table and hook pointer of the program, named.
struct HookImage {
    std::vector<std::pair<std::string, std::vector<unsigned char>>> parts;
    template <class T>
    void add(const char* name, const T& value) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&value);
        parts.emplace_back(name, std::vector<unsigned char>(p, p + sizeof value));
    }
};

HookImage hooks_now() {
    HookImage h;
    h.add("document_shell", document_shell);
    h.add("shell_documents", shell_documents);
    h.add("kernel_store", kernel_store);
    h.add("kernel_lock", kernel_lock);
    h.add("kernel_measurers", kernel_measurers);
    h.add("hatch_line_drawers", hatch_line_drawers);
    h.add("program_message_display", program_message_display);
    h.add("report_message", kernel_context().report_message);
    h.add("kernel_error_flag", kernel_error_flag);
    h.add("kernel_text_pack", kernel_text_pack);
    h.add("kernel_text_unpack", kernel_text_unpack);
    h.add("kernel_drawing_path", kernel_drawing_path);
    h.add("kernel_store_long_record", kernel_store_long_record);
    h.add("kernel_contour_pieces_active", kernel_contour_pieces_active);
    h.add("piece_to_element_record", piece_to_element_record);
    h.add("point_tool_hook", point_tool_hook);
    h.add("stage_tools", stage_tools);
    h.add("fragment_shell", fragment_shell);
    return h;
}

// The frame, made once in this process as the program makes it once.
HWND frame;
HookImage after_wiring;

// The start dialog the program shows when it starts without a drawing: a
// thread timer, which its modal loop dispatches, finds it and cancels it.
int start_dialogs_seen;
BOOL CALLBACK cancel_start_dialog(HWND w, LPARAM) {
    char kind[16] = "";
    GetClassNameA(w, kind, sizeof kind);
    if (std::strcmp(kind, "#32770") != 0 || !GetDlgItem(w, IDC_START_NEW)) return TRUE;
    ++start_dialogs_seen;
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return FALSE;
}
void CALLBACK look_for_start_dialog(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), cancel_start_dialog, 0);
}

void start_program() {
    if (frame) return;
    program_wiring();
    after_wiring = hooks_now();
    frame = frame_create(GetModuleHandleA(nullptr));
    ASSERT_NE(frame, nullptr);
    PostMessageA(frame, UM_INIT_MENUS, 0, 0);
    PostMessageA(frame, UM_SHOW_START_DIALOG, 0, 0);
    UINT_PTR timer = SetTimer(nullptr, 0, 30, look_for_start_dialog);
    MSG msg;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 300 || (!start_dialogs_seen && GetTickCount() - start < 10000)) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
    KillTimer(nullptr, timer);
    // Drain what cancelling the dialog left.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(start_dialogs_seen, 1) << "the start dialog did not open once";
}

template <class F>
bool differs(F a, F b) {
    return std::memcmp(&a, &b, sizeof a) != 0;
}

}  // namespace

TEST(ProgramWiring, StartUpLeavesEveryHookAsTheWiringSetIt) {
    start_program();
    HookImage now = hooks_now();
    ASSERT_EQ(now.parts.size(), after_wiring.parts.size());
    for (size_t i = 0; i < now.parts.size(); ++i)
        EXPECT_EQ(now.parts[i].second, after_wiring.parts[i].second)
            << now.parts[i].first << " was written again after program_wiring";
}

TEST(ProgramWiring, EachHookHoldsItsRoutine) {
    start_program();
    // Messages.
    EXPECT_EQ(program_message_display, program_message_show);
    EXPECT_NE(kernel_context().report_message, nullptr);
    // The store under the kernel, the lock included.
    EXPECT_EQ(kernel_error_flag, &error_flag);
    EXPECT_EQ(kernel_text_pack, text_pack_words);
    EXPECT_EQ(kernel_text_unpack, text_unpack_words);
    EXPECT_EQ(kernel_store.find_element, element_find_by_key);
    EXPECT_TRUE(differs(kernel_store.next, kernel_store_unbound.next));
    EXPECT_TRUE(differs(kernel_store.add, kernel_store_unbound.add));
    EXPECT_TRUE(differs(kernel_store.remove, kernel_store_unbound.remove));
    EXPECT_TRUE(differs(kernel_store.changed, kernel_store_unbound.changed));
    EXPECT_EQ(kernel_lock.acquire, document_lock_acquire);
    EXPECT_EQ(kernel_lock.release, document_lock_release);
    EXPECT_EQ(kernel_contour_pieces_active, &temporary_element_source_active);
    EXPECT_NE(piece_to_element_record, nullptr);
    // The output code under the hatch lines and the leader marks.
    EXPECT_NE(hatch_line_drawers.segment, nullptr);
    EXPECT_NE(hatch_line_drawers.circle, nullptr);
    EXPECT_NE(hatch_line_drawers.arc, nullptr);
    EXPECT_EQ(kernel_measurers.leader_marks_box, leader_marks_box);
    // Documents to shell: every member the shell answers is the shell's.
    EXPECT_EQ(document_shell.changed, document_change_show);
    EXPECT_EQ(document_shell.checkpoint_menu_changed, checkpoint_menu_rebuild);
    EXPECT_EQ(document_shell.prompt_show, prompt_show);
    EXPECT_TRUE(differs(document_shell.ask, document_shell_unbound.ask));
    EXPECT_TRUE(differs(document_shell.title_set, document_shell_unbound.title_set));
    EXPECT_TRUE(differs(document_shell.stage_caption, document_shell_unbound.stage_caption));
    EXPECT_TRUE(differs(document_shell.busy_cursor, document_shell_unbound.busy_cursor));
    EXPECT_TRUE(differs(document_shell.save_dialog, document_shell_unbound.save_dialog));
    EXPECT_TRUE(differs(document_shell.recent_files_add, document_shell_unbound.recent_files_add));
    EXPECT_TRUE(differs(document_shell.new_drawing_ready, document_shell_unbound.new_drawing_ready));
    EXPECT_TRUE(differs(document_shell.drawing_loaded, document_shell_unbound.drawing_loaded));
    EXPECT_TRUE(differs(document_shell.drawing_closed, document_shell_unbound.drawing_closed));
    // Shell to documents.
    EXPECT_EQ(shell_documents.checkpoints_discard, checkpoints_discard);
    EXPECT_TRUE(differs(shell_documents.open_path, shell_documents_unbound.open_path));
    EXPECT_TRUE(differs(shell_documents.is_open, shell_documents_unbound.is_open));
    EXPECT_TRUE(differs(shell_documents.undo, shell_documents_unbound.undo));
    EXPECT_TRUE(differs(shell_documents.redo, shell_documents_unbound.redo));
    EXPECT_TRUE(differs(shell_documents.close_all, shell_documents_unbound.close_all));
    EXPECT_TRUE(differs(shell_documents.current_path, shell_documents_unbound.current_path));
    EXPECT_TRUE(differs(shell_documents.checkpoint_question_seconds,
                        shell_documents_unbound.checkpoint_question_seconds));
    EXPECT_TRUE(differs(shell_documents.saved_directory, shell_documents_unbound.saved_directory));
    // Fragment insertion: questions, prompt, checkpoint and contour deletion.
    EXPECT_TRUE(differs(fragment_shell.ask, fragment_shell_unbound.ask));
    EXPECT_TRUE(differs(fragment_shell.prompt, fragment_shell_unbound.prompt));
    EXPECT_TRUE(differs(fragment_shell.checkpoint, fragment_shell_unbound.checkpoint));
    EXPECT_TRUE(differs(fragment_shell.delete_contour, fragment_shell_unbound.delete_contour));
    EXPECT_TRUE(differs(fragment_shell.rebuild_bars, fragment_shell_unbound.rebuild_bars));
    EXPECT_TRUE(differs(fragment_shell.delete_bars, fragment_shell_unbound.delete_bars));
    EXPECT_TRUE(differs(fragment_dialog_actions.update_dynamic, fragment_dialog_actions_unbound.update_dynamic));
    // The projection windows answer the walks' questions about the pick
    // marker, and open the windows of imported projections.
    EXPECT_TRUE(differs(output_window_seams.pick_marker_damaged, output_window_seams_unbound.pick_marker_damaged));
    EXPECT_TRUE(differs(output_window_seams.prompt_show, output_window_seams_unbound.prompt_show));
    EXPECT_TRUE(differs(dimension_window_seams.pick_marker_active, dimension_window_seams_unbound.pick_marker_active));
    EXPECT_TRUE(differs(dimension_window_seams.move_crosshair, dimension_window_seams_unbound.move_crosshair));
    EXPECT_TRUE(exchange_shell.projection_opened != nullptr);
    EXPECT_TRUE(exchange_shell.import_finished != nullptr);
}

// When the last step of the documents showed its message: with no drawing
// open, undo and redo say there is nothing to go back to.
static std::atomic<DWORD> message_at{0};
static void record_message(const ProgramMessage&) { message_at = GetTickCount(); }

// Undo and redo of the running program wait while another thread holds the
// document lock, and while a window paints (the paint event reset).
TEST(ProgramWiring, UndoAndRedoWaitForTheDocumentLock) {
    start_program();
    auto shown = program_message_display;
    program_message_display = record_message;
    for (void (*step)() : {shell_documents.undo, shell_documents.redo}) {
        std::atomic<int> held{0};
        std::atomic<DWORD> released_at{0};
        message_at = 0;
        error_flag = 0;  // a message repeated under a raised flag is not shown again
        std::thread holder([&] {
            document_lock_acquire();
            held = 1;
            Sleep(300);
            released_at = GetTickCount();
            document_lock_release();
        });
        while (!held) Sleep(1);
        step();
        holder.join();
        ASSERT_NE(released_at.load(), 0u);
        ASSERT_NE(message_at.load(), 0u) << "the step did not run";
        EXPECT_GE(static_cast<LONG>(message_at.load() - released_at.load()), 0)
            << "the step ran while the lock was held";
    }
    // A painting window: the step waits for the paint event.
    ASSERT_NE(paint_event, nullptr);
    os_event_reset(paint_event);
    std::atomic<DWORD> painted_at{0};
    message_at = 0;
    error_flag = 0;
    std::thread painter([&] {
        Sleep(300);
        painted_at = GetTickCount();
        os_event_set(paint_event);
    });
    shell_documents.undo();
    painter.join();
    program_message_display = shown;
    error_flag = 0;
    ASSERT_NE(painted_at.load(), 0u);
    ASSERT_NE(message_at.load(), 0u);
    EXPECT_GE(static_cast<LONG>(message_at.load() - painted_at.load()), 0) << "undo ran while a window painted";
}

// Printing, the title-block command and the layout stage's format panel are
// reached from the running program; the print-setup record is ready.
TEST(ProgramWiring, PrintingAndTheLayoutPanelAreBound) {
    start_program();
    EXPECT_TRUE(differs(command_seams.print_dialog_and_print, command_seams_unbound.print_dialog_and_print));
    EXPECT_TRUE(differs(command_seams.choose_title_block, command_seams_unbound.choose_title_block));
    EXPECT_TRUE(differs(output_window_seams.print_counter, output_window_seams_unbound.print_counter));
    EXPECT_NE(stage_tools[6].panel_procedure, nullptr);
    // The layout windows: the stage-6 command and the two window classes'
    // procedures (set before the classes were registered).
    EXPECT_TRUE(differs(command_seams.open_layout_windows, command_seams_unbound.open_layout_windows));
    EXPECT_TRUE(differs(command_seams.layout_wait_pending, command_seams_unbound.layout_wait_pending));
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "Assembly", &wc));
    EXPECT_NE(reinterpret_cast<void*>(wc.lpfnWndProc), reinterpret_cast<void*>(DefWindowProcA));
    EXPECT_EQ(print_setup.lStructSize, sizeof(PRINTDLGA));
    EXPECT_EQ(print_setup.Flags, 0x4014Cu);
    EXPECT_EQ(print_setup.nCopies, 1);
}
