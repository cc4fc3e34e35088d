// Scanning over TWAIN: the manager's entry by ordinal 1, the source chosen
// by the user with its own window, events through the progress dialog, one
// native transfer written as a BMP file.
#include "render/images/scanner_win.h"

#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"
#include "render/images/twain_records.h"
#include "shell/frame_face.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

static_assert(sizeof(void*) == twain_handle_size, "the TWAIN records hold handles of the pointer width");

uint16_t scanner_return_code;
uint8_t scanner_status[twain_status_size];
HMODULE scanner_library;

namespace {

using DsmEntry = uint16_t(WINAPI*)(void* origin, void* dest, uint32_t group, uint16_t data_type,
                                   uint16_t message, void* data);

DsmEntry dsm_entry;
uint8_t application_identity[twain_identity_size];
uint8_t source_identity[twain_identity_size];
uint8_t image_info[twain_imageinfo_size];
uint8_t pending_transfers[twain_pendingxfers_size];
HGLOBAL image_handle;

bool source_chosen, source_open, source_enabled, scan_finished;
HWND ui_parent_window, requester_window;
char* target_file_name;

constexpr int ok_button = IDOK;
constexpr WORD ok_notification = 0xF5;

void show_with_detail(const char* detail, const char* text) {
    error_stack_push(detail);
    show_program_message(text);
}

// Unloads the manager after a start that failed.  A source that was opened
// is closed first, so that it is not left open in a manager that is gone.
void unload_after_failure() {
    if (source_open && dsm_entry) {
        twain_call(nullptr, twain_dg_control, twain_dat_identity, twain_msg_closeds, source_identity);
    }
    source_open = source_enabled = source_chosen = false;
    if (scanner_library) FreeLibrary(scanner_library);
    scanner_library = nullptr;
    dsm_entry = nullptr;
    std::free(target_file_name);
    target_file_name = nullptr;
}

// The native transfer of one image and the end of the transfer.
void scanner_transfer_native() {
    std::memset(image_info, 0, sizeof image_info);
    if (!twain_call(source_identity, twain_dg_image, twain_dat_imageinfo, twain_msg_get, image_info))
        return;
    image_handle = nullptr;
    twain_call(source_identity, twain_dg_image, twain_dat_imagenativexfer, twain_msg_get, &image_handle);
    if (scanner_return_code == twain_rc_xferdone && image_handle) {
        const void* dib = GlobalLock(image_handle);
        // The scan is done only when its file is: a file that could not be
        // written was reported and is not handed on.
        const int failed = dib && target_file_name ? write_dib_as_bmp_file(dib, target_file_name) : 1;
        if (dib) GlobalUnlock(image_handle);
        if (!failed) {
            prompt_show("Сканирование завершено");
            scan_finished = true;
        }
    } else if (scanner_return_code == twain_rc_failure) {
        std::memset(pending_transfers, 0, sizeof pending_transfers);
        twain_call(source_identity, twain_dg_control, twain_dat_pendingxfers, twain_msg_reset,
                   pending_transfers);
    }
    if (image_handle) GlobalFree(image_handle);
    image_handle = nullptr;
    std::memset(pending_transfers, 0, sizeof pending_transfers);
    twain_call(source_identity, twain_dg_control, twain_dat_pendingxfers, twain_msg_endxfer,
               pending_transfers);
}

// After the transfer, or when the source asks to be closed.
void scanner_end() {
    const bool finished = scan_finished;
    HWND parent = ui_parent_window, requester = requester_window;
    scanner_close();
    PostMessageA(parent, WM_COMMAND, IDCANCEL, 0);
    if (finished && requester) {
        PostMessageA(requester, WM_COMMAND, MAKEWPARAM(ok_button, ok_notification),
                     reinterpret_cast<LPARAM>(GetDlgItem(requester, ok_button)));
    }
}

}  // namespace

int twain_call(void* dest, uint32_t group, uint16_t data_type, uint16_t message, void* data) {
    if (!dsm_entry) {
        scanner_return_code = twain_rc_failure;
        return 0;
    }
    scanner_return_code = dsm_entry(application_identity, dest, group, data_type, message, data);
    if (scanner_return_code == twain_rc_success) return 1;
    // The condition code tells more only after a failure; the other codes
    // (an event, a cancel, a finished transfer) are answers in themselves.
    if (scanner_return_code != twain_rc_failure) return 0;
    const uint16_t kept = scanner_return_code;
    std::memset(scanner_status, 0, sizeof scanner_status);
    dsm_entry(application_identity, dest, twain_dg_control, twain_dat_status, twain_msg_get, scanner_status);
    scanner_return_code = kept;
    return 0;
}

int scanner_set_capability(uint16_t capability, int32_t value, bool is_signed) {
    HGLOBAL container = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, twain_onevalue_size);
    if (!container) return 0;
    uint8_t* one = static_cast<uint8_t*>(GlobalLock(container));
    if (!one) {
        GlobalFree(container);
        return 0;
    }
    twain_fill_one_value(one, value, is_signed);
    GlobalUnlock(container);
    uint8_t capability_record[twain_capability_size];
    put_u16(capability_record, 0, capability);
    put_u16(capability_record, 2, twain_on_onevalue);
    twain_put_handle(capability_record, twain_capability_container, container);
    const int ok = twain_call(source_identity, twain_dg_control, twain_dat_capability, twain_msg_set,
                              capability_record);
    GlobalFree(container);
    return ok;
}

