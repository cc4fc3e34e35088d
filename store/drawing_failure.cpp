// Drawings marked as failed: the mark in the header, its message, and what
// the program messages learn of it.
#include "store/drawing_file.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "store/drawing_header.h"

namespace {
const char text_document_failure[] = "$в структуре данных";
}  // namespace

int report_document_failure(DrawingFile* document) {
    if (document && document->header) {
        uint16_t o = get_u16(document->header, header_options);
        put_u16(document->header, header_options, static_cast<uint16_t>(o | header_opt_failed));
    }
    int r = show_program_message(text_document_failure);
    error_flag = 1;
    return r;
}

bool drawing_failed_open() {
    for (DrawingFile* df : open_drawings) {
        if (df && (df->flags & drawing_flag_open) && df->header &&
            (get_u16(df->header, header_options) & header_opt_failed))
            return true;
    }
    return false;
}
