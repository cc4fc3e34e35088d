// Little-endian field access at a byte offset of a buffer.
//
// Every record and block with a stored layout (drawing-file pages, records,
// the settings block) is read and written through these helpers, one field at
// a time at its offset. Fields may lie at any byte position, so nothing here
// assumes alignment, and the byte order does not depend on the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint8_t get_u8(const void* buf, size_t off) {
    return static_cast<const uint8_t*>(buf)[off];
}

inline void put_u8(void* buf, size_t off, uint8_t v) {
    static_cast<uint8_t*>(buf)[off] = v;
}

inline uint16_t get_u16(const void* buf, size_t off) {
    const uint8_t* p = static_cast<const uint8_t*>(buf) + off;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void put_u16(void* buf, size_t off, uint16_t v) {
    uint8_t* p = static_cast<uint8_t*>(buf) + off;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline int16_t get_i16(const void* buf, size_t off) {
    return static_cast<int16_t>(get_u16(buf, off));
}

inline void put_i16(void* buf, size_t off, int16_t v) {
    put_u16(buf, off, static_cast<uint16_t>(v));
}

inline uint32_t get_u32(const void* buf, size_t off) {
    const uint8_t* p = static_cast<const uint8_t*>(buf) + off;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void put_u32(void* buf, size_t off, uint32_t v) {
    uint8_t* p = static_cast<uint8_t*>(buf) + off;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline int32_t get_i32(const void* buf, size_t off) {
    return static_cast<int32_t>(get_u32(buf, off));
}

inline void put_i32(void* buf, size_t off, int32_t v) {
    put_u32(buf, off, static_cast<uint32_t>(v));
}

inline uint64_t get_u64(const void* buf, size_t off) {
    return static_cast<uint64_t>(get_u32(buf, off)) |
           (static_cast<uint64_t>(get_u32(buf, off + 4)) << 32);
}

inline void put_u64(void* buf, size_t off, uint64_t v) {
    put_u32(buf, off, static_cast<uint32_t>(v));
    put_u32(buf, off + 4, static_cast<uint32_t>(v >> 32));
}

inline float get_f32(const void* buf, size_t off) {
    uint32_t bits = get_u32(buf, off);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void put_f32(void* buf, size_t off, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put_u32(buf, off, bits);
}

inline double get_f64(const void* buf, size_t off) {
    uint64_t bits = get_u64(buf, off);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void put_f64(void* buf, size_t off, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put_u64(buf, off, bits);
}

static_assert(sizeof(float) == 4 && sizeof(double) == 8, "IEEE single and double expected");
