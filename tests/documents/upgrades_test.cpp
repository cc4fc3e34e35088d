#include "doc_test_support.h"

#include "documents/upgrades.h"

#include <functional>
#include <map>

using namespace doc_test;

namespace {

std::vector<int> steps_of(const UpgradePlan& p) { return std::vector<int>(p.steps, p.steps + p.count); }

TEST(UpgradeDispatcher, EveryVersionReachesTheCurrentOneOrIsRefused) {
    std::map<uint32_t, std::vector<int>> expected = {
        {1, {step_header_114, step_v2, step_header_80, step_v4, step_header_zero_ids, step_v5, step_v6,
             step_header_138, step_header_101, step_v101, step_v200, step_v201, step_v202, step_header_160,
             step_v205, step_header_164, step_v210, step_v211, step_v12355, step_v12357}},
        {7, {step_header_138, step_header_101, step_v101, step_v200, step_v201, step_v202, step_header_160,
             step_v205, step_header_164, step_v210, step_v211, step_v12355, step_v12357}},
        {8, {step_header_zero_ids, step_v5, step_v6, step_header_138, step_header_101, step_v101, step_v200,
             step_v201, step_v202, step_header_160, step_v205, step_header_164, step_v210, step_v211,
             step_v12355, step_v12357}},
        {215, {step_v211}},
        {214, {step_v211, step_v12357}},
        {12345, {step_header_160, step_v202, step_v12348, step_v12353, step_v12355, step_v12357}},
        {12346, {step_v202, step_v12348, step_v12353, step_v12355, step_v12357}},
        {12347, {step_v204, step_v12348, step_v12353, step_v12355, step_v12357}},
        {12349, {step_v12353, step_v12355, step_v12357}},
        {12354, {step_v12355, step_v12357}},
        {12356, {step_v12356, step_v12357}},
        {12357, {step_v12357}},
        {12358, {}},
    };
    auto accepted = [](uint32_t v) {
        return v <= 9 || v == 100 || v == 101 || (v >= 200 && v <= 205) || (v >= 207 && v <= 212) ||
               v == 214 || v == 215 || (v >= 12345 && v <= 12357);
    };
    int served = 0;
    for (uint32_t v = 0; v <= 12460; ++v) {
        UpgradePlan p = upgrade_plan(v);
        auto e = expected.find(v);
        if (e != expected.end()) {
            EXPECT_EQ(steps_of(p), e->second) << v;
        }
        if (v == 12358) {
            EXPECT_EQ(p.refusal, nullptr);
            continue;
        }
        bool three_d = v == 206 || (v >= 300 && v <= 399) || v >= 12450;
        if (three_d) {
            EXPECT_STREQ(p.refusal, upgrade_text_3d) << v;
        } else if (accepted(v)) {
            ASSERT_EQ(p.refusal, nullptr) << v;
            ASSERT_GT(p.count, 0) << v;
            EXPECT_EQ(p.versions_after[p.count - 1], 12358) << v;
            bool all_known = true;
            for (int s : steps_of(p)) all_known = all_known && !upgrade_step_unknown_layout(s);
            if (all_known) {
                ++served;
                EXPECT_TRUE(v >= 12348 && v <= 12357) << v;
            }
        } else {
            EXPECT_STREQ(p.refusal, upgrade_text_unknown) << v;
        }
    }
    EXPECT_EQ(served, 10);
}

// ---------------------------------------------------------------- converters
class Upgrades : public DocTest {
protected:
    // A drawing file of the given version whose records fill() adds; the
    // projection is written in the layout of that version.
    std::string old_file(uint16_t version, const std::function<void(RecordRef)>& fill,
                         const char* name = "old.svt") {
        DrawingFile* df = drawing_file_new(name);
        drawing_file_set_mode(df, drawing_mode_create_new);
        EXPECT_EQ(drawing_file_open(df, 0), 0);
        open_drawings[0] = df;
        current_drawing = 0;
        put_u32(df->header, header_identity, 4242);
        Bytes p;
        if (version <= 12353) {
            p.assign(176 + 4, 0);
            put_u16(p.data(), 142, 4);
            std::memcpy(p.data() + 176, "VIEW", 4);
            put_u32(p.data(), 90, 0xABCD);
            put_u16(p.data(), 102, 0x1234);
            p[104] = 0xF7;
            put_u16(p.data(), 110, 0xFFFF);
            put_u32(p.data(), 120, 0x55);
            put_u32(p.data(), 136, 0x66);
            p[150] = 0x77;
        } else {
            p = projection_bytes(1);
        }
        put_u16(p.data(), 0, static_cast<uint16_t>(p.size()));
        put_u32(p.data(), 2, 1);
        RecordRef head = 0;
        RecordRef pr = record_add_at_end(df, &head, p.data(), &page_buffers[table_projections]);
        put_u32(df->header, header_projections, head);
        fill(pr);
        put_u16(df->header, header_version, version);
        std::string path = df->path;
        drawing_file_close(df);
        drawing_file_free(df);
        open_drawings[0] = nullptr;
        return path;
    }

