// Contours of marked elements and the drawing-order level rules.
#include "stages/points_elements/marking_contours.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "render/output/bent_pictures.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/element_rebuild.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<unsigned char>;

PageBuffer* contour_buffer() { return &page_buffers[table_contours]; }
PageBuffer* element_buffer() { return &page_buffers[table_elements]; }

int contour_kind_of(const unsigned char* c) { return get_u16(c, contour_flags) & contour_flag_kind; }
bool is_continuation(const unsigned char* c) { return (get_u16(c, contour_flags) & contour_flag_continuation) != 0; }
bool level_kind(int kind) {
    return kind == contour_kind_screen || kind == contour_kind_hole || kind == contour_kind_route ||
           kind == contour_kind_fold;
}

struct ContourInfo {
    uint32_t number;
    int kind;
    int level;
    std::vector<uint32_t> members;
};

// Every contour of the projection with its members, chunks joined.
std::vector<ContourInfo> all_contours(DrawingFile* df, unsigned char* projection) {
    std::vector<ContourInfo> out;
    std::map<uint32_t, size_t> at;
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* cb = contour_buffer();
    for (unsigned char* c = record_next(df, head, nullptr, cb); c && !error_flag; c = record_next(df, head, c, cb)) {
        uint32_t len = get_u16(c, record_length);
        if (len < contour_head_size) continue;
        uint32_t number = get_u32(c, contour_number);
        auto it = at.find(number);
        if (it == at.end()) {
            at[number] = out.size();
            out.push_back({number, contour_kind_of(c), get_i16(c, contour_level), {}});
            it = at.find(number);
        }
        ContourInfo& info = out[it->second];
        if (!is_continuation(c)) {
            info.kind = contour_kind_of(c);
            info.level = get_i16(c, contour_level);
        }
        uint32_t n = get_u16(c, contour_member_count);
        for (uint32_t i = 0; i < n && contour_members + 4 * i + 4 <= len; ++i)
            info.members.push_back(get_u32(c, contour_members + 4 * i));
    }
    return out;
}

void box_add_element(Box* box, const unsigned char* e) {
    switch (element_kind(e)) {
    case element_kind_segment: case element_kind_break: box_add_segment_element(box, e); break;
    case element_kind_circle: box_add_circle_element(box, e); break;
    case element_kind_arc_centre: case element_kind_arc_points: box_add_arc_element(box, e); break;
    case element_kind_curve: box_add_curve_element(box, e); break;
    default: break;
    }
}

}  // namespace

void contour_describe(std::string& text, int kind, int level, uint32_t number, double length) {
    char n[32];
    switch (kind) {
    case contour_kind_screen:
        text += " охватывающий контур уровня  " + std::to_string(level);
        break;
    case contour_kind_hole:
        text += " охватываемый контур уровня  " + std::to_string(level);
        break;
    case contour_kind_route:
        text += " маршрут  " + std::to_string(number);
        break;
    case contour_kind_composite:
        text += "а составная кривая " + std::to_string(number);
        return;
    case contour_kind_fold:
        text += "а складка " + std::to_string(number);
        break;
    default:
        text += "контур уровня  " + std::to_string(level);
        break;
    }
    if (length != 0) {
        text += (kind == contour_kind_route || kind == contour_kind_fold) ? ", длиной " : ", длина периметра ";
        format_dimension_value(n, sizeof n, length, 0, 0);
        text += n;
        text += " мм";
    } else {
        text += ", неопределённой длины";
    }
}

bool contour_member_list(DrawingFile* df, unsigned char* projection, uint32_t number, std::vector<uint32_t>* members,
                     int* kind, int* level) {
    for (ContourInfo& c : all_contours(df, projection)) {
        if (c.number != number) continue;
        if (members) *members = c.members;
        if (kind) *kind = c.kind;
        if (level) *level = c.level;
        return true;
    }
    return false;
}

