// annotation_kinds_fixture: the drawing of the property-dialog scenario,
// written and read back through the program's own store and layout code.
//   annotation_kinds_fixture OUT.svt
// writes one projection holding a segment (element 1 between reference
// points 1 and 2), a dimension (number 7) with its label, and one
// annotation record of every kind laid out as the program lays them out:
// a tolerance frame on the segment, a roughness sign, a text fragment, a
// section designation of two nodes, a hatching, a leader with a text and a
// leader carrying a weld sign.  Prints one line per annotation record,
// "name x y": a point inside the record's box, where a right click picks it.
//   annotation_kinds_fixture --dump FILE.svt
// opens FILE read-only (the program may hold it) and prints first
// "hash H" (FNV-1a over the annotation and dimension records, sorted, so a
// record moved to another place of its page hashes the same), then one line
// per annotation record in chain order: "name key=value ..." with the fields
// the dialogs write, and one line per dimension.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_tools.h"
#include "annotation/dimension_text_properties.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_binding.h"
#include "annotation/properties_layout_binding.h"
#include "annotation/roughness_properties.h"
#include "annotation/tolerance_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/units_scale.h"
#include "render/output/designation_letters.h"
#include "render/output/output_binding.h"
#include "render/text/stroke_font.h"
#include "render/text/stroke_font_win.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"
#include "tests/gui/fixture_drawing_win.h"

namespace {

const char* kind_name(int kind) {
    static const char* const names[annotation_kind_count] = {"dimtext", "leader",  "hatching", "fragment",
                                                             "section", "roughness", "tolerance"};
    return kind >= 0 && kind < annotation_kind_count ? names[kind] : "other";
}

// The texts are stored (and the literals compiled) in the 1251 code page;
// the scenario reads UTF-8.
std::string utf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    std::wstring w(ansi.size() * 2 + 2, L'\0');
    int n = MultiByteToWideChar(1251, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0], static_cast<int>(w.size()));
    std::string u(static_cast<size_t>(n) * 4 + 4, '\0');
    int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, &u[0], static_cast<int>(u.size()), nullptr, nullptr);
    u.resize(static_cast<size_t>(m));
    // One field per word of the line: blanks inside a text become '_'.
    std::replace(u.begin(), u.end(), ' ', '_');
    return u.empty() ? "-" : u;
}
bool start_program_services() {
    if (fixture_store_start() != 0) return false;
    kernel_context_set_defaults();
    if (settings_block_unpack() != 0) return false;
    text_settings_bind_settings_block();
    init_dimension_drawing_constants();
    if (stroke_fonts_load_module(GetModuleHandleA(nullptr)) != 0) return false;
    render_output_bind();
    annotation_properties_bind();
    annotation_bind();
    return true;
}

// ---------------------------------------------------------------- writing

const double point_places[2][2] = {{70, 80}, {110, 80}};

RecordRef add(DrawingFile* df, unsigned char* proj, int chain, int table, const uint8_t* rec) {
    RecordRef* head = projection_chain(proj, chain);
    return record_add_at_end(df, head, rec, &page_buffers[table]);
}

RecordBytes with_head(int kind, size_t head, uint16_t flags, const std::string& text) {
    RecordBytes packed = pack_whole_text(text);
    RecordBytes r(head, 0);
    r.insert(r.end(), packed.begin(), packed.end());
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
    r[record_kind] = static_cast<uint8_t>(kind);
    put_u16(r.data(), annotation_flags, flags);
    return r;
}

RecordRef add_leader(DrawingFile* df, unsigned char* proj, double x, double y, const char* upper, int sign,
                     int weld) {
    RecordBytes fresh = build_new_leader(x, y);
    RecordBytes r;
    const char* refusal = nullptr;
    if (!leader_build_texts(fresh.data(), upper, "", &r, &refusal)) return 0;
    r[leader_style] = static_cast<uint8_t>((r[leader_style] & 0xC0) | (sign & 0x0F) | ((weld & 3) << 4));
    RecordRef ref = add(df, proj, projection_annotations, table_annotation, r.data());
    // The text stands up and to the right of the arrow end, as a drag of
    // the leader tool leaves it.
    if (ref) layout_leader_at_point(proj, &ref, x + 12, y - 8, false);
    return ref;
}

