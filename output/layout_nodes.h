// Layout nodes: one per projection shown on the drawing sheets (fragments
// never are), with its box on the sheet, its sheet number and its hatch
// lines.  The sheet window, printing and the DXF export draw projections
// through them; automatic layout places them.
//
// Sheet coordinates are model units (sheet mm divided by the drawing
// scale), x to the right, y downward, as in the projections themselves.  A
// node's position is where its projection's drawing frame begins on the
// sheet (the ProjectionRecord's placement); its box is that frame, so a
// model point p of the projection lies on the sheet at position + (p -
// frame min).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "render/contours/contour_clip.h"
#include "render/output/output_view.h"
#include "store/drawing_file.h"

// Bits of LayoutNode::flags.
enum : uint16_t {
    layout_node_kind_mask = 0x000f,   // view kind (view_kind_names)
    layout_node_always = 0x0010,
    layout_node_hand_placed = 0x0040,
    layout_node_laid_out = 0x0080,
    layout_node_picked = 0x0100,
    layout_node_not_shown = 0x0400
};

// View kinds that layout treats apart.
enum : int {
    view_kind_general = 0,
    view_kind_front = 1,
    view_kind_top = 2,
    view_kind_left = 3,
    view_kind_right = 4,
    view_kind_bottom = 5,
    view_kind_back = 6,
    view_kind_requirements = 7,
    view_kind_fragment = 8
};

// ProjectionRecord fields owned by layout.
enum : size_t {
    projection_place_x = 74,        // f32 placement on its sheet
    projection_place_y = 78,
    projection_sheet_number = 106   // u16, low 11 bits
};
// Bit 7 of the ProjectionRecord's flag word: placed by hand on its sheet.
enum : uint16_t { projection_flag_hand_placed = 0x0080 };

struct LayoutNode {
    LayoutNode();
    ~LayoutNode();
    LayoutNode(const LayoutNode&) = delete;
    LayoutNode& operator=(const LayoutNode&) = delete;

    uint32_t number = 0;       // projection number
    RecordRef ref = 0;         // its record (taken again before each use)
    uint16_t flags = layout_node_always;
    uint16_t sheet = 1;
    double frame_x = 0, frame_y = 0;   // the projection's frame min corner (model)
    double width = 0, height = 0;      // its box
    double x = 0, y = 0;               // position on the sheet
    std::vector<uint8_t> record;       // copy of the ProjectionRecord the walks draw
    ContourWindow hatch{nullptr, nullptr};  // hatch lines built by the rebuild

    int kind() const { return flags & layout_node_kind_mask; }
    double right() const { return x + width; }
    double bottom() const { return y + height; }
};
using LayoutNodes = std::vector<std::unique_ptr<LayoutNode>>;

// Nodes of every projection of df that is not a fragment, in chain order:
// flags, sheet (0 read as 1) and position from the ProjectionRecord; a
// projection without elements gets an empty box.
LayoutNodes layout_build_nodes(DrawingFile* df);

// Takes each node's record again from the drawing (after the projections
// changed): its copy, frame and box; position, sheet and flags stay.
void layout_refresh_node(DrawingFile* df, LayoutNode* node);

// Writes the node's sheet number, and with placement also its position and
// hand-placed flag, into its ProjectionRecord.
void layout_store_node(DrawingFile* df, const LayoutNode& node, bool placement);

// The first node on sheet with that kind and not laid out yet, or null.
LayoutNode* layout_find_unplaced(LayoutNodes& nodes, int kind, uint32_t sheet);

// The shown node of sheet whose box holds (x, y); of several the smallest,
// of equal areas the later one.  Null when none.
LayoutNode* layout_pick_node(LayoutNodes& nodes, uint32_t sheet, double x, double y);

// Automatic format choice and placement of the nodes of the header's
// current sheet (format code 0 tries A4..A0, another code only itself).
// Nothing changes on a page sheet (its code is returned).
// Returns the format code chosen; -1 when even the last candidate did not
// hold the views (their placement then stays and the message is shown).
// The header gets the code and the sheet size; every node of the sheet
// writes its position into its ProjectionRecord.
int layout_choose_format(DrawingFile* df, LayoutNodes& nodes);

// Programme-wide margin of automatic layout (mm), 10 at start.
extern double layout_margin;
extern const char* const layout_message_too_large;
extern const char* const layout_message_choose_scale;

// Regenerates the hatch lines of the node's hatchings (annotation kind 2
// whose flag bit 0 is set), freeing the old ones.  Stops between hatchings
// when keep_going returns false.  Returns 0, -1 when a generation failed
// (error_flag; the generator has shown its message).
int layout_node_regenerate_hatching(LayoutNode* node, bool (*keep_going)());

// Draws a node's projection with its sheet transform on view (whose scale
// and device the caller set; origin_x/origin_y is the sheet point at the
// view's pixel 0,0): the symbols of the upper layer, the elements, the
// hatch lines (with_hatch), the other symbols, dimensions and annotation.
void layout_draw_node(OutputView* view, LayoutNode* node, double origin_x, double origin_y, bool with_hatch);
