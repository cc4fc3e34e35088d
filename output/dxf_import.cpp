// DXF and AAMA import: pairs, table lists and the entity builder.
#include "output/dxf_import.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/curves.h"
#include "geometry/kernel_angles.h"
#include "geometry/tolerance.h"
#include "output/import_session.h"
#include "render/output/dxf_writers.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

ImportOptions import_options = {0};

double import_thin_width_limit() { return dxf_line_width > 0 ? dxf_line_width : 0.25; }

namespace {

const char text_bad_format[] = "$формата DXF";

unsigned char upper_char(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0) return static_cast<unsigned char>(c - 32);  // а-я in Windows-1251
    if (c == 0xB8) return 0xA8;                                  // ё
    return c;
}

// Reads one line without its line end into out; false at the end of the file.
bool read_line(FILE* f, std::string* out) {
    out->clear();
    char buf[512];
    bool any = false;
    while (std::fgets(buf, sizeof buf, f)) {
        any = true;
        size_t n = std::strlen(buf);
        bool ended = n > 0 && buf[n - 1] == '\n';
        if (out->size() < dxf_line_max) out->append(buf, n);
        if (ended) break;
    }
    if (!any) return false;
    while (!out->empty() && (out->back() == '\n' || out->back() == '\r')) out->pop_back();
    if (out->size() > dxf_line_max) out->resize(dxf_line_max);
    return true;
}

int token_of(int code, const std::string& v) {
    switch (code) {
    case 0:
        if (v == "SECTION") return dxf_token_section;
        if (v == "ENDSEC") return dxf_token_endsec;
        if (v == "TABLE") return dxf_token_table;
        if (v == "ENDTAB") return dxf_token_endtab;
        if (v == "LTYPE") return dxf_token_ltype;
        if (v == "LAYER") return dxf_token_layer;
        if (v == "LINE") return dxf_token_line;
        if (v == "CIRCLE") return dxf_token_circle;
        if (v == "ARC") return dxf_token_arc;
        if (v == "TRACE") return dxf_token_trace;
        if (v == "SOLID") return dxf_token_solid;
        if (v == "LWPOLYLINE") return dxf_token_lwpolyline;
        if (v == "SPLINE") return dxf_token_spline;
        if (v == "POLYLINE") return dxf_token_polyline;
        if (v == "SEQEND") return dxf_token_seqend;
        if (v == "BLOCK") return dxf_token_block;
        if (v == "ENDBLK") return dxf_token_endblk;
        if (v == "TEXT") return dxf_token_text;
        return dxf_token_other;
    case 1: return dxf_token_name;
    case 2:
        if (v == "TABLES") return dxf_token_tables;
        if (v == "LTYPE") return dxf_token_ltype_table;
        if (v == "ENTITIES") return dxf_token_entities;
        return dxf_token_name;
    case 6: return dxf_token_linetype_name;
    case 8: return dxf_token_layer_name;
    case 10: return dxf_token_x;
    case 20: return dxf_token_y;
    case 11: return dxf_token_x2;
    case 21: return dxf_token_y2;
    case 12: return dxf_token_x3;
    case 22: return dxf_token_y3;
    case 13: return dxf_token_x4;
    case 23: return dxf_token_y4;
    case 40: return dxf_token_40;
    case 50: return dxf_token_start_angle;
    case 51: return dxf_token_end_angle;
    case 70: return dxf_token_flags;
    case 73: return dxf_token_dashes;
    case 90: return dxf_token_count;
    case 370: return dxf_token_lineweight;
    default: return dxf_token_other;
    }
}

bool parse_code(const std::string& line, int* code) {
    size_t i = 0, n = line.size();
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    bool neg = false;
    if (i < n && line[i] == '-') {
        neg = true;
        ++i;
    }
    if (i >= n || line[i] < '0' || line[i] > '9') return false;
    long v = 0;
    while (i < n && line[i] >= '0' && line[i] <= '9') {
        v = v * 10 + (line[i] - '0');
        if (v > 100000) return false;
        ++i;
    }
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i != n) return false;
    *code = static_cast<int>(neg ? -v : v);
    return true;
}

double number_of(const std::string& v) {
    const char* s = v.c_str();
    char* end = nullptr;
    double d = std::strtod(s, &end);
    if (end == s || !std::isfinite(d)) return 0.0;
    return d;
}

// The entity being read.
struct Pending {
    int token = 0;
    int line_type = 1;
    double c[8] = {};  // x, y, x2/radius/height, y2, x3/start angle, y3/end angle, x4, y4
    double radius = 0, height = 0, a1 = 0, a2 = 0;
    int flags = 0;
    bool in_vertex = false;  // a VERTEX of the POLYLINE is being read
    std::vector<Point2> vertices;
    bool have_text = false;
    std::string text;
};

