// Little-endian field access at byte offsets of stored records and pages.
// Stored layouts are byte arrays with unaligned fields; these go through
// memcpy so they work on any host and never overlay a struct.
#pragma once
#include <cstdint>
#include <cstring>

inline uint16_t st_u16(const void* p, size_t off) {
    const unsigned char* b = static_cast<const unsigned char*>(p) + off;
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t st_u32(const void* p, size_t off) {
    const unsigned char* b = static_cast<const unsigned char*>(p) + off;
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
inline void st_put_u16(void* p, size_t off, uint16_t v) {
    unsigned char* b = static_cast<unsigned char*>(p) + off;
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
}
inline void st_put_u32(void* p, size_t off, uint32_t v) {
    unsigned char* b = static_cast<unsigned char*>(p) + off;
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
    b[2] = static_cast<unsigned char>(v >> 16);
    b[3] = static_cast<unsigned char>(v >> 24);
}
inline double st_f64(const void* p, size_t off) {
    uint64_t lo = st_u32(p, off), hi = st_u32(p, off + 4);
    uint64_t bits = lo | (hi << 32);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
inline void st_put_f64(void* p, size_t off, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    st_put_u32(p, off, static_cast<uint32_t>(bits));
    st_put_u32(p, off + 4, static_cast<uint32_t>(bits >> 32));
}
inline float st_f32(const void* p, size_t off) {
    uint32_t bits = st_u32(p, off);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline void st_put_f32(void* p, size_t off, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    st_put_u32(p, off, bits);
}
