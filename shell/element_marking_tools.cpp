// The image stage's marking tools in the projection windows and on the
// panel: a click marks the element under it (with its contour or fragment
// unless Shift is held), a drag draws a rubber band that marks what it
// crosses, the level distribution takes a near and a far object, and the
// panel commands delete, group and inspect what is marked.
#include "shell/element_marking_tools.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "geometry/transforms.h"
#include "render/contours/contour_clip.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"
#include "shell/bar_dialog.h"
#include "shell/context_menus.h"
#include "shell/element_dialogs.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "shell/view_picking.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/bars_contour.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

std::function<int(int code)> element_question;

namespace {

// Pixels around an element within which a click takes it; a drag shorter
// than this is a click.
const int pick_pixels = 5;

struct Band {
    HWND window = nullptr;
    POINT first{};
    POINT current{};
    bool active = false;
    bool dragged = false;
};
Band band;

uint32_t chosen_element;    // chosen in the marked list for the length dialog
uint32_t near_element;      // first pick of the level distribution
bool near_single;
int level_shown;            // last level shown by the next-level command

ViewTransform transform_of(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

uint16_t layers_of(const ProjectionWindow* w) { return w->visible_layers ? w->visible_layers : 0x00FF; }

void checkpoint_now() { drawing_checkpoint(1, default_undo_description()); }

ContourHooks contour_hooks() {
    ContourHooks h;
    h.checkpoint = [](unsigned char* p) {
        checkpoint_now();
        return p;
    };
    h.prompt = [](const char* t) { prompt_show(t); };
    h.message = [](const char* t) { show_program_message(t); };
    return h;
}

void set_changed(unsigned char* p) {
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | 0x0200));
}

// The view is screened again after a change of its contours.
void screen_again(unsigned char* p) {
    if (get_u32(p, projection_contours)) rebuild_view_screening(p);
    else remove_screening_pieces(p);
}

void enable(HWND panel, int id, bool on) {
    if (HWND c = GetDlgItem(panel, id)) EnableWindow(c, on);
}

void prompt_outcome(const MarkOutcome& o) {
    if (o.contour) {
        std::string t = "Помечен";
        contour_describe(t, o.contour_kind, o.contour_level, o.contour, o.contour_length);
        prompt_show(t.c_str());
    } else if (o.fragment) {
        prompt_show("Выделен фрагмент. Его можно удалить.");
    }
}

HWND image_panel() { return stage_panel; }

// The element the paint of a marking click found under the pick marker:
// the element walk has turned its mark already, and hands it on to the
// marking bookkeeping, which this records for the click to finish after
// the paint (the paint holds the drawing lock, the bookkeeping takes the
// document lock).
struct WalkPick {
    bool seen;
    uint32_t projection;
    uint32_t number;
    bool marked;
};
WalkPick walk_pick;

void walk_picked(uint8_t* projection, uint8_t* element) {
    if (walk_pick.seen || !projection || !element) return;
    walk_pick.seen = true;
    walk_pick.projection = get_u32(projection, record_key);
    walk_pick.number = get_u32(element, element_number);
    walk_pick.marked = (get_u16(element, element_flags) & element_flag_marked) != 0;
}

// The element under a click picked through the pick marker, with the mark
// the paint gave it; 0 when the marker picked nothing in w's projection.
uint32_t pick_by_marker(ProjectionWindow* w, int x, int y, bool* marked) {
    walk_pick = WalkPick();
    int drawn = pick_marker_paint_click(w, x, y);
    WalkPick got = walk_pick;
    walk_pick = WalkPick();
    if (!drawn || !got.seen || got.projection != w->number) return 0;
    *marked = got.marked;
    return got.number;
}

}  // namespace

void marking_walk_bind() {
    output_window_seams.mark_element_contour = walk_picked;
    output_window_seams.mark_element_fragment = walk_picked;
    output_window_seams.apply_element_mark = walk_picked;
    output_window_seams.apply_mark_to_curve_pieces = walk_picked;
}

