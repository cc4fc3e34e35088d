// annotation_fixture: reads back the annotation records that the
// annotation scenario placed, through the program's own store.
//   annotation_fixture FILE.svt
// prints one line per record of the first projection's annotation chain,
// in chain order: "kind binding x y extra" where (x, y) is the leader's
// arrow end, the text's upper left corner or the section's first node, and
// extra the leader's upper text, the text, or the section's node count.
#include <cstdio>
#include <cstring>
#include <string>

#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "base/byte_order.h"
#include "tests/gui/fixture_drawing_win.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (fixture_store_start() != 0) return 3;
    DrawingFile* df = fixture_open(argv[1]);
    if (!df) return 5;
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;
    RecordRef* ah = projection_chain(proj, projection_annotations);
    PageBuffer* ab = &page_buffers[table_annotation];
    for (unsigned char* r = record_next(df, ah, nullptr, ab); r; r = record_next(df, ah, r, ab)) {
        if (annotation_record_check(r) != annotation_record_ok) {
            std::printf("bad\n");
            continue;
        }
        switch (r[record_kind]) {
        case annotation_leader:
            std::printf("1 %u %.2f %.2f %s\n", get_u32(r, leader_binding), get_f32(r, leader_point1),
                        get_f32(r, leader_point1 + 4), record_text(r, leader_head).c_str());
            break;
        case annotation_text_fragment:
            std::printf("3 %u %.2f %.2f %s\n", get_u32(r, text_fragment_binding), get_f32(r, text_fragment_corner1),
                        get_f32(r, text_fragment_corner2 + 4), record_text(r, text_fragment_head).c_str());
            break;
        case annotation_section:
            std::printf("4 %u %.2f %.2f %d\n", get_u32(r, section_binding), get_f32(r, section_nodes),
                        get_f32(r, section_nodes + 4), r[section_nodes_count]);
            break;
        default:
            std::printf("%d\n", r[record_kind]);
            break;
        }
    }
    drawing_file_close(df);
    return 0;
}
