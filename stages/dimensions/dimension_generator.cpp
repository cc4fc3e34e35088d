// The dimension generator: radial dimensions for circles and arcs, then X
// and Y dimensions of every free point from the start point, each measured
// on the sketch and committed as a typed dimension would be.
#include "stages/dimensions/dimension_generator.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/tolerance.h"
#include "stages/dimensions/dimension_edit.h"
#include "stages/dimensions/dimension_input.h"
#include "stages/dimensions/dimension_network.h"
#include "store/record_layouts.h"
#include "store/records.h"

GeneratorSettings generator_settings;

const char* const text_generator_no_free_points = "На проекции нет свободных точек";
const char* const text_generator_no_elements = "Для такого построения необходимы графические элементы на проекции";
const char* const text_generator_done = "Построение завершено!";
const char* const text_generator_not_auto =
    "Эта проекция \"без автопостроения\", поэтому на ней все размеры могут быть только для показа";
const char* const text_generator_show_only_warning =
    "Имейте ввиду, что у этой проекции не установлен признак \"без автопостроения\", а размеры - только для "
    "показа, поэтому будет выдана ошибка!";
const char* const text_generator_no_origin = "На проекции нет начала координат";
const char* const text_generator_symmetry_not_built = "Генерация размеров с симметрией не выполняется";

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr uint16_t projection_not_auto = 0x0400;   // +98 bit 10
constexpr size_t comment_limit = 260;
constexpr int prefix_diameter = 35, prefix_radius = 82, prefix_thread = 77;

struct FreePoint {
    uint32_t number;
    double x, y;       // sketch
    int state;         // dimensioning state reached so far
};

struct ElementNode {
    int kind;
    int line_type;
    std::vector<uint32_t> points;
};

// The point numbers of a fixed-layout element (the generator reads only
// lines, circles and arcs; curves and images count as elements without).
int element_points_of(const unsigned char* r, std::vector<uint32_t>* out) {
    int kind = get_u16(r, element_flags) & element_flag_kind;
    uint16_t len = get_u16(r, record_length);
    int n = 0;
    switch (kind) {
    case 1: case 2: case 8: n = 2; break;
    case 3: case 4: case 6: case 10: n = 3; break;
    case 12: n = 4; break;
    case 9: n = 5; break;
    default: n = 0; break;
    }
    for (int i = 0; i < n && element_points + 4u * i + 4 <= len; ++i) out->push_back(get_u32(r, element_points + 4u * i));
    return kind;
}

class Generator {
public:
    Generator(DrawingFile* df, unsigned char* projection, const GeneratorSettings& s, const GeneratorHooks& h)
        : df_(df), p_(projection), s_(s), h_(h) {}

    GeneratorResult run(uint32_t origin, uint32_t second) {
        GeneratorResult res;
        uint16_t pflags = get_u16(p_, projection_flags);
        if ((pflags & projection_not_auto) && (s_.join_orthogonal || s_.free_of_axes)) {
            say(text_generator_not_auto);
            res.refused = true;
            return res;
        }
        if (!s_.two_points && generator_symmetry_mode(s_.symmetry_item) != 2) {
            say(text_generator_symmetry_not_built);
            res.refused = true;
            return res;
        }
        collect_points(origin, second);
        if (free_.empty() || (s_.two_points && free_.size() < 2) || !find(origin)) {
            say(text_generator_no_free_points);
            res.refused = true;
            return res;
        }
        if (h_.checkpoint) h_.checkpoint();
        if (!s_.two_points) {
            collect_elements();
            if (elements_.empty()) {
                say(text_generator_no_elements);
                res.refused = true;
                return res;
            }
            radial_dimensions();
        }
        pass(origin, 0);
        pass(origin, 1);
        store_states();
        if (h_.prompt) h_.prompt(text_generator_done);
        if (s_.show_only && !(pflags & projection_not_auto) && made_ > 0) say(text_generator_show_only_warning);
        res.made = made_;
        res.numbers = numbers_;
        return res;
    }

private:
    DrawingFile* df_;
    unsigned char* p_;
    const GeneratorSettings& s_;
    const GeneratorHooks& h_;
    std::vector<FreePoint> free_;
    std::map<uint32_t, std::pair<double, double>> all_;   // every point's sketch position
    std::vector<ElementNode> elements_;
    int made_ = 0;
    std::vector<uint32_t> numbers_;