ProjectionWindow* image_window() {
    ProjectionWindow* w = projection_window_active();
    if (!w) w = projection_windows;
    return w;
}

void marking_reset() {
    if (band.active && GetCapture() == band.window) ReleaseCapture();
    band = Band();
    chosen_element = 0;
    near_element = 0;
    near_single = false;
}

void marking_panel_refresh(HWND panel, int state) {
    if (!panel) return;
    ProjectionWindow* w = image_window();
    std::vector<MarkedLine> lines;
    bool member = false, fragment = false, contours = false, screens = false;
    if (w)
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            lines = marked_element_lines(df, p);
            member = marked_contour_member(df, p, nullptr);
            fragment = marked_fragment_element(df, p);
            RecordRef* head = projection_chain(p, projection_contours);
            PageBuffer* b = &page_buffers[table_contours];
            for (unsigned char* c = record_next(df, head, nullptr, b); c; c = record_next(df, head, c, b)) {
                contours = true;
                if ((get_u16(c, contour_flags) & contour_flag_kind) != 2) screens = true;
            }
        }, false);
    bool any = !lines.empty();
    bool selecting = state == 20 || state == 21;
    for (int id : {IDC_IMAGE_DELETE_MARKED, IDC_IMAGE_SCREEN, IDC_IMAGE_SCREEN_HOLE, IDC_IMAGE_ROUTE, IDC_IMAGE_FOLD,
                   IDC_IMAGE_APPLY_LINE_TYPE, IDC_IMAGE_ASSIGN_LEVEL})
        enable(panel, id, any);
    enable(panel, IDC_IMAGE_BAR, any);
    enable(panel, IDC_IMAGE_DELETE_CONTOUR, any && member);
    enable(panel, IDC_IMAGE_DELETE_FRAGMENT, any && fragment);
    enable(panel, IDC_IMAGE_VISIBILITY_LEVELS, contours);
    enable(panel, IDC_IMAGE_DELETE_ALL_CONTOURS, screens);
    enable(panel, IDC_IMAGE_BREAK, screens);
    HWND list = GetDlgItem(panel, IDC_IMAGE_MARKED_LIST);
    if (list) {
        SendMessageA(list, CB_RESETCONTENT, 0, 0);
        for (const MarkedLine& l : lines) {
            LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(l.text.c_str()));
            if (at >= 0) SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(l.number));
        }
        EnableWindow(list, any);
        if (any) SendMessageA(list, CB_SETCURSEL, 0, 0);
    }
    bool info = selecting && (member || chosen_element != 0);
    enable(panel, IDC_IMAGE_INFO, info);
    if (HWND b = GetDlgItem(panel, IDC_IMAGE_INFO))
        hint_set_text(b, chosen_element ? " Изменить длину линии"
                                        : member ? " Информация о контуре\n и фрагменте" : " Сейчас не используется");
    status_show_number(static_cast<unsigned>(lines.size()));
}

int marking_left_down(HWND window, int x, int y, WPARAM keys, int state) {
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return 0;
    ViewTransform t = transform_of(w);
    Point2 at{};
    view_pixel_to_point(&t, x, y, &at);
    double reach = std::fabs(view_pixels_to_length_x(&t, static_cast<float>(pick_pixels)));
    bool single = (keys & MK_SHIFT) != 0;
    // The element drawn under the click, found by the pick marker; where
    // the marker finds none (a click beside a line, or too near the edge
    // for a marker) the nearest element within the pick distance.
    bool marked_by_paint = false;
    uint32_t hit = pick_by_marker(w, x, y, &marked_by_paint);
    const bool by_marker = hit != 0;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        if (!hit) hit = element_hit_test(df, p, at, reach, layers_of(w));
        if (!hit) return;
        if (state == 21) {
            prompt_outcome(by_marker ? element_mark_set(df, p, hit, marked_by_paint, single)
                                     : element_mark_click(df, p, hit, single));
            return;
        }
        // Level distribution: the first pick is the near object, the
        // second the far one.
        if (!near_element) {
            elements_unmark_all(df, p);
            element_number_set_mark(df, p, hit, true);
            near_element = hit;
            near_single = single;
            return;
        }
        checkpoint_now();
        int changed = distribute_levels(df, p, near_element, near_single, hit, single);
        elements_unmark_all(df, p);
        if (changed > 0) {
            set_changed(p);
            screen_again(p);
        }
        near_element = 0;
    });
    if (!hit && state == 21) {
        band.window = window;
        band.first = band.current = POINT{x, y};
        band.active = true;
        band.dragged = false;
        SetCapture(window);
    }
    marking_panel_refresh(image_panel(), state);
    return 1;
}

