// The fourteen font resources as windres put them into SARVOLT.exe: found by
// their ids and the type "gfnt", the same bytes as the built files, loaded
// into the font tables.
#include "render/text/stroke_font.h"
#include "render/text/stroke_font_win.h"
#include "stroke_font_files.h"

#include "base/program_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

TEST(FontModule, ProgramResourcesAreTheBuiltFonts) {
    HMODULE program = LoadLibraryExA(SARVOLT_FONT_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << SARVOLT_FONT_PROGRAM;
    for (int i = 0; i < stroke_font_count; ++i) {
        HRSRC r = FindResourceA(program, MAKEINTRESOURCEA(stroke_font_ids[i]), "gfnt");
        ASSERT_NE(r, nullptr) << stroke_font_ids[i];
        std::vector<uint8_t> file = read_file(std::string(SARVOLT_FONT_DIR) + "/font" +
                                              std::to_string(stroke_font_ids[i]) + ".gfnt");
        ASSERT_EQ(SizeofResource(program, r), file.size()) << stroke_font_ids[i];
        const void* data = LockResource(LoadResource(program, r));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::memcmp(data, file.data(), file.size()), 0) << stroke_font_ids[i];
    }
    ASSERT_EQ(stroke_fonts_load_module(program), 0);
    EXPECT_NE(stroke_font_tables[0][0][0], nullptr);
    double w, h;
    select_text_font(3, 0, 0);
    measure_text("\xD1\xC0\xD0\xC2\xCE\xCB\xD2", &w, &h);   // САРВОЛТ
    EXPECT_GT(w, 0.0);
    FreeLibrary(program);
}

TEST(FontModule, AModuleWithoutFontsIsRefused) {
    // The test program itself carries no fonts.
    EXPECT_EQ(stroke_fonts_load_module(GetModuleHandleA(nullptr)), -1);
    EXPECT_EQ(stroke_font_failed_id, 247);
    EXPECT_EQ(error_flag, 1);
    error_flag = 0;
    error_stack_clear();
    EXPECT_EQ(stroke_font_tables[0][0][0], nullptr);
}

}  // namespace
