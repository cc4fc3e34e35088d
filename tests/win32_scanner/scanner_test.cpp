// Scanning through the stand-in data source manager TWAIN_32.DLL beside the
// test program: the order of the calls, the identity announced, the events
// routed through the progress dialog, the BMP file written, and every road
// that does not start or ends without a file.
#include "render/images/scanner_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"
#include "render/images/twain_records.h"
#include "base/program_messages.h"
#include "store/settings_block.h"
#include "stroke_font_files.h"  // where the built program is
#include "stub/twain_stub.h"

namespace {

std::vector<std::string> messages;

// An in-memory dialog template: caption and optionally one OK button (id 1).
std::vector<WORD> dialog_template(const wchar_t* caption, bool with_ok) {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / 2);
    DLGTEMPLATE* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
    d->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    d->cdit = with_ok ? 1 : 0;
    d->cx = 120;
    d->cy = 40;
    t.push_back(0);  // no menu
    t.push_back(0);  // standard class
    for (const wchar_t* c = caption; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    if (with_ok) {
        if (t.size() % 2) t.push_back(0);  // DWORD alignment
        DLGITEMTEMPLATE item = {};
        item.style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
        item.x = 10;
        item.y = 10;
        item.cx = 40;
        item.cy = 14;
        item.id = IDOK;
        const WORD* w = reinterpret_cast<const WORD*>(&item);
        t.insert(t.end(), w, w + sizeof item / 2);
        t.push_back(0xFFFF);
        t.push_back(0x0080);  // button
        for (const wchar_t* c = L"OK"; *c; ++c) t.push_back(static_cast<WORD>(*c));
        t.push_back(0);
        t.push_back(0);  // no creation data
    }
    return t;
}

struct RequesterCommand {
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<RequesterCommand> requester_commands;

INT_PTR CALLBACK requester_proc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        requester_commands.push_back({wparam, lparam});
        return TRUE;
    }
    return FALSE;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

class Scanner : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(settings_block_unpack(), 0);
        messages.clear();
        requester_commands.clear();
        error_flag = 0;
        error_stack_clear();
        last_shown_message[0] = '\0';
        program_message_display = [](const ProgramMessage& m) { messages.push_back(m.text); };
        // The test keeps its own reference to the stand-in, so its script and
        // log outlive the program's loading and unloading.
        stub_module = LoadLibraryA("TWAIN_32.DLL");
        ASSERT_NE(stub_module, nullptr);
        auto state = reinterpret_cast<StubState* (*)()>(
            reinterpret_cast<void*>(GetProcAddress(stub_module, "stub_state")));
        auto reset = reinterpret_cast<void (*)()>(
            reinterpret_cast<void*>(GetProcAddress(stub_module, "stub_reset")));
        ASSERT_TRUE(state && reset) << "TWAIN_32.DLL is not the test's stand-in";
        reset();
        stub = state();
        progress_template = dialog_template(L" Scanner at work", false);
        requester_template = dialog_template(L"Projection", true);
        progress = CreateDialogIndirectParamA(
            nullptr, reinterpret_cast<DLGTEMPLATE*>(progress_template.data()), nullptr,
            scanner_progress_dialog_proc, 0);
        requester = CreateDialogIndirectParamA(
            nullptr, reinterpret_cast<DLGTEMPLATE*>(requester_template.data()), nullptr,
            requester_proc, 0);
        ASSERT_NE(progress, nullptr);
        ASSERT_NE(requester, nullptr);
        file = "scan_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".bmp";
        DeleteFileA(file.c_str());
    }
    void TearDown() override {
        scanner_close();
        if (IsWindow(progress)) DestroyWindow(progress);
        DestroyWindow(requester);
        DeleteFileA(file.c_str());
        if (stub_module) FreeLibrary(stub_module);
        program_message_display = program_message_unshown;
        error_flag = 0;
        settings_block_free();
    }

    // Runs the messages of this thread until the progress dialog is gone
    // (or a second has passed).
    void pump() {
        const DWORD end = GetTickCount() + 1000;
        MSG msg;
        while (GetTickCount() < end) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (!IsWindow(progress)) {
                // What was posted to the requester on the way out.
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
                return;
            }
            Sleep(5);
        }
    }

    // The calls the program made, as "S" (to the source) or "-" then group,
    // data type and message, in hex.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (int i = 0; i < stub->call_count && i < 64; ++i) {
            const StubCall& c = stub->calls[i];
            char text[32];
            std::snprintf(text, sizeof text, "%c %x %04x %04x", c.to_source ? 'S' : '-',
                          static_cast<unsigned>(c.group), c.data_type, c.message);
            out.push_back(text);
        }
        return out;
    }

    HMODULE stub_module = nullptr;
    StubState* stub = nullptr;
    std::vector<WORD> progress_template, requester_template;
    HWND progress = nullptr, requester = nullptr;
    std::string file;
};

