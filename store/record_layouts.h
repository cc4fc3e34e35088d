// Stored record layouts that the store, the kernel and the rendering read of
// the records owned by the stage tools, the output side and the model code:
// byte offsets (little-endian, unaligned; read them with store_bytes.h),
// sizes and bit masks, declared once here.  Operations on these records
// belong to their own subsystems.
#pragma once
#include <cstdint>

#include "base/byte_order.h"

// ---------------------------------------------------------------- common head
enum : uint32_t {
    record_length = 0,  // u16 total length, 1..2044
    record_key = 2,     // u32 object or owner number
    record_kind = 6     // u8 kind, in tables with several kinds
};

// ---------------------------------------------------------------- ProjectionRecord
// Heads of a projection's record chains and the fields the store touches.
enum : uint32_t {
    projection_links = 6,           // RecordRef: DimensionLink chain (table 4)
    projection_annotations = 10,    // RecordRef: annotation chain (table 1)
    projection_dimensions = 14,     // RecordRef: DimensionRecord chain (table 5)
    projection_elements = 18,       // RecordRef: ElementRecord chain (table 6)
    projection_contours = 22,       // RecordRef: ContourRecord chain (table 7)
    projection_construction = 26,   // RecordRef: construction records (table 11)
    projection_points = 30,         // RecordRef: PointRecord chain (table 3)
    projection_flags = 98,          // u16
    projection_highest_level = 102, // u16 highest drawing-order level of its elements
    projection_record_head = 180,   // length without the packed sketch reference
    projection_record_max = 440
};

// Bits of the u16 at projection_flags.
enum : uint16_t {
    projection_word_type = 0x000F,           // projection type
    projection_word_control_count = 0x0060,  // bits 5-6: control points on the sketch (0..2)
    projection_word_changed = 0x0200,        // its points or elements changed since the last rebuild
    projection_word_no_auto = 0x0400,        // no automatic construction: true = sketch positions
    projection_word_bit12 = 0x1000,
    projection_word_has_break = 0x2000       // holds a view break
};

// ---------------------------------------------------------------- ElementRecord
enum : uint32_t {
    element_number = 2,       // u32 key, shared by an element, its image and curve pieces
    element_level = 6,        // u16 drawing-order level (compared unsigned)
    element_fragment = 8,     // u16 fragment instance number (0: none)
    element_flags = 10,       // u16, element_flag_*
    element_options = 12,     // u16, element_opt_*
    element_head_size = 14,
    element_default_size = 54,
    // kinds 1, 2, 8: two point numbers at 14/18, two Point2 from 22
    element_points = 14,
    element_coords2 = 22,
    element_size2 = 54,
    // kinds 3, 4, 6, 10: three point numbers from 14, three Point2 from 26
    element_coords3 = 26,
    element_size3 = 74,
    // kind 8 (view break) beyond the two points
    element_break_contour = 54,   // u32
    element_break_gap = 66,       // double
    element_size_break = 74,
    // kind 9: five point numbers from 14, coordinates from 34
    element_coords5 = 34,
    element_size_elliptic_arc = 114,
    // kind 12: four point numbers from 14, BezierGeom {start, end, c1, c2} from 30
    element_coords4 = 30,
    element_size_bezier = 94,
    // kind 11: conventional image
    element_symbol_code = 14,     // u16
    element_symbol_count = 16,    // u16 point count 1..4
    element_symbol_items = 18,    // 20-byte items {u32 point, double x, double y}
    element_symbol_item_size = 20
};
enum : uint16_t {
    element_flag_kind = 0x000F,
    element_flag_line_type = 0x00F0,
    element_flag_marked = 0x0100,
    element_flag_generated = 0x0200,
    element_flag_contour_member = 0x0400,
    element_flag_screened = 0x0800,
    element_flag_screen_piece = 0x3000,
    element_flag_bit14 = 0x4000,
    // A deleted record awaiting the purge of temporary records: no ordinary
    // drawing element (left out of frames, contours and the normal drawing).
    element_flag_purge = 0x8000
};
enum : uint16_t {
    element_opt_image = 0x0001,       // curve image generated from another element
    element_opt_closed = 0x0002,      // kind 5 closed; kind 11 mirrored / upper layer
    element_opt_no_contours = 0x0004,
    element_opt_transient = 0x0008,
    element_opt_bar_outline = 0x0010,
    element_opt_from_source = 0x0020,
    element_opt_keep_coords = 0x0040,
    element_opt_continuation = 0x0080,  // continuation piece of a curve
    element_opt_bezier_image = 0x0100,
    element_opt_end_marker = 0x0600,
    element_opt_highlight = 0x0800,     // set on contour members by drawing_order_make_room
    element_opt_accent = 0x1000,
    element_opt_layer = 0xE000
};
enum : int {
    element_kind_none = 0, element_kind_segment = 1, element_kind_circle = 2,
    element_kind_arc_centre = 3, element_kind_arc_points = 4, element_kind_curve = 5,
    element_kind_wavy = 6, element_kind_fragment = 7, element_kind_break = 8,
    element_kind_elliptic_arc = 9, element_kind_ellipse = 10, element_kind_symbol = 11,
    element_kind_bezier = 12, element_kind_count = 13
};
// The kind in bits 0-3: 0 and 13-15 occur only in damaged or unusual
// records; every table indexed by kind checks element_kind_valid first.
inline int element_kind(const void* rec) { return get_u16(rec, element_flags) & element_flag_kind; }
inline bool element_kind_valid(int kind) { return kind >= 1 && kind <= 12; }
inline int element_line_type(const void* rec) { return (get_u16(rec, element_flags) >> 4) & 0x0F; }
inline int element_layer(const void* rec) { return get_u16(rec, element_options) >> 13; }

