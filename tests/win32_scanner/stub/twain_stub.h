// A stand-in TWAIN data source manager for the scanner tests: a DLL named
// TWAIN_32.DLL beside the test program, exporting DSM_Entry at ordinal 1.
// It plays one scripted source and logs every call; the test reaches its
// script and log through the exported `stub_state`.
#pragma once
#include <cstdint>

struct StubCall {
    bool to_source;      // dest was given
    uint32_t group;
    uint16_t data_type, message;
};

struct StubState {
    // ---- script (set by the test; stub_reset gives the defaults)
    uint16_t userselect_rc;     // 0 success, 3 cancel
    uint16_t opends_rc;
    uint16_t capability_rc;
    uint16_t enableds_rc;
    uint16_t imageinfo_rc;
    uint16_t nativexfer_rc;     // 6 done, 1 failure, 3 cancel
    uint16_t condition_code;    // given to DAT_STATUS after a failure
    uint32_t source_message;    // posted to the parent window when enabled
    uint16_t event_answer;      // the TWAIN message that post stands for
    int32_t dib_width, dib_height;
    uint16_t dib_bits;
    // ---- log
    StubCall calls[64];
    int call_count;
    uint8_t origin[156];            // the origin identity of the last call
    uint64_t opendsm_parent;        // the window given with MSG_OPENDSM
    uint16_t show_ui, modal_ui;     // MSG_ENABLEDS
    uint64_t enable_parent;
    uint16_t cap, con_type, item_type;  // MSG_SET of a capability
    uint32_t item;
    uint32_t container_size;
    int events_seen;                // MSG_PROCESSEVENT calls
    int source_events;              // of them, the source's own message
    uint32_t last_event_time;       // time field of the last event's message
    uint64_t native_handle;         // the DIB handed out
};

extern "C" StubState* stub_state();
extern "C" void stub_reset();
