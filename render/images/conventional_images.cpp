// The arithmetic of the conventional-images dialogs.
#include "render/images/conventional_images.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "store/text_codec.h"

namespace {

constexpr int name_words = 4;

std::vector<uint16_t> packed(const std::string& name) {
    std::vector<uint16_t> words(name_words, 0);
    text_pack_words(static_cast<int>(std::min<size_t>(name.size(), 32)), name.c_str(),
                    words.data(), name_words, 1);
    return words;
}

}  // namespace

int conventional_image_list_first(int first, int total, int request, int position) {
    const int last_first = std::max(1, total - (conventional_image_buttons - 1));
    int next = first;
    switch (request) {
        case list_line_left:
        case list_page_left:
            next = first - conventional_image_buttons;
            break;
        case list_thumb_position:
        case list_thumb_track:
            next = position > total - conventional_image_buttons ? last_first : position;
            break;
        case list_left:
            next = 1;
            break;
        case list_right:
            next = last_first;
            break;
        case list_line_right:
        case list_page_right:
            next = first + conventional_image_buttons;
            if (next >= total - conventional_image_buttons) next = last_first;
            break;
        default:
            break;
    }
    return std::min(std::max(next, 1), last_first);
}

void conventional_image_preview_size(int32_t width, int32_t height, int32_t control_w,
                                     int32_t control_h, int32_t* preview_w, int32_t* preview_h) {
    *preview_w = 1;
    *preview_h = 1;
    if (width <= 0 || height <= 0 || control_w <= 0 || control_h <= 0) return;
    const int64_t w = width, h = height;
    if (w * control_h > h * control_w) {
        *preview_w = control_w;
        *preview_h = static_cast<int32_t>(std::max<int64_t>(1, h * control_w / w));
    } else {
        *preview_h = control_h;
        *preview_w = static_cast<int32_t>(std::max<int64_t>(1, w * control_h / h));
    }
}

bool conventional_image_click_pixel(int32_t click_x, int32_t click_y, int32_t width,
                                    int32_t height, int32_t control_w, int32_t control_h,
                                    int32_t* x, int32_t* y) {
    if (width <= 0 || height <= 0) return false;
    int32_t pw, ph;
    conventional_image_preview_size(width, height, control_w, control_h, &pw, &ph);
    const int64_t lx = static_cast<int64_t>(click_x) - (control_w - pw) / 2;
    const int64_t ly = static_cast<int64_t>(click_y) - (control_h - ph) / 2;
    if (lx < 0 || ly < 0 || lx >= pw || ly >= ph) return false;
    *x = static_cast<int32_t>(std::min<int64_t>(width - 1, lx * width / pw));
    *y = static_cast<int32_t>(std::min<int64_t>(height - 1, ly * height / ph));
    return true;
}

int conventional_image_add_point(int32_t points[4][2], int count, int wanted, int32_t x,
                                 int32_t y) {
    wanted = std::min(std::max(wanted, 1), 4);
    if (count < 0) count = 0;
    if (count >= wanted) return count;
    for (int i = 0; i < count; ++i)
        if (points[i][0] == x && points[i][1] == y) return count;
    points[count][0] = x;
    points[count][1] = y;
    ++count;
    if (wanted == 3 && count == 3) {
        points[1][1] = points[0][1];
        if (points[1][0] == points[0][0]) return 1;
        if (points[2][1] == points[0][1]) return 2;  // on the first-to-second line
    }
    return count;
}

bool conventional_image_name_used(const std::string& name, const std::vector<std::string>& names) {
    const std::vector<uint16_t> p = packed(name);
    for (const std::string& n : names)
        if (packed(n) == p) return true;
    return false;
}

std::string conventional_image_default_name(uint32_t id, const std::vector<std::string>& names) {
    for (uint32_t n = id;; ++n) {
        char text[32];
        std::snprintf(text, sizeof text, "УИ%u", n);
        if (!conventional_image_name_used(text, names) || n == 0xFFFFFFFFu) return text;
    }
}