// ---------------------------------------------------------------- CurveRecord (element kind 5)
enum : uint32_t {
    curve_count = 14,          // i16 vertex count n
    curve_vertices = 16,       // CurveVertex array
    curve_vertex_size = 36,    // u32 point, Point2 point, Point2 through
    curve_vertex_point = 0,
    curve_vertex_x = 4,
    curve_vertex_y = 12,
    curve_vertex_through_x = 20,
    curve_vertex_through_y = 28,
    curve_chunk_vertices = 55, // vertices per stored chunk of a long curve
    curve_max_single = 56      // more vertices than this are stored in chunks
};
// Length of a curve of n vertices: 36 n (the last through point not stored)
// or 16 + 36 n (complete last vertex).
inline uint32_t curve_record_length(int n, bool complete_last) {
    return 36u * static_cast<uint32_t>(n) + (complete_last ? 16u : 0u);
}

// ---------------------------------------------------------------- PointRecord
enum : uint32_t {
    point_number = 2,      // u32 key
    point_fragment = 6,    // u16 fragment instance
    point_flags = 8,       // u16
    point_flags2 = 10,     // u16
    point_sketch_x = 12,   // double
    point_sketch_y = 20,
    point_true_x = 28,
    point_true_y = 36,
    point_zero = 44,       // u32, 0
    point_record_size = 48
};
enum : uint16_t {
    point_flag_state = 0x0003, point_flag_hidden = 0x0004, point_flag_control = 0x0008,
    point_flag_no_dimension = 0x0020, point_flag_marks = 0x00C0, point_flag_big_mark = 0x0800,
    point_flag_show_number = 0x1000, point_flag_annotation = 0x2000, point_flag_origin = 0x4000,
    point_flag_fixed = 0x8000,
    point_flag_centre = 0x0010,       // centre point of an element
    point_flag_solver8 = 0x0100,      // set by applying construction results, read by the fillets
    point_flag_thread_end = 0x0200,   // end of a thread line moved by the thread clean-up
    point_flag_solver10 = 0x0400      // set by applying construction results
};
// Bits of the u16 at point_flags2.
enum : uint16_t {
    point_flag2_bezier_control = 0x0001,  // control point of a Bezier spline (drawn as a diamond)
    point_flag2_shadow = 0x0002,          // the mark has a shadow (also bit 6)
    point_flag2_hidden_a = 0x0004,        // with bit 3: not painted; alone: not moved by Ctrl+drag
    point_flag2_hidden_b = 0x0008,
    point_flag2_grabbed = 0x0010,         // cleared when the point is grabbed
    point_flag2_no_hit = 0x0020,          // not picked; painted only with its number
    point_flag2_shadow2 = 0x0040,
    point_flag2_bezier_free = 0x0080,     // with bit 0: a control point that marks no spline
    point_flag2_priority = 0x0100,        // wins ties of the hit test
    point_flag2_picture = 0x8000          // its symbol's picture is prepared again after a move
};

