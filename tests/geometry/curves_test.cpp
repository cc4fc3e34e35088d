// Smoothing of arc-piece curves and the joining of their stored pieces.
#include "geometry/curves.h"

#include "geometry/kernel_seams.h"
#include "geometry/metric.h"

#include "fake_drawing.h"
#include "fake_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

class Curves : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        fake_store::install();
    }
    void TearDown() override {
        fake_store::uninstall();
        KernelTest::TearDown();
    }
};

std::vector<CurveVertex> vertices(std::initializer_list<Point2> pts) {
    std::vector<CurveVertex> v;
    uint32_t n = 1;
    for (Point2 p : pts) v.push_back(CurveVertex{n++, p, Point2{-1e9, -1e9}});
    return v;
}

bool is_chord_mid(const CurveVertex* v, int i) {
    return std::fabs(v[i].through.x - (v[i].point.x + v[i + 1].point.x) / 2) < 1e-12 &&
           std::fabs(v[i].through.y - (v[i].point.y + v[i + 1].point.y) / 2) < 1e-12;
}

// Unit direction of travel at the start (end = false) or the end of piece i.
Point2 piece_direction(const CurveVertex* v, int i, bool end) {
    ArcByPoints p{v[i].point, v[i + 1].point, v[i].through};
    Point2 k;
    int r = arc_center_from_three_points(&p, &k);
    Point2 at = end ? v[i + 1].point : v[i].point;
    if (r == 0) {
        double l = point_distance(v[i].point, v[i + 1].point);
        return Point2{(v[i + 1].point.x - v[i].point.x) / l, (v[i + 1].point.y - v[i].point.y) / l};
    }
    double rx = at.x - k.x, ry = at.y - k.y, l = std::hypot(rx, ry);
    return r > 0 ? Point2{-ry / l, rx / l} : Point2{ry / l, -rx / l};
}

}  // namespace

