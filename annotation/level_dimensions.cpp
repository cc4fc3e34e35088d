// Level dimension merging: spans, groups and the generated dimensions.
#include "annotation/level_dimensions.h"

#include <cmath>
#include <string>

#include "annotation/annotation_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const too_many_dimensions_message = "Слишком много размеров";
const char* const merged_group_gone_code = "E20427";

namespace {

const double pi = 3.14159265358979323846;

// Position along the dimension line (across the extension direction).
double along(Point2 p, double direction) { return -p.x * std::sin(direction) + p.y * std::cos(direction); }

// Distance of p from the line through o across the extension direction.
double off_line(Point2 p, Point2 o, double direction) {
    return std::fabs((p.x - o.x) * std::cos(direction) + (p.y - o.y) * std::sin(direction));
}

// Extension directions equal up to a half turn (a line has two).
bool same_direction(double a, double b) {
    double d = std::fmod(std::fabs(a - b), pi);
    return d < 1e-6 || pi - d < 1e-6;
}

}  // namespace

bool level_span_of(const std::vector<Point2>& points, double direction, double eps, Point2* a, Point2* b) {
    if (points.empty() || !std::isfinite(direction)) return false;
    Point2 lo = points[0], hi = points[0];
    for (Point2 p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
        if (along(p, direction) < along(lo, direction)) lo = p;
        if (along(p, direction) > along(hi, direction)) hi = p;
    }
    if (!(along(hi, direction) - along(lo, direction) > eps)) return false;
    *a = lo;
    *b = hi;
    return true;
}

std::vector<LevelGroup> merge_level_spans(const std::vector<LevelSpan>& spans, double eps) {
    std::vector<LevelGroup> groups;
    std::vector<bool> taken(spans.size(), false);
    for (size_t i = 0; i < spans.size(); ++i) {
        if (taken[i]) continue;
        taken[i] = true;
        const double dir = spans[i].direction;
        LevelGroup g{spans[i].a, spans[i].b, dir, {spans[i].item}};
        double lo = along(g.a, dir), hi = along(g.b, dir);
        for (bool grew = true; grew;) {
            grew = false;
            for (size_t j = 0; j < spans.size(); ++j) {
                if (taken[j] || !same_direction(spans[j].direction, dir)) continue;
                const LevelSpan& s = spans[j];
                if (off_line(s.a, g.a, dir) > eps || off_line(s.b, g.a, dir) > eps) continue;
                double sa = along(s.a, dir), sb = along(s.b, dir);
                if (sa > sb) std::swap(sa, sb);
                if (sb < lo - eps || sa > hi + eps) continue;  // no overlap
                taken[j] = true;
                g.members.push_back(s.item);
                if (sa < lo) lo = sa, g.a = sa == along(s.a, dir) ? s.a : s.b;
                if (sb > hi) hi = sb, g.b = sb == along(s.b, dir) ? s.b : s.a;
                grew = true;
            }
        }
        groups.push_back(g);
    }
    return groups;
}

int collect_generated_dimensions(uint8_t* projection, std::vector<SavedLevelPlacement>* saved) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    RecordRef* labels = projection_chain(projection, projection_annotations);
    if (!df || !head || !labels) return -1;
    PageBuffer* buf = &page_buffers[table_dimensions];
    PageBuffer* lbuf = &page_buffers[table_annotation];
    int removed = 0;
    // Deleting compacts the page, so the walk goes on from the record that
    // followed the deleted one.
    for (unsigned char* d = record_next(df, head, nullptr, buf); d && !error_flag;) {
        if (get_u16(d, record_length) < dimension_record_size - 2 || !(get_u16(d, dimension_state) & 0x0004)) {
            d = record_next(df, head, d, buf);
            continue;
        }
        uint32_t number = get_u32(d, dimension_number);
        std::vector<uint8_t> copy(d, d + get_u16(d, record_length));
        RecordRef label_ref = 0;
        unsigned char* label = annotation_find_key_kind(projection, number, annotation_dimension_text, &label_ref);
        if (error_flag) return -1;
        std::vector<uint8_t> label_copy;
        if (label && get_u16(label, record_length) >= dimension_text_head)
            label_copy.assign(label, label + get_u16(label, record_length));
        uint16_t value = get_u16(copy.data(), dimension_value_word);
        bool keep = (copy[dimension_kind_word] & 0x1F) == 6 && (value & 0x0800) && !(value & 0x0008) &&
                    !label_copy.empty() && !(get_u16(label_copy.data(), annotation_flags) & 0x1000);
        if (keep && saved) saved->push_back({copy, label_copy});
        if (label) {
            record_delete(df, labels, label_ref, lbuf);
            if (error_flag) return -1;
        }
        // The label lives in another table: the dimension page still holds d.
        d = record_delete_and_next(df, head, d, buf);
        ++removed;
    }
    if (error_flag) return -1;
    put_u32(projection, projection_generated_counter, generated_counter_reset);
    return removed;
}

