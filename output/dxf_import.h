// DXF and AAMA import: the group-pair reader, the LTYPE and LAYER lists and
// the entity builder that turns a DXF text file into projections (one per
// BLOCK and one for the ENTITIES section), graphic elements over reference
// points and text annotations.
//
// Reading rules kept by this reader:
//  - lines are read whole (CR LF and LF alike; a last line without a line
//    end keeps all its characters; the rest of a line above 2048 bytes is
//    skipped so that the pairs stay in step);
//  - keywords are compared upper-cased; group 1 values (texts) keep their
//    letters as written;
//  - no count read from the file (90, 73) sizes anything: vertex lists grow
//    as their pairs arrive, up to dxf_vertex_max;
//  - a pending entity is stored at the next group-0 pair, at ENDSEC, ENDBLK
//    and at the end of the file; an ignored entity (INSERT, MTEXT, POINT,
//    HATCH, ...) finishes it and leaves nothing pending, while a VERTEX of a
//    POLYLINE feeds its vertex list;
//  - a POLYLINE or LWPOLYLINE is closed only when its group 70 has bit 0;
//  - SOLID and TRACE corners are joined 1-2-4-3 (DXF keeps corners 3 and 4
//    in zig-zag order), a triangle when 3 and 4 coincide;
//  - negative lineweights (ByLayer, ByBlock, Default) change nothing.
// z values, bulges, extrusion and binary DXF are not read; a SPLINE is
// approximated through its control points.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Values the import dialog keeps while the program runs.  The thin-line
// width limit (mm; 0 shows and works as 0.25) is dxf_line_width of the
// output primitives: the DXF export leaves it at 0 after every export.
struct ImportOptions {
    int no_auto_construction;  // "без автопостроений": projection flag bit 10
};
double import_thin_width_limit();
extern ImportOptions import_options;

enum : int {
    dxf_token_end = 0,
    dxf_token_section = 1, dxf_token_endsec = 2, dxf_token_tables = 3, dxf_token_table = 4,
    dxf_token_endtab = 5, dxf_token_ltype_table = 6, dxf_token_ltype = 7, dxf_token_name = 8,
    dxf_token_dashes = 9, dxf_token_layer = 10, dxf_token_linetype_name = 11,
    dxf_token_entities = 12, dxf_token_line = 13, dxf_token_circle = 14, dxf_token_arc = 15,
    dxf_token_trace = 16, dxf_token_solid = 17, dxf_token_lwpolyline = 18, dxf_token_layer_name = 19,
    dxf_token_lineweight = 20, dxf_token_x = 21, dxf_token_y = 22, dxf_token_x2 = 23,
    dxf_token_y2 = 24, dxf_token_x3 = 25, dxf_token_y3 = 26, dxf_token_x4 = 27, dxf_token_y4 = 28,
    dxf_token_40 = 29, dxf_token_start_angle = 30, dxf_token_end_angle = 31, dxf_token_flags = 32,
    dxf_token_count = 33, dxf_token_spline = 34, dxf_token_polyline = 35, dxf_token_seqend = 36,
    dxf_token_block = 37, dxf_token_endblk = 38, dxf_token_text = 39,
    dxf_token_other = 999,
    // Not a pair: the group code line is no number.
    dxf_token_bad = -1
};
enum : int { dxf_line_max = 2048, dxf_vertex_max = 1 << 20 };

// Buffered reading of group pairs from a text file.
struct DxfReader {
    FILE* f;
    std::string value;  // the value line, without its line end
    std::string upper;  // the same upper-cased (ASCII and Windows-1251)
    int code;
};
// Reads the next pair; returns its token (dxf_token_end at the end of the file).
int dxf_next_pair(DxfReader* r);

// Line type of an element drawn with the named line type: dash count 2 -> 3,
// 4 -> 4, 6 or more -> 6, anything else or an unknown name -> 1.
struct DxfLineType {
    std::string name;  // upper-cased
    int dashes;
};
int line_type_from_ltype(const std::vector<DxfLineType>& list, const std::string& name);

// Reads a DXF (or AAMA) file opened for reading into the current drawing (a
// new one is made when none is open).  Ends with the prompt "Введено %lu
// элементов графики"; a format error shows "$формата DXF" and keeps what
// was stored.  Returns the number of graphic elements taken, -1 after an
// error.
long dxf_read(FILE* f);