uint32_t contour_innermost_of_element(DrawingFile* df, unsigned char* projection, uint32_t element, int* level) {
    uint32_t best = 0;
    int best_level = -1;
    for (const ContourInfo& c : all_contours(df, projection)) {
        if (c.kind == contour_kind_hatch || c.level <= best_level) continue;
        for (uint32_t m : c.members) {
            if (m != element) continue;
            best = c.number;
            best_level = c.level;
            break;
        }
    }
    if (level) *level = best ? best_level : 0;
    return best;
}

void contours_add_split_element(DrawingFile* df, unsigned char* projection, uint32_t old_number,
                                uint32_t new_number) {
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* cb = contour_buffer();
    std::vector<uint32_t> targets;
    for (const ContourInfo& c : all_contours(df, projection)) {
        if (!level_kind(c.kind)) continue;
        for (uint32_t m : c.members)
            if (m == old_number) {
                targets.push_back(c.number);
                break;
            }
    }
    for (uint32_t number : targets) {
        // The head record's fields, the members of every chunk.
        Bytes head_rec;
        std::vector<uint32_t> members;
        std::vector<RecordRef> doomed;
        for (unsigned char* c = record_next(df, head, nullptr, cb); c && !error_flag; c = record_next(df, head, c, cb)) {
            uint32_t len = get_u16(c, record_length);
            if (len < contour_head_size || get_u32(c, contour_number) != number) continue;
            if (head_rec.empty() || !is_continuation(c)) {
                if (head_rec.empty() || !is_continuation(c)) head_rec.assign(c, c + contour_head_size);
            }
            uint32_t n = get_u16(c, contour_member_count);
            for (uint32_t i = 0; i < n && contour_members + 4 * i + 4 <= len; ++i)
                members.push_back(get_u32(c, contour_members + 4 * i));
            doomed.push_back(record_ref_of(cb, c));
        }
        if (error_flag || head_rec.empty()) return;
        members.push_back(new_number);
        Bytes whole(contour_head_size + 4 * members.size(), 0);
        std::memcpy(whole.data(), head_rec.data(), contour_head_size);
        put_u16(whole.data(), contour_flags,
                static_cast<uint16_t>(get_u16(whole.data(), contour_flags) &
                                      ~(contour_flag_first_chunk | contour_flag_continuation)));
        put_u16(whole.data(), record_length, static_cast<uint16_t>(whole.size() > 0xFFFF ? 0xFFFF : whole.size()));
        put_u16(whole.data(), contour_member_count, static_cast<uint16_t>(members.size()));
        for (size_t i = 0; i < members.size(); ++i) put_u32(whole.data(), contour_members + 4 * i, members[i]);
        delete_collected_records(df, head, doomed, cb);
        if (error_flag) return;
        contour_record_add(df, head, whole.data());
        if (error_flag) return;
    }
}