int marking_mouse_move(HWND window, int x, int y, WPARAM) {
    if (!band.active || band.window != window) return 0;
    RECT old = {std::min(band.first.x, band.current.x), std::min(band.first.y, band.current.y),
                std::max(band.first.x, band.current.x) + 1, std::max(band.first.y, band.current.y) + 1};
    band.current = POINT{x, y};
    LONG lx = x, ly = y;
    RECT now = {std::min(band.first.x, lx), std::min(band.first.y, ly), std::max(band.first.x, lx) + 1,
                std::max(band.first.y, ly) + 1};
    RECT both;
    UnionRect(&both, &old, &now);
    InflateRect(&both, 1, 1);
    if (std::abs(x - band.first.x) > pick_pixels || std::abs(y - band.first.y) > pick_pixels) band.dragged = true;
    InvalidateRect(window, &both, TRUE);
    return 1;
}

int marking_left_up(HWND window, int x, int y, WPARAM keys, int state) {
    if (!band.active || band.window != window) return 0;
    if (GetCapture() == window) ReleaseCapture();
    band.active = false;
    band.current = POINT{x, y};
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w || !band.dragged) {
        InvalidateRect(window, nullptr, TRUE);
        return 1;
    }
    ViewTransform t = transform_of(w);
    Point2 a{}, b{};
    view_pixel_to_point(&t, band.first.x, band.first.y, &a);
    view_pixel_to_point(&t, x, y, &b);
    Box box{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        elements_mark_in_box(df, p, box, layers_of(w), (keys & MK_SHIFT) != 0);
    });
    marking_panel_refresh(image_panel(), state);
    HWND list = GetDlgItem(image_panel(), IDC_IMAGE_MARKED_LIST);
    char text[64];
    std::snprintf(text, sizeof text, "Помечено %i линий",
                  list ? static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0)) : 0);
    prompt_show(text);
    return 1;
}

void marking_paint_over(HWND window, HDC dc) {
    if (!band.active || band.window != window || !band.dragged) return;
    HPEN pen = CreatePen(PS_DOT, 1, settings_u32(settings_marked_colour_offset));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, band.first.x, band.first.y, band.current.x, band.current.y);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
}

namespace {

DeletionHooks deletion_hooks() {
    DeletionHooks h;
    h.checkpoint = [](unsigned char* p) {
        checkpoint_now();
        return p;
    };
    h.bar_deleted = [](unsigned char* p, uint32_t element) {
        if (DrawingFile* df = current_drawing_file()) delete_bar_records(df, p, element);
    };
    return h;
}

// The contour buttons: a contour of `kind` from the marked elements.
uint32_t make_contour(ProjectionWindow* w, int kind, const char* done) {
    uint32_t made = 0;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        checkpoint_now();
        made = contour_create_from_marked(df, &p, kind, contour_hooks());
        if (made) {
            set_changed(p);
            screen_again(p);
        }
    });
    if (made) prompt_show(done);
    return made;
}

