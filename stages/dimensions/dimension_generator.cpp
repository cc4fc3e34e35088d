// The dimension generator: radial dimensions for circles and arcs, then X
// and Y dimensions of every free point from the start point, each measured
// on the sketch and committed as a typed dimension would be.
#include "stages/dimensions/dimension_generator.h"

#include <algorithm>
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
const char* const text_generator_no_axis = "Не указана ось симметрии";
const char* const text_generator_one_axis = "Указанная точка должна принадлежать одной оси симметрии";
const char* const text_generator_two_axes = "Точка должна находиться на пересечении двух осей симметрии";

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
        }
        const int mode = s_.two_points ? 2 : generator_symmetry_mode(s_.symmetry_item);
        if (mode != 2) {
            // The axes are checked before anything is made.
            bool unused = false;
            std::vector<Axis> axes = axes_through(origin, &unused);
            const char* refusal = nullptr;
            if (mode == 1 && axes.empty()) refusal = text_generator_no_axis;
            else if (mode == 1 && axes.size() > 1) refusal = text_generator_one_axis;
            else if (mode == 0 && !two_axes(axes)) refusal = text_generator_two_axes;
            if (refusal) {
                say(refusal);
                res.refused = true;
                return res;
            }
        }
        if (!s_.two_points) radial_dimensions();
        if (mode == 2) {
            pass(origin, 0);
            pass(origin, 1);
        } else {
            symmetric(origin, mode);
        }
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

    // ------------------------------------------------------------ symmetry
    // A symmetry axis: a straight line drawn thin dash-dot, taken from the
    // start point O (its first point) to its other end.
    struct Axis {
        uint32_t first = 0, second = 0;
        double x = 0, y = 0;   // the first point's sketch
        double a = 0;          // direction first -> second
        double dx = 0, dy = 0; // end-point differences (nearness to vertical / horizontal)
    };

    bool sketch_of(uint32_t n, double* x, double* y) {
        auto it = all_.find(n);
        if (it == all_.end()) return false;
        *x = it->second.first;
        *y = it->second.second;
        return true;
    }

    // The axes with O as an end point, each turned to start at O.
    std::vector<Axis> axes_through(uint32_t origin, bool* on_other) {
        std::vector<Axis> out;
        *on_other = false;
        double ox = 0, oy = 0;
        if (!sketch_of(origin, &ox, &oy)) return out;
        for (const ElementNode& e : elements_) {
            if (e.kind != element_kind_segment || e.line_type != 4 || e.points.size() < 2) continue;
            uint32_t p0 = e.points[0], p1 = e.points[1];
            uint32_t other = 0;
            if (same_place(p0, origin)) other = p1;
            else if (same_place(p1, origin)) other = p0;
            else continue;
            Axis ax;
            ax.first = origin;
            ax.second = other;
            ax.x = ox;
            ax.y = oy;
            double bx = 0, by = 0;
            if (!sketch_of(other, &bx, &by) || points_equal(ox, oy, bx, by)) continue;
            ax.dx = std::fabs(bx - ox);
            ax.dy = std::fabs(by - oy);
            ax.a = std::atan2(by - oy, bx - ox);
            out.push_back(ax);
        }
        return out;
    }

    // Frame coordinates of a sketch position against an axis: along it
    // (the measure of direction mode 2) and across it (mode 3).
    static double along(const Axis& ax, double x, double y) {
        return (x - ax.x) * std::cos(ax.a) + (y - ax.y) * std::sin(ax.a);
    }
    static double across(const Axis& ax, double x, double y) {
        return (x - ax.x) * std::cos(ax.a - pi / 2) + (y - ax.y) * std::sin(ax.a - pi / 2);
    }

    static double wrap(double a) {
        a = std::fmod(a, 2 * pi);
        if (a <= -pi) a += 2 * pi;
        else if (a > pi) a -= 2 * pi;
        return a;
    }

    // The mirror partner of P about the axis: the other end of the first
    // straight element through P that crosses the axis; an element from P
    // to the axis' first point means none. Without one, with the tied
    // points option, the first other free point tied to P.
    FreePoint* mirror_partner(const Axis& ax, const FreePoint& P, const std::vector<bool>& eligible) {
        for (const ElementNode& e : elements_) {
            if (e.kind != element_kind_segment || e.points.size() < 2) continue;
            uint32_t q = 0;
            if (e.points[0] == P.number) q = e.points[1];
            else if (e.points[1] == P.number) q = e.points[0];
            else continue;
            if (q == ax.first) return nullptr;
            double qx = 0, qy = 0;
            if (q == P.number || !sketch_of(q, &qx, &qy)) continue;
            double d1 = wrap(std::atan2(P.y - ax.y, P.x - ax.x) - ax.a);
            double d2 = wrap(std::atan2(qy - ax.y, qx - ax.x) - ax.a);
            double quarter = std::max(std::fabs(d1), std::fabs(d2)) / 4;
            bool crosses = (d1 < -quarter && d2 > quarter) || (d2 < -quarter && d1 > quarter);
            if (!crosses) continue;
            FreePoint* f = find(q);
            return f && eligible[f - free_.data()] ? f : nullptr;
        }
        if (!s_.join_orthogonal) return nullptr;
        // A mirror about a nearly vertical axis keeps y, about a nearly
        // horizontal one x.
        int which = std::fabs(std::sin(ax.a)) > std::fabs(std::cos(ax.a)) ? 1 : 0;
        for (size_t i = 0; i < free_.size(); ++i)
            if (eligible[i] && free_[i].number != P.number && tied(P, free_[i], which)) return &free_[i];
        return nullptr;
    }

    // One linear dimension between A and B in a direction mode against
    // the axis, the second end on the positive side of the measure.
    uint32_t axis_dimension(const Axis& ax, int kind, int mode, const FreePoint& A, const FreePoint& B, int pass,
                            int prefix) {
        double m;
        if (mode == 0) m = B.x - A.x;
        else if (mode == 1) m = A.y - B.y;
        else if (mode == 2) m = along(ax, B.x, B.y) - along(ax, A.x, A.y);
        else m = across(ax, B.x, B.y) - across(ax, A.x, A.y);
        const FreePoint& first = m >= 0 ? A : B;
        const FreePoint& second = m >= 0 ? B : A;
        DimensionParams d = base_params(kind, mode);
        if (mode >= 2) {
            d.axis[0] = ax.first;
            d.axis[1] = ax.second;
        }
        std::string comment = " т" + std::to_string(first.number) + " - т" + std::to_string(second.number) +
                              "  курс " + std::to_string(pass);
        return make(d, {{first.number, LINK_FIRST}, {second.number, LINK_SECOND}}, prefix, comment);
    }

    // One pass about an axis: every eligible free point but O gets one
    // dimension (its mirror pair one between them), taken once per axis.
    // `along_axis`: along the axis (mode 2) from O; else symmetric with the
    // partner (mode 4), or perpendicular to the axis from O (mode 3).
    // `also`: a point taken whatever its state (the axis' end in the pass
    // along a lone axis).
    void axis_pass(const Axis& ax, int pass_state, bool along_axis, bool diameters, std::vector<bool>& taken,
                   uint32_t also = 0) {
        FreePoint* o = find(ax.first);
        if (!o) return;
        const FreePoint O = *o;
        auto eligible_now = [&]() {
            std::vector<bool> e(free_.size(), false);
            for (size_t i = 0; i < free_.size(); ++i) {
                const FreePoint& p = free_[i];
                bool free_for_pass = pass_state == 1 ? p.state == 0 : p.state != 2;
                e[i] = p.number != O.number && !taken[i] && (free_for_pass || p.number == also);
            }
            return e;
        };
        for (size_t i = 0; i < free_.size(); ++i) {
            std::vector<bool> eligible = eligible_now();
            if (!eligible[i]) continue;
            FreePoint P = free_[i];
            taken[i] = true;
            eligible[i] = false;
            uint32_t made = 0;
            if (along_axis) {
                made = axis_dimension(ax, DIM_LINEAR, 2, O, P, pass_state, 0);
            } else if (FreePoint* Q = mirror_partner(ax, P, eligible)) {
                size_t qi = static_cast<size_t>(Q - free_.data());
                taken[qi] = true;
                FreePoint Qc = *Q;
                made = axis_dimension(ax, diameters ? DIM_DIAMETER : DIM_LINEAR, 4, P, Qc, pass_state,
                                      diameters ? prefix_diameter : 0);
                if (made) raise_state(Qc.number, pass_state);
            } else {
                made = axis_dimension(ax, DIM_LINEAR, 3, O, P, pass_state, 0);
            }
            if (made) raise_state(P.number, pass_state);
        }
    }

    // The axis' other end, when still free for the pass, is dimensioned
    // from O along X (first axis) or Y (second axis), not shown.
    bool axis_end_dimension(const Axis& ax, int which) {
        FreePoint* o = find(ax.first);
        FreePoint* b = find(ax.second);
        if (!o || !b || s_.free_of_axes) return false;
        if (which == 0 ? b->state != 0 : b->state == 2) return false;
        const FreePoint O = *o, B = *b;
        int p_role;
        if (which == 0)
            p_role = B.x < O.x ? LINK_FIRST : LINK_SECOND;
        else
            p_role = B.y <= O.y + tolerance_get() ? LINK_SECOND : LINK_FIRST;
        int o_role = p_role == LINK_FIRST ? LINK_SECOND : LINK_FIRST;
        DimensionParams d = base_params(DIM_LINEAR, which);
        d.not_shown = true;
        d.show_only = false;
        std::string comment = " т" + std::to_string(O.number) + " - т" + std::to_string(B.number) + "  курс " +
                              std::to_string(which + 1);
        if (!make(d, {{O.number, o_role}, {B.number, p_role}}, 0, comment)) return false;
        raise_state(B.number, which == 0 ? 1 : 2);
        return true;
    }

    // Mode 0 takes the axis nearest to vertical (the smallest difference
    // of end-point x) and the one nearest to horizontal among those from
    // O; false when they are not two.
    static bool two_axes(const std::vector<Axis>& axes, int* vertical = nullptr, int* horizontal = nullptr) {
        int v = -1, h = -1;
        for (size_t i = 0; i < axes.size(); ++i) {
            if (v < 0 || axes[i].dx < axes[v].dx) v = static_cast<int>(i);
            if (h < 0 || axes[i].dy < axes[h].dy) h = static_cast<int>(i);
        }
        if (vertical) *vertical = v;
        if (horizontal) *horizontal = h;
        return v >= 0 && v != h;
    }

    // Symmetric generation (modes 0 and 1); false after a refusal.
    bool symmetric(uint32_t origin, int mode) {
        bool unused = false;
        std::vector<Axis> axes = axes_through(origin, &unused);
        if (mode == 1) {
            if (axes.empty()) {
                say(text_generator_no_axis);
                return false;
            }
            if (axes.size() > 1) {
                say(text_generator_one_axis);
                return false;
            }
            // The axis' end gets X (a nearly vertical axis) or Y, and its
            // distance along the axis: both cross, and with O they fix the
            // axis and so the part's turn.
            const Axis& ax = axes[0];
            bool end = axis_end_dimension(ax, ax.dx <= ax.dy ? 0 : 1);
            std::vector<bool> taken(free_.size(), false);
            axis_pass(ax, 1, true, false, taken, end ? ax.second : 0);
            taken.assign(free_.size(), false);
            if (end)
                if (FreePoint* b = find(ax.second)) taken[static_cast<size_t>(b - free_.data())] = true;
            axis_pass(ax, 2, false, s_.symmetry_item == 1, taken);
            return true;
        }
        int vertical = -1, horizontal = -1;
        if (!two_axes(axes, &vertical, &horizontal)) {
            say(text_generator_two_axes);
            return false;
        }
        const Axis pair[2] = {axes[vertical], axes[horizontal]};
        for (int k = 0; k < 2; ++k) {
            std::vector<bool> taken(free_.size(), false);
            if (axis_end_dimension(pair[k], k)) {
                FreePoint* b = find(pair[k].second);
                if (b) taken[static_cast<size_t>(b - free_.data())] = true;
            }
            axis_pass(pair[k], k + 1, false, false, taken);
        }
        return true;
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
