// The archive reader against archives made by the arj archiver (methods 0 to
// 4, marker rewritten to 0xCA 0xF4; see scripts/make_archive_fixtures.py), and
// against damaged archives, each of which must end in its failure.
#include "store/archive_reader.h"

#include "base/program_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes fixture(const std::string& name) {
    std::string path = std::string(SARVOLT_TEST_DATA) + "/archive/" + name;
    Bytes data;
    FILE* f = fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr) << path;
    if (!f) return data;
    unsigned char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

Bytes big_content() {
    Bytes sample = fixture("sample.bin");
    Bytes big;
    for (int i = 0; i < 10; ++i)
        for (uint8_t b : sample) big.push_back(static_cast<uint8_t>(b ^ ((17 * i) & 0xFF)));
    return big;
}

void put16(Bytes& a, size_t at, uint16_t v) {
    a[at] = static_cast<uint8_t>(v);
    a[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& a, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) a[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t get16(const Bytes& a, size_t at) { return static_cast<uint16_t>(a[at] | (a[at + 1] << 8)); }

// Offset of the first member header (the one after the main header).
size_t member_header(const Bytes& a) {
    size_t n = get16(a, 2);
    size_t pos = 8 + n;
    while (get16(a, pos) != 0) pos += 2 + get16(a, pos) + 4;
    return pos + 2;
}

// Byte i of the member's basic header.
uint8_t& member_field(Bytes& a, size_t i) { return a[member_header(a) + 4 + i]; }

// Recomputes the member header's CRC after a field was changed.
void reseal(Bytes& a) {
    size_t h = member_header(a);
    size_t n = get16(a, h + 2);
    put32(a, h + 4 + n, archive_crc32(a.data() + h + 4, n));
}

size_t member_data(const Bytes& a) {
    size_t h = member_header(a);
    return h + 4 + get16(a, h + 2) + 4 + 2;
}

// An archive built by hand: main header, one member with the given packed
// bytes, and the end marker.
Bytes build_archive(uint8_t method, const Bytes& packed, const Bytes& unpacked,
                    const Bytes& extended = {}, const std::string& name = "BLOCK") {
    auto header = [](uint8_t file_type, uint8_t method, uint32_t psize, uint32_t usize,
                     uint32_t crc, const char* name) {
        Bytes b(30, 0);
        b[0] = 30;
        b[1] = 11;  // archiver version
        b[2] = 1;   // minimum version
        b[5] = method;
        b[6] = file_type;
        put32(b, 12, psize);
        put32(b, 16, usize);
        put32(b, 20, crc);
        b.insert(b.end(), name, name + strlen(name) + 1);
        b.push_back(0);  // comment
        Bytes h = {0xCA, 0xF4, 0, 0};
        put16(h, 2, static_cast<uint16_t>(b.size()));
        h.insert(h.end(), b.begin(), b.end());
        h.resize(h.size() + 4);
        put32(h, h.size() - 4, archive_crc32(b.data(), b.size()));
        return h;
    };
    Bytes a = header(2, 0, 0, 0, 0, "BLOCK.BR_");
    a.push_back(0);
    a.push_back(0);
    Bytes m = header(0, method, static_cast<uint32_t>(packed.size()),
                     static_cast<uint32_t>(unpacked.size()),
                     archive_crc32(unpacked.data(), unpacked.size()), name.c_str());
    a.insert(a.end(), m.begin(), m.end());
    a.insert(a.end(), extended.begin(), extended.end());
    a.push_back(0);
    a.push_back(0);
    a.insert(a.end(), packed.begin(), packed.end());
    a.insert(a.end(), {0xCA, 0xF4, 0, 0});
    return a;
}

// MSB-first bit writer for hand-made packed streams.
struct BitWriter {
    Bytes bytes;
    uint32_t acc = 0;
    int count = 0;
    BitWriter& put(int n, uint32_t v) {
        for (int i = n - 1; i >= 0; --i) {
            acc = (acc << 1) | ((v >> i) & 1);
            if (++count == 8) {
                bytes.push_back(static_cast<uint8_t>(acc));
                acc = 0;
                count = 0;
            }
        }
        return *this;
    }
    Bytes done() {
        Bytes b = bytes;
        if (count) b.push_back(static_cast<uint8_t>(acc << (8 - count)));
        b.resize(b.size() + 4, 0);
        return b;
    }
};

std::vector<std::string> shown;
void record_message(const ProgramMessage& m) { shown.push_back(m.text); }

struct Result {
    int rc;
    int flag;
    Bytes dest;
};

Result unpack(const Bytes& archive, size_t capacity) {
    shown.clear();
    program_message_display = record_message;
    Result r;
    r.dest.assign(capacity, 0xEE);
    r.rc = unpack_from_memory(archive.data(), archive.size(), r.dest.data(), capacity);
    r.flag = error_flag;
    program_message_display = program_message_unshown;
    return r;
}

struct Good {
    const char* archive;
    const char* content;  // fixture name, or "big"
};

TEST(ArchiveReader, DecodesArjArchivesOfEveryMethodByteForByte) {
    const Good cases[] = {
        {"sample_m0.arj", "sample.bin"}, {"sample_m1.arj", "sample.bin"},
        {"sample_m2.arj", "sample.bin"}, {"sample_m3.arj", "sample.bin"},
        {"sample_m4.arj", "sample.bin"}, {"big_m1.arj", "big"},
        {"big_m4.arj", "big"},           {"text_t1.arj", "text.txt"},
    };
    for (const Good& c : cases) {
        SCOPED_TRACE(c.archive);
        Bytes expected = std::string(c.content) == "big" ? big_content() : fixture(c.content);
        ASSERT_FALSE(expected.empty());
        Result r = unpack(fixture(c.archive), expected.size());
        EXPECT_EQ(r.rc, 0);
        EXPECT_EQ(r.flag, 0);
        EXPECT_TRUE(shown.empty());
        EXPECT_TRUE(r.dest == expected);
    }
    // The window wraps: the big content is larger than the window.
    EXPECT_GT(big_content().size(), archive_window_size);
}

TEST(ArchiveReader, FindsTheMarkerAfterLeadingBytesAndSkipsImplausibleHeaders) {
    Bytes sample = fixture("sample.bin");
    Bytes archive = fixture("sample_m1.arj");
    struct Case {
        const char* what;
        Bytes prefix;
    } cases[] = {
        {"junk before the archive", Bytes(1000, 0x55)},
        {"a marker with header size 2601", {0xCA, 0xF4, 0x29, 0x0A, 0x00}},
        {"a lone first marker byte", {0xCA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes a = c.prefix;
        a.insert(a.end(), archive.begin(), archive.end());
        Result r = unpack(a, sample.size());
        EXPECT_EQ(r.rc, 0);
        EXPECT_TRUE(r.dest == sample);
    }
}

TEST(ArchiveReader, TextMembersLoseBit7AfterTheCrcIsTaken) {
    // A binary member turned into a text member: its CRC still covers the
    // bytes as packed, so only bit 7 of each output byte changes.
    Bytes a = fixture("sample_m1.arj");
    member_field(a, 6) = 1;
    reseal(a);
    Bytes sample = fixture("sample.bin");
    Result r = unpack(a, sample.size());
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(r.dest.size(), sample.size());
    size_t high = 0;
    for (size_t i = 0; i < sample.size(); ++i) {
        EXPECT_EQ(r.dest[i], sample[i] & 0x7F);
        high += sample[i] >= 0x80;
    }
    EXPECT_GT(high, 100u);
}

TEST(ArchiveReader, ContinuedMemberReturnsMinusOneAfterUnpacking) {
    Bytes a = fixture("sample_m0.arj");
    member_field(a, 4) |= 0x04;
    reseal(a);
    Bytes sample = fixture("sample.bin");
    Result r = unpack(a, sample.size());
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.flag, 0);
    EXPECT_TRUE(r.dest == sample);
}

TEST(ArchiveReader, ExtendedHeadersAreSkippedWithTheirCrc) {
    Bytes content(500);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 31);
    // One extended header of 5 bytes, followed by its 4-byte CRC.
    Bytes ext = {5, 0, 'x', 'y', 'z', 'w', 'v', 0, 0, 0, 0};
    put32(ext, 7, archive_crc32(ext.data() + 2, 5));
    Result r = unpack(build_archive(0, content, content, ext), content.size());
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(r.dest == content);
}

TEST(ArchiveReader, MatchesOverlappingTheirOwnOutputAreCopiedForward) {
    // Method 4: literal 'a', literal 'b', then a match of length 10 at
    // distance 2 (position code 1): "ab" repeated.
    BitWriter w;
    w.put(1, 0).put(8, 'a');
    w.put(1, 0).put(8, 'b');
    w.put(4, 0xE).put(3, 1);  // length value 8 (7 + 1): match of 10 bytes
    w.put(1, 0).put(9, 1);    // position 1: the source is two bytes back
    Bytes expected = {'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b'};
    Result r = unpack(build_archive(4, w.done(), expected), expected.size());
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(r.dest == expected);
}

// ---------------------------------------------------------------- damage

struct Damage {
    const char* what;
    const char* archive;
    std::function<void(Bytes&)> change;
    int flag;             // error flag after the unpack
    const char* message;  // text shown (markers expanded); "" none
};

TEST(ArchiveReader, DamagedArchivesEndInTheirFailure) {
    const Damage cases[] = {
        {"marker only after 25000 bytes", "sample_m0.arj",
         [](Bytes& a) { a.insert(a.begin(), 25000, 0); }, 2, "~.BR_ недопустимый файл"},
        {"the usual ARJ marker is not ours", "sample_m1.arj",
         [](Bytes& a) {
             for (size_t i = 0; i + 1 < a.size(); ++i)
                 if (a[i] == 0xCA && a[i + 1] == 0xF4) a[i] = 0x60, a[i + 1] = 0xEA;
         },
         2, "~.BR_ недопустимый файл"},
        {"empty input", "sample_m0.arj", [](Bytes& a) { a.clear(); }, 2, "~.BR_ недопустимый файл"},
        {"a marker in the last two bytes", "sample_m0.arj", [](Bytes& a) { a = {1, 2, 0xCA, 0xF4}; },
         2, "~.BR_ недопустимый файл"},
        {"main header is the end marker", "sample_m0.arj",
         [](Bytes& a) { a = {0xCA, 0xF4, 0, 0, 1, 2, 3}; }, 2, "недопустимый комментарий"},
        {"member header CRC flipped", "sample_m1.arj",
         [](Bytes& a) {
             size_t h = member_header(a);
             a[h + 4 + get16(a, h + 2)] ^= 0x01;
         },
         2, "недопустимый файл"},
        {"member marker wrong", "sample_m1.arj", [](Bytes& a) { a[member_header(a) + 1] = 0xF5; },
         2, "недопустимый файл"},
        {"member header size 2601", "sample_m1.arj",
         [](Bytes& a) { put16(a, member_header(a) + 2, 2601); }, 2, "недопустимый файл"},
        {"name starts beyond the header", "sample_m1.arj",
         [](Bytes& a) {
             member_field(a, 0) = 250;
             reseal(a);
         },
         2, "недопустимый файл"},
        {"name starts inside the fixed fields", "sample_m1.arj",
         [](Bytes& a) {
             member_field(a, 0) = 12;
             reseal(a);
         },
         2, "недопустимый файл"},
        {"comment without its NUL", "sample_m1.arj",
         [](Bytes& a) {
             size_t h = member_header(a);
             a[h + 4 + get16(a, h + 2) - 1] = 'x';
             reseal(a);
         },
         2, "недопустимый файл"},
        {"garbled member", "sample_m1.arj",
         [](Bytes& a) {
             member_field(a, 4) |= 0x01;
             reseal(a);
         },
         1, "недопустимый файл"},
        {"method 5", "sample_m1.arj",
         [](Bytes& a) {
             member_field(a, 5) = 5;
             reseal(a);
         },
         1, "недопустимый файл"},
        {"minimum version 4", "sample_m1.arj",
         [](Bytes& a) {
             member_field(a, 2) = 4;
             reseal(a);
         },
         1, "недопустимый файл"},
        {"method 4 from archiver version 1", "sample_m4.arj",
         [](Bytes& a) {
             member_field(a, 1) = 1;
             reseal(a);
         },
         1, "недопустимый файл"},
        {"file type 2", "sample_m0.arj",
         [](Bytes& a) {
             member_field(a, 6) = 2;
             reseal(a);
         },
         1, "недопустимый файл"},
        {"packed size beyond the input", "sample_m1.arj",
         [](Bytes& a) {
             put32(a, member_header(a) + 4 + 12, 0xFFFFFFF0u);
             reseal(a);
         },
         2, "ОШИБКА чтения файла"},
        {"unpacked size beyond capacity is refused unread", "sample_m1.arj",
         [](Bytes& a) {
             put32(a, member_header(a) + 4 + 16, 0x7FFFFFFFu);
             reseal(a);
         },
         1, ""},
        {"truncated inside the main header", "sample_m1.arj", [](Bytes& a) { a.resize(20); }, 2,
         "ОШИБКА чтения файла"},
        {"truncated inside the member header", "sample_m1.arj",
         [](Bytes& a) { a.resize(member_header(a) + 20); }, 2, "ОШИБКА чтения файла"},
        {"truncated inside the packed data", "sample_m1.arj", [](Bytes& a) { a.resize(a.size() - 100); },
         2, "ОШИБКА чтения файла"},
        {"end marker missing", "sample_m4.arj", [](Bytes& a) { a.resize(a.size() - 4); }, 2,
         "ОШИБКА чтения файла"},
        {"stored data byte flipped", "sample_m0.arj", [](Bytes& a) { a[member_data(a) + 10] ^= 0x40; },
         2, "Обнаружено     1 ошибок !"},
        {"member CRC wrong", "sample_m4.arj",
         [](Bytes& a) {
             member_field(a, 20) ^= 0xFF;
             reseal(a);
         },
         2, "Обнаружено     1 ошибок !"},
    };
    size_t capacity = fixture("sample.bin").size();
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes a = fixture(c.archive);
        c.change(a);
        Result r = unpack(a, capacity);
        EXPECT_EQ(r.rc, 1);
        EXPECT_EQ(r.flag, c.flag);
        if (*c.message) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], c.message);
        } else {
            EXPECT_TRUE(shown.empty());
        }
    }
}

