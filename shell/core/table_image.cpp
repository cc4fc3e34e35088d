// The graphic image of a table: pages copied from template fragments, their
// cell placeholders filled with the table's cells.
#include "shell/core/table_image.h"

#include "annotation/annotation_properties.h"
#include "annotation/text_fragment_cell.h"
#include "annotation/text_fragment_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "model/tables.h"
#include "output/fragment_records.h"
#include "output/page_sheets.h"
#include "output/sheets.h"
#include "render/text/stroke_font.h"
#include "shell/core/projection_records.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

const char* const table_image_no_templates = "Не заданы шаблоны таблицы";

namespace {

using Bytes = std::vector<uint8_t>;

const char* const structure_error = "ОШИБКА в структуре данных";

enum : uint16_t {
    projection_type_fragment = 8,
    dimension_hidden = 0x0008,  // DimensionRecord +36 bit 3: not shown
    label_hidden = 0x1000       // DimensionTextRecord flags bit 12: not shown
};

// The length of the mark that `s` has at `at`, 0 for none.
size_t mark_at(const std::string& s, size_t at, const char* const* marks, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        size_t n = std::strlen(marks[i]);
        if (s.compare(at, n, marks[i]) == 0) return n;
    }
    return 0;
}

// Reads a decimal number of 1..9 digits at `at`; advances `at`.
bool number_at(const std::string& s, size_t* at, uint32_t* out) {
    size_t b = *at, e = b;
    while (e < s.size() && s[e] >= '0' && s[e] <= '9' && e - b < 9) ++e;
    if (e == b || (e < s.size() && s[e] >= '0' && s[e] <= '9')) return false;
    *out = static_cast<uint32_t>(std::stoul(s.substr(b, e - b)));
    *at = e;
    return true;
}

// The name packed in mode 3 into a zeroed 32-byte buffer (as projection
// titles are kept); its packed length, at most 31.
int packed_title(const std::string& name, uint8_t out[32]) {
    uint16_t words[16] = {};
    int bytes = name.empty() ? 0 : text_pack_words(static_cast<int>(name.size()), name.c_str(), words, 16, 3);
    bytes = std::max(0, std::min(bytes, 31));
    std::memset(out, 0, 32);
    std::memcpy(out, words, static_cast<size_t>(bytes));
    return bytes;
}

RecordRef* projections_head(DrawingFile* df) { return reinterpret_cast<RecordRef*>(df->header + header_projections); }

// A copy of the stored projection `number`; empty when there is none.
Bytes projection_copy(DrawingFile* df, uint32_t number) {
    unsigned char* p = record_find_key(df, projections_head(df), number, nullptr, &page_buffers[table_projections]);
    if (!p) return Bytes();
    return Bytes(p, p + get_u16(p, record_length));
}

// The view (not a fragment) whose title packs like `name`, or 0.
RecordRef find_view(DrawingFile* df, const std::string& name) {
    uint8_t want[32];
    packed_title(name, want);
    PageBuffer* buf = &page_buffers[table_projections];
    RecordRef* head = projections_head(df);
    for (unsigned char* p = record_next(df, head, nullptr, buf); p && !error_flag; p = record_next(df, head, p, buf)) {
        if ((get_u16(p, projection_flags) & projection_flag_type_mask) == projection_type_fragment) continue;
        uint8_t have[32] = {};
        int n = std::min<int>(get_u16(p, projection_title_length), 31);
        std::memcpy(have, p + projection_title, static_cast<size_t>(n));
        if (std::memcmp(have, want, 32) == 0) return record_ref_of(buf, p);
    }
    return 0;
}

// A new, empty general view named `name` with the template's scale; its
// reference, or 0.
RecordRef new_page_projection(DrawingFile* df, const std::string& name, double scale) {
    uint32_t number = 0;
    for (const ProjectionEntry& e : projection_chain_entries(df)) number = std::max(number, e.number);
    ++number;
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, number, projection_flag_no_sketch);
    uint8_t packed[32];
    int n = packed_title(name, packed);
    std::memcpy(rec + projection_title, packed, 32);
    put_u16(rec, projection_title_length, static_cast<uint16_t>(n));
    if (scale > 0 && std::isfinite(scale)) put_f64(rec, projection_scale, scale);
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef ref = record_add(df, &head, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, head);
    if (ref && get_u32(df->header, header_counters) < number) put_u32(df->header, header_counters, number);
    return error_flag ? 0 : ref;
}

