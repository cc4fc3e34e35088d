// The information line of a reference point and the route lengths through
// it.
#include "stages/points_elements/point_info.h"

#include <cmath>
#include <cstdio>
#include <set>

#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/text_numbers.h"
#include "render/contours/contour_lists.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

// The six letters of a contour's name.
enum : uint32_t { contour_name = 74, contour_name_size = 6 };

std::string number_text(double v) {
    char text[40];
    format_number_by_magnitude(text, sizeof text, v);
    return text;
}

// The sum of the lengths of the elements of these numbers (kinds 1-5,
// generated records left out).
double members_length(DrawingFile* df, unsigned char* projection, const std::vector<uint32_t>& members) {
    std::set<uint32_t> wanted(members.begin(), members.end());
    double total = 0;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (!element_record_valid(r) || !wanted.count(get_u32(r, element_number))) continue;
        if ((get_u16(r, element_flags) & (element_flag_screen_piece | element_flag_purge)) ||
            (get_u16(r, element_options) & element_opt_bar_outline))
            continue;
        int kind = element_kind(r);
        if (kind == element_kind_curve) {
            total += curve_length(r);
        } else if (kind >= element_kind_segment && kind <= element_kind_arc_points) {
            Point2 g[3] = {};
            uint32_t at = kind <= element_kind_circle ? element_coords2 : element_coords3;
            for (int i = 0; i < (kind <= element_kind_circle ? 2 : 3); ++i) g[i] = get_point2(r, at + 16 * i);
            total += element_length(kind, g);
        }
    }
    return total;
}

}  // namespace

std::string point_info_text(DrawingFile* df, unsigned char* projection, const PointCopy& p) {
    Point2 origin_sketch{0, 0}, origin_true{0, 0};
    if (df && projection)
        for (const PointCopy& q : points_of_projection(df, projection))
            if (q.flags() & point_flag_origin) {
                origin_sketch = q.sketch();
                origin_true = q.true_position();
                break;
            }
    char head[40];
    std::snprintf(head, sizeof head, "Номер: %-lu", static_cast<unsigned long>(p.number()));
    return std::string(head) + "\nX,Yэск=(" + number_text(p.sketch().x - origin_sketch.x) + "," +
           number_text(origin_sketch.y - p.sketch().y) + ")\nX,Yизо=(" +
           number_text(p.true_position().x - origin_true.x) + "," + number_text(origin_true.y - p.true_position().y) +
           ")";
}

std::vector<RouteLength> routes_through_point(DrawingFile* df, unsigned char* projection, uint32_t point) {
    std::vector<RouteLength> out;
    std::vector<uint32_t> elements;
    RecordRef cursor = 0;
    for (unsigned char* e = element_next_using_point(df, projection, point, &cursor, nullptr); e && !error_flag;
         e = element_next_using_point(df, projection, point, &cursor, nullptr)) {
        if (!(get_u16(e, element_flags) & element_flag_contour_member)) continue;
        if (get_u16(e, element_options) & element_opt_image) continue;
        elements.push_back(get_u32(e, element_number));
    }
    // The head records of the routes, with their member lists.
    struct Route {
        RouteLength shown;
        std::vector<uint32_t> members;
    };
    std::vector<Route> routes;
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* b = &page_buffers[table_contours];
    std::vector<uint32_t> numbers;
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < contour_head_size || contour_kind(r) != contour_kind_route) continue;
        if (get_u16(r, contour_flags) & contour_flag_continuation) continue;
        Route route;
        route.shown.contour = get_u32(r, contour_number);
        const char* name = reinterpret_cast<const char*>(r + contour_name);
        size_t len = 0;
        while (len < contour_name_size && name[len]) ++len;
        route.shown.name.assign(name, len);
        while (!route.shown.name.empty() && route.shown.name.back() == ' ') route.shown.name.pop_back();
        route.shown.length = get_f64(r, contour_perimeter);
        routes.push_back(route);
    }
    for (Route& route : routes) {
        int kind = 0, level = 0;
        contour_member_list(df, projection, route.shown.contour, &route.members, &kind, &level);
    }
    std::set<uint32_t> taken;
    for (uint32_t element : elements)
        for (Route& route : routes) {
            if (taken.count(route.shown.contour)) continue;
            bool holds = false;
            for (uint32_t m : route.members) holds = holds || m == element;
            if (!holds) continue;
            taken.insert(route.shown.contour);
            if (!(route.shown.length > 0)) route.shown.length = members_length(df, projection, route.members);
            out.push_back(route.shown);
        }
    return out;
}

std::string route_lengths_text(const std::vector<RouteLength>& routes) {
    std::string text;
    for (size_t i = 0; i < routes.size() && i < 3; ++i) {
        if (i) text += "\n";
        double v = routes[i].length;
        unsigned long whole = std::isfinite(v) && v > 0 && v < 4294967295.0 ? static_cast<unsigned long>(v) : 0;
        char line[64];
        std::snprintf(line, sizeof line, "%s = %lu мм", routes[i].name.c_str(), whole);
        text += line;
    }
    return text;
}

std::string point_fragment_note(const std::string& text, uint16_t fragment) {
    if (!fragment) return text;
    std::string t = text;
    size_t at = t.find("Фрагмент");
    if (at != std::string::npos) t.resize(at);
    size_t dot = t.rfind('.');
    if (dot != std::string::npos) t.resize(dot);
    if (!t.empty()) t += ". ";
    char number[16];
    std::snprintf(number, sizeof number, " %u", static_cast<unsigned>(fragment));
    return t + "Фрагмент" + number;
}