const char* const open_dsm = "- 1 0004 0301";
const char* const user_select = "- 1 0003 0403";
const char* const open_ds = "- 1 0003 0401";
const char* const set_xfercount = "S 1 0001 0006";
const char* const enable_ds = "S 1 0009 0502";
const char* const status_to_source = "S 1 0008 0001";
const char* const status_to_manager = "- 1 0008 0001";
const char* const process_event = "S 1 0002 0601";
const char* const image_info = "S 2 0101 0001";
const char* const native_xfer = "S 2 0104 0001";
const char* const reset_xfers = "S 1 0005 0007";
const char* const end_xfer = "S 1 0005 0701";
const char* const disable_ds = "S 1 0009 0501";
const char* const close_ds = "- 1 0003 0402";

TEST_F(Scanner, AScanIsWrittenAsBmpAndHandedToTheProjectionDialog) {
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    EXPECT_NE(scanner_library, nullptr);
    // Started: the manager opened on the progress dialog, the source with its
    // own, modeless window, one transfer asked for.
    EXPECT_EQ(stub->opendsm_parent, reinterpret_cast<uintptr_t>(progress));
    EXPECT_EQ(stub->show_ui, 1);
    EXPECT_EQ(stub->modal_ui, 0);
    EXPECT_EQ(stub->enable_parent, reinterpret_cast<uintptr_t>(progress));
    EXPECT_EQ(stub->cap, twain_cap_xfercount);
    EXPECT_EQ(stub->con_type, twain_on_onevalue);
    EXPECT_EQ(stub->item_type, twain_ty_int16);
    EXPECT_EQ(stub->item, 1u);
    EXPECT_GE(stub->container_size, 6u);
    // The identity announced.
    EXPECT_EQ(get_u16(stub->origin, 4), 9);
    EXPECT_EQ(get_u16(stub->origin, 6), 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(stub->origin + 12), "9.4");
    EXPECT_STREQ(reinterpret_cast<const char*>(stub->origin + 122), "SARVOLT");

    pump();
    EXPECT_FALSE(IsWindow(progress)) << "the progress dialog ends itself";
    EXPECT_EQ(stub->source_events, 1);
    EXPECT_EQ(calls(), (std::vector<std::string>{open_dsm, user_select, open_ds, set_xfercount,
                                                 enable_ds, process_event, image_info, native_xfer,
                                                 end_xfer, disable_ds, close_ds}));
    EXPECT_EQ(scanner_library, nullptr);
    EXPECT_TRUE(messages.empty());

    // The 1-bit DIB of width 33: rows of 8 bytes after a two-entry palette.
    std::vector<uint8_t> bmp = read_file(file);
    ASSERT_EQ(bmp.size(), 14u + 40 + 8 + 2 * 8);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(get_u32(bmp.data(), 2), bmp.size());
    EXPECT_EQ(get_u32(bmp.data(), 6), 0u);
    EXPECT_EQ(get_u32(bmp.data(), 10), 62u);
    EXPECT_EQ(get_i32(bmp.data(), 18), 33);
    EXPECT_EQ(get_u32(bmp.data(), 14 + 40 + 4), 0x00FFFFFFu);  // second palette entry
    for (size_t i = 40 + 8; i < bmp.size() - 14; ++i)
        ASSERT_EQ(bmp[14 + i], static_cast<uint8_t>(i * 7 + 3)) << i;

    // The projection dialog is told through its OK button.
    ASSERT_EQ(requester_commands.size(), 1u);
    EXPECT_EQ(LOWORD(requester_commands[0].wparam), IDOK);
    EXPECT_EQ(HIWORD(requester_commands[0].wparam), 0xF5);
    EXPECT_EQ(requester_commands[0].lparam, reinterpret_cast<LPARAM>(GetDlgItem(requester, IDOK)));
}

