// The dimension generator's dialog "Режимы генерации размеров": the
// symmetry of the projection with what the start click means, the options
// of the generated dimensions and the two-point mode.  "Да" keeps the
// settings for the generator; "Отказаться" leaves them as they were.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "shell/dimension_panels.h"
#include "base/program_messages.h"
#include "shell/help.h"
#include "shell/frame_face.h"
#include "shell/resource_ids.h"
#include "stages/dimensions/dimension_generator.h"
#include "store/drawing_file.h"

namespace {

const char* const symmetry_items[4] = {"Симметрия по X и Y", "Симметрия по оси вращения", "Симметрия без вращения",
                                       "Нет симметрии"};
const char* const start_texts[3] = {"Точка - центр симметрии", "Точка на оси симметрии", "Базовая точка"};
const int help_topic_dimensions = 9;

GeneratorSettings edited;

bool checked(HWND d, int id) { return IsDlgButtonChecked(d, id) == BST_CHECKED; }
void check(HWND d, int id, bool on) { CheckDlgButton(d, id, on ? BST_CHECKED : BST_UNCHECKED); }
void enable(HWND d, int id, bool on) { EnableWindow(GetDlgItem(d, id), on ? TRUE : FALSE); }

double read_tolerance(HWND d) {
    char text[64] = {};
    GetDlgItemTextA(d, IDC_GEN_TOLERANCE, text, sizeof text);
    for (char& c : text)
        if (c == ',') c = '.';
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v)) return edited.tolerance_percent;
    return generator_tolerance(v);
}

void show_tolerance(HWND d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", edited.tolerance_percent);
    SetDlgItemTextA(d, IDC_GEN_TOLERANCE, text);
}

// The controls follow the settings: not shown excludes show only, the
// two-point mode excludes symmetry, the joining of lines and the axes.
void show(HWND d) {
    SendDlgItemMessageA(d, IDC_GEN_SYMMETRY, CB_SETCURSEL, static_cast<WPARAM>(edited.symmetry_item), 0);
    SetDlgItemTextA(d, IDC_GEN_START_TEXT, start_texts[generator_symmetry_mode(edited.symmetry_item)]);
    if (edited.not_shown) edited.show_only = false;
    if (edited.two_points) {
        edited.free_of_axes = false;
        edited.join_orthogonal = false;
    }
    check(d, IDC_GEN_NOT_SHOWN, edited.not_shown);
    check(d, IDC_GEN_SHOW_ONLY, edited.show_only);
    check(d, IDC_GEN_JOIN, edited.join_orthogonal);
    check(d, IDC_GEN_FREE_OF_AXES, edited.free_of_axes);
    check(d, IDC_GEN_COMMENTS, edited.comments);
    check(d, IDC_GEN_TWO_POINTS, edited.two_points);
    enable(d, IDC_GEN_SHOW_ONLY, !edited.not_shown);
    bool many = !edited.two_points;
    enable(d, IDC_GEN_SYMMETRY, many);
    enable(d, IDC_GEN_JOIN, many);
    enable(d, IDC_GEN_TOLERANCE, many && edited.join_orthogonal);
    enable(d, IDC_GEN_FREE_OF_AXES, many);
}

INT_PTR CALLBACK generator_dialog_proc(HWND d, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        edited = generator_settings;
        for (const char* item : symmetry_items)
            SendDlgItemMessageA(d, IDC_GEN_SYMMETRY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        show_tolerance(d);
        show(d);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        switch (id) {
        case IDC_GEN_SYMMETRY:
            if (code == CBN_SELCHANGE) {
                LRESULT i = SendDlgItemMessageA(d, IDC_GEN_SYMMETRY, CB_GETCURSEL, 0, 0);
                if (i >= 0 && i < 4) edited.symmetry_item = static_cast<int>(i);
                show(d);
            }
            return TRUE;
        case IDC_GEN_TOLERANCE:
            if (code == EN_KILLFOCUS) {
                edited.tolerance_percent = read_tolerance(d);
                show_tolerance(d);
            }
            return TRUE;
        case IDC_GEN_NOT_SHOWN: edited.not_shown = checked(d, id); show(d); return TRUE;
        case IDC_GEN_SHOW_ONLY: edited.show_only = checked(d, id); show(d); return TRUE;
        case IDC_GEN_JOIN: edited.join_orthogonal = checked(d, id); show(d); return TRUE;
        case IDC_GEN_FREE_OF_AXES: edited.free_of_axes = checked(d, id); show(d); return TRUE;
        case IDC_GEN_COMMENTS: edited.comments = checked(d, id); show(d); return TRUE;
        case IDC_GEN_TWO_POINTS: edited.two_points = checked(d, id); show(d); return TRUE;
        case IDC_GEN_HELP: help_open(help_topic_dimensions); return TRUE;
        case IDOK:
            edited.tolerance_percent = read_tolerance(d);
            generator_settings = edited;
            EndDialog(d, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(d, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

}  // namespace

INT_PTR generator_dialog_run(HWND owner) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DIMENSION_GENERATOR), owner,
                           generator_dialog_proc, 0);
}

void generator_auto_dimensions(unsigned char* projection) {
    GeneratorHooks h;
    h.message = [](const char* text) { show_program_message(text); };
    h.prompt = [](const char* text) { prompt_show(text); };
    auto_dimension_from_origin(current_drawing_file(), projection, h);
}