// Every record of one chain of the projection copy `p`.
std::vector<Bytes> chain_records(DrawingFile* df, uint8_t* p, uint32_t chain, int table) {
    std::vector<Bytes> out;
    RecordRef* head = reinterpret_cast<RecordRef*>(p + chain);
    PageBuffer* buf = &page_buffers[table];
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf))
        out.emplace_back(r, r + get_u16(r, record_length));
    return out;
}

// The highest placeholder row of a template (its rows per page).
uint32_t template_rows(DrawingFile* df, Bytes& tmpl) {
    uint32_t rows = 0;
    for (const Bytes& a : chain_records(df, tmpl.data(), projection_annotations, table_annotation)) {
        if (a.size() < text_fragment_head || a[record_kind] != annotation_text_fragment) continue;
        CellPlaceholder c;
        if (cell_placeholder_parse(record_text(a.data(), text_fragment_head), &c)) rows = std::max(rows, c.row);
    }
    return rows;
}

// Where a text of `length` starts along a cell [lo, hi] with `margin` to
// its lines.  `reversed`: the text runs toward lo (turned text), so its
// start is at hi.  Returns the lower end of the text.
double along_start(double lo, double hi, double margin, double length, int alignment, bool reversed) {
    if (alignment == 1) return (lo + hi) / 2 - length / 2;
    bool at_lo = (alignment == 2) == reversed;
    return at_lo ? lo + margin : hi - margin - length;
}

// Fills one placeholder record: its text, its box in the cell.  False when
// the text does not fit a record (the placeholder is then dropped).
bool fill_placeholder(uint8_t* projection, const Bytes& old, const std::string& cell_text, const TableImageRequest& rq,
                      Bytes* out) {
    const uint16_t flags = get_u16(old.data(), annotation_flags);
    const int size = std::min((flags >> 2) & 0x0F, 9);
    select_text_font(size, (flags >> 1) & 1, flags & 1);
    const double step = text_line_step(size);
    const double m = sheet_to_model_length(1.24);
    const bool turned = get_f64(old.data(), text_fragment_angle) != 0.0;
    auto f32 = [&](uint32_t at) { return static_cast<double>(get_f32(old.data(), at)); };

    // The cell around the placeholder; its own frame when it has none.
    Point2 centre{(f32(text_fragment_frame1) + f32(text_fragment_frame2)) / 2,
                  (f32(text_fragment_frame1 + 4) + f32(text_fragment_frame2 + 4)) / 2};
    Box cell{};
    if (!text_cell_around(projection, centre, &cell))
        cell = Box{std::min(f32(text_fragment_frame1), f32(text_fragment_frame2)),
                   std::min(f32(text_fragment_frame1 + 4), f32(text_fragment_frame2 + 4)),
                   std::max(f32(text_fragment_frame1), f32(text_fragment_frame2)),
                   std::max(f32(text_fragment_frame1 + 4), f32(text_fragment_frame2 + 4))};
    const double lo = turned ? cell.min_y : cell.min_x;
    const double hi = turned ? cell.max_y : cell.max_x;
    const double across_lo = turned ? cell.min_x : cell.min_y;
    const double across_hi = turned ? cell.max_x : cell.max_y;
    const bool along_fixed = (flags & (turned ? 0x8000 : 0x4000)) != 0;
    const bool across_fixed = (flags & (turned ? 0x4000 : 0x8000)) != 0;

    std::string prefix;
    if (rq.font_register >= 1 && rq.font_register <= 7) prefix = "@" + std::to_string(rq.font_register);
    std::vector<std::string> lines;
    if (rq.wrap) {
        auto measure = [&](const std::string& s) {
            double w = 0, h = 0;
            measure_text((prefix + s).c_str(), &w, &h);
            return w;
        };
        lines = cell_text_wrap(cell_text, hi - lo - 2 * m, measure);
    } else {
        lines.push_back(cell_text);
    }
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\\n" : "") + prefix + lines[i];

    const char* refusal = nullptr;
    if (!text_fragment_build(old.data(), text, out, &refusal)) return false;
    uint8_t* r = out->data();
    double width = 0, height = 0, depth = 0;
    int count = measure_multiline_text(text.c_str(), &width, &height, step, &depth);

    // Along the text: the whole cell when the width is fixed (the lines
    // stand in it by the alignment), else the text's own length placed by
    // the alignment.
    double a1, a2;
    if (along_fixed) {
        a1 = lo + m;
        a2 = hi - m;
    } else {
        a1 = along_start(lo, hi, m, width, r[text_fragment_alignment], turned);
        a2 = a1 + width;
    }
    // Across: centred, or the whole cell when that size is fixed.
    double b1, b2;
    if (across_fixed && across_hi - across_lo - 2 * m >= height) {
        b1 = across_lo + m;
        b2 = across_hi - m;
    } else {
        b1 = (across_lo + across_hi) / 2 - height / 2;
        b2 = b1 + height;
    }
    double baseline = b2 - depth - ((b2 - b1) - height) / 2;
    auto put = [&](uint32_t at, double along, double across) {
        put_f32(r, turned ? at + 4 : at, static_cast<float>(along));
        put_f32(r, turned ? at : at + 4, static_cast<float>(across));
    };
    put(text_fragment_corner1, a1, b1);
    put(text_fragment_corner2, a2, b2);
    put(text_fragment_frame1, a1 - m, b1 - m);
    put(text_fragment_frame2, a2 + m, b2 + m);
    put_f32(r, text_fragment_baseline, static_cast<float>(baseline));
    put_u16(r, text_fragment_lines, static_cast<uint16_t>(std::max(count, 1)));
    return true;
}

