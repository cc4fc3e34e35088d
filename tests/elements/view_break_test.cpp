// View breaks: the region beyond a break moves by the change of its gap and
// nothing else does; breaks carried along are laid out after it; a break
// that cannot be laid out leaves the drawing as it was.
#include <gtest/gtest.h>

#include <string>

#include "stages/points_elements/view_break.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class ViewBreakTest : public ElementsTest {
public:
    uint32_t next_point = 1, next_element = 1;
    std::vector<std::string> messages;

    // A closed rectangle of four segments; returns its corner point numbers
    // (lower left, lower right, upper right, upper left).
    std::vector<uint32_t> rectangle(double x0, double y0, double x1, double y1) {
        std::vector<uint32_t> p;
        Point2 c[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        for (Point2 q : c) {
            point(next_point, q.x, q.y);
            p.push_back(next_point++);
        }
        for (int i = 0; i < 4; ++i) {
            Bytes r = fixed(1, {p[i], p[(i + 1) % 4]});
            put_point2(r.data(), element_coords2, c[i]);
            put_point2(r.data(), element_coords2 + 16, c[(i + 1) % 4]);
            add(r, next_element++);
        }
        return p;
    }
    uint32_t brk(uint32_t a, uint32_t b, double gap) {
        Bytes r(element_size_break, 0);
        put_u16(r.data(), record_length, element_size_break);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(element_kind_break | (2 << 4)));
        put_u32(r.data(), element_points, a);
        put_u32(r.data(), element_points + 4, b);
        put_point2(r.data(), element_coords2, point_at(a));
        put_point2(r.data(), element_coords2 + 16, point_at(b));
        put_f64(r.data(), element_break_gap, gap);
        add(r, next_element);
        return next_element++;
    }
    ViewBreakHooks hooks() {
        ViewBreakHooks h;
        h.message = [this](const char* t) { messages.push_back(t); };
        h.caption = [](const unsigned char*) { return "Вид спереди"; };
        return h;
    }
    // Where element `n` (a segment or break) stores its two ends now.
    std::pair<Point2, Point2> ends(uint32_t n) {
        Bytes r = stored(n);
        return {get_point2(r.data(), element_coords2), get_point2(r.data(), element_coords2 + 16)};
    }
    void expect_segment(uint32_t n, Point2 a, Point2 b) {
        auto e = ends(n);
        EXPECT_NEAR(e.first.x, a.x, 1e-9) << n;
        EXPECT_NEAR(e.first.y, a.y, 1e-9) << n;
        EXPECT_NEAR(e.second.x, b.x, 1e-9) << n;
        EXPECT_NEAR(e.second.y, b.y, 1e-9) << n;
    }
    // The four sides of a rectangle of elements first..first+3 at x0..x1.
    void expect_rectangle(uint32_t first, double x0, double y0, double x1, double y1) {
        expect_segment(first, {x0, y0}, {x1, y0});
        expect_segment(first + 1, {x1, y0}, {x1, y1});
        expect_segment(first + 2, {x1, y1}, {x0, y1});
        expect_segment(first + 3, {x0, y1}, {x0, y0});
    }
};

TEST_F(ViewBreakTest, NoBreakLeavesTheProjectionAlone) {
    rectangle(0, 0, 10, 5);
    std::vector<Bytes> before = chain();
    EXPECT_EQ(view_break_apply(df, proj(), hooks()), view_break_none);
    EXPECT_EQ(chain(), before);
}

