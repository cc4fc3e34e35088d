// Closed dimension chains: breadth-first search and stepping.
#include "stages/dimensions/closed_chain.h"

#include <cstdio>

namespace {

// 0 when the node is no X/Y dimension, else 1 + its mode.
int xy_class(const DimensionNode& d) {
    if (!dimension_is_linear(d) || d.mode > 1) return 0;
    return 1 + d.mode;
}

}  // namespace

std::vector<int> find_closed_chain(const Network& net, int d) {
    std::vector<int> chain;
    if (d < 0 || static_cast<size_t>(d) >= net.dimensions.size()) return chain;
    const int cls = xy_class(net.dimensions[static_cast<size_t>(d)]);
    auto followed = [&](int e) {
        int c = xy_class(net.dimensions[static_cast<size_t>(e)]);
        return cls == 0 || c == 0 || c == cls;
    };
    std::vector<int> level(net.dimensions.size(), 0), parent(net.dimensions.size(), -1);
    std::vector<bool> point_done(net.points.size(), false);
    level[static_cast<size_t>(d)] = 1;
    std::vector<int> current = {d};
    for (int lv = 1; !current.empty(); ++lv) {
        std::vector<int> next;
        for (int e : current) {
            const DimensionNode& node = net.dimensions[static_cast<size_t>(e)];
            for (int role = 0; role < 3; ++role) {
                // From d only its first-end points; later every point.
                if (e == d && role != ROLE_FIRST) continue;
                for (int p : node.points[role]) {
                    if (p < 0 || static_cast<size_t>(p) >= net.points.size() || point_done[static_cast<size_t>(p)]) continue;
                    point_done[static_cast<size_t>(p)] = true;
                    for (int f : net.points[static_cast<size_t>(p)].dimensions) {
                        if (f < 0 || static_cast<size_t>(f) >= level.size() || level[static_cast<size_t>(f)] || !followed(f)) continue;
                        level[static_cast<size_t>(f)] = lv + 1;
                        parent[static_cast<size_t>(f)] = e;
                        next.push_back(f);
                    }
                }
            }
        }
        current.swap(next);
    }
    // A dimension reached from d's second-end or centre points closes the
    // loop (d itself never does).
    const DimensionNode& start = net.dimensions[static_cast<size_t>(d)];
    int closer = -1;
    for (int role : {ROLE_SECOND, ROLE_CENTRE}) {
        for (int p : start.points[role]) {
            if (p < 0 || static_cast<size_t>(p) >= net.points.size()) continue;
            for (int f : net.points[static_cast<size_t>(p)].dimensions)
                if (f != d && f >= 0 && static_cast<size_t>(f) < level.size() && level[static_cast<size_t>(f)] > 1) {
                    closer = f;
                    break;
                }
            if (closer >= 0) break;
        }
        if (closer >= 0) break;
    }
    if (closer < 0) return chain;
    for (int e = closer; e >= 0 && e != d; e = parent[static_cast<size_t>(e)]) chain.push_back(e);
    chain.push_back(d);
    return std::vector<int>(chain.rbegin(), chain.rend());
}

std::vector<uint32_t> closed_chain_of(NetworkRecords records, uint32_t dimension, std::string* message) {
    std::vector<uint32_t> out;
    Network net;
    CheckOptions options;
    options.message_box_mode = true;
    int result = check_projection_network(records, net, options);
    if (result == NETWORK_ERROR) {
        for (const NetworkLine& l : net.lines)
            if (l.counted) {
                if (message) *message = l.text;
                return out;
            }
        if (message && !net.lines.empty()) *message = net.lines.front().text;
        return out;
    }
    int d = -1;
    for (size_t i = 0; i < net.dimensions.size() && d < 0; ++i)
        if (net.dimensions[i].number == dimension && !net.dimensions[i].derived) d = static_cast<int>(i);
    if (d >= 0)
        for (int e : find_closed_chain(net, d)) {
            uint32_t n = net.dimensions[static_cast<size_t>(e)].number;
            bool seen = false;
            for (uint32_t m : out) seen = seen || m == n;
            if (!seen) out.push_back(n);
        }
    if (out.empty() && message) *message = "Для этого размера не найдено замкнутых циклов";
    return out;
}

uint32_t ChainStepper::next() {
    if (chain.empty()) return 0;
    shown = (shown + 1) % static_cast<int>(chain.size());
    return chain[static_cast<size_t>(shown)];
}

std::string ChainStepper::prompt() const {
    char text[96];
    std::snprintf(text, sizeof text, "%i-й размер замкнутой цепи. Всего %-i", shown + 1, static_cast<int>(chain.size()));
    return text;
}
