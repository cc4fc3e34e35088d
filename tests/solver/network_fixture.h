// Small dimension networks for the check and solver tests: records written
// at their stored byte offsets, a residual verifier that measures every
// dimension on the solved positions by its own arithmetic, and a helper
// that runs the checks and the solver.
#pragma once

#include "base/byte_order.h"
#include "stages/dimensions/dimension_network.h"
#include "stages/dimensions/point_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace solver_test {

constexpr double pi = 3.14159265358979323846;

// Link roles as stored.
enum { FIRST = 1, SECOND = 2, CENTRE = 3 };

struct Fixture {
    NetworkRecords rec;

    Fixture() {
        rec.projection.assign(440, 0);
        put_u16(rec.projection.data(), 98, 0x0200);   // needs construction
        put_f64(rec.projection.data(), 112, 1.0);     // scale
        rec.has_elements = true;
    }

    void point(uint32_t n, double x, double y, uint16_t flags = 0) {
        std::vector<uint8_t> r(48, 0);
        put_u16(r.data(), 0, 48);
        put_u32(r.data(), 2, n);
        put_u16(r.data(), 8, flags);
        put_f64(r.data(), 12, x);
        put_f64(r.data(), 20, y);
        put_f64(r.data(), 28, x);
        put_f64(r.data(), 36, y);
        rec.points.push_back(r);
    }

    void dimension(uint32_t n, int kind, int mode, double nominal, int comparison = 0, uint32_t ax1 = 0,
                   uint32_t ax2 = 0, uint16_t state = 0) {
        std::vector<uint8_t> r(100, 0);
        put_u16(r.data(), 0, 100);
        put_u32(r.data(), 2, n);
        put_u32(r.data(), 6, ax1);
        put_u32(r.data(), 10, ax2);
        put_f64(r.data(), 14, nominal);
        put_u16(r.data(), 34, static_cast<uint16_t>(kind | (mode << 5)));
        put_u16(r.data(), 36, static_cast<uint16_t>((comparison << 8) | (comparison ? 0x0008 : 0)));
        put_u16(r.data(), 38, state);
        rec.dimensions.push_back(r);
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

    // A dimension between two points (first end a, second end b).
    void between(uint32_t n, int kind, int mode, double nominal, uint32_t a, uint32_t b, int comparison = 0,
                 uint32_t ax1 = 0, uint32_t ax2 = 0) {
        dimension(n, kind, mode, nominal, comparison, ax1, ax2);
        link(n, a, FIRST);
        link(n, b, SECOND);
    }
    void x_dim(uint32_t n, double v, uint32_t a, uint32_t b) { between(n, 0, 0, v, a, b); }
    void y_dim(uint32_t n, double v, uint32_t a, uint32_t b) { between(n, 0, 1, v, a, b); }
    void radius(uint32_t n, double v, uint32_t centre, uint32_t end, int comparison = 0) {
        dimension(n, 1, 0, v, comparison);
        link(n, centre, CENTRE);
        link(n, end, FIRST);
    }
    void angle(uint32_t n, double v, uint32_t centre, uint32_t first, uint32_t second) {
        dimension(n, 3, 0, v);
        link(n, centre, CENTRE);
        link(n, first, FIRST);
        link(n, second, SECOND);
    }

    uint16_t dimension_state(uint32_t n) const {
        for (const auto& r : rec.dimensions)
            if (get_u32(r.data(), 2) == n) return get_u16(r.data(), 38);
        return 0;   // no such record: nothing marked
    }
    uint16_t point_flags(uint32_t n) const {
        for (const auto& r : rec.points)
            if (get_u32(r.data(), 2) == n) return get_u16(r.data(), 8);
        return 0xFFFF;
    }
};

struct Outcome {
    int check = 0;
    SolverResult solver;
    Network net;
    std::map<uint32_t, std::pair<double, double>> solved;
    std::vector<std::string> lines;       // every line in order
    std::vector<bool> counted;

