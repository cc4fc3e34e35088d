// The point properties dialog ("Свойства точки" of the reference-point
// stage's context menu, template 641): the flags of the current point and
// of every point on its pixel, stepped through with the scroll bar, and
// the transformation of the whole projection (scales, turn, mirror) about
// the current point.  The drawing changes only on "Да".
#include "shell/point_properties_dialog.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "geometry/extents.h"
#include "geometry/text_numbers.h"
#include "render/contours/contour_clip.h"
#include "shell/element_dialogs.h"
#include "shell/elements_binding.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/resource_ids.h"
#include "stages/points_elements/point_info.h"
#include "stages/points_elements/point_properties.h"
#include "stages/points_elements/points_transform.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

bool point_route_lengths_mode = false;

namespace {

struct PropertiesState {
    ProjectionWindow* window;
    std::vector<PointCopy> list;
    size_t shown = 0;
    bool routes = false;
    bool routes_allowed = false;
    bool has_contours = false;
    bool transform_allowed = false;
    std::vector<bool> used_by_element;
    double scale_x = 1, scale_y = 1, angle = 0, mirror = 1;
    uint32_t result_point = 0;
};

const struct {
    int id;
    PointPropertyFlag flag;
} flag_boxes[] = {
    {IDC_POINTPROP_SHOW_NUMBER, point_property_show_number}, {IDC_POINTPROP_ORIGIN, point_property_origin},
    {IDC_POINTPROP_ANNOTATION, point_property_annotation},   {IDC_POINTPROP_FIXED, point_property_fixed},
    {IDC_POINTPROP_PRIORITY, point_property_priority},
};
const int transform_ids[] = {IDC_POINTPROP_SCALE_LABEL, IDC_POINTPROP_SCALE_X, IDC_POINTPROP_SCALE_Y,
                             IDC_POINTPROP_ANGLE_LABEL, IDC_POINTPROP_ANGLE,   IDC_POINTPROP_MIRROR};

ViewTransform view_of(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

void enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

// The information line of the entry, or in the route-length mode the
// routes through its point when there are any.
std::string info_text(PropertiesState* s, const PointCopy& p) {
    std::string text = point_info_text(nullptr, nullptr, p);
    with_image_projection(s->window, [&](DrawingFile* df, unsigned char* projection) {
        text = point_info_text(df, projection, p);
        if (!s->routes) return;
        std::string routes = route_lengths_text(routes_through_point(df, projection, p.number()));
        if (!routes.empty()) text = routes;
    }, false);
    return text;
}

void show_entry(HWND dialog, PropertiesState* s) {
    const PointCopy& p = s->list[s->shown];
    char title[80] = "Опорная точка";
    if (s->list.size() > 1)
        std::snprintf(title, sizeof title, "Опорная точка %u из %u", static_cast<unsigned>(s->shown + 1),
                      static_cast<unsigned>(s->list.size()));
    SetWindowTextA(dialog, title);
    SetDlgItemTextA(dialog, IDC_POINTPROP_INFO, info_text(s, p).c_str());
    for (const auto& b : flag_boxes)
        CheckDlgButton(dialog, b.id, point_property(p, b.flag) ? BST_CHECKED : BST_UNCHECKED);
    enable(dialog, IDC_POINTPROP_ANNOTATION, !(p.flags() & point_flag_no_dimension));
    uint16_t f2 = p.flags2();
    bool fixed_free = !(f2 & point_flag2_hidden_a);
    enable(dialog, IDC_POINTPROP_FIXED, fixed_free);
    enable(dialog, IDC_POINTPROP_HIDE,
           fixed_free ? (f2 & point_flag2_shadow) != 0 : !s->used_by_element[s->shown]);
    enable(dialog, IDC_POINTPROP_ORIGIN, true);
    if (f2 & point_flag2_shadow2) {
        enable(dialog, IDC_POINTPROP_FIXED, false);
        enable(dialog, IDC_POINTPROP_ORIGIN, false);
    }
    const char* note = "";
    if (f2 & point_flag2_bezier_control) {
        enable(dialog, IDC_POINTPROP_ORIGIN, false);
        enable(dialog, IDC_POINTPROP_FIXED, false);
        note = "Контрольная точка сплайна Безье";
    }
    SetDlgItemTextA(dialog, IDC_POINTPROP_NOTE, point_fragment_note(note, get_u16(p.bytes, point_fragment)).c_str());
    CheckRadioButton(dialog, IDC_POINTPROP_COORDINATES, IDC_POINTPROP_ROUTES,
                     s->routes ? IDC_POINTPROP_ROUTES : IDC_POINTPROP_COORDINATES);
}

// A scale field: its absolute value, 0 (or no number) taken as 1, written
// back as a number.
void read_scale(HWND dialog, int id, double* out) {
    double v = 0;
    if (!typed_number(dialog, id, &v)) v = 0;
    *out = transform_scale_typed(v);
    char text[40];
    format_number_by_magnitude(text, sizeof text, *out);
    SetDlgItemTextA(dialog, id, text);
}

void read_angle(HWND dialog, double* out) {
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_POINTPROP_ANGLE, text, sizeof text);
    int kind = 0;
    double a = parse_angle(text, &kind);
    *out = std::isfinite(a) ? a : 0;
    char shown[64];
    format_dimension_value(shown, sizeof shown, *out, 3, 0);
    SetDlgItemTextA(dialog, IDC_POINTPROP_ANGLE, shown);
}

void apply(PropertiesState* s, bool transform) {
    ProjectionWindow* w = s->window;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        point_properties_store(df, p, s->list);
        if (!transform) return;
        uint16_t description[20] = {};
        text_pack("Преобразование проекции", description, sizeof description);
        drawing_checkpoint_numbered(1, description, get_u32(p, record_key));
        PointContext ctx;
        ctx.df = df;
        ctx.projection = p;
        ctx.view = view_of(w);
        ctx.hooks.rebuild = [](unsigned char* projection, uint32_t) { elements_rebuild_projection(projection, false); };
        if (transform_projection(ctx, s->list[0].number(), s->scale_x, s->scale_y, s->angle, s->mirror) > 0) {
            if (get_u32(p, projection_contours)) rebuild_view_screening(p);
            projection_compute_extents(p, 0);
        }
    });
}

