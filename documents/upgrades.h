// Format upgrades of drawings written by older versions of the program: the
// chain of steps that takes a header version to the current one, and the
// converters that rewrite the header and record chains.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

enum UpgradeStep : int {
    step_header_114 = 1,   // header dword 114 = 0
    step_v2,
    step_header_80,        // option word bits from the settings block
    step_v4,
    step_header_zero_ids,  // header dwords 118, 122, 126, 134 = 0
    step_v5,
    step_v6,
    step_header_138,       // option words 138, 140 masked
    step_header_101,       // header dwords 142, 146, u16 150, u16 6 = 0
    step_v101,
    step_v200,
    step_v201,
    step_v202,
    step_v204,
    step_header_160,       // picture chain head = 0
    step_v205,
    step_header_164,       // header u16 164 = 1
    step_v210,
    step_v211,
    step_v12348,
    step_v12353,
    step_v12355,
    step_v12356,
    step_v12357,
    step_count_
};

struct UpgradePlan {
    int steps[40];
    uint16_t versions_after[40];  // the version each step leaves
    int count;
    const char* refusal;          // null when the version reaches the current one
};

// Pure: the steps for a header version, or its refusal text.
UpgradePlan upgrade_plan(uint32_t version);
// The name of a step ("upgrade_v12355", or a header step's description).
const char* upgrade_step_name(int step);
// True for a converter whose old record layouts this program does not know;
// a file whose chain needs one is refused.
bool upgrade_step_unknown_layout(int step);

// Runs the plan on the current drawing (header in memory, records in the
// file); 0 on success.  Each converter ends with a save in place.
int upgrade_run(DrawingFile* df, const UpgradePlan& plan);

// Test seam: called before each record is stored by a rebuild; non-zero
// makes that store fail.
extern int (*upgrade_store_fault)();

// The refusal texts.
extern const char upgrade_text_3d[];
extern const char upgrade_text_unknown[];