// The page's dimensions hidden and its annotation rewritten: dimension
// labels hidden, placeholders filled or dropped.  Returns the placeholders
// filled, -1 on a store failure.
int fill_page(DrawingFile* df, uint8_t* p, uint32_t table, uint32_t page, uint32_t first, uint32_t next,
              const TableImageRequest& rq) {
    PageBuffer* dbuf = &page_buffers[table_dimensions];
    RecordRef* dims = reinterpret_cast<RecordRef*>(p + projection_dimensions);
    for (unsigned char* d = record_next(df, dims, nullptr, dbuf); d && !error_flag; d = record_next(df, dims, d, dbuf)) {
        put_u16(d, dimension_value_word, static_cast<uint16_t>(get_u16(d, dimension_value_word) | dimension_hidden));
        dbuf->clean = 0;
    }
    if (error_flag) return -1;

    std::vector<Bytes> annotation = chain_records(df, p, projection_annotations, table_annotation);
    if (error_flag) return -1;
    std::vector<Bytes> kept;
    int filled = 0;
    for (Bytes& a : annotation) {
        if (a.size() > annotation_flags + 1 && a[record_kind] == annotation_dimension_text) {
            put_u16(a.data(), annotation_flags, static_cast<uint16_t>(get_u16(a.data(), annotation_flags) | label_hidden));
            kept.push_back(a);
            continue;
        }
        CellPlaceholder c;
        if (a.size() < text_fragment_head || a[record_kind] != annotation_text_fragment ||
            !cell_placeholder_parse(record_text(a.data(), text_fragment_head), &c)) {
            kept.push_back(a);
            continue;
        }
        uint32_t row = table_image_table_row(page, c.row, first, next);
        std::string text;
        if (c.column > 0xFFFF || row > table_row_max ||
            !table_cell_at(df, table, static_cast<uint16_t>(c.column), static_cast<uint16_t>(row), &text))
            text.clear();
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (error_flag) return -1;
        Bytes filled_rec;
        if (text.empty() || !fill_placeholder(p, a, text, rq, &filled_rec)) continue;
        kept.push_back(std::move(filled_rec));
        ++filled;
    }
    // The chain built again in its order (the head kept aligned here).
    RecordRef head = get_u32(p, projection_annotations);
    PageBuffer* abuf = &page_buffers[table_annotation];
    page_chain_free(df, &head, abuf);
    head = 0;
    bool ok = !error_flag;
    for (size_t i = 0; ok && i < kept.size(); ++i) ok = record_add_at_end(df, &head, kept[i].data(), abuf) && !error_flag;
    put_u32(p, projection_annotations, head);
    return ok ? filled : -1;
}

}  // namespace