TEST_F(Scanner, TheProgramsProgressDialogCarriesTheScan) {
    HMODULE program = LoadLibraryExA(SARVOLT_FONT_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << SARVOLT_FONT_PROGRAM;
    DestroyWindow(progress);
    progress = CreateDialogParamA(program, MAKEINTRESOURCEA(706), nullptr,
                                  scanner_progress_dialog_proc, 0);
    ASSERT_NE(progress, nullptr);
    char caption[64] = "";
    GetWindowTextA(progress, caption, sizeof caption);
    EXPECT_STREQ(caption, " Работает сканер");
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    pump();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(read_file(file).size(), 14u + 40 + 8 + 16);
    EXPECT_EQ(requester_commands.size(), 1u);
    FreeLibrary(program);
}

TEST_F(Scanner, ColourScanHasNoPalette) {
    stub->dib_bits = 24;
    stub->dib_width = 5;
    stub->dib_height = 3;
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    pump();
    std::vector<uint8_t> bmp = read_file(file);
    ASSERT_EQ(bmp.size(), 14u + 40 + 3 * 16);
    EXPECT_EQ(get_u32(bmp.data(), 10), 54u);
    EXPECT_EQ(requester_commands.size(), 1u);
}

TEST_F(Scanner, SourceClosedByTheUserEndsWithoutFileOrMessage) {
    stub->event_answer = twain_msg_closedsreq;
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    pump();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(calls(), (std::vector<std::string>{open_dsm, user_select, open_ds, set_xfercount,
                                                 enable_ds, process_event, disable_ds, close_ds}));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(requester_commands.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(scanner_library, nullptr);
}

TEST_F(Scanner, TransfersThatGiveNoImageEndWithoutFile) {
    struct Case {
        const char* what;
        uint16_t imageinfo_rc, nativexfer_rc;
        std::vector<std::string> transfer;  // the calls between the event and the close
    };
    const Case cases[] = {
        {"image info refused", twain_rc_failure, twain_rc_xferdone, {image_info, status_to_source}},
        {"transfer failed", twain_rc_success, twain_rc_failure,
         {image_info, native_xfer, status_to_source, reset_xfers, end_xfer}},
        {"transfer cancelled", twain_rc_success, twain_rc_cancel,
         {image_info, native_xfer, end_xfer}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!IsWindow(progress))
            progress = CreateDialogIndirectParamA(
                nullptr, reinterpret_cast<DLGTEMPLATE*>(progress_template.data()), nullptr,
                scanner_progress_dialog_proc, 0);
        stub->call_count = 0;
        stub->imageinfo_rc = c.imageinfo_rc;
        stub->nativexfer_rc = c.nativexfer_rc;
        ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
        pump();
        EXPECT_FALSE(IsWindow(progress));
        std::vector<std::string> want = {open_dsm, user_select, open_ds, set_xfercount, enable_ds,
                                         process_event};
        want.insert(want.end(), c.transfer.begin(), c.transfer.end());
        want.push_back(disable_ds);
        want.push_back(close_ds);
        EXPECT_EQ(calls(), want);
        EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(requester_commands.empty());
        EXPECT_TRUE(messages.empty());
    }
}

TEST_F(Scanner, StartsThatFailShowTheirMessageAndUnloadTheManager) {
    struct Case {
        const char* what;
        uint16_t userselect_rc, opends_rc, capability_rc, enableds_rc;
        const char* message;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"no source chosen", twain_rc_cancel, 0, 0, 0, "Не выбран сканер", {open_dsm, user_select}},
        {"selection failed", twain_rc_failure, 0, 0, 0, "Не выбран сканер",
         {open_dsm, user_select, status_to_manager}},
        {"source does not open", 0, twain_rc_failure, 0, 0, "Сканер не готов к работе",
         {open_dsm, user_select, open_ds, status_to_manager}},
        {"transfer count refused", 0, 0, twain_rc_failure, 0, "Сканер не готов к работе",
         {open_dsm, user_select, open_ds, set_xfercount, status_to_source, close_ds}},
        {"source not enabled", 0, 0, 0, twain_rc_failure, "Сканер не готов к работе",
         {open_dsm, user_select, open_ds, set_xfercount, enable_ds, status_to_source, close_ds}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stub->call_count = 0;
        stub->userselect_rc = c.userselect_rc;
        stub->opends_rc = c.opends_rc;
        stub->capability_rc = c.capability_rc;
        stub->enableds_rc = c.enableds_rc;
        stub->condition_code = 4;
        std::memset(scanner_status, 0, sizeof scanner_status);
        messages.clear();
        EXPECT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 0);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(calls(), c.calls);
        // The condition code is asked for after a failure only.
        const bool status_asked =
            std::find(c.calls.begin(), c.calls.end(), std::string(status_to_manager)) != c.calls.end() ||
            std::find(c.calls.begin(), c.calls.end(), std::string(status_to_source)) != c.calls.end();
        EXPECT_EQ(get_u16(scanner_status, 0), status_asked ? 4 : 0);
        EXPECT_EQ(scanner_library, nullptr);
        // Nothing is left for the dialog's messages.
        EXPECT_EQ(scanner_event_filter(progress, stub->source_message, 0, 0), 1);
    }
}

TEST_F(Scanner, MissingManagerOrEntryShowsTheLibraryName) {
    // Not found at all, and a module without an entry at ordinal 1 (the
    // test program itself).
    for (const char* name : {"NO_TWAIN.DLL", "test_win32_scanner.exe"}) {
        std::memcpy(settings_block + settings_twain_library_offset, name, std::strlen(name) + 1);
        messages.clear();
        EXPECT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 0) << name;
        EXPECT_EQ(messages,
                  std::vector<std::string>{std::string("ОШИБКА подключения интерфейса сканера\n") +
                                           name + "\n"});
        EXPECT_EQ(scanner_library, nullptr);
        EXPECT_EQ(stub->call_count, 0);
    }
}