    bool has_line(const std::string& text) const {
        for (const std::string& l : lines)
            if (l == text) return true;
        return false;
    }
    double x(uint32_t n) const { return solved.at(n).first; }
    double y(uint32_t n) const { return solved.at(n).second; }
};

inline Outcome run_network(Fixture& f, const SolverOptions& options = SolverOptions(),
                       const CheckOptions& check_options = CheckOptions()) {
    Outcome run;
    run.check = check_projection_network(f.rec, run.net, check_options);
    if (run.check == NETWORK_OK) run.solver = solve_point_network(run.net, options);
    for (const PointNode& p : run.net.points) run.solved[p.number] = {p.x, p.y};
    for (const NetworkLine& l : run.net.lines) {
        run.lines.push_back(l.text);
        run.counted.push_back(l.counted);
    }
    return run;
}

inline double wrap(double a) {
    while (a <= -pi) a += 2 * pi;
    while (a > pi) a -= 2 * pi;
    return a;
}

// Independent residual check of every exact dimension of the fixture on the
// solved positions. Returns the first violated dimension number, 0 when all
// hold.
inline uint32_t first_violated(const Fixture& f, const Outcome& run, double magnitude = 1) {
    const double len_tol = 1e-7 * std::max(1.0, magnitude);
    for (const auto& d : f.rec.dimensions) {
        uint32_t n = get_u32(d.data(), 2);
        int kind = get_u16(d.data(), 34) & 0x1F;
        int mode = (get_u16(d.data(), 34) >> 5) & 7;
        int cmp = (get_u16(d.data(), 36) >> 8) & 7;
        double v = get_f64(d.data(), 14);
        if (cmp) continue;
        std::vector<uint32_t> role[4];
        for (const auto& l : f.rec.links)
            if (get_u32(l.data(), 10) == n) role[get_u16(l.data(), 24) & 3].push_back(get_u32(l.data(), 6));
        auto P = [&](uint32_t p) { return run.solved.at(p); };
        bool linear = kind == 0 || kind == 6 || (kind == 2 && !role[SECOND].empty());
        if (linear) {
            double ux, uy;
            if (mode == 0) { ux = 1; uy = 0; }
            else if (mode == 1) { ux = 0; uy = -1; }
            else {
                auto a1 = P(get_u32(d.data(), 6)), a2 = P(get_u32(d.data(), 10));
                double a = std::atan2(a2.second - a1.second, a2.first - a1.first);
                double phi = mode == 2 ? a : a - pi / 2;
                ux = std::cos(phi);
                uy = std::sin(phi);
            }
            for (uint32_t p1 : role[FIRST])
                for (uint32_t p2 : role[SECOND]) {
                    double m = (P(p2).first - P(p1).first) * ux + (P(p2).second - P(p1).second) * uy;
                    if (std::fabs(m - v) > len_tol) return n;
                }
            if (mode == 4) {   // the half from the axis line
                auto a1 = P(get_u32(d.data(), 6));
                for (uint32_t p2 : role[SECOND]) {
                    double m = (P(p2).first - a1.first) * ux + (P(p2).second - a1.second) * uy;
                    if (std::fabs(m - v / 2) > len_tol) return n;
                }
            }
        } else if (kind == 1 || kind == 2) {
            double r = kind == 2 ? v / 2 : v;
            for (uint32_t c : role[CENTRE])
                for (uint32_t p : role[FIRST])
                    if (std::fabs(std::hypot(P(p).first - P(c).first, P(p).second - P(c).second) - r) > len_tol)
                        return n;
        } else if (kind == 3) {
            for (uint32_t c : role[CENTRE])
                for (uint32_t p1 : role[FIRST])
                    for (uint32_t p2 : role[SECOND]) {
                        double d1 = std::atan2(P(p1).second - P(c).second, P(p1).first - P(c).first);
                        double d2 = std::atan2(P(p2).second - P(c).second, P(p2).first - P(c).first);
                        if (std::fabs(wrap(d2 - d1 + v)) > 1e-9) return n;
                    }
        }
    }
    return 0;
}

}  // namespace solver_test
