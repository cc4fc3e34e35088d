// Projection checks before construction: one case per error line (text,
// counted or not, record marked or not), the projections that are not
// constructed, the symmetric split and the value conversion.
#include "tests/solver/network_fixture.h"

#include "geometry/dimension_text.h"

#include <cstring>

using namespace solver_test;

namespace {

const char* const kFollowUp = "...для размера, отмеченного в списке";

std::string description(const Fixture& f, uint32_t n) {
    for (const auto& r : f.rec.dimensions)
        if (get_u32(r.data(), 2) == n) {
            // As the record read before the check marked it.
            std::vector<uint8_t> copy = r;
            put_u16(copy.data(), 38, static_cast<uint16_t>(get_u16(copy.data(), 38) & ~0x20));
            char buf[260];
            describe_dimension(buf, sizeof buf, copy.data());
            return buf;
        }
    return std::string();
}

// Two points fully dimensioned, to which each case adds its defect.
Fixture base() {
    Fixture f;
    f.point(1, 0, 0);
    f.point(2, 10, -10);
    f.x_dim(10, 10, 1, 2);
    f.y_dim(11, 10, 1, 2);
    return f;
}

}  // namespace

TEST(NetworkChecks, ErrorLines) {
    struct Case {
        const char* name;
        void (*defect)(Fixture&);
        std::vector<std::pair<std::string, bool>> lines;   // text, counted
        uint32_t marked;                                     // dimension with the error mark, 0 none
    };
    const std::vector<Case> cases = {
        {"no dimensions", [](Fixture& f) { f.rec.dimensions.clear(); f.rec.links.clear(); },
         {{"В проекции не заданы размеры", true}}, 0},
        {"axis point number names no point",
         [](Fixture& f) { f.between(12, 0, 2, 5, 1, 2, 0, 1, 99); },
         {{"$в структуре данных", true}}, 12},
        {"hidden axis point",
         [](Fixture& f) { f.point(3, 5, 5, 0x0004); f.between(12, 0, 2, 5, 1, 2, 0, 1, 3); },
         {{"Недопустимые данные или неправильно описан размер", true}, {kFollowUp, false}}, 12},
        {"link with role 0",
         [](Fixture& f) { f.dimension(12, 0, 0, 5); f.link(12, 1, 0); f.link(12, 2, 2); },
         {{"Недопустимые данные или неправильно описан размер", true}, {kFollowUp, false}}, 12},
        {"link to a control point",
         [](Fixture& f) { f.point(3, 5, 5, 0x0008); f.dimension(12, 0, 0, 5); f.link(12, 1, 1); f.link(12, 3, 2); },
         {{"Недопустимые данные или неправильно описан размер", true}, {kFollowUp, false}}, 12},
        {"point outside the network (two, one line)",
         [](Fixture& f) { f.point(3, 5, 5); f.point(4, 6, 6); },
         {{"Имеются точки вне размерной сети", true}}, 0},
        {"angle without a centre",
         [](Fixture& f) { f.dimension(12, 3, 0, 0.5); f.link(12, 1, 1); f.link(12, 2, 2); },
         {{"...не правильно задан размер ", true}}, 12},
        {"centre of an angle that hangs in the air",
         [](Fixture& f) { f.point(3, 5, 5); f.angle(12, 0.5, 3, 1, 2); },
         {{"Центр размера \"Угол\" не может \"висеть в воздухе\"", true}, {kFollowUp, false}}, 12},
    };
    for (const Case& c : cases) {
        Fixture f = base();
        c.defect(f);
        Network net;
        int rc = check_projection_network(f.rec, net, CheckOptions());
        EXPECT_EQ(rc, NETWORK_ERROR) << c.name;
        ASSERT_EQ(net.lines.size(), c.lines.size()) << c.name;
        int counted = 0;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            std::string expect = c.lines[i].first;
            if (expect == "...не правильно задан размер ") expect += description(f, c.marked);
            EXPECT_EQ(net.lines[i].text, expect) << c.name;
            EXPECT_EQ(net.lines[i].counted, c.lines[i].second) << c.name;
            counted += c.lines[i].second ? 1 : 0;
        }
        EXPECT_EQ(net.error_count, counted) << c.name;
        for (uint32_t n : {10u, 11u, 12u})
            EXPECT_EQ((f.dimension_state(n) & 0x20) != 0, n == c.marked) << c.name << " dimension " << n;
    }
}

