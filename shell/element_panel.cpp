// The image-stage panel (dialog 139 and its compact form 333) and the
// element input of the projection windows: the tool buttons choose what the
// next clicks on reference points make, the selector the line type of new
// elements; a left click in a projection window at the image stage gives
// the reference point under the cursor to the element input.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/transforms.h"
#include "render/output/element_drawing.h"
#include "render/output/symbol_catalog.h"
#include "shell/commands.h"
#include "shell/conventional_image_thread.h"
#include "shell/conventional_images_dialog.h"
#include "shell/dimension_panels.h"
#include "shell/element_dialogs.h"
#include "shell/element_marking_tools.h"
#include "shell/elements_binding.h"
#include "shell/fragment_dialog.h"
#include "shell/frame_face.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "stages/points_elements/element_input.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/points.h"
#include "stages/points_elements/symbol_input.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

ElementInput image_input;
// The conventional symbol or image chosen for state 11.
SymbolInput symbol_input;
HWND image_panel;
// The projection window that receives the element in hand.
uint32_t input_window_number;

// Pixels around a point's mark within which a click takes it.
const int pick_pixels = 6;

// The gap dialog: a number with a decimal point or comma; a text that is
// no number is refused and the dialog stays.
INT_PTR CALLBACK break_gap_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_BREAK_GAP, "10.0");
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            double v = 0;
            if (!typed_number(dialog, IDC_BREAK_GAP, &v) || !std::isfinite(v))
                return element_dialog_refuse(dialog, IDC_BREAK_GAP, "Зазор задан неверно");
            *reinterpret_cast<double*>(GetWindowLongPtrA(dialog, DWLP_USER)) = std::fabs(v);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

ElementInputHooks input_hooks() {
    ElementInputHooks h;
    h.prompt = [](const char* text) { prompt_show(text); };
    h.show_step = [](int step) {
        if (step >= 0) status_show_number(static_cast<unsigned>(step));
    };
    h.message = [](const char* text) { show_program_message(text); };
    h.save = [] { drawing_save(); };
    h.break_gap = ask_break_gap;
    h.store.checkpoint = [](unsigned char* projection) {
        drawing_checkpoint(1, default_undo_description());
        return projection;
    };
    h.store.auto_dimensions = generator_auto_dimensions;
    return h;
}

struct ToolState {
    int id;
    int state;
};
const ToolState tools[] = {
    {IDC_IMAGE_LINE, input_line},           {IDC_IMAGE_CIRCLE, input_circle},
    {IDC_IMAGE_ARC_BY_CENTRE, input_arc_centre}, {IDC_IMAGE_ARC_BY_POINTS, input_arc_points},
    {IDC_IMAGE_ELLIPSE, input_ellipse},     {IDC_IMAGE_ELLIPSE_ARC, input_elliptic_arc},
    {IDC_IMAGE_WAVY_LINE, input_wavy},      {IDC_IMAGE_SPLINE, input_bezier},
    {IDC_IMAGE_SMOOTH_CURVE, input_curve},  {IDC_IMAGE_BREAK, input_break},
};

ViewTransform window_transform(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

template <typename Op>
void with_projection(ProjectionWindow* w, Op op) {
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) { op(df, p); });
}

// The reference point of the projection nearest the pixel, within the pick
// distance: a copy of its record, empty when none.
std::string point_under(DrawingFile* df, unsigned char* projection, const ViewTransform* t, int x, int y) {
    std::string best;
    long best_d = (pick_pixels + 1) * (pick_pixels + 1) * 2;
    RecordRef* head = projection_chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        long dx = view_x_to_pixel(t, get_f64(r, point_sketch_x)) - x;
        long dy = view_y_to_pixel(t, get_f64(r, point_sketch_y)) - y;
        if (dx > pick_pixels || dx < -pick_pixels || dy > pick_pixels || dy < -pick_pixels) continue;
        if (dx * dx + dy * dy < best_d) {
            best_d = dx * dx + dy * dy;
            best.assign(reinterpret_cast<const char*>(r), point_record_size);
        }
    }
    return best;
}

// The point a click gives to the input: with Ctrl the reference-point
// click's answer (the point under the cursor, else a new one made there),
// otherwise the nearest point within the pick distance.
std::string point_for_click(DrawingFile* df, unsigned char* projection, const ViewTransform& t, int x, int y,
                            bool ctrl) {
    if (!ctrl) return point_under(df, projection, &t, x, y);
    PointContext ctx;
    ctx.df = df;
    ctx.projection = projection;
    ctx.view = t;
    ctx.stage = current_stage;
    const int half_x = settings_i32(settings_point_mark_half_width_offset);
    const int half_y = settings_i32(settings_point_mark_half_height_offset);
    ctx.mark_half_x = half_x > 0 && half_x < 50 ? half_x : 3;
    ctx.mark_half_y = half_y > 0 && half_y < 50 ? half_y : 3;
    PointCopy p;
    if (!ref_point_take_or_create(ctx, x, y, pick_pixels, &p, nullptr)) return std::string();
    return std::string(reinterpret_cast<const char*>(p.bytes), point_record_size);
}

