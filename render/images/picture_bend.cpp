// Bending a picture along a cubic Bezier by warping between two chains of
// arc pieces.
#include "render/images/picture_bend.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/byte_order.h"
#include "geometry/curve_images.h"
#include "render/images/bmp_image.h"
#include "store/record_layouts.h"

namespace {

constexpr double two_pi = 6.283185307179586;

// One piece of a chain with what its arithmetic needs.
struct Piece {
    Point2 a{}, c{};
    double ux = 0, uy = 0;  // straight: the unit direction
    bool arc = false;
    double r = 0, theta = 0, sigma = 1, length = 0;
};

Piece make_piece(Point2 a, Point2 t, Point2 b) {
    Piece p;
    p.a = a;
    const double chord = std::hypot(b.x - a.x, b.y - a.y);
    const double cross = (t.x - a.x) * (b.y - t.y) - (t.y - a.y) * (b.x - t.x);
    if (chord > 0 && std::fabs(cross) > 1e-9 * chord * chord) {
        // The circle through a, t and b.
        const double d = 2 * (a.x * (t.y - b.y) + t.x * (b.y - a.y) + b.x * (a.y - t.y));
        const double a2 = a.x * a.x + a.y * a.y, t2 = t.x * t.x + t.y * t.y, b2 = b.x * b.x + b.y * b.y;
        const Point2 c = {(a2 * (t.y - b.y) + t2 * (b.y - a.y) + b2 * (a.y - t.y)) / d,
                          (a2 * (b.x - t.x) + t2 * (a.x - b.x) + b2 * (t.x - a.x)) / d};
        const double r = std::hypot(a.x - c.x, a.y - c.y);
        if (std::isfinite(r) && r < 1e6 * chord) {
            p.arc = true;
            p.c = c;
            p.r = r;
            p.sigma = cross > 0 ? 1 : -1;
            p.theta = std::atan2(a.y - c.y, a.x - c.x);
            double sweep = p.sigma * (std::atan2(b.y - c.y, b.x - c.x) - p.theta);
            sweep = std::fmod(sweep, two_pi);
            if (sweep < 0) sweep += two_pi;
            p.length = sweep * r;
            return p;
        }
    }
    p.length = chord;
    p.ux = chord > 0 ? (b.x - a.x) / chord : 1;
    p.uy = chord > 0 ? (b.y - a.y) / chord : 0;
    return p;
}

// The point at arc length s from the piece's start, offset o along the
// normal (the direction of travel turned by +90 degrees).
Point2 piece_point(const Piece& p, double s, double o) {
    if (!p.arc) return Point2{p.a.x + s * p.ux - o * p.uy, p.a.y + s * p.uy + o * p.ux};
    const double th = p.theta + p.sigma * s / p.r;
    const double rho = p.r - p.sigma * o;
    return Point2{p.c.x + rho * std::cos(th), p.c.y + rho * std::sin(th)};
}

// The position along the piece (unclamped) and the offset across it.
void piece_project(const Piece& p, Point2 q, double* s, double* o) {
    if (!p.arc) {
        const double dx = q.x - p.a.x, dy = q.y - p.a.y;
        *s = dx * p.ux + dy * p.uy;
        *o = -dx * p.uy + dy * p.ux;
        return;
    }
    const double sweep = p.length / p.r;
    double delta = p.sigma * (std::atan2(q.y - p.c.y, q.x - p.c.x) - p.theta);
    // Angles about the middle of the piece, so both ends extend evenly.
    const double low = sweep / 2 - two_pi / 2;
    delta = std::fmod(delta - low, two_pi);
    if (delta < 0) delta += two_pi;
    delta += low;
    *s = delta * p.r;
    *o = p.sigma * (p.r - std::hypot(q.x - p.c.x, q.y - p.c.y));
}

// A box that holds every point of a piece; the end pieces are continued
// beyond the chain's ends, so they get no box and are always measured.
struct PieceBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Point2 ra{}, rb{}, b{};  // arc: start and end radius vectors; the end point
    bool small_arc = false;  // an arc of at most half a turn
};

struct PreparedChain {
    std::vector<Piece> pieces;
    std::vector<double> length;
    std::vector<PieceBox> boxes;
    double total = 0;
};