void show_next_level(ProjectionWindow* w) {
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        elements_unmark_all(df, p);
        int highest = get_u16(p, projection_highest_level);
        if (highest == 0) {
            prompt_show("Нет распределённых уровней видимости!");
            return;
        }
        for (int tries = 0; tries < 2 * (highest + 1); ++tries) {
            level_shown = level_shown >= highest + 1 ? 1 : level_shown + 1;
            uint32_t contour = 0;
            if (mark_level(df, p, level_shown, &contour) == 0) continue;
            char text[200];
            if (level_shown % 2) {
                std::snprintf(text, sizeof text, "Показаны элементы уровня %u", static_cast<unsigned>(level_shown));
                prompt_show(text);
            } else {
                std::vector<uint32_t> members;
                int kind = 0, level = 0;
                contour_member_list(df, p, contour, &members, &kind, &level);
                std::string t = "Показан";
                contour_describe(t, kind, level, contour, 0);
                prompt_show(t.c_str());
            }
            return;
        }
    });
}

int ask(int code) {
    if (element_question) return element_question(code);
    return ask_confirmation(nullptr, code, "");
}

}  // namespace

int allowance_along_contour(ProjectionWindow* w, int x, int y) {
    if (!w) return IDCANCEL;
    // The contour is sought on a copy of the projection record marked as
    // automatically constructed, so that no gap is closed (which would move
    // element ends), and it is not stored: only its members and its shape
    // are kept for the steps below.
    std::vector<unsigned char> copy;
    with_image_projection(w, [&](DrawingFile*, unsigned char* p) {
        copy.assign(p, p + get_u16(p, record_length));
    }, false);
    if (copy.size() < projection_record_head) return IDCANCEL;
    put_u16(copy.data(), projection_flags,
            static_cast<uint16_t>(get_u16(copy.data(), projection_flags) & ~projection_word_no_auto));
    ViewTransform t = transform_of(w);
    Point2 at{};
    view_pixel_to_point(&t, x, y, &at);
    ContourOutline outline;
    uint8_t* contour = find_closed_contour(copy.data(), at, contour_kind_hole, 1);
    bool found = contour && contour_outline_capture(current_drawing_file(), copy.data(), contour, &outline);
    if (contour) free_contour(contour);
    free_contour_piece_list();
    error_flag = 0;
    if (!found) {
        show_program_message("нет замкнутого контура");
        return IDCANCEL;
    }
    std::set<uint32_t> before;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        before = bar_centre_elements(df, p);
        bars_contour_mark_members(df, p, outline);
    });
    int result = bar_dialog(w, IDD_BAR_CONTOUR);
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        if (result == IDOK && bars_contour_finish(df, p, outline, before) >= 0) {
            set_changed(p);
            screen_again(p);
        }
        elements_unmark_all(df, p);
    });
    return result;
}

