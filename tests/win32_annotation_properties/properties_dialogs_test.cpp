// The annotation property dialogs under Wine: each kind opens its template
// (normal and compact), edits reach the stored record and come back from
// the saved file, Cancel puts back every record the dialog changed, refused
// values change nothing, the text fragment's two forms alternate, a pending
// clone opens nothing.  Each dialog leaves a screenshot for review.
#include "tests/documents/doc_test_support.h"
#include "tests/win32_annotation_properties/png_file.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "annotation/annotation_properties.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_binding.h"
#include "annotation/tolerance_properties.h"
#include "annotation/dimension_text_properties.h"
#include "geometry/kernel_context.h"
#include "shell/annotation_dialog_ids.h"
#include "shell/annotation_properties_win.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;

std::string build_folder() {
    static std::string folder = [] {
        char buf[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof buf, buf);
        return std::string(buf);
    }();
    return folder;
}
const std::string start_folder = build_folder();

// What the screen shows of a window, as a PNG in the screenshots folder.
bool screenshot(HWND w, const std::string& name) {
    // The modal loop shows the dialog once its queue is empty; this runs
    // before that, on the dialog's thread: show it, let it reach the display.
    ShowWindow(w, SW_SHOWNORMAL);
    for (DWORD end = GetTickCount() + 400; GetTickCount() < end;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(20);
    }
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[3 * i] = p[4 * i + 2];
        rgb[3 * i + 1] = p[4 * i + 1];
        rgb[3 * i + 2] = p[4 * i];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    CreateDirectoryA((start_folder + "\\screenshots").c_str(), nullptr);
    return png_file::write(start_folder + "\\screenshots\\" + name + ".png", width, height, rgb);
}

// The script of the running test: called on the dialog's thread once the
// dialog is shown.
std::function<void(HWND, int)>& script() {
    static std::function<void(HWND, int)> s;
    return s;
}
std::vector<int>& shown() {
    static std::vector<int> v;
    return v;
}