TEST_F(Scanner, ANewStartAfterOneThatNeverEndedGoesStraightToTheSourceSelection) {
    stub->source_message = 0;  // the source stays silent
    ASSERT_EQ(scanner_begin_acquire(progress, requester, "first.bmp"), 1);
    // The first progress dialog is gone without the end steps.
    DestroyWindow(progress);
    progress = CreateDialogIndirectParamA(nullptr, reinterpret_cast<DLGTEMPLATE*>(progress_template.data()),
                                          nullptr, scanner_progress_dialog_proc, 0);
    stub->call_count = 0;
    stub->source_message = WM_APP + 5;
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    EXPECT_EQ(calls(), (std::vector<std::string>{user_select, open_ds, set_xfercount, enable_ds}));
    // The source now reports to the new dialog, and the scan reaches its file.
    EXPECT_EQ(stub->enable_parent, reinterpret_cast<uintptr_t>(progress));
    pump();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(read_file(file).size(), 14u + 40 + 8 + 16);
    EXPECT_EQ(requester_commands.size(), 1u);
}

TEST_F(Scanner, MessagesFrom0x100OnAreOfferedToTheSource) {
    stub->source_message = 0;
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    EXPECT_EQ(scanner_event_filter(progress, WM_MOUSEMOVE, 0, 0), 1);  // not the source's
    EXPECT_EQ(stub->events_seen, 1);
    EXPECT_EQ(stub->last_event_time, 0u);
    EXPECT_EQ(scanner_event_filter(progress, WM_KEYDOWN, 0, 0), 1);
    EXPECT_EQ(stub->events_seen, 2);
    EXPECT_EQ(scanner_event_filter(progress, 0xFF, 0, 0), 1);  // below 0x100
    EXPECT_EQ(scanner_event_filter(progress, WM_SETFONT, 0, 0), 1);
    EXPECT_EQ(stub->events_seen, 2);
    scanner_close();
    EXPECT_EQ(scanner_event_filter(progress, WM_KEYDOWN, 0, 0), 1);  // not enabled any more
    EXPECT_EQ(stub->events_seen, 2);
}

