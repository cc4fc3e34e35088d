// The level-set flag of a projection's contours, used by the visibility-level
// dialog: bit 11 of a contour's flags says that every member element present
// in the projection has bit 8 of its flags set.
#include "shell/group_flags.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

void group_flags_update(unsigned char* projection) {
    DrawingFile* df = current_drawing_file();
    if (!projection || !df) return;
    PageBuffer* buf = &page_buffers[table_contours];
    RecordRef* head = reinterpret_cast<RecordRef*>(projection + projection_contours);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (error_flag) return;
        uint16_t flags = static_cast<uint16_t>(get_u16(r, contour_flags) & ~0x0800u);
        if ((flags & contour_flag_kind) <= 1) {
            flags |= 0x0800;
            // Members are read only as far as the record holds them.
            int room = (get_u16(r, 0) - contour_members) / 4;
            int count = get_i16(r, contour_member_count);
            if (count > room) count = room;
            for (int i = 0; i < count; ++i) {
                uint32_t key = get_u32(r, contour_members + 4 * i);
                unsigned char* e = element_find_by_key(projection, nullptr, key);
                if (error_flag) return;
                if (e && !(get_u16(e, element_flags) & 0x0100)) {
                    flags &= static_cast<uint16_t>(~0x0800u);
                    break;
                }
            }
        }
        if (get_u16(r, contour_flags) != flags) {
            put_u16(r, contour_flags, flags);
            buf->clean = 0;
        }
    }
}