void set_edit(HWND dialog, int id, const std::string& text) {
    // As typing would: the text, then the change notification.
    SetDlgItemTextA(dialog, id, text.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void click(HWND dialog, int id) {
    CheckDlgButton(dialog, id, IsDlgButtonChecked(dialog, id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void choose(HWND dialog, int id, int index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Every picture button of a dialog carries its bitmap (the text of a button
// whose picture did not load would show instead).
void expect_pictures(HWND dialog, int id) {
    static const std::map<int, std::vector<int>> pictures = [] {
        const std::vector<int> fragment = {
            IDC_FRG_LEFT,       IDC_FRG_CENTRE,     IDC_FRG_RIGHT,      IDC_FRG_TURNED_LEFT, IDC_FRG_TURNED_CENTRE,
            IDC_FRG_TURNED_RIGHT, IDC_FRG_EDGE1_MAIN, IDC_FRG_EDGE1_THIN, IDC_FRG_EDGE2_MAIN, IDC_FRG_EDGE2_THIN,
            IDC_FRG_EDGE3_MAIN, IDC_FRG_EDGE3_THIN, IDC_FRG_EDGE4_MAIN, IDC_FRG_EDGE4_THIN, IDC_FRG_FORM};
        const std::vector<int> roughness = {IDC_RGH_CONTOUR, IDC_RGH_UNMARKED};
        std::vector<int> roughness_option = roughness;
        roughness_option.push_back(IDC_RGH_REQUIREMENTS);
        return std::map<int, std::vector<int>>{
            {IDD_PROP_LEADER,
             {IDC_LDR_SHAPE0, IDC_LDR_SHAPE1, IDC_LDR_SHAPE2, IDC_LDR_SHAPE3, IDC_LDR_SHAPE4, IDC_LDR_SHAPE5,
              IDC_LDR_WELD_CLOSED, IDC_LDR_WELD_STRETCH}},
            {IDD_PROP_FRAGMENT, fragment},
            {IDD_PROP_FRAGMENT_WIDE, fragment},
            {IDD_PROP_SECTION, {IDC_SEC_VIEW_LEFT, IDC_SEC_VIEW_RIGHT}},
            {IDD_PROP_ROUGHNESS, roughness},
            {IDD_PROP_ROUGHNESS_COMPACT, roughness},
            {IDD_PROP_ROUGHNESS_OPTION, roughness_option},
            {IDD_PROP_ROUGHNESS_OPTION_COMPACT, roughness_option},
            {IDD_PROP_TOLERANCE, {IDC_TOL_STACKED}},
        };
    }();
    auto it = pictures.find(id);
    if (it == pictures.end()) return;
    for (int control : it->second) {
        SCOPED_TRACE("dialog " + std::to_string(id) + " control " + std::to_string(control));
        HWND b = GetDlgItem(dialog, control);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(SendMessageA(b, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    }
}

class PropertiesDialogs : public doc_test::DocTest {
protected:
    RecordRef pref = 0;

    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        ASSERT_EQ(settings_block_unpack(), 0);
        program_instance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        annotation_properties_bind();
        ASSERT_EQ(drawing_new(1), 0);
        pref = doc_test::add_projection(1);
        clone_source = 0;
        screen_dpi = 120;
        shown().clear();
        script() = nullptr;
        properties_dialog_shown = [](HWND d, int id) {
            shown().push_back(id);
            if (script()) script()(d, id);
            else press(d, IDOK);
        };
    }
    void TearDown() override {
        properties_dialog_shown = nullptr;
        script() = nullptr;
        if (worker_thread) {
            CloseHandle(worker_thread);
            worker_thread = nullptr;
        }
        DocTest::TearDown();
        settings_block_free();
    }
    uint8_t* projection() {
        RecordRef at = pref;
        return record_read_at(current_drawing_file(), &at, &page_buffers[table_projections]);
    }
    RecordRef add(const Bytes& r) {
        return doc_test::add_to_projection(pref, projection_annotations, table_annotation, r);
    }
    std::vector<Bytes> chain(uint32_t offset, int table) {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection(), offset);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r;
             r = record_next(df, &h, r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    std::vector<Bytes> state() {
        std::vector<Bytes> s = chain(projection_annotations, table_annotation);
        for (Bytes& d : chain(projection_dimensions, table_dimensions)) s.push_back(d);
        std::sort(s.begin(), s.end());
        return s;
    }
    // Opens the properties of ref and waits (at most 20 s) for the dialog
    // thread to end.
    void run(RecordRef ref) {
        open_element_properties_in(pref, ref);
        ASSERT_NE(worker_thread, nullptr);
        DWORD r = WAIT_TIMEOUT;
        for (int i = 0; i < 400 && r == WAIT_TIMEOUT; ++i) {
            r = MsgWaitForMultipleObjects(1, &worker_thread, FALSE, 50, QS_ALLINPUT);
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            if (r == WAIT_OBJECT_0 + 1) r = WAIT_TIMEOUT;
        }
        ASSERT_EQ(r, WAIT_OBJECT_0) << "the dialog did not end";
    }
    static Bytes record(int kind, size_t head, uint32_t key, uint16_t flags, const std::string& text = "") {
        RecordBytes packed = pack_whole_text(text);
        Bytes r(head, 0);
        r.insert(r.end(), packed.begin(), packed.end());
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), record_key, key);
        r[record_kind] = static_cast<uint8_t>(kind);
        put_u16(r.data(), annotation_flags, flags);
        return r;
    }
    static Bytes leader(const std::string& upper, const std::string& lower) {
        Bytes r = record(annotation_leader, leader_head, 0, 3 | (2 << 7), upper + lower);
        if (upper.empty() && lower.empty()) {
            r.resize(68, 0);
            put_u16(r.data(), 0, 68);
        }
        r[leader_first_length] = static_cast<uint8_t>(upper.size());
        put_f32(r.data(), leader_point1, 10);
        put_f32(r.data(), leader_point1 + 4, 40);
        put_f32(r.data(), leader_point2, 30);
        put_f32(r.data(), leader_point2 + 4, 20);
        put_f32(r.data(), leader_point3, 60);
        put_f32(r.data(), leader_point3 + 4, 20);
        return r;
    }
    static Bytes dimension(uint32_t number, int kind, uint16_t value, uint16_t st) {
        Bytes d(dimension_record_size, 0);
        put_u16(d.data(), record_length, dimension_record_size);
        put_u32(d.data(), dimension_number, number);
        put_u16(d.data(), dimension_kind_word, static_cast<uint16_t>(kind));
        put_u16(d.data(), dimension_value_word, value);
        put_u16(d.data(), dimension_state, st);
        put_f64(d.data(), dimension_nominal, 50.0);
        return d;
    }
    // One record of every kind (the label with its dimension).
    std::map<int, RecordRef> every_kind() {
        std::map<int, RecordRef> refs;
        doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, dimension(7, 0, 0, 0x0040));
        refs[0] = add(record(annotation_dimension_text, dimension_text_head, 7, 0x0080, "50"));
        put_u8_at(refs[0], dimension_text_first_length, 2);
        refs[1] = add(leader("Поз. 1", ""));
        Bytes h = record(annotation_hatching, hatching_record_size, 0, 0);
        h[hatching_kind_code] = 1;
        refs[2] = add(h);
        refs[3] = add(record(annotation_text_fragment, text_fragment_head, 0, 0x0002 | (2 << 2), "Текст"));
        Bytes s = record(annotation_section, section_nodes + 16, 0, 1 | (2 << 2));
        s[section_nodes_count] = 2;
        put_f32(s.data(), section_nodes + 8, 40);
        refs[4] = add(s);
        refs[5] = add(record(annotation_roughness, roughness_head, 0, 1 | (2 << 2), "Ra 3,2"));
        put_u8_at(refs[5], roughness_lengths, 6);
        Bytes t = record(annotation_tolerance, tolerance_head, 0, 1 | (2 << 2) | (1 << 6), std::string("@1\x84@\x18" "0,1\x1a" "А"));
        t[tolerance_text_length] = 10;
        t[tolerance_signs] = 6;
        refs[6] = add(t);
        return refs;
    }
    void put_u8_at(RecordRef ref, uint32_t at, uint8_t v) {
        uint8_t* r = annotation_record_at(ref);
        r[at] = v;
        page_buffers[table_annotation].clean = 0;
    }
    // The annotation record of the given kind now in the chain.
    Bytes of_kind(int kind) {
        for (Bytes& r : chain(projection_annotations, table_annotation))
            if (r[record_kind] == kind) return r;
        return Bytes();
    }
};

TEST_F(PropertiesDialogs, EachKindOpensItsTemplateNormalAndCompact) {
    std::map<int, RecordRef> refs = every_kind();
    // New drawings carry the option that chooses the other roughness
    // dialogs: without it first.
    DrawingFile* df = current_drawing_file();
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~header_opt_bit1));
    const struct { int kind, dpi, dialog; const char* name; } cases[] = {
        {0, 120, 253, "dimension_text"}, {1, 120, 255, "leader"},      {2, 120, 271, "hatching"},
        {2, 96, 336, "hatching_compact"}, {3, 120, 352, "fragment"},    {4, 120, 393, "section"},
        {5, 120, 400, "roughness"},       {5, 96, 415, "roughness_compact"}, {6, 120, 496, "tolerance"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        screen_dpi = c.dpi;
        shown().clear();
        std::string name = c.name;
        script() = [name](HWND d, int id) {
            expect_pictures(d, id);
            EXPECT_TRUE(screenshot(d, "annotation_" + name));
            press(d, IDOK);
        };
        std::vector<Bytes> before = state();
        run(refs[c.kind]);
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0], c.dialog);
        // Opening and closing with "Да" changes no text and no style.
        EXPECT_EQ(state().size(), before.size());
        refs[c.kind] = 0;
        for (auto& r : refs)
            if (!r.second) {
                DrawingFile* df = current_drawing_file();
                RecordRef h = get_u32(projection(), projection_annotations);
                for (uint8_t* x = record_next(df, &h, nullptr, &page_buffers[table_annotation]); x;
                     x = record_next(df, &h, x, &page_buffers[table_annotation]))
                    if (x[record_kind] == r.first) r.second = record_ref_of(&page_buffers[table_annotation], x);
            }
    }
    // The roughness dialogs of drawings with the header option.
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) | header_opt_bit1));
    for (int dpi : {120, 96}) {
        screen_dpi = dpi;
        shown().clear();
        script() = [dpi](HWND d, int id) {
            expect_pictures(d, id);
            EXPECT_TRUE(screenshot(d, dpi == 96 ? "annotation_roughness_option_compact" : "annotation_roughness_option"));
            press(d, IDOK);
        };
        RecordRef ref = 0;
        annotation_find_key_kind(projection(), 0, annotation_roughness, &ref);
        run(ref);
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0], dpi == 96 ? 558 : 557);
    }
}

