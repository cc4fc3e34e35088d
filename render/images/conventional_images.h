// The arithmetic of the conventional-images dialogs: the first entry shown
// by the list's scroll bar, the preview of a new image and the pixels a click
// in it picks, the rule for its reference points, and default names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum : int { conventional_image_buttons = 16 };

// Scroll requests of the list (the SB_ codes of a horizontal scroll bar).
enum ListScroll : int {
    list_line_left = 0, list_line_right = 1, list_page_left = 2, list_page_right = 3,
    list_thumb_position = 4, list_thumb_track = 5, list_left = 6, list_right = 7
};

// The first entry (1-based) shown after a scroll request, for `total`
// entries (57 symbols and the images) and 16 buttons; position is the
// thumb's for the thumb requests.  Never below 1 nor past total - 15.
int conventional_image_list_first(int first, int total, int request, int position);

// The preview size of a width x height image fitted into a control of
// control_w x control_h with its aspect kept (at least 1 x 1).
void conventional_image_preview_size(int32_t width, int32_t height, int32_t control_w,
                                     int32_t control_h, int32_t* preview_w, int32_t* preview_h);

// The image pixel under a click at control coordinates: the preview is
// centred in the control.  x from the left, y from the top row, both inside
// the image; false for a click beside the preview.
bool conventional_image_click_pixel(int32_t click_x, int32_t click_y, int32_t width,
                                    int32_t height, int32_t control_w, int32_t control_h,
                                    int32_t* x, int32_t* y);

// Adds a picked pixel to the reference points (count of them in points,
// `wanted` in all): a pixel already picked, or any pick once all are picked,
// is ignored.  With three wanted, placing the third gives the second point
// the first one's y; when that makes the two equal only the first remains,
// and a third point on the first one's row (a line with no width) is
// refused.  Returns the new count.
int conventional_image_add_point(int32_t points[4][2], int count, int wanted, int32_t x,
                                 int32_t y);

// The default name of a new image: "УИ%u" of the id, or of the next numbers
// in turn while the name is taken; names are compared in packed form.
std::string conventional_image_default_name(uint32_t id, const std::vector<std::string>& names);
// Whether name equals one of names in packed form.
bool conventional_image_name_used(const std::string& name, const std::vector<std::string>& names);