    void say(const char* t) {
        if (h_.message) h_.message(t);
    }

    FreePoint* find(uint32_t n) {
        for (FreePoint& f : free_)
            if (f.number == n) return &f;
        return nullptr;
    }

    void collect_points(uint32_t origin, uint32_t second) {
        RecordRef* head = projection_chain(p_, projection_points);
        PageBuffer* b = &page_buffers[table_points];
        for (unsigned char* r = record_next(df_, head, nullptr, b); r && !error_flag; r = record_next(df_, head, r, b)) {
            if (get_u16(r, record_length) != point_record_size) continue;
            uint32_t n = get_u32(r, point_number);
            double x = get_f64(r, point_sketch_x), y = get_f64(r, point_sketch_y);
            all_[n] = {x, y};
            uint16_t f = get_u16(r, point_flags);
            if (f & (point_flag_hidden | point_flag_no_dimension)) continue;
            if (get_u16(r, point_flags2) & point_flag2_hidden_a) continue;
            if (s_.two_points && n != origin && n != second) continue;
            free_.push_back(FreePoint{n, x, y, f & point_flag_state});
        }
    }

    void collect_elements() {
        RecordRef* head = projection_chain(p_, projection_elements);
        PageBuffer* b = &page_buffers[table_elements];
        for (unsigned char* r = record_next(df_, head, nullptr, b); r && !error_flag; r = record_next(df_, head, r, b)) {
            if (get_u16(r, record_length) < element_head_size) continue;
            uint16_t f = get_u16(r, element_flags);
            uint16_t o = get_u16(r, element_options);
            // Generated pieces (images, screen pieces, continuations) are not the user's lines.
            if ((f & (element_flag_generated | element_flag_screen_piece | element_flag_purge)) ||
                (o & (element_opt_image | element_opt_continuation | element_opt_transient)))
                continue;
            ElementNode e;
            e.kind = element_points_of(r, &e.points);
            e.line_type = (f >> 4) & 0x0F;
            if (e.kind >= 1 && e.kind <= 12) elements_.push_back(e);
        }
    }

    std::string name_list(const std::vector<uint32_t>& points) {
        std::string s;
        for (uint32_t n : points) {
            if (!s.empty()) s += ",";
            s += std::to_string(n);
            if (s.size() > comment_limit) break;
        }
        return s;
    }

    // Creates, links, measures and commits one dimension; 0 when it failed.
    uint32_t make(const DimensionParams& params, const std::vector<std::pair<uint32_t, int>>& links, int prefix,
                  const std::string& comment) {
        uint32_t n = dimension_create(df_, p_, params);
        if (!n) return 0;
        for (const auto& l : links) dimension_link_add(df_, p_, n, l.first, l.second);
        update_link_directions(df_, p_, n);
        double value = 0;
        if (!measure_dimension(df_, p_, n, false, &value)) {
            dimension_delete(df_, p_, n);
            return 0;
        }
        char text[96];
        format_dimension_value(text, sizeof text, params.kind == DIM_LINEAR ? std::fabs(value) : value, params.kind, 0);
        DimensionInput in;
        in.number = n;
        in.params = params;
        in.prefix = prefix;
        in.nominal_text = text;
        DimensionInputHooks ih;
        ih.message = h_.message;
        if (dimension_input_commit(in, df_, p_, ih) != 1) {
            dimension_delete(df_, p_, n);
            return 0;
        }
        // The comment as built, its leading blank kept (the typed form
        // after "**" would lose it), cut to the record's limit.
        if (s_.comments && !comment.empty()) dimension_set_comment(df_, p_, n, comment.substr(0, comment_limit));
        ++made_;
        numbers_.push_back(n);
        return n;
    }

    DimensionParams base_params(int kind, int mode) const {
        DimensionParams d;
        d.kind = kind;
        d.mode = mode;
        d.not_shown = s_.not_shown;
        d.show_only = s_.show_only && !s_.not_shown;
        return d;
    }

    int state_of(uint32_t n) {
        FreePoint* f = find(n);
        return f ? f->state : 3;
    }
    void raise_state(uint32_t n, int st) {
        if (FreePoint* f = find(n))
            if (f->state < st) f->state = st;
    }

