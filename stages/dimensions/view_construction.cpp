// View construction of a drawing: one projection at a time through the
// checks, the solver and the applying of results, with the run's log lines.
#include "stages/dimensions/view_construction.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "stages/dimensions/point_solver.h"
#include "store/record_layouts.h"

#include <cstdio>
#include <cstring>

void construction_log(const ConstructionCallbacks& cb, const char* text, bool expand) {
    if (!cb.log_line || !text) return;
    char line[CONSTRUCTION_LINE_MAX + 1];
    if (expand) {
        expand_message_markers(text, line, sizeof line);
    } else {
        std::strncpy(line, text, CONSTRUCTION_LINE_MAX);
        line[CONSTRUCTION_LINE_MAX] = 0;
    }
    cb.log_line(line);
}

std::string projection_log_line(const char* caption) {
    std::string line = "Проекция \"";
    line += caption ? caption : "";
    if (line.size() > CONSTRUCTION_LINE_MAX - 1) line.resize(CONSTRUCTION_LINE_MAX - 1);
    line += '"';
    return line;
}

const char* construction_end_line(bool stopped, bool failed) {
    if (stopped) return ">>>Построение прервано!<<<";
    return failed ? ">>>Завершено с ошибками<<<" : ">>>Завершено<<<";
}

int construct_network(NetworkRecords& rec, const ConstructionCallbacks& cb, Network* net_out) {
    Network local;
    Network& net = net_out ? *net_out : local;
    CheckOptions options;
    options.pixel_of = cb.pixel_of;
    int rc = check_projection_network(rec, net, options);
    if (rc == NETWORK_NOT_CONSTRUCTED) return NETWORK_NOT_CONSTRUCTED;
    int result = 0;
    if (rc == NETWORK_OK && net.error_count == 0) {
        SolverOptions so;
        so.stop_requested = cb.stop_requested;
        SolverResult sr = solve_point_network(net, so);
        if (sr.outcome == SOLVER_STOPPED) result = -1;
    }
    for (const NetworkLine& line : net.lines) construction_log(cb, line.text.c_str(), true);
    if (result == 0) result = net.error_count;
    if (result >= 0) {
        std::vector<Point2> crossings;
        if (cb.aux_crossings && !rec.projection.empty()) crossings = cb.aux_crossings(rec.projection.data());
        apply_construction_results(rec, net, result, crossings);
    }
    return result;
}

int construct_projection(DrawingFile* df, unsigned char* projection, const ConstructionCallbacks& cb) {
    NetworkRecords rec;
    if (!network_load(df, projection, &rec)) return 1;
    int result = construct_network(rec, cb);
    if (result < 0) return result;   // stopped: nothing written, nothing rebuilt
    if (!network_store_back(df, projection, rec)) return 1;
    uint16_t pflags = get_u16(projection, projection_flags);
    if (!(pflags & 0x0400)) {
        if ((pflags & 0x000F) == 9 && result == NETWORK_NOT_CONSTRUCTED) result = 0;
        bool full = result == 0 || result == NETWORK_NOT_CONSTRUCTED;
        if (cb.rebuild_elements && cb.rebuild_elements(projection, full))
            construction_log(cb, "*** Не удалось построить скругление!", false);
    }
    if (result != 0 && result != NETWORK_NOT_CONSTRUCTED) {
        char line[64];
        std::snprintf(line, sizeof line, ">>>всего таких ошибок было  %u<<<", static_cast<unsigned>(result));
        construction_log(cb, line, false);
    } else if (result == 0 && error_flag) {
        construction_log(cb, ">>>Были системные ошибки!<<<", false);
    }
    return result;
}
