// The conventional-images dialogs under Wine: the list dialog adds an image
// through the image dialog (file by the test hook, reference points and the
// transparent colour picked by clicks in the preview) and the record written
// holds what was picked; bad files get their messages and leave the
// drawing as it was; Cancel changes nothing; the list scrolls, shows and
// deletes; the choice of a symbol goes back to the caller.
#include "tests/win32_pictures/pictures_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/images/conventional_image_store.h"
#include "render/images/conventional_images.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_records.h"
#include "render/output/symbol_catalog.h"
#include "render/output/symbol_drawing.h"
#include "shell/conventional_images_dialog.h"
#include "shell/frame_face.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;
using doc_test::rec;

using pictures_test::bmp24;

uint32_t stripes(int x, int y) { return x < 2 ? 0xFF00FF : static_cast<uint32_t>(0x100 * (x * 20) + y * 30); }

// An 8-bit BMP of 4 x 2 with a four-entry palette.
Bytes bmp8() {
    Bytes f(54 + 16 + 8, 0);
    f[0] = 'B', f[1] = 'M';
    put_u32(f.data(), 2, static_cast<uint32_t>(f.size()));
    put_u32(f.data(), 10, 70);
    put_u32(f.data(), 14, 40);
    put_i32(f.data(), 18, 4);
    put_i32(f.data(), 22, 2);
    put_u16(f.data(), 26, 1);
    put_u16(f.data(), 28, 8);
    put_u32(f.data(), 46, 4);
    for (int i = 0; i < 4; ++i) put_u32(f.data(), 54 + 4 * i, 0x404040u * static_cast<uint32_t>(i));
    for (int i = 0; i < 8; ++i) f[70 + i] = static_cast<uint8_t>(i % 4);
    return f;
}

std::string chosen_file;
int answer_file(char* path, size_t size) {
    if (chosen_file.empty()) return 0;
    std::snprintf(path, size, "%s", chosen_file.c_str());
    return 1;
}

