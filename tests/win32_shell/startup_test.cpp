// Start-up: image lists, icon sizes by DPI, the failure on missing fonts,
// the stale temporary files and the repair of the file association.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/frame_window.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "base/program_messages.h"
#include "store/settings_block.h"
#include "geometry/units_scale.h"
#include "render/contours/hatch_patterns.h"
#include "store/page_io.h"
#include "store/records.h"

TEST(Startup, ImageListsHoldEveryBitmapOfTheirTables) {
    test_frame();
    for (const ImageListSpec& s : image_list_specs) {
        ASSERT_NE(*s.list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(*s.list), s.count) << s.cx << "x" << s.cy;
        int cx = 0, cy = 0;
        ImageList_GetIconSize(*s.list, &cx, &cy);
        EXPECT_EQ(cx, s.cx);
        EXPECT_EQ(cy, s.cy);
    }
}

TEST(Startup, CursorsIconsAndCheckMarksAreLoaded) {
    test_frame();
    for (int i = 0; i < 34; ++i) EXPECT_NE(tool_cursors[i], nullptr) << tool_cursor_ids[i];
    for (HBITMAP b : stage_check_bitmaps) EXPECT_NE(b, nullptr);
    EXPECT_NE(help_icon, nullptr);
    EXPECT_NE(empty_mono_bitmap, nullptr);
    EXPECT_NE(normal_cursor, nullptr);
    EXPECT_NE(hand_cursor, nullptr);
}

// What start-up leaves behind for the drawing code, checked against values
// from the start-up order: every hatch kind but "none" has its generator, the dimension
// drawing sizes are set (arrow 4.2 mm, a right angle), and the default
// annotation record of the page buffers already carries the settings
// block's text size (index 2) before any drawing is opened.
TEST(Startup, HatchGeneratorsDimensionConstantsAndDefaultRecordsAreReady) {
    test_frame();
    // Kind 0 is "no hatching"; the thirteen others each have a generator.
    EXPECT_EQ(hatch_kinds[0].generator, nullptr);
    for (int i = 1; i < hatch_kind_count; ++i)
        EXPECT_NE(hatch_kinds[i].generator, nullptr) << "hatch kind " << int(hatch_kinds[i].code);
    EXPECT_EQ(dimension_drawing_constants[1], 4.2);
    EXPECT_EQ(dimension_drawing_constants[2], 1.2);
    EXPECT_NEAR(dimension_drawing_constants[5], 1.5707963267948966, 1e-15);
    const PageBuffer& annotation = page_buffers[table_annotation];
    ASSERT_NE(annotation.data, nullptr);
    EXPECT_EQ(*annotation.front_guard, 0xCC);
    // The default record is the first of the buffer's page as start-up left
    // it (later tests open drawings through the same buffers): length 60.
    const std::vector<unsigned char>& record = startup_state().annotation_default;
    ASSERT_EQ(record.size(), 60u);
    EXPECT_EQ(get_u16(record.data(), 0), 60);
    EXPECT_EQ((get_u16(record.data(), 8) >> 7) & 0x0F, 2);
}

static int icon_width(HICON icon) {
    ICONINFO ii;
    if (!GetIconInfo(icon, &ii)) return 0;
    BITMAP bm;
    GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    return bm.bmWidth;
}

TEST(Startup, IconsAre32PixelsUpTo100DpiAnd64Above) {
    test_frame();
    int saved = screen_dpi;
    const int cases[][2] = {{96, 32}, {100, 32}, {120, 64}};
    for (const auto& c : cases) {
        screen_dpi = c[0];
        for (int id : {105, 109, 321, 537}) EXPECT_EQ(icon_width(load_icon_scaled(id)), c[1]) << id;
    }
    screen_dpi = saved;
}

TEST(Startup, MissingFontResourcesFailTheStart) {
    test_frame();
    HINSTANCE saved = program_instance;
    program_instance = GetModuleHandleA("kernel32.dll");  // a module without "gfnt"
    EXPECT_EQ(load_font_resource(MAKEINTRESOURCEA(247), "gfnt"), nullptr);
    EXPECT_FALSE(startup_run(frame_window));
    error_stack_clear();  // the missing font's detail
    program_instance = saved;
    EXPECT_NE(load_font_resource(MAKEINTRESOURCEA(247), "gfnt"), nullptr);
    EXPECT_TRUE(startup_run(frame_window));  // puts back what the failed run replaced
}

