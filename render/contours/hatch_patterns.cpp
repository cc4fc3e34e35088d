// The hatch kinds and their pattern generators.
#include "render/contours/hatch_patterns.h"

#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cmath>
#include <cstring>
#include <new>

HatchKind hatch_kinds[hatch_kind_count] = {
    {0, nullptr, {0, nullptr, 0.0f}, {0, nullptr, 0.0f}, " нет штриховки"},
    {1, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " металлы"},
    {2, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " неметаллы"},
    {3, nullptr, {0, "Интервал: ", 2.5f}, {0, nullptr, 0.0f}, " дерево"},
    {4, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " камень"},
    {5, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " керамика"},
    {6, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " бетон"},
    {7, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 5.0f}, " стекло"},
    {8, nullptr, {0, "Интервал: ", 2.5f}, {0, nullptr, 0.0f}, " жидкость"},
    {9, nullptr, {hatch_unit_angle, "Наклон: ", 0.7853982f}, {0, "Интервал: ", 2.5f}, " грунт"},
    {10, nullptr, {0, nullptr, 0.0f}, {0, nullptr, 0.0f}, " зачернить"},
    {11, nullptr, {0, "Интервал: ", 1.25f}, {0, nullptr, 0.0f}, " песок"},
    {12, nullptr, {0, "Интервал: ", 1.25f}, {0, nullptr, 0.0f}, " засыпка"},
    {13, nullptr, {0, "Шаг X: ", 2.5f}, {0, "Шаг Y: ", 2.5f}, " штриховка\n пользователя"},
};

void hatch_kinds_install() {
    static const HatchGenerator generators[hatch_kind_count] = {
        nullptr,           hatch_gen_metals, hatch_gen_nonmetals, hatch_gen_wood,     hatch_gen_stone,
        hatch_gen_ceramics, hatch_gen_concrete, hatch_gen_glass,  hatch_gen_liquid,   hatch_gen_ground,
        hatch_gen_black,   hatch_gen_sand,   hatch_gen_backfill,  hatch_gen_user};
    for (int i = 0; i < hatch_kind_count; ++i) hatch_kinds[i].generator = generators[i];
}

const HatchKind* hatch_kind_by_code(int code) {
    for (const HatchKind& k : hatch_kinds)
        if (k.code == code) return &k;
    return nullptr;
}

