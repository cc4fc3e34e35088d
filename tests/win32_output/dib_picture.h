// A picture to draw into under Wine: a white top-down 24-bit DIB section
// selected into a memory DC, an output view on it through the GDI back end,
// pixel reading straight from the bits, and a BMP file of it for review.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "render/output/gdi_canvas_win.h"
#include "render/output/output_view.h"

namespace output_test {

constexpr uint32_t white = 0xFFFFFF;

// A white top-down 24-bit DIB section selected into a memory DC, with a view
// drawing into it.
struct DibPicture {
    int width, height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    OutputView view;

    DibPicture(int w, int h, double scale = 1.0, int stage = 4, double scale_y = 0.0) : width(w), height(h) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
        output_view_init(&view, output_screen);
        view.canvas = gdi_canvas(dc);
        view.transform.scale = ViewScale{scale, scale_y > 0 ? scale_y : scale};
        view.stage = stage;
    }
    ~DibPicture() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DibPicture(const DibPicture&) = delete;
    DibPicture& operator=(const DibPicture&) = delete;
    OutputView* v() { return &view; }
    size_t stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t(3); }
    // COLORREF of a pixel, read from the bits; outside: white.
    uint32_t at(int x, int y) {
        GdiFlush();
        if (x < 0 || y < 0 || x >= width || y >= height) return white;
        const uint8_t* p = bits + static_cast<size_t>(y) * stride() + static_cast<size_t>(x) * 3;
        return static_cast<uint32_t>(p[2]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[0]) << 16;
    }
    bool ink(int x, int y) { return at(x, y) != white; }
    // Any ink within d pixels of (x, y).
    bool ink_near(int x, int y, int d) {
        for (int j = y - d; j <= y + d; ++j)
            for (int i = x - d; i <= x + d; ++i)
                if (ink(i, j)) return true;
        return false;
    }
    int count_ink() {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += ink(x, y) ? 1 : 0;
        return n;
    }
    bool write_bmp(const std::string& path) {
        GdiFlush();
        // Stored bottom-up, as a plain BMP.
        BITMAPFILEHEADER fh = {};
        BITMAPINFOHEADER ih = {};
        ih.biSize = sizeof ih;
        ih.biWidth = width;
        ih.biHeight = height;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        DWORD size = static_cast<DWORD>(stride() * static_cast<size_t>(height));
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + size;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&ih, sizeof ih, 1, f);
        for (int y = height - 1; y >= 0; --y) std::fwrite(bits + static_cast<size_t>(y) * stride(), 1, stride(), f);
        return std::fclose(f) == 0;
    }
};

}  // namespace output_test
