#include "render/images/twain_records.h"

#include <cstdio>
#include <cstring>

#include "base/byte_order.h"

namespace {
constexpr uint16_t version_major = 9;
constexpr uint16_t version_minor = 4;
constexpr uint16_t language_russian = 78;
constexpr uint16_t country_russia = 7;
}  // namespace

void twain_put_str32(uint8_t* block, size_t offset, const char* text) {
    std::memset(block + offset, 0, twain_str32_size);
    const size_t n = text ? std::strlen(text) : 0;
    std::memcpy(block + offset, text, n > 32 ? 32 : n);
}

void twain_fill_application_identity(uint8_t identity[twain_identity_size]) {
    std::memset(identity, 0, twain_identity_size);
    put_u32(identity, twain_identity_id, 0);
    put_u16(identity, twain_identity_major, version_major);
    put_u16(identity, twain_identity_minor, version_minor);
    put_u16(identity, twain_identity_language, language_russian);
    put_u16(identity, twain_identity_country, country_russia);
    char info[twain_str32_size];
    std::snprintf(info, sizeof info, "%i.%i", version_major, version_minor);
    twain_put_str32(identity, twain_identity_info, info);
    put_u16(identity, twain_identity_protocol_major, 1);
    put_u16(identity, twain_identity_protocol_minor, 8);
    put_u32(identity, twain_identity_groups, twain_dg_control | twain_dg_image);
    twain_put_str32(identity, twain_identity_manufacturer, "");
    twain_put_str32(identity, twain_identity_product_family, "Zorvan");
    twain_put_str32(identity, twain_identity_product_name, "SARVOLT");
}

void twain_fill_one_value(uint8_t block[twain_onevalue_size], int32_t value, bool is_signed) {
    std::memset(block, 0, twain_onevalue_size);
    put_u16(block, 0, is_signed ? twain_ty_int16 : twain_ty_uint16);
    put_u32(block, 2, static_cast<uint32_t>(value));
}

void twain_put_handle(uint8_t* block, size_t offset, const void* handle) {
    uint64_t v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
    for (size_t i = 0; i < twain_handle_size; ++i) block[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

void* twain_get_handle(const uint8_t* block, size_t offset) {
    uint64_t v = 0;
    for (size_t i = 0; i < twain_handle_size; ++i) v |= static_cast<uint64_t>(block[offset + i]) << (8 * i);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(v));
}