TEST(NetworkChecks, RadiusWithCentreAndOneEndPasses) {
    Fixture f = base();
    f.point(3, 20, 0);
    f.radius(12, 5, 2, 3);
    Network net;
    EXPECT_EQ(check_projection_network(f.rec, net, CheckOptions()), NETWORK_OK);
    EXPECT_TRUE(net.lines.empty());
}

TEST(NetworkChecks, ProjectionsNotConstructed) {
    struct Case { const char* name; uint16_t flags; bool no_dims; uint8_t byte101; bool elements; int rc; } cases[] = {
        {"construction not needed", 0x0000, false, 0, true, NETWORK_NOT_CONSTRUCTED},
        {"automatic construction barred", 0x0600, false, 0, true, NETWORK_NOT_CONSTRUCTED},
        {"type 9", 0x0209, false, 0, true, NETWORK_NOT_CONSTRUCTED},
        {"no dimension records, no elements", 0x0200, true, 0, false, NETWORK_NOT_CONSTRUCTED},
        {"no dimension records, +101 bit 0", 0x0200, true, 1, true, NETWORK_NOT_CONSTRUCTED},
        {"plain", 0x0200, false, 0, true, NETWORK_OK},
    };
    for (const auto& c : cases) {
        Fixture f = base();
        put_u16(f.rec.projection.data(), 98, c.flags);
        f.rec.projection[101] = c.byte101;
        f.rec.has_elements = c.elements;
        if (c.no_dims) { f.rec.dimensions.clear(); f.rec.links.clear(); }
        Network net;
        EXPECT_EQ(check_projection_network(f.rec, net, CheckOptions()), c.rc) << c.name;
        EXPECT_TRUE(net.lines.empty()) << c.name;
    }
}

TEST(NetworkChecks, SkippedDimensionsKeepTheirRecordsButTakeNoPart) {
    // Not a constraint (bit 0), hidden (bit 2), for show only (bit 6).
    for (uint16_t state : {0x0001, 0x0004, 0x0040}) {
        Fixture f = base();
        f.point(3, 30, 30);
        f.dimension(12, 0, 0, 99, 0, 0, 0, state);
        f.link(12, 1, 1);
        f.link(12, 3, 2);
        Network net;
        check_projection_network(f.rec, net, CheckOptions());
        EXPECT_EQ(net.dimensions.size(), 2u) << state;
        // Point 3 hangs only on the skipped dimension.
        ASSERT_EQ(net.lines.size(), 1u) << state;
        EXPECT_EQ(net.lines[0].text, "Имеются точки вне размерной сети");
        EXPECT_EQ(f.rec.dimensions.size(), 3u);
    }
}

TEST(NetworkChecks, ErrorMarksClearedUnlessKept) {
    Fixture f = base();
    put_u16(f.rec.dimensions[0].data(), 38, 0x0020);
    Network net;
    CheckOptions keep;
    keep.keep_error_marks = true;
    check_projection_network(f.rec, net, keep);
    EXPECT_EQ(f.dimension_state(10) & 0x20, 0x20);
    check_projection_network(f.rec, net, CheckOptions());
    EXPECT_EQ(f.dimension_state(10) & 0x20, 0);
}

