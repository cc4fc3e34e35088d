// The signs the property dialogs make, drawn through GDI into a memory DC:
// a contact sheet of tolerance frames, roughness signs and leader marks
// written as a PNG for review, and the proportions the drafting rules give
// checked on the pixels (roughness legs at 60 degrees with the short leg one
// text height, the bend circle of 2.1 mm, the sign cell as wide as the row
// height).
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "annotation/annotation_properties.h"
#include "annotation/tolerance_properties.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "geometry/units_scale.h"
#include "annotation/section_properties.h"
#include "render/output/annotation_frames.h"
#include "render/output/designation_letters.h"
#include "render/output/leader_marks.h"
#include "render/output/primitives.h"
#include "render/output/roughness_sign.h"
#include "render/output/tolerance_frame.h"
#include "render/text/stroke_font.h"
#include "render/text/stroke_font_win.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"
#include "tests/win32_output/dib_picture.h"

namespace {

using output_test::DibPicture;

uint8_t header[drawing_header_size];
const double px_per_mm = 8.0;
const double pi = std::acos(-1.0);

class SignSheet : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        init_dimension_drawing_constants();
        text_settings_bind_settings_block();
        ASSERT_EQ(stroke_fonts_load_module(GetModuleHandleA(nullptr)), 0);
        put_f64(header, header_scale_offset, 1.0);
        bind_current_drawing_header([]() -> const uint8_t* { return header; });
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        settings_block_free();
    }
    static std::string sheet_path(const char* name) {
        char buf[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof buf, buf);
        std::string folder = std::string(buf) + "\\screenshots";
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder + "\\" + name;
    }
    // A tolerance frame of the given signs, value and datums at (x, y) (top
    // left, sheet mm), built as the dialog builds it, 2 x text height a row.
    static RecordBytes frame(const std::vector<int>& signs, const std::string& value, const std::string& datums,
                             bool stacked, double x, double y, int size = 3) {
        RecordBytes old(tolerance_head, 0);
        put_u16(old.data(), record_length, tolerance_head);
        old[record_kind] = annotation_tolerance;
        uint8_t codes[3] = {0, 0, 0};
        for (size_t i = 0; i < signs.size() && i < 3; ++i) codes[i] = static_cast<uint8_t>(signs[i]);
        int n = tolerance_signs_compact(codes);
        for (int i = 0; i < 3; ++i) old[tolerance_signs + i] = codes[i];
        put_u16(old.data(), annotation_flags,
                static_cast<uint16_t>(1 | (size << 2) | (n << 6) | (stacked ? tolerance_flag_stacked : 0)));
        put_f32(old.data(), tolerance_frame1, static_cast<float>(x));
        double th = text_settings.text_heights[size];
        ToleranceMeasure measure = [&](const std::string& t, bool upright) {
            select_text_font(size, upright ? 0 : 1, 0);
            double w = 0, h = 0;
            measure_text(t.c_str(), &w, &h);
            return w;
        };
        RecordBytes out;
        const char* refusal = nullptr;
        EXPECT_TRUE(tolerance_build(old.data(), tolerance_sign_part(codes, n).c_str(), value.c_str(), datums.c_str(),
                                    th + 2.48, 1.24, measure, &out, &refusal));
        put_f32(out.data(), tolerance_frame1 + 4, static_cast<float>(y));
        put_f32(out.data(), tolerance_frame2 + 4, static_cast<float>(y + 2 * th));
        put_f32(out.data(), tolerance_frame_side, 3.0e38f);
        return out;
    }
    static RecordBytes roughness(double x, double y, int variant, bool circle, int lay, const std::string& t1,
                                 const std::string& t2, const std::string& t3, int size = 3) {
        RecordBytes packed = pack_whole_text(t1 + t2 + t3);
        RecordBytes r(roughness_head, 0);
        r.insert(r.end(), packed.begin(), packed.end());
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        r[record_kind] = annotation_roughness;
        r[roughness_first_length] = static_cast<uint8_t>(lay);
        put_u16(r.data(), annotation_flags, static_cast<uint16_t>(1 | (size << 2) | (circle ? 0x40 : 0)));
        put_f32(r.data(), roughness_tip, static_cast<float>(x));
        put_f32(r.data(), roughness_tip + 4, static_cast<float>(y));
        r[roughness_variant] = static_cast<uint8_t>(variant);
        r[roughness_lengths] = static_cast<uint8_t>(t1.size());
        r[roughness_lengths + 1] = static_cast<uint8_t>(t2.size());
        r[roughness_lengths + 2] = static_cast<uint8_t>(t3.size());
        return r;
    }
    static RecordBytes leader_with_marks(int sign, int bend, int size = 3) {
        RecordBytes r(68, 0);
        put_u16(r.data(), record_length, 68);
        r[record_kind] = annotation_leader;
        put_u16(r.data(), annotation_flags, static_cast<uint16_t>(size << 7));
        r[leader_style] = static_cast<uint8_t>(sign | (bend << 4));
        return r;
    }
    // A leader from the tip up to the bend and along a shelf, with its marks.
    static void leader(OutputView* v, Point2 tip, Point2 bend, Point2 end, int sign, int marks) {
        Segment a{tip, bend}, b{bend, end};
        draw_line_segment(v, &a);
        draw_line_segment(v, &b);
        RecordBytes r = leader_with_marks(sign, marks);
        Box box;
        draw_leader_marks(v, end, bend, tip, r.data(), &box, 1);
    }
};