std::function<void(HWND, int)> script;
std::vector<int> opened;

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void press_now(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void type_and_leave(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
std::string text_of(HWND dialog, int id) {
    char t[128] = {};
    GetDlgItemTextA(dialog, id, t, sizeof t);
    return t;
}
// Clicks the preview at the pixel (x, y from the top) of a w x h picture:
// the control position computed here from the control's size.
void click_pixel(HWND dialog, int w, int h, int x, int y) {
    HWND preview = GetDlgItem(dialog, IDC_CIMAGE_PREVIEW);
    RECT r;
    GetClientRect(preview, &r);
    int32_t pw, ph;
    conventional_image_preview_size(w, h, r.right, r.bottom, &pw, &ph);
    const int cx = (r.right - pw) / 2 + static_cast<int>((x + 0.5) * pw / w);
    const int cy = (r.bottom - ph) / 2 + static_cast<int>((y + 0.5) * ph / h);
    SendMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
    SendMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
}

class ConventionalImageDialogs : public pictures_test::PicturesDocTest {
protected:
    void SetUp() override {
        PicturesDocTest::SetUp();
        symbol_drawing_bind();
        picture_symbols_bind();
        program_instance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        ASSERT_EQ(drawing_new(1), 0);
        loaded_images_free(nullptr);
        conventional_image_file_answer = answer_file;
        opened.clear();
        script = nullptr;
        conventional_image_dialog_shown = [](HWND d, int id) {
            opened.push_back(id);
            if (script) script(d, id);
            else press(d, IDCANCEL);
        };
    }
    void TearDown() override {
        conventional_image_file_answer = nullptr;
        conventional_image_dialog_shown = nullptr;
        script = nullptr;
        loaded_images_free(nullptr);
        picture_symbol_drawer = picture_symbol_drawer_unbound;
        PicturesDocTest::TearDown();
    }
    std::string file(const std::string& name, const Bytes& bytes) {
        std::string path = full(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // The picture chain as stored.
    std::vector<Bytes> pictures() {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef head = get_u32(df->header, header_pictures);
        for (uint8_t* r = record_next(df, &head, nullptr, &page_buffers[table_pictures]); r;
             r = record_next(df, &head, r, &page_buffers[table_pictures]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    // Adds the file through the list dialog's "Добавить" with `in_dialog`
    // run on dialog 663; then the list dialog is confirmed.
    int add_through_list(const std::string& path, std::function<void(HWND)> in_dialog, ConventionalImageChoice* c) {
        chosen_file = path;
        script = [in_dialog](HWND d, int id) {
            if (id == IDD_CONVENTIONAL_IMAGES) {
                if (std::count(opened.begin(), opened.end(), IDD_CONVENTIONAL_IMAGES) == 1) press(d, IDC_CIMAGES_ADD);
                return;
            }
            in_dialog(d);
        };
        // After the image dialog the list dialog is confirmed by a timer
        // message posted to it once the add returned.
        ConventionalImageChoice local;
        HWND owner = nullptr;
        std::function<void(HWND, int)> inner = script;
        script = [inner, &owner](HWND d, int id) {
            if (id == IDD_CONVENTIONAL_IMAGES) owner = d;
            inner(d, id);
            if (id == IDD_CONVENTIONAL_IMAGE) PostMessageA(owner, WM_COMMAND, IDOK, 0);
        };
        return conventional_image_list_dialog(nullptr, c ? c : &local);
    }
};

TEST_F(ConventionalImageDialogs, AddingAnImageWritesWhatWasPicked) {
    const Bytes bmp = bmp24(8, 6, stripes, 4000);  // 6 rows at 4000 per metre: 1.5 mm
    const std::string path = file("door.bmp", bmp);
    ConventionalImageChoice choice;
    std::string default_name, height;
    const int r = add_through_list(path, [&](HWND d) {
        default_name = text_of(d, IDC_CIMAGE_NAME);
        height = text_of(d, IDC_CIMAGE_HEIGHT);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        press_now(d, IDC_CIMAGE_POINTS_2);
        click_pixel(d, 8, 6, 5, 1);
        click_pixel(d, 8, 6, 5, 1);  // the same pixel again: ignored
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        click_pixel(d, 8, 6, 7, 4);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        EXPECT_EQ(text_of(d, IDC_CIMAGE_X), "7");
        EXPECT_EQ(text_of(d, IDC_CIMAGE_Y), "4");
        // Corrections: one that would repeat the first point, or leave the
        // picture, is refused.
        type_and_leave(d, IDC_CIMAGE_Y, "1");
        type_and_leave(d, IDC_CIMAGE_X, "5");
        EXPECT_EQ(text_of(d, IDC_CIMAGE_X), "7");
        type_and_leave(d, IDC_CIMAGE_X, "8");
        EXPECT_EQ(text_of(d, IDC_CIMAGE_X), "7");
        type_and_leave(d, IDC_CIMAGE_Y, "4");
        press_now(d, IDC_CIMAGE_PICK_KEY);
        click_pixel(d, 8, 6, 0, 2);  // magenta
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_CIMAGE_RANGE)));
        SetDlgItemTextA(d, IDC_CIMAGE_RANGE, "99");  // beyond the range: 63
        EXPECT_EQ(text_of(d, IDC_CIMAGE_RANGE), "63");
        SetDlgItemTextA(d, IDC_CIMAGE_RANGE, "5");
        press_now(d, IDC_CIMAGE_RANGE_COLOUR);
        type_and_leave(d, IDC_CIMAGE_HEIGHT, "-3");  // refused: the kept value again
        EXPECT_EQ(text_of(d, IDC_CIMAGE_HEIGHT), height);
        type_and_leave(d, IDC_CIMAGE_HEIGHT, "12,5");
        type_and_leave(d, IDC_CIMAGE_NAME, "Дверь");
        press(d, IDOK);
    }, &choice);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(default_name, "УИ1001");
    EXPECT_EQ(height, "1.5");
    EXPECT_EQ(choice.code, 1001u);
    EXPECT_EQ(choice.points, 2);
    EXPECT_FALSE(choice.below);
    const std::vector<Bytes> recs = pictures();
    ASSERT_EQ(recs.size(), 1u);
    PictureFields f;
    ASSERT_TRUE(picture_record_parse(recs[0].data(), &f));
    EXPECT_EQ(f.id, 1001u);
    EXPECT_EQ(f.point_count, 2);
    EXPECT_EQ(f.points[0][0], 5);
    EXPECT_EQ(f.points[0][1], 1);
    EXPECT_EQ(f.points[1][0], 7);
    EXPECT_EQ(f.points[1][1], 4);
    EXPECT_TRUE(f.transparent);
    EXPECT_TRUE(f.channel_window);
    EXPECT_EQ(f.tolerance, 5u);
    EXPECT_EQ(f.key_colour, 0xFF00FFu);  // COLORREF of magenta
    EXPECT_EQ(f.key_x, 0);
    EXPECT_EQ(f.key_row, 3);  // row 2 from the top of 6
    EXPECT_FLOAT_EQ(f.height_mm, 12.5f);
    EXPECT_STREQ(f.name, "Дверь");
    EXPECT_EQ(recs[0][9], 0);
    Bytes stored;
    ASSERT_EQ(conventional_image_read(1001, &f, &stored), 1);
    EXPECT_EQ(stored, bmp);
    ASSERT_NE(loaded_image_find(1001), nullptr);
}

TEST_F(ConventionalImageDialogs, BadFilesAndCancelLeaveTheDrawingAsItWas) {
    const Bytes good = bmp24(8, 6, stripes);
    Bytes cut(good.begin(), good.end() - 20);
    struct Case {
        const char* what;
        std::string path;  // empty: the file question cancelled
        const char* message;  // null: none
        bool cancel_in_dialog;
    };
    const std::vector<Case> cases = {
        {"text file", file("note.bmp", Bytes{'h', 'e', 'l', 'l', 'o'}), "Файл не в формате BMP!", false},
        {"cut BMP", file("cut.bmp", cut), "Файл не в формате BMP!", false},
        {"missing BMP", full("none.bmp"), "открытия файла", false},
        {"missing JPEG", full("none.jpg"), "открытия файла", false},
        {"damaged JPEG", std::string(SARVOLT_TEST_DATA) + "/images/jpeg_header_cut.jpg", "открытия файла", false},
        {"file question cancelled", "", nullptr, false},
        {"dialog cancelled", file("fine.bmp", good), nullptr, true},
    };
    for (const Case& k : cases) {
        rec().messages.clear();
        opened.clear();
        bool shown = false;
        chosen_file = k.path;
        script = [&](HWND d, int id) {
            if (id == IDD_CONVENTIONAL_IMAGE) {
                shown = true;
                press_now(d, IDC_CIMAGE_POINTS_1);
                click_pixel(d, 8, 6, 3, 3);
                press(d, IDCANCEL);
            }
        };
        uint32_t added = 0;
        EXPECT_EQ(conventional_image_dialog(nullptr, 0, &added), IDCANCEL) << k.what;
        EXPECT_EQ(added, 0u) << k.what;
        EXPECT_EQ(shown, k.cancel_in_dialog) << k.what;
        if (k.message) {
            ASSERT_EQ(rec().messages.size(), 1u) << k.what;
            EXPECT_NE(rec().messages[0].find(k.message), std::string::npos) << k.what << ": " << rec().messages[0];
        } else {
            EXPECT_TRUE(rec().messages.empty()) << k.what;
        }
        EXPECT_TRUE(pictures().empty()) << k.what;
        EXPECT_TRUE(loaded_images.empty()) << k.what;
    }
}

TEST_F(ConventionalImageDialogs, PalettePictureOffersNoTransparentColour) {
    chosen_file = file("grey.bmp", bmp8());
    script = [](HWND d, int id) {
        if (id != IDD_CONVENTIONAL_IMAGE) return;
        EXPECT_EQ(text_of(d, IDC_CIMAGE_BITS), "8 bit");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_CIMAGE_PICK_KEY)));
        EXPECT_EQ(text_of(d, IDC_CIMAGE_HEIGHT).substr(0, 1), "5");
        press_now(d, IDC_CIMAGE_POINTS_1);
        click_pixel(d, 4, 2, 1, 1);
        press(d, IDOK);
    };
    uint32_t added = 0;
    ASSERT_EQ(conventional_image_dialog(nullptr, 0, &added), IDOK);
    EXPECT_EQ(added, 1001u);
    PictureFields f;
    Bytes data;
    ASSERT_EQ(conventional_image_read(1001, &f, &data), 1);
    EXPECT_FALSE(f.transparent);
    EXPECT_EQ(f.points[0][0], 1);
    EXPECT_EQ(f.points[0][1], 1);
}

// A JPEG file is stored as the BMP its decoder makes; the record takes the
// next free id and default name.
TEST_F(ConventionalImageDialogs, JpegFileIsStoredAsBmp) {
    const Bytes bmp = bmp24(8, 6, stripes);
    PictureFields first;
    first.id = 1001;
    std::strcpy(first.name, "УИ1002");  // the default name of the next id is taken
    ASSERT_EQ(conventional_image_add(first, bmp.data(), bmp.size()), 1);
    chosen_file = std::string(SARVOLT_TEST_DATA) + "/images/colour.jpg";
    std::string name;
    script = [&](HWND d, int id) {
        if (id != IDD_CONVENTIONAL_IMAGE) return;
        name = text_of(d, IDC_CIMAGE_NAME);
        EXPECT_EQ(text_of(d, IDC_CIMAGE_BITS), "");
        press_now(d, IDC_CIMAGE_POINTS_1);
        click_pixel(d, 16, 16, 0, 0);
        press(d, IDOK);
    };
    uint32_t added = 0;
    ASSERT_EQ(conventional_image_dialog(nullptr, 0, &added), IDOK);
    EXPECT_EQ(added, 1002u);
    EXPECT_EQ(name, "УИ1003");
    PictureFields f;
    Bytes data;
    ASSERT_EQ(conventional_image_read(1002, &f, &data), 1);
    ASSERT_GT(data.size(), 54u);
    EXPECT_EQ(data[0], 'B');
    EXPECT_EQ(data[1], 'M');
    EXPECT_STREQ(f.name, "УИ1003");
    ASSERT_NE(loaded_image_find(1002), nullptr);
}

// Show mode: a change is written and loaded at once; a cancel keeps the
// record byte for byte.  Deleting asks question 13 and removes the record.
TEST_F(ConventionalImageDialogs, ShowChangeAndDelete) {
    const Bytes bmp = bmp24(8, 6, stripes);
    for (const char* name : {"А", "Б"}) {
        PictureFields f;
        f.id = std::string(name) == "А" ? 1001 : 1002;
        f.point_count = 1;
        f.height_mm = 5;
        std::snprintf(f.name, sizeof f.name, "%s", name);
        ASSERT_EQ(conventional_image_add(f, bmp.data(), bmp.size()), 1);
    }
    const std::vector<Bytes> before = pictures();
    script = [](HWND d, int id) {
        if (id != IDD_CONVENTIONAL_IMAGE) return;
        type_and_leave(d, IDC_CIMAGE_NAME, "Б");  // taken by the other image: the kept name stays
        EXPECT_EQ(text_of(d, IDC_CIMAGE_NAME), "А");
        type_and_leave(d, IDC_CIMAGE_NAME, "Окно");
        press(d, IDCANCEL);
    };
    EXPECT_EQ(conventional_image_dialog(nullptr, 1001, nullptr), IDCANCEL);
    EXPECT_EQ(pictures(), before);
    script = [](HWND d, int id) {
        if (id != IDD_CONVENTIONAL_IMAGE) return;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        type_and_leave(d, IDC_CIMAGE_NAME, "Окно");
        press(d, IDOK);
    };
    EXPECT_EQ(conventional_image_dialog(nullptr, 1001, nullptr), IDOK);
    EXPECT_STREQ(loaded_image_find(1001)->name, "Окно");
    EXPECT_EQ(conventional_image_names(1002), (std::vector<std::string>{"Окно"}));

    rec().answer = 0;
    EXPECT_EQ(delete_conventional_image(nullptr, 1002), 0);
    EXPECT_EQ(pictures().size(), 2u);
    rec().answer = 1;
    EXPECT_EQ(delete_conventional_image(nullptr, 1002), 1);
    EXPECT_EQ(rec().questions, (std::vector<int>{13, 13}));
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001}));
    EXPECT_EQ(delete_conventional_image(nullptr, 5), 0);  // a symbol code: nothing
}