TEST(ArchiveReader, MemberLargerThanCapacityLeavesDestUntouched) {
    Bytes sample = fixture("sample.bin");
    for (const char* name : {"sample_m0.arj", "sample_m1.arj", "sample_m4.arj"}) {
        SCOPED_TRACE(name);
        Result r = unpack(fixture(name), sample.size() - 1);
        EXPECT_EQ(r.rc, 1);
        EXPECT_EQ(r.flag, 1);
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(r.dest, Bytes(sample.size() - 1, 0xEE));
    }
}

TEST(ArchiveReader, WrongDataCrcStillCopiesTheMember) {
    Bytes a = fixture("sample_m0.arj");
    a[member_data(a)] ^= 0x01;
    Bytes expected = fixture("sample.bin");
    expected[0] ^= 0x01;
    Result r = unpack(a, expected.size());
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.dest == expected);
}

// Hand-made method 1 streams whose code lengths or distances are
// inconsistent: each is refused with the code message, never read past.
TEST(ArchiveReader, InconsistentHuffmanDataIsRefused) {
    struct Case {
        const char* what;
        std::function<void(BitWriter&)> bits;
        const char* message;
    } cases[] = {
        {"code-length count above 19",
         [](BitWriter& w) { w.put(16, 1).put(5, 20); }, "ОШИБКА кода (1)"},
        {"constant code-length symbol out of range",
         [](BitWriter& w) { w.put(16, 1).put(5, 0).put(5, 19); }, "ОШИБКА кода (4)"},
        {"code length of 20 bits",
         [](BitWriter& w) { w.put(16, 1).put(5, 1).put(16, 0xFFFF); }, "ОШИБКА кода (3)"},
        {"oversubscribed code (four codes of one bit)",
         [](BitWriter& w) { w.put(16, 1).put(5, 4).put(3, 1).put(3, 1).put(3, 1).put(2, 0).put(3, 1); },
         "ОШИБКА кода (0)"},
        {"incomplete code (one code of one bit)",
         [](BitWriter& w) { w.put(16, 1).put(5, 1).put(3, 1); }, "ОШИБКА кода (0)"},
        {"literal/length count above 510",
         [](BitWriter& w) { w.put(16, 1).put(5, 0).put(5, 3).put(9, 511); }, "ОШИБКА кода (1)"},
        {"constant literal/length symbol out of range",
         [](BitWriter& w) { w.put(16, 1).put(5, 0).put(5, 3).put(9, 0).put(9, 510); }, "ОШИБКА кода (4)"},
        {"zero run past the last symbol",
         // Every code-length symbol is 2: 20 + 9 bits zero lengths, twice.
         [](BitWriter& w) { w.put(16, 1).put(5, 0).put(5, 2).put(9, 510).put(9, 480).put(9, 100); },
         "ОШИБКА кода (2)"},
        {"position code count above 17",
         [](BitWriter& w) {
             w.put(16, 1).put(5, 0).put(5, 3).put(9, 0).put(9, 'x').put(5, 18);
         },
         "ОШИБКА кода (1)"},
        {"distance beyond the window",
         // Constant symbols: length code 509 (a match of 256), position 16.
         [](BitWriter& w) {
             w.put(16, 1).put(5, 0).put(5, 3).put(9, 0).put(9, 509).put(5, 0).put(5, 16).put(15, 0x7FFF);
         },
         "ОШИБКА кода (5)"},
    };
    Bytes content(300, 'x');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitWriter w;
        c.bits(w);
        Result r = unpack(build_archive(1, w.done(), content), content.size());
        EXPECT_EQ(r.rc, 1);
        EXPECT_EQ(r.flag, 2);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], c.message);
    }
    // The same frame with consistent constant codes decodes: 300 literals 'x'.
    BitWriter w;
    w.put(16, 300).put(5, 0).put(5, 3).put(9, 0).put(9, 'x').put(5, 0).put(5, 0);
    Result r = unpack(build_archive(1, w.done(), content), content.size());
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.dest == content);
}