uint32_t contour_create_from_marked(DrawingFile* df, unsigned char** projection, int kind,
                                    const ContourHooks& hooks) {
    if (!df || !df->header || !projection || !*projection) return 0;
    // The number first: nothing is flagged for a contour that cannot exist.
    uint32_t counter = get_u32(df->header, header_contour_counter);
    uint32_t limit = get_u32(df->header, header_dword_92);
    if (!(counter < limit - 1)) {
        if (hooks.message) hooks.message("Слишком много контуров");
        else show_program_message("Слишком много контуров");
        return 0;
    }
    // The marked numbers, each once, in chain order.
    RecordRef* eh = projection_chain(*projection, projection_elements);
    PageBuffer* eb = element_buffer();
    std::vector<uint32_t> members;
    std::set<uint32_t> seen;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size) continue;
        if (!(get_u16(e, element_flags) & element_flag_marked)) continue;
        uint32_t n = get_u32(e, element_number);
        if (seen.insert(n).second) members.push_back(n);
    }
    if (error_flag || members.empty()) return 0;
    if (hooks.checkpoint) {
        unsigned char* p = hooks.checkpoint(*projection);
        if (!p) return 0;
        *projection = p;
        eh = projection_chain(*projection, projection_elements);
    }
    uint16_t level = static_cast<uint16_t>(get_u16(*projection, projection_highest_level) + 2);
    Box box = box_empty();
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size || !seen.count(get_u32(e, element_number))) continue;
        uint16_t f = get_u16(e, element_flags);
        f = static_cast<uint16_t>((f | element_flag_contour_member) & ~element_flag_marked);
        put_u16(e, element_flags, f);
        put_u16(e, element_level, level);
        eb->clean = 0;
        if (!(f & element_flag_screen_piece) && element_record_valid(e)) box_add_element(&box, e);
    }
    if (error_flag) return 0;
    uint32_t number = counter + 1;
    put_u32(df->header, header_contour_counter, number);
    Bytes c(contour_head_size + 4 * members.size(), 0);
    put_u16(c.data(), record_length, static_cast<uint16_t>(c.size() > 0xFFFF ? 0xFFFF : c.size()));
    put_u32(c.data(), contour_number, number);
    put_box(c.data(), contour_box, box);
    put_i16(c.data(), contour_level, static_cast<int16_t>(level));
    put_u16(c.data(), contour_flags, static_cast<uint16_t>(kind & contour_flag_kind));
    ShortName name;
    short_name_decimal(number, &name);
    std::memcpy(c.data() + 74, name.text, 6);
    put_u16(c.data(), contour_member_count, static_cast<uint16_t>(members.size()));
    for (size_t i = 0; i < members.size(); ++i) put_u32(c.data(), contour_members + 4 * i, members[i]);
    if (!contour_record_add(df, projection_chain(*projection, projection_contours), c.data()) || error_flag) return 0;
    put_u16(*projection, projection_highest_level, level);
    return number;
}

uint16_t projection_levels_highest(DrawingFile* df, unsigned char* projection) {
    int highest = 0;
    for (const ContourInfo& c : all_contours(df, projection))
        if (c.kind != contour_kind_hatch && c.level > highest) highest = c.level;
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb))
        if (get_u16(e, record_length) >= element_head_size && get_u16(e, element_level) > highest)
            highest = get_u16(e, element_level);
    return static_cast<uint16_t>((highest + 1) & ~1);
}

int contour_delete(DrawingFile* df, unsigned char* projection, uint32_t number) {
    if (!df || !projection) return 0;
    RecordRef* ch = projection_chain(projection, projection_contours);
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* cb = contour_buffer();
    PageBuffer* eb = element_buffer();
    int level = 0;
    bool found = false, used_by_break = false;
    std::vector<RecordRef> doomed;
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
        if (get_u16(c, record_length) < contour_head_size || get_u32(c, contour_number) != number) continue;
        if (!is_continuation(c)) {
            level = get_i16(c, contour_level);
            if (get_u16(c, contour_flags) & contour_flag_break) used_by_break = true;
        }
        found = true;
        doomed.push_back(record_ref_of(cb, c));
    }
    if (!found || error_flag) return 0;
    // 1. Its view break goes with it.
    if (used_by_break) {
        std::vector<RecordRef> breaks;
        std::vector<uint32_t> released;
        bool other_break = false;
        for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
            if (element_kind(e) != element_kind_break || get_u16(e, record_length) != element_size_break) continue;
            if (get_u32(e, element_break_contour) == number) {
                breaks.push_back(record_ref_of(eb, e));
                released.push_back(get_u32(e, element_number));
            } else {
                other_break = true;
            }
        }
        delete_collected_records(df, eh, breaks, eb);
        for (uint32_t n : released) element_number_release(n);
        if (!other_break)
            put_u16(projection, projection_flags, static_cast<uint16_t>(get_u16(projection, projection_flags) & ~0x2000));
    }
    // 2. Its records.
    delete_collected_records(df, ch, doomed, cb);
    if (error_flag) return 0;
    // 3. Contours at or above its level move down.
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
        if (get_u16(c, record_length) < contour_head_size || !level_kind(contour_kind_of(c))) continue;
        int l = get_i16(c, contour_level);
        if (l < level) continue;
        l = l - 2 < 2 ? 2 : l - 2;
        put_i16(c, contour_level, static_cast<int16_t>(l));
        cb->clean = 0;
    }
    // 4. Elements: above the level down by 2; members take their innermost
    // remaining contour's level or stop being members.
    std::map<uint32_t, int> innermost;
    for (const ContourInfo& c : all_contours(df, projection)) {
        if (c.kind == contour_kind_hatch) continue;
        for (uint32_t m : c.members) {
            auto it = innermost.find(m);
            if (it == innermost.end() || it->second < c.level) innermost[m] = c.level;
        }
    }
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size) continue;
        int l = get_u16(e, element_level);
        uint16_t f = get_u16(e, element_flags);
        if (l > level) {
            l = l - 2 < 1 ? 1 : l - 2;
        } else if (f & element_flag_contour_member) {
            auto it = innermost.find(get_u32(e, element_number));
            if (it != innermost.end()) l = it->second;
            else f = static_cast<uint16_t>(f & ~element_flag_contour_member);
        }
        put_u16(e, element_level, static_cast<uint16_t>(l));
        put_u16(e, element_flags, f);
        eb->clean = 0;
    }
    if (error_flag) return 0;
    // 5. The highest level that remains.
    put_u16(projection, projection_highest_level, projection_levels_highest(df, projection));
    return level;
}

