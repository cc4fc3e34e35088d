#include "documents/upgrades.h"

#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "documents/saving.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const char upgrade_text_3d[] = "%ая версия (содержит 3D)";
const char upgrade_text_unknown[] = "Неизвестная версия файла. Обновите программу";
int (*upgrade_store_fault)() = nullptr;

namespace {

const char text_out_of_memory[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
const char text_damaged[] = "$в структуре данных";
const char text_contours_cut[] =
    "В файле чертежа содержались контуры с большим количеством элементов!";

bool refused_3d(uint32_t v) { return v == 206 || (v >= 300 && v <= 399) || v >= 12450; }

void add(UpgradePlan& p, int step, uint32_t after) {
    if (p.count < 40) {
        p.steps[p.count] = step;
        p.versions_after[p.count] = static_cast<uint16_t>(after);
        ++p.count;
    }
}

}  // namespace

UpgradePlan upgrade_plan(uint32_t v) {
    UpgradePlan p;
    std::memset(&p, 0, sizeof p);
    if (v == drawing_format_version) return p;
    if (v == 1) { add(p, step_header_114, 2); v = 2; }
    if (v < 3) { add(p, step_v2, 3); v = 3; }
    if (v < 4) { add(p, step_header_80, 4); v = 4; }
    if (v < 5) { add(p, step_v4, 5); v = 5; }
    if (v < 6 || v == 8 || v == 9) {
        add(p, step_header_zero_ids, v);
        add(p, step_v5, 6);
        v = 6;
    }
    if (v < 7) { add(p, step_v6, 7); v = 7; }
    if (v < 9 || v == 100) { add(p, step_header_138, 101); v = 101; }
    if (v == 101) {
        add(p, step_header_101, 101);
        add(p, step_v101, 200);
        v = 200;
    }
    if (v == 200) { add(p, step_v200, 201); v = 201; }
    if (v == 201) { add(p, step_v201, 202); v = 202; }
    if (v == 202 || v == 203) { add(p, step_v202, 205); v = 205; }
    if (v == 204) { add(p, step_v204, 205); v = 205; }
    if (v == 12345) { add(p, step_header_160, 12346); v = 12346; }
    if (v == 12346) { add(p, step_v202, 12348); v = 12348; }
    if (v == 12347) { add(p, step_v204, 12348); v = 12348; }
    if (v == 205) {
        add(p, step_header_160, 205);
        add(p, step_v205, 207);
        v = 207;
    }
    if (refused_3d(v)) {
        p.refusal = upgrade_text_3d;
        return p;
    }
    if (v == 207) { add(p, step_header_164, 208); v = 208; }
    if (v == 208) v = 209;
    if (v == 209) v = 210;
    if (v == 210) { add(p, step_v210, 211); v = 211; }
    if (v == 211) v = 212;
    if (refused_3d(v)) {
        p.refusal = upgrade_text_3d;
        return p;
    }
    if (v == 211 || v == 212) { add(p, step_v211, 12355); v = 12355; }
    if (v == 214) { add(p, step_v211, 12357); v = 12357; }
    if (v == 215) { add(p, step_v211, 12358); v = 12358; }
    if (v == 12348) { add(p, step_v12348, 12353); v = 12353; }
    if (v == 12349) v = 12350;
    if (v == 12350 || v == 12351) v = 12352;
    if (v == 12352) v = 12353;
    if (v == 12353) { add(p, step_v12353, 12354); v = 12354; }
    if (v == 12354) v = 12355;
    if (v == 12355) { add(p, step_v12355, 12357); v = 12357; }
    if (v == 12356) { add(p, step_v12356, 12357); v = 12357; }
    if (v == 12357) { add(p, step_v12357, 12358); v = 12358; }
    // Still below the current version (or above it): not a known format.
    if (v != drawing_format_version) p.refusal = upgrade_text_unknown;
    return p;
}

const char* upgrade_step_name(int step) {
    static const char* const names[step_count_] = {
        "",
        "header dword 114",
        "upgrade_v2",
        "header option word 80",
        "upgrade_v4",
        "header identities",
        "upgrade_v5",
        "upgrade_v6",
        "header option words 138 and 140",
        "header fields of version 101",
        "upgrade_v101",
        "upgrade_v200",
        "upgrade_v201",
        "upgrade_v202",
        "upgrade_v204",
        "header picture chain",
        "upgrade_v205",
        "header word 164",
        "upgrade_v210",
        "upgrade_v211",
        "upgrade_v12348",
        "upgrade_v12353",
        "upgrade_v12355",
        "upgrade_v12356",
        "upgrade_v12357",
    };
    return step > 0 && step < step_count_ ? names[step] : "";
}

bool upgrade_step_unknown_layout(int step) {
    switch (step) {
    case step_v2:
    case step_v5:
    case step_v6:
    case step_v101:
    case step_v200:
    case step_v201:
    case step_v202:
    case step_v204:
    case step_v210:
    case step_v211:
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- rebuilds
namespace {

using Record = std::vector<unsigned char>;
// Builds the new form of one old record; an empty result drops the record.
using Convert = bool (*)(const Record& old, Record& out, void* context);

// Copies the chain at *head into memory, builds the new chain completely in
// the file, and only then makes *head point at it and frees the old pages.
// A failure frees what was built of the new chain and leaves the old one as
// it was.  Returns 0 on success.
int chain_rebuild(DrawingFile* df, RecordRef* head, int table, Convert convert, void* context,
                  bool contours) {
    PageBuffer* b = &page_buffers[table];
    std::vector<Record> nodes;
    unsigned char* r = nullptr;
    RecordRef h = *head;
    error_flag = 0;
    try {
        while ((r = record_next(df, &h, r, b)) != nullptr) {
            uint16_t len = get_u16(r, 0);
            nodes.emplace_back(r, r + len);
        }
    } catch (...) {
        show_program_message(text_out_of_memory);
        error_flag = 1;
        return 1;
    }
    if (error_flag) return 1;
    RecordRef fresh = 0;
    bool failed = false;
    for (const Record& old : nodes) {
        Record out;
        // A record shorter than its header (length and key), or one the new
        // layout cannot hold, is damage: the conversion stops and says so.
        if (old.size() < 6 || !convert(old, out, context) ||
            (!out.empty() && (out.size() < 6 || get_u16(out.data(), 0) != out.size()) && !contours)) {
            if (df->path) error_stack_push(df->path);
            show_program_message(text_damaged);
            error_flag = 1;
            failed = true;
            break;
        }
        if (out.empty()) continue;
        if (upgrade_store_fault && upgrade_store_fault()) {
            failed = true;
            break;
        }
        RecordRef got = 0;
        if (contours && out.size() > 2043)
            got = contour_record_add(df, &fresh, out.data());
        else
            got = record_add_at_end(df, &fresh, out.data(), b);
        if (!got || error_flag) {
            failed = true;
            break;
        }
    }
    if (failed) {
        int16_t e = error_flag ? error_flag : 1;
        if (fresh) {
            error_flag = 0;
            page_chain_free(df, &fresh, b);
        }
        error_flag = e;
        return 1;
    }
    RecordRef old = *head;
    *head = fresh;
    if (old) page_chain_free(df, &old, b);
    return error_flag ? 1 : 0;
}

// Rebuilds the chain at chain_off of every projection.
int projection_chains_rebuild(DrawingFile* df, uint32_t chain_off, int table, Convert convert,
                              void* context, bool contours) {
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef phead = get_u32(df->header, header_projections);
    std::vector<RecordRef> projections;
    unsigned char* p = nullptr;
    while ((p = record_next(df, &phead, p, pb)) != nullptr) projections.push_back(record_ref_of(pb, p));
    if (error_flag) return 1;
    for (RecordRef pref : projections) {
        RecordRef ref = pref;
        unsigned char* proj = record_read_at(df, &ref, pb);
        if (!proj) return 1;
        RecordRef head = get_u32(proj, chain_off);
        if (!head) continue;
        if (chain_rebuild(df, &head, table, convert, context, contours)) return 1;
        ref = pref;
        proj = record_read_at(df, &ref, pb);
        if (!proj) return 1;
        put_u32(proj, chain_off, head);
        pb->clean = 0;
    }
    return 0;
}

int header_chain_rebuild(DrawingFile* df, uint32_t head_off, int table, Convert convert, void* context) {
    RecordRef head = get_u32(df->header, head_off);
    if (!head) return 0;
    if (chain_rebuild(df, &head, table, convert, context, false)) return 1;
    put_u32(df->header, head_off, head);
    return 0;
}

void copy_bytes(const Record& old, size_t from, Record& out, size_t to, size_t n) {
    for (size_t i = 0; i < n; ++i)
        out[to + i] = from + i < old.size() ? old[from + i] : 0;
}
uint16_t old_u16(const Record& r, size_t off) { return off + 2 <= r.size() ? get_u16(r.data(), off) : 0; }

// Contours: the older single-record form {count at 68, members from 70}
// becomes the current one {count at 80, members from 82}; every member is
// kept (long lists are stored in chunks).
bool convert_contour(const Record& old, Record& out, void*) {
    uint32_t count = old_u16(old, 68);
    size_t room = old.size() > 70 ? (old.size() - 70) / 4 : 0;
    if (count > room) count = static_cast<uint32_t>(room);
    out.assign(contour_head_size + 4 * static_cast<size_t>(count), 0);
    put_u16(out.data(), 0, static_cast<uint16_t>(out.size() > 0xFFFF ? 0xFFFF : out.size()));
    copy_bytes(old, 2, out, 2, 4);
    copy_bytes(old, 6, out, 6, 32);
    copy_bytes(old, 38, out, 38, 24);
    copy_bytes(old, 62, out, 62, 4);
    uint16_t f = old_u16(old, 66);
    uint16_t nf = static_cast<uint16_t>((f & 0x3) | ((f >> 2) & 0xF) << 3 | ((f >> 6) & 1) << 7);
    put_u16(out.data(), contour_flags, nf);
    put_u16(out.data(), contour_member_count, static_cast<uint16_t>(count));
    copy_bytes(old, 70, out, contour_members, 4 * static_cast<size_t>(count));
    uint32_t key = get_u32(out.data(), 2);
    if (key) {
        char name[16];
        std::snprintf(name, sizeof name, "%u", key);
        std::memcpy(out.data() + 74, name, std::strlen(name) > 6 ? 6 : std::strlen(name));
    }
    return true;
}

// Projection records of version 12353 to the current layout.
bool convert_projection(const Record& old, Record& out, void*) {
    uint16_t name_len = old_u16(old, 142);
    size_t len = static_cast<size_t>(name_len) + projection_record_head;
    if (len > record_max_length) return false;
    out.assign(len, 0);
    put_u16(out.data(), 0, static_cast<uint16_t>(len));
    copy_bytes(old, 2, out, 2, 4);
    copy_bytes(old, 6, out, 6, 28);     // chain heads 6-33
    copy_bytes(old, 34, out, 34, 56);   // dwords 34-89
    copy_bytes(old, 90, out, 90, 8);    // dwords 90, 94
    copy_bytes(old, 102, out, 98, 2);
    put_u16(out.data(), 100, static_cast<uint16_t>((old.size() > 104 ? old[104] : 0) & 0x0F));
    copy_bytes(old, 106, out, 102, 2);
    copy_bytes(old, 108, out, 104, 2);
    put_u16(out.data(), 106, static_cast<uint16_t>(old_u16(old, 110) & 0x07FF));
    copy_bytes(old, 112, out, 108, 12);  // dwords 112, 116, 120 -> 108, 112, 116
    copy_bytes(old, 124, out, 128, 20);  // dwords 124..140 -> 128..144
    put_u16(out.data(), 146, name_len);
    copy_bytes(old, 144, out, 148, 32);
    copy_bytes(old, 176, out, 180, name_len);
    return true;
}

// Points of version 12355: 42-byte records to 48 bytes.
bool convert_point_12355(const Record& old, Record& out, void*) {
    out.assign(point_record_size, 0);
    put_u16(out.data(), 0, point_record_size);
    copy_bytes(old, 2, out, 2, 4);
    copy_bytes(old, 6, out, 6, 2);
    copy_bytes(old, 8, out, 8, 2);
    put_u16(out.data(), 10, 0);
    copy_bytes(old, 10, out, 12, 32);
    return true;
}

// Points of version 12356.
bool convert_point_12356(const Record& old, Record& out, void*) {
    out.assign(point_record_size, 0);
    size_t keep = old.size() < point_record_size ? old.size() : size_t{point_record_size};
    copy_bytes(old, 0, out, 0, keep);
    put_u16(out.data(), 0, point_record_size);
    put_u16(out.data(), 10, static_cast<uint16_t>(old_u16(old, 10) & ~0x0002));
    put_u32(out.data(), point_zero, 0);
    return true;
}

// Pictures of version 12357 (kind 10) to the 74-byte layout; others stay.
bool convert_picture(const Record& old, Record& out, void*) {
    // A record too short for its kind byte is damage, not a record to keep.
    if (old.size() < 7) return false;
    if (old[6] != 10) {
        out = old;
        return true;
    }
    out.assign(picture_record_size, 0);
    put_u16(out.data(), 0, picture_record_size);
    copy_bytes(old, 2, out, 2, 4);
    out[6] = 10;
    uint8_t b7 = old.size() > 7 ? old[7] : 0;
    out[7] = static_cast<uint8_t>((((b7 & 3) - 1) & 3) | (b7 & 0x0C));
    copy_bytes(old, 8, out, 10, 4);
    copy_bytes(old, 12, out, 14, 4);
    copy_bytes(old, 16, out, 18, 24);
    copy_bytes(old, 40, out, 50, 8);
    copy_bytes(old, 48, out, 58, 8);
    if (old.size() >= 64) copy_bytes(old, 56, out, 66, 8);
    return true;
}

int run_points_12355(DrawingFile* df) {
    if (projection_chains_rebuild(df, projection_points, table_points, convert_point_12355, nullptr,
                                  false))
        return 1;
    // Points that a Bezier element names as control points get bit 0 of byte 10.
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef phead = get_u32(df->header, header_projections);
    std::vector<RecordRef> projections;
    unsigned char* p = nullptr;
    while ((p = record_next(df, &phead, p, pb)) != nullptr) projections.push_back(record_ref_of(pb, p));
    for (RecordRef pref : projections) {
        RecordRef ref = pref;
        unsigned char* proj = record_read_at(df, &ref, pb);
        if (!proj) return 1;
        RecordRef elements = get_u32(proj, projection_elements);
        RecordRef points = get_u32(proj, projection_points);
        std::vector<uint32_t> named;
        unsigned char* e = nullptr;
        PageBuffer* eb = &page_buffers[table_elements];
        while ((e = record_next(df, &elements, e, eb)) != nullptr) {
            if (get_u16(e, 0) >= 30 && (e[10] & 0x0F) == element_kind_bezier) {
                named.push_back(get_u32(e, 22));
                named.push_back(get_u32(e, 26));
            }
        }
        PageBuffer* b = &page_buffers[table_points];
        for (uint32_t n : named) {
            if (!n) continue;
            RecordRef from = 0;
            unsigned char* pt = record_find_key(df, &points, n, &from, b);
            if (pt) {
                pt[10] |= 1;
                b->clean = 0;
            }
        }
        if (error_flag) return 1;
    }
    put_u32(df->header, header_user_format_width, 0);
    put_u32(df->header, header_user_format_height, 0);
    put_f32(df->header, header_float_214, 0.5f);
    std::memset(df->header + header_stamp, 0, 40);
    uint16_t words[20] = {0};
    text_pack_words(static_cast<int>(std::strlen("Преобразован из версии 12355")),
                    "Преобразован из версии 12355", words, 20, 2);
    for (int i = 0; i < 20; ++i) put_u16(df->header, header_stamp + 2 * i, words[i]);
    return 0;
}

int run_pictures_12357(DrawingFile* df) {
    if (header_chain_rebuild(df, header_pictures, table_pictures, convert_picture, nullptr)) return 1;
    // Construction records of kinds 20 and 24 are no longer used.
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef phead = get_u32(df->header, header_projections);
    std::vector<RecordRef> projections;
    unsigned char* p = nullptr;
    while ((p = record_next(df, &phead, p, pb)) != nullptr) projections.push_back(record_ref_of(pb, p));
    PageBuffer* cb = &page_buffers[table_construction];
    for (RecordRef pref : projections) {
        for (;;) {
            RecordRef ref = pref;
            unsigned char* proj = record_read_at(df, &ref, pb);
            if (!proj) return 1;
            RecordRef head = get_u32(proj, projection_construction);
            unsigned char* c = nullptr;
            RecordRef victim = 0;
            while ((c = record_next(df, &head, c, cb)) != nullptr)
                if (c[6] == 20 || c[6] == 24) {
                    victim = record_ref_of(cb, c);
                    break;
                }
            if (!victim) break;
            RecordRef h = get_u32(proj, projection_construction);
            record_delete(df, &h, victim, cb);
            if (error_flag) return 1;
            ref = pref;
            proj = record_read_at(df, &ref, pb);
            if (!proj) return 1;
            put_u32(proj, projection_construction, h);
            pb->clean = 0;
        }
    }
    put_u16(df->header, header_options2,
            static_cast<uint16_t>(get_u16(df->header, header_options2) & ~0x0080));
    return 0;
}

struct ContourCount {
    bool long_lists;
};

bool convert_contour_counting(const Record& old, Record& out, void* ctx) {
    if (old_u16(old, 68) > contour_chunk_members) static_cast<ContourCount*>(ctx)->long_lists = true;
    return convert_contour(old, out, ctx);
}

}  // namespace

int upgrade_run(DrawingFile* df, const UpgradePlan& plan) {
    if (!df || plan.refusal) return 1;
    for (int i = 0; i < plan.count; ++i) {
        int step = plan.steps[i];
        if (upgrade_step_unknown_layout(step)) return 1;
        error_flag = 0;
        int failed = 0;
        bool saves = true;
        switch (step) {
        case step_header_114:
            put_u32(df->header, 114, 0);
            saves = false;
            break;
        case step_header_160:
            put_u32(df->header, header_pictures, 0);
            saves = false;
            break;
        case step_header_164:
            put_u16(df->header, header_word_164, 1);
            saves = false;
            break;
        case step_header_zero_ids:
            for (uint32_t off : {118u, 122u, 126u, 134u}) put_u32(df->header, off, 0);
            saves = false;
            break;
        case step_header_138:
            put_u16(df->header, 138, static_cast<uint16_t>(get_u16(df->header, 138) & 0xE7FE));
            put_u16(df->header, 140, static_cast<uint16_t>(get_u16(df->header, 140) & 0x1FFF));
            saves = false;
            break;
        case step_header_101:
            put_u32(df->header, 142, 0);
            put_u32(df->header, 146, 0);
            put_u16(df->header, 150, 0);
            put_u16(df->header, 6, 0);
            saves = false;
            break;
        case step_header_80: {
            uint16_t s187 = settings_block ? get_u16(settings_block, 187) : 0;
            uint16_t s189 = settings_block ? get_u16(settings_block, 189) : 0;
            uint16_t w = get_u16(df->header, 80);
            w = static_cast<uint16_t>((w & ~0x3FC0) | (s187 & 0xF) << 10 | (s189 & 0xF) << 6);
            put_u16(df->header, 80, w);
            saves = false;
            break;
        }
        case step_v4: {
            // Unreached: every version below 5 first needs a converter whose
            // old layouts are not known.
            failed = 1;
            break;
        }
        case step_v12348: {
            ContourCount cc{false};
            failed = projection_chains_rebuild(df, projection_contours, table_contours,
                                               convert_contour_counting, &cc, true);
            if (!failed && cc.long_lists) {
                // All members are kept (stored in chunks); the user is told
                // that the contours changed form.
                put_u16(df->header, header_version, plan.versions_after[i]);
                drawing_save();
                show_program_message(text_contours_cut);
                error_flag = 0;
                continue;
            }
            break;
        }
        case step_v205:
            failed = projection_chains_rebuild(df, projection_contours, table_contours, convert_contour,
                                               nullptr, true);
            break;
        case step_v12353:
            failed = header_chain_rebuild(df, header_projections, table_projections, convert_projection,
                                          nullptr);
            break;
        case step_v12355:
            failed = run_points_12355(df);
            break;
        case step_v12356:
            failed = projection_chains_rebuild(df, projection_points, table_points, convert_point_12356,
                                               nullptr, false);
            break;
        case step_v12357:
            failed = run_pictures_12357(df);
            break;
        default:
            failed = 1;
            break;
        }
        if (failed || error_flag) {
            if (!error_flag) error_flag = 1;
            return 1;
        }
        put_u16(df->header, header_version, plan.versions_after[i]);
        if (saves) {
            drawing_save();
            if (error_flag) return 1;
        }
    }
    return 0;
}