bool marking_command(HWND panel, int id, int notification, int state) {
    ProjectionWindow* w = image_window();
    switch (id) {
    case IDC_IMAGE_DELETE_MARKED:
    case IDC_IMAGE_DELETE_FRAGMENT: {
        int deleted = 0;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            deleted = delete_marked_elements(df, &p, id == IDC_IMAGE_DELETE_FRAGMENT, deletion_hooks());
            if (deleted > 0) set_changed(p);
            // The outlines of the bars that remain follow the deletion.
            if (deleted > 0 && projection_has_bars(df, p)) rebuild_bars(df, p);
        });
        if (id == IDC_IMAGE_DELETE_MARKED) prompt_show("Удалены выделенные графические объекты");
        else prompt_show(deleted > 0 ? "Удалены выделенные фрагменты" : "Не выполнено!");
        chosen_element = 0;
        break;
    }
    case IDC_IMAGE_DELETE_CONTOUR: {
        bool done = false;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            uint32_t c = 0;
            if (!marked_contour_member(df, p, &c)) return;
            checkpoint_now();
            done = contour_delete(df, p, c) > 0;
            elements_unmark_all(df, p);
            set_changed(p);
            screen_again(p);
        });
        if (done) prompt_show("Удалён выделенный контур");
        break;
    }
    case IDC_IMAGE_DELETE_ALL_CONTOURS: {
        if (ask(13) != 1) return true;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            checkpoint_now();
            contours_delete_all(df, p);
            set_changed(p);
            remove_screening_pieces(p);
        });
        prompt_show("Удалены все контура");
        break;
    }
    case IDC_IMAGE_SCREEN: make_contour(w, 0, "Создан контур непрозрачного экрана"); break;
    case IDC_IMAGE_SCREEN_HOLE: make_contour(w, 1, "Создан контур отверстия в непрозрачном экране"); break;
    case IDC_IMAGE_ROUTE: make_contour(w, 4, "Создан маршрут"); break;
    case IDC_IMAGE_FOLD: {
        uint32_t fold = make_contour(w, 6, "Создана складка");
        if (fold) fold_dialog(w, fold);
        break;
    }
    case IDC_IMAGE_NEXT_LEVEL: show_next_level(w); break;
    // The panel's button and the context menu's "Назначить уровень видимости".
    case IDC_IMAGE_ASSIGN_LEVEL:
    case IDM_IMAGE_VISIBILITY_LEVEL: visibility_level_dialog(w); break;
    case IDC_IMAGE_LAYERS: layers_dialog(w); break;
    case IDC_IMAGE_BAR: bar_dialog(w); break;
    case IDM_IMAGE_ADD_ALLOWANCE: {
        ProjectionWindow* clicked = nullptr;
        int x = 0, y = 0;
        if (context_menu_last_click(&clicked, &x, &y) && clicked == w) allowance_along_contour(w, x, y);
        break;
    }
    case IDM_IMAGE_REMOVE_ALLOWANCE: {
        // Every bar of the projection goes, after the question and a
        // checkpoint, so that undo brings them back.
        bool any = false;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) { any = projection_has_bars(df, p); }, false);
        if (!any || ask(13) != 1) return true;
        int deleted = 0;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            checkpoint_now();
            deleted = bars_delete_all(df, p);
            if (deleted > 0) set_changed(p);
        });
        if (deleted > 0) prompt_show("Удалены все бруски");
        break;
    }
    case IDC_IMAGE_INFO:
        if (state != 20 && state != 21) return true;
        if (chosen_element) line_length_dialog(w, chosen_element);
        else contour_info_dialog(w);
        chosen_element = 0;
        break;
    case IDC_IMAGE_APPLY_LINE_TYPE: {
        int changed = 0;
        with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
            if (!marked_element_lines(df, p).empty()) checkpoint_now();
            changed = marked_apply_line_type(df, p, current_line_type);
            if (changed) set_changed(p);
        });
        prompt_show("Выделенные элементы получили заданный тип линии");
        break;
    }
    case IDC_IMAGE_MARKED_LIST: {
        if (notification != CBN_SELCHANGE && notification != CBN_SELENDOK) return true;
        HWND list = GetDlgItem(panel, IDC_IMAGE_MARKED_LIST);
        LRESULT sel = SendMessageA(list, CB_GETCURSEL, 0, 0);
        if (sel < 0) return true;
        uint32_t number = static_cast<uint32_t>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
        double length = 0;
        if (w) {
            DrawingFile* df = current_drawing_file();
            RecordRef at = w->record_ref;
            unsigned char* p = df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
            if (p) {
                unsigned char copy[projection_record_max] = {};
                std::memcpy(copy, p, std::min<size_t>(get_u16(p, record_length), sizeof copy));
                length = elements_total_length(copy, number);
            }
        }
        if (length != 0) {
            char text[120];
            std::snprintf(text, sizeof text, "Элемент %lu, текущая длина - %lf мм", static_cast<unsigned long>(number),
                          length);
            prompt_show(text);
            chosen_element = number;
            enable(panel, IDC_IMAGE_INFO, state == 20 || state == 21);
            if (HWND b = GetDlgItem(panel, IDC_IMAGE_INFO)) hint_set_text(b, " Изменить длину линии");
        }
        return true;
    }
    default: return false;
    }
    marking_panel_refresh(panel, state);
    if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
    return true;
}
