// Picking in a projection window of the running program by the pick marker:
// a click of the image stage's marking tool marks the element drawn under
// the click (the first one the paint draws over the marker, not the nearest
// one by geometry), a click of the annotation stage's move tool takes the
// leader drawn under it (and its right click opens that leader's
// properties), the tolerance tool binds its designation to the element
// drawn under the click and the roughness tool puts its sign on the leader
// drawn there (each taking the nearest object where the marker finds
// nothing), and a click of the dimension stage that its tool fails on
// leaves no marker behind.  The drawing is a new one from the
// wizard, with records added to its one view.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "annotation/annotation_tools.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/documents.h"
#include "geometry/transforms.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"
#include "shell/annotation_properties_win.h"
#include "shell/commands.h"
#include "shell/element_dialogs.h"
#include "shell/elements_binding.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "shell/view_picking.h"
#include "stages/points_elements/element_marking.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "tests/win32_shell/shell_fixture.h"

namespace {

// What the walks' marker test reported as drawn over the marker.
struct Hit {
    int stage;
    std::vector<uint8_t> record;
};
std::vector<Hit> hits;
int (*real_damaged)(OutputView*, int, const uint8_t*);
int spy_damaged(OutputView* view, int stage, const uint8_t* rec) {
    int r = real_damaged(view, stage, rec);
    if (r && rec) hits.push_back({stage, std::vector<uint8_t>(rec, rec + get_u16(rec, record_length))});
    return r;
}

// A new drawing from the wizard, its one window maximised, the marker
// test watched; closed again (without saving) at the end.
class ProjectionPicking : public WizardDrawingTest {
protected:
    ViewTransform t{};
    int cx = 0, cy = 0;

    void SetUp() override {
        WizardDrawingTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(w->next, nullptr);
        SendMessageA(mdi_client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(w->window), 0);
        pump_messages(100);
        RECT c;
        GetClientRect(w->window, &c);
        ASSERT_GT(c.right, 100);
        ASSERT_GT(c.bottom, 100);
        cx = c.right / 2;
        cy = c.bottom / 2;
        t = projection_window_transform(w);
        real_damaged = output_window_seams.pick_marker_damaged;
        output_window_seams.pick_marker_damaged = spy_damaged;
        hits.clear();
    }
    void TearDown() override {
        output_window_seams.pick_marker_damaged = real_damaged;
        pick_marker_reset();
        WizardDrawingTest::TearDown();
    }

    // The model point drawn at client pixel (x, y); checked to map back.
    Point2 model_at(int x, int y) {
        Point2 p{};
        view_pixel_to_point(&t, x, y, &p);
        EXPECT_EQ(view_x_to_pixel(&t, p.x), x);
        EXPECT_EQ(view_y_to_pixel(&t, p.y), y);
        return p;
    }

    void click(int x, int y, WPARAM keys = 0) {
        SendMessageA(w->window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
        SendMessageA(w->window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
        pump_messages(50);
    }
};

// Segment elements 1 and 2, each a horizontal line across the click's
// column on a client row; element 1 comes first in the chain, so the paint
// draws it first.
void add_lines(ProjectionWindow* w, const Point2 rows[2][2], int line_type = 1) {
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        for (int i = 0; i < 2; ++i) {
            uint8_t rec[element_size2] = {};
            put_u16(rec, record_length, element_size2);
            put_u32(rec, element_number, static_cast<uint32_t>(i + 1));
            put_u16(rec, element_flags, static_cast<uint16_t>(element_kind_segment | (line_type << 4)));
            put_f64(rec, element_coords2, rows[i][0].x);
            put_f64(rec, element_coords2 + 8, rows[i][0].y);
            put_f64(rec, element_coords2 + 16, rows[i][1].x);
            put_f64(rec, element_coords2 + 24, rows[i][1].y);
            ASSERT_NE(record_add(df, projection_chain(p, projection_elements), rec, &page_buffers[table_elements]), 0u);
        }
        std::vector<uint32_t> order;
        RecordRef* head = projection_chain(p, projection_elements);
        for (uint8_t* e = record_next(df, head, nullptr, &page_buffers[table_elements]); e;
             e = record_next(df, head, e, &page_buffers[table_elements]))
            order.push_back(get_u32(e, element_number));
        ASSERT_EQ(order, (std::vector<uint32_t>{1, 2}));
    });
}

bool marked(ProjectionWindow* w, uint32_t number) {
    bool m = false;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) { m = element_number_marked(df, p, number); }, false);
    return m;
}

}  // namespace