namespace {

// The most lines (or rings) a pattern may lay across the projection's frame.
constexpr double hatch_max_lines = 20000;

void report_bad_parameter() {
    error_stack_clear();
    // '%' expands to "недопустим": the message reads "недопустимый параметр штриховки".
    show_program_message("%ый параметр штриховки");
    error_flag = 1;
}

void report_no_memory() {
    show_program_message(kernel_context().out_of_memory_text);
    error_flag = 1;
}

struct LineFamily {
    bool sloped;
    double c, s, h, d;
    double x0, x1;  // sloped: current and last x at the anchor's max y
    double y0, y1;  // horizontal: current and last y
    Box anchor;
};

// Sine and cosine with the exact values at the axes.
void snapped_sin_cos(double a, double* s, double* c) {
    *s = std::sin(a);
    *c = std::cos(a);
    if (compare_doubles(*s, 1.0) == 0) {
        *s = 1.0;
        *c = 0.0;
    } else if (compare_doubles(*s, 0.0) == 0) {
        *s = 0.0;
        *c = 1.0;
    }
}

void put_segment(uint8_t* out, Point2 a, Point2 b) {
    std::memset(out, 0, element_size2);
    put_u16(out, record_length, element_size2);
    put_u16(out, element_flags, hatch_piece_segment_flags);
    put_point2(out, element_coords2, a);
    put_point2(out, element_coords2 + 16, b);
}

void put_circle(uint8_t* out, Point2 on, Point2 centre) {
    std::memset(out, 0, element_size2);
    put_u16(out, record_length, element_size2);
    put_u16(out, element_flags, hatch_piece_circle_flags);
    put_point2(out, element_coords2, on);
    put_point2(out, element_coords2 + 16, centre);
}

// Angle reduction of the dashed patterns: into [0, pi), an angle parallel to
// the x axis exactly 0.
double reduce_angle(double a) {
    const double two_pi = 2 * k_pi();
    while (a > two_pi) a -= two_pi;
    while (a < -two_pi) a += two_pi;
    if (a < 0 && a > -k_pi()) a += k_pi();
    if (a <= -k_pi()) a += 2 * k_pi();
    if (a >= k_pi()) a -= k_pi();
    if (compare_doubles(std::sin(a), 0.0) == 0) a = 0;
    return a;
}

// What the dashed patterns lay along each base line, repeated: each step a
// dash, a gap, a dot or a glass group of the given length.
enum StepKind { step_gap, step_dash, step_dot, step_glass };
struct Step {
    StepKind kind;
    double length;
};

// One generator's progress.  Every generator keeps this one struct, so that
// a state left behind can be freed without knowing its generator.
struct GeneratorState {
    void* family;          // line-family state
    int phase;             // nonmetals: which family; wood: started
    int line_count;        // base lines taken so far
    bool on_line;
    Segment line;          // the current base line
    Point2 dir;
    Point2 pos;
    double last_x;         // the family's last x (leaving test)
    Step steps[16];
    int step_count, step;
    Point2 queue[6][2];    // pending pieces of a glass group
    int queued, taken;
    double radius, limit;  // wood
    Point2 centre;
    Box range, anchor;     // ground: the band
    // user pattern
    uint32_t fragment;
    double step_x, step_y, frame_min_x, frame_max_y;
    int columns, rows, column, row;
    uint32_t element_ref;
    bool tile_started;
};

GeneratorState* state_of(void** slot) {
    if (*slot) return static_cast<GeneratorState*>(*slot);
    GeneratorState* st = new (std::nothrow) GeneratorState();
    if (!st) {
        report_no_memory();
        return nullptr;
    }
    *slot = st;
    return st;
}

int finish(void** slot) {
    hatch_generator_free(slot);
    return 0;
}

int fail(void** slot) {
    hatch_generator_free(slot);
    return 0;
}

// Plain line family of a generator: returns its next line into out.
int plain_lines(const Box* anchor, const Box* range, void** slot, double a, double s, int period, uint8_t* out,
                int skip_every) {
    GeneratorState* st = state_of(slot);
    if (!st) return 0;
    for (;;) {
        Segment line;
        int r = hatch_line_family(anchor, range, &st->family, a, s, period, &line);
        if (!r) return error_flag ? fail(slot) : finish(slot);
        ++st->line_count;
        if (skip_every && st->line_count % skip_every == 0) continue;
        put_segment(out, line.start, line.end);
        return 1;
    }
}

// Dashed patterns: base lines of the family, and along each the steps from
// start - offset, where offset grows by shift per line and returns to 0
// after `period` lines.  line_filter may pick other steps by line count.
using StepChooser = void (*)(GeneratorState* st, double s, int line_count);

int dashed_lines(const Box* anchor, const Box* range, void** slot, double a, double s, int period, double shift,
                 StepChooser choose, uint8_t* out) {
    GeneratorState* st = state_of(slot);
    if (!st) return 0;
    for (;;) {
        if (st->taken < st->queued) {
            put_segment(out, st->queue[st->taken][0], st->queue[st->taken][1]);
            ++st->taken;
            return 1;
        }
        if (!st->on_line) {
            Segment line;
            int r = hatch_line_family(anchor, range, &st->family, a, s, period, &line);
            if (!r) return error_flag ? fail(slot) : finish(slot);
            const LineFamily* lf = static_cast<const LineFamily*>(st->family);
            st->last_x = lf->sloped ? lf->x1 : anchor->max_x;
            double offset = sheet_to_model_length(shift) * (st->line_count % period);
            ++st->line_count;
            st->line = line;
            double len = point_distance(line.start, line.end);
            st->dir = len > 0 ? Point2{(line.end.x - line.start.x) / len, (line.end.y - line.start.y) / len}
                              : Point2{1, 0};
            st->pos = Point2{line.start.x - offset * st->dir.x, line.start.y - offset * st->dir.y};
            choose(st, s, st->line_count);
            st->step = 0;
            st->on_line = true;
        }
        double limit_x = st->last_x > range->max_x ? st->last_x : range->max_x;
        if (st->pos.y < range->min_y - tolerance_get() || st->pos.x > limit_x + tolerance_get() ||
            st->step_count == 0) {
            st->on_line = false;
            continue;
        }
        const Step& step = st->steps[st->step];
        st->step = (st->step + 1) % st->step_count;
        double len = sheet_to_model_length(step.length);
        Point2 p = st->pos;
        Point2 q{p.x + len * st->dir.x, p.y + len * st->dir.y};
        st->queued = st->taken = 0;
        if (step.kind == step_dash) {
            st->queue[0][0] = p;
            st->queue[0][1] = q;
            st->queued = 1;
        } else if (step.kind == step_dot) {
            double dot = sheet_to_model_length(0.001);
            st->queue[0][0] = p;
            st->queue[0][1] = Point2{p.x + dot, p.y};
            st->queued = 1;
            q = p;
        } else if (step.kind == step_glass) {
            // A stroke of length s, and two short strokes of 0.4 s beside
            // its middle, 0.2 s off to either side.
            double stroke = sheet_to_model_length(s);
            double half = sheet_to_model_length(0.2 * s);
            double off = sheet_to_model_length(0.2 * s);
            Point2 e{p.x + stroke * st->dir.x, p.y + stroke * st->dir.y};
            Point2 mid{(p.x + e.x) / 2, (p.y + e.y) / 2};
            Point2 n{-st->dir.y, st->dir.x};
            st->queue[0][0] = p;
            st->queue[0][1] = e;
            for (int side = 0; side < 2; ++side) {
                double sign = side ? -1.0 : 1.0;
                Point2 c{mid.x + sign * off * n.x, mid.y + sign * off * n.y};
                st->queue[1 + side][0] = Point2{c.x - half * st->dir.x, c.y - half * st->dir.y};
                st->queue[1 + side][1] = Point2{c.x + half * st->dir.x, c.y + half * st->dir.y};
            }
            st->queued = 3;
        }
        st->pos = q;
    }
}

void stone_steps(GeneratorState* st, double s, int) {
    st->steps[0] = Step{step_dash, 2 * s};
    st->steps[1] = Step{step_gap, s};
    st->step_count = 2;
}

void concrete_steps(GeneratorState* st, double s, int) {
    st->steps[0] = Step{step_dash, 3 * s};
    st->steps[1] = Step{step_gap, 0.8 * s};
    st->steps[2] = Step{step_dash, 0.8 * s};
    st->steps[3] = Step{step_gap, 0.8 * s};
    st->step_count = 4;
}

void glass_steps(GeneratorState* st, double s, int) {
    st->steps[0] = Step{step_glass, 1.4 * s};
    st->step_count = 1;
}

void sand_steps(GeneratorState* st, double s, int) {
    st->steps[0] = Step{step_dot, s};
    st->steps[1] = Step{step_gap, s};
    st->step_count = 2;
}

void backfill_steps(GeneratorState* st, double s, int line_count) {
    int counted = line_count % 8;
    if (counted >= 5) {
        // Five dots, then a dash of three spacings.
        int n = 0;
        for (int i = 0; i < 5; ++i) {
            st->steps[n++] = Step{step_dot, s};
            st->steps[n++] = Step{step_gap, s};
        }
        st->steps[n++] = Step{step_dash, 3 * s};
        st->steps[n++] = Step{step_gap, s};
        st->step_count = n;
    } else {
        sand_steps(st, s, line_count);
    }
}

double param(const uint8_t* hatching, uint32_t offset) {
    return static_cast<double>(get_f32(hatching, offset));
}

}  // namespace

