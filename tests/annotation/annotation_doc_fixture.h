// Fixture of the annotation tests on a drawing: a new drawing with
// projection 1, the program's own fonts loaded and the annotation services
// bound; the fonts, measurers and layout services are unbound again after
// each test.
#pragma once

#include "tests/documents/doc_test_support.h"
#include "tests/fonts/font_test_support.h"

#include "annotation/properties_layout_binding.h"
#include "annotation/properties_layout_seams.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/settings_block.h"

namespace annotation_test {

class AnnotationDocTest : public doc_test::DocTest {
public:
    RecordRef pref = 0;
    std::vector<std::vector<uint8_t>> fonts;

    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        ASSERT_EQ(settings_block_unpack(), 0);
        fonts = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts), 0);
        ASSERT_EQ(drawing_new(1), 0);
        pref = doc_test::add_projection(1);
        annotation_bind();
    }
    void TearDown() override {
        kernel_measurers = kernel_measurers_unbound;
        properties_layout = properties_layout_unbound;
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        DocTest::TearDown();
        settings_block_free();
    }
    // The stored projection record.
    uint8_t* projection() {
        RecordRef at = pref;
        return record_read_at(current_drawing_file(), &at, &page_buffers[table_projections]);
    }
    static Point2 pair(const doc_test::Bytes& r, uint32_t off) {
        return {get_f32(r.data(), off), get_f32(r.data(), off + 4)};
    }
};

}  // namespace annotation_test
