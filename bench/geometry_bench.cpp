// Timings of the kernel's hot paths: segment-segment, segment-arc and
// arc-arc intersection, and a point-in-contour scan over a 500-piece
// contour of segments and arcs.
#include "geometry/intersect.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

struct Setup {
    Setup() {
        kernel_context_set_defaults();
        static uint8_t header[drawing_header_size] = {};
        put_f64(header, header_scale_offset, 1.0);
        bind_current_drawing_header([]() -> const uint8_t* { return header; });
    }
} setup;

std::vector<Segment> random_segments(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-100, 100);
    std::vector<Segment> s(n);
    for (Segment& x : s) x = Segment{{u(rng), u(rng)}, {u(rng), u(rng)}};
    return s;
}

std::vector<ArcByCentre> random_arcs(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<ArcByCentre> a(n);
    for (ArcByCentre& x : a) {
        Point2 c{u(rng) * 60, u(rng) * 60};
        double r = 5 + (u(rng) + 1) * 30, a0 = u(rng) * PI, sw = 0.2 + (u(rng) + 1) * 2.5;
        x = ArcByCentre{{c.x + r * std::cos(a0), c.y + r * std::sin(a0)},
                        {c.x + r * std::cos(a0 - sw), c.y + r * std::sin(a0 - sw)}, c};
    }
    return a;
}

void BM_SegmentSegment(benchmark::State& state) {
    std::vector<Segment> a = random_segments(1024, 1), b = random_segments(1024, 2);
    size_t i = 0, hits = 0;
    Point2 out[2];
    for (auto _ : state) {
        hits += intersect_segments(&a[i & 1023], &b[(i * 7) & 1023], out);
        ++i;
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_SegmentSegment);

void BM_SegmentArc(benchmark::State& state) {
    std::vector<Segment> a = random_segments(1024, 3);
    std::vector<ArcByCentre> b = random_arcs(1024, 4);
    size_t i = 0, hits = 0;
    Point2 out[2];
    for (auto _ : state) {
        hits += intersect_segment_arc(&a[i & 1023], &b[(i * 7) & 1023], 3, out);
        ++i;
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_SegmentArc);

void BM_ArcArc(benchmark::State& state) {
    std::vector<ArcByCentre> a = random_arcs(1024, 5), b = random_arcs(1024, 6);
    size_t i = 0, hits = 0;
    Point2 out[4];
    for (auto _ : state) {
        hits += intersect_arcs(&a[i & 1023], 3, &b[(i * 7) & 1023], 3, out);
        ++i;
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_ArcArc);

// A star-shaped closed contour of 500 pieces, segments and arcs alternating.
struct Contour {
    std::vector<Segment> segments;
    std::vector<ArcByCentre> arcs;
};

Contour star_contour() {
    Contour c;
    const int n = 500;
    std::vector<Point2> p(n);
    for (int k = 0; k < n; ++k) {
        double a = -2 * PI * k / n, r = 50 + 8 * std::sin(7 * 2 * PI * k / n);
        p[k] = Point2{r * std::cos(a), r * std::sin(a)};
    }
    for (int k = 0; k < n; ++k) {
        Point2 s = p[k], e = p[(k + 1) % n];
        if (k % 2) {
            c.segments.push_back(Segment{s, e});
        } else {
            // A shallow arc over the chord, bulging outward.
            double mx = (s.x + e.x) / 2, my = (s.y + e.y) / 2, dx = e.x - s.x, dy = e.y - s.y;
            double l = std::hypot(dx, dy);
            Point2 centre{mx - dy / l * 2 * l, my + dx / l * 2 * l};
            c.arcs.push_back(ArcByCentre{s, e, centre});
        }
    }
    return c;
}

// The inside test built on the scan hits: hits at one x merge their end
// marks; only merged marks of 0 cross.
bool inside(const Contour& c, Point2 p) {
    std::vector<ScanHit> hits;
    ScanHit out[2];
    for (const Segment& s : c.segments) {
        int n = scanline_intersect_segment(p, &s, out);
        hits.insert(hits.end(), out, out + n);
    }
    for (const ArcByCentre& a : c.arcs) {
        int n = scanline_intersect_arc(p, &a, 3, out);
        hits.insert(hits.end(), out, out + n);
    }
    std::vector<ScanHit> merged;
    for (const ScanHit& h : hits) {
        bool done = false;
        for (ScanHit& m : merged)
            if (compare_doubles(m.x, h.x) == 0) {
                m.end_mark = static_cast<int16_t>(m.end_mark + h.end_mark);
                done = true;
            }
        if (!done) merged.push_back(h);
    }
    int left = 0, right = 0;
    for (const ScanHit& m : merged) {
        if (m.end_mark) continue;
        if (m.x < p.x) ++left;
        else ++right;
    }
    return (left % 2 == 1 && right > 0) || (right % 2 == 1 && left > 0);
}

void BM_PointInContour500(benchmark::State& state) {
    Contour c = star_contour();
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(-70, 70);
    std::vector<Point2> pts(256);
    for (Point2& p : pts) p = Point2{u(rng), u(rng)};
    size_t i = 0, in = 0;
    for (auto _ : state) {
        in += inside(c, pts[i & 255]);
        ++i;
    }
    benchmark::DoNotOptimize(in);
}
BENCHMARK(BM_PointInContour500);

}  // namespace
