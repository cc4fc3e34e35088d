// Fuzz target of the archive reader: any input must end in success or in the
// reader's failure, never in a read or write outside its buffers.
#include "store/archive_reader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/program_messages.h"

// The message seam of the reader: the fuzz target shows nothing.
int16_t error_flag = 0;
int show_program_message(const char*) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> dest(65536);
    int rc = unpack_from_memory(data, size, dest.data(), dest.size());
    if (rc != 0 && rc != 1 && rc != -1) __builtin_trap();
    if (rc == 1 && error_flag == 0) __builtin_trap();
    return 0;
}
