// View construction of one projection held in memory, by network shape and
// size: the checks, the solver and the applying of the results measured
// apart, with the growth between sizes (log-log slope) and the time the
// solver takes to return after the stop request.
//
// Networks (one connected component of n points unless said otherwise):
//   star    every point has X and Y dimensions from the origin;
//   chain   an X/Y chain: every point dimensioned from the one before;
//   grid    a square grid with X and Y dimensions between neighbours in both
//           directions (consistent redundant loops);
//   bolts   bolt circles: a centre from the origin, points on radius +
//           X or Y from the centre (as the generator gives them);
//   split   two components of n/2 points (fails: "не связанные");
//   loose   a star with one point without its Y dimension (fails).
// Run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_construction && (cd build/bench && ./bench_construction [max_n [fail_cap]])
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "stages/dimensions/dimension_network.h"
#include "stages/dimensions/network_store.h"
#include "stages/dimensions/point_solver.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double pi = 3.14159265358979323846;

struct Builder {
    NetworkRecords rec;
    uint32_t next_dim = 1;
    Builder() {
        rec.projection.assign(440, 0);
        put_u16(rec.projection.data(), 98, 0x0200);
        put_f64(rec.projection.data(), 112, 1.0);
        rec.has_elements = true;
    }
    void point(uint32_t n, double x, double y, bool origin = false) {
        std::vector<uint8_t> r(48, 0);
        put_u16(r.data(), 0, 48);
        put_u32(r.data(), 2, n);
        put_u16(r.data(), 8, origin ? 0x4000 : 0);
        put_f64(r.data(), 12, x);
        put_f64(r.data(), 20, y);
        put_f64(r.data(), 28, x);
        put_f64(r.data(), 36, y);
        rec.points.push_back(r);
    }
    uint32_t dimension(int kind, int mode, double nominal) {
        std::vector<uint8_t> r(100, 0);
        put_u16(r.data(), 0, 100);
        put_u32(r.data(), 2, next_dim);
        put_f64(r.data(), 14, nominal);
        put_u16(r.data(), 34, static_cast<uint16_t>(kind | (mode << 5)));
        rec.dimensions.push_back(r);
        return next_dim++;
    }
    void link(uint32_t dim, uint32_t pnt, int role) {
        std::vector<uint8_t> r(26, 0);
        put_u16(r.data(), 0, 26);
        put_u32(r.data(), 2, static_cast<uint32_t>(rec.links.size() + 1));
        put_u32(r.data(), 6, pnt);
        put_u32(r.data(), 10, dim);
        put_u16(r.data(), 24, static_cast<uint16_t>(role));
        rec.links.push_back(r);
    }
    // X (mode 0) from a to b: second end to the right; Y (mode 1): the
    // second end at the smaller model y.
    void x_dim(uint32_t a, double ax, uint32_t b, double bx) {
        uint32_t d = dimension(0, 0, std::fabs(bx - ax));
        link(d, a, bx >= ax ? 1 : 2);
        link(d, b, bx >= ax ? 2 : 1);
    }
    void y_dim(uint32_t a, double ay, uint32_t b, double by) {
        uint32_t d = dimension(0, 1, std::fabs(by - ay));
        link(d, a, by <= ay ? 1 : 2);
        link(d, b, by <= ay ? 2 : 1);
    }
    void radius(uint32_t centre, uint32_t end, double r) {
        uint32_t d = dimension(1, 0, r);
        link(d, centre, 3);
        link(d, end, 1);
    }
};

// Sketch positions: a deterministic scatter, so that no two points share a
// place and the chains are not degenerate.
double sx(uint32_t i) { return 10.0 + (i * 7919 % 10007) * 0.37; }
double sy(uint32_t i) { return 10.0 + (i * 104729 % 10009) * 0.41; }

Builder star(int n, bool loose) {
    Builder b;
    b.point(1, sx(1), sy(1), true);
    for (uint32_t i = 2; i <= static_cast<uint32_t>(n); ++i) {
        b.point(i, sx(i), sy(i));
        b.x_dim(1, sx(1), i, sx(i));
        if (!(loose && i == static_cast<uint32_t>(n))) b.y_dim(1, sy(1), i, sy(i));
    }
    return b;
}

Builder chain(int n) {
    Builder b;
    b.point(1, sx(1), sy(1), true);
    for (uint32_t i = 2; i <= static_cast<uint32_t>(n); ++i) {
        b.point(i, sx(i), sy(i));
        b.x_dim(i - 1, sx(i - 1), i, sx(i));
        b.y_dim(i - 1, sy(i - 1), i, sy(i));
    }
    return b;
}

Builder grid(int n) {
    Builder b;
    int side = static_cast<int>(std::sqrt(static_cast<double>(n)));
    if (side < 2) side = 2;
    auto num = [side](int r, int c) { return static_cast<uint32_t>(r * side + c + 1); };
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) b.point(num(r, c), 10.0 * c, 10.0 * r, r == 0 && c == 0);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            if (c + 1 < side) {
                b.x_dim(num(r, c), 10.0 * c, num(r, c + 1), 10.0 * (c + 1));
                b.y_dim(num(r, c), 10.0 * r, num(r, c + 1), 10.0 * r);
            }
            if (r + 1 < side) {
                b.x_dim(num(r, c), 10.0 * c, num(r + 1, c), 10.0 * c);
                b.y_dim(num(r, c), 10.0 * r, num(r + 1, c), 10.0 * (r + 1));
            }
        }
    return b;
}