// ---------------------------------------------------------------- DimensionLink
enum : uint32_t {
    link_number = 2,      // u32 key
    link_point = 6,       // u32 reference point number
    link_dimension = 10,  // u32 dimension number (record_chain_index field 1)
    link_direction = 14,  // double, radians
    link_zero = 22,       // u16
    link_role = 24,       // u16: bits 0-1 role
    link_record_size = 26
};

// ---------------------------------------------------------------- DimensionRecord
// 100 bytes, or 98 + n with a packed comment of n bytes: no fixed size.
enum : uint32_t {
    dimension_number = 2,           // u32 key
    dimension_axis_point1 = 6,      // u32
    dimension_axis_point2 = 10,     // u32
    dimension_nominal = 14,         // double
    dimension_variable = 32,        // u16 model variable id (0 none)
    dimension_kind_word = 34,       // u16: bits 0-4 kind, 5-7 direction, 8-11 / 12-15 line ends
    dimension_value_word = 36,      // u16: bits 0-2 linked ends, 3 not shown, 8-10 comparison, 13 centre cross
    dimension_state = 38,           // u16 state flags (bit 9: comment stored)
    dimension_line_start = 40,      // float pair: dimension line first end
    dimension_line_end = 48,        // float pair: second end
    dimension_centre = 56,          // float pair
    dimension_extension1 = 64,      // two float pairs: first extension line
    dimension_extension2 = 80,      // two float pairs: second extension line
    dimension_comment_length = 96,  // u16
    dimension_comment = 98,         // packed comment
    dimension_record_size = 100,    // without a comment
    dimension_upgrade_size = 92     // intermediate layout of an old-version upgrade only
};
enum : uint16_t {
    dimension_value_centre_cross = 0x2000,
    dimension_value_far_end = 0x4000,
    dimension_state_comment = 0x0200
};
inline int dimension_kind(const void* rec) { return get_u16(rec, dimension_kind_word) & 0x1F; }

// ---------------------------------------------------------------- annotation records
enum : uint32_t {
    annotation_flags = 8,         // u16; size index bits 7-10 (kinds 0, 1), 2-5 (kinds 3-6)
    annotation_default_size = 60
};
enum : int {
    annotation_dimension_text = 0, annotation_leader = 1, annotation_hatching = 2,
    annotation_text_fragment = 3, annotation_section = 4, annotation_roughness = 5,
    annotation_tolerance = 6, annotation_kind_count = 7  // the walks skip kinds 7 and above
};
inline int annotation_size_index(const void* rec) {
    const unsigned char* r = static_cast<const unsigned char*>(rec);
    uint16_t f = get_u16(rec, annotation_flags);
    return r[record_kind] <= annotation_leader ? (f >> 7) & 0x0F : (f >> 2) & 0x0F;
}
// DimensionTextRecord (kind 0)
enum : uint32_t {
    dimension_text_first_length = 7,  // u8
    dimension_text_leader1 = 10,      // float pairs: 10/14, 18/22, 26/30
    dimension_text_leader2 = 18,
    dimension_text_leader3 = 26,
    dimension_text_anchor = 34,       // float pair
    dimension_text_anchor2 = 42,      // float pair (second text anchor)
    dimension_text_angle = 50,        // double
    dimension_text_head = 58          // packed text from here
};
// LeaderRecord (kind 1)
enum : uint32_t {
    leader_first_length = 7, leader_style = 10, leader_fragment = 12, leader_binding = 14,
    leader_point1 = 18, leader_point2 = 26, leader_point3 = 34,
    leader_text1 = 42, leader_text2 = 50, leader_shelf = 58,
    leader_head = 66
};
// HatchingRecord (kind 2)
enum : uint32_t {
    hatching_kind_code = 7, hatching_binding = 10, hatching_seed = 14,
    hatching_param1 = 26, hatching_param2 = 30, hatching_source = 34, hatching_name = 38,
    hatching_record_size = 44
};
// TextFragmentRecord (kind 3)
enum : uint32_t {
    text_fragment_alignment = 7, text_fragment_options = 10, text_fragment_fragment = 12,
    text_fragment_binding = 14, text_fragment_baseline = 18, text_fragment_corner1 = 22,
    text_fragment_corner2 = 30, text_fragment_frame1 = 38, text_fragment_frame2 = 46,
    text_fragment_angle = 54, text_fragment_text_length = 62, text_fragment_lines = 64,
    text_fragment_head = 66
};
// SectionRecord (kind 4)
enum : uint32_t {
    section_nodes_count = 7, section_binding = 10, section_letters = 14,
    section_anchor1 = 18, section_anchor2 = 26, section_anchor3 = 34, section_anchor4 = 42,
    section_nodes = 50, section_node_size = 8
};
// RoughnessRecord (kind 5)
enum : uint32_t {
    roughness_first_length = 7, roughness_tip = 12, roughness_angle = 20,
    roughness_shelf_offset = 28, roughness_variant = 32, roughness_lengths = 33,
    roughness_head = 36
};
// ToleranceRecord (kind 6)
enum : uint32_t {
    tolerance_text_length = 7, tolerance_signs = 10, tolerance_element = 14,
    tolerance_frame1 = 18, tolerance_frame2 = 26, tolerance_separator1 = 34,
    tolerance_separator2 = 38, tolerance_leader_target = 42, tolerance_leader_start = 50,
    tolerance_frame_side = 58, tolerance_head = 74
};

