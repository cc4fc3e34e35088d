// Reader of the program's packed archive format (ARJ layout, marker 0xCA 0xF4).
//
// One unpack runs from start to end within the call; the reader's state is a
// set of file globals reset at each use.  Every read is bounded by the input
// size: the packed image is data, and damaged data must end in a message,
// never in a read outside the input or a write outside a buffer.
#include "store/archive_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/program_messages.h"

void* (*archive_allocate)(size_t size) = malloc;
void* (*archive_reallocate)(void* block, size_t size) = realloc;
void (*archive_release)(void* block) = free;

namespace {

// ---------------------------------------------------------------- layout
const uint8_t header_marker_lo = 0xCA;
const uint8_t header_marker_hi = 0xF4;
const uint16_t header_marker = 0xF4CA;
const size_t header_search_limit = 25000;
const size_t basic_header_max = 2600;
const size_t name_max = 511;
const size_t comment_max = 2047;
const size_t first_part_min = 30;

// Fields of the basic header.
const size_t bh_first_size = 0;
const size_t bh_archiver_version = 1;
const size_t bh_min_version = 2;
const size_t bh_host_system = 3;
const size_t bh_flags = 4;
const size_t bh_method = 5;
const size_t bh_file_type = 6;
const size_t bh_packed_size = 12;
const size_t bh_unpacked_size = 16;
const size_t bh_file_crc = 20;

const uint8_t flag_garbled = 0x01;
const uint8_t flag_volume = 0x04;
const uint8_t flag_path_slash = 0x10;

// LZ77 with static Huffman codes.
const int window_size = static_cast<int>(archive_window_size);
const int max_match = 256;
const int threshold = 3;
const int nc = 255 + max_match + 2 - threshold;  // 510 literal/length symbols
const int np = 17;                               // position symbols
const int nt = 19;                               // code-length symbols
const int npt = 19;
const int c_bits = 9;
const int p_bits = 5;
const int t_bits = 5;
const int c_table_bits = 12;
const int pt_table_bits = 8;

uint16_t get_u16le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get_u32le(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// ---------------------------------------------------------------- state
uint32_t crc_table[256];
uint32_t crc_register;

const uint8_t* input;
size_t input_size;
size_t input_pos;

uint8_t header_buf[basic_header_max];
char archive_name[16];
char member_name[name_max + 1];
char member_comment[comment_max + 1];
uint8_t hdr_archiver_version, hdr_min_version, hdr_host_system, hdr_flags, hdr_method, hdr_file_type;
uint32_t hdr_packed_size, hdr_unpacked_size, hdr_file_crc;
int failed_members;

uint8_t* out_buf;
size_t out_len;
size_t out_cap;

// Bits of the member's packed data: bit_buf always holds the next 16 bits.
uint64_t bit_acc;
int bit_acc_count;
uint32_t packed_left;

uint8_t* window;
uint16_t block_left;
uint8_t c_len[nc];
uint8_t pt_len[npt];
uint16_t c_table[1 << c_table_bits];
uint16_t pt_table[1 << pt_table_bits];
uint16_t left_node[2 * nc - 1];
uint16_t right_node[2 * nc - 1];

void build_crc_table() {
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        crc_table[i] = r;
    }
}

void crc_update(const uint8_t* p, size_t n) {
    uint32_t r = crc_register;
    for (size_t i = 0; i < n; ++i) r = crc_table[(r ^ p[i]) & 0xFF] ^ (r >> 8);
    crc_register = r;
}

// Reports a failure: the text formatted into at most 79 characters (names of
// up to 511 characters are cut), shown, and the error flag set to flag.
void report(int16_t flag, const char* format, ...) {
    char text[80];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    show_program_message(text);
    error_flag = flag;
}

bool failed() { return error_flag != 0; }

// ---------------------------------------------------------------- input
bool read_bytes(void* dst, size_t n) {
    if (input_pos > input_size || input_size - input_pos < n) {
        report(2, "$чтения файла");
        return false;
    }
    memcpy(dst, input + input_pos, n);
    input_pos += n;
    return true;
}

bool skip_bytes(size_t n) {
    if (input_pos > input_size || input_size - input_pos < n) {
        report(2, "$чтения файла");
        return false;
    }
    input_pos += n;
    return true;
}

// The first position below 25000 (and inside the input) that holds the marker
// followed by a plausible basic header size.
bool find_header() {
    for (size_t p = 0; p < header_search_limit && p + 4 <= input_size; ++p) {
        if (input[p] == header_marker_lo && input[p + 1] == header_marker_hi &&
            get_u16le(input + p + 2) <= basic_header_max) {
            input_pos = p;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- headers
// Reads one header at the input position.  Returns 1 for a header, 0 for the
// end marker, -1 on a failure (reported).
int read_header(bool main_header) {
    uint8_t two[2];
    if (!read_bytes(two, 2)) return -1;
    if (get_u16le(two) != header_marker) {
        if (main_header)
            report(2, "%s недопустимый файл", archive_name);
        else
            report(2, "%%ый файл");
        return -1;
    }
    if (!read_bytes(two, 2)) return -1;
    size_t n = get_u16le(two);
    if (n == 0) return 0;
    if (n > basic_header_max) {
        report(2, "%%ый файл");
        return -1;
    }
    if (!read_bytes(header_buf, n)) return -1;
    uint8_t four[4];
    if (!read_bytes(four, 4)) return -1;
    crc_register = 0xFFFFFFFFu;
    crc_update(header_buf, n);
    if (!main_header && ~crc_register != get_u32le(four)) {
        report(2, "%%ый файл");
        return -1;
    }
    // The fixed fields end at byte 30; name and comment, each with its NUL,
    // must lie inside the header.
    size_t f = header_buf[bh_first_size];
    if (n < first_part_min || f < first_part_min || f > n) {
        report(2, "%%ый файл");
        return -1;
    }
    const uint8_t* name = header_buf + f;
    const uint8_t* name_end = static_cast<const uint8_t*>(memchr(name, 0, n - f));
    if (!name_end) {
        report(2, "%%ый файл");
        return -1;
    }
    const uint8_t* comment = name_end + 1;
    size_t comment_room = n - static_cast<size_t>(comment - header_buf);
    const uint8_t* comment_end = static_cast<const uint8_t*>(memchr(comment, 0, comment_room));
    if (!comment_end) {
        report(2, "%%ый файл");
        return -1;
    }
    hdr_archiver_version = header_buf[bh_archiver_version];
    hdr_min_version = header_buf[bh_min_version];
    hdr_host_system = header_buf[bh_host_system];
    hdr_flags = header_buf[bh_flags];
    hdr_method = header_buf[bh_method];
    hdr_file_type = header_buf[bh_file_type];
    hdr_packed_size = get_u32le(header_buf + bh_packed_size);
    hdr_unpacked_size = get_u32le(header_buf + bh_unpacked_size);
    hdr_file_crc = get_u32le(header_buf + bh_file_crc);

    size_t name_len = static_cast<size_t>(name_end - name);
    if (name_len > name_max) name_len = name_max;
    memcpy(member_name, name, name_len);
    member_name[name_len] = 0;
    size_t comment_len = static_cast<size_t>(comment_end - comment);
    if (comment_len > comment_max) comment_len = comment_max;
    memcpy(member_comment, comment, comment_len);
    member_comment[comment_len] = 0;
    if (hdr_host_system != 0) {
        for (char* c = member_name; *c; ++c) *c = static_cast<char>(*c & 0x7F);
        for (char* c = member_comment; *c; ++c) *c = static_cast<char>(*c & 0x7F);
    }
    if (hdr_flags & flag_path_slash) {
        for (char* c = member_name; *c; ++c)
            if (*c == '/') *c = '\\';
    }

    // Extended headers: a size, that many bytes and their CRC-32; size 0 ends them.
    for (;;) {
        if (!read_bytes(two, 2)) return -1;
        size_t s = get_u16le(two);
        if (s == 0) break;
        if (!skip_bytes(s + 4)) return -1;
    }
    return 1;
}

// ---------------------------------------------------------------- output
bool output_append(const uint8_t* p, size_t n) {
    crc_update(p, n);
    if (out_cap - out_len < n) {
        size_t want = out_len + n + 256;
        uint8_t* grown = static_cast<uint8_t*>(archive_reallocate(out_buf, want));
        if (!grown) {
            report(2, "$записи в файл");
            return false;
        }
        out_buf = grown;
        out_cap = want;
    }
    if (hdr_file_type == 1) {
        for (size_t i = 0; i < n; ++i) out_buf[out_len + i] = static_cast<uint8_t>(p[i] & 0x7F);
    } else {
        memcpy(out_buf + out_len, p, n);
    }
    out_len += n;
    return true;
}

// ---------------------------------------------------------------- bit input
uint8_t next_packed_byte() {
    if (packed_left == 0) return 0;
    --packed_left;
    return input[input_pos++];
}

unsigned bit_buf() {
    return static_cast<unsigned>((bit_acc >> (bit_acc_count - 16)) & 0xFFFF);
}

// Drops n bits (0..16) and brings n new bits in.
void drop_bits(int n) {
    while (bit_acc_count < 16 + n) {
        bit_acc = (bit_acc << 8) | next_packed_byte();
        bit_acc_count += 8;
    }
    bit_acc_count -= n;
    bit_acc &= (uint64_t(1) << bit_acc_count) - 1;
}

unsigned get_bits(int n) {
    if (n == 0) return 0;
    unsigned v = bit_buf() >> (16 - n);
    drop_bits(n);
    return v;
}

void init_bits() {
    bit_acc = 0;
    bit_acc_count = 0;
    while (bit_acc_count < 16) {
        bit_acc = (bit_acc << 8) | next_packed_byte();
        bit_acc_count += 8;
    }
}

// ---------------------------------------------------------------- Huffman tables
// Builds the decoding table of a canonical code from its lengths (each 0..16).
// The lengths must fill the 16-bit code space exactly; codes longer than
// table_bits continue through tree nodes numbered from nchar on.
bool make_table(int nchar, const uint8_t* bit_len, int table_bits, uint16_t* table) {
    uint32_t count[17] = {0};
    uint32_t weight[17];
    uint32_t start[18];
    for (int i = 0; i < nchar; ++i) count[bit_len[i]]++;
    start[1] = 0;
    for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
    if (start[17] != (1u << 16)) {
        report(2, "$кода (%d)", 0);
        return false;
    }
    int jut_bits = 16 - table_bits;
    int i = 1;
    for (; i <= table_bits; ++i) {
        start[i] >>= jut_bits;
        weight[i] = 1u << (table_bits - i);
    }
    for (; i <= 16; ++i) weight[i] = 1u << (16 - i);
    // Entries of long-code prefixes start empty (0) before the tree grows.
    uint32_t first_long = start[table_bits + 1] >> jut_bits;
    for (uint32_t k = first_long; k < (1u << table_bits); ++k) table[k] = 0;

    uint32_t avail = static_cast<uint32_t>(nchar);
    uint32_t mask = 1u << (15 - table_bits);
    for (int ch = 0; ch < nchar; ++ch) {
        int len = bit_len[ch];
        if (len == 0) continue;
        uint32_t k = start[len];
        uint32_t next_code = k + weight[len];
        if (len <= table_bits) {
            for (uint32_t e = k; e < next_code; ++e) table[e] = static_cast<uint16_t>(ch);
        } else {
            uint16_t* p = &table[k >> jut_bits];
            for (int rest = len - table_bits; rest != 0; --rest) {
                if (*p == 0) {
                    if (avail >= static_cast<uint32_t>(2 * nc - 1)) {
                        report(2, "$кода (%d)", 0);
                        return false;
                    }
                    left_node[avail] = right_node[avail] = 0;
                    *p = static_cast<uint16_t>(avail++);
                }
                p = (k & mask) ? &right_node[*p] : &left_node[*p];
                k <<= 1;
            }
            *p = static_cast<uint16_t>(ch);
        }
        start[len] = next_code;
    }
    return true;
}

// Follows the tree below a table entry: mask is the first bit of bit_buf
// after the table bits.
int walk_tree(int j, int limit, unsigned mask) {
    unsigned b = bit_buf();
    while (j >= limit) {
        if (mask == 0 || j >= 2 * nc - 1) {
            report(2, "$кода (%d)", 0);
            return -1;
        }
        j = (b & mask) ? right_node[j] : left_node[j];
        mask >>= 1;
    }
    return j;
}

// Code lengths of the code-length code (nn 19, special position 3) or of the
// position code (nn 17, no special position).
bool read_pt_len(int nn, int nbit, int i_special) {
    int n = static_cast<int>(get_bits(nbit));
    if (n == 0) {
        int c = static_cast<int>(get_bits(nbit));
        if (c >= nn) {
            report(2, "$кода (%d)", 4);
            return false;
        }
        for (int i = 0; i < nn; ++i) pt_len[i] = 0;
        for (int i = 0; i < (1 << pt_table_bits); ++i) pt_table[i] = static_cast<uint16_t>(c);
        return true;
    }
    if (n > nn) {
        report(2, "$кода (%d)", 1);
        return false;
    }
    int i = 0;
    while (i < n) {
        int c = static_cast<int>(bit_buf() >> 13);
        if (c == 7) {
            unsigned mask = 1u << 12;
            while (mask & bit_buf()) {
                mask >>= 1;
                ++c;
            }
        }
        if (c > 16) {
            report(2, "$кода (%d)", 3);
            return false;
        }
        drop_bits(c < 7 ? 3 : c - 3);
        pt_len[i++] = static_cast<uint8_t>(c);
        if (i == i_special) {
            int zeros = static_cast<int>(get_bits(2));
            if (i + zeros > nn) {
                report(2, "$кода (%d)", 2);
                return false;
            }
            while (zeros-- > 0) pt_len[i++] = 0;
        }
    }
    while (i < nn) pt_len[i++] = 0;
    return make_table(nn, pt_len, pt_table_bits, pt_table);
}

bool read_c_len() {
    int n = static_cast<int>(get_bits(c_bits));
    if (n == 0) {
        int c = static_cast<int>(get_bits(c_bits));
        if (c >= nc) {
            report(2, "$кода (%d)", 4);
            return false;
        }
        for (int i = 0; i < nc; ++i) c_len[i] = 0;
        for (int i = 0; i < (1 << c_table_bits); ++i) c_table[i] = static_cast<uint16_t>(c);
        return true;
    }
    if (n > nc) {
        report(2, "$кода (%d)", 1);
        return false;
    }
    int i = 0;
    while (i < n) {
        int c = pt_table[bit_buf() >> (16 - pt_table_bits)];
        if (c >= nt) {
            c = walk_tree(c, nt, 1u << (15 - pt_table_bits));
            if (c < 0) return false;
        }
        drop_bits(pt_len[c]);
        if (c <= 2) {
            int zeros;
            if (c == 0)
                zeros = 1;
            else if (c == 1)
                zeros = static_cast<int>(get_bits(4)) + 3;
            else
                zeros = static_cast<int>(get_bits(c_bits)) + 20;
            if (i + zeros > nc) {
                report(2, "$кода (%d)", 2);
                return false;
            }
            while (zeros-- > 0) c_len[i++] = 0;
        } else {
            c_len[i++] = static_cast<uint8_t>(c - 2);
        }
    }
    while (i < nc) c_len[i++] = 0;
    return make_table(nc, c_len, c_table_bits, c_table);
}

int decode_c() {
    if (block_left == 0) {
        block_left = static_cast<uint16_t>(get_bits(16));
        if (!read_pt_len(nt, t_bits, 3) || !read_c_len() || !read_pt_len(np, p_bits, -1)) return -1;
    }
    --block_left;
    int j = c_table[bit_buf() >> (16 - c_table_bits)];
    if (j >= nc) {
        j = walk_tree(j, nc, 1u << (15 - c_table_bits));
        if (j < 0) return -1;
    }
    drop_bits(c_len[j]);
    return j;
}

long decode_p() {
    int j = pt_table[bit_buf() >> (16 - pt_table_bits)];
    if (j >= np) {
        j = walk_tree(j, np, 1u << (15 - pt_table_bits));
        if (j < 0) return -1;
    }
    drop_bits(pt_len[j]);
    if (j == 0) return 0;
    return (1L << (j - 1)) + static_cast<long>(get_bits(j - 1));
}

// ---------------------------------------------------------------- methods
bool unpack_stored() {
    // The packed bytes lie inside the input (checked by the caller).
    const uint8_t* p = input + input_pos;
    size_t left = hdr_packed_size;
    // In chunks that end at multiples of 4096 of the input position.
    size_t chunk = 4096 - (input_pos % 4096);
    while (left > 0) {
        size_t n = left < chunk ? left : chunk;
        if (!output_append(p, n)) return false;
        p += n;
        left -= n;
        chunk = 4096;
    }
    input_pos += hdr_packed_size;
    return true;
}

bool window_put(int& r, uint8_t byte) {
    window[r] = byte;
    if (++r >= window_size) {
        r = 0;
        return output_append(window, window_size);
    }
    return true;
}

bool unpack_huffman() {
    block_left = 0;
    init_bits();
    int r = 0;
    uint32_t count = 0;
    while (count < hdr_unpacked_size) {
        int c = decode_c();
        if (c < 0) return false;
        if (c <= 255) {
            if (!window_put(r, static_cast<uint8_t>(c))) return false;
            ++count;
            continue;
        }
        int len = c - (256 - threshold);
        count += static_cast<uint32_t>(len);
        long distance = decode_p();
        if (distance < 0) return false;
        if (distance >= window_size) {
            report(2, "$кода (%d)", 5);
            return false;
        }
        int src = r - static_cast<int>(distance) - 1;
        if (src < 0) src += window_size;
        // Forward byte by byte: a match may overlap the bytes it produces.
        while (len-- > 0) {
            if (!window_put(r, window[src])) return false;
            if (++src >= window_size) src = 0;
        }
    }
    return r == 0 || output_append(window, static_cast<size_t>(r));
}

int fast_length() {
    int width = 0;
    unsigned plus = 0;
    unsigned power = 1;
    for (; width < 7; ++width) {
        if (get_bits(1) == 0) break;
        plus += power;
        power <<= 1;
    }
    return static_cast<int>(plus + get_bits(width));
}

int fast_position() {
    int width = 9;
    unsigned plus = 0;
    unsigned power = 1u << 9;
    for (; width < 13; ++width) {
        if (get_bits(1) == 0) break;
        plus += power;
        power <<= 1;
    }
    return static_cast<int>(plus + get_bits(width));
}

bool unpack_fast() {
    init_bits();
    int r = 0;
    uint32_t count = 0;
    while (count < hdr_unpacked_size) {
        int value = fast_length();
        if (value == 0) {
            if (!window_put(r, static_cast<uint8_t>(get_bits(8)))) return false;
            ++count;
            continue;
        }
        int len = value + threshold - 1;
        count += static_cast<uint32_t>(len);
        int src = r - fast_position() - 1;  // positions stay below 15872
        if (src < 0) src += window_size;
        while (len-- > 0) {
            if (!window_put(r, window[src])) return false;
            if (++src >= window_size) src = 0;
        }
    }
    return r == 0 || output_append(window, static_cast<size_t>(r));
}

void unpack_member(uint8_t* dest, size_t capacity) {
    if (hdr_min_version > 3 || (hdr_flags & flag_garbled) || hdr_method > 4 ||
        (hdr_method == 4 && hdr_archiver_version == 1) || hdr_file_type > 1) {
        report(1, "%%ый файл");
        return;
    }
    size_t data_start = input_pos;
    if (data_start > input_size || input_size - data_start < hdr_packed_size) {
        report(2, "$чтения файла");
        return;
    }
    // A member that cannot fit is refused before anything is unpacked.
    if (hdr_unpacked_size > capacity) {
        error_flag = 1;
        return;
    }
    out_buf = static_cast<uint8_t*>(archive_allocate(256));
    if (!out_buf) {
        report(1, "$открытия %s", member_name);
        return;
    }
    out_len = 0;
    out_cap = 256;
    crc_register = 0xFFFFFFFFu;
    bool ok = true;
    if (hdr_method == 0) {
        ok = unpack_stored();
    } else {
        window = static_cast<uint8_t*>(archive_allocate(window_size));
        if (window) memset(window, 0, window_size);
        if (!window) {
            report(2, "Недостаточно оперативной памяти");
            ok = false;
        } else {
            packed_left = hdr_packed_size;
            ok = hdr_method == 4 ? unpack_fast() : unpack_huffman();
            archive_release(window);
            window = nullptr;
        }
    }
    if (ok) {
        if (out_len > capacity)
            error_flag = 1;
        else if (out_len > 0)
            memcpy(dest, out_buf, out_len);
        if (~crc_register != hdr_file_crc) ++failed_members;
    }
    archive_release(out_buf);
    out_buf = nullptr;
    // The next header follows the member's packed bytes.
    input_pos = data_start + hdr_packed_size;
}

}  // namespace

uint32_t archive_crc32(const void* data, size_t size) {
    build_crc_table();
    crc_register = 0xFFFFFFFFu;
    crc_update(static_cast<const uint8_t*>(data), size);
    return ~crc_register;
}

int unpack_from_memory(const void* packed, size_t size, void* dest, size_t capacity) {
    error_flag = 0;
    // The archive is named "~." in messages: upper-cased, without its final
    // '.', and with the default extension when it has none.
    strcpy(archive_name, "~.");
    size_t len = strlen(archive_name);
    if (len > 0 && archive_name[len - 1] == '.') archive_name[--len] = 0;
    if (!strchr(archive_name, '.')) strcat(archive_name, ".BR_");

    build_crc_table();
    input = static_cast<const uint8_t*>(packed);
    input_size = packed ? size : 0;
    input_pos = 0;
    failed_members = 0;
    bool last_continues = false;

    if (!find_header()) {
        report(2, "%s недопустимый файл", archive_name);
    } else {
        int h = read_header(true);
        if (h == 0) {
            report(2, "%%ый комментарий");
        } else if (h > 0) {
            while (!failed()) {
                h = read_header(false);
                if (h <= 0) break;
                last_continues = (hdr_flags & flag_volume) != 0;
                unpack_member(static_cast<uint8_t*>(dest), capacity);
            }
        }
    }
    if (failed_members > 0 && error_flag != 2)
        report(2, "Обнаружено %5d ошибок !", failed_members);
    if (failed()) return 1;
    return last_continues ? -1 : 0;
}
