// Win32 side of the stroke fonts: the resources of the program module.
#include "render/text/stroke_font_win.h"

#include "render/text/stroke_font.h"

int stroke_fonts_load_module(HMODULE module) {
    FontResourceBytes res[stroke_font_count];
    for (int i = 0; i < stroke_font_count; ++i) {
        res[i].data = nullptr;
        res[i].size = 0;
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(stroke_font_ids[i]), "gfnt");
        if (found == nullptr)
            continue;   // refused by stroke_fonts_load, which names the set
        HGLOBAL loaded = LoadResource(module, found);
        if (loaded == nullptr)
            continue;
        res[i].data = static_cast<const uint8_t*>(LockResource(loaded));
        res[i].size = res[i].data ? static_cast<uint32_t>(SizeofResource(module, found)) : 0;
    }
    return stroke_fonts_load(res);
}
