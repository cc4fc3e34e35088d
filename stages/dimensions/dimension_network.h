// The dimension network of one projection in memory: the dimension and point
// nodes read from the projection's records, and the checks that build and
// validate them before view construction.
//
// The checks work on copies of the records (NetworkRecords), so they run
// without the store and without any process-wide state: every call has its
// own node lists, its own message list and its own mode. The caller (the
// construction run, the closed-chain search) loads the copies, runs the
// checks and writes the changed flag words back (see network_store.h).
//
// Node lists are in front-insertion order: the newest record comes first.
// Every later tie-break of the solver follows this order.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Roles of a point in a dimension (DimensionLink role - 1).
enum { ROLE_FIRST = 0, ROLE_SECOND = 1, ROLE_CENTRE = 2 };

// Dimension kinds (DimensionRecord kind word bits 0-4).
enum {
    DIM_LINEAR = 0, DIM_RADIUS = 1, DIM_DIAMETER = 2, DIM_ANGLE = 3,
    DIM_ARC_LENGTH = 4, DIM_FILLET = 5, DIM_LEVEL = 6
};

// Point node flags.
enum : unsigned {
    PN_FIXED = 1u << 0,
    PN_TRIED = 1u << 1,
    PN_ON_LOCUS = 1u << 2,
    PN_START = 1u << 3,
    PN_WAITING = 1u << 4,
    PN_FILLET = 1u << 5,
    PN_VISITED = 1u << 6,
    PN_POSTPONED = 1u << 7,
    PN_POSTPONED_ONCE = 1u << 8,
    PN_ORIGIN = 1u << 9
};

// Copies of the records of one projection, in chain order, and the drawing
// settings the checks read.
struct NetworkRecords {
    std::vector<uint8_t> projection;                 // ProjectionRecord (flags +98, +101, scale +112)
    int unit_index = 0;                              // DrawingHeader length-unit index
    bool coinciding_check = false;                   // DrawingHeader +113 bit 2
    bool has_elements = false;                       // the projection has graphic elements
    std::vector<std::vector<uint8_t>> dimensions;    // DimensionRecord
    std::vector<std::vector<uint8_t>> points;        // PointRecord
    std::vector<std::vector<uint8_t>> links;         // DimensionLink
};

struct DimensionNode {
    uint32_t number = 0;
    int record = -1;             // index into NetworkRecords::dimensions
    int level = 0;
    uint32_t axis_number[2] = {0, 0};
    int axis_node[2] = {-1, -1};
    double value = 0;
    int kind = 0;                // after the checks: levels and diameters without centre are 0
    int mode = 0;                // direction mode 0-3 (4 is split by the checks)
    int comparison = 0;          // 0 exact, 1 "<", 2 "<=", 3 ">", 4 ">="
    bool not_shown = false;      // value word bit 3
    bool shaft = false;          // value word bit 12
    bool applied_inequality = false;
    bool inconsistent = false;
    bool derived = false;        // the half-value twin of a symmetric dimension
    int locus[3] = {-1, -1, -1};
    std::vector<int> points[3];  // point nodes by role
};

struct PointNode {
    uint32_t number = 0;
    int record = -1;             // index into NetworkRecords::points
    unsigned flags = 0;
    std::vector<int> dimensions; // dimension nodes that use it
    double x = 0, y = 0;         // solved position
    double sketch_x = 0, sketch_y = 0;
};

// One line for the construction log. Counted lines are errors of the
// projection; follow-up lines and warnings are not.
struct NetworkLine {
    std::string text;            // program texts (CP1251), markers not yet expanded
    bool counted = false;
};

struct Network {
    NetworkRecords* records = nullptr;
    std::vector<DimensionNode> dimensions;
    std::vector<PointNode> points;
    std::vector<NetworkLine> lines;
    int error_count = 0;
};

// Pixel position of a model point in the projection's window; used only by
// the coinciding-points warning. Empty: no warning.
using PixelOf = std::function<void(double x, double y, long* px, long* py)>;

struct CheckOptions {
    bool keep_error_marks = false;   // keep the records' earlier error marks
    bool message_box_mode = false;   // run from the closed-chain search: no pixel warning
    PixelOf pixel_of;
};

// Results of check_projection_network.
enum { NETWORK_OK = 0, NETWORK_ERROR = 1, NETWORK_NOT_CONSTRUCTED = 100 };

// Builds the node lists of the projection from the record copies and checks
// them. Changes the copies: the dimensions' error marks (+38 bit 5) and the
// points' flag bits 4, 6-11. Returns NETWORK_NOT_CONSTRUCTED when the
// projection is not to be constructed, NETWORK_ERROR when an error line was
// written (net.error_count > 0), else NETWORK_OK.
int check_projection_network(NetworkRecords& records, Network& net, const CheckOptions& options);

// Helpers shared with the solver.
// Linear after the checks: kind 0 (levels and diameters without centre are
// turned into it), or a diameter with both ends.
bool dimension_is_linear(const DimensionNode& d);
// A radius, or a diameter with a centre and no second end (value halved).
bool dimension_is_radial(const DimensionNode& d);
bool dimension_is_angular(const DimensionNode& d);
// The text of `describe_dimension` for the node's record.
std::string dimension_node_description(const Network& net, const DimensionNode& d);
// Sets the error mark (+38 bit 5) of the node's record copy.
void mark_dimension_record(Network& net, const DimensionNode& d);
void network_line(Network& net, const char* text, bool counted);
