// Annotation texts: packing into a record's room, the default height index
// and the trailing-number increment of Shift-clones.
#include "annotation/annotation_texts.h"

#include "store/settings_block.h"

bool pack_text_into_room(const std::string& text, int room, RecordBytes* out) {
    RecordBytes packed = pack_whole_text(text);
    if (static_cast<int>(packed.size()) > room) return false;
    *out = std::move(packed);
    return true;
}

int default_height_index() {
    int index = settings_block ? settings_block[settings_text_size_index_offset] & 0x0F : 2;
    return clamp_height_index(index);
}

std::string increment_trailing_number(const std::string& text, bool* changed) {
    if (changed) *changed = false;
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    size_t start = end;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    if (start == end) return text;
    // Decimal increment of the digit string, so no run of digits overflows.
    std::string digits = text.substr(start, end - start);
    size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string("0") : digits.substr(first);
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            break;
        }
    }
    if (i < 0) digits.insert(digits.begin(), '1');
    if (changed) *changed = true;
    return text.substr(0, start) + digits;
}
