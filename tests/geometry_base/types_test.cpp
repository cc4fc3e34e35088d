// Stored forms of the geometric types and the little-endian field helpers.
#include "base/byte_order.h"
#include "geometry/geom_types.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

namespace {

TEST(ByteOrder, FieldsAreLittleEndianAtAnyOffset) {
    uint8_t buf[24];
    std::memset(buf, 0xCC, sizeof buf);
    put_u16(buf, 1, 0x1234);
    put_u32(buf, 3, 0x89ABCDEFu);
    put_i32(buf, 7, -2);
    put_f64(buf, 11, 1.0);  // 3FF0000000000000
    const uint8_t expected[] = {0xCC, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF,
                                0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F, 0xCC};
    EXPECT_EQ(0, std::memcmp(buf, expected, sizeof expected));
    EXPECT_EQ(0x1234, get_u16(buf, 1));
    EXPECT_EQ(0x89ABCDEFu, get_u32(buf, 3));
    EXPECT_EQ(-2, get_i32(buf, 7));
    EXPECT_EQ(1.0, get_f64(buf, 11));
    EXPECT_EQ(-2, get_i16(buf, 7));
    EXPECT_EQ(0xFE, get_u8(buf, 7));

    put_f32(buf, 5, -0.5f);  // BF000000
    EXPECT_EQ(0x00, buf[5]);
    EXPECT_EQ(0xBF, buf[8]);
    EXPECT_EQ(-0.5f, get_f32(buf, 5));
}

TEST(ByteOrder, NonFiniteBitPatternsSurvive) {
    uint8_t buf[8];
    put_f64(buf, 0, -DBL_MAX);
    EXPECT_EQ(-DBL_MAX, get_f64(buf, 0));
    put_f32(buf, 0, FLT_MAX);
    EXPECT_EQ(FLT_MAX, get_f32(buf, 0));
}

TEST(GeomTypes, EmptyBoxIsNeutralForUnion) {
    Box e = box_empty();
    EXPECT_EQ(DBL_MAX, e.min_x);
    EXPECT_EQ(DBL_MAX, e.min_y);
    EXPECT_EQ(-DBL_MAX, e.max_x);
    EXPECT_EQ(-DBL_MAX, e.max_y);
    EXPECT_GT(e.min_x, e.max_x);
}

TEST(GeomTypes, CurveVertexStoredAs36PackedBytes) {
    // Two vertices back to back at an odd offset, as inside a curve record.
    std::vector<uint8_t> rec(1 + 2 * curve_vertex_stored_size + 1, 0xCC);
    CurveVertex v0{7, {1.5, -2.0}, {3.0, 4.25}};
    CurveVertex v1{0xFFFFFFFFu, {-1e300, 0.0}, {5.0, 6.0}};
    put_curve_vertex(rec.data(), 1, v0, 0);
    put_curve_vertex(rec.data(), 1, v1, 1);
    EXPECT_EQ(0xCC, rec[0]);
    EXPECT_EQ(0xCC, rec.back());
    EXPECT_EQ(7u, get_u32(rec.data(), 1));
    EXPECT_EQ(1.5, get_f64(rec.data(), 1 + 4));
    EXPECT_EQ(-2.0, get_f64(rec.data(), 1 + 12));
    EXPECT_EQ(3.0, get_f64(rec.data(), 1 + 20));
    EXPECT_EQ(4.25, get_f64(rec.data(), 1 + 28));
    EXPECT_EQ(0xFFFFFFFFu, get_u32(rec.data(), 1 + 36));

    CurveVertex r = get_curve_vertex(rec.data(), 1, 1);
    EXPECT_EQ(v1.point_number, r.point_number);
    EXPECT_EQ(v1.point.x, r.point.x);
    EXPECT_EQ(v1.through.y, r.through.y);
}

TEST(GeomTypes, ScanHitStoredAs18PackedBytes) {
    std::vector<uint8_t> arr(3 * scan_hit_stored_size, 0);
    for (int i = 0; i < 3; ++i) {
        put_scan_hit(arr.data(), 0, ScanHit{i + 0.5, -i * 2.0, static_cast<int16_t>(-1 - i)}, i);
    }
    EXPECT_EQ(2.5, get_f64(arr.data(), 36));
    EXPECT_EQ(-4.0, get_f64(arr.data(), 44));
    EXPECT_EQ(-3, get_i16(arr.data(), 52));
    ScanHit h = get_scan_hit(arr.data(), 0, 1);
    EXPECT_EQ(1.5, h.x);
    EXPECT_EQ(-2.0, h.y);
    EXPECT_EQ(-2, h.end_mark);
}

TEST(GeomTypes, PointsAndBoxesRoundTripUnaligned) {
    uint8_t buf[80] = {};
    put_point2(buf, 3, Point2{1.25, -7.5});
    put_pointf(buf, 19, PointF{2.5f, -0.25f});
    put_pointi(buf, 27, PointI{-5, 70000});
    put_box(buf, 35, Box{1, 2, 3, 4});
    Point2 p = get_point2(buf, 3);
    PointF f = get_pointf(buf, 19);
    EXPECT_EQ(1.25, p.x);
    EXPECT_EQ(-7.5, p.y);
    EXPECT_EQ(2.5f, f.x);
    EXPECT_EQ(-0.25f, f.y);
    PointI i = get_pointi(buf, 27);
    EXPECT_EQ(-5, i.x);
    EXPECT_EQ(70000, i.y);
    Box b = get_box(buf, 35);
    EXPECT_EQ(4.0, b.max_y);
    EXPECT_EQ(1.0, b.min_x);
}

TEST(GeomTypes, KindCodes) {
    EXPECT_EQ(1, geom_segment);
    EXPECT_EQ(2, geom_circle);
    EXPECT_EQ(3, geom_arc_by_centre);
    EXPECT_EQ(4, geom_arc_by_points);
    EXPECT_EQ(5, geom_curve);
    // Kinds 3 and 4 share one 48-byte block of three points.
    EXPECT_EQ(sizeof(ArcByCentre), sizeof(ArcByPoints));
    EXPECT_EQ(48u, 3 * point2_stored_size);
}

}  // namespace
