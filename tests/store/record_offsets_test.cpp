// The record layout constants against the byte offsets of the stored
// layouts, typed here as literal numbers from the layout tables (not taken
// from the constants): a wrong offset in record_layouts.h makes every store
// round trip agree with itself, but not this table.
#include <gtest/gtest.h>

#include <cstdint>

#include "store/record_layouts.h"

namespace {

struct Offset {
    const char* name;
    uint32_t constant;
    uint32_t stored;  // from the layout
};

TEST(RecordOffsets, ConstantsMatchTheStoredLayouts) {
    const Offset table[] = {
        // Every record: length, key, kind.
        {"record_length", record_length, 0},
        {"record_key", record_key, 2},
        {"record_kind", record_kind, 6},
        // Projection record: seven chain heads, flags, level, head size.
        {"projection_links", projection_links, 6},
        {"projection_annotations", projection_annotations, 10},
        {"projection_dimensions", projection_dimensions, 14},
        {"projection_elements", projection_elements, 18},
        {"projection_contours", projection_contours, 22},
        {"projection_construction", projection_construction, 26},
        {"projection_points", projection_points, 30},
        {"projection_flags", projection_flags, 98},
        {"projection_highest_level", projection_highest_level, 102},
        {"projection_record_head", projection_record_head, 180},
        {"projection_record_max", projection_record_max, 440},
        // Graphic element.
        {"element_number", element_number, 2},
        {"element_level", element_level, 6},
        {"element_fragment", element_fragment, 8},
        {"element_flags", element_flags, 10},
        {"element_options", element_options, 12},
        {"element_points", element_points, 14},
        {"element_coords2", element_coords2, 22},
        {"element_size2", element_size2, 54},
        {"element_coords3", element_coords3, 26},
        {"element_size3", element_size3, 74},
        {"element_coords4", element_coords4, 30},
        {"element_default_size", element_default_size, 54},
        {"element_symbol_code", element_symbol_code, 14},
        {"element_symbol_count", element_symbol_count, 16},
        {"element_symbol_items", element_symbol_items, 18},
        {"element_symbol_item_size", element_symbol_item_size, 20},
        // Arc-piece curve.
        {"curve_count", curve_count, 14},
        {"curve_vertices", curve_vertices, 16},
        {"curve_vertex_size", curve_vertex_size, 36},
        {"curve_vertex_x", curve_vertex_x, 4},
        {"curve_vertex_y", curve_vertex_y, 12},
        {"curve_vertex_through_x", curve_vertex_through_x, 20},
        {"curve_vertex_through_y", curve_vertex_through_y, 28},
        {"curve_chunk_vertices", curve_chunk_vertices, 55},
        // Reference point.
        {"point_number", point_number, 2},
        {"point_flags", point_flags, 8},
        {"point_flags2", point_flags2, 10},
        {"point_sketch_x", point_sketch_x, 12},
        {"point_sketch_y", point_sketch_y, 20},
        {"point_true_x", point_true_x, 28},
        {"point_true_y", point_true_y, 36},
        {"point_zero", point_zero, 44},
        {"point_record_size", point_record_size, 48},
        // Dimension link.
        {"link_point", link_point, 6},
        {"link_dimension", link_dimension, 10},
        {"link_record_size", link_record_size, 26},
        // Dimension.
        {"dimension_nominal", dimension_nominal, 14},
        {"dimension_variable", dimension_variable, 32},
        {"dimension_kind_word", dimension_kind_word, 34},
        {"dimension_value_word", dimension_value_word, 36},
        {"dimension_state", dimension_state, 38},
        {"dimension_line_start", dimension_line_start, 40},
        {"dimension_line_end", dimension_line_end, 48},
        {"dimension_centre", dimension_centre, 56},
        {"dimension_extension1", dimension_extension1, 64},
        {"dimension_extension2", dimension_extension2, 80},
        {"dimension_record_size", dimension_record_size, 100},
        {"dimension_upgrade_size", dimension_upgrade_size, 92},
        // Annotation records.
        {"annotation_flags", annotation_flags, 8},
        {"dimension_text_first_length", dimension_text_first_length, 7},
        {"dimension_text_leader1", dimension_text_leader1, 10},
        {"dimension_text_leader2", dimension_text_leader2, 18},
        {"dimension_text_leader3", dimension_text_leader3, 26},
        {"dimension_text_anchor", dimension_text_anchor, 34},
        {"dimension_text_anchor2", dimension_text_anchor2, 42},
        {"dimension_text_angle", dimension_text_angle, 50},
        {"dimension_text_head", dimension_text_head, 58},
        {"leader_style", leader_style, 10},
        {"leader_point1", leader_point1, 18},
        {"leader_point2", leader_point2, 26},
        {"leader_point3", leader_point3, 34},
        {"leader_text1", leader_text1, 42},
        {"leader_text2", leader_text2, 50},
        {"leader_head", leader_head, 66},
        {"hatching_kind_code", hatching_kind_code, 7},
        {"hatching_seed", hatching_seed, 14},
        {"hatching_param1", hatching_param1, 26},
        {"hatching_param2", hatching_param2, 30},
        {"hatching_source", hatching_source, 34},
        {"hatching_name", hatching_name, 38},
        {"hatching_record_size", hatching_record_size, 44},
        {"text_fragment_alignment", text_fragment_alignment, 7},
        {"text_fragment_baseline", text_fragment_baseline, 18},
        {"text_fragment_corner1", text_fragment_corner1, 22},
        {"text_fragment_corner2", text_fragment_corner2, 30},
        {"text_fragment_frame1", text_fragment_frame1, 38},
        {"text_fragment_frame2", text_fragment_frame2, 46},
        {"text_fragment_angle", text_fragment_angle, 54},
        {"text_fragment_text_length", text_fragment_text_length, 62},
        {"text_fragment_lines", text_fragment_lines, 64},
        {"text_fragment_head", text_fragment_head, 66},
        {"section_nodes_count", section_nodes_count, 7},
        {"section_letters", section_letters, 14},
        {"section_anchor1", section_anchor1, 18},
        {"section_anchor2", section_anchor2, 26},
        {"section_anchor3", section_anchor3, 34},
        {"section_anchor4", section_anchor4, 42},
        {"section_nodes", section_nodes, 50},
        {"section_node_size", section_node_size, 8},
        {"roughness_first_length", roughness_first_length, 7},
        {"roughness_lengths", roughness_lengths, 33},
        {"roughness_head", roughness_head, 36},
        {"tolerance_text_length", tolerance_text_length, 7},
        {"tolerance_signs", tolerance_signs, 10},
        {"tolerance_frame1", tolerance_frame1, 18},
        {"tolerance_frame2", tolerance_frame2, 26},
        {"tolerance_separator1", tolerance_separator1, 34},
        {"tolerance_separator2", tolerance_separator2, 38},
        {"tolerance_leader_target", tolerance_leader_target, 42},
        {"tolerance_leader_start", tolerance_leader_start, 50},
        {"tolerance_head", tolerance_head, 74},
        // Contour: the kind word and the member list.
        {"contour_flags", contour_flags, 66},
        {"contour_member_count", contour_member_count, 80},
        {"contour_members", contour_members, 82},
        {"contour_chunk_members", contour_chunk_members, 489},
    };
    for (const Offset& o : table) EXPECT_EQ(o.constant, o.stored) << o.name;
}

// The bit fields of the kind and flag words, from the same tables.
TEST(RecordOffsets, FlagBitsMatchTheStoredLayouts) {
    const Offset table[] = {
        {"element_flag_kind", element_flag_kind, 0x000F},
        {"element_flag_line_type", element_flag_line_type, 0x00F0},
        {"element_flag_marked", element_flag_marked, 0x0100},
        {"element_flag_generated", element_flag_generated, 0x0200},
        {"element_flag_contour_member", element_flag_contour_member, 0x0400},
        {"element_flag_screened", element_flag_screened, 0x0800},
        {"element_flag_screen_piece", element_flag_screen_piece, 0x3000},
        {"element_flag_bit14", element_flag_bit14, 0x4000},
        {"element_flag_purge", element_flag_purge, 0x8000},
        {"element_opt_image", element_opt_image, 0x0001},
        {"element_opt_closed", element_opt_closed, 0x0002},
        {"element_opt_no_contours", element_opt_no_contours, 0x0004},
        {"element_opt_continuation", element_opt_continuation, 0x0080},
        {"element_opt_bezier_image", element_opt_bezier_image, 0x0100},
        {"element_opt_end_marker", element_opt_end_marker, 0x0600},
        {"element_opt_highlight", element_opt_highlight, 0x0800},
        {"element_opt_accent", element_opt_accent, 0x1000},
        {"element_opt_layer", element_opt_layer, 0xE000},
        {"element_kind_curve", element_kind_curve, 5},
        {"element_kind_symbol", element_kind_symbol, 11},
        {"element_kind_bezier", element_kind_bezier, 12},
        {"dimension_value_centre_cross", dimension_value_centre_cross, 0x2000},
        {"dimension_value_far_end", dimension_value_far_end, 0x4000},
        {"contour_flag_kind", contour_flag_kind, 0x0007},
        {"annotation_hatching", annotation_hatching, 2},
        {"annotation_tolerance", annotation_tolerance, 6},
    };
    for (const Offset& o : table) EXPECT_EQ(o.constant, o.stored) << o.name;
}

}  // namespace
