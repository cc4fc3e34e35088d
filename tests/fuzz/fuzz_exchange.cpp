// Fuzz target of the exchange readers: the input is read as an MGI file
// (fuzz_mgi) or a DXF file (fuzz_dxf, built with FUZZ_DXF) into a new
// drawing, which is then closed without saving.  Damage must end in the
// reader's message, never in a crash, a hang or a read outside a buffer.
#include "base/program_messages.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "output/dxf_import.h"
#include "output/import_session.h"
#include "output/mgi_format.h"
#include "store/drawing_file.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string folder;
    if (folder.empty()) {
        store_init();
        store_bind();
        settings_block_unpack();
        page_buffers_init_defaults();
        kernel_context_set_defaults();
        store_bind_kernel();
        folder = (fs::current_path() / ("fuzz_exchange_" + std::to_string(getpid()))).string();
        fs::create_directories(folder);
        fs::current_path(folder);
        std::atexit([] {
            std::error_code ec;
            fs::current_path(fs::path(folder).parent_path(), ec);
            fs::remove_all(folder, ec);
        });
    }
    tolerance_set(tolerance_standing);
    program_message_display = program_message_unshown;
    document_shell = document_shell_unbound;
    exchange_shell = ExchangeShell{};
    error_flag = 0;
    error_stack_clear();
    file_unusable = 0;
    unusable_quit_done = 0;
    FILE* f = std::fopen("input", "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    f = std::fopen("input", "rb");
    if (!f) return 0;
#ifdef FUZZ_DXF
    dxf_read(f);
#else
    mgi_read(f);
#endif
    std::fclose(f);
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
    return 0;
}