    double circle_radius(const ElementNode& e) {
        auto a = all_.find(e.points[0]), c = all_.find(e.points[1]);
        if (a == all_.end() || c == all_.end()) return -1;
        return std::hypot(a->second.first - c->second.first, a->second.second - c->second.second);
    }
    bool same_place(uint32_t a, uint32_t b) {
        if (a == b) return true;
        auto pa = all_.find(a), pb = all_.find(b);
        return pa != all_.end() && pb != all_.end() &&
               points_equal(pa->second.first, pa->second.second, pb->second.first, pb->second.second);
    }

    // The nearest concentric circle or arc of the other line type (thread 7
    // against main 1): its radius, -1 when there is none.
    double partner_radius(const ElementNode& e, uint32_t centre, double radius, int other_type) {
        double best = -1, best_d = 0;
        for (const ElementNode& o : elements_) {
            if (&o == &e || o.line_type != other_type) continue;
            uint32_t oc = 0;
            double r = -1;
            if (o.kind == 2 && o.points.size() >= 2) {
                oc = o.points[1];
                r = circle_radius(o);
            } else if (o.kind == 3 && o.points.size() >= 3) {
                oc = o.points[2];
                auto a = all_.find(o.points[0]), c = all_.find(o.points[2]);
                if (a != all_.end() && c != all_.end())
                    r = std::hypot(a->second.first - c->second.first, a->second.second - c->second.second);
            }
            if (r < 0 || !same_place(oc, centre)) continue;
            double d = std::fabs(r - radius);
            if (best < 0 || d < best_d) {
                best = r;
                best_d = d;
            }
        }
        return best;
    }

    void radial_dimensions() {
        for (size_t i = 0; i < elements_.size(); ++i) {
            const ElementNode& e = elements_[i];
            if (e.kind == 2 && e.points.size() >= 2) {
                uint32_t on = e.points[0], centre = e.points[1];
                if (state_of(on) >= 2) continue;   // dimensioned already
                DimensionParams d = base_params(DIM_DIAMETER, 0);
                int prefix = prefix_diameter;
                if (e.line_type == 1) {
                    double thread = partner_radius(e, centre, circle_radius(e), 7);
                    if (thread >= 0 && thread > circle_radius(e)) {
                        prefix = prefix_thread;
                    } else if (thread >= 0) {
                        d.shaft = false;           // a hole under a thread
                        d.not_shown = true;
                        d.show_only = false;
                    }
                }
                std::string comment = " т" + std::to_string(on) + " - т" + std::to_string(centre);
                if (make(d, {{centre, LINK_CENTRE}, {on, LINK_FIRST}}, prefix, comment)) raise_state(on, 2);
            } else if (e.kind == 3 && e.points.size() >= 3) {
                uint32_t a = e.points[0], b = e.points[1], centre = e.points[2];
                if (state_of(a) >= 1 && state_of(b) >= 1) continue;
                bool thread = e.line_type == 7;
                DimensionParams d = base_params(thread ? DIM_DIAMETER : DIM_RADIUS, 0);
                std::vector<std::pair<uint32_t, int>> links = {{centre, LINK_CENTRE}, {a, LINK_FIRST}};
                if (b != a) links.push_back({b, LINK_FIRST});
                std::string comment =
                    " т" + name_list({a, b}) + " - т" + std::to_string(centre);
                if (make(d, links, thread ? prefix_thread : prefix_radius, comment)) {
                    raise_state(a, 1);
                    raise_state(b, 1);
                }
            }
        }
    }

    // Points tied for the pass (0 X, 1 Y): the same sketch x (y), or a
    // straight line between them close to the direction of equal x (y).
    bool tied(const FreePoint& a, const FreePoint& b, int which) {
        if (!s_.join_orthogonal || a.number == b.number) return false;
        double tol = tolerance_get();
        if (which == 0 ? std::fabs(a.x - b.x) <= tol : std::fabs(a.y - b.y) <= tol) return true;
        double limit = (pi / 2) * generator_tolerance(s_.tolerance_percent) * 0.01;
        for (const ElementNode& e : elements_) {
            if (e.kind != 1 || e.points.size() < 2) continue;
            bool joins = (e.points[0] == a.number && e.points[1] == b.number) ||
                         (e.points[1] == a.number && e.points[0] == b.number);
            if (!joins) continue;
            double dir = std::atan2(b.y - a.y, b.x - a.x);
            // Equal x is the vertical direction; equal y the horizontal.
            double want = which == 0 ? pi / 2 : 0;
            double diff = std::fmod(std::fabs(dir - want), pi);
            if (diff > pi / 2) diff = pi - diff;
            if (diff <= limit) return true;
        }
        return false;
    }