void enable_finish(HWND panel) {
    if (panel) EnableWindow(GetDlgItem(panel, IDC_IMAGE_FINISH_CURVE), image_input.state == input_curve);
}

// Leaving a selection state clears the marks of the input window.
void leave_selection() {
    if (image_input.state != input_marking && image_input.state != input_levels) return;
    marking_reset();
    if (ProjectionWindow* w = image_window())
        with_projection(w, [](DrawingFile* df, unsigned char* p) { elements_unmark_all(df, p); });
}

// A tool button: the input in hand is given up (the drawing saved) and the
// state begins with its prompt.
void choose_state(HWND panel, int state) {
    leave_selection();
    fragment_tool_cancel();
    element_input_choose(image_input, state, input_hooks());
    enable_finish(panel);
    marking_panel_refresh(panel, state);
}

// The conventional-image command: the list dialog chooses the symbol or
// image, and the next clicks on reference points place it.
void choose_symbol(HWND panel) {
    choose_state(panel, input_symbol);
    symbol_input = SymbolInput();
    ConventionalImageChoice choice;
    prompt_show("Выберете и установите условное изображение");
    if (conventional_image_list_dialog(GetActiveWindow(), &choice) != IDOK ||
        !symbol_input_choose(symbol_input, choice.code, choice.below)) {
        image_input.state = input_idle;
        symbol_input = SymbolInput();
        return;
    }
    prompt_show("Выберете и установите условное изображение");
    status_show_pair(static_cast<unsigned>(symbol_input.needed), 0);
}

// A click at state 11: the point under the cursor goes to the symbol in
// hand; a stored four-point picture symbol has its picture prepared.
void symbol_click(ProjectionWindow* w, const ViewTransform& t, int x, int y, bool ctrl) {
    RecordRef stored = 0;
    int result = 0;
    with_projection(w, [&](DrawingFile* df, unsigned char* p) {
        std::string point = point_for_click(df, p, t, x, y, ctrl);
        if (point.empty()) return;
        uint32_t number = 0;
        result = symbol_input_click(symbol_input, df, &p, reinterpret_cast<const unsigned char*>(point.data()),
                                    input_hooks().store, &stored, &number, ctrl);
        error_flag = 0;
    });
    if (result == 1 || result == 0) status_show_pair(static_cast<unsigned>(symbol_input.needed),
                                                      symbol_input.element.empty() ? 0u
                                                      : get_u16(symbol_input.element.data(), element_symbol_count));
    if (result != 2) return;
    status_show_pair(static_cast<unsigned>(symbol_input.needed), 0);
    InvalidateRect(w->window, nullptr, TRUE);
    if (symbol_input.needed == 4 && symbol_input.code >= picture_symbol_first_code)
        start_symbol_picture_thread(w, stored);
}