int delete_marked_elements(DrawingFile* df, unsigned char** projection, bool fragments, const DeletionHooks& hooks) {
    if (!df || !projection || !*projection) return 0;
    RecordRef* eh = projection_chain(*projection, projection_elements);
    PageBuffer* eb = element_buffer();
    // The numbers to delete, each once, in chain order.
    std::vector<uint32_t> numbers;
    std::set<uint32_t> seen;
    std::vector<uint32_t> bars, break_contours, symbols;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size) continue;
        if (!(get_u16(e, element_flags) & element_flag_marked)) continue;
        uint16_t o = get_u16(e, element_options);
        if ((o & element_opt_bar_outline) && !fragments) continue;
        uint32_t n = get_u32(e, element_number);
        if (!seen.insert(n).second) continue;
        numbers.push_back(n);
        if (o & element_opt_bar_centre) bars.push_back(n);
        if (element_kind(e) == element_kind_symbol) symbols.push_back(n);
        if (element_kind(e) == element_kind_break && get_u16(e, record_length) == element_size_break)
            break_contours.push_back(get_u32(e, element_break_contour));
    }
    if (numbers.empty() || error_flag) return 0;
    if (hooks.checkpoint) {
        unsigned char* p = hooks.checkpoint(*projection);
        if (!p) return 0;
        *projection = p;
        eh = projection_chain(*projection, projection_elements);
    }
    // A deleted break no longer uses its contour.
    RecordRef* ch = projection_chain(*projection, projection_contours);
    PageBuffer* cb = contour_buffer();
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
        if (get_u16(c, record_length) < contour_head_size) continue;
        for (uint32_t b : break_contours)
            if (get_u32(c, contour_number) == b) {
                put_u16(c, contour_flags, static_cast<uint16_t>(get_u16(c, contour_flags) & ~contour_flag_break));
                cb->clean = 0;
            }
    }
    // The contours holding them go first (they set the levels of the rest).
    for (uint32_t n : numbers) {
        int level = 0;
        for (uint32_t c = contour_innermost_of_element(df, *projection, n, &level); c;
             c = contour_innermost_of_element(df, *projection, n, &level)) {
            if (!contour_delete(df, *projection, c) || error_flag) break;
        }
    }
    // Every record of those numbers.
    std::vector<RecordRef> doomed;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb))
        if (get_u16(e, record_length) >= 6 && seen.count(get_u32(e, element_number))) doomed.push_back(record_ref_of(eb, e));
    delete_collected_records(df, eh, doomed, eb);
    if (error_flag) return 0;
    // A deleted symbol's bent picture goes with it (its number is given
    // back and may name another element later).
    for (uint32_t n : symbols) bent_picture_discard(n);
    for (uint32_t n : numbers) {
        element_number_release(n);
        if (hooks.annotations_deleted) hooks.annotations_deleted(*projection, n);
    }
    for (uint32_t b : bars)
        if (hooks.bar_deleted) hooks.bar_deleted(*projection, b);
    // The projection changed; its break flag (word +98 bit 13, which is
    // byte +99 bit 5) stays only while breaks remain.
    uint16_t pf = static_cast<uint16_t>(get_u16(*projection, projection_flags) | 0x0200);
    if (!break_contours.empty()) {
        bool breaks_left = false;
        for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb))
            if (element_kind(e) == element_kind_break) breaks_left = true;
        pf = static_cast<uint16_t>(breaks_left ? (pf | 0x2000) : (pf & ~0x2000));
    }
    put_u16(*projection, projection_flags, pf);
    return static_cast<int>(numbers.size());
}

