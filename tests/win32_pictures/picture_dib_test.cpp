// Pictures on real GDI devices: the DIB read back from a screen-compatible
// bitmap, and the transparent copy over a background.
#include "render/images/picture_dib_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Devices {
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ~Devices() {
        DeleteDC(dc);
        DeleteDC(screen);
    }
};

// A 4 x 3 screen-compatible bitmap filled from a top-down table of colours.
HBITMAP make_picture(HDC screen, HDC dc, const COLORREF colours[3][4]) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 3);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(dc, x, y, colours[y][x]);
    SelectObject(dc, old);
    return bitmap;
}

const COLORREF key = RGB(255, 0, 255);
const COLORREF picture[3][4] = {
    {RGB(10, 20, 30), key, RGB(40, 50, 60), RGB(70, 80, 90)},
    {key, key, RGB(200, 100, 0), RGB(0, 128, 255)},
    {RGB(1, 2, 3), RGB(250, 250, 250), key, RGB(0, 0, 0)},
};

TEST(PictureDib, BitmapReadsBackAsBottomUp24BitRows) {
    Devices d;
    ASSERT_GE(GetDeviceCaps(d.screen, BITSPIXEL), 24) << "run the X server at depth 24";
    HBITMAP bitmap = make_picture(d.screen, d.dc, picture);
    size_t size = 0;
    uint8_t* dib = dib_from_bitmap(bitmap, true, &size);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(size, 40u + 3 * 12);
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    EXPECT_EQ(h->biWidth, 4);
    EXPECT_EQ(h->biHeight, 3);
    EXPECT_EQ(h->biBitCount, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = dib + 40 + (2 - y) * 12 + 3 * x;  // row 0 is the bottom
            EXPECT_EQ(RGB(p[2], p[1], p[0]), picture[y][x]) << x << "," << y;
        }
    std::free(dib);
    uint8_t* header_only = dib_from_bitmap(bitmap, false, &size);
    ASSERT_NE(header_only, nullptr);
    EXPECT_EQ(size, 40u);
    std::free(header_only);
    DeleteObject(bitmap);
    EXPECT_EQ(dib_from_bitmap(nullptr, true, &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(PictureDib, TransparentCopyKeepsTheBackgroundAtKeyPixels) {
    Devices d;
    HBITMAP source = make_picture(d.screen, d.dc, picture);
    HDC target_dc = CreateCompatibleDC(d.screen);
    HBITMAP target = CreateCompatibleBitmap(d.screen, 8, 6);
    HGDIOBJ old_target = SelectObject(target_dc, target);
    const COLORREF background = RGB(12, 180, 77);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, 8, 6};
    FillRect(target_dc, &all, brush);
    DeleteObject(brush);

    HGDIOBJ old_source = SelectObject(d.dc, source);
    ASSERT_TRUE(blit_transparent(target_dc, 2, 1, d.dc, 4, 3, key));
    SelectObject(d.dc, old_source);

    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            COLORREF expected = background;
            if (inside && picture[y - 1][x - 2] != key) expected = picture[y - 1][x - 2];
            EXPECT_EQ(GetPixel(target_dc, x, y), expected) << x << "," << y;
        }
    SelectObject(target_dc, old_target);
    DeleteObject(target);
    DeleteDC(target_dc);
    DeleteObject(source);
}

}  // namespace