struct Layer {
    std::string name;   // upper-cased
    std::string ltype;  // upper-cased
};

struct Import {
    ImportSession s;
    DxfReader r;
    std::vector<DxfLineType> ltypes;
    std::vector<Layer> layers;
    bool in_section = false;
    bool in_tables = false;
    int entry = 0;           // dxf_token_ltype or dxf_token_layer while in a table entry
    bool projection_live = false;  // the current section (or block) made its projection
    bool block_name_wanted = false;
    Pending p;
    const char* failure = nullptr;
};

int size_index_for_height(double height) {
    if (!settings_block) return 0;
    double h = 10 * height;
    double s[10];
    for (int i = 0; i < 10; ++i) s[i] = get_f64(settings_block, settings_text_heights_offset + 8 * i);
    if (h <= s[0]) return 0;
    if (h >= s[9]) return 9;
    for (int i = 1; i < 10; ++i)
        if (s[i - 1] < h && h <= s[i]) return i;
    return 9;
}

int store_ring(Import& im, const std::vector<Point2>& v, bool closed) {
    size_t n = v.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        Point2 seg[2] = {v[i], v[i + 1]};
        if (import_element_store(&im.s, element_kind_segment, im.p.line_type, seg) < 0) return -1;
    }
    if (closed && n > 2) {
        Point2 seg[2] = {v[n - 1], v[0]};
        if (import_element_store(&im.s, element_kind_segment, im.p.line_type, seg) < 0) return -1;
    }
    return 0;
}

// A curve through the spline's control points, in pieces of at most
// curve_max_single vertices that share their end vertices.
int store_spline(Import& im) {
    const std::vector<Point2>& cp = im.p.vertices;
    std::vector<CurveVertex> v;
    for (size_t i = 0; i + 1 < cp.size(); ++i) {
        if (points_equal(cp[i].x, cp[i].y, cp[i + 1].x, cp[i + 1].y)) continue;
        CurveVertex cv{0, cp[i], Point2{(cp[i].x + cp[i + 1].x) / 2, (cp[i].y + cp[i + 1].y) / 2}};
        v.push_back(cv);
    }
    if (cp.empty()) return 0;
    v.push_back(CurveVertex{0, cp.back(), cp.back()});
    if (v.size() < 2) return 0;
    smooth_curve_through_points(v.data(), static_cast<int>(v.size()), 0, 1);
    size_t per = curve_max_single;
    for (size_t from = 0; from + 1 < v.size(); from += per - 1) {
        size_t n = std::min(per, v.size() - from);
        if (import_curve_store(&im.s, im.p.line_type, v.data() + from, static_cast<int>(n)) < 0) return -1;
    }
    return 0;
}

Point2 model(double x, double y) { return Point2{x, -y}; }

// Stores the pending entity and leaves nothing pending.  Returns -1 on a
// store failure or a format error (im.failure set).
int finish(Import& im) {
    Pending& p = im.p;
    int token = p.token;
    int r = 0;
    if (token && im.s.projection) {
        switch (token) {
        case dxf_token_line: {
            Point2 seg[2] = {model(p.c[0], p.c[1]), model(p.c[2], p.c[3])};
            r = import_element_store(&im.s, element_kind_segment, p.line_type, seg);
            break;
        }
        case dxf_token_circle: {
            Point2 c = model(p.c[0], p.c[1]);
            Point2 pts[2] = {{c.x + p.radius, c.y}, c};
            if (p.radius > 0) r = import_element_store(&im.s, element_kind_circle, p.line_type, pts);
            break;
        }
        case dxf_token_arc: {
            double cx = p.c[0], cy = p.c[1], rad = p.radius;
            double a1 = p.a1 * k_pi() / 180, a2 = p.a2 * k_pi() / 180;
            Point2 pts[3] = {model(cx + rad * std::cos(a1), cy + rad * std::sin(a1)),
                             model(cx + rad * std::cos(a2), cy + rad * std::sin(a2)), model(cx, cy)};
            if (rad > 0) r = import_element_store(&im.s, element_kind_arc_centre, p.line_type, pts);
            break;
        }
        case dxf_token_trace:
        case dxf_token_solid: {
            std::vector<Point2> ring = {model(p.c[0], p.c[1]), model(p.c[2], p.c[3]), model(p.c[6], p.c[7]),
                                        model(p.c[4], p.c[5])};
            r = store_ring(im, ring, true);
            break;
        }
        case dxf_token_lwpolyline:
        case dxf_token_polyline: {
            std::vector<Point2> ring;
            for (const Point2& q : p.vertices) ring.push_back(model(q.x, q.y));
            r = store_ring(im, ring, (p.flags & 1) != 0);
            break;
        }
        case dxf_token_spline: {
            for (Point2& q : p.vertices) q = model(q.x, q.y);
            r = store_spline(im);
            break;
        }
        case dxf_token_text:
            if (p.have_text && exchange_shell.place_text) {
                uint8_t* pr = import_projection(&im.s);
                Point2 at = model(p.c[0], p.c[1]);
                if (!pr || !exchange_shell.place_text(pr, at.x, at.y, size_index_for_height(p.height),
                                                      p.text.c_str())) {
                    im.failure = text_bad_format;
                    r = -1;
                }
            }
            break;
        }
    }
    im.p = Pending();
    if (r < 0 && !im.failure) im.failure = error_flag ? "" : "$в структуре данных";
    return r < 0 ? -1 : 0;
}

