// The drawing store against SQLite on the same work: 100,000 element records
// of 54 bytes added to one chain, walked, fetched at random by reference,
// every second one deleted, then the file saved and opened again.  SQLite
// keeps (key, blob) rows in one table, written in one transaction, and looks
// a row up by its rowid.  After the runs the ratios are printed.
#include "base/byte_order.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/records.h"
#include "store/kernel_binding.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const int record_count = 100000;
const uint16_t record_size = 54;
const char store_path[] = "bench_store.svt";
const char sqlite_path[] = "bench_store.sqlite";

enum Phase { add, walk, fetch, erase, reopen, phase_count };
const char* phase_names[phase_count] = {"add", "walk", "fetch", "delete every second", "save and reopen"};

std::vector<unsigned char> element(uint32_t key) {
    std::vector<unsigned char> r(record_size, 0);
    put_u16(r.data(), 0, record_size);
    put_u32(r.data(), 2, key);
    put_u16(r.data(), 10, 1);  // a straight line
    put_f64(r.data(), 22, key * 0.5);
    return r;
}

std::vector<uint32_t> random_order() {
    std::vector<uint32_t> order(record_count);
    std::mt19937 rng(42);
    for (auto& o : order) o = static_cast<uint32_t>(rng() % record_count);
    return order;
}

// ---------------------------------------------------------------- the store
struct StoreRun {
    DrawingFile* df = nullptr;
    std::vector<RecordRef> refs;
    PageBuffer* buf = &page_buffers[table_elements];
    RecordRef* head() { return reinterpret_cast<RecordRef*>(df->header + header_tables); }

    void open(bool create) {
        if (create) std::remove(store_path);
        df = drawing_file_new(store_path);
        drawing_file_set_mode(df, create ? drawing_mode_create_new : drawing_mode_open_existing);
        if (drawing_file_open(df, 0) != 0) std::abort();
        open_drawings[0] = df;
    }
    void close() {
        drawing_file_close(df);
        drawing_file_free(df);
        open_drawings[0] = df = nullptr;
    }
    void do_add() {
        refs.resize(record_count);
        for (int i = 0; i < record_count; ++i) {
            std::vector<unsigned char> r = element(static_cast<uint32_t>(i));
            refs[static_cast<size_t>(i)] = record_add(df, head(), r.data(), buf);
        }
    }
    uint64_t do_walk() {
        uint64_t sum = 0;
        for (unsigned char* r = record_next(df, head(), nullptr, buf); r; r = record_next(df, head(), r, buf))
            sum += get_u32(r, 2);
        return sum;
    }
    uint64_t do_fetch(const std::vector<uint32_t>& order) {
        uint64_t sum = 0;
        for (uint32_t i : order) {
            RecordRef ref = refs[i];
            sum += get_u32(record_read_at(df, &ref, buf), 2);
        }
        return sum;
    }
    void do_delete() {
        // Keep one, delete the next, along the chain.
        RecordRef keep = *head();
        for (;;) {
            unsigned char* k = record_read_at(df, &keep, buf);
            unsigned char* d = k ? record_next(df, head(), k, buf) : nullptr;
            if (!d) break;
            record_delete(df, head(), record_ref_of(buf, d), buf);
            unsigned char* k2 = record_read_at(df, &keep, buf);
            unsigned char* n = record_next(df, head(), k2, buf);
            if (!n) break;
            keep = record_ref_of(buf, n);
        }
    }
    void do_reopen() {
        drawing_file_save(df);
        close();
        open(false);
    }
};

