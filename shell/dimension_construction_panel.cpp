// The view-construction stage's panel (dialog 525, compact 526): the lines
// of the last construction log, the dimensions of the active projection
// for viewing and marking. It creates no dimension.
#include <windows.h>

#include <string>
#include <vector>

#include "base/byte_order.h"
#include "geometry/dimension_text.h"
#include "shell/construction_run.h"
#include "shell/dimension_panels.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "base/program_messages.h"
#include "stages/dimensions/closed_chain.h"
#include "stages/dimensions/dimension_edit.h"
#include "stages/dimensions/network_store.h"
#include "store/record_layouts.h"

namespace {

int browse_index = -1;
uint32_t selected_dimension;
ChainStepper chain_steps;

const int view_controls[] = {IDC_CONSTRUCTION_LOG, IDC_CONSTRUCTION_NOMINAL, IDC_CONSTRUCTION_DIMENSIONS,
                             IDC_CONSTRUCTION_MARK_IN_LIST, IDC_CONSTRUCTION_SELECTION, IDC_CONSTRUCTION_CYCLE};

void enable_view_controls(HWND panel, BOOL on) {
    for (int id : view_controls) EnableWindow(GetDlgItem(panel, id), on);
    // The closed-chain step needs a selected dimension.
    EnableWindow(GetDlgItem(panel, IDC_CONSTRUCTION_NEXT_IN_CHAIN), on && selected_dimension);
}

// Shows the dimension's nominal text in the panel.
void view_dimension(HWND panel, uint32_t number) {
    ProjectionWindow* w = projection_window_active();
    if (!w || !number) return;
    std::vector<uint8_t> d;
    with_active_projection([&](DrawingFile* df, unsigned char* p) { d = dimension_record_copy(df, p, number); }, w);
    if (d.empty()) return;
    selected_dimension = number;
    if (!construction_dialog) EnableWindow(GetDlgItem(panel, IDC_CONSTRUCTION_NEXT_IN_CHAIN), TRUE);
    char text[128];
    uint16_t vw = get_u16(d.data(), dimension_value_word);
    format_dimension_value(text, sizeof text, get_f64(d.data(), dimension_nominal), get_u16(d.data(), dimension_kind_word) & 0x1F,
                           (vw >> 8) & 7);
    std::string t = text;
    size_t a = t.find_first_not_of(' ');
    SetDlgItemTextA(panel, IDC_CONSTRUCTION_NOMINAL, a == std::string::npos ? "" : t.c_str() + a);
    prompt_show("Выбран размер для просмотра");
}

uint32_t item_number(HWND combo, LRESULT i) {
    return i < 0 ? 0 : static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

INT_PTR CALLBACK construction_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        browse_index = -1;
        selected_dimension = 0;
        chain_steps.clear();
        fill_dimension_combo(GetDlgItem(dialog, IDC_CONSTRUCTION_DIMENSIONS), projection_window_active());
        // While a run goes on only OK works; the log dialog's end enables
        // the log combo again.
        enable_view_controls(dialog, construction_dialog ? FALSE : TRUE);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        HWND combo = GetDlgItem(dialog, IDC_CONSTRUCTION_DIMENSIONS);
        switch (id) {
        case IDC_CONSTRUCTION_NEXT_IN_CHAIN: {
            ProjectionWindow* w = projection_window_active();
            if (!w || !selected_dimension || construction_dialog) return TRUE;
            if (chain_steps.chain.empty()) {
                // A new search through the selected dimension.
                NetworkRecords rec;
                bool loaded = false;
                with_active_projection([&](DrawingFile* df, unsigned char* p) { loaded = network_load(df, p, &rec); }, w);
                if (!loaded) return TRUE;
                std::string message;
                chain_steps.chain = closed_chain_of(rec, selected_dimension, &message);
                chain_steps.shown = -1;
                if (chain_steps.chain.empty()) {
                    show_program_message(message.c_str());
                    return TRUE;
                }
            }
            uint32_t n = chain_steps.next();
            int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i)
                if (item_number(combo, i) == n) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            uint32_t keep = selected_dimension;
            view_dimension(dialog, n);
            selected_dimension = keep;
            prompt_show(chain_steps.prompt().c_str());
            return TRUE;
        }
        case IDC_CONSTRUCTION_DIMENSIONS:
            chain_steps.clear();
            if (HIWORD(wparam) == CBN_SELCHANGE) view_dimension(dialog, item_number(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0)));
            return TRUE;
        case IDC_CONSTRUCTION_CYCLE: {
            chain_steps.clear();
            int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            if (count <= 0) return TRUE;
            browse_index = (browse_index + 1) % count;
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(browse_index), 0);
            view_dimension(dialog, item_number(combo, browse_index));
            char text[96];
            wsprintfA(text, "Выбран %i размер. Всего %-i", browse_index + 1, count);
            prompt_show(text);
            return TRUE;
        }
        case IDC_CONSTRUCTION_MARK_IN_LIST: {
            // Marks the viewed dimension: error mark set, shown again.
            ProjectionWindow* w = projection_window_active();
            if (!w || !selected_dimension || worker_running) return TRUE;
            uint32_t n = selected_dimension;
            with_active_projection(
                [&](DrawingFile* df, unsigned char* p) {
                    std::vector<uint8_t> d = dimension_record_copy(df, p, n);
                    if (d.empty()) return;
                    put_u16(d.data(), dimension_state, static_cast<uint16_t>(get_u16(d.data(), dimension_state) | 0x0020));
                    uint16_t vw = get_u16(d.data(), dimension_value_word);
                    if (((vw >> 8) & 7) == 0) put_u16(d.data(), dimension_value_word, static_cast<uint16_t>(vw & ~0x0008));
                    dimension_record_update(df, p, d);
                },
                w);
            return TRUE;
        }
        case IDC_CONSTRUCTION_STOP:
            CheckDlgButton(dialog, IDC_CONSTRUCTION_SELECTION, BST_UNCHECKED);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_DESTROY:
        // The log dialog of a run still open is closed through its button.
        if (construction_dialog) PostMessageA(construction_dialog, WM_COMMAND, IDCANCEL, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void construction_panel_bind() { stage_tools[4].panel_procedure = construction_panel_proc; }
