// The new drawing's starting projections (see initial_projections.h).
#include "shell/core/initial_projections.h"

#include "shell/core/projection_records.h"

std::vector<WizardRequest> wizard_requests(const std::vector<WizardRow>& rows) {
    std::vector<WizardRequest> out;
    for (const WizardRow& r : rows) {
        if (!r.checked) continue;
        for (int i = 0; i < r.count; ++i)
            out.push_back({r.kind, static_cast<size_t>(i) < r.files.size() ? r.files[i] : std::string()});
    }
    return out;
}

void wizard_record(uint8_t* rec, int kind, uint32_t number, uint16_t header_word_114) {
    uint16_t flags = static_cast<uint16_t>((kind & 0x0F) | projection_flag_no_sketch);
    if ((kind >= 1 && kind <= 6) || kind == 9 || kind == 10) {
        flags |= 0x1000;
        if ((header_word_114 & 0x0040) && !(header_word_114 & 0x0600)) flags |= projection_flag_not_on_sheets;
    }
    projection_record_init(rec, number, flags);
}