// Element 1 one row below the click, element 2 on the click's row: the
// nearest element is 2, but the marker's square is drawn over by element 1
// first, and that is the one marked.  A second click there unmarks it; a
// click far from both marks nothing.
TEST_F(ProjectionPicking, TheImageStageMarksTheElementDrawnOverTheMarker) {
    const Point2 rows[2][2] = {{model_at(cx - 60, cy + 1), model_at(cx + 60, cy + 1)},
                               {model_at(cx - 60, cy), model_at(cx + 60, cy)}};
    add_lines(w, rows);
    dispatch_menu_command(IDM_STAGE_IMAGE);
    pump_messages(50);
    ASSERT_EQ(current_stage, 3);
    SendMessageA(stage_panel, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_MARKING, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(stage_panel, IDC_IMAGE_MARKING)));
    ASSERT_EQ(image_stage_state(), 21);

    click(cx, cy);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].stage, 3);
    EXPECT_EQ(get_u32(hits[0].record.data(), element_number), 1u);
    EXPECT_TRUE(marked(w, 1));
    EXPECT_FALSE(marked(w, 2));
    // The paint that picked has put its marker away.
    int x = 0, y = 0;
    EXPECT_EQ(pick_marker_position(&x, &y), 0);

    hits.clear();
    click(cx, cy);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_FALSE(marked(w, 1));
    EXPECT_FALSE(marked(w, 2));

    hits.clear();
    click(cx, cy - 40);
    EXPECT_TRUE(hits.empty());
    EXPECT_FALSE(marked(w, 1));
    EXPECT_FALSE(marked(w, 2));
}