int scanner_begin_acquire(HWND ui_parent, HWND requester, const char* file_name) {
    const size_t n = file_name ? std::strlen(file_name) : 0;
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (!copy) return 0;
    std::memcpy(copy, file_name ? file_name : "", n);
    copy[n] = '\0';
    std::free(target_file_name);
    target_file_name = copy;
    source_chosen = source_enabled = scan_finished = false;
    // The windows of this start: an earlier start that never ended may have
    // left the manager loaded, but its dialogs are gone.
    ui_parent_window = ui_parent;
    requester_window = requester;

    if (!scanner_library) {
        twain_fill_application_identity(application_identity);
        const char* library_name = settings_text(settings_twain_library_offset);
        scanner_library = LoadLibraryA(library_name);
        dsm_entry = scanner_library
                        ? reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(
                              GetProcAddress(scanner_library, MAKEINTRESOURCEA(1))))
                        : nullptr;
        if (!scanner_library || !dsm_entry) {
            unload_after_failure();
            show_with_detail(library_name, "$подключения интерфейса сканера");
            return 0;
        }
        HWND parent = ui_parent;
        twain_call(nullptr, twain_dg_control, twain_dat_parent, twain_msg_opendsm, &parent);
    }

    if (twain_call(nullptr, twain_dg_control, twain_dat_identity, twain_msg_userselect, source_identity))
        source_chosen = true;
    if (!source_chosen) {
        unload_after_failure();
        show_program_message("Не выбран сканер");
        return 0;
    }
    bool ready = twain_call(nullptr, twain_dg_control, twain_dat_identity, twain_msg_opends,
                            source_identity) != 0;
    if (ready) {
        source_open = true;
        ready = scanner_set_capability(twain_cap_xfercount, 1, true) != 0;
    }
    if (ready) {
        uint8_t ui[twain_userinterface_size];
        put_u16(ui, 0, 1);  // the source's own window
        put_u16(ui, 2, 0);  // not modal
        twain_put_handle(ui, twain_userinterface_parent, ui_parent);
        ready = twain_call(source_identity, twain_dg_control, twain_dat_userinterface,
                           twain_msg_enableds, ui) != 0;
    }
    if (!ready) {
        unload_after_failure();
        show_program_message("Сканер не готов к работе");
        return 0;
    }
    source_enabled = true;
    return 1;
}

int scanner_event_filter(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!source_enabled) return 1;
    if (message < 0x100) return 1;
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    uint8_t event[twain_event_size];
    twain_put_handle(event, 0, &msg);
    put_u16(event, twain_event_message, twain_msg_null);
    twain_call(source_identity, twain_dg_control, twain_dat_event, twain_msg_processevent, event);
    if (scanner_return_code == twain_rc_notdsevent) return 1;
    switch (get_u16(event, twain_event_message)) {
    case twain_msg_xferready:
        scanner_transfer_native();
        scanner_end();
        return 0;
    case twain_msg_closedsreq:
        scanner_end();
        return 0;
    default:
        return 0;
    }
}

void scanner_close() {
    if (!source_open) return;
    if (source_enabled) {
        source_enabled = false;
        uint8_t ui[twain_userinterface_size] = {};
        twain_call(source_identity, twain_dg_control, twain_dat_userinterface, twain_msg_disableds, ui);
    }
    twain_call(nullptr, twain_dg_control, twain_dat_identity, twain_msg_closeds, source_identity);
    source_open = source_chosen = false;
    std::free(target_file_name);
    target_file_name = nullptr;
    if (scanner_library) FreeLibrary(scanner_library);
    scanner_library = nullptr;
    dsm_entry = nullptr;
}

INT_PTR CALLBACK scanner_progress_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) {
            // The dialog is modeless: ending it is destroying it.
            EndDialog(dialog, IDCANCEL);
            DestroyWindow(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return FALSE;
    default:
        return scanner_event_filter(dialog, message, wparam, lparam) == 0 ? TRUE : FALSE;
    }
}

int write_dib_as_bmp_file(const void* dib, const char* file_name) {
    // The DIB may be no longer than its memory block.
    size_t available = SIZE_MAX;
    if (HGLOBAL block = GlobalHandle(dib)) {
        if (SIZE_T size = GlobalSize(block)) available = size;
    }
    DibLayout layout;
    if (!dib || dib_layout(static_cast<const uint8_t*>(dib), available, &layout) != 0) {
        show_with_detail(file_name, settings_text(settings_write_failure_offset));
        return 1;
    }
    HANDLE file = CreateFileA(file_name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        show_with_detail(file_name, settings_text(settings_open_failure_offset));
        return 1;
    }
    uint8_t header[bmp_file_header_size];
    bmp_file_header_for_dib(layout, header);
    DWORD written = 0;
    bool ok = WriteFile(file, header, sizeof header, &written, nullptr) && written == sizeof header;
    if (ok) {
        ok = WriteFile(file, dib, layout.length, &written, nullptr) && written == layout.length;
    }
    if (!ok) {
        CloseHandle(file);
        show_with_detail(file_name, settings_text(settings_write_failure_offset));
        return 1;
    }
    CloseHandle(file);
    return 0;
}