TEST_F(PropertiesDialogs, LeaderEditReachesTheSavedFile) {
    RecordRef ref = add(leader("", ""));
    script() = [](HWND d, int) {
        set_edit(d, IDC_LDR_UPPER, "Поз. 12");
        set_edit(d, IDC_LDR_LOWER, "2 шт.");
        click(d, IDC_LDR_SHAPE4);
        press(d, IDOK);
    };
    run(ref);
    Bytes r = of_kind(annotation_leader);
    ASSERT_FALSE(r.empty());
    LeaderTexts t = leader_texts(r.data());
    EXPECT_EQ(t.upper, "Поз. 12");
    EXPECT_EQ(t.lower, "2 шт.");
    EXPECT_EQ(leader_head_shape_of(r.data()), 4);
    EXPECT_EQ(get_u16(r.data(), annotation_flags) & 0x0040, 0x0040);
    // The dialog's end saved the drawing: a fresh read of the file holds the leader.
    DrawingFile* df = current_drawing_file();
    std::string path = df->path;
    DrawingFile* copy = drawing_file_new(path.c_str());
    ASSERT_NE(copy, nullptr);
    copy->flags |= drawing_flag_read_only;
    drawing_file_set_mode(copy, drawing_mode_open_existing);
    ASSERT_EQ(drawing_file_open(copy, 0), 0);
    DrawingFile* keep = open_drawings[current_drawing & 1];
    open_drawings[current_drawing & 1] = copy;
    page_buffers_init_defaults();
    Bytes stored = of_kind(annotation_leader);
    open_drawings[current_drawing & 1] = keep;
    drawing_file_close(copy);
    drawing_file_free(copy);
    page_buffers_init_defaults();
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(leader_texts(stored.data()).upper, "Поз. 12");
}