PieceBox piece_box(const Piece& p) {
    Point2 a = piece_point(p, 0, 0), b = piece_point(p, p.length, 0);
    PieceBox box;
    box.x0 = std::fmin(a.x, b.x), box.y0 = std::fmin(a.y, b.y);
    box.x1 = std::fmax(a.x, b.x), box.y1 = std::fmax(a.y, b.y);
    box.b = b;
    if (p.arc) {
        box.ra = Point2{a.x - p.c.x, a.y - p.c.y};
        box.rb = Point2{b.x - p.c.x, b.y - p.c.y};
        box.small_arc = p.length / p.r <= two_pi / 2;
    }
    if (p.arc) {
        // The circle's extreme points that the arc passes.
        const double sweep = p.length / p.r;
        for (int q = 0; q < 4; ++q) {
            const double angle = q * two_pi / 4;
            double delta = std::fmod(p.sigma * (angle - p.theta), two_pi);
            if (delta < 0) delta += two_pi;
            if (delta > sweep) continue;
            const double x = p.c.x + p.r * std::cos(angle), y = p.c.y + p.r * std::sin(angle);
            box.x0 = std::fmin(box.x0, x), box.x1 = std::fmax(box.x1, x);
            box.y0 = std::fmin(box.y0, y), box.y1 = std::fmax(box.y1, y);
        }
    }
    // Rounding of the piece's points is kept inside.
    const double margin = 1e-9 * (std::fabs(box.x0) + std::fabs(box.x1) + std::fabs(box.y0) + std::fabs(box.y1) +
                                  p.length + p.r) + 1e-12;
    box.x0 -= margin, box.y0 -= margin, box.x1 += margin, box.y1 += margin;
    return box;
}

bool prepare(const WarpChain& chain, PreparedChain* out) {
    const size_t n = chain.v.size();
    if (n < 2 || chain.length.size() != n) return false;
    out->pieces.clear();
    out->boxes.clear();
    for (size_t i = 0; i + 1 < n; ++i) {
        out->pieces.push_back(make_piece(chain.v[i].point, chain.v[i].through, chain.v[i + 1].point));
        out->boxes.push_back(piece_box(out->pieces.back()));
    }
    out->length = chain.length;
    out->total = chain.length.back();
    return out->total > 0 && std::isfinite(out->total);
}

// Distance from q to piece i's foot (clamped inside the piece, except
// beyond the chain's ends), with the position and the offset.
double piece_distance(const PreparedChain& c, size_t i, Point2 q, double* position, double* offset) {
    const Piece& p = c.pieces[i];
    const size_t last = c.pieces.size() - 1;
    double s, o;
    piece_project(p, q, &s, &o);
    double sc = s;
    if (sc < 0 && i != 0) sc = 0;
    if (sc > p.length && i != last) sc = p.length;
    const Point2 f = piece_point(p, sc, 0);
    *position = c.length[i] + sc;
    *offset = o;
    return std::hypot(q.x - f.x, q.y - f.y);
}

// Position along the chain and offset across it of q: the nearest piece,
// the first of equally near ones.  Each piece is measured.
void chain_project(const PreparedChain& c, Point2 q, double* position, double* offset) {
    double best = INFINITY;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
        double s, o;
        const double d = piece_distance(c, i, q, &s, &o);
        if (d < best) {
            best = d;
            *position = s;
            *offset = o;
        }
    }
}

// The distance from q to a piece clamped at both ends (not an end piece of
// the chain) without the trigonometry of piece_distance: equal to it but
// for rounding.
double piece_distance_quick(const Piece& p, const PieceBox& box, Point2 q) {
    if (!p.arc) {
        const double dx = q.x - p.a.x, dy = q.y - p.a.y;
        const double s = std::fmin(std::fmax(dx * p.ux + dy * p.uy, 0.0), p.length);
        return std::hypot(dx - s * p.ux, dy - s * p.uy);
    }
    const double vx = q.x - p.c.x, vy = q.y - p.c.y;
    bool inside;
    if (box.small_arc) {
        // Within the wedge from the start radius to the end radius.
        inside = p.sigma * (box.ra.x * vy - box.ra.y * vx) >= 0 && p.sigma * (vx * box.rb.y - vy * box.rb.x) >= 0;
    } else {
        double delta = std::fmod(p.sigma * (std::atan2(vy, vx) - p.theta), two_pi);
        if (delta < 0) delta += two_pi;
        inside = delta <= p.length / p.r;
    }
    if (inside) return std::fabs(std::hypot(vx, vy) - p.r);
    return std::fmin(std::hypot(q.x - p.a.x, q.y - p.a.y), std::hypot(q.x - box.b.x, q.y - box.b.y));
}

