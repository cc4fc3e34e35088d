// Import and export commands: file dialogs, the import options dialog, and
// the MGI and DXF readers and the MGI writer behind them.
#include "shell/exchange_commands.h"

#include <commdlg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "geometry/naming.h"
#include "output/dxf_import.h"
#include "output/import_session.h"
#include "output/mgi_format.h"
#include "output/aama_export.h"
#include "output/dxf_export.h"
#include "render/output/dxf_writers.h"
#include "shell/commands.h"
#include "shell/document_ui.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

int (*import_options_answer)() = nullptr;
ExchangeDialogSeen exchange_dialog_seen;

namespace {

const char text_open_failed[] = "$открытия файла";

double shown_limit() { return import_thin_width_limit(); }

void show_main_width(HWND dialog, double limit) {
    char text[96];
    std::snprintf(text, sizeof text, "Ширина основной линии более %6.2lf мм", limit);
    SetDlgItemTextA(dialog, IDC_IMPORT_MAIN_WIDTH, text);
}

INT_PTR CALLBACK import_options_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        char text[32];
        std::snprintf(text, sizeof text, "%6.2lf", shown_limit());
        SetDlgItemTextA(dialog, IDC_IMPORT_THIN_WIDTH, text);
        show_main_width(dialog, shown_limit());
        CheckDlgButton(dialog, IDC_IMPORT_NO_AUTO, import_options.no_auto_construction ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_IMPORT_THIN_WIDTH:
            if (HIWORD(wparam) == EN_CHANGE) {
                char text[32];
                GetDlgItemTextA(dialog, IDC_IMPORT_THIN_WIDTH, text, sizeof text);
                double v = std::fabs(std::atof(text));
                show_main_width(dialog, v > 0 ? v : shown_limit());
            }
            return TRUE;
        case IDOK: {
            char text[32];
            GetDlgItemTextA(dialog, IDC_IMPORT_THIN_WIDTH, text, sizeof text);
            double v = std::fabs(std::atof(text));
            if (v > 0 && std::isfinite(v)) dxf_line_width = v;  // 0 keeps the old value
            import_options.no_auto_construction = IsDlgButtonChecked(dialog, IDC_IMPORT_NO_AUTO) == BST_CHECKED;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int import_options_dialog() {
    if (import_options_answer) return import_options_answer();
    return static_cast<int>(DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_IMPORT_OPTIONS), frame_window,
                                            import_options_procedure, 0));
}

void note_dialog(const OPENFILENAMEA& ofn) {
    exchange_dialog_seen.flags = ofn.Flags;
    std::snprintf(exchange_dialog_seen.title, sizeof exchange_dialog_seen.title, "%s",
                  ofn.lpstrTitle ? ofn.lpstrTitle : "");
    std::snprintf(exchange_dialog_seen.default_extension, sizeof exchange_dialog_seen.default_extension, "%s",
                  ofn.lpstrDefExt ? ofn.lpstrDefExt : "");
    std::snprintf(exchange_dialog_seen.proposed, sizeof exchange_dialog_seen.proposed, "%s", ofn.lpstrFile);
}

// The file dialog; writes the chosen path; 0 when cancelled.
int exchange_file_dialog(OPENFILENAMEA* ofn, int save) {
    note_dialog(*ofn);
    if (document_dialog_answer) return document_dialog_answer(save, ofn->lpstrFile, ofn->nMaxFile);
    return save ? GetSaveFileNameA(ofn) : GetOpenFileNameA(ofn);
}

void open_failed(const char* path) {
    error_stack_push(path);
    show_program_message(text_open_failed);
}

void busy(int on) {
    if (document_shell.busy_cursor) document_shell.busy_cursor(on);
}

}  // namespace

