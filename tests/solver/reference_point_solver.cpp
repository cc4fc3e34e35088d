// The straightforward point solver kept as the oracle of the differential
// test: every locus search scans all loci, every propagation level walks all
// points and re-intersects all applied dimensions. Slow (quadratic to cubic)
// but plainly correct; the production solver must give the same outcome,
// positions, marks and log lines.
#include "tests/solver/reference_point_solver.h"

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
            if (std::find(m.begin(), m.end(), p) == m.end()) m.push_back(p);
            pt(p).flags |= PN_ON_LOCUS;
        }
    }
    bool holds(int locus, const std::vector<int>& pts) const {
        const std::vector<int>& m = loci_[locus].members;
        for (int p : pts)
            if (std::find(m.begin(), m.end(), p) != m.end()) return true;
        return false;
    }
    int add_locus(const Locus& l) {
        loci_.push_back(l);
        return static_cast<int>(loci_.size()) - 1;
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
        for (size_t i = 0; i < loci_.size(); ++i) {
            const Locus& l = loci_[i];
            if (l.kind != LOCUS_LINE) continue;
            const std::vector<int>& m = l.members;
            if (std::find(m.begin(), m.end(), a0) != m.end() && std::find(m.begin(), m.end(), a1) != m.end()) {
                *a = l.a;
                return 1;
            }
        }
        return 0;
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
        for (size_t i = 0; i < loci_.size(); ++i) {
            const Locus& l = loci_[i];
            if (l.kind == LOCUS_LINE && !l.ray && same_direction(l.a, t, kLocusAngleTolerance) &&
                holds(static_cast<int>(i), pts))
                return static_cast<int>(i);
        }
        return -1;
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
        d.locus[r] = lr;
        d.locus[other] = lo;
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
        for (size_t i = 0; i < loci_.size(); ++i) {
            const Locus& l = loci_[i];
            if (l.kind == LOCUS_POINT && std::hypot(l.x - cx, l.y - cy) <= fine_ &&
                std::fabs(l.a - key) <= fine_ && holds(static_cast<int>(i), d.points[ROLE_CENTRE]))
                return static_cast<int>(i);
        }
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
        int circle = -1;
        for (size_t ei = 0; ei < net_.dimensions.size() && circle < 0; ++ei) {
            const DimensionNode& e = dim(static_cast<int>(ei));
            if (static_cast<int>(ei) == di || !applied(e)) continue;
            for (int k = 0; k < 3; ++k) {
                int li = e.locus[k];
                if (li < 0 || loci_[li].kind != LOCUS_CIRCLE || !holds(li, d.points[ROLE_FIRST])) continue;
                if (std::hypot(loci_[li].x - cx, loci_[li].y - cy) > fine_) continue;
                if (std::fabs(loci_[li].a - v) > fine_) {
                    mark_inconsistent(di);
                    mark_inconsistent(static_cast<int>(ei));
                }
                circle = li;
                break;
            }
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
        d.locus[ROLE_CENTRE] = fp;
        d.locus[ROLE_FIRST] = circle;
        return APPLY_DONE;
    }

    int find_ray(const std::vector<int>& pts, double cx, double cy, double a) const {
        for (size_t i = 0; i < loci_.size(); ++i) {
            const Locus& l = loci_[i];
            if (l.kind == LOCUS_LINE && l.ray && std::hypot(l.x - cx, l.y - cy) <= fine_ &&
                std::fabs(wrap_angle(l.a - a)) <= kLocusAngleTolerance && holds(static_cast<int>(i), pts))
                return static_cast<int>(i);
        }
        return -1;
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
            d.locus[role] = ray;
        }
        d.locus[ROLE_CENTRE] = fp;
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

    void intersect_all() {
        for (size_t di = 0; di < net_.dimensions.size(); ++di) {
            if (stop() || contradiction_) return;
            const DimensionNode& d = dim(static_cast<int>(di));
            if (!applied(d)) continue;
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
    }

    // ------------------------------------------------------------ attempts
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
    int best_start(bool need_xy) {
        int best = -1, best_score = 1;
        for (size_t i = 0; i < net_.points.size(); ++i) {
            int p = static_cast<int>(i);
            if (pt(p).flags & PN_TRIED) continue;
            if (need_xy && !has_xy_dimension(pt(p))) continue;
            int s = score(p);
            if (s > best_score) { best = p; best_score = s; }
        }
        return best;
    }
    int first_start() {
        if (pass_ == 1) {
            for (size_t i = 0; i < net_.points.size(); ++i)
                if ((pt(static_cast<int>(i)).flags & PN_ORIGIN) && has_xy_dimension(pt(static_cast<int>(i))))
                    return static_cast<int>(i);
            int s = best_start(true);
            return s >= 0 ? s : best_start(false);
        }
        int best = -1, best_count = 0;
        for (size_t i = 0; i < net_.points.size(); ++i) {
            int count = 0;
            for (int di : net_.points[i].dimensions)
                if (role_of(net_.dimensions[di], static_cast<int>(i)) == ROLE_CENTRE) ++count;
            if (count > best_count) { best = static_cast<int>(i); best_count = count; }
        }
        return best >= 0 ? best : best_start(false);
    }

    bool all_fixed() const {
        for (const PointNode& p : net_.points)
            if (!(p.flags & PN_FIXED)) return false;
        return true;
    }

    // One attempt from `start`; true when every point was fixed.
    bool attempt(int start) {
        loci_.clear();
        for (DimensionNode& d : net_.dimensions) {
            d.locus[0] = d.locus[1] = d.locus[2] = -1;
            d.level = 0;
            d.applied_inequality = false;
        }
        for (PointNode& p : net_.points) {
            p.flags &= (PN_TRIED | PN_FILLET | PN_ORIGIN);
            p.x = p.sketch_x;   // no position of an earlier attempt survives
            p.y = p.sketch_y;
        }
        // Refused dimensions stay refused: their line was written once.
        PointNode& s = pt(start);
        s.flags |= PN_FIXED | PN_TRIED | PN_START | PN_VISITED;
        // Every productive round applies a dimension or fixes a point.
        const size_t cap = net_.dimensions.size() + net_.points.size() + 2;
        for (size_t level = 1; level <= cap; ++level) {
            if (stop()) return false;
            bool progress = false;
            for (size_t i = 0; i < net_.points.size(); ++i) {
                int p = static_cast<int>(i);
                for (int di : pt(p).dimensions) {
                    DimensionNode& d = dim(di);
                    if (applied(d) || refused_[di] || d.comparison != 0) continue;
                    if (!fixed(p) && !has_applied_parallel(p, d)) continue;
                    if (apply(di, p) == APPLY_DONE) {
                        dim(di).level = static_cast<int>(level);
                        progress = true;
                    }
                    if (contradiction_) return false;
                }
            }
            size_t before = 0;
            for (const PointNode& p : net_.points) before += (p.flags & PN_FIXED) ? 1 : 0;
            intersect_all();
            if (contradiction_ || stopped_) return false;
            size_t after = 0;
            for (const PointNode& p : net_.points) after += (p.flags & PN_FIXED) ? 1 : 0;
            if (after > before) progress = true;
            if (after == net_.points.size()) return true;
            if (!progress) return false;
        }
        return false;
    }

    // ------------------------------------------------------------ verification
    // Every exact dimension and every inequality against the solved
    // positions; violators are marked inconsistent.
    void verify() {
        const double len_tol = 1e-7 * magnitude_;
        for (size_t di = 0; di < net_.dimensions.size(); ++di) {
            DimensionNode& d = dim(static_cast<int>(di));
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

    int component_count() const {
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
        int n = 0;
        for (size_t i = 0; i < parent.size(); ++i)
            if (find(static_cast<int>(i)) == static_cast<int>(i)) ++n;
        return n;
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
    for (pass_ = 1; pass_ <= 2; ++pass_) {
        for (PointNode& p : net_.points) p.flags &= ~PN_TRIED;
        for (int start = first_start(); start >= 0; start = best_start(false)) {
            contradiction_ = false;
            for (DimensionNode& d : net_.dimensions) d.inconsistent = false;
            bool solved = attempt(start);
            if (stopped_) { result_.outcome = SOLVER_STOPPED; return result_; }
            if (solved && !contradiction_) {
                verify();
                if (!contradiction_) { result_.outcome = SOLVER_SOLVED; return result_; }
            }
            // A contradiction is a fact of the network: report it rather
            // than let a later start hide it.
            if (contradiction_) { report_inconsistent(); return result_; }
            if (stop()) { result_.outcome = SOLVER_STOPPED; return result_; }
        }
    }
    // Neither pass fixed every point: the diagnosis follows the network's
    // connectivity, not the order in which starts ran out.
    bool disconnected = component_count() > 1;
    for (size_t i = 0; i < net_.points.size(); ++i) {
        if (net_.points[i].flags & PN_FIXED) continue;
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

SolverResult reference_solve_point_network(Network& net, const SolverOptions& options) {
    Solver s(net, options);
    return s.run();
}