TEST_F(PropertiesDialogs, CancelAfterEveryControlRestoresTheChains) {
    std::map<int, RecordRef> refs = every_kind();
    std::vector<Bytes> before = state();
    script() = [](HWND d, int) {
        set_edit(d, IDC_TOL_VALUE, "0,05");
        set_edit(d, IDC_TOL_DATUMS, "А,Б");
        choose(d, IDC_TOL_SIGN, 9);
        click(d, IDC_TOL_STACKED);
        click(d, IDC_PROP_FONT_B_UPRIGHT);
        choose(d, IDC_PROP_HEIGHT, 5);
        press(d, IDCANCEL);
    };
    run(refs[6]);
    EXPECT_EQ(state(), before);
    // The dimension text: "сделать невидимым" changes the label and its
    // dimension; Cancel brings both back.
    script() = [](HWND d, int) {
        click(d, IDC_DIM_INVISIBLE);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_DIM_MARK)));
        set_edit(d, IDC_DIM_AFTER, "±0,1");
        press(d, IDCANCEL);
    };
    RecordRef label = 0;
    annotation_find_key_kind(projection(), 7, annotation_dimension_text, &label);
    run(label);
    EXPECT_EQ(state(), before);
    // The same edits with "Да" stay.
    script() = [](HWND d, int) {
        click(d, IDC_DIM_INVISIBLE);
        press(d, IDOK);
    };
    annotation_find_key_kind(projection(), 7, annotation_dimension_text, &label);
    run(label);
    Bytes dim = chain(projection_dimensions, table_dimensions).at(0);
    EXPECT_EQ(get_u16(dim.data(), dimension_value_word) & dim_value_invisible, dim_value_invisible);
    EXPECT_EQ(get_u16(of_kind(annotation_dimension_text).data(), annotation_flags) & dimtext_label_invisible,
              dimtext_label_invisible);
}

TEST_F(PropertiesDialogs, RefusedValuesChangeNothing) {
    RecordRef ref = add(leader("Поз. 1", ""));
    std::vector<Bytes> before = state();
    script() = [](HWND d, int) {
        set_edit(d, IDC_LDR_UPPER, std::string(300, 'x'));  // past the 255 an upper text may hold
        press(d, IDOK);
    };
    run(ref);
    EXPECT_EQ(state(), before);
    int shown_once = messages_with("длина текста");
    EXPECT_GE(shown_once, 1);
    // A tolerance value that makes the frame text pass 255 characters.
    Bytes t = record(annotation_tolerance, tolerance_head, 0, 1, std::string("\x18" "0,1\x1a"));
    t[tolerance_text_length] = 5;
    ref = add(t);
    before = state();
    script() = [](HWND d, int) {
        set_edit(d, IDC_TOL_VALUE, std::string(256, '7'));
        press(d, IDOK);
    };
    run(ref);
    EXPECT_EQ(state(), before);
    EXPECT_GT(messages_with("длина текста"), shown_once);
}