TEST_F(SignSheet, ContactSheetOfTheSigns) {
    DibPicture pic(1400, 760, px_per_mm);
    // Row 1: tolerance frames with one to three signs, datums, stacked rows.
    struct F {
        std::vector<int> signs;
        const char *value, *datums;
        bool stacked;
    } frames[] = {
        {{1}, "0,01", "", false},       {{6}, "0,05", "А", false},     {{11}, "0,1", "А,Б", false},
        {{14}, "0,02", "АБ", false},    {{6, 9}, "0,1\\n0,02", "А\\nБ", true}, {{2, 7, 13}, "0,1", "В", false},
    };
    double x = 5;
    for (const F& f : frames) {
        RecordBytes r = frame(f.signs, f.value, f.datums, f.stacked, x, 6);
        draw_tolerance_frame(&pic.view, r.data());
        x = get_f32(r.data(), tolerance_frame2) + 6;
    }
    // Row 2: roughness signs: treatment 0/1/2, the contour circle, the lay
    // signs, texts in the first arrangement.
    x = 8;
    for (int variant = 0; variant < 3; ++variant, x += 24) {
        RecordBytes r = roughness(x, 40, variant, false, 0, "Ra 3,2", "", "");
        draw_roughness_sign(&pic.view, r.data());
    }
    RecordBytes c = roughness(x, 40, 1, true, 0, "Rz 20", "полировать", "");
    draw_roughness_sign(&pic.view, c.data());
    x += 34;
    for (int lay = 1; lay <= 7; ++lay, x += 18) {
        RecordBytes r = roughness(x, 40, 1, false, lay, "Ra 0,8", "", "2,5");
        draw_roughness_sign(&pic.view, r.data());
    }
    // Rows 3 and 4: leader marks, signs 0-6 by bend marks 0-2.
    for (int marks = 0; marks < 3; ++marks)
        for (int sign = 0; sign <= 6; ++sign) {
            double lx = 8 + sign * 24, ly = 58 + marks * 14;
            leader(&pic.view, {lx, ly + 10}, {lx + 8, ly}, {lx + 20, ly}, sign, marks);
        }
    EXPECT_TRUE(pic.ink_near(static_cast<int>(5 * px_per_mm), static_cast<int>(9 * px_per_mm), 2));  // the first frame
    EXPECT_TRUE(pic.write_png(sheet_path("annotation_signs.png")));
}

TEST_F(SignSheet, RoughnessLegsStandAtSixtyDegreesAndTheShortLegIsOneTextHeight) {
    DibPicture pic(300, 300, px_per_mm);
    const double tx = 10, ty = 30;  // the tip, sheet mm
    RecordBytes r = roughness(tx, ty, 0, false, 0, "", "", "");
    draw_roughness_sign(&pic.view, r.data());
    double h = text_settings.text_heights[3];
    double k = 1.0 / std::tan(pi / 3);
    // The short leg: from the tip up and left at 60 degrees to the height h.
    for (double t : {0.2, 0.5, 0.8, 0.98}) {
        int px = static_cast<int>(std::lround((tx - k * h * t) * px_per_mm));
        int py = static_cast<int>(std::lround((ty - h * t) * px_per_mm));
        EXPECT_TRUE(pic.ink_near(px, py, 1)) << "short leg at " << t;
    }
    // It ends there: nothing further along its line.
    for (double t : {1.25, 1.5}) {
        int px = static_cast<int>(std::lround((tx - k * h * t) * px_per_mm));
        int py = static_cast<int>(std::lround((ty - h * t) * px_per_mm));
        EXPECT_FALSE(pic.ink_near(px, py, 1)) << "past the short leg at " << t;
    }
    // The long leg rises at 60 degrees the other way.
    for (double t : {0.3, 0.7, 1.2}) {
        int px = static_cast<int>(std::lround((tx + k * h * t) * px_per_mm));
        int py = static_cast<int>(std::lround((ty - h * t) * px_per_mm));
        EXPECT_TRUE(pic.ink_near(px, py, 1)) << "long leg at " << t;
    }
    // Off the 60-degree line by 1.5 mm across it: white.
    int off_x = static_cast<int>(std::lround((tx - k * h * 0.5 - 1.5) * px_per_mm));
    int off_y = static_cast<int>(std::lround((ty - h * 0.5) * px_per_mm));
    EXPECT_FALSE(pic.ink_near(off_x, off_y, 1));
}

