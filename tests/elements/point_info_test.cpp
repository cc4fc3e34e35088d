// The point information line (positions from the projection's origin
// point) and the route lengths through a point.
#include <gtest/gtest.h>

#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/marking_contours.h"
#include "stages/points_elements/point_info.h"
#include "store/drawing_header.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class PointInfoTest : public ElementsTest {
public:
    void point2(uint32_t n, Point2 sketch, Point2 at, uint16_t flags = 0) {
        RecordRef r = point(n, sketch.x, sketch.y, flags);
        ASSERT_NE(r, 0u);
        RecordRef from = 0;
        unsigned char* p = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        ASSERT_NE(p, nullptr);
        put_point2(p, point_true_x, at);
        page_buffers[table_points].clean = 0;
    }
    PointCopy copy_of(uint32_t n) {
        PointCopy p{};
        EXPECT_TRUE(point_read(df, proj(), n, &p));
        return p;
    }
    void segment(uint32_t n, uint32_t a, uint32_t b) {
        Bytes r = fixed(1, {a, b});
        put_point2(r.data(), element_coords2, point_at(a));
        put_point2(r.data(), element_coords2 + 16, point_at(b));
        add(r, n);
    }
    uint32_t route(std::vector<uint32_t> members) {
        for (uint32_t m : members) element_number_set_mark(df, proj(), m, true);
        unsigned char* p = proj();
        uint32_t c = contour_create_from_marked(df, &p, 4, ContourHooks());
        EXPECT_NE(c, 0u);
        return c;
    }
    std::string name_of(uint32_t contour) {
        PageBuffer* b = &page_buffers[table_contours];
        for (uint8_t* r = record_next(df, head(projection_contours), nullptr, b); r;
             r = record_next(df, head(projection_contours), r, b))
            if (get_u32(r, contour_number) == contour) {
                std::string s(reinterpret_cast<const char*>(r + 74), 6);
                while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
                return s;
            }
        return "?";
    }
};

TEST_F(PointInfoTest, PositionsAreMeasuredFromTheFirstOriginPointWithYUpwards) {
    point2(1, {10, 5}, {12, 7});
    EXPECT_EQ(point_info_text(df, proj(), copy_of(1)), "Номер: 1\nX,Yэск=(10.0,-5.0)\nX,Yизо=(12.0,-7.0)");
    EXPECT_EQ(point_info_text(nullptr, nullptr, copy_of(1)), "Номер: 1\nX,Yэск=(10.0,-5.0)\nX,Yизо=(12.0,-7.0)");
    point2(2, {4, 1}, {2, 3}, point_flag_origin);
    point2(3, {100, 100}, {100, 100}, point_flag_origin);
    EXPECT_EQ(point_info_text(df, proj(), copy_of(1)), "Номер: 1\nX,Yэск=(6.0,-4.0)\nX,Yизо=(10.0,-4.0)");
    EXPECT_EQ(point_info_text(df, proj(), copy_of(2)), "Номер: 2\nX,Yэск=(0.0,0.0)\nX,Yизо=(0.0,0.0)");
}

TEST_F(PointInfoTest, RouteLengthsThroughAPoint) {
    put_u32(df->header, header_dword_92, 0xFFFFFFFF);
    point(1, 0, 0);
    point(2, 3, 0);
    point(3, 3, 4);
    point(4, 0, 4.5);
    point(5, 50, 50);
    segment(11, 1, 2);  // 3
    segment(12, 2, 3);  // 4
    segment(13, 3, 4);  // hypot(3, 0.5) = 3.041...
    segment(14, 4, 5);
    uint32_t a = route({11, 12});
    uint32_t b = route({12, 13});
    uint32_t c = route({13});
    // A screen contour through point 4 is no route.
    element_number_set_mark(df, proj(), 14, true);
    unsigned char* p = proj();
    ASSERT_NE(contour_create_from_marked(df, &p, 0, ContourHooks()), 0u);

    struct Case {
        uint32_t point;
        std::vector<std::pair<uint32_t, double>> routes;
    } cases[] = {
        {1, {{a, 7.0}}},
        {2, {{a, 7.0}, {b, 4 + std::hypot(3, 0.5)}}},
        {3, {{a, 7.0}, {b, 4 + std::hypot(3, 0.5)}, {c, std::hypot(3, 0.5)}}},
        {4, {{b, 4 + std::hypot(3, 0.5)}, {c, std::hypot(3, 0.5)}}},
        {5, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.point);
        std::vector<RouteLength> got = routes_through_point(df, proj(), k.point);
        ASSERT_EQ(got.size(), k.routes.size());
        std::string text;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].contour, k.routes[i].first);
            EXPECT_NEAR(got[i].length, k.routes[i].second, 1e-9);
            EXPECT_EQ(got[i].name, name_of(k.routes[i].first));
            text += (i ? "\n" : "") + name_of(k.routes[i].first) + " = " +
                    std::to_string(static_cast<int>(k.routes[i].second)) + " мм";
        }
        EXPECT_EQ(route_lengths_text(got), text);
    }
    // Four routes through one point: three lines only.
    std::vector<RouteLength> four = {{1, "A", 1.9}, {2, "B", 2}, {3, "C", 3}, {4, "D", 4}};
    EXPECT_EQ(route_lengths_text(four), "A = 1 мм\nB = 2 мм\nC = 3 мм");
}

TEST(PointFragmentNote, TheInstanceNumberFollowsWhatTheNoteSaidBefore) {
    const struct {
        const char* text;
        uint16_t fragment;
        const char* note;
    } cases[] = {
        {"", 0, ""},
        {"Контрольная точка сплайна Безье", 0, "Контрольная точка сплайна Безье"},
        {"", 7, "Фрагмент 7"},
        {"Контрольная точка сплайна Безье", 3, "Контрольная точка сплайна Безье. Фрагмент 3"},
        // Shown again for another point: the old fragment part goes.
        {"Контрольная точка сплайна Безье. Фрагмент 3", 4, "Контрольная точка сплайна Безье. Фрагмент 4"},
        {"Фрагмент 3", 65535, "Фрагмент 65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(point_fragment_note(c.text, c.fragment), c.note) << c.text;
}

}  // namespace
}  // namespace elements_test