// Each text and number field of every dialog given a value it must refuse:
// the message of its kind (none where the field keeps its old value
// silently), and the records exactly as before.  Each dialog is first
// opened and closed with "Да" once, so what "Да" itself writes back (the
// hatching's shown parameters) is in the state compared.
TEST_F(PropertiesDialogs, EveryFieldRefusesItsBadValueAndChangesNothing) {
    std::map<int, RecordRef> refs = every_kind();
    Bytes other = record(annotation_hatching, hatching_record_size, 0, 0);
    other[hatching_kind_code] = 1;
    std::memcpy(other.data() + hatching_name, "AB\0\0\0\0", 6);
    add(other);
    // A mixed text whose packing exceeds any record's room (a class switch
    // at every character).
    std::string mixed;
    while (mixed.size() < 3000) mixed += "\xC1" "1";
    ASSERT_GT(pack_whole_text(mixed).size(), 1978u);
    const std::string too_long_text = "длина текста", too_long_nominal = "длина обозначения номинала";
    const struct Case {
        int kind, control;
        std::string value, message;
    } cases[] = {
        {annotation_leader, IDC_LDR_UPPER, std::string(256, 'x'), too_long_text},
        {annotation_leader, IDC_LDR_LOWER, std::string(780, 'y'), too_long_text},  // with the upper text: 786
        {annotation_tolerance, IDC_TOL_VALUE, std::string(256, '7'), too_long_text},
        {annotation_tolerance, IDC_TOL_DATUMS, std::string(256, '\xC0'), too_long_text},
        {annotation_roughness, IDC_RGH_INSTRUCTIONS, std::string(256, 'z'), too_long_text},
        {annotation_text_fragment, IDC_FRG_TEXT, mixed, "Слишком длинный текст"},
        {annotation_dimension_text, IDC_DIM_BEFORE, std::string(256, 'b'), too_long_nominal},
        {annotation_dimension_text, IDC_DIM_AFTER, std::string(256, 'a'), too_long_nominal},
        {annotation_dimension_text, IDC_DIM_UNDER, mixed, too_long_nominal},
        {annotation_hatching, IDC_HAT_PARAM1, "1e999", ""},
        {annotation_hatching, IDC_HAT_PARAM2, "1e999", ""},
        {annotation_hatching, IDC_HAT_NAME, "AB", ""},  // the other hatching's name
    };
    auto ref_of = [&](int kind) {
        RecordRef r = 0;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection(), projection_annotations);
        for (uint8_t* x = record_next(df, &h, nullptr, &page_buffers[table_annotation]); x;
             x = record_next(df, &h, x, &page_buffers[table_annotation]))
            if (x[record_kind] == kind && !r && std::memcmp(x + hatching_name, "AB", 2) != 0)
                r = record_ref_of(&page_buffers[table_annotation], x);
        return r;
    };
    for (int kind : {annotation_leader, annotation_tolerance, annotation_roughness, annotation_text_fragment,
                     annotation_dimension_text, annotation_hatching}) {
        script() = [](HWND d, int) { press(d, IDOK); };
        run(ref_of(kind));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " control " + std::to_string(c.control));
        std::vector<Bytes> before = state();
        int shown_before = c.message.empty() ? 0 : messages_with(c.message);
        static const Case* now;
        now = &c;
        script() = [](HWND d, int) {
            // Typed, then the field left, then "Да".
            SetDlgItemTextA(d, now->control, now->value.c_str());
            for (WORD code : {EN_CHANGE, EN_KILLFOCUS})
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(now->control, code),
                             reinterpret_cast<LPARAM>(GetDlgItem(d, now->control)));
            press(d, IDOK);
        };
        run(ref_of(c.kind));
        std::vector<Bytes> after = state();
        EXPECT_TRUE(after == before);
        for (const Bytes& r : after)
            if (std::find(before.begin(), before.end(), r) == before.end())
                ADD_FAILURE() << "changed: kind " << int(r[record_kind]) << ", " << r.size() << " bytes";
        if (!c.message.empty()) EXPECT_GT(messages_with(c.message), shown_before);
    }
}

