// Dimension placement: candidates, bands and the outward search.
#include "annotation/dimension_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

const char* const placement_marked_message =
    "В списках помечены размеры, которые нельзя правильно разместить (см. этап \"Размерная сеть\")";

double placement_band_half(const PlacementFrame& f) {
    double nine = 9 * f.sheet_mm;
    double needed = f.label_height + 1.74 * f.sheet_mm;  // the label, its 1.24 mm gap and 0.5 mm clear
    return std::isfinite(needed) && needed > nine ? needed : nine;
}

namespace {

const double pi = 3.14159265358979323846;

bool in_span(double direction, const RadialSpan& span) {
    switch (span.kind) {
    case RadialSpan::whole: return true;
    case RadialSpan::arc: {
        double t = std::fmod(direction - span.from, 2 * pi);
        if (t < 0) t += 2 * pi;
        return t <= span.sweep + 1e-12;
    }
    default: return false;
    }
}

}  // namespace

bool radial_direction_readable(double direction) {
    double c = std::cos(direction), s = std::sin(direction);
    if (c < 0 || (c == 0 && s > 0)) c = -c, s = -s;
    double reading = std::atan2(s, c);
    // A little margin below pi/3: the line is stored in floats and must
    // still read outside the window when its label is laid out.
    return !(reading > pi / 3 - 1e-3 && reading < pi / 2);
}

double choose_radial_direction(double wanted, const RadialSpan& span) {
    if (!std::isfinite(wanted) || radial_direction_readable(wanted) || span.kind == RadialSpan::fixed) return wanted;
    for (int k = 1; k <= 8; ++k)
        for (int side : {1, -1}) {
            double d = wanted + side * k * (pi / 24);
            if (in_span(d, span) && radial_direction_readable(d)) return d;
        }
    return wanted;
}

