// A recorder of the installer's operations for tests: an in-memory machine
// (files with times and attributes, folders, registry keys and values, links,
// windows) that logs every call and can be told to fail any of them.
#pragma once
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup/setup_steps.h"

struct RecorderOps : SetupOps {
    struct File {
        int64_t size = 1;
        uint64_t created = 0, written = 0;
        bool read_only = false;
        bool archive_only = false;
    };
    std::map<std::string, File> files;      // full path -> file
    std::set<std::string> folders;          // full paths
    std::map<std::string, std::map<std::string, std::string>> keys;  // "root|key" -> values
    std::map<std::string, std::string> links;  // link path -> target
    std::set<std::string> windows;
    std::vector<std::string> calls;         // "op arg"
    std::vector<std::string> messages;
    std::vector<std::string> lines;         // the progress list as the dialog shows it
    std::string title, result;
    std::set<std::string> fail;             // "op" or "op arg" fails
    uint64_t clock = 100000000000ull;

    static std::string rk(SetupRoot r, const std::string& k) {
        static const char* names[] = {"HKLM", "HKCR", "HKCU"};
        return std::string(names[r]) + "|" + k;
    }
    bool fails(const std::string& op, const std::string& arg) {
        calls.push_back(op + " " + arg);
        return fail.count(op) || fail.count(op + " " + arg);
    }
    bool has_key(SetupRoot r, const std::string& k) const { return keys.count(rk(r, k)) != 0; }
    std::string value(SetupRoot r, const std::string& k, const std::string& v) const {
        auto it = keys.find(rk(r, k));
        if (it == keys.end()) return "<no key>";
        auto jt = it->second.find(v);
        return jt == it->second.end() ? "<no value>" : jt->second;
    }
    size_t index_of(const std::string& call) const {
        auto it = std::find(calls.begin(), calls.end(), call);
        return it == calls.end() ? std::string::npos : static_cast<size_t>(it - calls.begin());
    }
    void add_file(const std::string& path, int64_t size = 1000, uint64_t written = 0) {
        File f;
        f.size = size;
        f.created = f.written = written ? written : clock;
        files[path] = f;
    }
    // Folders of a path and its parents, as a real disk would hold them.
    void add_folder(const std::string& path) {
        for (const std::string& f : setup_folder_chain(path)) folders.insert(f);
    }

    bool file_exists(const std::string& p) override { return !fails("file_exists", p) && files.count(p); }
    int64_t file_size(const std::string& p) override {
        if (fails("file_size", p) || !files.count(p)) return -1;
        return files[p].size;
    }
    bool file_times(const std::string& p, uint64_t* c, uint64_t* w) override {
        if (fails("file_times", p) || !files.count(p)) return false;
        *c = files[p].created;
        *w = files[p].written;
        return true;
    }
    bool file_make_writable(const std::string& p) override {
        if (fails("file_make_writable", p) || !files.count(p)) return false;
        files[p].read_only = false;
        return true;
    }
    bool file_copy(const std::string& from, const std::string& to) override {
        if (fails("file_copy", to) || !files.count(from)) return false;
        // As on Windows: no copy into a missing folder, none onto a read-only file.
        if (!folders.count(to.substr(0, to.rfind('\\')))) return false;
        if (files.count(to) && files[to].read_only) return false;
        File f = files[from];
        f.created = ++clock;  // a copy is created now and keeps the source's write time
        f.archive_only = false;
        files[to] = f;
        return true;
    }
    bool file_set_archive(const std::string& p) override {
        if (fails("file_set_archive", p) || !files.count(p)) return false;
        files[p].archive_only = true;
        files[p].read_only = false;
        return true;
    }
    bool file_delete(const std::string& p) override {
        if (fails("file_delete", p) || !files.count(p) || files[p].read_only) return false;
        files.erase(p);
        return true;
    }
    bool folder_exists(const std::string& p) override { return !fails("folder_exists", p) && folders.count(p); }
    bool folder_create(const std::string& p) override {
        if (fails("folder_create", p)) return false;
        std::string parent = p.substr(0, p.rfind('\\'));
        if (parent.size() > 2 && !folders.count(parent)) return false;  // no parents made
        if (folders.count(p)) return false;
        folders.insert(p);
        return true;
    }
    bool folder_remove(const std::string& p) override {
        if (fails("folder_remove", p) || !folders.count(p)) return false;
        for (const auto& f : files)
            if (f.first.compare(0, p.size() + 1, p + "\\") == 0) return false;
        for (const auto& f : folders)
            if (f.compare(0, p.size() + 1, p + "\\") == 0) return false;
        folders.erase(p);
        return true;
    }
    bool delete_at_restart(const std::string& p) override { return !fails("delete_at_restart", p); }
    bool reg_create_key(SetupRoot r, const std::string& k) override {
        if (fails("reg_create_key", k)) return false;
        keys[rk(r, k)];
        return true;
    }
    bool reg_set(SetupRoot r, const std::string& k, const std::string& v, const std::string& d) override {
        if (fails("reg_set", k + ":" + v)) return false;
        keys[rk(r, k)][v] = d;
        return true;
    }
    bool reg_get(SetupRoot r, const std::string& k, const std::string& v, std::string* d) override {
        if (fails("reg_get", k + ":" + v)) return false;
        auto it = keys.find(rk(r, k));
        if (it == keys.end() || !it->second.count(v)) return false;
        *d = it->second[v];
        return true;
    }
    bool reg_open_full_access(SetupRoot r, const std::string& k) override {
        return !fails("reg_open_full_access", k) && has_key(r, k);
    }
    bool reg_delete_tree(SetupRoot r, const std::string& k) override {
        if (fails("reg_delete_tree", k)) return false;
        std::string base = rk(r, k);
        for (auto it = keys.begin(); it != keys.end();) {
            if (it->first == base || it->first.compare(0, base.size() + 1, base + "\\") == 0)
                it = keys.erase(it);
            else
                ++it;
        }
        return true;
    }
    void reg_delete_if_empty(SetupRoot r, const std::string& k) override {
        calls.push_back("reg_delete_if_empty " + k);
        std::string base = rk(r, k);
        auto it = keys.find(base);
        if (it == keys.end() || !it->second.empty()) return;
        for (const auto& kv : keys)
            if (kv.first.compare(0, base.size() + 1, base + "\\") == 0) return;
        keys.erase(it);
    }
    std::string expand(const std::string& t) override { return t; }
    bool link_create(const std::string& link, const std::string& target, const std::string& folder,
                     const std::string& description) override {
        if (fails("link_create", link)) return false;
        links[link] = target + "|" + folder + "|" + description;
        files[link].size = 100;
        return true;
    }
    bool window_exists(const char* cls) override { return windows.count(cls) != 0; }
    void message(const std::string& t) override { messages.push_back(t); }
    void progress_title(const std::string& t) override { title = t; }
    void progress(SetupStep kind, const std::string& t) override {
        switch (kind) {
        case step_started: lines.push_back(setup_progress_line(kind, t)); break;
        case step_done:
        case step_failed:
            if (!lines.empty()) lines.pop_back();
            lines.push_back(setup_progress_line(kind, t));
            break;
        case step_finished: result = t; break;
        }
    }
};