    std::vector<Bytes> chain(uint32_t chain_off, int table) {
        DrawingFile* df = current_drawing_file();
        RecordRef ph = get_u32(df->header, header_projections);
        unsigned char* p = record_next(df, &ph, nullptr, &page_buffers[table_projections]);
        std::vector<Bytes> out;
        if (!p) return out;
        RecordRef h = get_u32(p, chain_off);
        unsigned char* r = nullptr;
        while ((r = record_next(df, &h, r, &page_buffers[table])) != nullptr) out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
};

TEST_F(Upgrades, PointsOfVersion12356Become48ByteRecords) {
    old_file(12356, [](RecordRef pr) {
        for (uint32_t k = 1; k <= 50; ++k) {
            Bytes p = point_bytes(k, k, k, k, k);
            put_u16(p.data(), 10, 0x0003);
            put_u32(p.data(), 44, 0xDEADBEEF);
            add_to_projection(pr, projection_points, table_points, p);
        }
    });
    rec().answer = 1;
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(rec().questions[0], 18);
    EXPECT_EQ(get_u16(current_drawing_file()->header, header_version), 12358);
    std::vector<Bytes> pts = chain(projection_points, table_points);
    ASSERT_EQ(pts.size(), 50u);
    for (size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(pts[i].size(), 48u);
        EXPECT_EQ(get_u32(pts[i].data(), 2), i + 1);  // chain order kept
        EXPECT_EQ(get_u16(pts[i].data(), 10), 0x0001);
        EXPECT_EQ(get_u32(pts[i].data(), 44), 0u);
    }
    // The open-time snapshot keeps the old file.
    Bytes snap = file_bytes("svt_old_00001.tmp");
    EXPECT_EQ(get_u16(snap.data(), header_version), 12356);
}

TEST_F(Upgrades, PointsOfVersion12355AndTheirBezierMarks) {
    old_file(12355, [](RecordRef pr) {
        for (uint32_t k = 1; k <= 4; ++k) {
            Bytes p(42, 0);
            put_u16(p.data(), 0, 42);
            put_u32(p.data(), 2, k);
            put_u16(p.data(), 6, 7);
            put_u16(p.data(), 8, 0x0100);
            for (int d = 0; d < 4; ++d) put_f64(p.data(), 10 + 8 * d, k * 10.0 + d);
            add_to_projection(pr, projection_points, table_points, p);
        }
        Bytes e(element_size_bezier, 0);
        put_u16(e.data(), 0, element_size_bezier);
        put_u32(e.data(), 2, 1);
        e[10] = element_kind_bezier;
        put_u32(e.data(), 22, 2);
        put_u32(e.data(), 26, 4);
        add_to_projection(pr, projection_elements, table_elements, e);
        put_u32(current_drawing_file()->header, header_user_format_width, 9);
    });
    rec().answer = 1;
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    std::vector<Bytes> pts = chain(projection_points, table_points);
    ASSERT_EQ(pts.size(), 4u);
    for (uint32_t k = 1; k <= 4; ++k) {
        const Bytes& p = pts[k - 1];
        EXPECT_EQ(p.size(), 48u);
        EXPECT_EQ(get_u16(p.data(), 6), 7);
        EXPECT_EQ(get_u16(p.data(), 8), 0x0100);
        EXPECT_EQ(get_f64(p.data(), 12), k * 10.0);
        EXPECT_EQ(get_f64(p.data(), 36), k * 10.0 + 3);
        EXPECT_EQ(p[10] & 1, (k == 2 || k == 4) ? 1 : 0) << k;
    }
    const unsigned char* h = current_drawing_file()->header;
    EXPECT_EQ(get_u32(h, header_user_format_width), 0u);
    EXPECT_EQ(get_f32(h, header_float_214), 0.5f);
}

TEST_F(Upgrades, LongContoursOfVersion12348AreKeptWholeAndReportedOnce) {
    old_file(12348, [](RecordRef pr) {
        for (uint32_t key : {5u, 6u}) {
            uint16_t members = key == 5 ? 493 : 3;
            Bytes c(70 + 4 * members, 0);
            put_u16(c.data(), 0, static_cast<uint16_t>(c.size()));
            put_u32(c.data(), 2, key);
            put_f64(c.data(), 6, 1.5);
            put_u16(c.data(), 62, 9);
            put_u16(c.data(), 66, 0x0002 | 0x0014 | 0x0040);  // kind 2, bits 2 and 4, bit 6
            put_u16(c.data(), 68, members);
            for (uint16_t i = 0; i < members; ++i) put_u32(c.data(), 70 + 4 * i, 1000u + i);
            add_to_projection(pr, projection_contours, table_contours, c);
        }
    });
    rec().answer = 1;
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(messages_with("контуры с большим количеством элементов"), 1);
    std::vector<Bytes> cs = chain(projection_contours, table_contours);
    ASSERT_EQ(cs.size(), 3u);  // two chunks, then the short one
    uint32_t total = 0;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(get_u32(cs[i].data(), 2), 5u);
        total += get_u16(cs[i].data(), contour_member_count);
    }
    EXPECT_EQ(total, 493u);
    EXPECT_EQ(get_u16(cs[0].data(), contour_flags) & 0x0600, 0x0200);
    EXPECT_EQ(get_u16(cs[1].data(), contour_flags) & 0x0600, 0x0400);
    EXPECT_EQ(get_u32(cs[1].data(), contour_members + 4 * 3), 1000u + 492);
    const Bytes& s = cs[2];
    EXPECT_EQ(s.size(), 82u + 12);
    EXPECT_EQ(get_u16(s.data(), contour_flags), 0x0002 | (0x5 << 3) | 0x80);
    EXPECT_EQ(get_f64(s.data(), 6), 1.5);
    EXPECT_EQ(get_u16(s.data(), 62), 9);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.data()) + 74, 1), "6");
    // The projection was moved to the current layout on the way.
    DrawingFile* df = current_drawing_file();
    RecordRef ph = get_u32(df->header, header_projections);
    unsigned char* p = record_next(df, &ph, nullptr, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(get_u16(p, 0), 184);
    EXPECT_EQ(get_u16(p, 146), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p) + 180, 4), "VIEW");
    EXPECT_EQ(get_u32(p, 90), 0xABCDu);
    EXPECT_EQ(get_u16(p, 98), 0x1234);
    EXPECT_EQ(get_u16(p, 100), 0x0007);
    EXPECT_EQ(get_u16(p, 106), 0x07FF);
    EXPECT_EQ(get_u32(p, 116), 0x55u);
    EXPECT_EQ(get_u32(p, 140), 0x66u);
    EXPECT_EQ(p[154], 0x77);
}