// The same answer as chain_project, quicker for many points in a row:
// only the pieces whose box lies no farther than the best distance so far
// are measured, first without trigonometry; the exact measure then decides
// among the pieces within rounding of the nearest, the first of equally
// near ones as chain_project takes it.  *hint: the nearest piece of the
// previous point, measured first.
void chain_project_near(const PreparedChain& c, Point2 q, size_t* hint, double* position, double* offset) {
    const size_t n = c.pieces.size(), last = n - 1;
    thread_local std::vector<double> quick;
    quick.assign(n, INFINITY);
    double best = INFINITY;
    auto measure = [&](size_t i) {
        if (quick[i] != INFINITY) return;
        double s, o;
        quick[i] = (i == 0 || i == last) ? piece_distance(c, i, q, &s, &o)
                                         : piece_distance_quick(c.pieces[i], c.boxes[i], q);
        best = std::fmin(best, quick[i]);
    };
    if (*hint < n) measure(*hint);
    measure(0);
    measure(last);
    // Distances within this margin of each other are equal but for rounding.
    const double scale = 1 + std::fabs(q.x) + std::fabs(q.y);
    for (size_t i = 1; i < last; ++i) {
        const PieceBox& b = c.boxes[i];
        const double dx = q.x < b.x0 ? b.x0 - q.x : (q.x > b.x1 ? q.x - b.x1 : 0);
        const double dy = q.y < b.y0 ? b.y0 - q.y : (q.y > b.y1 ? q.y - b.y1 : 0);
        const double reach = best + 1e-9 * (scale + best);
        if (dx > reach || dy > reach || dx * dx + dy * dy > reach * reach) continue;
        measure(i);
    }
    const double margin = 1e-9 * (scale + best);
    double exact = INFINITY;
    size_t best_i = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!(quick[i] <= best + margin)) continue;
        double s, o;
        const double d = piece_distance(c, i, q, &s, &o);
        if (d < exact) {
            exact = d;
            best_i = i;
            *position = s;
            *offset = o;
        }
    }
    *hint = best_i;
}

Point2 chain_point(const PreparedChain& c, double position, double offset) {
    const size_t n = c.pieces.size();
    size_t j = static_cast<size_t>(std::upper_bound(c.length.begin(), c.length.begin() + static_cast<long>(n), position) -
                                   c.length.begin());
    j = j == 0 ? 0 : j - 1;
    return piece_point(c.pieces[j], position - c.length[j], offset);
}

bool warp(const PreparedChain& from, const PreparedChain& to, Point2 p, Point2* out) {
    double position = 0, offset = 0;
    chain_project(from, p, &position, &offset);
    *out = chain_point(to, position * (to.total / from.total), offset);
    return std::isfinite(out->x) && std::isfinite(out->y);
}

// warp() for a run of neighbouring points, with the hint of the last one.
bool warp_near(const PreparedChain& from, const PreparedChain& to, Point2 p, size_t* hint, Point2* out) {
    double position = 0, offset = 0;
    chain_project_near(from, p, hint, &position, &offset);
    *out = chain_point(to, position * (to.total / from.total), offset);
    return std::isfinite(out->x) && std::isfinite(out->y);
}

}  // namespace

bool warp_chain_of_bezier(const BezierGeom& bezier, WarpChain* out) {
    uint8_t element[element_bezier_offset + 64] = {};
    put_point2(element, element_bezier_offset, bezier.start);
    put_point2(element, element_bezier_offset + 16, bezier.end);
    put_point2(element, element_bezier_offset + 32, bezier.control1);
    put_point2(element, element_bezier_offset + 48, bezier.control2);
    CurveVertex v[bezier_max_vertices];
    const int n = bezier_to_arc_vertices(element, v);
    if (n < 2) return false;
    out->v.assign(v, v + n);
    out->length.assign(static_cast<size_t>(n), 0.0);
    for (int i = 0; i + 1 < n; ++i)
        out->length[static_cast<size_t>(i + 1)] =
            out->length[static_cast<size_t>(i)] + make_piece(v[i].point, v[i].through, v[i + 1].point).length;
    return out->length.back() > 0 && std::isfinite(out->length.back());
}

