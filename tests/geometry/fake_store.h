// An in-memory record store for the kernel tests: chains of byte records
// per projection and chain offset, filled into the kernel's store seam.
// Curve records longer than a page are stored as chunks of at most 55
// vertices that share their end vertices, as the drawing store does.
#pragma once
#include "base/byte_order.h"
#include "geometry/kernel_seams.h"

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace fake_store {

struct Record {
    std::vector<uint8_t> bytes;
    uint32_t ref;
};

struct State {
    std::map<std::pair<const uint8_t*, int>, std::vector<Record>> chains;
    uint32_t next_ref = 4;
    int changed = 0;
    int lock_depth = 0;
    int lock_acquires = 0;
    int fail_adds = 0;  // adds that fail from now on
};

inline State& state() {
    static State s;
    return s;
}

inline std::vector<Record>& chain(const uint8_t* projection, int c) { return state().chains[{projection, c}]; }

inline uint32_t put(const uint8_t* projection, int c, const uint8_t* rec, size_t len) {
    Record r{std::vector<uint8_t>(rec, rec + len), state().next_ref};
    state().next_ref += 0x800;
    chain(projection, c).push_back(r);
    return r.ref;
}

inline uint32_t add(uint8_t* projection, int c, const uint8_t* rec) {
    if (state().fail_adds) return 0;
    uint16_t len = get_u16(rec, 0);
    int16_t count = get_i16(rec, 14);
    bool curve = (get_u16(rec, 10) & 0x0F) == 5;
    size_t full = curve ? 16 + 36u * static_cast<size_t>(count) : len;
    if (!curve || full <= 2044) return put(projection, c, rec, curve ? (len ? len : full) : len);
    // Chunks: the head with bit 7, up to 55 vertices, the next chunk starting
    // again at the last vertex copied.
    uint32_t ref = 0;
    int at = 0;
    while (at < count - 1) {
        int n = 0;
        std::vector<uint8_t> chunk(rec, rec + 16);
        put_u16(chunk.data(), 12, static_cast<uint16_t>(get_u16(rec, 12) | 0x80));
        while (at + n < count) {
            chunk.insert(chunk.end(), rec + 16 + 36 * (at + n), rec + 16 + 36 * (at + n + 1));
            ++n;
            int left = count - (at + n);
            if (n == 55 || (left < 2 && n >= 52)) break;
        }
        put_i16(chunk.data(), 14, static_cast<int16_t>(n));
        put_u16(chunk.data(), 0, static_cast<uint16_t>(36 * n));
        chunk.resize(36 * n);
        ref = put(projection, c, chunk.data(), chunk.size());
        at += n - 1;
    }
    return ref;
}

inline uint8_t* next(uint8_t* projection, int c, const uint8_t* prev, uint32_t* ref) {
    std::vector<Record>& ch = chain(projection, c);
    size_t i = 0;
    if (prev) {
        while (i < ch.size() && ch[i].bytes.data() != prev) ++i;
        ++i;
    }
    if (i >= ch.size()) return nullptr;
    if (ref) *ref = ch[i].ref;
    return ch[i].bytes.data();
}

inline void remove(uint8_t* projection, int c, uint32_t ref) {
    std::vector<Record>& ch = chain(projection, c);
    for (size_t i = 0; i < ch.size(); ++i)
        if (ch[i].ref == ref) {
            ch.erase(ch.begin() + static_cast<long>(i));
            return;
        }
}

inline uint8_t* find_element(uint8_t* projection, const uint8_t* prev, uint32_t key) {
    for (uint8_t* r = next(projection, chain_elements, prev, nullptr); r; r = next(projection, chain_elements, r, nullptr))
        if (get_u32(r, 2) == key) return r;
    return nullptr;
}

inline void install() {
    state() = State();
    kernel_store.next = next;
    kernel_store.add = add;
    kernel_store.remove = remove;
    kernel_store.changed = [](int, const uint8_t*) { ++state().changed; };
    kernel_store.find_element = find_element;
    kernel_lock.acquire = [] {
        ++state().lock_depth;
        ++state().lock_acquires;
    };
    kernel_lock.release = [] { --state().lock_depth; };
    kernel_lock.painting = kernel_lock_unbound.painting;
}

inline void uninstall() {
    kernel_store = kernel_store_unbound;
    kernel_lock = kernel_lock_unbound;
}

// An element record of `len` bytes with number, kind and flags.
inline std::vector<uint8_t> element(size_t len, uint32_t number, uint16_t flags, uint16_t style = 0) {
    std::vector<uint8_t> r(len, 0);
    put_u16(r.data(), 0, static_cast<uint16_t>(len));
    put_u32(r.data(), 2, number);
    put_u16(r.data(), 10, flags);
    put_u16(r.data(), 12, style);
    return r;
}

}  // namespace fake_store