// ---------------------------------------------------------------- ContourRecord
enum : uint32_t {
    contour_number = 2,        // u32 key (0: temporary, never stored)
    contour_box = 6,           // 4 doubles
    contour_perimeter = 38,    // double
    contour_area = 46,         // double
    contour_area_point = 54,   // float pair
    contour_level = 62,        // i16 (-2 automatic)
    contour_fragment = 64,     // u16
    contour_flags = 66,        // u16: bits 0-2 kind, 3-6 line type, 9 first chunk, 10 continuation, 11 level set
    contour_member_count = 80, // i16
    contour_members = 82,      // u32 member numbers
    contour_head_size = 82,
    contour_default_size = 86,
    contour_chunk_members = 489
};
enum : uint16_t {
    contour_flag_kind = 0x0007, contour_flag_first_chunk = 0x0200,
    contour_flag_continuation = 0x0400, contour_flag_level_set = 0x0800
};

// ---------------------------------------------------------------- construction records
enum : uint32_t {
    construction_flags = 7,  // u8; kind at 6: 1 perspective, 4 fragment instance, 8 bar, 9 auxiliary line, 18 symmetry
    construction_default_size = 62
};
// AuxLineRecord (construction kind 9): an infinite straight line.
enum : uint32_t {
    aux_line_dimension = 8,   // u32 dimension binding points to the line (0 none)
    aux_line_x1 = 12,         // four doubles: x1, y1, x2, y2
    aux_line_y1 = 20,
    aux_line_x2 = 28,
    aux_line_y2 = 36,
    aux_line_anchor1 = 44,    // u32 point the line passes through (anchored lines)
    aux_line_anchor2 = 48,    // u32 second point of a two-point line
    aux_line_record_size = 52
};
enum : uint8_t {
    construction_kind_fragment = 4, construction_kind_bar = 8, construction_kind_aux_line = 9,
    construction_kind_symmetry = 18
};
enum : uint8_t {
    aux_line_direction = 0x03,  // 0 horizontal, 1 vertical, 2 through two points
    aux_line_anchored = 0x04,
    aux_line_symmetry = 0x08
};
// FragmentInstanceRecord (construction kind 4)
enum : uint32_t {
    fragment_source = 2,          // u32 key: the source fragment's projection number
    fragment_mode = 7,            // u8 mode bits
    fragment_instance = 8,        // u16 1..65535
    fragment_source_bindings = 10,// u16 0..3
    fragment_target_bindings = 12,// u16 0..3
    fragment_source_points = 14,  // 3 x u32
    fragment_target_points = 26,  // 3 x u32
    fragment_scale = 38,          // double
    fragment_angle = 46,          // double, radians
    fragment_record_size = 54
};

// ---------------------------------------------------------------- SheetRecord (table 10, sheet chain)
enum : uint32_t {
    sheet_number = 2,       // u32 key
    sheet_flags = 6,        // u16: bit 0 rotated, 1 current, 2 page sheet
    sheet_title_block = 8,  // u8
    sheet_format = 9,       // u8
    sheet_width = 10,       // float, mm
    sheet_height = 14,      // float, mm
    sheet_record_size = 18
};