// A DIB in a movable global block, as a native transfer gives it; `cut`
// bytes short of its rows.
HGLOBAL global_dib(int32_t width, int32_t height, unsigned bits, size_t cut = 0) {
    const uint32_t entries = dib_palette_entries(bits);
    const uint32_t stride = (uint32_t(width) * bits + 31) / 32 * 4;
    const size_t size = 40 + 4 * entries + stride * uint32_t(height < 0 ? -height : height) - cut;
    HGLOBAL h = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    uint8_t* d = static_cast<uint8_t*>(GlobalLock(h));
    put_u32(d, 0, 40);
    put_i32(d, 4, width);
    put_i32(d, 8, height);
    put_u16(d, 12, 1);
    put_u16(d, 14, static_cast<uint16_t>(bits));
    for (size_t i = 40 + 4 * entries; i < size; ++i) d[i] = static_cast<uint8_t>(i);
    GlobalUnlock(h);
    return h;
}

TEST_F(Scanner, DibFilesKeepEveryRowAndRefuseWhatCannotBeWritten) {
    // Rows stored top down: the length counts the rows, not the signed height.
    HGLOBAL top_down = global_dib(5, -3, 24);
    const void* dib = GlobalLock(top_down);
    EXPECT_EQ(write_dib_as_bmp_file(dib, file.c_str()), 0);
    std::vector<uint8_t> bmp = read_file(file);
    ASSERT_EQ(bmp.size(), 14u + 40 + 48);
    EXPECT_EQ(get_u32(bmp.data(), 2), bmp.size());
    EXPECT_EQ(std::memcmp(bmp.data() + 14, dib, 88), 0);
    EXPECT_TRUE(messages.empty());

    // A file that cannot be created.
    const std::string nowhere = "no_such_folder\\scan.bmp";
    EXPECT_EQ(write_dib_as_bmp_file(dib, nowhere.c_str()), 1);
    EXPECT_EQ(messages, std::vector<std::string>{"ОШИБКА открытия файла\n" + nowhere + "\n"});
    GlobalUnlock(top_down);
    GlobalFree(top_down);

    // A DIB whose rows run past its memory block is not read beyond it.
    messages.clear();
    DeleteFileA(file.c_str());
    HGLOBAL short_dib = global_dib(33, 40, 1, 8);
    EXPECT_EQ(write_dib_as_bmp_file(GlobalLock(short_dib), file.c_str()), 1);
    EXPECT_EQ(messages, std::vector<std::string>{"ОШИБКА записи в файл\n" + file + "\n"});
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    GlobalUnlock(short_dib);
    GlobalFree(short_dib);
}

TEST_F(Scanner, AScanWhoseFileCannotBeWrittenIsNotHandedOn) {
    file = "no_such_folder\\scan.bmp";
    ASSERT_EQ(scanner_begin_acquire(progress, requester, file.c_str()), 1);
    pump();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(messages, std::vector<std::string>{"ОШИБКА открытия файла\n" + file + "\n"});
    EXPECT_TRUE(requester_commands.empty());
    EXPECT_EQ(scanner_library, nullptr);
}

}  // namespace
