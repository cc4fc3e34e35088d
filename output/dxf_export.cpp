// DXF export: entity writers, the authored head and tail, the whole file.
#include "output/dxf_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_angles.h"
#include "geometry/text_numbers.h"
#include "render/output/dxf_writers.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"
#include "render/output/view_dimensions_walk.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

const char text_open_failed[] = "$открытия файла";
const char text_export_failed[] = "$экспорта";
const char temp_name[] = "$$$sarvolt$dxf.tmp";

// The file being written.
struct Export {
    FILE* f = nullptr;
    uint32_t handle = 256;
    double scale = 1.0;
    double height = 297.0;
    DxfNode node{0, 0, 0, 0};
    bool failed = false;
} current;

std::string number(double v) {
    char b[64];
    format_number(b, sizeof b, v);
    return b;
}

void out(const char* text) {
    if (current.f && std::fputs(text, current.f) < 0) current.failed = true;
}

void out_line(int code, const std::string& value) {
    char c[16];
    std::snprintf(c, sizeof c, "%3d\n", code);
    out(c);
    out(value.c_str());
    out("\n");
}

double sheet_x(double x) { return (x - current.node.origin_x + current.node.position_x) * current.scale; }
double sheet_y(double y) { return current.height - (y - current.node.origin_y + current.node.position_y) * current.scale; }

void point(int index, Point2 p) {
    out_line(10 + index, number(sheet_x(p.x)));
    out_line(20 + index, number(sheet_y(p.y)));
    out_line(30 + index, "0.0");
}

void head(const char* name) {
    out_line(0, name);
    char h[16];
    std::snprintf(h, sizeof h, "%lX", static_cast<unsigned long>(++current.handle));
    out_line(5, h);
    out_line(100, "AcDbEntity");
    out_line(8, "0");
    char w[16];
    std::snprintf(w, sizeof w, "%6d", dxf_lineweight(dxf_line_width));
    out_line(370, w);
}

void write_line(OutputView*, const Segment* s) {
    head("LINE");
    out_line(100, "AcDbLine");
    point(0, s->start);
    point(1, s->end);
}

void write_circle(OutputView*, const CircleGeom* c) {
    head("CIRCLE");
    out_line(100, "AcDbCircle");
    point(0, c->centre);
    double r = std::hypot(c->on_circle.x - c->centre.x, c->on_circle.y - c->centre.y);
    out_line(40, number(r * current.scale));
}

std::string angle_text(Point2 p, Point2 c) {
    double a = -std::atan2(p.y - c.y, p.x - c.x) * 180 / k_pi() + 0.0;
    if (a == 0) a = 0;  // no "-0"
    char b[64];
    std::snprintf(b, sizeof b, "%-24.13lf", a);
    return b;
}

void write_arc(OutputView*, const ArcByCentre* a) {
    head("ARC");
    out_line(100, "AcDbCircle");
    point(0, a->centre);
    double r = std::hypot(a->start.x - a->centre.x, a->start.y - a->centre.y);
    out_line(40, number(r * current.scale));
    out_line(100, "AcDbArc");
    out_line(50, angle_text(a->start, a->centre));
    out_line(51, angle_text(a->end, a->centre));
}

void write_spline(OutputView*, const Point2* pts, int pieces) {
    for (int k = 0; k < pieces; ++k) {
        head("SPLINE");
        out_line(100, "AcDbSpline");
        out("210\n0.0\n220\n0.0\n230\n1.0\n");
        out(" 70\n     0\n 71\n     3\n 72\n     8\n");
        out(" 73\n     4\n 74\n     0\n");
        for (int code : {42, 43, 44}) out_line(code, "0.000000001");
        for (int i = 0; i < 4; ++i) out(" 40\n0.0\n");
        for (int i = 0; i < 4; ++i) out(" 40\n1.0\n");
        for (int i = 0; i < 4; ++i) point(0, pts[3 * k + i]);
    }
}

void write_rectangle(OutputView* v, Point2 a, Point2 b) {
    Point2 c[4] = {a, {b.x, a.y}, b, {a.x, b.y}};
    for (int i = 0; i < 4; ++i) {
        Segment s{c[i], c[(i + 1) % 4]};
        write_line(v, &s);
    }
}

// Line-end marks: the mark's shape is drawn by the arrowhead routine; here
// the end gets a small tick across the line (style 2's shape) for the
// styles that show a mark, so that every drawn end is visible in the file.
void write_filled(OutputView* v, int end, int style, int geometry_type, const Point2 pts[3]) {
    if (style == 5 || style == 9) return;
    Point2 at = end == 0 ? pts[0] : pts[1];
    Point2 other = end == 0 ? pts[1] : pts[0];
    double dx = other.x - at.x, dy = other.y - at.y;
    if (geometry_type == 3) {  // the tangent of the arc at that end
        double rx = at.x - pts[2].x, ry = at.y - pts[2].y;
        dx = -ry;
        dy = rx;
    }
    double len = std::hypot(dx, dy);
    if (!(len > 0)) return;
    double size = 1.0 / (current.scale > 0 ? current.scale : 1.0);  // 1 mm on the sheet
    double nx = -dy / len * size, ny = dx / len * size;
    Segment s{{at.x - nx, at.y - ny}, {at.x + nx, at.y + ny}};
    write_line(v, &s);
}