TEST_F(SignSheet, TheBendCircleHasARadiusOfTwoPointOneMillimetres) {
    DibPicture pic(300, 300, px_per_mm);
    Point2 bend{15, 15};
    RecordBytes r = leader_with_marks(0, 1);
    Box box;
    draw_leader_marks(&pic.view, {30, 15}, bend, {5, 30}, r.data(), &box, 1);
    const double radius = 2.1;
    for (int deg = 0; deg < 360; deg += 45) {
        double a = deg * pi / 180;
        int px = static_cast<int>(std::lround((bend.x + radius * std::cos(a)) * px_per_mm));
        int py = static_cast<int>(std::lround((bend.y + radius * std::sin(a)) * px_per_mm));
        EXPECT_TRUE(pic.ink_near(px, py, 1)) << deg;
    }
    EXPECT_FALSE(pic.ink_near(static_cast<int>(bend.x * px_per_mm), static_cast<int>(bend.y * px_per_mm), 4));
    EXPECT_FALSE(pic.ink_near(static_cast<int>((bend.x + radius + 1.0) * px_per_mm),
                              static_cast<int>(bend.y * px_per_mm), 1));
}

TEST_F(SignSheet, TheSignCellIsAsWideAsTheRowHeight) {
    DibPicture pic(400, 200, px_per_mm);
    RecordBytes r = frame({6}, "0,05", "", false, 5, 5);
    double row = text_settings.text_heights[3] + 2.48;
    EXPECT_NEAR(get_f32(r.data(), tolerance_separator1), row, 1e-4);
    draw_tolerance_frame(&pic.view, r.data());
    // The separator between the sign cell and the value cell stands one row
    // height right of the frame's left side.
    int sx = static_cast<int>(std::lround((5 + row) * px_per_mm));
    int mid = static_cast<int>(std::lround((5 + text_settings.text_heights[3]) * px_per_mm));
    EXPECT_TRUE(pic.ink_near(sx, mid, 1));
    EXPECT_TRUE(pic.ink_near(static_cast<int>(5 * px_per_mm), mid, 1));
}

}  // namespace

namespace {

// The section letters are drawn as stored: "Б1" takes both packed words.
TEST_F(SignSheet, SectionLettersAreDrawnWhole) {
    auto ink_of = [](const char* letters) {
        RecordBytes r(section_nodes + 16, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        r[record_kind] = annotation_section;
        r[section_nodes_count] = 2;
        put_u16(r.data(), annotation_flags, 1 | (5 << 2));
        put_f32(r.data(), section_nodes, 20);
        put_f32(r.data(), section_nodes + 4, 30);
        put_f32(r.data(), section_nodes + 8, 20);
        put_f32(r.data(), section_nodes + 12, 60);
        section_set_letters(r.data(), letters);
        EXPECT_EQ(section_letters_text(r.data()), letters);
        place_designation_letters(r.data());
        DibPicture pic(500, 700, px_per_mm);
        draw_section_line(&pic.view, r.data(), 0);
        GdiFlush();
        int ink = 0;
        for (int y = 0; y < pic.height; ++y) {
            const uint8_t* row = pic.bits + static_cast<size_t>(y) * pic.stride();
            for (int x = 0; x < pic.width; ++x)
                ink += (row[3 * x] != 0xFF || row[3 * x + 1] != 0xFF || row[3 * x + 2] != 0xFF) ? 1 : 0;
        }
        return ink;
    };
    // The digit adds its strokes at both ends of the line.
    int one = ink_of("Б"), two = ink_of("Б1");
    EXPECT_GT(two, one + 40) << "the digit after the letter is drawn";
}

}  // namespace
