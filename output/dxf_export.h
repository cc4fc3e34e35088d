// DXF export: the entity writers behind the drawing primitives' DXF mode,
// the sheet transform, entity handles and lineweights, and the whole file
// (authored HEADER, TABLES and BLOCKS, the entities, the OBJECTS section).
//
// The walks draw every view in model units; the writers place it on the
// sheet by its node: x_dxf = (x - origin x + position x) * scale and
// y_dxf = H - (y - origin y + position y) * scale, H the sheet height, scale
// the drawing scale.  Entity handles count from 0x101; $HANDSEED is the next
// one.  Each entity carries layer "0" and the standard lineweight nearest to
// the current width (ties to the smaller, at most 211).
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// Where a view lies on the sheet.
struct DxfNode {
    double origin_x, origin_y;      // model point put at position
    double position_x, position_y;  // in model units of the sheet
};

struct DxfView {
    RecordRef projection;
    DxfNode node;
};

// The standard lineweight (1/100 mm) for a width in mm.
int dxf_lineweight(double width_mm);

// The views of the current sheet of df: every projection that is shown on
// sheets, is no fragment and (when the drawing has sheets) lies on the
// current sheet, placed at its area origin.
std::vector<DxfView> dxf_sheet_views(DrawingFile* df);

// A full-size copy of a view's projection record (zero past its stored
// length), or an empty vector where the record cannot be read.
std::vector<uint8_t> dxf_view_projection(DrawingFile* df, const DxfView& v);

// Writes the DXF file to out (opened for text writing) with the temporary
// file "$$$sarvolt$dxf.tmp" in folder.  Returns 0, or -1 after its message
// (the open-failure text with the temporary file's name, or "$экспорта").
// dxf_line_width is 0 afterwards.
int dxf_write(FILE* out, const char* folder, DrawingFile* df, const std::vector<DxfView>& views);

// A model point of a view on the sheet, in DXF coordinates (the transform
// above with scale and sheet height H).
Point2 dxf_sheet_point(const DxfNode& node, double scale, double height, Point2 p);