// The list: 57 symbols and the images; SB_RIGHT shows the last 16; a
// symbol button shows its code + 1 and disables "Удалить"; Cancel gives
// IDCANCEL; a symbol chosen with the check box cleared goes under.
TEST_F(ConventionalImageDialogs, ListScrollsAndChooses) {
    script = [](HWND d, int id) {
        if (id != IDD_CONVENTIONAL_IMAGES) return;
        SendMessageA(d, WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_CIMAGES_SCROLL)));
        EXPECT_EQ(GetScrollPos(GetDlgItem(d, IDC_CIMAGES_SCROLL), SB_CTL), 42);
        press_now(d, IDC_CIMAGES_BUTTON_LAST);  // entry 57: the last symbol
        EXPECT_EQ(text_of(d, IDC_CIMAGES_NAME), std::to_string(symbol_catalog[56].code + 1));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_CIMAGES_DELETE)));
        CheckDlgButton(d, IDC_CIMAGES_ON_TOP, BST_UNCHECKED);
        press(d, IDOK);
    };
    ConventionalImageChoice c;
    ASSERT_EQ(conventional_image_list_dialog(nullptr, &c), IDOK);
    EXPECT_EQ(c.code, symbol_catalog[56].code);
    EXPECT_EQ(c.points, static_cast<int>(symbol_catalog[56].point_count));
    EXPECT_TRUE(c.below);
    script = nullptr;
    EXPECT_EQ(conventional_image_list_dialog(nullptr, &c), IDCANCEL);
}

}  // namespace
