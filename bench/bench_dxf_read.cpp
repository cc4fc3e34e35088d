// DXF reading benchmark: files of 10,000, 50,000 and 100,000 LINE entities
// (R2000 layout, lines joined end to end in rows, so that the reference
// points are shared as in a real drawing) read into a new drawing by the
// program's reader, against ezdxf.readfile (Debian's python3-ezdxf) on the
// same file in the same run.  Not run by the tests:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_dxf_read && (cd build/bench && ./bench_dxf_read)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "documents/document_seams.h"
#include "documents/documents.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "output/dxf_import.h"
#include "store/drawing_file.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace fs = std::filesystem;

namespace {

void write_lines(const std::string& path, int n) {
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("  0\nSECTION\n  2\nENTITIES\n", f);
    for (int i = 0; i < n; ++i) {
        int row = i / 1000, col = i % 1000;
        std::fprintf(f,
                     "  0\nLINE\n  5\n%X\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n%d.5\n 20\n%d.25\n 30\n0.0\n"
                     " 11\n%d.5\n 21\n%d.25\n 31\n0.0\n",
                     0x101 + i, col, row, col + 1, row);
    }
    std::fputs("  0\nENDSEC\n  0\nEOF\n", f);
    std::fclose(f);
}

double seconds_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main() {
    fs::path dir = fs::temp_directory_path() / ("bench_dxf_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    store_init();
    store_bind();
    settings_block_unpack();
    page_buffers_init_defaults();
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    store_bind_kernel();
    std::printf("%10s %12s %12s %8s\n", "entities", "program s", "ezdxf s", "ratio");
    for (int n : {10000, 50000, 100000}) {
        std::string path = (dir / ("lines" + std::to_string(n) + ".dxf")).string();
        write_lines(path, n);
        auto t = std::chrono::steady_clock::now();
        FILE* f = std::fopen(path.c_str(), "r");
        long got = dxf_read(f);
        std::fclose(f);
        double ours = seconds_since(t);
        while (open_drawing_count > 0 && drawing_close() == 0) {
        }
        std::string cmd = "/usr/bin/python3 -c \"import time,ezdxf; t=time.perf_counter(); ezdxf.readfile('" + path +
                          "'); print(time.perf_counter()-t)\"";
        double theirs = -1;
        if (FILE* p = popen(cmd.c_str(), "r")) {
            if (std::fscanf(p, "%lf", &theirs) != 1) theirs = -1;
            pclose(p);
        }
        std::printf("%10d %12.3f %12.3f %8.1f%s\n", n, ours, theirs, theirs > 0 ? theirs / ours : 0.0,
                    got == n ? "" : "  (count differs)");
    }
    fs::current_path(dir.parent_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
