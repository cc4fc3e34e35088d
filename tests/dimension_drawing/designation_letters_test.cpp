// Designation letters: the anchors of a section line's letters for the
// first arrow in the eight 45-degree directions, both sides and one or
// several nodes, recomputed from the placement rules in degrees.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/designation_letters.h"

using namespace dimension_test;

namespace {

class DesignationLetters : public DimensionTest {};

struct Anchors {
    Point2 a1, a2;
};

long round_half_away(double v) {
    return v >= 0 ? static_cast<long>(std::floor(v + 0.5)) : -static_cast<long>(std::floor(-v + 0.5));
}

// The rules worked in degrees: side phi, margin m = 1.24, box W, H, D.
Anchors expected(Point2 node, bool arrow, double psi_deg, double phi_deg, double W, double H, double D) {
    const double m = 1.24, rad = pi / 180;
    double c = std::cos(phi_deg * rad), s = std::sin(phi_deg * rad);
    Anchors a;
    a.a1 = Point2{node.x + 15 * c, node.y + 15 * s};
    a.a2 = Point2{node.x + (15 - m) * c, node.y + (15 - m) * s};
    long n = round_half_away(phi_deg / 4);
    if ((n * 4) % 180 == 0) {
        a.a2.y -= m + D;
    } else if (s * c < 0) {
        a.a2.x -= m + W;
        if (std::fabs(s) < 0.5) a.a2.y -= m + D;
    } else {
        a.a2.x += m;
        if (std::fabs(s) < 0.7071067) a.a2.y -= m + D;
    }
    if (arrow && psi_deg < 0) {
        double back = (m + D) * 2.5 + H;
        a.a2.x -= back * std::cos(psi_deg * rad);
        a.a2.y -= back * std::sin(psi_deg * rad);
    }
    return a;
}

std::vector<uint8_t> section(const std::vector<Point2>& nodes, bool right_side) {
    std::vector<uint8_t> r = annotation(annotation_section, section_nodes + 8 * nodes.size(),
                                        static_cast<uint16_t>((3 << 2) | (right_side ? 0x40 : 0)));
    r[section_nodes_count] = static_cast<uint8_t>(nodes.size());
    uint16_t words[2] = {};
    text_pack("AB", words, 4);
    std::memcpy(r.data() + section_letters, words, 4);
    for (size_t k = 0; k < nodes.size(); ++k) put_pf(r, section_nodes + 8 * k, nodes[k].x, nodes[k].y);
    return r;
}

void expect_anchor(const std::vector<uint8_t>& r, size_t off, Point2 want, const std::string& what) {
    PointF got = get_pointf(r.data(), off);
    EXPECT_NEAR(got.x, want.x, 2e-4) << what;
    EXPECT_NEAR(got.y, want.y, 2e-4) << what;
}

TEST_F(DesignationLetters, AnchorsInEveryDirectionOnBothSides) {
    select_text_font(3, 0, 0);
    double W = 0, H = 0;
    double D = measure_text("AB", &W, &H);
    const Point2 n0{100, 100};
    for (int step = -3; step <= 4; ++step) {
        double psi = 45.0 * step;  // -135 .. 180
        for (bool right : {false, true}) {
            double rad = pi / 180;
            Point2 n1{n0.x + 20 * std::cos(psi * rad), n0.y + 20 * std::sin(psi * rad)};
            double turn = psi + 30;
            Point2 n2{n1.x + 20 * std::cos(turn * rad), n1.y + 20 * std::sin(turn * rad)};
            std::string what = "psi " + std::to_string(psi) + (right ? " right" : " left");
            // One node: no arrow, the side is pi or 0.
            {
                std::vector<uint8_t> r = section({n0}, right);
                place_designation_letters(r.data());
                Anchors a = expected(n0, false, 0, right ? 0 : 180, W, H, D);
                expect_anchor(r, section_anchor1, a.a1, what + " one node a1");
                expect_anchor(r, section_anchor2, a.a2, what + " one node a2");
            }
            // Three nodes: the first arrow from node 0 to node 1, the last
            // from node 2 to node 1 with the side rule reversed.
            std::vector<uint8_t> r = section({n0, n1, n2}, right);
            place_designation_letters(r.data());
            Anchors a = expected(n0, true, psi, right ? psi - 90 : psi + 90, W, H, D);
            expect_anchor(r, section_anchor1, a.a1, what + " a1");
            expect_anchor(r, section_anchor2, a.a2, what + " a2");
            double back = std::atan2(n1.y - n2.y, n1.x - n2.x) / rad;
            Anchors b = expected(n2, true, back, right ? back + 90 : back - 90, W, H, D);
            expect_anchor(r, section_anchor3, b.a1, what + " a3");
            expect_anchor(r, section_anchor4, b.a2, what + " a4");
        }
    }
}

TEST_F(DesignationLetters, NodeCountIsBoundedByTheRecord) {
    std::vector<uint8_t> r = section({{0, 0}, {10, 0}}, false);
    r[section_nodes_count] = 200;  // claims more nodes than the record holds
    EXPECT_EQ(section_node_count(r.data()), 2);
    place_designation_letters(r.data());
    EXPECT_NEAR(get_pointf(r.data(), section_anchor1).y, 15, 1e-5);  // psi 0, side +90 degrees
    std::vector<uint8_t> none = section({}, false);
    none[section_nodes_count] = 3;
    place_designation_letters(none.data());  // nothing to place, nothing written
    EXPECT_EQ(get_pointf(none.data(), section_anchor1).x, 0.0f);
}

}  // namespace
