// Shared fixture of the document tests: each test works in a folder of its
// own (snapshots appear beside drawings), with recorders in place of the
// shell and helpers that build small drawings with projections and points.
#pragma once
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/number_pools.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "documents/saving.h"
#include "base/byte_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace doc_test {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

struct Recorder {
    std::vector<std::string> messages;
    std::vector<int> questions;
    std::vector<DocumentChange> changes;
    std::vector<std::string> titles;
    std::vector<std::string> prompts;
    std::vector<std::string> recent;
    int answer = 1;           // to every question
    std::string save_choice;  // "" cancels the save dialog
};

inline Recorder& rec() {
    static Recorder r;
    return r;
}

inline void record_message(const ProgramMessage& m) { rec().messages.push_back(m.text); }

inline Bytes file_bytes(const std::string& path) {
    Bytes v;
    OsFile* f = os_file_open(path.c_str(), os_open_read);
    if (!f) return v;
    int64_t n = os_file_size(f);
    v.resize(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) os_file_read_at(f, 0, v.data(), v.size());
    os_file_close(f);
    return v;
}

inline void write_bytes(const std::string& path, const Bytes& b) {
    OsFile* f = os_file_open(path.c_str(), os_open_create);
    ASSERT_NE(f, nullptr);
    if (!b.empty()) {
        ASSERT_EQ(os_file_write_at(f, 0, b.data(), b.size()), 0);
    }
    os_file_close(f);
}

inline std::vector<std::string> folder_files(const std::string& pattern = "*") {
    struct Ctx {
        std::vector<std::string> names;
    } c;
    os_folder_list(".", pattern.c_str(),
                   [](const char* n, void* x) { static_cast<Ctx*>(x)->names.push_back(n); }, &c);
    std::sort(c.names.begin(), c.names.end());
    return c.names;
}