// ---------------------------------------------------------------- SQLite
struct SqliteRun {
    sqlite3* db = nullptr;
    void open(bool create) {
        if (create) std::remove(sqlite_path);
        if (sqlite3_open(sqlite_path, &db) != SQLITE_OK) std::abort();
        if (create) exec("CREATE TABLE t (key INTEGER PRIMARY KEY, data BLOB)");
    }
    void close() {
        sqlite3_close(db);
        db = nullptr;
    }
    void exec(const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    }
    void do_add() {
        exec("BEGIN");
        sqlite3_stmt* s;
        sqlite3_prepare_v2(db, "INSERT INTO t (key, data) VALUES (?, ?)", -1, &s, nullptr);
        for (int i = 0; i < record_count; ++i) {
            std::vector<unsigned char> r = element(static_cast<uint32_t>(i));
            sqlite3_bind_int(s, 1, i);
            sqlite3_bind_blob(s, 2, r.data(), record_size, SQLITE_TRANSIENT);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        exec("COMMIT");
    }
    uint64_t do_walk() {
        uint64_t sum = 0;
        sqlite3_stmt* s;
        sqlite3_prepare_v2(db, "SELECT data FROM t ORDER BY key", -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            sum += get_u32(sqlite3_column_blob(s, 0), 2);
        sqlite3_finalize(s);
        return sum;
    }
    uint64_t do_fetch(const std::vector<uint32_t>& order) {
        uint64_t sum = 0;
        sqlite3_stmt* s;
        sqlite3_prepare_v2(db, "SELECT data FROM t WHERE key = ?", -1, &s, nullptr);
        for (uint32_t i : order) {
            sqlite3_bind_int(s, 1, static_cast<int>(i));
            if (sqlite3_step(s) == SQLITE_ROW) sum += get_u32(sqlite3_column_blob(s, 0), 2);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        return sum;
    }
    void do_delete() {
        exec("BEGIN");
        sqlite3_stmt* s;
        sqlite3_prepare_v2(db, "DELETE FROM t WHERE key = ?", -1, &s, nullptr);
        for (int i = 1; i < record_count; i += 2) {
            sqlite3_bind_int(s, 1, i);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        exec("COMMIT");
    }
    void do_reopen() {
        close();
        open(false);
    }
};

// Runs one phase of one engine; everything before it is set up untimed.
template <typename Run>
void run_phase(benchmark::State& state, Phase phase) {
    std::vector<uint32_t> order = random_order();
    for (auto _ : state) {
        state.PauseTiming();
        Run run;
        run.open(true);
        if (phase > add) run.do_add();
        if (phase > erase) run.do_delete();
        state.ResumeTiming();
        switch (phase) {
        case add: run.do_add(); break;
        case walk: benchmark::DoNotOptimize(run.do_walk()); break;
        case fetch: benchmark::DoNotOptimize(run.do_fetch(order)); break;
        case erase: run.do_delete(); break;
        case reopen: run.do_reopen(); break;
        default: break;
        }
        state.PauseTiming();
        run.close();
        state.ResumeTiming();
    }
}

void register_all() {
    for (int p = 0; p < phase_count; ++p) {
        Phase ph = static_cast<Phase>(p);
        benchmark::RegisterBenchmark((std::string("store/") + phase_names[p]).c_str(),
                                     [ph](benchmark::State& s) { run_phase<StoreRun>(s, ph); })
            ->Unit(benchmark::kMillisecond)->Iterations(3);
        benchmark::RegisterBenchmark((std::string("sqlite/") + phase_names[p]).c_str(),
                                     [ph](benchmark::State& s) { run_phase<SqliteRun>(s, ph); })
            ->Unit(benchmark::kMillisecond)->Iterations(3);
    }
}

// Keeps the times of every run for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) ms[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (store_init() != 0) return 1;
    store_bind();
    register_all();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-22s %12s %12s %14s\n", "work", "store ms", "sqlite ms", "sqlite/store");
    for (int p = 0; p < phase_count; ++p) {
        std::string name = phase_names[p];
        auto s = reporter.ms.find("store/" + name + "/iterations:3");
        auto q = reporter.ms.find("sqlite/" + name + "/iterations:3");
        if (s == reporter.ms.end() || q == reporter.ms.end()) continue;
        std::printf("%-22s %12.2f %12.2f %13.1fx\n", name.c_str(), s->second, q->second,
                    s->second > 0 ? q->second / s->second : 0.0);
    }
    std::remove(store_path);
    std::remove(sqlite_path);
    return 0;
}