bool cell_placeholder_parse(const std::string& raw, CellPlaceholder* out) {
    static const char* const column_marks[] = {"к", "К", "c", "C"};
    static const char* const row_marks[] = {"с", "С", "r", "R"};
    size_t b = raw.find_first_not_of(' ');
    if (b == std::string::npos) return false;
    std::string s = raw.substr(b, raw.find_last_not_of(' ') - b + 1);
    if (s.size() < 5 || s[0] != '!') return false;
    size_t at = 1;
    CellPlaceholder c;
    size_t n = mark_at(s, at, column_marks, 4);
    if (!n) return false;
    at += n;
    if (!number_at(s, &at, &c.column) || at >= s.size() || !(n = mark_at(s, at, row_marks, 4))) return false;
    at += n;
    if (!number_at(s, &at, &c.row) || at != s.size() || c.column == 0 || c.row == 0) return false;
    *out = c;
    return true;
}

int table_image_page_count(uint32_t rows, uint32_t first, uint32_t next) {
    if (rows <= first) return 1;
    if (next == 0) return -1;
    uint64_t rest = rows - first;
    return static_cast<int>(std::min<uint64_t>(1 + (rest + next - 1) / next, 0x7FFFFFFF));
}

uint32_t table_image_table_row(uint32_t page, uint32_t row, uint32_t first, uint32_t next) {
    uint64_t r = page <= 1 ? uint64_t(row) - 1 : uint64_t(first) + uint64_t(page - 2) * next + row - 1;
    return static_cast<uint32_t>(std::min<uint64_t>(r, 0xFFFFFFFF));
}

std::vector<std::string> cell_text_wrap(const std::string& text, double width,
                                        const std::function<double(const std::string&)>& measure) {
    if (!(width > 0)) return {text};
    std::vector<std::string> lines;
    // Paragraphs end at the stored break "\n".
    size_t start = 0;
    while (true) {
        size_t brk = text.find("\\n", start);
        std::string para = text.substr(start, brk == std::string::npos ? std::string::npos : brk - start);
        std::vector<std::string> words;
        for (size_t i = 0; i < para.size();) {
            if (para[i] == ' ') {
                ++i;
                continue;
            }
            size_t j = para.find(' ', i);
            if (j == std::string::npos) j = para.size();
            words.push_back(para.substr(i, j - i));
            i = j;
        }
        if (measure(para) <= width || words.empty()) {
            lines.push_back(para);
        } else {
            std::string line;
            for (std::string word : words) {
                std::string joined = line.empty() ? word : line + " " + word;
                if (measure(joined) <= width) {
                    line = joined;
                    continue;
                }
                if (!line.empty()) lines.push_back(line);
                line.clear();
                // A word too long for a line: cut where it still fits, never
                // inside a variable reference and never before its first unit.
                while (measure(word) > width) {
                    size_t cut = 0, depth = 0;
                    for (size_t k = 0; k < word.size(); ++k) {
                        if (word[k] == '{') ++depth;
                        if (word[k] == '}' && depth) --depth;
                        if (depth == 0 && k + 1 < word.size() && measure(word.substr(0, k + 1)) <= width) cut = k + 1;
                        if (depth == 0 && measure(word.substr(0, k + 1)) > width) break;
                    }
                    if (cut == 0) {
                        // Not even the first unit fits: it takes a line of its own.
                        size_t k = 0, d = 0;
                        do {
                            if (word[k] == '{') ++d;
                            if (word[k] == '}' && d) --d;
                            ++k;
                        } while (k < word.size() && d > 0);
                        cut = k;
                    }
                    if (cut >= word.size()) break;
                    lines.push_back(word.substr(0, cut));
                    word = word.substr(cut);
                }
                line = word;
            }
            if (!line.empty()) lines.push_back(line);
        }
        if (brk == std::string::npos) break;
        start = brk + 2;
    }
    return lines;
}