// A leader whose shelf runs through the click: the move tool's click takes
// it through the marker (the walk's test reports the leader's record) and
// starts dragging it; a right click there opens its properties.
TEST_F(ProjectionPicking, TheAnnotationStageMoveToolTakesTheLeaderDrawnOverTheMarker) {
    Point2 at = model_at(cx, cy);
    RecordRef leader = 0;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        RecordBytes rec = build_new_leader(at.x, at.y);
        leader = record_add(df, projection_chain(p, projection_annotations), rec.data(), &page_buffers[table_annotation]);
    });
    ASSERT_NE(leader, 0u);
    current_stage = 5;
    annotation_stage_reset(&annotation_stage);
    ASSERT_EQ(annotation_stage.tool, annotation_tool_move);

    SendMessageA(w->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits[0].stage, 5);
    EXPECT_EQ(hits[0].record[record_kind], annotation_leader);
    EXPECT_EQ(annotation_stage.selected_annotation_ref, leader);
    EXPECT_TRUE(annotation_stage.crosshair_active);
    SendMessageA(w->window, WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
    pump_messages(50);
    EXPECT_FALSE(annotation_stage.crosshair_active);

    // The right click on it opens its properties (answered "Отказаться").
    hits.clear();
    static std::vector<int> shown;
    shown.clear();
    properties_dialog_shown = [](HWND d, int id) {
        shown.push_back(id);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    };
    HANDLE before = worker_thread;
    SendMessageA(w->window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(cx, cy));
    SendMessageA(w->window, WM_RBUTTONUP, 0, MAKELPARAM(cx, cy));
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits[0].stage, 5);
    EXPECT_EQ(hits[0].record[record_kind], annotation_leader);
    ASSERT_NE(worker_thread, before) << "no properties after the right click";
    DWORD r = WAIT_TIMEOUT;
    for (int i = 0; i < 400 && r == WAIT_TIMEOUT; ++i) {
        r = MsgWaitForMultipleObjects(1, &worker_thread, FALSE, 50, QS_ALLINPUT);
        pump_messages(0);
        if (r == WAIT_OBJECT_0 + 1) r = WAIT_TIMEOUT;
    }
    properties_dialog_shown = nullptr;
    ASSERT_EQ(r, WAIT_OBJECT_0) << "the properties dialog did not end";
    EXPECT_EQ(shown.size(), 1u);
    // The ended dialog thread does not hold the worker slot.
    EXPECT_FALSE(worker_busy());
    EXPECT_EQ(worker_thread, nullptr);

    // Far left of the leader (it spans a few sheet millimetres about the
    // click) nothing is drawn over the marker.
    hits.clear();
    SendMessageA(w->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(hits.empty());
    SendMessageA(w->window, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    pump_messages(50);
}

// The dimension stage records the marker at a click in the active
// projection before its tool takes the click: a click the tool fails on
// (the error flag set by it) leaves no marker, one it takes leaves the
// marker at the click, and a click within 2 pixels of the edge records the
// position but places none.
TEST_F(ProjectionPicking, TheDimensionStageDropsTheMarkerOfAFailedClick) {
    struct Case {
        int x, y;
        bool tool_fails;
        int placed;
    } cases[] = {
        {0, 0, true, 0},
        {0, 0, false, 1},
        {2, 0, false, 0},
    };
    StageTools saved = stage_tools[2];
    stage_tools[2].left_down = [](HWND, int, int, WPARAM keys) {
        if (keys & MK_SHIFT) error_flag = 1;
        return 1;
    };
    current_stage = 2;
    ASSERT_EQ(active_projection_number, w->number);
    for (const Case& c : cases) {
        int x = c.x ? c.x : cx, y = cy;
        pick_marker_reset();
        error_flag = 0;
        SendMessageA(w->window, WM_LBUTTONDOWN, MK_LBUTTON | (c.tool_fails ? MK_SHIFT : 0), MAKELPARAM(x, y));
        int px = -1, py = -1;
        EXPECT_EQ(pick_marker_position(&px, &py), c.placed) << x << (c.tool_fails ? " failing" : "");
        if (c.placed) {
            EXPECT_EQ(px, x);
            EXPECT_EQ(py, y);
        }
        int lx = -1, ly = -1;
        pick_marker_last_click(&lx, &ly);
        if (!c.tool_fails) {
            EXPECT_EQ(lx, x);
        }
        error_flag = 0;
        pick_marker_reset();
    }
    stage_tools[2] = saved;
}

namespace {

// The annotation records of the window's projection: kind and key of each,
// in chain order.
struct Annotation {
    int kind;
    uint32_t key;
    uint32_t element;  // the bound element of a tolerance designation
};
std::vector<Annotation> annotations(ProjectionWindow* w) {
    std::vector<Annotation> list;
    with_image_projection(
        w,
        [&](DrawingFile* df, unsigned char* p) {
            RecordRef* head = projection_chain(p, projection_annotations);
            PageBuffer* b = &page_buffers[table_annotation];
            for (uint8_t* a = record_next(df, head, nullptr, b); a; a = record_next(df, head, a, b))
                list.push_back({a[record_kind], get_u32(a, record_key),
                                a[record_kind] == annotation_tolerance ? get_u32(a, tolerance_element) : 0});
        },
        false);
    return list;
}

std::vector<uint32_t> tolerance_elements(ProjectionWindow* w) {
    std::vector<uint32_t> bound;
    for (const Annotation& a : annotations(w))
        if (a.kind == annotation_tolerance) bound.push_back(a.element);
    return bound;
}

}  // namespace

// The tolerance tool binds its designation to the element drawn over the
// marker: element 1 one row below the click before element 2 on the
// click's row (the nearer one by geometry).  Where the marker finds no
// element (a click 5 pixels above both lines) the nearest element within
// the pick distance takes it, here 2; far from both nothing is placed.
TEST_F(ProjectionPicking, TheToleranceToolBindsTheElementDrawnOverTheMarker) {
    const Point2 rows[2][2] = {{model_at(cx - 60, cy + 1), model_at(cx + 60, cy + 1)},
                               {model_at(cx - 60, cy), model_at(cx + 60, cy)}};
    // Lines of a one-pixel pen (dashed, the click in the middle of a dash):
    // from the annotation stage on a solid line is drawn as wide as on the
    // sheet, which here spans far more than the rows apart.
    add_lines(w, rows, 3);
    current_stage = 5;
    annotation_stage_reset(&annotation_stage);
    annotation_stage.tool = annotation_tool_tolerance;
    struct Case {
        int dy;
        std::vector<uint32_t> bound;  // the elements bound after the click
        bool marker_hit;
    } cases[] = {
        {0, {1}, true},
        {-5, {1, 2}, false},
        {-40, {1, 2}, false},
    };
    for (const Case& c : cases) {
        // A placed designation widens the projection, which may move the
        // view: the click is found from the window's transform of now.
        ViewTransform now = projection_window_transform(w);
        int x = view_x_to_pixel(&now, rows[1][0].x + (rows[1][1].x - rows[1][0].x) / 2);
        int y = view_y_to_pixel(&now, rows[1][0].y);
        ASSERT_EQ(view_y_to_pixel(&now, rows[0][0].y), y + 1);
        hits.clear();
        click(x, y + c.dy);
        EXPECT_EQ(tolerance_elements(w), c.bound) << c.dy;
        bool element_hit = false;
        for (const Hit& h : hits)
            if (h.stage == 5 && get_u16(h.record.data(), record_length) == element_size2 &&
                get_u32(h.record.data(), element_number) == 1)
                element_hit = true;
        EXPECT_EQ(element_hit, c.marker_hit) << c.dy;
        EXPECT_EQ(tolerance_pick_request, 0) << c.dy;
        int mx = 0, my = 0;
        EXPECT_EQ(pick_marker_position(&mx, &my), 0) << c.dy;
    }
}

// The roughness tool puts its sign on the leader drawn over the marker (the
// walk's test reports the leader, and the sign takes the leader's key);
// a click within 2 pixels of the edge places no marker, and the leader
// whose box holds the click carries the sign instead.
TEST_F(ProjectionPicking, TheRoughnessToolTakesTheLeaderDrawnOverTheMarker) {
    Point2 mid = model_at(cx, cy), edge = model_at(2, cy);
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        for (Point2 at : {mid, edge}) {
            RecordBytes rec = build_new_leader(at.x, at.y);
            ASSERT_NE(record_add(df, projection_chain(p, projection_annotations), rec.data(),
                                 &page_buffers[table_annotation]),
                      0u);
        }
    });
    current_stage = 5;
    annotation_stage_reset(&annotation_stage);
    annotation_stage.tool = annotation_tool_roughness;

    click(cx, cy);
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits[0].stage, 5);
    EXPECT_EQ(hits[0].record[record_kind], annotation_leader);
    std::vector<Annotation> list = annotations(w);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].kind, annotation_leader);
    EXPECT_NE(list[0].key, 0u) << "the leader under the marker carries no sign";
    EXPECT_EQ(list[1].key, 0u);
    EXPECT_EQ(list[2].kind, annotation_roughness);
    EXPECT_EQ(list[2].key, list[0].key);

    hits.clear();
    click(2, cy);
    EXPECT_TRUE(hits.empty());
    list = annotations(w);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_NE(list[1].key, 0u) << "the leader at the edge carries no sign";
    EXPECT_NE(list[1].key, list[0].key);
    EXPECT_EQ(list[3].kind, annotation_roughness);
    EXPECT_EQ(list[3].key, list[1].key);
}