int write_drawing(const char* path) {
    DrawingFile* df = fixture_create(path);
    if (!df) return 5;
    RecordRef pref = fixture_add_plain_projection(df, 120.f, 90.f);
    if (!pref) return 7;
    if (!fixture_add_points(df, pref, point_places, 2)) return 8;
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;

    // Element 1: the segment between points 1 and 2, the tolerance frame's target.
    uint8_t seg[element_size2] = {};
    put_u16(seg, record_length, element_size2);
    put_u32(seg, element_number, 1);
    put_u16(seg, element_flags, 1 | 0x10);
    put_u32(seg, element_points, 1);
    put_u32(seg, element_points + 4, 2);
    put_f64(seg, element_coords2, point_places[0][0]);
    put_f64(seg, element_coords2 + 8, point_places[0][1]);
    put_f64(seg, element_coords2 + 16, point_places[1][0]);
    put_f64(seg, element_coords2 + 24, point_places[1][1]);
    if (!add(df, proj, projection_elements, table_elements, seg)) return 9;
    put_u32(df->header, header_highest_element, 1);

    // Dimension 7 between the points, its line 10 below them, and its label.
    uint8_t dim[dimension_record_size] = {};
    put_u16(dim, record_length, dimension_record_size);
    put_u32(dim, dimension_number, 7);
    put_u32(dim, dimension_axis_point1, 1);
    put_u32(dim, dimension_axis_point2, 2);
    put_f64(dim, dimension_nominal, 40.0);
    put_u16(dim, dimension_state, 0x0040);
    const float dl[] = {70, 70, 110, 70};
    for (int i = 0; i < 4; ++i) put_f32(dim, dimension_line_start + 4 * i, dl[i]);
    const float ext[] = {70, 80, 70, 68, 110, 80, 110, 68};
    for (int i = 0; i < 8; ++i) put_f32(dim, dimension_extension1 + 4 * i, ext[i]);
    if (!add(df, proj, projection_dimensions, table_dimensions, dim)) return 9;
    put_u32(df->header, header_highest_dimension, 7);
    RecordBytes label = with_head(annotation_dimension_text, dimension_text_head, static_cast<uint16_t>(3 << 7), "40");
    put_u32(label.data(), record_key, 7);
    label[dimension_text_first_length] = 2;
    for (uint32_t at : {dimension_text_leader1, dimension_text_leader2, dimension_text_leader3}) {
        put_f32(label.data(), at, 88);
        put_f32(label.data(), at + 4, 69);
    }
    put_f32(label.data(), dimension_text_anchor, 88);
    put_f32(label.data(), dimension_text_anchor + 4, 69);
    put_f32(label.data(), dimension_text_anchor2, 88);
    put_f32(label.data(), dimension_text_anchor2 + 4, 69);
    if (!add(df, proj, projection_annotations, table_annotation, label.data())) return 9;

    // The tolerance frame: flatness (sign 6), value 0,1, datum А, laid out
    // with its top-left corner at (80, 40) and its leader down to the segment.
    RecordBytes tol = with_head(annotation_tolerance, tolerance_head, static_cast<uint16_t>(1 | (3 << 2) | (1 << 6)),
                                "\x18" "0,1\x1a" "А");
    tol[tolerance_signs] = 6;
    put_u32(tol.data(), tolerance_element, 1);
    put_f32(tol.data(), tolerance_frame1, 80);
    put_f32(tol.data(), tolerance_frame2 + 4, 40);
    put_f32(tol.data(), tolerance_frame_side, 3.4e38f);
    RecordRef tref = add(df, proj, projection_annotations, table_annotation, tol.data());
    if (!tref) return 9;
    if (!build_tolerance_record(proj, &tref, nullptr, nullptr, nullptr)) return 11;
    if (!layout_tolerance_designation(proj, &tref, 80, 40, false)) return 12;

    // The roughness sign: tip at (60, 30), parameter "Ra 3,2".
    RecordBytes rough = with_head(annotation_roughness, roughness_head, static_cast<uint16_t>(1 | (3 << 2)), "Ra 3,2");
    rough[roughness_lengths] = 6;
    put_f32(rough.data(), roughness_tip, 60);
    put_f32(rough.data(), roughness_tip + 4, 30);
    if (!add(df, proj, projection_annotations, table_annotation, rough.data())) return 9;

    // The text fragment at (85, 15).
    RecordBytes text;
    const char* refusal = nullptr;
    if (!build_new_text_fragment("Текст", 85, 15, &text, &refusal)) return 13;
    if (!add(df, proj, projection_annotations, table_annotation, text.data())) return 9;

    // The section designation: nodes (20, 45) and (40, 45), letter А.
    RecordBytes sec = build_new_section(20, 45);
    RecordBytes sec2;
    if (!build_section_with_node(sec.data(), 40, 45, &sec2, &refusal)) return 13;
    RecordBytes letters = pack_whole_text("А");
    std::memcpy(sec2.data() + section_letters, letters.data(), std::min<size_t>(letters.size(), 4));
    place_designation_letters(sec2.data());
    if (!add(df, proj, projection_annotations, table_annotation, sec2.data())) return 9;

    // The hatching seeded at (60, 50): kind 1 at 45 degrees, 2 mm apart.
    uint8_t hat[hatching_record_size] = {};
    put_u16(hat, record_length, hatching_record_size);
    hat[record_kind] = annotation_hatching;
    hat[hatching_kind_code] = 1;
    put_f32(hat, hatching_seed, 60);
    put_f32(hat, hatching_seed + 4, 50);
    put_f32(hat, hatching_param1, static_cast<float>(std::atan(1.0)));
    put_f32(hat, hatching_param2, 2);
    if (!add(df, proj, projection_annotations, table_annotation, hat)) return 9;

    // A leader "Поз. 1" from (20, 75), and a leader carrying a weld sign
    // (site weld, bend circle: a seam all round) from (45, 75).
    if (!add_leader(df, proj, 20, 75, "Поз. 1", 0, 0)) return 14;
    if (!add_leader(df, proj, 45, 75, "", 1, 1)) return 14;

    for (int chain : {projection_annotations, projection_dimensions, projection_elements})
        if (!fixture_set_projection_chain(df, pref, chain, get_u32(proj, chain))) return 6;

    // Where each record is picked: the middle of its box; for a leader its
    // arrow end, for a tolerance frame the middle of the frame (its box
    // holds the leader down to the segment, over the dimension's label).
    PageBuffer* ab = &page_buffers[table_annotation];
    RecordRef* ah = projection_chain(proj, projection_annotations);
    for (unsigned char* r = record_next(df, ah, nullptr, ab); r; r = record_next(df, ah, r, ab)) {
        Box b;
        if (!annotation_record_box(r, &b)) {
            std::printf("%s none\n", kind_name(r[record_kind]));
            continue;
        }
        double x = (b.min_x + b.max_x) / 2, y = (b.min_y + b.max_y) / 2;
        if (r[record_kind] == annotation_leader) {
            x = get_f32(r, leader_point1);
            y = get_f32(r, leader_point1 + 4);
        } else if (r[record_kind] == annotation_tolerance) {
            x = (get_f32(r, tolerance_frame1) + get_f32(r, tolerance_frame2)) / 2;
            y = (get_f32(r, tolerance_frame1 + 4) + get_f32(r, tolerance_frame2 + 4)) / 2;
        }
        std::printf("%s %.3f %.3f %.3f %.3f %.3f %.3f\n", kind_name(r[record_kind]), x, y, b.min_x, b.min_y, b.max_x,
                    b.max_y);
    }
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}