INT_PTR CALLBACK image_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        image_panel = dialog;
        current_line_type = 1;
        HWND types = GetDlgItem(dialog, IDC_IMAGE_LINE_TYPES);
        for (int i = 0; i < line_type_count; ++i)
            SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line_type_name(line_type_codes[i])));
        SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(line_type_position(current_line_type)), 0);
        image_input = ElementInput();
        marking_reset();
        enable_finish(dialog);
        marking_panel_refresh(dialog, image_input.state);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        for (const ToolState& t : tools) {
            if (t.id != id) continue;
            choose_state(dialog, t.state);
            return TRUE;
        }
        if (id == IDC_IMAGE_SYMBOL) {
            choose_symbol(dialog);
            return TRUE;
        }
        if (id == IDC_IMAGE_MARKING || id == IDC_IMAGE_VISIBILITY_LEVELS) {
            choose_state(dialog, id == IDC_IMAGE_MARKING ? input_marking : input_levels);
            return TRUE;
        }
        if (id == IDC_FRG_REPLACE_START && lparam) {
            // A replacement chosen in the projection dialog: the fragment
            // tool takes the binding points on the replacing fragment.
            choose_state(dialog, input_idle);
            if (fragment_replacement_start(*reinterpret_cast<const FragmentReplaceRequest*>(lparam)))
                image_input.state = input_fragment;
            return TRUE;
        }
        if (id == IDC_IMAGE_FRAGMENT) {
            // The insertion modes first; the clicks follow unless they were refused.
            choose_state(dialog, input_idle);
            if (fragment_tool_start(dialog)) image_input.state = input_fragment;
            return TRUE;
        }
        if (marking_command(dialog, id, HIWORD(wparam), image_input.state)) return TRUE;
        if (id == IDC_IMAGE_FINISH_CURVE) {
            with_projection(projection_window_active(), [](DrawingFile* df, unsigned char* p) {
                finish_smooth_curve(image_input, df, &p, input_hooks());
            });
            return TRUE;
        }
        if (id == IDC_IMAGE_LINE_TYPES && HIWORD(wparam) == CBN_SELCHANGE) {
            LRESULT sel = SendMessageA(GetDlgItem(dialog, IDC_IMAGE_LINE_TYPES), CB_GETCURSEL, 0, 0);
            if (sel >= 0 && sel < line_type_count && line_type_codes[sel] == current_line_type) {
                // The type already current goes to the marked elements.
                marking_command(dialog, IDC_IMAGE_APPLY_LINE_TYPE, 0, image_input.state);
            } else if (sel >= 0 && sel < line_type_count) {
                current_line_type = line_type_codes[sel];
                std::string text = std::string("Выбран новый тип линий \"") + current_line_type_name() + "\"";
                prompt_show(text.c_str());
            }
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        if (image_panel == dialog) {
            leave_selection();
            cancel_element_input(image_input, input_hooks());
            fragment_tool_cancel();
            image_input.state = input_idle;
            image_panel = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

double ask_break_gap() {
    double gap = 10.0;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_BREAK_GAP), GetActiveWindow(), break_gap_proc,
                    reinterpret_cast<LPARAM>(&gap));
    return gap;
}

int image_stage_state() { return image_input.state; }

int image_stage_click(HWND window, int x, int y, WPARAM keys) {
    if (current_stage != 3 || image_input.state == input_idle) return 0;
    if (image_input.state == input_marking || image_input.state == input_levels)
        return marking_left_down(window, x, y, keys, image_input.state);
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return 0;
    if (image_input.state == input_fragment) {
        // The fragment tool takes points of several projections; the
        // insertion runs outside the projection's lock (it takes its own).
        ViewTransform ft = window_transform(w);
        std::string point;
        with_projection(w, [&](DrawingFile* df, unsigned char* p) { point = point_under(df, p, &ft, x, y); });
        if (point.size() == point_record_size) {
            const unsigned char* r = reinterpret_cast<const unsigned char*>(point.data());
            bool replacing = fragment_replacement_pending();
            fragment_tool_click(window, w->number, get_u32(r, point_number),
                                Point2{get_f64(r, point_sketch_x), get_f64(r, point_sketch_y)});
            // A replacement ends the tool, done or not.
            if (replacing && !fragment_replacement_pending()) image_input.state = input_idle;
        }
        return 1;
    }
    // Input moves to another window: the element in hand is given up, so
    // that no element takes points of two projections.
    if (w->number != input_window_number) {
        if (image_input.step > 0) {
            int state = image_input.state;
            cancel_element_input(image_input, input_hooks());
            image_input.state = state;
        }
        symbol_input_cancel(symbol_input);
        input_window_number = w->number;
    }
    ViewTransform t = window_transform(w);
    if (image_input.state == input_symbol) {
        symbol_click(w, t, x, y, (keys & MK_CONTROL) != 0);
        return 1;
    }
    const bool ctrl = (keys & MK_CONTROL) != 0;
    with_projection(w, [&](DrawingFile* df, unsigned char* p) {
        std::string point = point_for_click(df, p, t, x, y, ctrl);
        if (point.empty()) return;
        element_input_click(image_input, df, &p, reinterpret_cast<const unsigned char*>(point.data()), ctrl,
                            input_hooks());
        error_flag = 0;
    });
    return 1;
}

namespace {
int image_stage_move(HWND window, int x, int y, WPARAM keys) {
    if (current_stage != 3) return 0;
    return marking_mouse_move(window, x, y, keys);
}
int image_stage_up(HWND window, int x, int y, WPARAM keys) {
    if (current_stage != 3) return 0;
    return marking_left_up(window, x, y, keys, image_input.state);
}
}  // namespace

void element_panel_bind() {
    stage_tools[3].panel_procedure = image_panel_proc;
    stage_tools[3].left_down = image_stage_click;
    stage_tools[3].mouse_move = image_stage_move;
    stage_tools[3].left_up = image_stage_up;
    stage_tools[3].paint_over = marking_paint_over;
    marking_walk_bind();
}