namespace {

// The first record of element `number` that is not a screening piece.
bool element_head_of(DrawingFile* df, unsigned char* projection, uint32_t number, uint16_t* level, bool* member) {
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size || get_u32(e, element_number) != number) continue;
        if (get_u16(e, element_flags) & element_flag_screen_piece) continue;
        *level = get_u16(e, element_level);
        *member = (get_u16(e, element_flags) & element_flag_contour_member) != 0;
        return true;
    }
    return false;
}

void set_contour_level(DrawingFile* df, unsigned char* projection, uint32_t number, int level) {
    RecordRef* ch = projection_chain(projection, projection_contours);
    PageBuffer* cb = contour_buffer();
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb))
        if (get_u16(c, record_length) >= contour_head_size && get_u32(c, contour_number) == number) {
            put_i16(c, contour_level, static_cast<int16_t>(level));
            cb->clean = 0;
        }
}

}  // namespace

int distribute_levels(DrawingFile* df, unsigned char* projection, uint32_t near_element, bool near_single,
                      uint32_t far_element, bool far_single) {
    if (!df || !projection) return 0;
    uint16_t far_level = 0, near_level = 0;
    bool far_member = false, near_member = false;
    if (!element_head_of(df, projection, far_element, &far_level, &far_member) ||
        !element_head_of(df, projection, near_element, &near_level, &near_member))
        return 0;
    // 1. The reference level of the far side.
    int b = far_level;
    bool far_by_contour = far_member && !far_single;
    if (far_by_contour && !contour_innermost_of_element(df, projection, far_element, &b)) return 0;
    if (b == 0) b = 1;
    // 2. The near side's own level.
    int e = near_level;
    bool near_contour = near_member && !near_single;
    uint32_t near_c = 0;
    if (near_contour && !(near_c = contour_innermost_of_element(df, projection, near_element, &e))) return 0;
    if (e == 0) e = 1;
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    auto set_number_level = [&](uint32_t number, int level) {
        for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb))
            if (get_u16(r, record_length) >= element_head_size && get_u32(r, element_number) == number) {
                put_u16(r, element_level, static_cast<uint16_t>(level));
                eb->clean = 0;
            }
    };
    if (!near_contour) {
        // 3. A single near element goes just in front of the far side.
        set_number_level(near_element, far_by_contour ? b + 1 : b);
    } else if (far_by_contour) {
        // 4. A near contour moves behind the far contour.
        if (b < e) return 0;
        std::vector<uint32_t> members;
        for (const ContourInfo& c : all_contours(df, projection)) {
            if (c.number == near_c) members = c.members;
            else if (c.kind != contour_kind_hatch && c.level > e && c.level <= b)
                set_contour_level(df, projection, c.number, c.level - 2);
        }
        for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb)) {
            if (get_u16(r, record_length) < element_head_size) continue;
            if (get_u16(r, element_flags) & element_flag_screen_piece) continue;
            int l = get_u16(r, element_level);
            bool in_near = std::find(members.begin(), members.end(), get_u32(r, element_number)) != members.end();
            if (in_near) l = l < b ? b : l;
            else if (l > e && l <= b) l -= 2;
            put_u16(r, element_level, static_cast<uint16_t>(l));
            eb->clean = 0;
        }
        set_contour_level(df, projection, near_c, b);
    } else {
        // 5. A single far element goes just behind the near contour.
        set_number_level(far_element, e - 1);
    }
    // 6. Marks cleared, the projection changed, its highest level refreshed.
    for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        if (get_u16(r, element_flags) & element_flag_marked) {
            put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) & ~element_flag_marked));
            eb->clean = 0;
        }
    }
    put_u16(projection, projection_flags, static_cast<uint16_t>(get_u16(projection, projection_flags) | 0x0200));
    put_u16(projection, projection_highest_level, projection_levels_highest(df, projection));
    return error_flag ? 0 : 1;
}