// ---------------------------------------------------------------- reading

uint64_t fnv(uint64_t h, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

void dump_record(const unsigned char* r) {
    int kind = r[record_kind];
    uint16_t f = get_u16(r, annotation_flags);
    std::printf("%s flags=%u size=%d", kind_name(kind), f, annotation_size_index(r));
    switch (kind) {
    case annotation_dimension_text: {
        std::string parts[4];
        dimension_label_parts(r, parts);
        std::printf(" key=%u before=%s nominal=%s after=%s under=%s", get_u32(r, record_key), utf8(parts[0]).c_str(),
                    utf8(parts[1]).c_str(), utf8(parts[2]).c_str(), utf8(parts[3]).c_str());
        break;
    }
    case annotation_leader: {
        LeaderTexts t = leader_texts(r);
        std::printf(" upper=%s lower=%s shape=%d sign=%d weld=%d x=%.2f y=%.2f", utf8(t.upper).c_str(),
                    utf8(t.lower).c_str(), leader_head_shape_of(r), leader_sign_of(r), leader_weld_marks_of(r),
                    get_f32(r, leader_point1), get_f32(r, leader_point1 + 4));
        break;
    }
    case annotation_hatching: {
        char name[7] = {};
        std::memcpy(name, r + hatching_name, 6);
        std::printf(" code=%d p1=%.4f p2=%.4f name=%s", r[hatching_kind_code], get_f32(r, hatching_param1),
                    get_f32(r, hatching_param2), utf8(name).c_str());
        break;
    }
    case annotation_text_fragment:
        std::printf(" text=%s", utf8(record_text(r, text_fragment_head)).c_str());
        break;
    case annotation_section: {
        std::string letters = unpack_whole_text(r + section_letters, 4);
        std::printf(" letters=%s nodes=%d", utf8(letters).c_str(), r[section_nodes_count]);
        break;
    }
    case annotation_roughness: {
        RoughnessTexts t = roughness_texts(r);
        std::printf(" parameter=%s instructions=%s base=%s variant=%d lay=%d", utf8(t.parts[0]).c_str(),
                    utf8(t.parts[1]).c_str(), utf8(t.parts[2]).c_str(), r[roughness_variant],
                    r[roughness_first_length]);
        break;
    }
    case annotation_tolerance: {
        ToleranceTexts t = tolerance_split(record_text(r, tolerance_head));
        std::printf(" signs=%d,%d,%d value=%s datums=%s", r[tolerance_signs], r[tolerance_signs + 1],
                    r[tolerance_signs + 2], utf8(t.value).c_str(), utf8(t.datums).c_str());
        break;
    }
    default: break;
    }
    std::printf("\n");
}

int dump_drawing(const char* path) {
    DrawingFile* df = drawing_file_new(path);
    if (!df) return 5;
    df->flags |= drawing_flag_read_only;
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 0) != 0) return 5;
    open_drawings[0] = df;
    current_drawing = 0;
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;
    std::vector<std::vector<unsigned char>> all;
    std::vector<std::string> lines;
    PageBuffer* ab = &page_buffers[table_annotation];
    RecordRef* ah = projection_chain(proj, projection_annotations);
    for (unsigned char* r = record_next(df, ah, nullptr, ab); r; r = record_next(df, ah, r, ab))
        all.emplace_back(r, r + get_u16(r, record_length));
    PageBuffer* db = &page_buffers[table_dimensions];
    RecordRef* dh = projection_chain(proj, projection_dimensions);
    for (unsigned char* r = record_next(df, dh, nullptr, db); r; r = record_next(df, dh, r, db))
        all.emplace_back(r, r + get_u16(r, record_length));
    std::vector<std::vector<unsigned char>> sorted = all;
    std::sort(sorted.begin(), sorted.end());
    uint64_t h = 14695981039346656037ull;
    for (const auto& r : sorted) h = fnv(h, r.data(), r.size());
    std::printf("hash %016llx\n", static_cast<unsigned long long>(h));
    for (unsigned char* r = record_next(df, ah, nullptr, ab); r; r = record_next(df, ah, r, ab)) dump_record(r);
    for (unsigned char* r = record_next(df, dh, nullptr, db); r; r = record_next(df, dh, r, db))
        std::printf("dimension number=%u value=%u state=%u\n", get_u32(r, dimension_number),
                    get_u16(r, dimension_value_word), get_u16(r, dimension_state));
    drawing_file_close(df);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (!start_program_services()) return 3;
    if (std::strcmp(argv[1], "--dump") == 0) return argc < 3 ? 2 : dump_drawing(argv[2]);
    return write_drawing(argv[1]);
}