void hatch_line_family_free(void** state) {
    if (!state || !*state) return;
    delete static_cast<LineFamily*>(*state);
    *state = nullptr;
}

void hatch_generator_free(void** state) {
    if (!state || !*state) return;
    GeneratorState* st = static_cast<GeneratorState*>(*state);
    hatch_line_family_free(&st->family);
    delete st;
    *state = nullptr;
}

int hatch_line_family(const Box* A, const Box* R, void** state, double a, double s, int period, Segment* out) {
    if (period < 1) period = 1;
    LineFamily* lf = static_cast<LineFamily*>(*state);
    if (!lf) {
        if (s == 0 || !std::isfinite(s) || !std::isfinite(a)) {
            report_bad_parameter();
            return 0;
        }
        // A spacing so fine against the frame that the pattern would take
        // practically for ever is no usable parameter either.
        double extent = std::hypot(A->max_x - A->min_x, A->max_y - A->min_y);
        if (!std::isfinite(extent) || extent / std::fabs(sheet_to_model_length(s)) > hatch_max_lines) {
            report_bad_parameter();
            return 0;
        }
        lf = new (std::nothrow) LineFamily();
        if (!lf) {
            report_no_memory();
            return 0;
        }
        *state = lf;
        lf->anchor = *A;
        lf->d = std::fabs(sheet_to_model_length(s));
        snapped_sin_cos(a, &lf->s, &lf->c);
        lf->sloped = lf->s != 0.0;
        if (lf->sloped) {
            lf->h = std::fabs(lf->d / lf->s);
            double k = lf->c / lf->s;
            Point2 corner[2] = {{R->min_x, R->min_y}, {R->max_x, R->max_y}};
            double n[2];
            for (int i = 0; i < 2; ++i) {
                double x = corner[i].x - (A->max_y - corner[i].y) * k;
                if (x > corner[i].x) x = corner[i].x - (A->max_y - corner[1 - i].y) * k;
                n[i] = std::trunc((x - A->min_x) / lf->h);
            }
            n[0] = (std::trunc(n[0] / period) - 1) * period;
            n[1] += 1;
            lf->x0 = A->min_x + n[0] * lf->h;
            lf->x1 = A->min_x + n[1] * lf->h;
        } else {
            double n0 = std::trunc((A->max_y - R->max_y) / lf->d);
            double n1 = std::trunc((A->max_y - R->min_y) / lf->d);
            // The first line's grid index stays one above a multiple of the
            // period, as for sloped lines, so that counted patterns keep
            // their phase across hatchings.
            n0 = (std::trunc(n0 / period) - 1) * period;
            n1 += 1;
            lf->y0 = A->max_y - n0 * lf->d;
            lf->y1 = A->max_y - n1 * lf->d;
        }
    }
    if (lf->sloped) {
        lf->x0 += lf->h;
        double height = lf->anchor.max_y - lf->anchor.min_y;
        double xe = lf->x0 + height * lf->c / lf->s;
        if (lf->x0 <= lf->x1 || xe <= lf->x1) {
            out->start = Point2{lf->x0, lf->anchor.max_y};
            out->end = Point2{xe, lf->anchor.min_y};
            return 1;
        }
    } else {
        lf->y0 -= lf->d;
        if (lf->y0 >= lf->y1) {
            out->start = Point2{lf->anchor.min_x, lf->y0};
            out->end = Point2{lf->anchor.max_x, lf->y0};
            return 1;
        }
    }
    hatch_line_family_free(state);
    return 0;
}

