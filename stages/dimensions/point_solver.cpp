// The point solver: locus propagation over the node lists of one projection.
#include "stages/dimensions/point_solver.h"

#include "base/byte_order.h"
#include "store/record_layouts.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <tuple>

namespace {

const char* const kInconsistent = "*** Размеры образовали несогласованную цепь!";
const char* const kUnfixable = "*** Невозможно зафиксировать точки";
const char* const kDisconnected = "*** Не связанные между собой группы размеров";
const char* const kAmbiguous = "*** Неоднозначное положение точки!";
const char* const kAmbiguousPair = "...на пересечении помеченных размеров ";
const char* const kStructure = "$в структуре данных";
const char* const kWrongDimension = "...не правильно задан размер ";

const double kPi = 3.14159265358979323846;

// Directions and tangency of two loci are judged at the standing tolerance
// (in radians for directions, in length units for tangency); whether a
// point lies on a locus or two positions are one is judged at the fine
// tolerance, grown with the magnitude of the coordinates.
constexpr double kDirectionTolerance = 0.0004848;
constexpr double kTangencyTolerance = 0.0004848;
constexpr double kLocusAngleTolerance = 1e-9;

double wrap_angle(double a) {
    if (!std::isfinite(a)) return 0;
    a = std::fmod(a, 2 * kPi);
    if (a <= -kPi) a += 2 * kPi;
    else if (a > kPi) a -= 2 * kPi;
    return a;
}

// Equal or opposite directions.
bool same_direction(double a, double b, double tol) {
    double d = std::fabs(wrap_angle(a - b));
    return d <= tol || std::fabs(d - kPi) <= tol;
}

bool finite2(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

enum ApplyResult { APPLY_DONE, APPLY_POSTPONED, APPLY_REFUSED };

struct Candidates {
    int count = 0;      // -1 same locus, 0, 1, 2
    double x[2] = {0, 0}, y[2] = {0, 0};
};

class Solver {
public:
    Solver(Network& net, const SolverOptions& opt) : net_(net), opt_(opt) {
        double m = 1;
        for (const PointNode& p : net.points) m = std::max({m, std::fabs(p.sketch_x), std::fabs(p.sketch_y)});
        for (const DimensionNode& d : net.dimensions)
            if (std::isfinite(d.value)) m = std::max(m, std::fabs(d.value));
        magnitude_ = m;
        fine_ = solver_fine_tolerance(m);
        refused_.assign(net.dimensions.size(), false);
    }

    SolverResult run();

private:
    Network& net_;
    const SolverOptions& opt_;
    std::vector<Locus> loci_;
    std::vector<bool> refused_;
    int pass_ = 1;
    bool contradiction_ = false;
    bool stopped_ = false;
    double magnitude_ = 1;
    double fine_ = 1e-9;
    std::set<std::tuple<int, int, int>> reported_;
    SolverResult result_;
    // Indexes of the current attempt, so that every search touches only
    // the loci of the points involved and every level only what can change:
    // the loci each point lies on, the (dimension, role) pairs each locus
    // serves, the points that may apply a dimension at the next level
    // (fixed, or on an applied dimension), the applied dimensions whose
    // intersections may still fix or contradict something, and the number
    // of fixed points.
    std::vector<std::vector<int>> point_loci_;
    std::vector<std::vector<std::pair<int, int>>> locus_dims_;
    std::set<int> active_points_;
    std::set<int> dirty_dims_;
    std::set<int> changed_points_;
    size_t fixed_count_ = 0;
    // Per point, fixed by the network's structure: the start score and
    // whether an exact X or Y dimension uses it.
    std::vector<int> score_;
    std::vector<bool> has_xy_;
    // Per point, every dimension that has it in any role (angle centres
    // included, which the point's own list leaves out).
    std::vector<std::vector<int>> incident_;
    // The connected components, and the one being solved.
    struct Component {
        std::vector<int> points, dims;
    };
    std::vector<Component> components_;
    std::vector<int> component_of_;
    std::vector<int> comp_points_, comp_dims_;
    std::vector<bool> covered_;   // fixed by an earlier attempt of the pass

    bool stop() {
        if (!stopped_ && opt_.stop_requested && opt_.stop_requested()) stopped_ = true;
        return stopped_;
    }
    PointNode& pt(int i) { return net_.points[i]; }
    DimensionNode& dim(int i) { return net_.dimensions[i]; }
    bool fixed(int p) const { return (net_.points[p].flags & PN_FIXED) != 0; }
    bool applied(const DimensionNode& d) const {
        return d.locus[0] >= 0 || d.locus[1] >= 0 || d.locus[2] >= 0;
    }
    void fix(int p, double x, double y) {
        PointNode& q = pt(p);
        if (!(q.flags & PN_FIXED)) {
            ++fixed_count_;
            active_points_.insert(p);
        }
        q.x = x;
        q.y = y;
        q.flags |= PN_FIXED;
        q.flags &= ~PN_WAITING;
    }
    static int role_of(const DimensionNode& d, int p) {
        for (int r = 0; r < 3; ++r)
            if (std::find(d.points[r].begin(), d.points[r].end(), p) != d.points[r].end()) return r;
        return -1;
    }
    int first_fixed(const DimensionNode& d, int role, int except = -1) const {
        for (int p : d.points[role])
            if (p != except && fixed(p)) return p;
        return -1;
    }
    void join(int locus, const std::vector<int>& pts) {
        for (int p : pts) {
            std::vector<int>& m = loci_[locus].members;
            if (std::find(m.begin(), m.end(), p) == m.end()) {
                m.push_back(p);
                point_loci_[p].push_back(locus);
            }
            pt(p).flags |= PN_ON_LOCUS;
        }
    }
    bool member(int locus, int p) const {
        const std::vector<int>& m = loci_[locus].members;
        return std::find(m.begin(), m.end(), p) != m.end();
    }
    // The lowest-numbered locus holding one of `pts` that `match` accepts
    // (the first a scan of all loci would find); -1 when none.
    template <class Match>
    int lowest_locus(const std::vector<int>& pts, Match match) const {
        int best = -1;
        for (int p : pts)
            for (int i : point_loci_[p])
                if ((best < 0 || i < best) && match(loci_[i])) best = i;
        return best;
    }
    int add_locus(const Locus& l) {
        loci_.push_back(l);
        locus_dims_.emplace_back();
        return static_cast<int>(loci_.size()) - 1;
    }
    void set_locus(int di, int role, int locus) {
        dim(di).locus[role] = locus;
        locus_dims_[locus].emplace_back(di, role);
    }
    // The loci at D's points met anew (D applied, or one of its loci
    // moved). An applied dimension with a free point is visited anyway; at
    // a fixed point the new pairs are checked before the next sweep.
    void touch_points(const DimensionNode& d) {
        for (int r = 0; r < 3; ++r)
            for (int q : d.points[r])
                if (fixed(q)) changed_points_.insert(q);
    }
    // D was applied: its points may apply further dimensions, and its loci
    // meet those of its neighbours.
    void on_applied(int di) {
        const DimensionNode& d = dim(di);
        dirty_dims_.insert(di);
        touch_points(d);
        for (int r = 0; r < 3; ++r)
            for (int q : d.points[r]) active_points_.insert(q);
    }
    // A locus was moved: every intersection with it is to be made again.
    void on_locus_moved(int locus) {
        for (const std::pair<int, int>& e : locus_dims_[locus]) {
            dirty_dims_.insert(e.first);
            touch_points(dim(e.first));
        }
    }
    // True when fixed point Q lies on the intersection of locus LD with
    // every locus Q is on, in the way `settle` checks a fixed point.
    bool fixed_point_agrees(int q, int ld) const {
        const PointNode& Q = net_.points[q];
        for (int le : point_loci_[q]) {
            Candidates c = intersect(ld, le);
            if (c.count < 0) continue;
            bool on = false;
            for (int i = 0; i < c.count && !on; ++i)
                on = std::hypot(c.x[i] - Q.x, c.y[i] - Q.y) <= fine_;
            if (!on) return false;
        }
        return true;
    }
    // Before a sweep: at a fixed point where loci met anew and some pair
    // of them disagrees, every applied dimension through it is visited so
    // that the contradiction is found where a full sweep finds it.
    void check_changed_points() {
        for (int q : changed_points_) {
            bool agree = true;
            for (size_t i = 0; i < point_loci_[q].size() && agree; ++i)
                agree = fixed_point_agrees(q, point_loci_[q][i]);
            if (agree) continue;
            for (int ei : incident_[q])
                if (applied(dim(ei))) dirty_dims_.insert(ei);
        }
        changed_points_.clear();
    }
    double line_distance(const Locus& l, double x, double y) const {
        return std::fabs((x - l.x) * -std::sin(l.a) + (y - l.y) * std::cos(l.a));
    }

    void mark_inconsistent(int di) {
        DimensionNode& d = dim(di);
        if (!d.inconsistent) {
            d.inconsistent = true;
            mark_dimension_record(net_, d);
        }
        contradiction_ = true;
    }
    void counted(const char* text) {
        network_line(net_, text, true);
        ++result_.error_count;
    }
    void wrong_dimension(int di) {
        std::string line = kWrongDimension + dimension_node_description(net_, dim(di));
        counted(line.c_str());
        mark_dimension_record(net_, dim(di));
        refused_[di] = true;
    }
    void structure_error(int di) {
        counted(kStructure);
        mark_dimension_record(net_, dim(di));
        refused_[di] = true;
    }

    // ------------------------------------------------------------ directions
    // Direction of the dimension's axis (first to second axis point):
    // from the solved positions of both fixed axis points; in pass 2 from
    // the sketch; in pass 1 from a line locus holding both. 0: not known
    // yet; -1: the axis points coincide.
    int axis_direction(const DimensionNode& d, double* a) {
        int a0 = d.axis_node[0], a1 = d.axis_node[1];
        if (a0 < 0 || a1 < 0) return 0;
        const PointNode& p0 = net_.points[a0];
        const PointNode& p1 = net_.points[a1];
        if (fixed(a0) && fixed(a1)) {
            double dx = p1.x - p0.x, dy = p1.y - p0.y;
            if (std::hypot(dx, dy) <= fine_) return -1;
            *a = std::atan2(dy, dx);
            return 1;
        }
        if (pass_ == 2) {
            double dx = p1.sketch_x - p0.sketch_x, dy = p1.sketch_y - p0.sketch_y;
            if (std::hypot(dx, dy) <= fine_) return -1;
            *a = std::atan2(dy, dx);
            return 1;
        }
        int best = -1;
        for (int i : point_loci_[a0])
            if ((best < 0 || i < best) && loci_[i].kind == LOCUS_LINE && member(i, a1)) best = i;
        if (best < 0) return 0;
        *a = loci_[best].a;
        return 1;
    }

    // Line direction t of a linear dimension; 0 when not known yet, -1 for
    // a degenerate axis.
    int line_direction(const DimensionNode& d, double* t) {
        if (d.mode == 0) { *t = kPi / 2; return 1; }
        if (d.mode == 1) { *t = 0; return 1; }
        double a = 0;
        int r = axis_direction(d, &a);
        if (r <= 0) return r;
        *t = wrap_angle(d.mode == 2 ? a + kPi / 2 : a);
        return 1;
    }

    // Two dimensions are parallel when both are linear with the same mode,
    // and for modes 2 and 3 both axes are fixed with one direction.
    bool parallel(const DimensionNode& d, const DimensionNode& e) {
        if (!dimension_is_linear(d) || !dimension_is_linear(e) || d.mode != e.mode) return false;
        if (d.mode < 2) return true;
        for (const DimensionNode* x : {&d, &e})
            if (x->axis_node[0] < 0 || x->axis_node[1] < 0 || !fixed(x->axis_node[0]) || !fixed(x->axis_node[1]))
                return false;
        double a = 0, b = 0;
        if (axis_direction(d, &a) != 1 || axis_direction(e, &b) != 1) return false;
        return same_direction(a, b, kLocusAngleTolerance);
    }
    bool has_applied_parallel(int p, const DimensionNode& d) {
        for (int ei : pt(p).dimensions) {
            const DimensionNode& e = dim(ei);
            if (&e != &d && applied(e) && e.comparison == 0 && parallel(d, e)) return true;
        }
        return false;
    }

    // ------------------------------------------------------------ applying
    int find_line(const std::vector<int>& pts, double t) const {
        return lowest_locus(pts, [&](const Locus& l) {
            return l.kind == LOCUS_LINE && !l.ray && same_direction(l.a, t, kLocusAngleTolerance);
        });
    }

    ApplyResult apply_linear(int di, int p, int r) {
        DimensionNode& d = dim(di);
        if (r > ROLE_SECOND) return APPLY_REFUSED;   // a centre of a linear dimension takes no part
        double t = 0;
        int known = line_direction(d, &t);
        if (known < 0) { wrong_dimension(di); return APPLY_REFUSED; }
        if (known == 0) { pt(p).flags |= PN_POSTPONED; return APPLY_POSTPONED; }
        int other = 1 - r;
        int lr = find_line(d.points[r], t);
        if (lr < 0) {
            Locus l;
            int f = first_fixed(d, r);
            l.x = f >= 0 ? pt(f).x : pt(p).x;
            l.y = f >= 0 ? pt(f).y : pt(p).y;
            l.a = t;
            l.provisional = f < 0;
            lr = add_locus(l);
        }
        join(lr, d.points[r]);
        double f = r == ROLE_FIRST ? t - kPi / 2 : t + kPi / 2;
        double ox = loci_[lr].x + d.value * std::cos(f);
        double oy = loci_[lr].y + d.value * std::sin(f);
        int lo = find_line(d.points[other], t);
        if (lo == lr) {
            // Both roles on one line: only a zero distance fits.
            if (std::fabs(d.value) > fine_) mark_inconsistent(di);
        } else if (lo >= 0) {
            if (line_distance(loci_[lo], ox, oy) > fine_) {
                if (loci_[lr].provisional) {
                    loci_[lr].x = loci_[lo].x + d.value * std::cos(f - kPi);
                    loci_[lr].y = loci_[lo].y + d.value * std::sin(f - kPi);
                    loci_[lr].provisional = false;
                    on_locus_moved(lr);
                } else {
                    mark_inconsistent(di);
                }
            }
        } else {
            Locus l;
            l.x = ox;
            l.y = oy;
            l.a = t;
            l.provisional = loci_[lr].provisional;
            lo = add_locus(l);
        }
        join(lo, d.points[other]);
        set_locus(di, r, lr);
        set_locus(di, other, lo);
        return APPLY_DONE;
    }

    // The centre of a radial or angular dimension: its first fixed centre
    // point; in pass 2 the first centre fixed at its sketch position.
    int centre_of(const DimensionNode& d) {
        int c = first_fixed(d, ROLE_CENTRE);
        if (c >= 0 || pass_ == 1 || d.points[ROLE_CENTRE].empty()) return c;
        c = d.points[ROLE_CENTRE][0];
        fix(c, pt(c).sketch_x, pt(c).sketch_y);
        return c;
    }

    int fixed_point_locus(const DimensionNode& d, double cx, double cy, double key) {
        int found = lowest_locus(d.points[ROLE_CENTRE], [&](const Locus& l) {
            return l.kind == LOCUS_POINT && std::hypot(l.x - cx, l.y - cy) <= fine_ && std::fabs(l.a - key) <= fine_;
        });
        if (found >= 0) return found;
        Locus l;
        l.kind = LOCUS_POINT;
        l.x = cx;
        l.y = cy;
        l.a = key;
        return add_locus(l);
    }

    ApplyResult apply_radial(int di, int p, int r) {
        DimensionNode& d = dim(di);
        if (r == ROLE_SECOND || d.points[ROLE_CENTRE].empty()) { structure_error(di); return APPLY_REFUSED; }
        int c = centre_of(d);
        if (c < 0) { pt(p).flags |= PN_POSTPONED; return APPLY_POSTPONED; }
        double v = d.kind == DIM_DIAMETER ? d.value / 2 : d.value;
        double cx = pt(c).x, cy = pt(c).y;
        int fp = fixed_point_locus(d, cx, cy, v);
        join(fp, d.points[ROLE_CENTRE]);
        // The circle of the lowest-numbered applied dimension (its lowest
        // role) about this centre holding one of the ends.
        int circle = -1;
        std::pair<int, int> owner(-1, -1);
        for (int q : d.points[ROLE_FIRST])
            for (int li : point_loci_[q]) {
                const Locus& l = loci_[li];
                if (l.kind != LOCUS_CIRCLE || std::hypot(l.x - cx, l.y - cy) > fine_) continue;
                for (const std::pair<int, int>& e : locus_dims_[li])
                    if (e.first != di && (owner.first < 0 || e < owner)) {
                        owner = e;
                        circle = li;
                    }
            }
        if (circle >= 0 && std::fabs(loci_[circle].a - v) > fine_) {
            mark_inconsistent(di);
            mark_inconsistent(owner.first);
        }
        if (circle < 0) {
            Locus l;
            l.kind = LOCUS_CIRCLE;
            l.x = cx;
            l.y = cy;
            l.a = v;
            circle = add_locus(l);
        }
        join(circle, d.points[ROLE_FIRST]);
        set_locus(di, ROLE_CENTRE, fp);
        set_locus(di, ROLE_FIRST, circle);
        return APPLY_DONE;
    }

    int find_ray(const std::vector<int>& pts, double cx, double cy, double a) const {
        return lowest_locus(pts, [&](const Locus& l) {
            return l.kind == LOCUS_LINE && l.ray && std::hypot(l.x - cx, l.y - cy) <= fine_ &&
                   std::fabs(wrap_angle(l.a - a)) <= kLocusAngleTolerance;
        });
    }

    ApplyResult apply_angular(int di, int p) {
        DimensionNode& d = dim(di);
        if (d.points[ROLE_CENTRE].empty()) { structure_error(di); return APPLY_REFUSED; }
        int c = centre_of(d);
        if (c < 0) { pt(p).flags |= PN_POSTPONED; return APPLY_POSTPONED; }
        int ref_role = ROLE_FIRST;
        int ref = first_fixed(d, ROLE_FIRST);
        if (ref < 0) {
            ref_role = ROLE_SECOND;
            ref = first_fixed(d, ROLE_SECOND);
        }
        double rx = 0, ry = 0;
        if (ref >= 0) {
            rx = pt(ref).x;
            ry = pt(ref).y;
        } else if (pass_ == 2 && !d.points[ROLE_FIRST].empty()) {
            ref_role = ROLE_FIRST;
            ref = d.points[ROLE_FIRST][0];
            rx = pt(ref).sketch_x;
            ry = pt(ref).sketch_y;
        } else {
            pt(p).flags |= PN_POSTPONED;
            return APPLY_POSTPONED;
        }
        double cx = pt(c).x, cy = pt(c).y;
        double radius = std::hypot(rx - cx, ry - cy);
        if (radius <= fine_) { wrong_dimension(di); return APPLY_REFUSED; }
        double a = std::atan2(ry - cy, rx - cx);
        double u = d.kind == DIM_ANGLE ? d.value : d.value / radius;
        int fp = fixed_point_locus(d, cx, cy, u);
        join(fp, d.points[ROLE_CENTRE]);
        int other = ref_role == ROLE_FIRST ? ROLE_SECOND : ROLE_FIRST;
        double dirs[2];
        dirs[ref_role] = wrap_angle(a);
        dirs[other] = wrap_angle(ref_role == ROLE_SECOND ? a + u : a - u);
        for (int role : {ROLE_FIRST, ROLE_SECOND}) {
            int ray = find_ray(d.points[role], cx, cy, dirs[role]);
            if (ray < 0) {
                Locus l;
                l.x = cx;
                l.y = cy;
                l.a = dirs[role];
                l.ray = true;
                ray = add_locus(l);
            }
            join(ray, d.points[role]);
            set_locus(di, role, ray);
        }
        set_locus(di, ROLE_CENTRE, fp);
        return APPLY_DONE;
    }

    ApplyResult apply(int di, int p) {
        DimensionNode& d = dim(di);
        int r = role_of(d, p);
        if (r < 0) return APPLY_POSTPONED;
        if (!std::isfinite(d.value)) { wrong_dimension(di); return APPLY_REFUSED; }
        if (dimension_is_linear(d)) return apply_linear(di, p, r);
        if (dimension_is_radial(d)) return apply_radial(di, p, r);
        if (dimension_is_angular(d)) return apply_angular(di, p);
        return APPLY_REFUSED;
    }

    // ------------------------------------------------------------ intersecting
    bool on_locus(const Locus& l, double x, double y) const {
        switch (l.kind) {
        case LOCUS_LINE:
            if (line_distance(l, x, y) > fine_) return false;
            if (l.ray) return (x - l.x) * std::cos(l.a) + (y - l.y) * std::sin(l.a) >= -fine_;
            return true;
        case LOCUS_CIRCLE:
            return std::fabs(std::hypot(x - l.x, y - l.y) - l.a) <= fine_;
        default:
            return std::hypot(x - l.x, y - l.y) <= fine_;
        }
    }

    static void add_candidate(Candidates& c, double x, double y) {
        if (!finite2(x, y) || c.count >= 2) return;
        c.x[c.count] = x;
        c.y[c.count] = y;
        ++c.count;
    }

    Candidates intersect_line_line(const Locus& a, const Locus& b) const {
        Candidates c;
        if (same_direction(a.a, b.a, kDirectionTolerance)) {
            c.count = (line_distance(a, b.x, b.y) <= fine_ || line_distance(b, a.x, a.y) <= fine_) ? -1 : 0;
            return c;
        }
        double ux = std::cos(a.a), uy = std::sin(a.a), vx = std::cos(b.a), vy = std::sin(b.a);
        double cross = ux * vy - uy * vx;
        double dx = b.x - a.x, dy = b.y - a.y;
        double s = (dx * vy - dy * vx) / cross;
        double w = (dx * uy - dy * ux) / cross;
        if (a.ray && s < -fine_) return c;
        if (b.ray && w < -fine_) return c;
        add_candidate(c, a.x + s * ux, a.y + s * uy);
        return c;
    }

    Candidates intersect_line_circle(const Locus& l, const Locus& k) const {
        Candidates c;
        double ux = std::cos(l.a), uy = std::sin(l.a);
        double along = (k.x - l.x) * ux + (k.y - l.y) * uy;
        double fx = l.x + along * ux, fy = l.y + along * uy;
        double dist = std::hypot(k.x - fx, k.y - fy);
        double r = k.a;
        if (dist > r + kTangencyTolerance) return c;
        double cand[2][2];
        int n = 0;
        if (std::fabs(dist - r) <= kTangencyTolerance) {
            cand[n][0] = fx;
            cand[n][1] = fy;
            ++n;
        } else {
            double h = std::sqrt(std::max(0.0, r * r - dist * dist));
            cand[n][0] = fx + h * ux; cand[n][1] = fy + h * uy; ++n;
            cand[n][0] = fx - h * ux; cand[n][1] = fy - h * uy; ++n;
        }
        for (int i = 0; i < n; ++i) {
            if (l.ray && (cand[i][0] - l.x) * ux + (cand[i][1] - l.y) * uy < -fine_) continue;
            add_candidate(c, cand[i][0], cand[i][1]);
        }
        return c;
    }

    Candidates intersect_circles(const Locus& a, const Locus& b) const {
        Candidates c;
        double dx = b.x - a.x, dy = b.y - a.y;
        double d = std::hypot(dx, dy);
        if (d <= fine_) {
            c.count = std::fabs(a.a - b.a) <= fine_ ? -1 : 0;
            return c;
        }
        double r1 = a.a, r2 = b.a;
        if (d > r1 + r2 + kTangencyTolerance || d < std::fabs(r1 - r2) - kTangencyTolerance) return c;
        double ex = dx / d, ey = dy / d;
        if (std::fabs(d - (r1 + r2)) <= kTangencyTolerance || std::fabs(d - std::fabs(r1 - r2)) <= kTangencyTolerance) {
            double along = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
            add_candidate(c, a.x + along * ex, a.y + along * ey);
            return c;
        }
        double along = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
        double h = std::sqrt(std::max(0.0, r1 * r1 - along * along));
        double mx = a.x + along * ex, my = a.y + along * ey;
        add_candidate(c, mx - h * ey, my + h * ex);
        add_candidate(c, mx + h * ey, my - h * ex);
        return c;
    }

    Candidates intersect(int ia, int ib) const {
        Candidates c;
        if (ia == ib) { c.count = -1; return c; }
        const Locus& a = loci_[ia];
        const Locus& b = loci_[ib];
        if (a.kind == LOCUS_POINT || b.kind == LOCUS_POINT) {
            const Locus& p = a.kind == LOCUS_POINT ? a : b;
            const Locus& o = a.kind == LOCUS_POINT ? b : a;
            if (on_locus(o, p.x, p.y)) add_candidate(c, p.x, p.y);
            return c;
        }
        if (a.kind == LOCUS_LINE && b.kind == LOCUS_LINE) return intersect_line_line(a, b);
        if (a.kind == LOCUS_CIRCLE && b.kind == LOCUS_CIRCLE) return intersect_circles(a, b);
        return a.kind == LOCUS_LINE ? intersect_line_circle(a, b) : intersect_line_circle(b, a);
    }

    // ------------------------------------------------------------ choosing
    // The inequality's measure for candidate (x, y) of point q; false when
    // the inequality cannot judge yet (its reference points are not fixed).
    bool inequality_keeps(const DimensionNode& e, int q, double x, double y, bool* judged) {
        *judged = false;
        int k = role_of(e, q);
        double v = e.value, m = 0;
        if (dimension_is_radial(e)) {
            if (k != ROLE_FIRST) return true;
            int c = first_fixed(e, ROLE_CENTRE, q);
            if (c < 0) return true;
            if (e.kind == DIM_DIAMETER) v /= 2;
            m = std::hypot(x - pt(c).x, y - pt(c).y);
        } else if (dimension_is_linear(e)) {
            if (k > ROLE_SECOND) return true;
            double t = 0;
            if (line_direction(e, &t) != 1) return true;
            int f = first_fixed(e, 1 - k, q);
            if (f < 0) return true;
            double f0 = t - kPi / 2;
            double dx = x - pt(f).x, dy = y - pt(f).y;
            double s = dx * std::cos(f0) + dy * std::sin(f0);
            if (k == ROLE_FIRST) s = -s;
            *judged = true;
            if (s < -fine_ && std::fabs(v) > fine_) return false;
            m = std::fabs(s);
        } else if (dimension_is_angular(e)) {
            if (k > ROLE_SECOND) return true;
            int c = first_fixed(e, ROLE_CENTRE, q);
            int ref = first_fixed(e, ROLE_FIRST, q);
            if (ref < 0) ref = first_fixed(e, ROLE_SECOND, q);
            if (c < 0 || ref < 0) return true;
            double a = std::atan2(pt(ref).y - pt(c).y, pt(ref).x - pt(c).x);
            double b = std::atan2(y - pt(c).y, x - pt(c).x);
            m = std::fabs(wrap_angle(b - a));
            if (e.kind == DIM_ARC_LENGTH) m *= std::hypot(pt(ref).x - pt(c).x, pt(ref).y - pt(c).y);
        } else {
            return true;
        }
        *judged = true;
        double tol = e.kind == DIM_ANGLE ? kLocusAngleTolerance : fine_;
        switch (e.comparison) {
        case 1: return m < v - tol;
        case 2: return m <= v + tol;
        case 3: return m > v + tol;
        case 4: return m >= v - tol;
        default: return true;
        }
    }

    static int sign_with(double v, double tol) { return v >= -tol ? 1 : -1; }

    // The sketch's choice between the two candidates: 0 or 1, -1 undecided.
    int sketch_choice(int q, const Candidates& c) {
        const PointNode& Q = pt(q);
        const double tol = kTangencyTolerance;
        std::vector<int> refs;
        for (int ei : Q.dimensions) {
            const DimensionNode& e = dim(ei);
            for (int r = 0; r < 3; ++r)
                for (int f : e.points[r])
                    if (f != q && fixed(f)) refs.push_back(f);
        }
        for (int f : refs) {
            const PointNode& F = pt(f);
            int sa = sign_with(c.x[0] - F.x, tol), sb = sign_with(c.x[1] - F.x, tol);
            if (sa != sb) return sa == sign_with(Q.sketch_x - F.sketch_x, tol) ? 0 : 1;
            sa = sign_with(c.y[0] - F.y, tol);
            sb = sign_with(c.y[1] - F.y, tol);
            if (sa != sb) return sa == sign_with(Q.sketch_y - F.sketch_y, tol) ? 0 : 1;
        }
        for (int f : refs) {
            const PointNode& F = pt(f);
            double s = std::atan2(Q.sketch_y - F.sketch_y, Q.sketch_x - F.sketch_x);
            double da = std::fabs(wrap_angle(std::atan2(c.y[0] - F.y, c.x[0] - F.x) - s));
            double db = std::fabs(wrap_angle(std::atan2(c.y[1] - F.y, c.x[1] - F.x) - s));
            if (std::fabs(da - db) <= kLocusAngleTolerance) continue;
            return da < db ? 0 : 1;
        }
        return -1;
    }

    void report_ambiguous(int di, int ei, int q) {
        auto key = std::make_tuple(std::min(di, ei), std::max(di, ei), q);
        if (!reported_.insert(key).second) return;
        ++result_.ambiguous;
        counted(kAmbiguous);
        mark_dimension_record(net_, dim(di));
        mark_dimension_record(net_, dim(ei));
        std::string line = kAmbiguousPair + dimension_node_description(net_, dim(di)) + " и " +
                           dimension_node_description(net_, dim(ei));
        network_line(net_, line.c_str(), false);
    }

    // Q meets the candidates of the loci of D and E.
    void settle(int q, int di, int ei, Candidates c) {
        if (c.count < 0) return;
        if (fixed(q)) {
            for (int i = 0; i < c.count; ++i)
                if (std::hypot(c.x[i] - pt(q).x, c.y[i] - pt(q).y) <= fine_) return;
            mark_inconsistent(di);
            mark_inconsistent(ei);
            return;
        }
        if (c.count == 0) {
            mark_inconsistent(di);
            mark_inconsistent(ei);
            return;
        }
        if (c.count == 1) { fix(q, c.x[0], c.y[0]); return; }
        bool waiting = false, active = false;
        for (int ii : pt(q).dimensions) {
            const DimensionNode& e = dim(ii);
            if (e.comparison == 0) continue;
            bool judged0 = false, judged1 = false;
            bool keep0 = inequality_keeps(e, q, c.x[0], c.y[0], &judged0);
            bool keep1 = inequality_keeps(e, q, c.x[1], c.y[1], &judged1);
            if (!judged0 || !judged1) { waiting = true; continue; }
            active = true;
            dim(ii).applied_inequality = true;
            if (keep0 != keep1) {
                int k = keep0 ? 0 : 1;
                fix(q, c.x[k], c.y[k]);
                return;
            }
            if (!keep0 && !keep1) {
                // The inequality excludes both positions the exact
                // dimensions allow.
                mark_inconsistent(di);
                mark_inconsistent(ei);
                mark_inconsistent(ii);
                return;
            }
        }
        if (waiting && !active) { pt(q).flags |= PN_WAITING; return; }
        if (!active) {
            int k = sketch_choice(q, c);
            if (k >= 0) { fix(q, c.x[k], c.y[k]); return; }
        }
        report_ambiguous(di, ei, q);
    }

    // Intersects the loci of the applied dimensions in dimension order.
    // A dimension whose points are all fixed and whose pairs were checked
    // with the loci as they stand would only confirm those checks, so only
    // the dimensions marked since (newly applied, a neighbour newly applied,
    // a locus moved, or a point still free) are visited.
    void intersect_all() {
        check_changed_points();
        for (auto it = dirty_dims_.begin(); it != dirty_dims_.end();) {
            if (stop() || contradiction_) return;
            const int di = *it;
            const DimensionNode& d = dim(di);
            // Only a visit that meets every point already fixed checks
            // every pair against final positions.
            bool settled = true;
            for (int r = 0; r < 3 && settled; ++r)
                if (d.locus[r] >= 0)
                    for (int q : d.points[r])
                        if (!fixed(q)) { settled = false; break; }
            intersect_dimension(di);
            if (contradiction_) return;
            it = settled ? dirty_dims_.erase(it) : std::next(it);
        }
    }

    void intersect_dimension(size_t di) {
        const DimensionNode& d = dim(static_cast<int>(di));
        for (int r = 0; r < 3; ++r) {
            int ld = d.locus[r];
            if (ld < 0) continue;
            for (int q : d.points[r]) {
                if (contradiction_) return;
                const PointNode& Q = pt(q);
                if (!fixed(q) && loci_[ld].kind == LOCUS_POINT) {
                    // A centre point can only lie on the centre.
                    fix(q, loci_[ld].x, loci_[ld].y);
                    continue;
                }
                if (!fixed(q) && Q.dimensions.size() == 1 && r == ROLE_FIRST && dimension_is_radial(d) &&
                    loci_[ld].kind == LOCUS_CIRCLE) {
                    fix(q, loci_[ld].x + loci_[ld].a, loci_[ld].y);
                    continue;
                }
                // A fixed point on every locus pair with LD passes each
                // check below without effect.
                if (fixed(q) && fixed_point_agrees(q, ld)) continue;
                for (int ei : Q.dimensions) {
                    if (ei == static_cast<int>(di)) continue;
                    const DimensionNode& e = dim(ei);
                    if (!applied(e) || e.comparison != 0) continue;
                    int k = role_of(e, q);
                    if (k < 0 || e.locus[k] < 0) continue;
                    settle(q, static_cast<int>(di), ei, intersect(ld, e.locus[k]));
                    if (contradiction_) return;
                }
            }
        }
    }

    // ------------------------------------------------------------ attempts
    bool pending(const DimensionNode& d, int di) const {
        return !applied(d) && !refused_[di] && d.comparison == 0;
    }
    bool has_xy_dimension(const PointNode& p) const {
        for (int di : p.dimensions) {
            const DimensionNode& d = net_.dimensions[di];
            if (dimension_is_linear(d) && d.mode <= 1 && d.comparison == 0) return true;
        }
        return false;
    }
    int score(int p) const {
        const PointNode& P = net_.points[p];
        int s = static_cast<int>(P.dimensions.size());
        for (int di : P.dimensions) {
            const DimensionNode& d = net_.dimensions[di];
            if (dimension_is_radial(d) && role_of(d, p) == ROLE_FIRST) --s;
        }
        return s;
    }
    // The start rules walk the points of the component being solved (all
    // points when the network is connected), in list order.
    int best_start(const std::vector<int>& points, bool need_xy) {
        int best = -1, best_score = 1;
        for (int p : points) {
            if (pt(p).flags & PN_TRIED) continue;
            if (need_xy && !has_xy_[p]) continue;
            int s = score_[p];
            if (s > best_score) { best = p; best_score = s; }
        }
        return best;
    }
    int first_start(const std::vector<int>& points, int pass) {
        if (pass == 1) {
            for (int p : points)
                if ((pt(p).flags & PN_ORIGIN) && has_xy_[p]) return p;
            int s = best_start(points, true);
            return s >= 0 ? s : best_start(points, false);
        }
        int best = -1, best_count = 0;
        for (int p : points) {
            int count = 0;
            for (int di : net_.points[p].dimensions)
                if (role_of(net_.dimensions[di], p) == ROLE_CENTRE) ++count;
            if (count > best_count) { best = p; best_count = count; }
        }
        return best >= 0 ? best : best_start(points, false);
    }
    int first_start() { return first_start(comp_points_, pass_); }

    // One attempt from `start` over the current component; true when every
    // point of it was fixed. Nothing outside the component is touched: an
    // attempt fixes points and applies dimensions only through the
    // dimensions of points it has reached.
    bool attempt(int start) {
        loci_.clear();
        locus_dims_.clear();
        active_points_.clear();
        dirty_dims_.clear();
        changed_points_.clear();
        for (int di : comp_dims_) {
            DimensionNode& d = dim(di);
            d.locus[0] = d.locus[1] = d.locus[2] = -1;
            d.level = 0;
            d.applied_inequality = false;
        }
        for (int i : comp_points_) {
            PointNode& p = pt(i);
            point_loci_[i].clear();
            p.flags &= (PN_TRIED | PN_FILLET | PN_ORIGIN);
            p.x = p.sketch_x;   // no position of an earlier attempt survives
            p.y = p.sketch_y;
        }
        // Refused dimensions stay refused: their line was written once.
        PointNode& s = pt(start);
        s.flags |= PN_FIXED | PN_TRIED | PN_START | PN_VISITED;
        fixed_count_ = 1;
        active_points_.insert(start);
        // Every productive round applies a dimension or fixes a point.
        const size_t cap = comp_dims_.size() + comp_points_.size() + 2;
        for (size_t level = 1; level <= cap; ++level) {
            if (stop()) return false;
            bool progress = false;
            // In point order, the points that can apply a dimension: fixed
            // ones and those on an applied dimension (a parallel); a point
            // that joins them behind the walk waits for the next level, as
            // one ahead of it is reached in this one. A point with nothing
            // left to apply leaves for good.
            for (auto it = active_points_.begin(); it != active_points_.end();) {
                int p = *it;
                bool left = false;
                for (int di : pt(p).dimensions) {
                    DimensionNode& d = dim(di);
                    if (!pending(d, di)) continue;
                    if (!fixed(p) && !has_applied_parallel(p, d)) { left = true; continue; }
                    ApplyResult res = apply(di, p);
                    if (res == APPLY_DONE) {
                        dim(di).level = static_cast<int>(level);
                        progress = true;
                        on_applied(di);
                    } else if (res == APPLY_POSTPONED) {
                        left = true;
                    }
                    if (contradiction_) return false;
                }
                if (!left)
                    for (int di : pt(p).dimensions)
                        if (pending(dim(di), di)) { left = true; break; }
                it = left ? std::next(it) : active_points_.erase(it);
            }
            size_t before = fixed_count_;
            intersect_all();
            if (contradiction_ || stopped_) return false;
            size_t after = fixed_count_;
            if (after > before) progress = true;
            if (after == comp_points_.size()) return true;
            if (!progress) return false;
        }
        return false;
    }

    // ------------------------------------------------------------ verification
    // Every exact dimension and every inequality against the solved
    // positions; violators are marked inconsistent.
    void verify() {
        const double len_tol = 1e-7 * magnitude_;
        for (int di : comp_dims_) {
            DimensionNode& d = dim(di);
            double value = 0, spread = 0;
            if (!measure_solved_dimension(net_, d, &value, &spread)) continue;
            bool angle = d.kind == DIM_ANGLE;
            double tol = angle ? 1e-7 : len_tol;
            double target = dimension_is_radial(d) && d.kind == DIM_DIAMETER ? d.value / 2 : d.value;
            bool ok;
            switch (d.comparison) {
            case 0: ok = std::fabs(value - target) <= tol; break;
            case 1: ok = value < target + tol; break;
            case 2: ok = value <= target + tol; break;
            case 3: ok = value > target - tol; break;
            default: ok = value >= target - tol; break;
            }
            if (d.comparison == 0 && spread > (angle || dimension_is_angular(d) ? 1e-7 : len_tol)) ok = false;
            if (!ok) mark_inconsistent(static_cast<int>(di));
        }
    }

    // The connected components of the network: points joined by sharing a
    // dimension (any role, or its axis). Each component's points and
    // dimensions in list order; components ordered by their first point.
    void build_components() {
        std::vector<int> parent(net_.points.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](int x) {
            while (parent[x] != x) x = parent[x] = parent[parent[x]];
            return x;
        };
        for (const DimensionNode& d : net_.dimensions) {
            int first = -1;
            for (int r = 0; r < 3; ++r)
                for (int p : d.points[r]) {
                    if (first < 0) first = p;
                    else parent[find(p)] = find(first);
                }
            for (int a = 0; a < 2; ++a)
                if (first >= 0 && d.axis_node[a] >= 0) parent[find(d.axis_node[a])] = find(first);
        }
        std::vector<int> index(net_.points.size(), -1);
        component_of_.assign(net_.points.size(), -1);
        components_.clear();
        for (size_t i = 0; i < net_.points.size(); ++i) {
            int root = find(static_cast<int>(i));
            if (index[root] < 0) {
                index[root] = static_cast<int>(components_.size());
                components_.emplace_back();
            }
            component_of_[i] = index[root];
            components_[index[root]].points.push_back(static_cast<int>(i));
        }
        for (size_t di = 0; di < net_.dimensions.size(); ++di) {
            const DimensionNode& d = net_.dimensions[di];
            for (int r = 0; r < 3; ++r)
                if (!d.points[r].empty()) {
                    components_[component_of_[d.points[r][0]]].dims.push_back(static_cast<int>(di));
                    break;
                }
        }
    }

    // True when point Q can be fixed by an attempt that does not start
    // from it. A point is fixed only as the start, as a centre (onto its
    // dimension's centre, or at its sketch in pass 2), as the end of its
    // only dimension, a radius (at angle 0), or where the loci of two of
    // its exact dimensions cross; loci of two X (or two Y) dimensions are
    // parallel lines and never cross.
    bool fixable_not_as_start(int q) const {
        const PointNode& Q = net_.points[q];
        for (int di : incident_[q]) {
            const DimensionNode& d = net_.dimensions[di];
            if (d.comparison == 0 && (dimension_is_radial(d) || dimension_is_angular(d)) &&
                std::find(d.points[ROLE_CENTRE].begin(), d.points[ROLE_CENTRE].end(), q) != d.points[ROLE_CENTRE].end())
                return true;
        }
        if (Q.dimensions.size() == 1) {
            const DimensionNode& d = net_.dimensions[Q.dimensions[0]];
            if (d.comparison == 0 && dimension_is_radial(d) && role_of(d, q) == ROLE_FIRST) return true;
        }
        int x = 0, y = 0, other = 0;
        for (int di : Q.dimensions) {
            const DimensionNode& d = net_.dimensions[di];
            if (d.comparison != 0) continue;
            auto in = [&](int r) {
                return std::find(d.points[r].begin(), d.points[r].end(), q) != d.points[r].end();
            };
            bool ends = in(ROLE_FIRST) || in(ROLE_SECOND);
            if (dimension_is_linear(d) && ends) {
                if (d.mode == 0) ++x;
                else if (d.mode == 1) ++y;
                else ++other;
            } else if (dimension_is_radial(d) && in(ROLE_FIRST)) {
                ++other;
            } else if (dimension_is_angular(d) && ends) {
                ++other;
            }
        }
        return other >= 2 || (other >= 1 && x + y >= 1) || (x >= 1 && y >= 1);
    }

    // True when no attempt on the component can fix all its points, for
    // any start: two points that only a start can fix, or one that no
    // start rule ever picks (its score is below 2 and neither pass begins
    // with it).
    bool fails_from_every_start(const std::vector<int>& points) {
        int only_start = -1, count = 0;
        for (int p : points)
            if (!fixable_not_as_start(p)) {
                only_start = p;
                if (++count >= 2) return true;
            }
        if (count == 0) return false;
        if (score_[only_start] >= 2) return false;
        for (int p : points) pt(p).flags &= ~PN_TRIED;
        return only_start != first_start(points, 1) && only_start != first_start(points, 2);
    }

    // True when every dimension of point P was used by the attempt: exact
    // ones applied, inequalities judged.
    bool explored(int p) const {
        for (int di : net_.points[p].dimensions) {
            const DimensionNode& d = net_.dimensions[di];
            if (d.comparison == 0 ? !applied(d) : !d.applied_inequality) return false;
        }
        return true;
    }

    // Solves one component as a network of its own: every start of both
    // passes until one attempt fixes all its points. When no start can, a
    // start that an earlier attempt of the same pass fixed and explored is
    // passed over: its attempt would go over ground already covered, and
    // the component's diagnosis cannot change to a solution.
    enum ComponentResult { COMPONENT_SOLVED, COMPONENT_FAILED, COMPONENT_INCONSISTENT, COMPONENT_STOPPED };
    ComponentResult solve_component(const std::vector<int>& points, const std::vector<int>& dims) {
        comp_points_ = points;
        comp_dims_ = dims;
        const bool hopeless = fails_from_every_start(points);
        std::vector<bool>& covered = covered_;
        covered.resize(net_.points.size(), false);
        // Later starts: the untried points by falling score (at least 2),
        // in list order on a tie, as best_start picks them one by one;
        // only the starts themselves are ever marked tried.
        std::vector<int> later;
        for (int p : points)
            if (score_[p] >= 2) later.push_back(p);
        std::stable_sort(later.begin(), later.end(), [this](int a, int b) { return score_[a] > score_[b]; });
        for (pass_ = 1; pass_ <= 2; ++pass_) {
            for (int p : points) {
                pt(p).flags &= ~PN_TRIED;
                covered[p] = false;
            }
            size_t next = 0;
            auto next_start = [&]() {
                while (next < later.size() && (pt(later[next]).flags & PN_TRIED)) ++next;
                return next < later.size() ? later[next] : -1;
            };
            for (int start = first_start(); start >= 0; start = next_start()) {
                if (hopeless && covered[start]) {
                    pt(start).flags |= PN_TRIED;
                    continue;
                }
                contradiction_ = false;
                for (int di : dims) dim(di).inconsistent = false;
                bool solved = attempt(start);
                if (stopped_) return COMPONENT_STOPPED;
                if (solved && !contradiction_) {
                    verify();
                    if (!contradiction_) return COMPONENT_SOLVED;
                }
                // A contradiction is a fact of the network: report it
                // rather than let a later start hide it.
                if (contradiction_) return COMPONENT_INCONSISTENT;
                if (stop()) return COMPONENT_STOPPED;
                if (hopeless)
                    for (int p : points)
                        if (fixed(p) && !covered[p]) covered[p] = explored(p);
            }
        }
        return COMPONENT_FAILED;
    }

    void report_inconsistent() {
        int n = 0;
        for (const DimensionNode& d : net_.dimensions) n += d.inconsistent ? 1 : 0;
        counted(kInconsistent);
        // Each marked dimension counts one error.
        if (n > 1) {
            net_.error_count += n - 1;
            result_.error_count += n - 1;
        }
        result_.outcome = SOLVER_INCONSISTENT;
    }
};

SolverResult Solver::run() {
    result_ = SolverResult();
    if (net_.points.empty()) return result_;
    score_.resize(net_.points.size());
    has_xy_.resize(net_.points.size());
    incident_.assign(net_.points.size(), std::vector<int>());
    for (size_t di = 0; di < net_.dimensions.size(); ++di)
        for (int r = 0; r < 3; ++r)
            for (int q : net_.dimensions[di].points[r])
                if (incident_[q].empty() || incident_[q].back() != static_cast<int>(di))
                    incident_[q].push_back(static_cast<int>(di));
    for (size_t i = 0; i < net_.points.size(); ++i) {
        score_[i] = score(static_cast<int>(i));
        has_xy_[i] = has_xy_dimension(net_.points[i]);
    }
    point_loci_.assign(net_.points.size(), std::vector<int>());
    build_components();
    // The component the network's first start lies in is the one the
    // others are reported against.
    comp_points_.resize(net_.points.size());
    std::iota(comp_points_.begin(), comp_points_.end(), 0);
    pass_ = 1;
    const int first = first_start();
    const int main_component = component_of_[first >= 0 ? first : 0];
    // A point of one component is never reached from another, so each is
    // solved on its own; a connected network is one component, solved
    // exactly as a whole.
    bool solved_all = true;
    for (const Component& c : components_) {
        ComponentResult r = solve_component(c.points, c.dims);
        if (r == COMPONENT_STOPPED) { result_.outcome = SOLVER_STOPPED; return result_; }
        if (r == COMPONENT_INCONSISTENT) { report_inconsistent(); return result_; }
        if (r == COMPONENT_FAILED) solved_all = false;
    }
    const bool disconnected = components_.size() > 1;
    if (solved_all && !disconnected) { result_.outcome = SOLVER_SOLVED; return result_; }
    // Not every point is tied to the rest: the diagnosis follows the
    // network's connectivity, not the order in which starts ran out. The
    // points of the other components keep the places their own dimensions
    // give them but are marked as not placed.
    for (size_t i = 0; i < net_.points.size(); ++i) {
        if ((net_.points[i].flags & PN_FIXED) && component_of_[i] == main_component) continue;
        result_.unfixed.push_back(static_cast<int>(i));
        const PointNode& p = net_.points[i];
        if (net_.records && p.record >= 0 && p.record < static_cast<int>(net_.records->points.size())) {
            std::vector<uint8_t>& rec = net_.records->points[p.record];
            uint16_t f = get_u16(rec.data(), point_flags);
            put_u16(rec.data(), point_flags, static_cast<uint16_t>((f | 0x0040) & ~0x0080));
        }
    }
    counted(disconnected ? kDisconnected : kUnfixable);
    result_.outcome = disconnected ? SOLVER_DISCONNECTED : SOLVER_UNFIXABLE;
    return result_;
}

}  // namespace

double solver_fine_tolerance(double magnitude) {
    if (!std::isfinite(magnitude)) return 1e-9;
    return std::max(1e-9, 1e-12 * std::fabs(magnitude));
}

bool measure_solved_dimension(const Network& net, const DimensionNode& d, double* value, double* spread) {
    *value = 0;
    *spread = 0;
    auto P = [&](int i) -> const PointNode& { return net.points[i]; };
    if (dimension_is_linear(d)) {
        if (d.points[ROLE_FIRST].empty() || d.points[ROLE_SECOND].empty()) return false;
        double t;
        if (d.mode == 0) t = kPi / 2;
        else if (d.mode == 1) t = 0;
        else {
            if (d.axis_node[0] < 0 || d.axis_node[1] < 0) return false;
            double dx = P(d.axis_node[1]).x - P(d.axis_node[0]).x, dy = P(d.axis_node[1]).y - P(d.axis_node[0]).y;
            if (std::hypot(dx, dy) == 0) return false;
            double a = std::atan2(dy, dx);
            t = d.mode == 2 ? a + kPi / 2 : a;
        }
        double fx = std::cos(t - kPi / 2), fy = std::sin(t - kPi / 2);
        const PointNode& p1 = P(d.points[ROLE_FIRST][0]);
        const PointNode& p2 = P(d.points[ROLE_SECOND][0]);
        *value = (p2.x - p1.x) * fx + (p2.y - p1.y) * fy;
        for (int r : {ROLE_FIRST, ROLE_SECOND}) {
            const PointNode& base = P(d.points[r][0]);
            for (int q : d.points[r])
                *spread = std::max(*spread, std::fabs((P(q).x - base.x) * fx + (P(q).y - base.y) * fy));
        }
        if (d.comparison != 0) *value = std::fabs(*value);
        return true;
    }
    if (dimension_is_radial(d)) {
        if (d.points[ROLE_CENTRE].empty() || d.points[ROLE_FIRST].empty()) return false;
        const PointNode& c = P(d.points[ROLE_CENTRE][0]);
        const PointNode& p = P(d.points[ROLE_FIRST][0]);
        *value = std::hypot(p.x - c.x, p.y - c.y);
        for (int q : d.points[ROLE_FIRST])
            *spread = std::max(*spread, std::fabs(std::hypot(P(q).x - c.x, P(q).y - c.y) - *value));
        for (int q : d.points[ROLE_CENTRE])
            *spread = std::max(*spread, std::hypot(P(q).x - c.x, P(q).y - c.y));
        return true;
    }
    if (dimension_is_angular(d)) {
        if (d.points[ROLE_CENTRE].empty() || d.points[ROLE_FIRST].empty() || d.points[ROLE_SECOND].empty())
            return false;
        const PointNode& c = P(d.points[ROLE_CENTRE][0]);
        const PointNode& p1 = P(d.points[ROLE_FIRST][0]);
        const PointNode& p2 = P(d.points[ROLE_SECOND][0]);
        double a1 = std::atan2(p1.y - c.y, p1.x - c.x), a2 = std::atan2(p2.y - c.y, p2.x - c.x);
        double u = wrap_angle(a1 - a2);
        if (d.comparison != 0) u = std::fabs(u);
        double radius = std::hypot(p1.x - c.x, p1.y - c.y);
        *value = d.kind == DIM_ARC_LENGTH ? u * radius : u;
        for (int r : {ROLE_FIRST, ROLE_SECOND}) {
            double base = r == ROLE_FIRST ? a1 : a2;
            for (int q : d.points[r])
                *spread = std::max(*spread, std::fabs(wrap_angle(std::atan2(P(q).y - c.y, P(q).x - c.x) - base)));
        }
        return true;
    }
    return false;
}

SolverResult solve_point_network(Network& net, const SolverOptions& options) {
    Solver s(net, options);
    return s.run();
}
