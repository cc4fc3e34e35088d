// The literal all-pairs search of dimension placement, kept as the oracle
// of the indexed one in annotation/: every candidate is tested against every
// placed line.  Same rules, same order, same steps.
#include "tests/annotation/placement_reference.h"

#include <algorithm>
#include <cmath>

namespace placement_reference {
namespace {


const double pi = 3.14159265358979323846;

struct Line {
    Point2 a, b;
    Point2 u;  // the extension direction: the band's half-width runs along it
};

double cross(Point2 o, Point2 a, Point2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

bool same(Point2 a, Point2 b, double eps) { return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps; }

// Proper crossing of two segments: each one's ends strictly on both sides
// of the other (touching does not count).
bool segments_cross(Point2 a, Point2 b, Point2 c, Point2 d, double eps) {
    double d1 = cross(a, b, c), d2 = cross(a, b, d), d3 = cross(c, d, a), d4 = cross(c, d, b);
    return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) && ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

bool inside_quad(const Point2 q[4], Point2 p, double eps) {
    bool pos = false, neg = false;
    for (int i = 0; i < 4; ++i) {
        double c = cross(q[i], q[(i + 1) % 4], p);
        if (c > eps) pos = true;
        if (c < -eps) neg = true;
        if (std::fabs(c) <= eps) return false;  // on the outline: touching
    }
    return !(pos && neg);
}

// Whether segment s crosses the band of line l (the line moved 9 mm
// forwards and backwards along its extension direction).
bool crosses_band(const Line& s, const Line& l, double half, double eps) {
    Point2 q[4] = {{l.a.x - half * l.u.x, l.a.y - half * l.u.y},
                   {l.b.x - half * l.u.x, l.b.y - half * l.u.y},
                   {l.b.x + half * l.u.x, l.b.y + half * l.u.y},
                   {l.a.x + half * l.u.x, l.a.y + half * l.u.y}};
    for (int i = 0; i < 4; ++i)
        if (segments_cross(s.a, s.b, q[i], q[(i + 1) % 4], eps)) return true;
    Point2 mid = {(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
    return inside_quad(q, mid, eps) || inside_quad(q, s.a, eps) || inside_quad(q, s.b, eps);
}

bool finite(Point2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The candidate line of an item on a side at a distance beyond the frame;
// false when it cannot be built (parallel lines, non-finite input).
bool build_candidate(const PlacementItem& it, int side, double distance, const PlacementFrame& f, Line* out) {
    double d1 = it.first_direction + (side ? -pi : 0), d2 = it.second_direction + (side ? -pi : 0);
    Point2 u = {std::cos(d1), std::sin(d1)}, u2 = {std::cos(d2), std::sin(d2)};
    if (!finite(u) || !finite(u2) || !finite(it.first) || !finite(it.second)) return false;
    const Box& fr = f.frame;
    // Where the first extension line meets the frame.
    double t = 0;
    bool vertical_edge = false;
    if (std::fabs(u.x) > 1e-12) {
        double x = u.x > 0 ? fr.max_x : fr.min_x;
        t = (x - it.first.x) / u.x;
        double y = it.first.y + t * u.y;
        vertical_edge = y >= fr.min_y && y <= fr.max_y;
    }
    if (!vertical_edge) {
        if (std::fabs(u.y) <= 1e-12) return false;
        double y = u.y > 0 ? fr.max_y : fr.min_y;
        t = (y - it.first.y) / u.y;
    }
    if (t < 0) t = 0;  // a point outside the frame starts from itself
    Point2 a = {it.first.x + (t + distance) * u.x, it.first.y + (t + distance) * u.y};
    // The second end: the perpendicular through a meets the second
    // extension line.
    Point2 n = {-u.y, u.x};
    double den = u2.x * u.x + u2.y * u.y;  // second line's run across the perpendicular
    if (std::fabs(den) < 1e-12) return false;
    double s = ((a.x - it.second.x) * u.x + (a.y - it.second.y) * u.y) / den;
    Point2 b = {it.second.x + s * u2.x, it.second.y + s * u2.y};
    if (same(a, b, 1e-9 * f.sheet_mm)) {
        double e = 0.25 / 16 * f.sheet_mm;
        a = {a.x - e * n.x, a.y - e * n.y};
        b = {b.x + e * n.x, b.y + e * n.y};
    }
    if (!finite(a) || !finite(b)) return false;
    *out = Line{a, b, u};
    return true;
}

int choose_side(const PlacementItem& it, const PlacementFrame& f) {
    // The line goes towards the nearer frame edge across the extension
    // direction's axis; side 1 turns the extension directions round.
    double c = std::cos(it.first_direction), s = std::sin(it.first_direction);
    if (std::fabs(c) >= std::fabs(s)) {
        double lo_gap = std::min(it.first.x, it.second.x) - f.frame.min_x;
        double hi_gap = f.frame.max_x - std::max(it.first.x, it.second.x);
        bool towards_low = lo_gap < hi_gap;
        return towards_low == (c > 0) ? 1 : 0;
    }
    double lo_gap = std::min(it.first.y, it.second.y) - f.frame.min_y;
    double hi_gap = f.frame.max_y - std::max(it.first.y, it.second.y);
    bool towards_low = lo_gap < hi_gap;
    return towards_low == (s > 0) ? 1 : 0;
}

}  // namespace

int resolve(std::vector<PlacementItem>& items, const PlacementFrame& f) {
    const double mm = f.sheet_mm, step = 10 * mm, half = placement_band_half(f), eps = 1e-9 * (1 + mm);
    std::vector<Line> placed;
    for (PlacementItem& it : items) {
        if (!it.keep) continue;
        it.placed = true;
        double a = it.first_direction;
        placed.push_back(Line{it.line_start, it.line_end, {std::cos(a), std::sin(a)}});
    }
    // Order: smallest key first; of equal keys the later item.
    std::vector<size_t> order;
    for (size_t i = 0; i < items.size(); ++i)
        if (!items[i].keep) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        if (items[x].view_length != items[y].view_length) return items[x].view_length < items[y].view_length;
        return x > y;
    });
    double diagonal = std::hypot(f.frame.max_x - f.frame.min_x, f.frame.max_y - f.frame.min_y);
    double cap = (std::isfinite(diagonal) ? diagonal : 0) + (static_cast<double>(items.size()) + 2) * step;
    int marked = 0;
    auto collides = [&](const Line& c) {
        for (const Line& p : placed)
            if (crosses_band(c, p, half, eps) || crosses_band(p, c, half, eps)) return true;
        return false;
    };
    auto extension_crosses = [&](const PlacementItem& it, const Line& c) {
        Line e1{it.first, c.a, c.u}, e2{it.second, c.b, c.u};
        for (const Line& p : placed)
            if (segments_cross(e1.a, e1.b, p.a, p.b, eps) || segments_cross(e2.a, e2.b, p.a, p.b, eps)) return true;
        return false;
    };
    // The first free candidate on a side, or false when the cap is passed.
    auto first_free = [&](const PlacementItem& it, int side, Line* out, double* at) {
        for (double d = step; d <= cap; d += step) {
            if (!build_candidate(it, side, d, f, out)) return false;
            if (!collides(*out)) {
                *at = d;
                return true;
            }
        }
        return false;
    };
    for (size_t i : order) {
        PlacementItem& it = items[i];
        int side = choose_side(it, f);
        Line c{};
        double at = 0;
        bool ok = first_free(it, side, &c, &at);
        if (ok && extension_crosses(it, c)) {
            Line other{};
            double at2 = 0;
            if (first_free(it, 1 - side, &other, &at2)) {
                c = other;
                at = at2;
            }
        }
        if (!ok) {
            it.unplaceable = true;
            ++marked;
            continue;
        }
        it.line_start = c.a;
        it.line_end = c.b;
        it.distance = at;
        it.placed = true;
        placed.push_back(c);
    }
    return marked;
}

}  // namespace placement_reference