INT_PTR CALLBACK properties_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    PropertiesState* s = reinterpret_cast<PropertiesState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        s = reinterpret_cast<PropertiesState*>(lparam);
        HWND bar = GetDlgItem(dialog, IDC_POINTPROP_SCROLL);
        if (s->list.size() < 2) {
            DestroyWindow(bar);
        } else {
            SetScrollRange(bar, SB_CTL, 0, static_cast<int>(s->list.size()) - 1, FALSE);
            SetScrollPos(bar, SB_CTL, 0, TRUE);
            enable(dialog, IDC_POINTPROP_PRIORITY, true);
        }
        enable(dialog, IDC_POINTPROP_TRANSFORM, s->transform_allowed);
        enable(dialog, IDC_POINTPROP_ROUTES, s->routes_allowed);
        // Routes exist but their lengths follow only the sketch positions:
        // both radio buttons tell how to unlock them.
        if (s->has_contours && !s->routes_allowed) {
            static const char unlock[] =
                " Для разблокировки просмотра длин маршрутов необходимо в\n свойствах проекции указать - "
                "\"Не выполнять автопостроения\"\n (потом не забыть убрать этот признак!)";
            hint_add(dialog, GetDlgItem(dialog, IDC_POINTPROP_COORDINATES), unlock);
            hint_add(dialog, GetDlgItem(dialog, IDC_POINTPROP_ROUTES), unlock);
        }
        SetDlgItemTextA(dialog, IDC_POINTPROP_SCALE_X, "<X>");
        SetDlgItemTextA(dialog, IDC_POINTPROP_SCALE_Y, "<Y>");
        SetDlgItemTextA(dialog, IDC_POINTPROP_ANGLE, "0°");
        show_entry(dialog, s);
        element_dialog_announce(dialog, IDD_POINT_PROPERTIES);
        return TRUE;
    }
    case WM_DESTROY:
        hints_remove_dialog(dialog);
        return FALSE;
    case WM_VSCROLL: {
        if (!s || reinterpret_cast<HWND>(lparam) != GetDlgItem(dialog, IDC_POINTPROP_SCROLL)) return FALSE;
        int code = LOWORD(wparam);
        if (code == SB_LINEUP && s->shown > 0) --s->shown;
        else if (code == SB_LINEDOWN && s->shown + 1 < s->list.size()) ++s->shown;
        else return TRUE;
        SetScrollPos(GetDlgItem(dialog, IDC_POINTPROP_SCROLL), SB_CTL, static_cast<int>(s->shown), TRUE);
        s->result_point = s->list[s->shown].number();
        show_entry(dialog, s);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!s) return FALSE;
        int id = LOWORD(wparam), note = HIWORD(wparam);
        for (const auto& b : flag_boxes)
            if (id == b.id && note == BN_CLICKED) {
                point_property_set(s->list, s->shown, b.flag, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
                show_entry(dialog, s);
                return TRUE;
            }
        if ((id == IDC_POINTPROP_COORDINATES || id == IDC_POINTPROP_ROUTES) && note == BN_CLICKED) {
            s->routes = id == IDC_POINTPROP_ROUTES && s->routes_allowed;
            point_route_lengths_mode = s->routes;
            show_entry(dialog, s);
            return TRUE;
        }
        if (id == IDC_POINTPROP_TRANSFORM && note == BN_CLICKED) {
            bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
            for (int t : transform_ids) enable(dialog, t, on);
            return TRUE;
        }
        if (id == IDC_POINTPROP_MIRROR && note == BN_CLICKED) {
            s->mirror = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? -1 : 1;
            return TRUE;
        }
        if (id == IDC_POINTPROP_SCALE_X || id == IDC_POINTPROP_SCALE_Y || id == IDC_POINTPROP_ANGLE) {
            char text[64] = {};
            GetDlgItemTextA(dialog, id, text, sizeof text);
            if (note == EN_SETFOCUS && text[0] == '<') SetDlgItemTextA(dialog, id, "");
            if (note == EN_KILLFOCUS) {
                if (id == IDC_POINTPROP_ANGLE) read_angle(dialog, &s->angle);
                else read_scale(dialog, id, id == IDC_POINTPROP_SCALE_X ? &s->scale_x : &s->scale_y);
            }
            return TRUE;
        }
        if (id == IDC_POINTPROP_HELP) {
            help_open(25);
            return TRUE;
        }
        if (id == IDOK) {
            bool transform = IsDlgButtonChecked(dialog, IDC_POINTPROP_TRANSFORM) == BST_CHECKED;
            if (transform) {
                char text[64] = {};
                GetDlgItemTextA(dialog, IDC_POINTPROP_SCALE_X, text, sizeof text);
                if (text[0] != '<') read_scale(dialog, IDC_POINTPROP_SCALE_X, &s->scale_x);
                GetDlgItemTextA(dialog, IDC_POINTPROP_SCALE_Y, text, sizeof text);
                if (text[0] != '<') read_scale(dialog, IDC_POINTPROP_SCALE_Y, &s->scale_y);
                read_angle(dialog, &s->angle);
            }
            HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            apply(s, transform);
            SetCursor(old);
            element_dialog_finish(dialog, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            element_dialog_finish(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

}  // namespace

uint32_t point_properties_dialog(ProjectionWindow* w, uint32_t point) {
    PropertiesState s{};
    s.window = w;
    s.result_point = point;
    if (!w || !point) return point;
    ViewTransform view = view_of(w);
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        s.list = points_on_pixel(df, p, &view, point);
        for (const PointCopy& q : s.list) {
            RecordRef cursor = 0;
            s.used_by_element.push_back(element_next_using_point(df, p, q.number(), &cursor, nullptr) != nullptr);
        }
        uint16_t flags = get_u16(p, projection_flags);
        s.has_contours = get_u32(p, projection_contours) != 0;
        s.routes_allowed = s.has_contours && (flags & projection_word_no_auto);
        if (!s.routes_allowed) point_route_lengths_mode = false;
        s.routes = point_route_lengths_mode;
        bool guarded = df->header && (get_u16(df->header, header_options2) & header_opt2_transform_guard);
        s.transform_allowed = get_u32(p, projection_dimensions) == 0 || !guarded;
    }, false);
    if (s.list.empty()) return point;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_POINT_PROPERTIES), GetActiveWindow(),
                    properties_proc, reinterpret_cast<LPARAM>(&s));
    if (w->window) InvalidateRect(w->window, nullptr, TRUE);
    return s.result_point;
}