TEST_F(ViewBreakTest, TheRegionBeyondMovesByTheChangeOfTheGap) {
    std::vector<uint32_t> left = rectangle(0, 0, 10, 5);     // elements 1-4
    std::vector<uint32_t> right = rectangle(20, 0, 30, 5);   // elements 5-8
    uint32_t b = brk(left[1], right[0], 4.0);                // (10,0) -> (20,0)
    ASSERT_EQ(view_break_apply(df, proj(), hooks()), view_break_done);
    EXPECT_TRUE(messages.empty());
    expect_rectangle(1, 0, 0, 10, 5);
    expect_rectangle(5, 14, 0, 24, 5);
    expect_segment(b, {10, 0}, {14, 0});
    // Laid out again, nothing moves.
    std::vector<Bytes> once = chain();
    ASSERT_EQ(view_break_apply(df, proj(), hooks()), view_break_done);
    std::vector<Bytes> twice = chain();
    ASSERT_EQ(once.size(), twice.size());
    for (size_t i = 0; i < once.size(); ++i)
        for (size_t k = element_coords2; k + 8 <= once[i].size() && k < element_coords2 + 32; k += 8)
            EXPECT_NEAR(get_f64(once[i].data(), k), get_f64(twice[i].data(), k), 1e-9);
}

TEST_F(ViewBreakTest, ACarriedBreakIsLaidOutFromWhereItWasCarried) {
    std::vector<uint32_t> a = rectangle(0, 0, 10, 5);     // 1-4
    std::vector<uint32_t> m = rectangle(20, 0, 30, 5);    // 5-8
    std::vector<uint32_t> z = rectangle(50, 0, 60, 5);    // 9-12
    brk(a[1], m[0], 2.0);   // m moves left by 8
    brk(m[1], z[0], 3.0);   // then z follows the moved m: 22 + 3 = 25
    ASSERT_EQ(view_break_apply(df, proj(), hooks()), view_break_done);
    expect_rectangle(1, 0, 0, 10, 5);
    expect_rectangle(5, 12, 0, 22, 5);
    expect_rectangle(9, 25, 0, 35, 5);
}

TEST_F(ViewBreakTest, TwoIndependentBreaksAreBothLaidOut) {
    std::vector<uint32_t> a1 = rectangle(0, 0, 10, 5);      // 1-4
    std::vector<uint32_t> a2 = rectangle(20, 0, 30, 5);     // 5-8
    std::vector<uint32_t> b1 = rectangle(2, 20, 12, 25);    // 9-12
    std::vector<uint32_t> b2 = rectangle(40, 20, 50, 25);   // 13-16
    brk(a1[1], a2[0], 5.0);
    brk(b1[1], b2[0], 1.0);
    ASSERT_EQ(view_break_apply(df, proj(), hooks()), view_break_done);
    expect_rectangle(5, 15, 0, 25, 5);
    expect_rectangle(13, 13, 20, 23, 25);
    expect_rectangle(1, 0, 0, 10, 5);
    expect_rectangle(9, 2, 20, 12, 25);
}

TEST_F(ViewBreakTest, ABreakEndingOnAWavyLineChangesNothing) {
    std::vector<uint32_t> left = rectangle(0, 0, 10, 5);
    point(100, 20, 0);
    point(101, 25, 2);
    point(102, 30, 0);
    Bytes wavy = fixed(6, {100, 101, 102});
    put_point2(wavy.data(), element_coords3, {20, 0});
    put_point2(wavy.data(), element_coords3 + 16, {30, 0});
    put_point2(wavy.data(), element_coords3 + 32, {25, 2});
    add(wavy, 50);
    brk(left[1], 100, 4.0);
    std::vector<Bytes> before = chain();
    EXPECT_EQ(view_break_apply(df, proj(), hooks()), view_break_failed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Разрыв не может быть построен!");
    EXPECT_EQ(chain(), before);
}

TEST_F(ViewBreakTest, NoRegionBeyondTheBreakChangesNothing) {
    std::vector<uint32_t> left = rectangle(0, 0, 10, 5);
    std::vector<uint32_t> right = rectangle(20, 0, 30, 5);
    brk(left[1], right[0], 4.0);
    ViewBreakHooks h = hooks();
    int asked = 0;
    h.region = [&](unsigned char*, Point2, const std::vector<Point2>&, std::vector<char>*) {
        ++asked;
        return 0;
    };
    std::vector<Bytes> before = chain();
    EXPECT_EQ(view_break_apply(df, proj(), h), view_break_failed);
    EXPECT_GE(asked, 1);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(chain(), before);
}

}  // namespace
}  // namespace elements_test