namespace {
// A scratch folder made current for the test; restored afterwards.
struct ScratchFolder {
    std::string previous, path;
    explicit ScratchFolder(const char* name) {
        previous = current_folder();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path = std::string(temp) + name + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
        SetCurrentDirectoryA(path.c_str());
    }
    ~ScratchFolder() {
        SetCurrentDirectoryA(previous.c_str());
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((path + "\\" + fd.cFileName).c_str());
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(path.c_str());
    }
};

void touch(const char* name, const SYSTEMTIME& local) {
    HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    FILETIME lt, utc;
    SystemTimeToFileTime(&local, &lt);
    LocalFileTimeToFileTime(&lt, &utc);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
}

bool exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(StaleFiles, CutOffIsTodaysLocalMidnightInUtc) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME cutoff = stale_cutoff(now), local;
    FileTimeToLocalFileTime(&cutoff, &local);
    SYSTEMTIME back;
    FileTimeToSystemTime(&local, &back);
    EXPECT_EQ(back.wYear, now.wYear);
    EXPECT_EQ(back.wMonth, now.wMonth);
    EXPECT_EQ(back.wDay, now.wDay);
    EXPECT_EQ(back.wHour, 0);
    EXPECT_EQ(back.wMinute, 0);
    EXPECT_EQ(back.wSecond, 1);
}

TEST(StaleFiles, YesterdaysFilesAreOfferedTodaysKept) {
    test_frame();
    ScratchFolder folder("sarvolt stale ");
    SYSTEMTIME now;
    GetLocalTime(&now);
    // Today 00:30 local lies before 03:00 local, which is today's UTC
    // midnight east of UTC: such a file is today's and stays.
    SYSTEMTIME early = now;
    early.wHour = 0;
    early.wMinute = 30;
    early.wSecond = early.wMilliseconds = 0;
    FILETIME ft;
    SystemTimeToFileTime(&early, &ft);
    ULARGE_INTEGER u = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart -= 24ull * 3600 * 10000000;
    FILETIME yft = {u.LowPart, u.HighPart};
    SYSTEMTIME yesterday;
    FileTimeToSystemTime(&yft, &yesterday);
    touch("svt00001.tmp", yesterday);
    touch("svt00002.tmp", early);
    touch("other.tmp", yesterday);
    FILETIME cutoff = stale_cutoff(now);
    {
        DialogWatcher w([](HWND d) { press(d, 2); });  // "&Нет" keeps them
        EXPECT_EQ(stale_files_remove(cutoff), 0);
        ASSERT_EQ(w.seen.size(), 1u);
        EXPECT_EQ(w.seen[0].text(1033), "Удалить вчерашние и более старые временные файлы SVTxxxxx.TMP?\n");
    }
    EXPECT_TRUE(exists("svt00001.tmp"));
    {
        DialogWatcher w;
        EXPECT_EQ(stale_files_remove(cutoff), 1);
        EXPECT_EQ(w.seen.size(), 1u);
    }
    EXPECT_FALSE(exists("svt00001.tmp"));
    EXPECT_TRUE(exists("svt00002.tmp"));
    EXPECT_TRUE(exists("other.tmp"));
    {
        DialogWatcher w;
        EXPECT_EQ(stale_files_remove(cutoff), 0);
        EXPECT_TRUE(w.seen.empty());  // nothing stale: no question
    }
}

namespace {
std::string read_value(HKEY root, const char* key, const char* value) {
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<no key>";
    char buf[1200] = {};
    DWORD n = sizeof buf - 1;
    LONG r = RegQueryValueExA(k, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &n);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}
}  // namespace

TEST(Association, RepairedOnlyWhenTheProgramFileIsInTheCurrentFolder) {
    test_frame();
    const char* key = settings_text(settings_program_key_offset);
    ASSERT_STREQ(key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\SARVOLT.exe");
    char saved[sizeof program_folder];
    std::memcpy(saved, program_folder, sizeof saved);
    std::string old_path = read_value(HKEY_LOCAL_MACHINE, key, "Path");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    {
        ScratchFolder folder("sarvolt assoc empty ");
        file_association_repair();
        EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, key, "Path"), "<no key>");
    }
    {
        ScratchFolder folder("sarvolt assoc with blank ");
        CloseHandle(CreateFileA("SARVOLT.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        file_association_repair();
        EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, key, "Path"), folder.path);
        EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, key, nullptr), folder.path + "\\sarvolt.exe");
        EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, ".svt", nullptr), "svtfile");
        EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, "svtfile", nullptr), "Документ SARVOLT");
        EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, "svtfile\\DefaultIcon", nullptr),
                  folder.path + "\\SARVOLT.exe,1");
        const std::string open = "\"" + folder.path + "\\SARVOLT.exe\" \"%1\"";
        for (const char* verb : {"open", "print", "printto"})
            EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, (std::string("svtfile\\shell\\") + verb + "\\command").c_str(), nullptr),
                      open) << verb;
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    if (old_path[0] != '<') {
        HKEY k;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(k, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_path.c_str()),
                           static_cast<DWORD>(old_path.size()));
            RegCloseKey(k);
        }
    }
    std::memcpy(program_folder, saved, sizeof saved);
}
