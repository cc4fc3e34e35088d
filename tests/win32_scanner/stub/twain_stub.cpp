// The stand-in data source manager (see twain_stub.h).  It checks the
// records it is given the way a manager reads them and answers from the
// script.
#include <windows.h>

#include <cstring>

#include "base/byte_order.h"
#include "render/images/twain_records.h"
#include "twain_stub.h"

namespace {

StubState state;

void log_call(bool to_source, uint32_t group, uint16_t data_type, uint16_t message) {
    if (state.call_count < 64) state.calls[state.call_count] = {to_source, group, data_type, message};
    ++state.call_count;
}

// A packed DIB with a grey colour table for up to 8 bits; row bytes count up.
HGLOBAL make_dib() {
    const unsigned bits = state.dib_bits;
    const uint32_t entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    const uint32_t stride = (uint32_t(state.dib_width) * bits + 31) / 32 * 4;
    const uint32_t rows = uint32_t(state.dib_height < 0 ? -state.dib_height : state.dib_height);
    const uint32_t size = 40 + 4 * entries + stride * rows;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    uint8_t* d = static_cast<uint8_t*>(GlobalLock(h));
    put_u32(d, 0, 40);
    put_i32(d, 4, state.dib_width);
    put_i32(d, 8, state.dib_height);
    put_u16(d, 12, 1);
    put_u16(d, 14, static_cast<uint16_t>(bits));
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t v = static_cast<uint8_t>(entries > 1 ? i * 255 / (entries - 1) : 0);
        d[40 + 4 * i] = d[41 + 4 * i] = d[42 + 4 * i] = v;
    }
    for (uint32_t i = 40 + 4 * entries; i < size; ++i) d[i] = static_cast<uint8_t>(i * 7 + 3);
    GlobalUnlock(h);
    return h;
}

uint16_t control(void* dest, uint16_t data_type, uint16_t message, uint8_t* data) {
    switch (data_type) {
    case twain_dat_parent:
        if (message == twain_msg_opendsm)
            state.opendsm_parent = reinterpret_cast<uintptr_t>(*reinterpret_cast<HWND*>(data));
        return twain_rc_success;
    case twain_dat_identity:
        if (message == twain_msg_userselect) {
            if (state.userselect_rc != twain_rc_success) return state.userselect_rc;
            std::memset(data, 0, twain_identity_size);
            put_u32(data, twain_identity_id, 7);
            twain_put_str32(data, twain_identity_product_name, "Stand-in scanner");
            return twain_rc_success;
        }
        if (message == twain_msg_opends) return state.opends_rc;
        return twain_rc_success;
    case twain_dat_capability: {
        state.cap = get_u16(data, 0);
        state.con_type = get_u16(data, 2);
        HGLOBAL container = static_cast<HGLOBAL>(twain_get_handle(data, twain_capability_container));
        state.container_size = static_cast<uint32_t>(GlobalSize(container));
        if (const uint8_t* one = static_cast<const uint8_t*>(GlobalLock(container))) {
            state.item_type = get_u16(one, 0);
            state.item = get_u32(one, 2);
            GlobalUnlock(container);
        }
        return state.capability_rc;
    }
    case twain_dat_userinterface:
        if (message == twain_msg_enableds) {
            state.show_ui = get_u16(data, 0);
            state.modal_ui = get_u16(data, 2);
            state.enable_parent = reinterpret_cast<uintptr_t>(twain_get_handle(data, twain_userinterface_parent));
            if (state.enableds_rc != twain_rc_success) return state.enableds_rc;
            if (state.source_message)
                PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(state.enable_parent)),
                             state.source_message, 0, 0);
        }
        return twain_rc_success;
    case twain_dat_event: {
        ++state.events_seen;
        const MSG* msg = static_cast<const MSG*>(twain_get_handle(data, 0));
        state.last_event_time = msg->time;
        if (msg->message != state.source_message) return twain_rc_notdsevent;
        ++state.source_events;
        put_u16(data, twain_event_message, state.event_answer);
        return twain_rc_dsevent;
    }
    case twain_dat_status:
        put_u16(data, 0, state.condition_code);
        return twain_rc_success;
    case twain_dat_pendingxfers:
        put_u16(data, 0, 0);
        return twain_rc_success;
    default:
        (void)dest;
        return twain_rc_failure;
    }
}

}  // namespace

extern "C" uint16_t WINAPI DSM_Entry(void* origin, void* dest, uint32_t group, uint16_t data_type,
                                     uint16_t message, void* data) {
    if (origin) std::memcpy(state.origin, origin, sizeof state.origin);
    log_call(dest != nullptr, group, data_type, message);
    uint8_t* d = static_cast<uint8_t*>(data);
    if (group == twain_dg_control) return control(dest, data_type, message, d);
    if (group == twain_dg_image && data_type == twain_dat_imageinfo) {
        if (state.imageinfo_rc != twain_rc_success) return state.imageinfo_rc;
        std::memset(d, 0, twain_imageinfo_size);
        put_i32(d, 8, state.dib_width);
        put_i32(d, 12, state.dib_height);
        return twain_rc_success;
    }
    if (group == twain_dg_image && data_type == twain_dat_imagenativexfer) {
        if (state.nativexfer_rc != twain_rc_xferdone) return state.nativexfer_rc;
        HGLOBAL h = make_dib();
        state.native_handle = reinterpret_cast<uintptr_t>(h);
        *static_cast<HGLOBAL*>(data) = h;
        return twain_rc_xferdone;
    }
    return twain_rc_failure;
}

extern "C" StubState* stub_state() { return &state; }

extern "C" void stub_reset() {
    std::memset(&state, 0, sizeof state);
    state.nativexfer_rc = twain_rc_xferdone;
    state.source_message = WM_APP + 5;
    state.event_answer = twain_msg_xferready;
    state.dib_width = 33;
    state.dib_height = 2;
    state.dib_bits = 1;
}