bool warp_point_between_chains(const WarpChain& source, const WarpChain& target, Point2 p, Point2* out) {
    PreparedChain from, to;
    if (!prepare(source, &from) || !prepare(target, &to)) return false;
    return warp(from, to, p, out);
}

bool picture_bend(const RasterView& src, const int32_t pp[4][2], double k, const Point2 sp[4], bool final_form,
                  uint32_t key, BentPicture* out, const volatile int* pending) {
    if (!(k > 0) || !std::isfinite(k) || src.width <= 0 || src.height <= 0) return false;
    const BezierGeom picture_bezier = {{pp[0][0] * k, pp[0][1] * k}, {pp[1][0] * k, pp[1][1] * k},
                                       {pp[2][0] * k, pp[2][1] * k}, {pp[3][0] * k, pp[3][1] * k}};
    const BezierGeom symbol_bezier = {sp[0], sp[1], sp[2], sp[3]};
    WarpChain picture_chain, symbol_chain;
    PreparedChain from, to;
    if (!warp_chain_of_bezier(picture_bezier, &picture_chain) || !warp_chain_of_bezier(symbol_bezier, &symbol_chain) ||
        !prepare(picture_chain, &from) || !prepare(symbol_chain, &to))
        return false;

    // Bounds: every third column and row of the picture (and the last ones);
    // the preview of a large picture takes about 400 of each, so a paint
    // stays quick.
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    const int32_t step = final_form ? 3 : std::max<int32_t>(3, std::max(src.width, src.height) / 400);
    auto step_to = [step](int32_t i, int32_t n) { return i + step < n ? i + step : (i == n - 1 ? n : n - 1); };
    size_t hint = 0;
    for (int32_t y = 0; y < src.height; y = step_to(y, src.height))
        for (int32_t x = 0; x < src.width; x = step_to(x, src.width)) {
            Point2 q;
            if (!warp_near(from, to, Point2{x * k, y * k}, &hint, &q)) return false;
            x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        }
    const double xe = x1 - x0, ye = y1 - y0;
    const double t = final_form ? std::min(xe / src.width, ye / src.height) : 0.005 * std::max(xe, ye);
    if (!(t > 0) || !std::isfinite(t)) return false;
    const double w = std::trunc((xe + 2 * t) / t), h = std::trunc((ye + 2 * t) / t);
    if (!(w >= 1 && h >= 1) || w * h > static_cast<double>(bend_max_pixels)) return false;
    const int32_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
    x0 -= t;
    y0 -= t;

    BentPicture r;
    const size_t stride = bmp_row_stride(static_cast<uint32_t>(width), 3);
    try {
        r.dib.assign(bmp_info_header_size + stride * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    put_u32(r.dib.data(), 0, bmp_info_header_size);
    put_i32(r.dib.data(), 4, width);
    put_i32(r.dib.data(), 8, height);
    put_u16(r.dib.data(), 12, 1);
    put_u16(r.dib.data(), 14, 24);
    RasterView dst;
    if (!raster_view_of_dib(r.dib.data(), r.dib.size(), &dst)) return false;
    size_t row_hint = 0;
    for (int32_t i = 0; i < height; ++i) {
        if (pending && !*pending) return false;
        for (int32_t j = 0; j < width; ++j) {
            Point2 q;
            uint32_t colour = key;
            if (warp_near(to, from, Point2{x0 + j * t, y0 + i * t}, &row_hint, &q)) {
                int found = 0;
                const uint32_t c = raster_sample(src, q.x / k, src.height - 1 - q.y / k, &found);
                if (found) colour = c;
            }
            raster_pixel_set(dst, j, height - 1 - i, colour);
        }
    }
    for (int32_t row = 0; row < height && r.key_x < 0; ++row)
        for (int32_t col = 0; col < width; ++col)
            if (static_cast<uint32_t>(raster_pixel_get(dst, col, row)) == key) {
                r.key_x = col;
                r.key_row = row;
                break;
            }
    r.width = width;
    r.height = height;
    r.pixel_size = t;
    r.key = key;
    r.points[0][0] = static_cast<int32_t>((sp[0].x - x0) / t + 0.5);
    r.points[0][1] = static_cast<int32_t>((sp[0].y - y0) / t + 0.5);
    r.points[1][0] = static_cast<int32_t>((sp[1].x - x0) / t + 0.5);
    r.points[1][1] = static_cast<int32_t>((sp[1].y - y0) / t + 0.5);
    *out = std::move(r);
    return true;
}