std::vector<TemplateFragment> table_image_fragments(DrawingFile* df) {
    std::vector<TemplateFragment> out;
    if (!df) return out;
    PageBuffer* buf = &page_buffers[table_projections];
    RecordRef* head = projections_head(df);
    for (unsigned char* p = record_next(df, head, nullptr, buf); p && !error_flag; p = record_next(df, head, p, buf)) {
        if ((get_u16(p, projection_flags) & projection_flag_type_mask) != projection_type_fragment) continue;
        int n = std::min<int>(get_u16(p, projection_title_length), 32);
        uint16_t words[16] = {};
        std::memcpy(words, p + projection_title, static_cast<size_t>(n));
        char title[160] = "";
        int got = n > 0 ? text_unpack_words(n, words, title, sizeof title - 1, 3) : 0;
        std::string t(title, got > 0 ? static_cast<size_t>(got) : 0);
        while (!t.empty() && (t.back() == ' ' || t.back() == 0)) t.pop_back();
        out.push_back({get_u32(p, record_key), t});
    }
    return out;
}

std::string table_image_page_name(uint32_t page, const std::string& table) {
    return std::to_string(page) + " " + table;
}

TableImageResult table_image_build(DrawingFile* df, const TableImageRequest& rq) {
    TableImageResult out;
    if (!df || !rq.table) {
        out.message = structure_error;
        return out;
    }
    std::string name;
    uint32_t rows = 0;
    bool found = false;
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_table && r.key == rq.table) {
            name = r.text;
            rows = r.row;
            found = true;
        }
    if (!found || error_flag) {
        out.message = structure_error;
        return out;
    }
    Bytes first = rq.first_template ? projection_copy(df, rq.first_template) : Bytes();
    Bytes next = rq.next_template ? projection_copy(df, rq.next_template) : Bytes();
    if (first.size() < projection_title) {
        out.message = table_image_no_templates;
        return out;
    }
    uint32_t first_rows = template_rows(df, first);
    uint32_t next_rows = next.size() >= projection_title ? template_rows(df, next) : 0;
    if (error_flag) {
        out.message = structure_error;
        return out;
    }
    int pages = table_image_page_count(rows, first_rows, next_rows);
    if (pages < 0) {
        out.message = table_image_no_templates;
        return out;
    }
    // Each page takes a sheet of its own: no more pages than sheet numbers.
    if (pages > static_cast<int>(sheet_number_max)) {
        out.message = sheet_message_too_many;
        return out;
    }
    PageBuffer* pbuf = &page_buffers[table_projections];
    for (uint32_t page = 1; page <= static_cast<uint32_t>(pages); ++page) {
        const Bytes& source = page == 1 ? first : next;
        std::string page_name = table_image_page_name(page, name);
        RecordRef ref = find_view(df, page_name);
        bool created = false;
        if (ref) {
            if (rq.replace && !rq.replace(page_name)) continue;
            ref = find_view(df, page_name);  // the question may have let the chain move
            if (!ref || projection_clear_contents(df, ref) != 0) {
                out.message = structure_error;
                return out;
            }
        } else {
            ref = new_page_projection(df, page_name, get_f64(source.data(), projection_scale));
            created = true;
        }
        unsigned char* stored = ref ? record_read_at(df, &ref, pbuf) : nullptr;
        if (!stored || error_flag) {
            out.message = structure_error;
            return out;
        }
        uint8_t p[projection_record_max] = {};
        uint32_t len = std::min<uint32_t>(get_u16(stored, record_length), sizeof p);
        std::memcpy(p, stored, len);
        // A page of its own; the following pages continue the first.
        uint16_t marks = get_u16(p, projection_page_flags);
        marks = static_cast<uint16_t>((marks & ~page_projection_continues) | page_projection_mark |
                                      (page > 1 ? page_projection_continues : 0));
        put_u16(p, projection_page_flags, marks);
        put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) & ~projection_flag_construct));

        FragmentCopyRequest copy;
        int filled = insert_fragment_records(df, p, source.data(), df, copy, nullptr) == 0 && !error_flag
                         ? fill_page(df, p, rq.table, page, first_rows, next_rows, rq)
                         : -1;
        if (filled >= 0) projection_compute_extents(p, 0);
        // The copy's chain heads go back into the stored record, whatever happened.
        stored = record_read_at(df, &ref, pbuf);
        if (stored) {
            std::memcpy(stored, p, len);
            pbuf->clean = 0;
        }
        if (filled < 0 || !stored || error_flag) {
            out.message = structure_error;
            return out;
        }
        out.texts += filled;
        out.pages.push_back(get_u32(p, record_key));
        if (created) out.created.push_back(get_u32(p, record_key));
    }
    return out;
}