GeneratedResult create_generated_level_dimension(uint8_t* projection, const uint8_t* model, const uint8_t* model_label,
                                                 uint16_t kind_word, bool side, uint32_t* number) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    RecordRef* labels = projection_chain(projection, projection_annotations);
    if (!df || !df->header || !head || !labels || !model) return generated_failed;
    uint32_t counter = get_u32(projection, projection_generated_counter);
    uint32_t n = counter - 1;
    // Unsigned: the generated numbers come down from the top and must stay
    // above every number the drawing's own counter has given.
    if (counter == 0 || n <= get_u32(df->header, header_highest_dimension)) return generated_too_many;

    std::vector<uint8_t> label(dimension_text_head, 0);
    if (model_label) {
        std::copy(model_label, model_label + dimension_text_head, label.begin());
    } else {
        put_u16(label.data(), annotation_flags, 0x0001 | 0x0008 | 0x0010 | 0x0800 | (2 << 7));
    }
    label[record_kind] = annotation_dimension_text;
    put_u32(label.data(), record_key, n);
    put_u16(label.data(), annotation_flags, static_cast<uint16_t>(get_u16(label.data(), annotation_flags) & ~0x1040));
    const std::string first = "0", second = ",000";
    RecordBytes packed = pack_whole_text(first + second);
    label.insert(label.end(), packed.begin(), packed.end());
    if (packed.empty()) label.resize(dimension_text_head + 2, 0);
    label[dimension_text_first_length] = static_cast<uint8_t>(first.size());
    put_u16(label.data(), record_length, static_cast<uint16_t>(label.size()));

    uint8_t rec[dimension_record_size] = {};
    put_u16(rec, record_length, dimension_record_size);
    put_u32(rec, dimension_number, n);
    put_u32(rec, dimension_axis_point1, get_u32(model, dimension_axis_point1));
    put_u32(rec, dimension_axis_point2, get_u32(model, dimension_axis_point2));
    put_f64(rec, dimension_nominal, 0.0);
    put_u16(rec, dimension_kind_word, static_cast<uint16_t>((kind_word & ~0x1F) | 6));
    put_u16(rec, dimension_value_word, 0x0013);
    put_u16(rec, dimension_state, static_cast<uint16_t>(0x0004 | (side ? 0x0002 : 0)));

    record_add(df, labels, label.data(), &page_buffers[table_annotation]);
    if (error_flag) return generated_failed;
    record_add(df, head, rec, &page_buffers[table_dimensions]);
    if (error_flag) return generated_failed;
    put_u32(projection, projection_generated_counter, n);
    *number = n;
    return generated_made;
}

bool restore_level_label(uint8_t* projection, uint32_t number, const std::vector<uint8_t>& label) {
    DrawingFile* df = current_drawing_file();
    RecordRef* labels = projection_chain(projection, projection_annotations);
    if (!df || !labels || label.size() < dimension_text_head) return false;
    PageBuffer* buf = &page_buffers[table_annotation];
    RecordRef ref = 0;
    if (annotation_find_key_kind(projection, number, annotation_dimension_text, &ref)) {
        record_delete(df, labels, ref, buf);
        if (error_flag) return false;
    }
    std::vector<uint8_t> copy(label);
    put_u32(copy.data(), record_key, number);
    record_add(df, labels, copy.data(), buf);
    return !error_flag;
}
