// The states of a drawing file: the failed mark in the header, its message,
// what the program messages learn of it, and the check of the states' rules.
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

const char* drawing_file_state_fault(const DrawingFile* df) {
    if (!df) return "no handle";
    bool open = (df->flags & drawing_flag_open) != 0;
    if (!open) {
        if (df->file) return "closed, yet holding its file";
        if (df->library_file) return "closed, yet holding its library file";
        return nullptr;
    }
    if (!df->file) return "open without a file";
    if (!df->header) return "open without a header";
    if (!df->path || !df->path[0]) return "open without a path";
    if ((df->flags & drawing_flag_read_only) && df->journal) return "open for viewing, yet written to";
    return nullptr;
}