TEST_F(Upgrades, PicturesOfVersion12357And64ByteRecords) {
    old_file(12357, [](RecordRef pr) {
        DrawingFile* df = current_drawing_file();
        RecordRef head = 0;
        Bytes pic(64, 0);
        put_u16(pic.data(), 0, 64);
        put_u32(pic.data(), 2, 31);
        pic[6] = 10;
        pic[7] = 0x06;  // bits 0-1 = 2, bit 2 set
        put_u32(pic.data(), 8, 0x11);
        put_u32(pic.data(), 12, 0x22);
        put_f64(pic.data(), 16, 1.0);
        put_f64(pic.data(), 32, 3.0);
        put_f64(pic.data(), 40, 4.0);
        put_u32(pic.data(), 48, 0);  // blob reference: none
        put_u32(pic.data(), 52, 77);
        put_f64(pic.data(), 56, 6.0);
        record_add_at_end(df, &head, pic.data(), &page_buffers[table_pictures]);
        put_u32(df->header, header_pictures, head);
        for (uint8_t kind : {4, 20, 24, 9}) {
            Bytes c(construction_default_size, 0);
            put_u16(c.data(), 0, construction_default_size);
            c[6] = kind;
            add_to_projection(pr, projection_construction, table_construction, c);
        }
        put_u16(df->header, header_options2, 0x0080 | 0x0001);
    });
    static std::vector<Bytes> loaded;
    loaded.clear();
    document_shell.load_conventional_image = [](const unsigned char* r) {
        loaded.emplace_back(r, r + get_u16(r, 0));
        return 1;
    };
    rec().answer = 1;
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    ASSERT_EQ(loaded.size(), 1u);
    const Bytes& p = loaded[0];
    EXPECT_EQ(p.size(), 74u);
    EXPECT_EQ(get_u32(p.data(), 2), 31u);
    EXPECT_EQ(p[6], 10);
    EXPECT_EQ(p[7], 0x05);
    EXPECT_EQ(get_u32(p.data(), 10), 0x11u);
    EXPECT_EQ(get_u32(p.data(), 14), 0x22u);
    EXPECT_EQ(get_f64(p.data(), 18), 1.0);
    EXPECT_EQ(get_f64(p.data(), 34), 3.0);
    EXPECT_EQ(get_f64(p.data(), 42), 0.0);
    EXPECT_EQ(get_f64(p.data(), 50), 4.0);
    EXPECT_EQ(get_u32(p.data(), 62), 77u);
    EXPECT_EQ(get_f64(p.data(), 66), 6.0);
    std::vector<Bytes> cons = chain(projection_construction, table_construction);
    ASSERT_EQ(cons.size(), 2u);
    EXPECT_EQ(cons[0][6], 4);
    EXPECT_EQ(cons[1][6], 9);
    EXPECT_EQ(get_u16(current_drawing_file()->header, header_options2) & 0x0080, 0);
}

