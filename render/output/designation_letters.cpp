// Designation letters of a section line or view: the letter anchors.
#include "render/output/designation_letters.h"

#include <cmath>
#include <cstring>

#include "base/byte_order.h"
#include "geometry/geom_types.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

namespace {

constexpr double pi_value = 3.14159265358979323846;

struct LetterBox {
    double width, height, depth, margin;
};

void place_end(uint8_t* rec, Point2 node, bool has_arrow, double psi, double phi, const LetterBox& b, size_t anchor1,
               size_t anchor2) {
    double far = sheet_to_model_length(15.0);
    double c = std::cos(phi), s = std::sin(phi);
    Point2 a1{node.x + far * c, node.y + far * s};
    Point2 a2{node.x + (far - b.margin) * c, node.y + (far - b.margin) * s};
    double deg = phi * 180.0 / pi_value;
    long n = std::lround(deg / 4.0);  // half away from zero
    long n4 = n * 4;
    if (n4 % 180 == 0) {
        a2.y -= b.margin + b.depth;
    } else if (s * c < 0.0) {
        a2.x -= b.margin + b.width;
        if (std::fabs(s) < 0.5) a2.y -= b.margin + b.depth;
    } else {
        a2.x += b.margin;
        if (std::fabs(s) < 0.7071067) a2.y -= b.margin + b.depth;
    }
    if (has_arrow && psi < 0.0) {
        double back = (b.margin + b.depth) * 2.5 + b.height;
        a2.x -= back * std::cos(psi);
        a2.y -= back * std::sin(psi);
    }
    put_pointf(rec, anchor1, PointF{static_cast<float>(a1.x), static_cast<float>(a1.y)});
    put_pointf(rec, anchor2, PointF{static_cast<float>(a2.x), static_cast<float>(a2.y)});
}

Point2 node_at(const uint8_t* rec, int k) {
    PointF p = get_pointf(rec, section_nodes + section_node_size * static_cast<size_t>(k));
    return Point2{p.x, p.y};
}

}  // namespace

int section_node_count(const uint8_t* section) {
    if (!section) return 0;
    int n = section[section_nodes_count];
    int length = get_u16(section, record_length);
    if (length > 2044) length = 2044;
    int room = length > static_cast<int>(section_nodes) ? (length - static_cast<int>(section_nodes)) / 8 : 0;
    return n < room ? n : room;
}

void place_designation_letters(uint8_t* section) {
    int nodes = section_node_count(section);
    if (nodes < 1) return;
    uint16_t words[2];
    std::memcpy(words, section + section_letters, 4);
    char letters[16] = {};
    text_unpack(letters, sizeof letters, words, 4);
    uint16_t flags = get_u16(section, annotation_flags);
    select_text_font((flags >> 2) & 0x0F, flags & 1, (flags >> 1) & 1);
    LetterBox box{};
    box.depth = measure_text(letters, &box.width, &box.height);
    box.margin = sheet_to_model_length(1.24);
    bool right = (flags & 0x40) != 0;
    Point2 n0 = node_at(section, 0);
    if (nodes == 1) {
        place_end(section, n0, false, 0.0, right ? 0.0 : pi_value, box, section_anchor1, section_anchor2);
        return;
    }
    Point2 n1 = node_at(section, 1);
    double psi = std::atan2(n1.y - n0.y, n1.x - n0.x);
    place_end(section, n0, true, psi, right ? psi - pi_value / 2 : psi + pi_value / 2, box, section_anchor1,
              section_anchor2);
    Point2 last = node_at(section, nodes - 1), before = node_at(section, nodes - 2);
    double psi2 = std::atan2(before.y - last.y, before.x - last.x);
    place_end(section, last, true, psi2, right ? psi2 + pi_value / 2 : psi2 - pi_value / 2, box, section_anchor3,
              section_anchor4);
}