bool is_vertex_entity(int token) {
    return token == dxf_token_lwpolyline || token == dxf_token_spline || token == dxf_token_polyline;
}

void start(Import& im, int token) {
    im.p = Pending();
    if (im.projection_live) im.p.token = token;
}

void lineweight(Import& im, int w) {
    if (w < 0) return;  // ByLayer, ByBlock, Default
    double limit = import_thin_width_limit();
    if (w > limit * 100 + 1e-9) {
        if (im.p.line_type == 4) im.p.line_type = 5;
    } else if (im.p.line_type == 1) {
        im.p.line_type = 2;
    }
}

// One coordinate pair member: vertex lists take their 10/20 pairs as
// vertices, the others fill the coordinate block.
void coordinate(Import& im, int token, double v) {
    Pending& p = im.p;
    if (is_vertex_entity(p.token)) {
        if (p.token == dxf_token_polyline && !p.in_vertex) return;  // the head's elevation point
        if (token == dxf_token_x) {
            if (p.vertices.size() < dxf_vertex_max) p.vertices.push_back(Point2{v, 0});
        } else if (token == dxf_token_y && !p.vertices.empty()) {
            p.vertices.back().y = v;
        }
        return;
    }
    p.c[token - dxf_token_x] = v;
}

int step(Import& im, int token) {
    DxfReader& r = im.r;
    Pending& p = im.p;
    switch (token) {
    case dxf_token_section:
        if (finish(im)) return -1;
        im.in_section = true;
        return 0;
    case dxf_token_endsec:
        if (finish(im)) return -1;
        if (im.projection_live) import_projection_extents(&im.s);
        im.in_section = im.in_tables = false;
        im.entry = 0;
        im.projection_live = im.block_name_wanted = false;
        return 0;
    case dxf_token_table:
        if (finish(im)) return -1;
        if (im.in_section) im.in_tables = true;
        im.entry = 0;
        return 0;
    case dxf_token_endtab:
        im.in_tables = false;
        im.entry = 0;
        return 0;
    case dxf_token_ltype:
    case dxf_token_layer:
        if (finish(im)) return -1;
        im.entry = im.in_tables ? token : 0;
        return 0;
    case dxf_token_block:
        if (finish(im)) return -1;
        im.entry = 0;
        im.projection_live = false;
        im.block_name_wanted = im.in_section;
        return 0;
    case dxf_token_endblk:
        if (finish(im)) return -1;
        if (im.projection_live) import_projection_extents(&im.s);
        im.projection_live = im.block_name_wanted = false;
        return 0;
    case dxf_token_entities:
        if (finish(im)) return -1;
        if (!im.in_section) return 0;
        if (import_projection_new(&im.s, r.value.data(), r.value.size(), 0, 0) != 0) return -1;
        im.projection_live = true;
        return 0;
    case dxf_token_name:
        if (im.block_name_wanted && r.code == 2) {
            im.block_name_wanted = false;
            if (import_projection_new(&im.s, r.value.data(), r.value.size(), 0, 0) != 0) return -1;
            im.projection_live = true;
            return 0;
        }
        if (im.entry == dxf_token_ltype && r.code == 2) {
            im.ltypes.push_back(DxfLineType{r.upper, 0});
        } else if (im.entry == dxf_token_layer && r.code == 2) {
            im.layers.push_back(Layer{r.upper, ""});
        } else if (p.token == dxf_token_text && r.code == 1) {
            p.text = r.value;
            p.have_text = true;
        }
        return 0;
    case dxf_token_dashes:
        if (im.entry == dxf_token_ltype) {
            if (im.ltypes.empty()) {
                im.failure = text_bad_format;
                return -1;
            }
            im.ltypes.back().dashes = std::atoi(r.value.c_str());
        }
        return 0;
    case dxf_token_linetype_name:
        if (im.entry == dxf_token_layer) {
            if (im.layers.empty()) {
                im.failure = text_bad_format;
                return -1;
            }
            im.layers.back().ltype = r.upper;
        } else if (p.token && !p.in_vertex) {
            p.line_type = line_type_from_ltype(im.ltypes, r.upper);
        }
        return 0;
    case dxf_token_layer_name:
        if (p.token && !p.in_vertex) {
            for (const Layer& l : im.layers)
                if (l.name == r.upper) {
                    p.line_type = line_type_from_ltype(im.ltypes, l.ltype);
                    break;
                }
        }
        return 0;
    case dxf_token_lineweight:
        if (p.token && !p.in_vertex) lineweight(im, std::atoi(r.value.c_str()));
        return 0;
    case dxf_token_x: case dxf_token_y: case dxf_token_x2: case dxf_token_y2:
    case dxf_token_x3: case dxf_token_y3: case dxf_token_x4: case dxf_token_y4:
        if (p.token) coordinate(im, token, number_of(r.value));
        return 0;
    case dxf_token_40:
        if (p.token == dxf_token_text) p.height = number_of(r.value);
        else if (p.token == dxf_token_circle || p.token == dxf_token_arc) p.radius = number_of(r.value);
        return 0;
    case dxf_token_start_angle:
        if (p.token == dxf_token_arc) p.a1 = number_of(r.value);
        return 0;
    case dxf_token_end_angle:
        if (p.token == dxf_token_arc) p.a2 = number_of(r.value);
        return 0;
    case dxf_token_flags:
        if (p.token && !p.in_vertex) p.flags = std::atoi(r.value.c_str());
        return 0;
    case dxf_token_count:
        return 0;  // a hint only: vertex lists grow as their pairs arrive
    case dxf_token_line: case dxf_token_circle: case dxf_token_arc: case dxf_token_trace:
    case dxf_token_solid: case dxf_token_lwpolyline: case dxf_token_spline: case dxf_token_polyline:
    case dxf_token_text:
        if (finish(im)) return -1;
        start(im, token);
        return 0;
    case dxf_token_seqend:
        return finish(im);
    case dxf_token_other:
        if (r.code != 0) return 0;
        if (p.token == dxf_token_polyline && r.upper == "VERTEX") {
            p.in_vertex = true;
            return 0;
        }
        return finish(im);
    default:
        return 0;
    }
}

}  // namespace