Builder bolts(int n) {
    Builder b;
    b.point(1, 0, 0, true);
    uint32_t next = 2;
    int circle = 0;
    while (static_cast<int>(next) <= n - 1) {
        double cx = 100.0 * (circle % 30), cy = 100.0 * (circle / 30);
        uint32_t c = next++;
        b.point(c, cx, cy);
        b.x_dim(1, 0, c, cx);
        b.y_dim(1, 0, c, cy);
        for (int k = 0; k < 6 && static_cast<int>(next) <= n; ++k) {
            double a = 2 * pi * k / 6 + 0.1;
            double px = cx + 20 * std::cos(a), py = cy + 20 * std::sin(a);
            uint32_t p = next++;
            b.point(p, px, py);
            b.radius(c, p, 20);
            b.y_dim(c, cy, p, py);
        }
        ++circle;
    }
    return b;
}

Builder split(int n) {
    Builder b;
    int half = n / 2;
    b.point(1, sx(1), sy(1), true);
    for (uint32_t i = 2; i <= static_cast<uint32_t>(half); ++i) {
        b.point(i, sx(i), sy(i));
        b.x_dim(1, sx(1), i, sx(i));
        b.y_dim(1, sy(1), i, sy(i));
    }
    uint32_t base = static_cast<uint32_t>(half) + 1;
    b.point(base, sx(base), sy(base));
    for (uint32_t i = base + 1; i <= static_cast<uint32_t>(n); ++i) {
        b.point(i, sx(i), sy(i));
        b.x_dim(base, sx(base), i, sx(i));
        b.y_dim(base, sy(base), i, sy(i));
    }
    return b;
}

struct Times {
    double check = 0, solve = 0, apply = 0;
    bool solved = false;
    std::string line;
};

double ms_since(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

Times run(Builder b) {
    Times t;
    Network net;
    CheckOptions co;
    auto t0 = Clock::now();
    int checked = check_projection_network(b.rec, net, co);
    t.check = ms_since(t0);
    if (checked != NETWORK_OK) {
        t.line = net.lines.empty() ? "check failed" : net.lines.front().text;
        return t;
    }
    SolverOptions so;
    so.stop_requested = [] { return false; };
    t0 = Clock::now();
    SolverResult r = solve_point_network(net, so);
    t.solve = ms_since(t0);
    t.solved = r.outcome == SOLVER_SOLVED;
    if (!net.lines.empty()) t.line = net.lines.front().text;
    t0 = Clock::now();
    apply_construction_results(b.rec, net, t.solved ? 0 : 1, {});
    t.apply = ms_since(t0);
    return t;
}

// The time from the stop request (raised `after_ms` into the solver) to
// its return; -1 when the solver ended before the request.
double stop_answer(Builder b, double after_ms) {
    Network net;
    CheckOptions co;
    if (check_projection_network(b.rec, net, co) != NETWORK_OK) return -1;
    SolverOptions so;
    auto start = Clock::now();
    Clock::time_point raised{};
    bool was_raised = false;
    so.stop_requested = [&] {
        if (!was_raised && ms_since(start) >= after_ms) {
            was_raised = true;
            raised = Clock::now();
        }
        return was_raised;
    };
    solve_point_network(net, so);
    return was_raised ? ms_since(raised) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    int max_n = argc > 1 ? std::atoi(argv[1]) : 10000;
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    // Failing networks are measured up to `fail_cap` points (the second
    // argument; all sizes by default).
    int fail_cap = argc > 2 ? std::atoi(argv[2]) : max_n;
    struct Shape {
        const char* name;
        std::function<Builder(int)> make;
        bool fails;
    } shapes[] = {
        {"star", [](int n) { return star(n, false); }, false},
        {"chain", chain, false},
        {"grid", grid, false},
        {"bolts", bolts, false},
        {"split", split, true},
        {"loose", [](int n) { return star(n, true); }, true},
    };
    const int sizes[] = {100, 300, 1000, 3000, 10000, 30000, 100000};
    std::printf("%-6s %7s %10s %10s %10s %7s %8s  %s\n", "shape", "points", "check ms", "solve ms", "apply ms",
                "slope", "stop ms", "result");
    for (const Shape& s : shapes) {
        double prev = -1;
        int prev_n = 0;
        for (int n : sizes) {
            if (n > max_n || (s.fails && n > fail_cap)) break;
            Times t = run(s.make(n));
            double total = t.check + t.solve + t.apply;
            double slope = prev > 0 && total > 0 ? std::log10(total / prev) / std::log10(double(n) / prev_n) : 0;
            double stop = stop_answer(s.make(n), 1.0);
            std::printf("%-6s %7d %10.2f %10.2f %10.2f %7.2f %8.3f  %s\n", s.name, n, t.check, t.solve, t.apply,
                        slope, stop, t.solved ? "solved" : t.line.c_str());
            std::fflush(stdout);
            prev = total;
            prev_n = n;
        }
    }
    return 0;
}