TEST(ArchiveReader, NamesLongerThanTheirBufferAreCut) {
    Bytes content(10, 1);
    Result r = unpack(build_archive(0, content, content, {}, std::string(1500, 'N')), content.size());
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.dest == content);
}

}  // namespace

namespace {

size_t refused_size;  // allocations of this size fail
void* refusing_allocate(size_t size) { return size == refused_size ? nullptr : malloc(size); }
void* refusing_reallocate(void*, size_t) { return nullptr; }

TEST(ArchiveReader, AllocationFailuresAreReported) {
    struct Case {
        const char* what;
        const char* archive;
        size_t refused;
        bool refuse_growth;
        int flag;
        const char* message;
    } cases[] = {
        {"output buffer", "sample_m1.arj", 256, false, 1, "ОШИБКА открытия sample.bin"},
        {"window", "sample_m1.arj", archive_window_size, false, 2, "Недостаточно оперативной памяти"},
        {"window of the fast method", "sample_m4.arj", archive_window_size, false, 2,
         "Недостаточно оперативной памяти"},
        {"output growth", "sample_m0.arj", 0, true, 2, "ОШИБКА записи в файл"},
    };
    size_t capacity = fixture("sample.bin").size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        refused_size = c.refused;
        archive_allocate = refusing_allocate;
        if (c.refuse_growth) archive_reallocate = refusing_reallocate;
        Result r = unpack(fixture(c.archive), capacity);
        archive_allocate = malloc;
        archive_reallocate = realloc;
        EXPECT_EQ(r.rc, 1);
        EXPECT_EQ(r.flag, c.flag);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], c.message);
        EXPECT_EQ(r.dest, Bytes(capacity, 0xEE));
    }
}

}  // namespace
