// Scanning a sketch over TWAIN.  The projection dialog opens the modeless
// progress dialog IDD_SCANNER_PROGRESS (procedure `scanner_progress_dialog_proc`) and calls
// `scanner_begin_acquire`; the data source manager named by the settings
// block is loaded, the user picks a source, the source shows its own window,
// its events arrive through the progress dialog, one native transfer gives a
// DIB that is written as a BMP file, and the projection dialog is told
// through its OK button (WM_COMMAND, id 1, notification 0xF5).
//
// One acquisition at a time, on the GUI thread.
#pragma once
#include <windows.h>

#include <cstdint>

// Starts an acquisition into file_name.  1 when the source is enabled and
// the scan is under way, 0 when it did not start (the reason was shown).
int scanner_begin_acquire(HWND ui_parent, HWND requester, const char* file_name);

// One call of the manager's entry with the program as origin; dest is the
// source identity or null.  1 on success, otherwise 0; after TWRC_FAILURE
// the condition code is asked for into `scanner_status`.  The return code is kept in
// `scanner_return_code`.
int twain_call(void* dest, uint32_t group, uint16_t data_type, uint16_t message, void* data);

// Sets a one-value capability of the open source (16-bit, signed or not).
int scanner_set_capability(uint16_t capability, int32_t value, bool is_signed);

// A message of the progress dialog: 1 when it is not for the source (the
// dialog handles it as usual), 0 when the source took it.
int scanner_event_filter(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The procedure of the progress dialog " Работает сканер".
INT_PTR CALLBACK scanner_progress_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Disables and closes the source and unloads the manager.
void scanner_close();

// Writes a packed DIB (info header, colour table, rows; a locked global
// memory block) as a BMP file.  0 written, 1 failed (the reason was shown).
int write_dib_as_bmp_file(const void* dib, const char* file_name);

// State visible to tests.
extern uint16_t scanner_return_code;   // of the last call of the manager
extern uint8_t scanner_status[4];      // TW_STATUS after the last failure
extern HMODULE scanner_library;        // the manager while it is loaded