int hatch_gen_metals(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    return plain_lines(A, R, slot, param(h, hatching_param1), param(h, hatching_param2), 1, out, 0);
}

int hatch_gen_nonmetals(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    GeneratorState* st = state_of(slot);
    if (!st) return 0;
    double a = param(h, hatching_param1), s = param(h, hatching_param2);
    for (;;) {
        Segment line;
        double angle = st->phase == 0 ? a : a + k_pi() / 2;
        if (hatch_line_family(A, R, &st->family, angle, s, 1, &line)) {
            put_segment(out, line.start, line.end);
            return 1;
        }
        if (error_flag || st->phase == 1) return finish(slot);
        st->phase = 1;
    }
}

int hatch_gen_wood(const Box* A, const Box*, void** slot, const uint8_t* h, uint8_t* out) {
    double spacing = param(h, hatching_param1);
    if (spacing == 0 || !std::isfinite(spacing)) {
        hatch_generator_free(slot);
        report_bad_parameter();
        return 0;
    }
    if (!*slot) {
        double extent = std::hypot(A->max_x - A->min_x, A->max_y - A->min_y);
        if (!std::isfinite(extent) || extent / std::fabs(sheet_to_model_length(spacing)) > hatch_max_lines) {
            report_bad_parameter();
            return 0;
        }
    }
    GeneratorState* st = state_of(slot);
    if (!st) return 0;
    if (!st->phase) {
        st->phase = 1;
        st->radius = std::fabs(A->max_y - A->min_y) / 2;
        st->centre = Point2{A->min_x - st->radius, (A->min_y + A->max_y) / 2};
        st->limit = point_distance(st->centre, Point2{A->max_x, A->max_y});
    }
    st->radius += std::fabs(sheet_to_model_length(spacing));
    if (compare_doubles(st->radius, st->limit) >= 0) return finish(slot);
    put_circle(out, Point2{st->centre.x + st->radius, st->centre.y}, st->centre);
    return 1;
}

