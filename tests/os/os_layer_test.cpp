// The OS layer's two sides pass the same tests: natively against POSIX, in
// the i686 build under Wine against KERNEL32.
#include "base/os_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string temp_folder() {
    char buf[1024];
    size_t n = os_current_folder(buf, sizeof buf);
    EXPECT_GT(n, 0u);
    return std::string(buf, n);
}

std::string temp_path(const char* name) {
    return temp_folder() + os_path_separator() + "os_layer_" + name;
}

TEST(OsFile, CreateWriteReadAtOffsetsAndSize) {
    std::string p = temp_path("rw.bin");
    OsFile* f = os_file_open(p.c_str(), os_open_create);
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> page(2048);
    for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<unsigned char>(i * 7);
    ASSERT_EQ(os_file_write_at(f, 4096, page.data(), page.size()), 0);
    EXPECT_EQ(os_file_size(f), 6144);
    std::vector<unsigned char> back(2048);
    EXPECT_EQ(os_file_read_at(f, 4096, back.data(), back.size()), 2048);
    EXPECT_EQ(back, page);
    // The gap before the written page reads as zeros.
    EXPECT_EQ(os_file_read_at(f, 0, back.data(), 16), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back[i], 0);
    // A read past the end returns what there is.
    EXPECT_EQ(os_file_read_at(f, 6000, back.data(), 1000), 144);
    EXPECT_EQ(os_file_read_at(f, 9000, back.data(), 10), 0);
    EXPECT_EQ(os_file_flush(f), 0);
    EXPECT_EQ(os_file_truncate(f, 2048), 0);
    EXPECT_EQ(os_file_size(f), 2048);
    os_file_close(f);
    EXPECT_EQ(os_file_exists(p.c_str()), 1);
    EXPECT_EQ(os_file_delete(p.c_str()), 0);
    EXPECT_EQ(os_file_exists(p.c_str()), 0);
}

TEST(OsFile, OpenModesRefuseWhatTheyMust) {
    std::string p = temp_path("modes.bin");
    os_file_delete(p.c_str());
    EXPECT_EQ(os_file_open(p.c_str(), os_open_read), nullptr);
    EXPECT_EQ(os_file_open(p.c_str(), os_open_read_write), nullptr);
    OsFile* f = os_file_open(p.c_str(), os_open_create_new);
    ASSERT_NE(f, nullptr);
    os_file_close(f);
    EXPECT_EQ(os_file_open(p.c_str(), os_open_create_new), nullptr);
    f = os_file_open(p.c_str(), os_open_read);
    ASSERT_NE(f, nullptr);
    char c = 'x';
    EXPECT_EQ(os_file_write_at(f, 0, &c, 1), -1);  // read-only handle
    os_file_close(f);
    // A folder is not a file.
    std::string folder = temp_folder();
    EXPECT_EQ(os_file_open(folder.c_str(), os_open_read), nullptr);
    EXPECT_EQ(os_file_exists(folder.c_str()), 0);
    os_file_delete(p.c_str());
}

TEST(OsFile, CopyRenameReplaceTargetsAndListFolder) {
    std::string a = temp_path("a.tmp"), b = temp_path("b.tmp"), c = temp_path("c.tmp");
    OsFile* f = os_file_open(a.c_str(), os_open_create);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(os_file_write_at(f, 0, "SARV", 4), 0);
    os_file_close(f);
    f = os_file_open(c.c_str(), os_open_create);
    ASSERT_NE(f, nullptr);
    os_file_close(f);
    ASSERT_EQ(os_file_copy(a.c_str(), b.c_str()), 0);
    ASSERT_EQ(os_file_rename(b.c_str(), c.c_str()), 0);  // replaces c
    EXPECT_EQ(os_file_exists(b.c_str()), 0);
    f = os_file_open(c.c_str(), os_open_read);
    ASSERT_NE(f, nullptr);
    char buf[8] = {};
    EXPECT_EQ(os_file_read_at(f, 0, buf, 8), 4);
    EXPECT_EQ(std::memcmp(buf, "SARV", 4), 0);
    os_file_close(f);
    EXPECT_EQ(os_file_copy(b.c_str(), a.c_str()), -1);  // no source
    EXPECT_EQ(os_file_rename(b.c_str(), a.c_str()), -1);

    std::vector<std::string> names;
    int n = os_folder_list(temp_folder().c_str(), "OS_LAYER_?.TMP",
                           [](const char* name, void* ctx) {
                               static_cast<std::vector<std::string>*>(ctx)->push_back(name);
                           }, &names);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(names.size(), 2u);
    int64_t now = os_time_now();
    int64_t mt = os_file_mtime(a.c_str());
    EXPECT_LE(std::llabs(mt - now), 120);
    EXPECT_EQ(os_file_mtime(b.c_str()), -1);
    EXPECT_LE(os_local_day_start(), now);
    EXPECT_GT(os_local_day_start(), now - 2 * 86400);
    os_file_delete(a.c_str());
    os_file_delete(c.c_str());
}

TEST(OsFolder, CurrentFolderRoundTrip) {
    std::string here = temp_folder();
    char small[2];
    EXPECT_EQ(os_current_folder(small, sizeof small), 0u);  // does not fit
    EXPECT_EQ(os_set_current_folder(here.c_str()), 0);
    EXPECT_EQ(temp_folder(), here);
    EXPECT_EQ(os_set_current_folder((here + os_path_separator() + "no_such_folder_x").c_str()), -1);
}

TEST(OsLock, IsRecursiveAndExcludesOtherThreads) {
    OsLock* l = os_lock_create();
    os_lock_enter(l);
    os_lock_enter(l);  // the holder may enter again
    os_lock_leave(l);
    os_lock_leave(l);
    long counter = 0;
    std::vector<std::thread> ts;
    for (int t = 0; t < 4; ++t)
        ts.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                os_lock_enter(l);
                long v = counter;
                counter = v + 1;
                os_lock_leave(l);
            }
        });
    for (auto& t : ts) t.join();
    EXPECT_EQ(counter, 80000);
    os_lock_destroy(l);
}

TEST(OsEvent, ManualResetStaysSignalledUntilReset) {
    OsEvent* e = os_event_create(true);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(os_event_wait_ms(e, 0));
    EXPECT_TRUE(os_event_wait_ms(e, 0));  // a wait does not reset it
    os_event_reset(e);
    EXPECT_FALSE(os_event_wait_ms(e, 20));
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        os_event_wait(e);
        woke = true;
    });
    os_sleep_ms(30);
    EXPECT_FALSE(woke.load());
    os_event_set(e);
    waiter.join();
    EXPECT_TRUE(woke.load());
    os_event_destroy(e);
}

}  // namespace
