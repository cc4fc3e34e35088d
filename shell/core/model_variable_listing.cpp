// The usage listing of saved model variables.
#include "shell/core/model_variable_listing.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "model/model_storage.h"
#include "stages/points_elements/element_records.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <vector>

namespace {

enum : uint32_t { bar_kind = 8, bar_variable = 14 };

RecordRef* chain(unsigned char* p, uint32_t offset) { return reinterpret_cast<RecordRef*>(p + offset); }

std::string joined(const std::vector<uint32_t>& numbers) {
    std::string out;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i) out += ", ";
        out += std::to_string(numbers[i]);
    }
    return out;
}

// The points of the links of dimension `number` of projection p, in chain order.
std::vector<uint32_t> link_points(DrawingFile* df, RecordRef pref, uint32_t number) {
    std::vector<uint32_t> out;
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* lbuf = &page_buffers[table_links];
    unsigned char* p = record_read_at(df, &pref, pbuf);
    if (!p) return out;
    for (unsigned char* l = record_next(df, chain(p, projection_links), nullptr, lbuf); l && !error_flag;
         l = record_next(df, chain(p, projection_links), l, lbuf))
        if (get_u16(l, record_length) >= link_record_size && get_u32(l, link_dimension) == number)
            out.push_back(get_u32(l, link_point));
    return out;
}

// The points of the bar's centre element: the element numbered like the bar
// that is not generated.
std::vector<uint32_t> bar_points(DrawingFile* df, RecordRef pref, uint32_t number) {
    std::vector<uint32_t> out;
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* ebuf = &page_buffers[table_elements];
    unsigned char* p = record_read_at(df, &pref, pbuf);
    if (!p) return out;
    for (unsigned char* e = record_next(df, chain(p, projection_elements), nullptr, ebuf); e && !error_flag;
         e = record_next(df, chain(p, projection_elements), e, ebuf)) {
        if (get_u32(e, element_number) != number || (get_u16(e, element_flags) & element_flag_generated)) continue;
        ElementPointPlace places[256];
        int n = element_point_places(e, places, 256);
        for (int i = 0; i < n; ++i) out.push_back(places[i].number);
        break;
    }
    return out;
}

}  // namespace

std::string variable_usage_listing_text(DrawingFile* df) {
    std::string out;
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* dbuf = &page_buffers[table_dimensions];
    PageBuffer* cbuf = &page_buffers[table_construction];
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (const ModelVariableInfo& v : model_variables_read(df)) {
        if (v.type != model_type_integer && v.type != model_type_real) continue;
        char value[64];
        format_dimension_value(value, sizeof value, v.value, 0, 0);
        const char* shown = value;
        while (*shown == ' ') ++shown;
        out += v.name + " = " + shown;
        bool used = false;
        // Bound dimensions and bars, projection by projection; the numbers are
        // collected first, the links and elements read afterwards.
        std::vector<RecordRef> prefs;
        for (unsigned char* p = record_next(df, projections, nullptr, pbuf); p && !error_flag;
             p = record_next(df, projections, p, pbuf))
            prefs.push_back(record_ref_of(pbuf, p));
        for (RecordRef pref : prefs) {
            std::vector<uint32_t> dims, bars;
            RecordRef at = pref;
            unsigned char* p = record_read_at(df, &at, pbuf);
            if (!p) break;
            for (unsigned char* d = record_next(df, chain(p, projection_dimensions), nullptr, dbuf); d && !error_flag;
                 d = record_next(df, chain(p, projection_dimensions), d, dbuf))
                if (get_u16(d, dimension_variable) == v.id) dims.push_back(get_u32(d, dimension_number));
            at = pref;
            p = record_read_at(df, &at, pbuf);
            if (!p) break;
            for (unsigned char* c = record_next(df, chain(p, projection_construction), nullptr, cbuf);
                 c && !error_flag; c = record_next(df, chain(p, projection_construction), c, cbuf))
                if (c[record_kind] == bar_kind && get_u16(c, bar_variable) == v.id)
                    bars.push_back(get_u32(c, record_key));
            for (uint32_t d : dims) out += "\nРазмер на точках: " + joined(link_points(df, pref, d));
            for (uint32_t b : bars) out += "\nШирина бруска на точках: " + joined(bar_points(df, pref, b));
            used = used || !dims.empty() || !bars.empty();
        }
        if (!used) out += " - в размерах и брусках не используется!\n";
        out += "\n";
    }
    return out;
}