TEST_F(PropertiesDialogs, FragmentFormsAlternateAndKeepTheirChanges) {
    RecordRef ref = add(record(annotation_text_fragment, text_fragment_head, 0, 0x0002, "a"));
    // The form switch's picture tells which form is open.
    static LRESULT compact_switch = 0;
    script() = [](HWND d, int id) {
        if (id == IDD_PROP_FRAGMENT && shown().size() == 1) {
            compact_switch = SendDlgItemMessageA(d, IDC_FRG_FORM, BM_GETIMAGE, IMAGE_BITMAP, 0);
            set_edit(d, IDC_FRG_TEXT, "a\r\nb");
            press(d, IDC_FRG_FORM);
        } else if (id == IDD_PROP_FRAGMENT_WIDE) {
            expect_pictures(d, id);
            LRESULT wide_switch = SendDlgItemMessageA(d, IDC_FRG_FORM, BM_GETIMAGE, IMAGE_BITMAP, 0);
            EXPECT_NE(wide_switch, 0);
            EXPECT_NE(wide_switch, compact_switch);
            EXPECT_TRUE(screenshot(d, "annotation_fragment_wide"));
            set_edit(d, IDC_FRG_TEXT, "a\nb\nc");  // line feeds alone, as pasted
            press(d, IDC_FRG_FORM);
        } else {
            press(d, IDOK);
        }
    };
    run(ref);
    ASSERT_EQ(shown().size(), 3u);
    EXPECT_EQ(shown()[1], IDD_PROP_FRAGMENT_WIDE);
    Bytes r = of_kind(annotation_text_fragment);
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(record_text(r.data(), text_fragment_head), "a\\nb\\nc");
    // An emptied fragment without edges is removed on "Да".
    RecordRef again = 0;
    annotation_find_key_kind(projection(), 0, annotation_text_fragment, &again);
    shown().clear();
    script() = [](HWND d, int) {
        set_edit(d, IDC_FRG_TEXT, "");
        press(d, IDOK);
    };
    run(again);
    Bytes left = of_kind(annotation_text_fragment);
    EXPECT_TRUE(left.empty()) << left.size() << " " << (left.size() > 9 ? get_u16(left.data(), 8) : 0) << " "
                              << (left.empty() ? std::string() : record_text(left.data(), text_fragment_head));
}

TEST_F(PropertiesDialogs, PendingCloneOpensNothing) {
    RecordRef ref = add(leader("x", ""));
    clone_source = ref;
    HANDLE before = worker_thread;
    open_element_properties_in(pref, ref);
    EXPECT_EQ(worker_thread, before);
    EXPECT_TRUE(shown().empty());
    clone_source = 0;
    // "Клон" makes the record the clone source.
    script() = [](HWND d, int) { press(d, IDC_PROP_CLONE); };
    run(ref);
    EXPECT_NE(clone_source, 0u);
    EXPECT_EQ(leader_texts(annotation_record_at(clone_source)).upper, "x");
    clone_source = 0;
}

// A docked dialog keeps its size, its right edge 6 pixels inside the main
// window's and its top at the given client height of the main window.
TEST(DialogDocking, RightEdgeSixPixelsInsideTheMainWindow) {
    HWND saved = frame_window;
    frame_window = CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW, 40, 30, 700, 500, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    HWND dialog = CreateWindowExA(0, "STATIC", "dialog", WS_POPUP | WS_BORDER, 0, 0, 180, 120, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(frame_window && dialog);
    for (int y : {0, 25}) {
        dock_dialog_right(dialog, y);
        RECT main, own;
        GetWindowRect(frame_window, &main);
        GetWindowRect(dialog, &own);
        POINT top = {0, y};
        ClientToScreen(frame_window, &top);
        EXPECT_EQ(own.right, main.right - 6) << y;
        EXPECT_EQ(own.top, top.y) << y;
        EXPECT_EQ(own.right - own.left, 180) << y;
        EXPECT_EQ(own.bottom - own.top, 120) << y;
    }
    DestroyWindow(dialog);
    DestroyWindow(frame_window);
    frame_window = saved;
}

}  // namespace