TEST_F(Curves, ThreePointSmoothing) {
    // Collinear vertices: straight pieces.
    std::vector<CurveVertex> line = vertices({{0, 0}, {1, 1}, {2, 2}});
    smooth_curve_through_points(line.data(), 3, 0, 1);
    EXPECT_TRUE(is_chord_mid(line.data(), 0));
    EXPECT_TRUE(is_chord_mid(line.data(), 1));
    // Points of a circle: every through point on that circle, between its ends.
    std::vector<CurveVertex> round;
    for (int k = 0; k < 6; ++k) round.push_back(CurveVertex{0, {5 * std::cos(k * 0.4), 5 * std::sin(k * 0.4)}, {}});
    smooth_curve_through_points(round.data(), 6, 0, 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(std::hypot(round[i].through.x, round[i].through.y), 5, 1e-9) << i;
        EXPECT_NEAR(std::atan2(round[i].through.y, round[i].through.x), (i + 0.5) * 0.4, 1e-9) << i;
    }
    // A piece whose arc through its neighbour sweeps more than 120 degrees
    // is straight: (1,0) -> (0,1) -> (-1,0) around the unit circle... the arc
    // from (1,0) to (-0.5,-0.866) avoiding (0,1) sweeps 120+ degrees.
    std::vector<CurveVertex> wide = vertices({{1, 0}, {std::cos(2.2), std::sin(2.2)}, {std::cos(4.0), std::sin(4.0)}});
    smooth_curve_through_points(wide.data(), 3, 0, 1);
    EXPECT_TRUE(is_chord_mid(wide.data(), 0));
    // Two vertices: the chord.
    std::vector<CurveVertex> two = vertices({{0, 0}, {4, 2}});
    smooth_curve_through_points(two.data(), 2, 0, 1);
    EXPECT_TRUE(is_chord_mid(two.data(), 0));
    // Closed with more than 3 vertices: piece 0 keeps its through point.
    std::vector<CurveVertex> closed = vertices({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
    closed[0].through = Point2{2, -1};
    smooth_curve_through_points(closed.data(), 5, 1, 1);
    EXPECT_EQ(closed[0].through.x, 2);
    EXPECT_EQ(closed[0].through.y, -1);
    EXPECT_NE(closed[1].through.x, -1e9);
    // Fewer than two vertices: nothing.
    std::vector<CurveVertex> one = vertices({{3, 3}});
    smooth_curve_through_points(one.data(), 1, 0, 1);
    EXPECT_EQ(one[0].through.x, -1e9);
}

TEST_F(Curves, TangentSmoothingContinuesEveryJoint) {
    // Straight runs stay straight, also through turns below 10 degrees.
    std::vector<CurveVertex> line = vertices({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    smooth_curve_through_points(line.data(), 4, 0, 0);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(is_chord_mid(line.data(), i)) << i;
    std::vector<CurveVertex> gentle = vertices({{0, 0}, {10, 0}, {20, 1}});  // about 5.7 degrees
    smooth_curve_through_points(gentle.data(), 3, 0, 0);
    EXPECT_TRUE(is_chord_mid(gentle.data(), 1));
    // A wave: piece 0 bent, the rest follow tangentially along a straight
    // leg, alternating sides.
    std::vector<CurveVertex> wave = vertices({{0, 0}, {6, 0}, {12, 0}, {18, 0}, {24, 0}});
    wave[0].through = Point2{3, 1.5};
    smooth_curve_through_points(wave.data(), 5, 0, 0);
    EXPECT_EQ(tolerance_get(), tolerance_standing);
    for (int i = 1; i < 4; ++i) {
        Point2 a = piece_direction(wave.data(), i - 1, true), b = piece_direction(wave.data(), i, false);
        EXPECT_NEAR(a.x, b.x, 1e-6) << i;
        EXPECT_NEAR(a.y, b.y, 1e-6) << i;
        EXPECT_LT(wave[i].through.y * wave[i - 1].through.y, 0) << i;  // other side
    }
    // A turning polyline: every bent piece leaves its joint along the
    // previous piece; a straight one turns by less than 10 degrees there.
    std::vector<CurveVertex> poly = vertices({{0, 0}, {5, 1}, {8, 5}, {7, 10}, {3, 12}, {-2, 11}, {-6, 13}});
    poly[0].through = Point2{2.4, -0.4};
    smooth_curve_through_points(poly.data(), 7, 0, 0);
    int bent = 0;
    for (int i = 1; i < 6; ++i) {
        Point2 a = piece_direction(poly.data(), i - 1, true), b = piece_direction(poly.data(), i, false);
        if (is_chord_mid(poly.data(), i)) {
            EXPECT_GT(a.x * b.x + a.y * b.y, std::cos(PI / 18)) << i;
        } else {
            ++bent;
            EXPECT_NEAR(a.x * b.x + a.y * b.y, 1, 1e-9) << i;
        }
    }
    EXPECT_GE(bent, 3);
    // The caller's tolerance is back.
    tolerance_set(tolerance_fine);
    smooth_curve_through_points(poly.data(), 7, 0, 0);
    EXPECT_EQ(tolerance_get(), tolerance_fine);
}

namespace {

std::vector<uint8_t> curve_record(uint32_t number, std::vector<CurveVertex> v, uint16_t style, bool complete = true) {
    size_t n = v.size();
    std::vector<uint8_t> r(16 + 36 * n, 0);
    put_u16(r.data(), curve_length_offset, static_cast<uint16_t>(complete ? 16 + 36 * n : 36 * n));
    put_u32(r.data(), curve_number_offset, number);
    put_u16(r.data(), curve_flags_offset, 5);
    put_u16(r.data(), curve_style_offset, style);
    put_i16(r.data(), curve_count_offset, static_cast<int16_t>(n));
    for (size_t i = 0; i < n; ++i) curve_set_vertex(r.data(), static_cast<int>(i), v[i]);
    if (!complete) r.resize(36 * n);
    return r;
}

}  // namespace

TEST_F(Curves, JoiningPiecesOfOneNumber) {
    uint8_t projection[440] = {};
    std::vector<CurveVertex> a, b;
    for (int i = 0; i < 5; ++i) a.push_back(CurveVertex{static_cast<uint32_t>(i + 1), {double(i), 0}, {i + 0.5, 0.1}});
    for (int i = 0; i < 4; ++i) b.push_back(CurveVertex{static_cast<uint32_t>(i + 5), {double(i + 4), 0}, {i + 4.5, 0.1}});
    std::vector<uint8_t> ra = curve_record(7, a, curve_flag_continuation, false);
    std::vector<uint8_t> rb = curve_record(7, b, curve_flag_continuation, false);
    std::vector<uint8_t> other = curve_record(8, a, curve_flag_continuation);
    std::vector<uint8_t> deleted = curve_record(7, a, curve_flag_continuation);
    put_u16(deleted.data(), curve_flags_offset, 0x8005);
    fake_store::put(projection, chain_elements, other.data(), other.size());
    fake_store::put(projection, chain_elements, ra.data(), ra.size());
    fake_store::put(projection, chain_elements, deleted.data(), deleted.size());
    fake_store::put(projection, chain_elements, rb.data(), rb.size());
    uint8_t* j = curve_join_pieces(projection, 7, nullptr, 0);
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(get_i16(j, curve_count_offset), 8);
    EXPECT_EQ(get_u16(j, curve_length_offset), 288);
    for (int i = 0; i < 8; ++i) {
        CurveVertex v = curve_vertex(j, i);
        EXPECT_EQ(v.point.x, i) << i;
        EXPECT_EQ(v.point_number, static_cast<uint32_t>(i + 1));
        if (i < 7) {
            EXPECT_EQ(v.through.x, i + 0.5) << i;
        }
    }
    kernel_free(j);
    // Starting from a given continuation record: the same chain.
    j = curve_join_pieces(projection, 7, ra.data(), 0);
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(get_i16(j, curve_count_offset), 8);
    kernel_free(j);
    // A given record without the continuation bit comes back as a copy.
    std::vector<uint8_t> single = curve_record(9, b, 0);
    j = curve_join_pieces(projection, 9, single.data(), 0);
    ASSERT_NE(j, nullptr);
    EXPECT_NE(j, single.data());
    EXPECT_EQ(std::memcmp(j, single.data(), single.size()), 0);
    kernel_free(j);
    // The first counting record without the bit: a copy, and with the mark
    // flag the stored record gets the bit through the store.
    std::vector<uint8_t> image = curve_record(10, b, curve_flag_image);
    fake_store::put(projection, chain_elements, image.data(), image.size());
    j = curve_join_pieces(projection, 10, nullptr, 1);
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(get_i16(j, curve_count_offset), 4);
    kernel_free(j);
    EXPECT_EQ(fake_store::state().changed, 1);
    uint8_t* stored = fake_store::find_element(projection, nullptr, 10);
    EXPECT_TRUE(get_u16(stored, curve_style_offset) & curve_flag_continuation);
    // Nothing of that number: null.
    EXPECT_EQ(curve_join_pieces(projection, 99, nullptr, 0), nullptr);
}

TEST_F(Curves, A165VertexImageStoredAsChunksJoinsBackUnchanged) {
    uint8_t projection[440] = {};
    std::vector<CurveVertex> v;
    for (int i = 0; i < 165; ++i)
        v.push_back(CurveVertex{i % 7 == 0 ? static_cast<uint32_t>(i) : 0u, {i * 0.5, std::sin(i * 0.1)}, {i * 0.5 + 0.25, 0.3}});
    std::vector<uint8_t> big(16 + 36 * 165, 0);
    put_u16(big.data(), curve_length_offset, 0);  // beyond 16 bits of length: the count rules
    put_u32(big.data(), curve_number_offset, 3);
    put_u16(big.data(), curve_flags_offset, 5);
    put_u16(big.data(), curve_style_offset, 0x103);
    put_i16(big.data(), curve_count_offset, 165);
    for (int i = 0; i < 165; ++i) curve_set_vertex(big.data(), i, v[i]);
    ASSERT_NE(fake_store::add(projection, chain_elements, big.data()), 0u);
    ASSERT_GT(fake_store::chain(projection, chain_elements).size(), 2u);
    uint8_t* j = curve_join_pieces(projection, 3, nullptr, 0);
    ASSERT_NE(j, nullptr);
    ASSERT_EQ(get_i16(j, curve_count_offset), 165);
    for (int i = 0; i < 165; ++i) {
        CurveVertex c = curve_vertex(j, i);
        EXPECT_EQ(c.point_number, v[i].point_number) << i;
        EXPECT_EQ(c.point.x, v[i].point.x) << i;
        EXPECT_EQ(c.point.y, v[i].point.y) << i;
        if (i < 164) {
            EXPECT_EQ(c.through.x, v[i].through.x) << i;
        }
    }
    kernel_free(j);
}