int visibility_level_typed(int typed, int highest) {
    if (typed <= 0) return 1;
    if (typed > highest) return highest + 2;
    return typed;
}

int assign_visibility_level(DrawingFile* df, unsigned char* projection, int level) {
    if (!df || !projection || level <= 0) return 0;
    int loose_level = level % 2 == 0 ? level - 1 : level;
    int whole_level = level % 2 == 0 ? level : level + 1;
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    // The marked numbers.
    std::set<uint32_t> marked;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb))
        if (get_u16(e, record_length) >= element_head_size && (get_u16(e, element_flags) & element_flag_marked) &&
            element_kind(e) != element_kind_symbol)
            marked.insert(get_u32(e, element_number));
    if (marked.empty() || error_flag) return 0;
    // Contours whose members are all marked move as a whole.
    std::vector<ContourInfo> contours = all_contours(df, projection);
    std::set<uint32_t> whole;
    for (const ContourInfo& c : contours) {
        if (c.kind == contour_kind_hatch || c.members.empty()) continue;
        bool all = true;
        for (uint32_t m : c.members) all = all && marked.count(m);
        if (all) whole.insert(c.number);
    }
    std::map<uint32_t, int> new_level;   // element number -> level
    std::set<uint32_t> drop_member, moved_contours;
    for (uint32_t n : marked) {
        uint16_t l = 0;
        bool member = false;
        if (!element_head_of(df, projection, n, &l, &member)) continue;
        int inner_level = 0;
        uint32_t inner = member ? contour_innermost_of_element(df, projection, n, &inner_level) : 0;
        if (inner && whole.count(inner)) {
            moved_contours.insert(inner);
            new_level[n] = whole_level;
        } else {
            if (member && !inner) drop_member.insert(n);
            new_level[n] = loose_level;
        }
    }
    for (uint32_t c : moved_contours) {
        // Make room at the contour level for the moved contour.
        unsigned char head[contour_head_size] = {};
        put_u32(head, contour_number, c);
        drawing_order_make_room(projection, head, static_cast<uint16_t>(whole_level), 0);
        set_contour_level(df, projection, c, whole_level);
    }
    int given = 0;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        if (get_u16(e, record_length) < element_head_size) continue;
        auto it = new_level.find(get_u32(e, element_number));
        if (it == new_level.end()) continue;
        put_u16(e, element_level, static_cast<uint16_t>(it->second));
        if (drop_member.count(it->first))
            put_u16(e, element_flags, static_cast<uint16_t>(get_u16(e, element_flags) & ~element_flag_contour_member));
        eb->clean = 0;
        ++given;
    }
    int highest = get_u16(projection, projection_highest_level);
    uint16_t levels_now = projection_levels_highest(df, projection);
    if (levels_now > highest) highest = levels_now;
    put_u16(projection, projection_highest_level, static_cast<uint16_t>((highest + 1) & ~1));
    return error_flag ? 0 : given;
}