namespace {

struct Line {
    Point2 a, b;
    Point2 u;   // the extension direction at a: the band's half-width runs along it
    Point2 u2;  // the same at b (differs from u on the pieces of an arc)
};

// A candidate dimension line: its ends and the pieces it is tested by (one
// for a straight line, chords for an arc).
struct Candidate {
    Point2 a, b;
    std::vector<Line> pieces;
};

Point2 unit(double angle) { return {std::cos(angle), std::sin(angle)}; }

// The chords of the arc about c from a to b the shorter way, each at most
// pi/8 wide, their ends' radial directions as extension directions.
bool arc_pieces(Point2 c, Point2 a, Point2 b, std::vector<Line>* out) {
    double r = std::hypot(a.x - c.x, a.y - c.y), rb = std::hypot(b.x - c.x, b.y - c.y);
    if (!(r > 0) || !(rb > 0) || !std::isfinite(r) || !std::isfinite(rb)) return false;
    double a1 = std::atan2(a.y - c.y, a.x - c.x), a2 = std::atan2(b.y - c.y, b.x - c.x);
    double sweep = std::remainder(a2 - a1, 2 * pi);
    int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (pi / 8))));
    out->clear();
    Point2 from = a;
    for (int i = 1; i <= n; ++i) {
        double t0 = a1 + sweep * (i - 1) / n, t1 = a1 + sweep * i / n;
        double rr = r + (rb - r) * i / n;
        Point2 to = i == n ? b : Point2{c.x + rr * std::cos(t1), c.y + rr * std::sin(t1)};
        out->push_back(Line{from, to, unit(t0), unit(t1)});
        from = to;
    }
    return true;
}

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
                   {l.b.x - half * l.u2.x, l.b.y - half * l.u2.y},
                   {l.b.x + half * l.u2.x, l.b.y + half * l.u2.y},
                   {l.a.x + half * l.u.x, l.a.y + half * l.u.y}};
    for (int i = 0; i < 4; ++i)
        if (segments_cross(s.a, s.b, q[i], q[(i + 1) % 4], eps)) return true;
    Point2 mid = {(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
    return inside_quad(q, mid, eps) || inside_quad(q, s.a, eps) || inside_quad(q, s.b, eps);
}

bool finite(Point2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The candidate line of an item on a side at a distance beyond the frame;
// false when it cannot be built (parallel lines, non-finite input).
bool build_candidate(const PlacementItem& it, int side, double distance, const PlacementFrame& f, Candidate* out) {
    double d1 = it.first_direction + (side ? -pi : 0), d2 = it.second_direction + (side ? -pi : 0);
    Point2 u = unit(d1), u2 = unit(d2);
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
    if (it.shape == 3) {
        // An arc about the centre through the first end, to the second
        // extension direction.
        if (!finite(it.centre) || !finite(a)) return false;
        double r = std::hypot(a.x - it.centre.x, a.y - it.centre.y);
        Point2 b = {it.centre.x + r * u2.x, it.centre.y + r * u2.y};
        if (!finite(b) || !arc_pieces(it.centre, a, b, &out->pieces)) return false;
        out->a = a;
        out->b = b;
        return true;
    }
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
    out->a = a;
    out->b = b;
    out->pieces.assign(1, Line{a, b, u, u});
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


// The placed lines by the cells their bands' boxes cover, so that a
// candidate is tested only against the lines whose bands' boxes meet its
// own: a band test needs the two boxes to meet (each band holds its own
// line).  Boxes too large for the cells (or not finite) go to a list that
// every query scans.
class BandGrid {
public:
    explicit BandGrid(double cell) : cell_(cell > 0 && std::isfinite(cell) ? cell : 1) {}

    void add(int index, const Box& b) {
        long long x0, y0, x1, y1;
        if (!cells_of(b, &x0, &y0, &x1, &y1)) {
            oversize_.push_back(index);
        } else {
            for (long long x = x0; x <= x1; ++x)
                for (long long y = y0; y <= y1; ++y) cells_[key(x, y)].push_back(index);
        }
        if (static_cast<size_t>(index) >= seen_.size()) seen_.resize(index + 1, 0);
        all_.push_back(index);
    }

    // Calls test(index) once for each line whose band's box may meet b;
    // true as soon as one test is true.
    template <typename Test>
    bool any(const Box& b, Test test) {
        ++tick_;
        auto visit = [&](int i) {
            if (seen_[i] == tick_) return false;
            seen_[i] = tick_;
            return test(i);
        };
        for (int i : oversize_)
            if (visit(i)) return true;
        long long x0, y0, x1, y1;
        if (!cells_of(b, &x0, &y0, &x1, &y1) || (x1 - x0 + 1) * (y1 - y0 + 1) > static_cast<long long>(all_.size())) {
            for (int i : all_)
                if (visit(i)) return true;
            return false;
        }
        for (long long x = x0; x <= x1; ++x)
            for (long long y = y0; y <= y1; ++y) {
                auto it = cells_.find(key(x, y));
                if (it == cells_.end()) continue;
                for (int i : it->second)
                    if (visit(i)) return true;
            }
        return false;
    }

private:
    static uint64_t key(long long x, long long y) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
    }
    // The cell range of a box; false when it is not finite, lies beyond
    // the index range or covers too many cells.
    bool cells_of(const Box& b, long long* x0, long long* y0, long long* x1, long long* y1) const {
        const double limit = 1e9;
        double v[4] = {std::floor(b.min_x / cell_), std::floor(b.min_y / cell_), std::floor(b.max_x / cell_),
                       std::floor(b.max_y / cell_)};
        for (double d : v)
            if (!std::isfinite(d) || std::fabs(d) > limit) return false;
        *x0 = static_cast<long long>(v[0]);
        *y0 = static_cast<long long>(v[1]);
        *x1 = static_cast<long long>(v[2]);
        *y1 = static_cast<long long>(v[3]);
        return (*x1 - *x0 + 1) * (*y1 - *y0 + 1) <= 4096;
    }

    double cell_;
    std::unordered_map<uint64_t, std::vector<int>> cells_;
    std::vector<int> oversize_, all_;
    std::vector<unsigned> seen_;
    unsigned tick_ = 0;
};

// The box of a line's band (both ends moved by the half-width along the
// extension direction), widened by eps.
Box band_box(const Line& l, double half, double eps) {
    double hx = std::max(std::fabs(half * l.u.x), std::fabs(half * l.u2.x)) + eps;
    double hy = std::max(std::fabs(half * l.u.y), std::fabs(half * l.u2.y)) + eps;
    return Box{std::min(l.a.x, l.b.x) - hx, std::min(l.a.y, l.b.y) - hy, std::max(l.a.x, l.b.x) + hx,
               std::max(l.a.y, l.b.y) + hy};
}

}  // namespace

int resolve_placement_collisions(std::vector<PlacementItem>& items, const PlacementFrame& f) {
    const double mm = f.sheet_mm, step = 10 * mm, half = placement_band_half(f), eps = 1e-9 * (1 + mm);
    std::vector<Line> placed;
    BandGrid grid(2 * step);
    auto place = [&](const std::vector<Line>& pieces) {
        for (const Line& l : pieces) {
            grid.add(static_cast<int>(placed.size()), band_box(l, half, eps));
            placed.push_back(l);
        }
    };
    for (PlacementItem& it : items) {
        if (!it.keep) continue;
        it.placed = true;
        std::vector<Line> pieces;
        if (it.shape != 3 || !arc_pieces(it.centre, it.line_start, it.line_end, &pieces)) {
            Point2 u = unit(it.first_direction);
            pieces.assign(1, Line{it.line_start, it.line_end, u, u});
        }
        place(pieces);
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
    auto collides = [&](const Candidate& c) {
        for (const Line& piece : c.pieces)
            if (grid.any(band_box(piece, half, eps), [&](int i) {
                    const Line& p = placed[i];
                    return crosses_band(piece, p, half, eps) || crosses_band(p, piece, half, eps);
                }))
                return true;
        return false;
    };
    auto extension_crosses = [&](const PlacementItem& it, const Candidate& c) {
        for (const Line& p : placed)
            if (segments_cross(it.first, c.a, p.a, p.b, eps) || segments_cross(it.second, c.b, p.a, p.b, eps))
                return true;
        return false;
    };
    // The first free candidate on a side, or false when the cap is passed.
    auto first_free = [&](const PlacementItem& it, int side, Candidate* out, double* at) {
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
        bool arc = it.shape == 3;
        int side = arc ? 0 : choose_side(it, f);
        Candidate c{};
        double at = 0;
        bool ok = first_free(it, side, &c, &at);
        if (ok && !arc && extension_crosses(it, c)) {
            Candidate other{};
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
        place(c.pieces);
    }
    return marked;
}
