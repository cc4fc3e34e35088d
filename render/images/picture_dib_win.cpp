// Pictures on Win32 devices: bitmap to DIB, and the transparent copy.
#include "render/images/picture_dib_win.h"

#include <cstdlib>
#include <cstring>

uint8_t* dib_from_bitmap(HBITMAP bitmap, bool with_bits, size_t* size) {
    if (size) *size = 0;
    BITMAP bm;
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm || bm.bmWidth <= 0 ||
        bm.bmHeight <= 0)
        return nullptr;
    const uint64_t stride = (static_cast<uint64_t>(bm.bmWidth) * 24 + 31) / 32 * 4;
    const uint64_t image = stride * static_cast<uint64_t>(bm.bmHeight);
    const uint64_t total = sizeof(BITMAPINFOHEADER) + (with_bits ? image : 0);
    if (total > 0x7FFFFFFFu) return nullptr;
    uint8_t* block = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(total)));
    if (!block) return nullptr;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = bm.bmWidth;
    header.biHeight = bm.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image);
    std::memcpy(block, &header, sizeof header);
    if (with_bits) {
        HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        HDC dc = screen ? CreateCompatibleDC(screen) : nullptr;
        const int rows = dc ? GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight),
                                        block + sizeof header,
                                        reinterpret_cast<BITMAPINFO*>(block), DIB_RGB_COLORS)
                            : 0;
        if (dc) DeleteDC(dc);
        if (screen) DeleteDC(screen);
        if (rows != bm.bmHeight) {
            std::free(block);
            return nullptr;
        }
    }
    if (size) *size = static_cast<size_t>(total);
    return block;
}

bool blit_transparent(HDC dst, int x, int y, HDC src, int width, int height, COLORREF key) {
    if (width <= 0 || height <= 0) return true;
    HDC mask_dc = CreateCompatibleDC(dst);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    if (!mask_dc || !mask) {
        if (mask) DeleteObject(mask);
        if (mask_dc) DeleteDC(mask_dc);
        return false;
    }
    HGDIOBJ old_mask = SelectObject(mask_dc, mask);
    // Key-coloured pixels become 1 (white) in the mask, the picture 0.
    const COLORREF old_back = SetBkColor(src, key);
    BitBlt(mask_dc, 0, 0, width, height, src, 0, 0, SRCCOPY);
    SetBkColor(src, old_back);
    // Monochrome to colour uses the destination's text (0) and background
    // (1) colours: black and white keep the AND a pure mask.
    const COLORREF old_text = SetTextColor(dst, RGB(0, 0, 0));
    const COLORREF old_dst_back = SetBkColor(dst, RGB(255, 255, 255));
    BitBlt(dst, x, y, width, height, src, 0, 0, SRCINVERT);
    BitBlt(dst, x, y, width, height, mask_dc, 0, 0, SRCAND);
    BitBlt(dst, x, y, width, height, src, 0, 0, SRCINVERT);
    SetTextColor(dst, old_text);
    SetBkColor(dst, old_dst_back);
    SelectObject(mask_dc, old_mask);
    DeleteObject(mask);
    DeleteDC(mask_dc);
    return true;
}