int hatch_gen_stone(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    double a = reduce_angle(param(h, hatching_param1));
    return dashed_lines(A, R, slot, a, param(h, hatching_param2), 1, 0, stone_steps, out);
}

int hatch_gen_ceramics(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    return plain_lines(A, R, slot, param(h, hatching_param1), param(h, hatching_param2), 3, out, 3);
}

int hatch_gen_concrete(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    double a = reduce_angle(param(h, hatching_param1));
    double s = param(h, hatching_param2);
    return dashed_lines(A, R, slot, a, s, 3, 0.8 * s, concrete_steps, out);
}

int hatch_gen_glass(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    double a = reduce_angle(param(h, hatching_param1));
    return dashed_lines(A, R, slot, a, param(h, hatching_param2), 1, 0, glass_steps, out);
}

int hatch_gen_liquid(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    double s = param(h, hatching_param1);
    return dashed_lines(A, R, slot, 0, s, 2, 1.5 * s, stone_steps, out);
}

int hatch_gen_ground(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    double s = param(h, hatching_param2);
    double band = R->min_y + 2.5 * sheet_to_model_length(s);
    if (band > R->max_y) band = R->max_y;
    Box range{R->min_x, R->min_y, R->max_x, band};
    Box anchor{A->min_x, R->min_y, A->max_x, band};
    return plain_lines(&anchor, &range, slot, param(h, hatching_param1), s, 4, out, 4);
}

int hatch_gen_black(const Box* A, const Box* R, void** slot, const uint8_t*, uint8_t* out) {
    return plain_lines(A, R, slot, 0, static_cast<double>(0.22499999f), 1, out, 0);
}

int hatch_gen_sand(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    return dashed_lines(A, R, slot, k_pi() / 4, param(h, hatching_param1), 1, 0, sand_steps, out);
}

int hatch_gen_backfill(const Box* A, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    return dashed_lines(A, R, slot, k_pi() / 4, param(h, hatching_param1), 8, 0, backfill_steps, out);
}

