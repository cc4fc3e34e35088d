// The window menu's order and the context-menu pop-up choice (see window_list.h).
#include "shell/core/window_list.h"

#include <cstring>
#include <vector>

static int window_list_pass(int kind) {
    if (kind == 9) return 0;
    if (kind >= 1 && kind <= 6) return 1;
    if (kind == 7) return 2;
    if (kind == 0) return 3;
    return 4;  // bit 3 set: 8 and above
}

static int caption_compare(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b ? b : "");
    while (*x && *x == *y) ++x, ++y;
    return static_cast<int>(*x) - static_cast<int>(*y);
}

size_t window_list_order(const WindowListEntry* entries, size_t count, size_t* order) {
    std::vector<bool> taken(count, false);
    size_t k = 0;
    for (int pass = 0; pass < 5; ++pass) {
        // Each round takes the smallest caption left in the pass and ends
        // when none is left.
        for (;;) {
            size_t best = count;
            for (size_t i = 0; i < count; ++i) {
                if (taken[i] || window_list_pass(entries[i].kind) != pass) continue;
                if (best == count || caption_compare(entries[i].caption, entries[best].caption) < 0) best = i;
            }
            if (best == count) break;
            taken[best] = true;
            order[k++] = best;
        }
    }
    return k;
}

int context_popup_index(int stage, int point_tool, int elements_marked, int projection_kind) {
    switch (stage) {
    case 1:
        if (point_tool == 1908) return 2;
        if (point_tool == 1990) return 1;
        return 3;
    case 2: return 0;
    case 3:
        if (!elements_marked) return 5;
        return projection_kind == 9 ? 6 : 4;
    default: return -1;
    }
}
