// The search that places dimension lines outside a projection's frame, for
// 100 and 1,000 dimensions on one projection: the worst case (every span
// overlaps every other, all on one side: the k-th line steps out k times
// against k placed lines) and a spread case (a grid of short chains).
// Prints the time and the outermost distance of the indexed search and,
// with --reference, of the all-pairs search it replaced (the same results;
// the worst case of 1,000 takes minutes that way); run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_placement && (cd build/bench && ./bench_placement)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "annotation/dimension_placement.h"
#include "tests/annotation/placement_reference.h"

namespace {

const double half_pi = 1.5707963267948966;

double now_ms() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool with_reference = false;

void run_one(const char* name, std::vector<PlacementItem> items, const PlacementFrame& f, bool reference) {
    double t0 = now_ms();
    int marked = reference ? placement_reference::resolve(items, f) : resolve_placement_collisions(items, f);
    double t1 = now_ms();
    double outer = 0;
    for (const PlacementItem& it : items)
        if (it.distance > outer) outer = it.distance;
    std::printf("%-28s %-10s %5zu dimensions: %10.1f ms, outermost %8.0f mm, %d marked\n", name,
                reference ? "all-pairs" : "indexed", items.size(), t1 - t0, outer / f.sheet_mm, marked);
}

void run(const char* name, const std::vector<PlacementItem>& items, const PlacementFrame& f) {
    run_one(name, items, f, false);
    if (with_reference) run_one(name, items, f, true);
}

}  // namespace

int main(int argc, char** argv) {
    with_reference = argc > 1 && std::strcmp(argv[1], "--reference") == 0;
    PlacementFrame f{{0, 0, 1000, 500}, 1.0};
    for (int n : {100, 1000}) {
        // Worst case: nested spans over the top edge, all upwards.
        std::vector<PlacementItem> worst;
        for (int i = 0; i < n; ++i) {
            PlacementItem it{};
            double w = 400.0 * (i + 1) / n;
            it.first = {500 - w, 500};
            it.second = {500 + w, 500};
            it.first_direction = it.second_direction = half_pi;
            it.view_length = 2 * w;
            worst.push_back(it);
        }
        run("worst (all overlapping)", worst, f);
        // Spread: chains of ten short spans side by side, on all four edges.
        std::vector<PlacementItem> spread;
        for (int i = 0; i < n; ++i) {
            PlacementItem it{};
            int edge = i % 4, k = (i / 4) % 10, chain = i / 40;
            double a = 20.0 * k + 0.5 * chain, b = a + 20.0 + (chain % 3) * 5;
            if (edge == 0) it.first = {a, 500}, it.second = {b, 500}, it.first_direction = half_pi;
            if (edge == 1) it.first = {a, 0}, it.second = {b, 0}, it.first_direction = -half_pi;
            if (edge == 2) it.first = {0, a / 2}, it.second = {0, b / 2}, it.first_direction = 2 * half_pi;
            if (edge == 3) it.first = {1000, a / 2}, it.second = {1000, b / 2}, it.first_direction = 0;
            it.second_direction = it.first_direction;
            it.view_length = b - a;
            spread.push_back(it);
        }
        run("spread (grid of chains)", spread, f);
    }
    return 0;
}