int hatch_gen_user(const Box*, const Box* R, void** slot, const uint8_t* h, uint8_t* out) {
    GeneratorState* st = static_cast<GeneratorState*>(*slot);
    if (!st) {
        double x = param(h, hatching_param1), y = param(h, hatching_param2);
        uint32_t id = get_u32(h, hatching_source);
        uint8_t* fragment = (x != 0 && y != 0 && std::isfinite(x) && std::isfinite(y)) ? projection_record(id) : nullptr;
        if (!fragment) {
            report_bad_parameter();
            return 0;
        }
        st = state_of(slot);
        if (!st) return 0;
        st->fragment = id;
        st->step_x = std::fabs(sheet_to_model_length(x));
        st->step_y = std::fabs(sheet_to_model_length(y));
        st->frame_min_x = get_f32(fragment, 58);
        st->frame_max_y = get_f32(fragment, 70);
        double columns = std::trunc((R->max_x - R->min_x) / st->step_x) + 1;
        double rows = std::trunc((R->max_y - R->min_y) / st->step_y) + 1;
        // Steps so small that the tiles could not be counted are refused.
        if (!std::isfinite(columns) || !std::isfinite(rows) || columns < 1 || rows < 1 ||
            columns * rows > hatch_max_lines * 50) {
            hatch_generator_free(slot);
            report_bad_parameter();
            return 0;
        }
        st->columns = static_cast<int>(columns);
        st->rows = static_cast<int>(rows);
        st->column = 0;
        st->row = 0;
        st->element_ref = 0;
        st->tile_started = false;
    }
    DrawingFile* df = current_drawing_file();
    PageBuffer* buf = &page_buffers[table_elements];
    for (;;) {
        if (st->row > st->rows) return finish(slot);
        double tx = R->min_x + st->column * st->step_x;
        double ty = R->max_y - st->row * st->step_y;
        if (ty < R->min_y - tolerance_get()) return finish(slot);
        uint8_t* fragment = projection_record(st->fragment);
        if (!fragment || error_flag) return fail(slot);
        RecordRef head = get_u32(fragment, projection_elements);
        unsigned char* e;
        if (!st->tile_started) {
            e = record_next(df, &head, nullptr, buf);
            st->tile_started = true;
        } else {
            RecordRef ref = st->element_ref;
            unsigned char* prev = record_read_at(df, &ref, buf);
            e = prev ? record_next(df, &head, prev, buf) : nullptr;
        }
        if (error_flag) return fail(slot);
        if (!e) {
            st->tile_started = false;
            if (++st->column >= st->columns) {
                st->column = 0;
                ++st->row;
            }
            continue;
        }
        st->element_ref = record_ref_of(buf, e);
        uint16_t flags = get_u16(e, element_flags);
        if ((flags & element_flag_screened) || (flags & element_flag_screen_piece) == 0x2000) continue;
        uint16_t len = get_u16(e, record_length);
        if (len > record_max_length) return finish(slot);
        int kind = flags & element_flag_kind;
        if (kind < 1 || kind > 5) continue;
        std::memcpy(out, e, len);
        double dx = tx - st->frame_min_x, dy = ty - st->frame_max_y;
        auto move = [&](size_t off) {
            Point2 p = get_point2(out, off);
            put_point2(out, off, Point2{p.x + dx, p.y + dy});
        };
        if (kind == 1 || kind == 2) {
            if (len < element_size2) continue;
            move(element_coords2);
            move(element_coords2 + 16);
        } else if (kind == 3 || kind == 4) {
            if (len < element_size3) continue;
            for (int i = 0; i < 3; ++i) move(element_coords3 + 16 * static_cast<size_t>(i));
        } else {
            int count = get_i16(out, curve_count);
            int room = len >= 36 ? (len - 36) / 36 + 1 : 0;
            if (count > room) count = room;
            for (int i = 0; i < count; ++i) {
                size_t at = curve_vertices + static_cast<size_t>(i) * curve_vertex_size;
                move(at + 4);
                if (i < count - 1) move(at + 20);
            }
        }
        return 1;
    }
}