void import_drawing() {
    char path[780] = "";
    OPENFILENAMEA ofn;
    file_dialog_init(&ofn, frame_window, path, sizeof path);
    ofn.lpstrFilter = "Файлы DXF (*.dxf)\0*.dxf\0Файлы AAMA (*.aam)\0*.aama;*.aam\0Файлы МГИ (*.mgi)\0*.mgi\0";
    ofn.lpstrTitle = "Имя файла для импорта";
    ofn.lpstrInitialDir = saved_directory;
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES;
    if (!exchange_file_dialog(&ofn, 0)) return;
    current_dir_save();
    bool text = extension_in_list(path, "DXF|AAMA|AAM") != 0;
    if (text && !import_options_dialog()) return;
    FILE* f = std::fopen(path, text ? "r" : "rb");
    if (!f) {
        open_failed(path);
        return;
    }
    busy(1);
    if (text) dxf_read(f);
    else mgi_read(f);
    std::fclose(f);
    busy(0);
    if (stage_panel) {
        PostMessageA(stage_panel, WM_COMMAND, IDC_SCALE_FIT, 0);
        PostMessageA(stage_panel, WM_COMMAND, IDC_SCALE_FIT, 0);
    }
}

void export_drawing(int) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    // The proposed name: the drawing's file name without its extension.
    char path[780];
    drawing_file_name_part(path, sizeof path);
    char* dot = std::strrchr(path, '.');
    if (dot) *dot = '\0';
    OPENFILENAMEA ofn;
    file_dialog_init(&ofn, frame_window, path, sizeof path);
    bool dxf = current_stage == 6 && (get_u16(df->header, header_options) & header_opt_hatch_lines);
    ofn.lpstrFilter = dxf ? "Файлы AAMA (*.aam)\0*.aam\0Файлы DXF (*.dxf)\0*.dxf\0Файлы МГИ (*.mgi)\0*.mgi\0"
                          : "Файлы МГИ (*.mgi)\0*.mgi\0";
    ofn.lpstrDefExt = dxf ? "dxf" : "mgi";
    ofn.lpstrTitle = "Имя файла для экспорта";
    ofn.lpstrInitialDir = saved_directory;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (!exchange_file_dialog(&ofn, 1)) return;
    // Without an extension, or with one no writer knows, the default one is
    // appended: the export always writes the file it names.
    bool as_dxf = dxf && extension_in_list(path, "DXF");
    bool as_aama = dxf && extension_in_list(path, "AAM");
    if (!as_dxf && !as_aama && !extension_in_list(path, "MGI")) {
        size_t n = std::strlen(path);
        if (n > 0 && path[n - 1] == '.') path[--n] = '\0';
        if (n + 5 >= sizeof path) return;
        std::strcat(path, dxf ? ".dxf" : ".mgi");
        as_dxf = dxf;
        // The dialog asked about the name without this extension: an
        // existing file of the name written is replaced only after the
        // program's own question.
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
            (!document_shell.ask || document_shell.ask(3, path, 0) != 1))
            return;
    }
    FILE* f = std::fopen(path, as_dxf || as_aama ? "w" : "wb");
    if (!f) {
        open_failed(path);
        return;
    }
    busy(1);
    error_flag = 0;
    if (as_aama) {
        aama_write(f, df, dxf_sheet_views(df));
    } else if (as_dxf) {
        // The folder of the file holds the temporary file of the entities.
        char folder[780];
        std::snprintf(folder, sizeof folder, "%s", path);
        char* slash = std::strrchr(folder, '\\');
        char* slash2 = std::strrchr(folder, '/');
        if (slash2 > slash) slash = slash2;
        if (slash) *slash = '\0';
        else std::snprintf(folder, sizeof folder, ".");
        dxf_write(f, folder, df, dxf_sheet_views(df));
    } else {
        mgi_write(f, df, current_stage);
    }
    std::fclose(f);
    busy(0);
}

void exchange_commands_init() {
    command_seams.import_drawing = import_drawing;
    command_seams.export_drawing = export_drawing;
}
