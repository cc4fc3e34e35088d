// Sketches shared between projection windows (see sketch_shares.h).
#include "shell/sketch_shares.h"

#include <string>
#include <vector>

namespace {

struct Entry {
    std::string path;
    int page;
    double angle;
    bool lighten;
    DWORD size_low, size_high;
    FILETIME written;
    SketchShare share;
    int references;
};

std::vector<Entry> entries;

bool file_identity(const char* path, DWORD* low, DWORD* high, FILETIME* written) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    *low = data.nFileSizeLow;
    *high = data.nFileSizeHigh;
    *written = data.ftLastWriteTime;
    return true;
}

}  // namespace

bool sketch_share_take(const char* path, int page, double angle, bool lighten, SketchShare* out) {
    DWORD low = 0, high = 0;
    FILETIME written;
    if (entries.empty() || !file_identity(path, &low, &high, &written)) return false;
    for (Entry& e : entries) {
        // Paths compare without regard to case, as the file system does.
        if (lstrcmpiA(e.path.c_str(), path) != 0 || e.page != page || e.angle != angle || e.lighten != lighten)
            continue;
        if (e.size_low != low || e.size_high != high || CompareFileTime(&e.written, &written) != 0) continue;
        ++e.references;
        *out = e.share;
        return true;
    }
    return false;
}

void sketch_share_add(const char* path, int page, double angle, bool lighten, const SketchShare& rendered) {
    Entry e;
    if (!rendered.dc || !rendered.bitmap || !file_identity(path, &e.size_low, &e.size_high, &e.written)) return;
    e.path = path;
    e.page = page;
    e.angle = angle;
    e.lighten = lighten;
    e.share = rendered;
    e.references = 1;
    try {
        entries.push_back(e);
    } catch (...) {
        // Without room for the entry the window keeps its bitmap unshared.
    }
}

void sketch_release(HDC dc, HBITMAP bitmap) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].share.dc != dc || !dc) continue;
        if (--entries[i].references > 0) return;
        dc = entries[i].share.dc;
        bitmap = entries[i].share.bitmap;
        entries.erase(entries.begin() + static_cast<long>(i));
        break;
    }
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
}

int sketch_share_references(HDC dc) {
    for (const Entry& e : entries)
        if (dc && e.share.dc == dc) return e.references;
    return 0;
}