    void pass(uint32_t origin, int which) {
        const int pass_state = which == 0 ? 1 : 2;
        FreePoint* o = find(origin);
        if (!o) return;
        const FreePoint O = *o;
        double tol = tolerance_get();
        for (size_t i = 0; i < free_.size(); ++i) {
            FreePoint P = free_[i];
            if (P.number == O.number) continue;
            if (which == 0 ? P.state != 0 : P.state == 2) continue;
            if (tied(O, P, which)) continue;
            int p_role;
            if (which == 0)
                p_role = P.x < O.x ? LINK_FIRST : LINK_SECOND;
            else
                p_role = P.y <= O.y + tol ? LINK_SECOND : LINK_FIRST;
            int o_role = p_role == LINK_FIRST ? LINK_SECOND : LINK_FIRST;
            std::vector<std::pair<uint32_t, int>> links = {{O.number, o_role}, {P.number, p_role}};
            std::vector<uint32_t> o_side = {O.number}, p_side = {P.number};
            for (const FreePoint& q : free_) {
                if (q.number == O.number || q.number == P.number) continue;
                if (tied(O, q, which)) {
                    links.push_back({q.number, o_role});
                    o_side.push_back(q.number);
                } else if (tied(P, q, which)) {
                    links.push_back({q.number, p_role});
                    p_side.push_back(q.number);
                }
            }
            DimensionParams d = base_params(DIM_LINEAR, which);
            std::string comment = " т" + name_list(o_side) + " - т" + name_list(p_side) + "  курс " +
                                  std::to_string(which + 1);
            if (!make(d, links, 0, comment)) continue;
            for (uint32_t n : p_side) raise_state(n, pass_state);
            for (size_t k = 1; k < o_side.size(); ++k) raise_state(o_side[k], pass_state);
        }
    }

    // Every free point keeps the state the passes reached.
    void store_states() {
        RecordRef* head = projection_chain(p_, projection_points);
        PageBuffer* b = &page_buffers[table_points];
        for (unsigned char* r = record_next(df_, head, nullptr, b); r && !error_flag; r = record_next(df_, head, r, b)) {
            if (get_u16(r, record_length) != point_record_size) continue;
            FreePoint* f = find(get_u32(r, point_number));
            if (!f) continue;
            uint16_t fl = get_u16(r, point_flags);
            uint16_t now = static_cast<uint16_t>((fl & ~point_flag_state) | (f->state & point_flag_state));
            if (now != fl) {
                put_u16(r, point_flags, now);
                b->clean = 0;
            }
        }
    }
};

}  // namespace

int generator_symmetry_mode(int item) {
    if (item == 0) return 0;
    if (item == 1 || item == 2) return 1;
    return 2;
}

double generator_tolerance(double typed) {
    double t = std::fabs(typed);
    if (!std::isfinite(t)) return 15.0;
    return t > 49 ? 49 : t;
}

GeneratorResult generate_dimensions(DrawingFile* df, unsigned char* projection, uint32_t origin, uint32_t second,
                                    const GeneratorSettings& settings, const GeneratorHooks& hooks) {
    GeneratorResult res;
    if (!df || !projection) {
        res.refused = true;
        return res;
    }
    Generator g(df, projection, settings, hooks);
    return g.run(origin, second);
}

GeneratorResult auto_dimension_from_origin(DrawingFile* df, unsigned char* projection, const GeneratorHooks& hooks) {
    GeneratorResult res;
    if (!df || !projection) return res;
    if (get_u16(projection, projection_flags) & projection_not_auto) return res;
    uint32_t origin = 0;
    RecordRef* head = projection_chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) == point_record_size && (get_u16(r, point_flags) & point_flag_origin)) {
            origin = get_u32(r, point_number);
            break;
        }
    if (!origin) {
        if (hooks.prompt) hooks.prompt(text_generator_no_origin);
        return res;
    }
    GeneratorSettings fixed;   // no symmetry, not shown, no options, tolerance 15
    return generate_dimensions(df, projection, origin, 0, fixed, hooks);
}
