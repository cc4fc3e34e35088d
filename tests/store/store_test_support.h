// Shared fixture of the store tests: real temporary drawing files, a
// recorder in place of the message dialog, and helpers for raw file bytes.
#pragma once
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/records.h"
#include "base/byte_order.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace store_test {

inline std::vector<std::string>& shown() {
    static std::vector<std::string> v;
    return v;
}
inline void record_message(const ProgramMessage& m) { shown().push_back(m.text); }

// A unique file name in the current folder for this test.
inline std::string temp_name(const char* what) {
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string n = std::string("store_") + t->test_suite_name() + "_" + t->name() + "_" + what + ".svt";
    for (char& c : n) {
        if (c == '/') c = '_';
    }
    return n;
}

inline std::vector<unsigned char> file_bytes(const std::string& path) {
    std::vector<unsigned char> v;
    OsFile* f = os_file_open(path.c_str(), os_open_read);
    if (!f) return v;
    int64_t n = os_file_size(f);
    v.resize(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) os_file_read_at(f, 0, v.data(), v.size());
    os_file_close(f);
    return v;
}

inline void write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
    OsFile* f = os_file_open(path.c_str(), os_open_create);
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(os_file_write_at(f, 0, bytes.data(), bytes.size()), 0);
    }
    os_file_close(f);
}

// Every free page listed in df's free list (runs expanded), in list order.
inline std::vector<uint32_t> free_pages(DrawingFile* df) {
    std::vector<uint32_t> out;
    PageBuffer* b0 = &page_buffers[0];
    RecordRef f = df->free_list_head;
    for (int guard = 0; f && guard < 10000; ++guard) {
        RecordRef r = f;
        page_load(df, &r, b0);
        if (error_flag) break;
        out.push_back(f);  // a free-list page is free as well
        for (uint32_t off = 4; off <= 2044; off += 4) {
            uint32_t e = get_u32(b0->data, off);
            if (e == 0) break;
            if (e < 2048) continue;
            for (uint32_t i = 0; i <= (e & 0x7FF); ++i) out.push_back((e & ~0x7FFu) + i * 2048);
        }
        f = get_u32(b0->data, 0);
    }
    return out;
}

// Base fixture: every test starts with fresh buffers, no error, a clean
// message recorder, and closes and removes what it opened.
class StoreTest : public ::testing::Test {
protected:
    std::vector<DrawingFile*> opened;
    std::vector<std::string> files;

    // The message display the test found, put back afterwards: a process that
    // runs store tests beside window tests keeps its dialogs.
    void (*display_before)(const ProgramMessage&) = nullptr;

    void SetUp() override {
        display_before = program_message_display;
        ASSERT_EQ(store_init(), 0);
        page_buffers_init_defaults();
        error_flag = 0;
        error_stack_clear();
        last_shown_message[0] = '\0';
        file_unusable = 0;
        unusable_quit_done = 0;
        shown().clear();
        program_message_display = record_message;
        drawing_io_fault = nullptr;
        open_drawings[0] = open_drawings[1] = nullptr;
        current_drawing = 0;
    }
    void TearDown() override {
        drawing_io_fault = nullptr;
        for (DrawingFile* df : opened) {
            drawing_file_close(df);
            drawing_file_free(df);
        }
        for (const std::string& f : files) std::remove(f.c_str());
        program_message_display = display_before ? display_before : program_message_unshown;
        open_drawings[0] = open_drawings[1] = nullptr;
    }
    DrawingFile* handle(const std::string& name, uint8_t mode) {
        DrawingFile* df = drawing_file_new(name.c_str());
        EXPECT_NE(df, nullptr);
        if (!df) return nullptr;
        drawing_file_set_mode(df, mode);
        files.push_back(df->path);
        return df;
    }
    // A new empty drawing, current in slot 0.
    DrawingFile* create(const char* what = "d") {
        std::string n = temp_name(what);
        std::remove(n.c_str());
        DrawingFile* df = handle(n, drawing_mode_create_new);
        EXPECT_EQ(drawing_file_open(df, 0), 0);
        opened.push_back(df);
        open_drawings[0] = df;
        current_drawing = 0;
        return df;
    }
    // Closes df (it must close) and opens the same file again.
    DrawingFile* reopen(DrawingFile* df) {
        std::string path = df->path;
        drawing_file_close(df);
        EXPECT_EQ(error_flag, 0);
        for (DrawingFile*& o : opened)
            if (o == df) o = nullptr;
        drawing_file_free(df);
        DrawingFile* n = drawing_file_new(path.c_str());
        drawing_file_set_mode(n, drawing_mode_open_existing);
        EXPECT_EQ(drawing_file_open(n, 0), 0);
        for (DrawingFile*& o : opened)
            if (!o) o = n;
        open_drawings[0] = n;
        return n;
    }
};

// An element-like record of len bytes with key and a recognisable body.
inline std::vector<unsigned char> make_record(uint16_t len, uint32_t key, uint8_t fill = 0x5A) {
    std::vector<unsigned char> r(len, fill);
    put_u16(r.data(), 0, len);
    if (len >= 6) put_u32(r.data(), 2, key);
    if (len >= 11) r[10] = 1;  // element kind 1, never a curve
    return r;
}

}  // namespace store_test