TEST(NetworkChecks, NodeOrderValuesAndPointFlags) {
    Fixture f = base();
    f.rec.unit_index = 1;                                // centimetres: 10 mm
    put_f64(f.rec.projection.data(), 112, 2.0);          // scale 2
    f.point(3, 40, 0);
    f.angle(12, 0.25, 1, 2, 3);
    put_u16(f.rec.points[0].data(), 8, 0x4FD0);          // origin, user marks, bit 4, bit 11
    Network net;
    ASSERT_EQ(check_projection_network(f.rec, net, CheckOptions()), NETWORK_OK);
    // Newest first.
    ASSERT_EQ(net.dimensions.size(), 3u);
    EXPECT_EQ(net.dimensions[0].number, 12u);
    EXPECT_EQ(net.dimensions[2].number, 10u);
    ASSERT_EQ(net.points.size(), 3u);
    EXPECT_EQ(net.points[0].number, 3u);
    // Lengths: nominal x 10 x 2; angles untouched.
    EXPECT_DOUBLE_EQ(net.dimensions[2].value, 200.0);
    EXPECT_DOUBLE_EQ(net.dimensions[0].value, 0.25);
    // Bits 4 and 6-11 cleared; origin kept and carried into the node.
    EXPECT_EQ(f.point_flags(1), 0x4000);
    EXPECT_TRUE(net.points[2].flags & PN_ORIGIN);
    // The angle's centre does not list the angle; its ends do.
    EXPECT_EQ(net.points[2].dimensions.size(), 2u);
    EXPECT_EQ(net.points[1].dimensions.size(), 3u);
}

TEST(NetworkChecks, ScaleZeroOrTooLargeIsIgnored) {
    for (double scale : {0.0, 3000.0, std::nan("")}) {
        Fixture f = base();
        put_f64(f.rec.projection.data(), 112, scale);
        Network net;
        check_projection_network(f.rec, net, CheckOptions());
        ASSERT_FALSE(net.dimensions.empty());
        EXPECT_DOUBLE_EQ(net.dimensions.back().value, 10.0) << scale;
    }
}

TEST(NetworkChecks, CoincidingPixelsOnlyWarn) {
    Fixture f = base();
    f.rec.coinciding_check = true;
    f.point(3, 10.2, -9.9);
    f.x_dim(12, 0, 2, 3);
    f.y_dim(13, 0, 2, 3);
    CheckOptions o;
    o.pixel_of = [](double x, double y, long* px, long* py) {
        *px = std::lround(x);
        *py = std::lround(y);
    };
    Network net;
    EXPECT_EQ(check_projection_network(f.rec, net, o), NETWORK_OK);
    ASSERT_EQ(net.lines.size(), 1u);
    EXPECT_EQ(net.lines[0].text, "Имеются точки, визуально совпадающие на эскизе");
    EXPECT_FALSE(net.lines[0].counted);
    EXPECT_EQ(net.error_count, 0);
    EXPECT_EQ(f.point_flags(3) & 0x0800, 0x0800);
    EXPECT_EQ(f.point_flags(1) & 0x0800, 0);
    // The closed-chain search runs without the warning.
    o.message_box_mode = true;
    check_projection_network(f.rec, net, o);
    EXPECT_TRUE(net.lines.empty());
}

TEST(NetworkChecks, SymmetricSplitGivesFullAndHalf) {
    Fixture f;
    f.point(1, 0, -100);
    f.point(2, 0, 0);
    f.point(3, -20, -50);
    f.point(4, 20, -50);
    f.x_dim(10, 0, 2, 1);
    f.y_dim(11, 100, 2, 1);
    f.between(14, 0, 4, 40, 3, 4, 0, 1, 2);
    f.y_dim(12, 50, 2, 3);
    f.y_dim(13, 50, 2, 4);
    Network net;
    ASSERT_EQ(check_projection_network(f.rec, net, CheckOptions()), NETWORK_OK);
    int full = 0, half = 0;
    for (const DimensionNode& d : net.dimensions) {
        if (d.number != 14) continue;
        EXPECT_EQ(d.mode, 3);
        if (d.derived) {
            ++half;
            EXPECT_DOUBLE_EQ(d.value, 20);
            EXPECT_EQ(d.points[ROLE_FIRST].size(), 2u);   // the two axis points
        } else {
            ++full;
            EXPECT_DOUBLE_EQ(d.value, 40);
        }
    }
    EXPECT_EQ(full, 1);
    EXPECT_EQ(half, 1);
}
