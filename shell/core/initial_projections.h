// The projections a new drawing starts with: the wizard's rows turned into
// requests {view kind, sketch file}, and the record of one request.
// Portable; the dialog and the store calls are the Win32 side's.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct WizardRow {
    int kind;                        // view kind of the row
    int checked;                     // the row's check box
    int count;                       // the spin's position (0..100)
    std::vector<std::string> files;  // the row's sketch files in list order
};
struct WizardRequest {
    int kind;
    std::string file;  // empty: no sketch
};

// Every checked row gives `count` requests in row order; the row's files go
// to its first requests in list order, requests beyond them get none.
std::vector<WizardRequest> wizard_requests(const std::vector<WizardRow>& rows);

// Fills rec (at least 180 bytes) for a request of view kind `kind` numbered
// `number`: no sketch, the empty frame, scale 1.0, the kind's default view
// angles; for kinds 1-6, 9 and 10 flags bit 12, and bit 8 (not on the
// sheets) when header word 114 has bit 6 and neither bit 9 nor 10.
void wizard_record(uint8_t* rec, int kind, uint32_t number, uint16_t header_word_114);