const char* authored_head_1 =
    "  0\nSECTION\n  2\nHEADER\n"
    "  9\n$ACADVER\n  1\nAC1015\n"
    "  9\n$DWGCODEPAGE\n  3\nANSI_1251\n"
    "  9\n$INSBASE\n 10\n0.0\n 20\n0.0\n 30\n0.0\n";

}  // namespace

int dxf_lineweight(double width_mm) {
    static const int standard[] = {0, 5, 9, 13, 15, 18, 20, 25, 30, 35, 40, 50,
                                   53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    int w = static_cast<int>(std::floor(width_mm * 100 + 0.5));
    if (w >= 211) return 211;
    int best = 0;
    for (int s : standard)
        if (std::abs(s - w) < std::abs(best - w)) best = s;
    return best;
}

std::vector<uint8_t> dxf_view_projection(DrawingFile* df, const DxfView& v) {
    RecordRef r = v.projection;
    uint8_t* p = record_read_at(df, &r, &page_buffers[table_projections]);
    if (!p) return {};
    std::vector<uint8_t> copy(projection_record_max, 0);
    std::memcpy(copy.data(), p, std::min<size_t>(get_u16(p, record_length), projection_record_max));
    return copy;
}

std::vector<DxfView> dxf_sheet_views(DrawingFile* df) {
    std::vector<DxfView> views;
    bool sheets = get_u32(df->header, header_sheets) != 0;
    uint16_t sheet = get_u16(df->header, header_current_sheet);
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef h = get_u32(df->header, header_projections);
    for (uint8_t* p = record_next(df, &h, nullptr, pb); p; p = record_next(df, &h, p, pb)) {
        uint16_t flags = get_u16(p, projection_flags);
        if (flags & 0x0100) continue;       // not shown on sheets
        if ((flags & 0x0F) == 8) continue;  // a fragment
        if (sheets && (get_u16(p, 106) & 0x07FF) != sheet) continue;
        DxfView v;
        v.projection = record_ref_of(pb, p);
        v.node = DxfNode{0, 0, get_f32(p, projection_area_origin_offset), get_f32(p, projection_area_origin_offset + 4)};
        views.push_back(v);
    }
    return views;
}

int dxf_write(FILE* f, const char* folder, DrawingFile* df, const std::vector<DxfView>& views) {
    std::string tmp_path = std::string(folder && *folder ? folder : ".") + "/" + temp_name;
    FILE* tmp = std::fopen(tmp_path.c_str(), "w+");
    if (!tmp) {
        static char name[800];
        std::snprintf(name, sizeof name, "%s", tmp_path.c_str());
        error_stack_push(name);
        show_program_message(text_open_failed);
        error_flag = 1;
        return -1;
    }
    current = Export();
    current.f = tmp;
    current.scale = get_f64(df->header, header_scale);
    if (!(current.scale > 0) || !std::isfinite(current.scale)) current.scale = 1.0;
    current.height = get_f32(df->header, header_sheet_height);
    double width = get_f32(df->header, header_sheet_width);
    DxfWriters saved = dxf_writers;
    dxf_writers = DxfWriters{write_line, write_circle, write_arc, write_spline, write_rectangle, write_filled};
    dxf_output_active = 1;
    for (const DxfView& v : views) {
        std::vector<uint8_t> copy = dxf_view_projection(df, v);
        if (copy.empty()) continue;
        current.node = v.node;
        OutputView view;
        output_view_init(&view, output_sheet);
        view.stage = 6;
        view.projection = copy.data();
        view.projection_ref = v.projection;
        draw_view_elements(&view);
        draw_view_dimensions(&view, 1);
    }
    dxf_output_active = 0;
    dxf_writers = saved;
    uint32_t seed = current.handle + 1;

    // The authored head.
    current.f = f;
    out(authored_head_1);
    out("  9\n$EXTMIN\n");
    out_line(10, "0.0");
    out_line(20, "0.0");
    out_line(30, "0.0");
    out("  9\n$EXTMAX\n");
    out_line(10, number(width));
    out_line(20, number(current.height));
    out_line(30, "0.0");
    out("  9\n$LIMMIN\n");
    out_line(10, "0.0");
    out_line(20, "0.0");
    out("  9\n$LIMMAX\n");
    out_line(10, number(width));
    out_line(20, number(current.height));
    out("  9\n$DIMBLK2\n  1\n\n  9\n$DIMSTYLE\n  2\nГОСТ 2.3xx\n");
    char seed_text[32];
    std::snprintf(seed_text, sizeof seed_text, "%-lX", static_cast<unsigned long>(seed));
    out("  9\n$HANDSEED\n");
    out_line(5, seed_text);
    out("  0\nENDSEC\n");
    out(
        "  0\nSECTION\n  2\nTABLES\n"
        "  0\nTABLE\n  2\nVPORT\n  5\n8\n330\n0\n100\nAcDbSymbolTable\n 70\n     0\n  0\nENDTAB\n"
        "  0\nTABLE\n  2\nLTYPE\n  5\n5\n330\n0\n100\nAcDbSymbolTable\n 70\n     3\n"
        "  0\nLTYPE\n  5\n14\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nByBlock\n 70\n     0\n  3\n\n 72\n    65\n 73\n     0\n 40\n0.0\n"
        "  0\nLTYPE\n  5\n15\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nByLayer\n 70\n     0\n  3\n\n 72\n    65\n 73\n     0\n 40\n0.0\n"
        "  0\nLTYPE\n  5\n16\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\nContinuous\n 70\n     0\n  3\nSolid line\n 72\n    65\n 73\n     0\n 40\n0.0\n"
        "  0\nENDTAB\n"
        "  0\nTABLE\n  2\nLAYER\n  5\n2\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
        "  0\nLAYER\n  5\n10\n330\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n0\n 70\n     0\n 62\n     7\n  6\nContinuous\n370\n    -3\n390\nF\n"
        "  0\nENDTAB\n"
        "  0\nTABLE\n  2\nSTYLE\n  5\n3\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
        "  0\nSTYLE\n  5\n11\n330\n3\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n  2\nStandard\n 70\n     0\n 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n     0\n 42\n2.5\n  3\ntxt\n  4\n\n"
        "  0\nENDTAB\n"
        "  0\nTABLE\n  2\nVIEW\n  5\n6\n330\n0\n100\nAcDbSymbolTable\n 70\n     0\n  0\nENDTAB\n"
        "  0\nTABLE\n  2\nUCS\n  5\n7\n330\n0\n100\nAcDbSymbolTable\n 70\n     0\n  0\nENDTAB\n"
        "  0\nTABLE\n  2\nAPPID\n  5\n9\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n"
        "  0\nAPPID\n  5\n12\n330\n9\n100\nAcDbSymbolTableRecord\n100\nAcDbRegAppTableRecord\n  2\nACAD\n 70\n     0\n"
        "  0\nENDTAB\n"
        "  0\nTABLE\n  2\nDIMSTYLE\n  5\nA\n330\n0\n100\nAcDbSymbolTable\n 70\n     1\n100\nAcDbDimStyleTable\n"
        "  0\nDIMSTYLE\n105\n27\n330\nA\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n"
        "  2\nГОСТ 2.3xx\n 70\n     0\n 41\n2.5\n 42\n0.625\n 43\n3.75\n"
        "  0\nENDTAB\n"
        "  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n1\n330\n0\n100\nAcDbSymbolTable\n 70\n     2\n"
        "  0\nBLOCK_RECORD\n  5\n1F\n330\n1\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Model_Space\n"
        "  0\nBLOCK_RECORD\n  5\n1B\n330\n1\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Paper_Space\n"
        "  0\nENDTAB\n"
        "  0\nENDSEC\n"
        "  0\nSECTION\n  2\nBLOCKS\n"
        "  0\nBLOCK\n  5\n20\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Model_Space\n 70\n     0\n"
        " 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n*Model_Space\n  1\n\n"
        "  0\nENDBLK\n  5\n21\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
        "  0\nBLOCK\n  5\n1C\n330\n1B\n100\nAcDbEntity\n 67\n     1\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Paper_Space\n 70\n     0\n"
        " 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n*Paper_Space\n  1\n\n"
        "  0\nENDBLK\n  5\n1D\n330\n1B\n100\nAcDbEntity\n 67\n     1\n  8\n0\n100\nAcDbBlockEnd\n"
        "  0\nENDSEC\n"
        "  0\nSECTION\n  2\nENTITIES\n");

    // The entities, line by line.
    std::fflush(tmp);
    std::rewind(tmp);
    char line[800];
    while (std::fgets(line, sizeof line, tmp)) out(line);
    std::fclose(tmp);
    std::remove(tmp_path.c_str());

    out("  0\nENDSEC\n"
        "  0\nSECTION\n  2\nOBJECTS\n"
        "  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n281\n     1\n  3\nACAD_GROUP\n350\nD\n"
        "  0\nDICTIONARY\n  5\nD\n330\nC\n100\nAcDbDictionary\n281\n     1\n"
        "  0\nENDSEC\n"
        "  0\nEOF\n");
    current.f = nullptr;
    dxf_line_width = 0;
    if (current.failed || std::fflush(f) != 0) {
        show_program_message(text_export_failed);
        error_flag = 1;
        return -1;
    }
    return 0;
}

Point2 dxf_sheet_point(const DxfNode& node, double scale, double height, Point2 p) {
    return Point2{(p.x - node.origin_x + node.position_x) * scale, height - (p.y - node.origin_y + node.position_y) * scale};
}