int dxf_next_pair(DxfReader* r) {
    std::string line;
    if (!read_line(r->f, &line)) return dxf_token_end;
    int code = 0;
    if (!parse_code(line, &code)) {
        // A blank last line ends the file; anything else is damage.
        bool blank = line.find_first_not_of(" \t") == std::string::npos;
        if (blank && !read_line(r->f, &line)) return dxf_token_end;
        return dxf_token_bad;
    }
    r->code = code;
    if (!read_line(r->f, &r->value)) return dxf_token_bad;
    if (code == 0 || code == 2) {
        // Names: blanks around them are not part of the keyword.
        size_t b = r->value.find_first_not_of(' ');
        size_t e = r->value.find_last_not_of(' ');
        r->upper = b == std::string::npos ? std::string() : r->value.substr(b, e - b + 1);
    } else {
        r->upper = r->value;
    }
    for (char& c : r->upper) c = static_cast<char>(upper_char(static_cast<unsigned char>(c)));
    return token_of(code, r->upper);
}

int line_type_from_ltype(const std::vector<DxfLineType>& list, const std::string& name) {
    for (const DxfLineType& t : list) {
        if (t.name != name) continue;
        if (t.dashes == 2) return 3;
        if (t.dashes == 4) return 4;
        if (t.dashes >= 6) return 6;
        return 1;
    }
    return 1;
}

long dxf_read(FILE* f) {
    Import im;
    im.r.f = f;
    im.r.code = 0;
    im.s.no_auto_construction = import_options.no_auto_construction;
    error_flag = 0;
    if (import_session_begin(&im.s) != 0) return -1;
    for (;;) {
        int token = dxf_next_pair(&im.r);
        if (token == dxf_token_end) break;
        if (token == dxf_token_bad) {
            im.failure = text_bad_format;
            break;
        }
        if (step(im, token) != 0) break;
    }
    if (!im.failure) finish(im);
    if (im.s.projection) import_projection_extents(&im.s);
    if (im.failure && *im.failure) show_program_message(im.failure);
    if (!im.failure && exchange_shell.import_finished) exchange_shell.import_finished(0, 1);
    import_session_end(&im.s);
    char prompt[80];
    std::snprintf(prompt, sizeof prompt, "Введено %lu элементов графики", im.s.count);
    if (exchange_shell.prompt) exchange_shell.prompt(prompt);
    return im.failure ? -1 : static_cast<long>(im.s.count);
}