// A picture record of length 1 in a version-12356 drawing cannot be carried
// into the new layout: the conversion reads nothing past the record, stops,
// says the structure is damaged, and the file keeps the version reached.
TEST_F(Upgrades, PictureRecordShorterThanItsHeaderStopsTheConversion) {
    std::string path = old_file(12356, [](RecordRef pr) {
        DrawingFile* df = current_drawing_file();
        add_to_projection(pr, projection_points, table_points, point_bytes(1, 1, 1, 1, 1));
        RecordRef head = 0;
        Bytes pic(64, 0);
        put_u16(pic.data(), 0, 64);
        put_u32(pic.data(), 2, 31);
        pic[6] = 10;
        record_add_at_end(df, &head, pic.data(), &page_buffers[table_pictures]);
        unsigned char tiny[2] = {1, 0};  // length 1
        record_add_at_end(df, &head, tiny, &page_buffers[table_pictures]);
        put_u32(df->header, header_pictures, head);
    });
    rec().answer = 1;
    drawing_open_path("old.svt");
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_EQ(messages_with("ОШИБКА в структуре данных"), 1);
    // The points were converted and saved before the pictures were reached.
    Bytes b = file_bytes(path);
    EXPECT_EQ(get_u16(b.data(), header_version), 12357);
    EXPECT_TRUE(os_file_exists("svt_old_00001.tmp"));
}

TEST_F(Upgrades, AFailedRebuildLeavesTheOldChainWhole) {
    std::string path = old_file(12356, [](RecordRef pr) {
        for (uint32_t k = 1; k <= 120; ++k) add_to_projection(pr, projection_points, table_points, point_bytes(k, k, 0, 0, 0));
    });
    static int stored;
    stored = 0;
    upgrade_store_fault = []() { return ++stored == 60 ? 1 : 0; };
    rec().answer = 1;
    drawing_open_path("old.svt");
    upgrade_store_fault = nullptr;
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(open_drawing_count, 0);
    // Opened again: still version 12356, every point there, and the upgrade then works.
    drawing_open_path("old.svt");
    ASSERT_EQ(error_flag, 0);
    std::vector<Bytes> pts = chain(projection_points, table_points);
    ASSERT_EQ(pts.size(), 120u);
    EXPECT_EQ(get_u16(current_drawing_file()->header, header_version), 12358);
}

TEST_F(Upgrades, UpgradedWorkingFilesGetASnapshotAndAnIdentity) {
    std::string path = old_file(12357, [](RecordRef) {}, "svt00007.tmp");
    Bytes b = file_bytes(path);
    put_u32(b.data(), header_identity, 0);
    write_bytes(path, b);
    rec().answer = 1;
    drawing_open_path("svt00007.tmp");
    ASSERT_EQ(error_flag, 0);
    EXPECT_NE(get_u32(current_drawing_file()->header, header_identity), 0u);
    Bytes snap = file_bytes("svt_svt00007_00001.tmp");
    ASSERT_FALSE(snap.empty());
    EXPECT_EQ(get_u16(snap.data(), header_version), 12357);
}

}  // namespace
