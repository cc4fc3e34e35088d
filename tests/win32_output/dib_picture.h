// A picture to draw into under Wine: a white top-down 24-bit DIB section
// selected into a memory DC, an output view on it through the GDI back end,
// pixel reading straight from the bits, and a PNG file of it for review.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <string>
#include <vector>

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
    // The picture as a PNG file (8-bit RGB, deflate's stored blocks), for
    // review.
    bool write_png(const std::string& path) {
        GdiFlush();
        std::vector<uint8_t> raw;
        raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
        for (int y = 0; y < height; ++y) {
            raw.push_back(0);  // no filter
            const uint8_t* row = bits + static_cast<size_t>(y) * stride();
            for (int x = 0; x < width; ++x) {
                raw.push_back(row[x * 3 + 2]);
                raw.push_back(row[x * 3 + 1]);
                raw.push_back(row[x * 3]);
            }
        }
        std::vector<uint8_t> z = {0x78, 0x01};
        for (size_t at = 0; at < raw.size() || at == 0;) {
            size_t n = std::min<size_t>(raw.size() - at, 65535);
            bool last = at + n == raw.size();
            z.push_back(last ? 1 : 0);
            z.push_back(static_cast<uint8_t>(n));
            z.push_back(static_cast<uint8_t>(n >> 8));
            z.push_back(static_cast<uint8_t>(~n));
            z.push_back(static_cast<uint8_t>(~n >> 8));
            z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
            at += n;
            if (last) break;
        }
        uint32_t a = 1, b = 0;
        for (uint8_t c : raw) {
            a = (a + c) % 65521;
            b = (b + a) % 65521;
        }
        put_be(z, b << 16 | a);
        std::vector<uint8_t> ihdr;
        put_be(ihdr, static_cast<uint32_t>(width));
        put_be(ihdr, static_cast<uint32_t>(height));
        ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
        std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        chunk(file, "IHDR", ihdr);
        chunk(file, "IDAT", z);
        chunk(file, "IEND", {});
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    static void put_be(std::vector<uint8_t>& out, uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
    }
    static void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
        put_be(out, static_cast<uint32_t>(data.size()));
        size_t from = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = from; i < out.size(); ++i) {
            crc ^= out[i];
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        put_be(out, crc ^ 0xFFFFFFFFu);
    }
};

}  // namespace output_test