// ---------------------------------------------------------------- TitleBlockFieldRecord
enum : uint32_t {
    title_field_number = 2,   // u32 key (65535: the general roughness sign)
    title_field_sheet = 6,    // u16 (0: all sheets)
    title_field_text = 8,     // packed text, class 1, at most 520 bytes
    title_field_head = 8,
    title_field_default_size = 48
};

// ---------------------------------------------------------------- ModelVariableRecord
enum : uint32_t {
    model_variable_id = 2,        // u32 key
    model_variable_flags = 6,     // u16: bits 0-4 type, 5-12 packed name length, 13 rounded, 14 run first
    model_variable_string_length = 8,  // u16
    model_variable_step = 10,     // double
    model_variable_value = 18,    // double
    model_variable_name = 26,     // packed name (mode 3), then a string value (mode 5)
    model_variable_head = 26,
    model_default_size = 86
};
inline int model_variable_type(const void* rec) { return get_u16(rec, model_variable_flags) & 0x1F; }
inline int model_variable_name_length(const void* rec) {
    return (get_u16(rec, model_variable_flags) >> 5) & 0xFF;
}

// ---------------------------------------------------------------- TableRecord
enum : uint32_t {
    table_record_kind = 2,    // u16: 0 table, 1 column, 2 cell, 3 cell lock
    table_record_key = 4,     // u32 table key
    table_record_column = 8,  // u16
    table_record_row = 10,    // u16
    table_record_text_length = 12,  // u16
    table_record_text = 14,
    table_default_size = 16
};

// ---------------------------------------------------------------- PictureRecord
// A stored picture: reference points are i32 pixels counted from the left and
// from the top row; the key pixel's row is counted from the bottom row.
enum : uint32_t {
    picture_length = 0,        // u16 74
    picture_id = 2,            // u32 key; bent pictures from 55001
    picture_kind = 6,          // u8 10
    picture_flags = 7,         // u8: bits 0-1 points - 1, bit 2 transparent,
                               //     bit 4 temporary, bit 5 channel-window key matching
    picture_tolerance = 8,     // u8 bits 0-5 key tolerance (byte 9 stays 0)
    picture_height_mm = 10,    // float height on the sheet
    picture_key_colour = 14,   // u32 COLORREF
    picture_points = 18,       // 4 x (i32 x, i32 y)
    picture_name = 50,         // 8 bytes packed text
    picture_blob = 58,         // RecordRef of the BMP file image
    picture_blob_length = 62,  // u32
    picture_key_x = 66,        // i32
    picture_key_row = 70,      // i32
    picture_record_size = 74
};
enum : uint8_t { picture_record_kind = 10 };

// Fields must lie inside their record heads.
static_assert(point_zero + 4 == point_record_size, "PointRecord");
static_assert(link_role + 2 == link_record_size, "DimensionLink");
static_assert(dimension_comment_length + 2 == dimension_comment, "DimensionRecord");
static_assert(element_coords2 + 32 == element_size2, "ElementRecord two points");
static_assert(element_coords3 + 48 == element_size3, "ElementRecord three points");
static_assert(element_coords4 + 64 == element_size_bezier, "ElementRecord Bezier");
static_assert(element_coords5 + 80 == element_size_elliptic_arc, "ElementRecord elliptic arc");
static_assert(element_break_gap + 8 == element_size_break, "ElementRecord view break");
static_assert(curve_vertices + curve_vertex_size * curve_max_single <= 2044 &&
              curve_vertices + curve_vertex_size * (curve_max_single + 1) > 2044, "CurveRecord");
static_assert(contour_members + 4 * contour_chunk_members <= 2044, "ContourRecord chunk");
static_assert(fragment_angle + 8 == fragment_record_size, "FragmentInstanceRecord");
static_assert(sheet_height + 4 == sheet_record_size, "SheetRecord");
static_assert(model_variable_value + 8 == model_variable_head, "ModelVariableRecord");
static_assert(hatching_name + 6 == hatching_record_size, "HatchingRecord");
static_assert(tolerance_frame_side + 16 == tolerance_head, "ToleranceRecord");
static_assert(text_fragment_lines + 2 == text_fragment_head, "TextFragmentRecord");
static_assert(roughness_lengths + 3 == roughness_head, "RoughnessRecord");
static_assert(leader_shelf + 8 == leader_head, "LeaderRecord");
static_assert(dimension_text_angle + 8 == dimension_text_head, "DimensionTextRecord");
