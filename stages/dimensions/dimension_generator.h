// The dimension generator: gives the free reference points of a projection
// a dimension network in one step, measured on the sketch: diameters and
// radii for circles and arcs, then X and Y dimensions from a start point
// (or one X and one Y dimension between two points), or dimensions about
// the symmetry axes through the start point.
//
// Portable, under the caller's lock, on a projection record the caller
// holds and writes back (as every dimension edit). Every dimension made
// goes through the ordinary commit of the dimension input, so its own
// checks apply.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/drawing_file.h"

// The settings of the generator (dialog "Режимы генерации размеров"),
// kept between uses.
struct GeneratorSettings {
    int symmetry_item = 3;          // "Симметрия проекции:" item 0-3
    bool not_shown = true;          // "Все размеры - не видимые"
    bool show_only = false;         // "Все размеры - только для показа"
    bool join_orthogonal = false;   // points of near-orthogonal lines on one dimension
    double tolerance_percent = 15.0;
    bool free_of_axes = false;      // "Размеры не зависят от ортогональных осей"
    bool comments = false;          // "Сформировать комментарии"
    bool two_points = false;        // "Только между двумя точками"
};
extern GeneratorSettings generator_settings;

// Symmetry mode of a combo item: 0 (X and Y), 1 (one axis), 2 (none).
int generator_symmetry_mode(int item);
// The tolerance as the dialog takes it: the absolute value, at most 49.
double generator_tolerance(double typed);

struct GeneratorHooks {
    std::function<void(const char* text)> message;   // a program message box
    std::function<void(const char* text)> prompt;    // the prompt line
    std::function<void()> checkpoint;                // automatic checkpoint before the change
};

// Results of generate_dimensions.
struct GeneratorResult {
    int made = 0;                    // dimensions made
    bool refused = false;            // a message was shown and nothing was made
    std::vector<uint32_t> numbers;   // the numbers of the dimensions made, in order
};

// Runs the generator from the start point `origin` (in two-point mode
// between `origin` and `second`). With symmetry (items 0-2 of the
// settings) the symmetry axes are the straight lines drawn thin dash-dot
// with O as an end point: one axis (items 1, 2) or the two nearest to
// vertical and to horizontal (item 0); each free point gets its dimensions
// across the axes, symmetric (direction mode 4) with its mirror partner
// where a straight line joins them across the axis, and along the one axis
// (item 1: the symmetric pairs as diameters).
GeneratorResult generate_dimensions(DrawingFile* df, unsigned char* projection, uint32_t origin, uint32_t second,
                                    const GeneratorSettings& settings, const GeneratorHooks& hooks);

// Runs the generator from the projection's origin point with the fixed
// settings (no symmetry, not shown, no options, tolerance 15), unless the
// projection is not constructed automatically; a projection without an
// origin point gets a prompt and nothing else.
GeneratorResult auto_dimension_from_origin(DrawingFile* df, unsigned char* projection, const GeneratorHooks& hooks);

// Texts of the generator.
extern const char* const text_generator_no_free_points;   // "На проекции нет свободных точек"
extern const char* const text_generator_no_elements;      // "Для такого построения необходимы ..."
extern const char* const text_generator_done;             // "Построение завершено!"
extern const char* const text_generator_not_auto;         // "Эта проекция \"без автопостроения\"..."
extern const char* const text_generator_show_only_warning;
extern const char* const text_generator_no_origin;
extern const char* const text_generator_no_axis;           // "Не указана ось симметрии"
extern const char* const text_generator_one_axis;          // "Указанная точка должна принадлежать одной оси симметрии"
extern const char* const text_generator_two_axes;          // "Точка должна находиться на пересечении двух осей симметрии"