template <typename T, typename U>
bool contains(const std::vector<T>& v, const U& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

// A projection record with chain heads 0 and a short name.
inline Bytes projection_bytes(uint32_t key) {
    Bytes r(projection_record_head, 0);
    put_u16(r.data(), 0, projection_record_head);
    put_u32(r.data(), 2, key);
    return r;
}

inline Bytes point_bytes(uint32_t key, double sx, double sy, double tx, double ty) {
    Bytes r(point_record_size, 0);
    put_u16(r.data(), 0, point_record_size);
    put_u32(r.data(), 2, key);
    put_f64(r.data(), point_sketch_x, sx);
    put_f64(r.data(), point_sketch_y, sy);
    put_f64(r.data(), point_true_x, tx);
    put_f64(r.data(), point_true_y, ty);
    return r;
}

// Adds a projection to the current drawing; returns its RecordRef.
inline RecordRef add_projection(uint32_t key) {
    DrawingFile* df = current_drawing_file();
    RecordRef head = get_u32(df->header, header_projections);
    Bytes p = projection_bytes(key);
    RecordRef r = record_add_at_end(df, &head, p.data(), &page_buffers[table_projections]);
    put_u32(df->header, header_projections, head);
    return r;
}

// Adds a record to the chain at chain_off of the projection at pref.
inline RecordRef add_to_projection(RecordRef pref, uint32_t chain_off, int table, const Bytes& r) {
    DrawingFile* df = current_drawing_file();
    RecordRef x = pref;
    unsigned char* p = record_read_at(df, &x, &page_buffers[table_projections]);
    if (!p) return 0;
    RecordRef head = get_u32(p, chain_off);
    RecordRef got = record_add(df, &head, r.data(), &page_buffers[table]);
    x = pref;
    p = record_read_at(df, &x, &page_buffers[table_projections]);
    put_u32(p, chain_off, head);
    page_buffers[table_projections].clean = 0;
    return got;
}

// Every record of every chain of the current drawing, in walk order, each
// prefixed by the chain it came from.
inline std::vector<Bytes> all_records() {
    std::vector<Bytes> out;
    DrawingFile* df = current_drawing_file();
    if (!df) return out;
    RecordRef ph = get_u32(df->header, header_projections);
    std::vector<Bytes> projections;
    unsigned char* p = nullptr;
    while ((p = record_next(df, &ph, p, &page_buffers[table_projections])) != nullptr)
        projections.emplace_back(p, p + get_u16(p, 0));
    for (const Bytes& pr : projections) {
        out.push_back(pr);
        for (uint32_t off : {projection_points, projection_elements, projection_links}) {
            int table = off == projection_points ? table_points
                        : off == projection_elements ? table_elements : table_links;
            RecordRef h = get_u32(pr.data(), off);
            unsigned char* r = nullptr;
            while ((r = record_next(df, &h, r, &page_buffers[table])) != nullptr) {
                Bytes b(r, r + get_u16(r, 0));
                b.insert(b.begin(), static_cast<unsigned char>(off));
                out.push_back(b);
            }
        }
    }
    return out;
}

class DocTest : public ::testing::Test {
protected:
    fs::path home;
    fs::path dir;

    void SetUp() override {
        home = fs::current_path();
        const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string n = std::string("doc_") + t->test_suite_name() + "_" + t->name();
        for (char& c : n)
            if (c == '/') c = '_';
        dir = home / n;
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::current_path(dir);
        ASSERT_EQ(store_init(), 0);
        store_bind();
        page_buffers_init_defaults();
        error_flag = 0;
        error_stack_clear();
        last_shown_message[0] = '\0';
        file_unusable = 0;
        unusable_quit_done = 0;
        program_message_display = record_message;
        drawing_io_fault = nullptr;
        document_file_fault = nullptr;
        document_ticks = nullptr;
        open_drawings[0] = open_drawings[1] = nullptr;
        open_drawing_count = 0;
        current_drawing = 0;
        undo_steps = 1;
        checkpoint_hold = auto_checkpoints_off = 0;
        checkpoints_discard();
        rec() = Recorder();
        document_shell = document_shell_unbound;
        document_shell.ask = [](int code, const char*, unsigned) {
            rec().questions.push_back(code);
            return rec().answer;
        };
        document_shell.changed = [](DocumentChange what) { rec().changes.push_back(what); };
        document_shell.title_set = [](const char* t) { rec().titles.push_back(t); };
        document_shell.prompt_show = [](const char* t) { rec().prompts.push_back(t); };
        document_shell.recent_files_add = [](const char* p) { rec().recent.push_back(p); };
        document_shell.save_dialog = [](const char*, char* path, size_t size) {
            if (rec().save_choice.empty()) return 0;
            std::snprintf(path, size, "%s", rec().save_choice.c_str());
            return 1;
        };
        document_shell.stage_caption = []() -> const char* { return "Опорные точки  "; };
    }

    void TearDown() override {
        drawing_io_fault = nullptr;
        document_file_fault = nullptr;
        rec().answer = 0;
        for (int i = 0; i < 3 && open_drawing_count > 0; ++i) drawing_close();
        for (DrawingFile*& d : open_drawings) {
            if (d) {
                d->flags |= drawing_flag_read_only;
                drawing_file_close(d);
                drawing_file_free(d);
            }
            d = nullptr;
        }
        open_drawing_count = 0;
        checkpoints_discard();
        program_message_display = program_message_unshown;
        document_shell = document_shell_unbound;
        fs::current_path(home);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string full(const std::string& name) { return (fs::current_path() / name).string(); }

    // A named drawing file with one projection holding n points; closed.
    std::string make_drawing(const std::string& name, int n = 3) {
        DrawingFile* df = drawing_file_new(name.c_str());
        EXPECT_NE(df, nullptr);
        drawing_file_set_mode(df, drawing_mode_create_new);
        EXPECT_EQ(drawing_file_open(df, 0), 0);
        DrawingFile* keep = open_drawings[0];
        int keep_cur = current_drawing;
        open_drawings[0] = df;
        current_drawing = 0;
        put_u32(df->header, header_identity, 1000 + static_cast<uint32_t>(name.size()));
        RecordRef pr = add_projection(1);
        for (int i = 1; i <= n; ++i)
            add_to_projection(pr, projection_points, table_points, point_bytes(i, i, 2 * i, i, 2 * i));
        std::string path = df->path;
        drawing_file_close(df);
        EXPECT_EQ(error_flag, 0);
        drawing_file_free(df);
        open_drawings[0] = keep;
        current_drawing = keep_cur;
        return path;
    }

    int messages_with(const std::string& part) {
        int n = 0;
        for (const std::string& m : rec().messages)
            if (m.find(part) != std::string::npos) ++n;
        return n;
    }
};

}  // namespace doc_test
