// The clicks of a fragment insertion: the fragment's binding points, the
// target and the placed points.
#include "output/fragment_pick.h"

namespace {

bool holds(const uint32_t* points, int count, uint32_t number) {
    for (int i = 0; i < count; ++i)
        if (points[i] == number) return true;
    return false;
}

void start_target(FragmentPick& pick, uint32_t projection) {
    pick.target = projection;
    pick.params.target_projection = projection;
    pick.params.target_count = 0;
    for (int i = 0; i < 3; ++i) {
        pick.params.target_points[i] = 0;
        pick.params.target_xy[i] = Point2{};
    }
}

}  // namespace

FragmentPickResult fragment_pick_click(FragmentPick& pick, uint32_t projection, uint32_t number, Point2 xy,
                                       bool serial) {
    FragmentInsertParams& p = pick.params;
    if (!pick.started) {
        pick = FragmentPick();
        pick.started = true;
        pick.source = projection;
        p.source_projection = projection;
    }
    if (projection == pick.source && !pick.target) {
        if (p.source_count >= 3 || holds(p.source_points, p.source_count, number)) return pick_ignored;
        p.source_points[p.source_count] = number;
        p.source_xy[p.source_count] = xy;
        ++p.source_count;
        return pick_source_point;
    }
    FragmentPickResult first = pick_target_point;
    if (!pick.target) {
        // The fragment needs a binding point before a target is chosen.
        if (p.source_count == 0) return pick_ignored;
        start_target(pick, projection);
    } else if (projection != pick.target) {
        if (!serial) {
            pick = FragmentPick();
            return pick_cancelled;
        }
        start_target(pick, projection);
        first = pick_restarted;
    }
    if (holds(p.target_points, p.target_count, number)) return first == pick_restarted ? first : pick_ignored;
    p.target_points[p.target_count] = number;
    p.target_xy[p.target_count] = xy;
    ++p.target_count;
    if (p.target_count >= p.source_count) return pick_ready;
    return first;
}

void fragment_pick_after_insert(FragmentPick& pick, bool serial) {
    if (!serial) {
        pick = FragmentPick();
        return;
    }
    pick.params.instance = 0;
    start_target(pick, 0);
}

int fragment_pick_counts(const FragmentPick& pick) {
    return pick.params.source_count * 10 + pick.params.target_count;
}
