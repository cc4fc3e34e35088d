// View construction of a drawing: for every projection the checks, the
// solver and the applying of the results, and the log lines of the run.
//
// Portable: the caller (the construction thread) gives the drawing, the
// projections to construct and the callbacks through which the run logs,
// asks whether to stop and rebuilds a projection's elements. Every log line
// is cut to the 260-byte buffers of the log dialog.
#pragma once
#include "stages/dimensions/network_store.h"

#include <functional>
#include <string>

enum { CONSTRUCTION_LINE_MAX = 259 };

struct ConstructionCallbacks {
    // A log line (program texts, markers expanded, at most 259 bytes).
    std::function<void(const char* text)> log_line;
    // The run's stop request (the log dialog's stop button).
    std::function<bool()> stop_requested;
    // Rebuilds the projection's elements from its points (full when the
    // result has no error); returns true when a fillet could not be built.
    std::function<bool(unsigned char* projection, bool full)> rebuild_elements;
    // Positions where a horizontal and a vertical auxiliary line of the
    // projection cross, for the anchor of the results.
    std::function<std::vector<Point2>(const unsigned char* projection)> aux_crossings;
    // Pixel position of a model point in the projection's window, for the
    // coinciding-points warning; empty: no warning.
    PixelOf pixel_of;
};

// Constructs one projection held in memory (its record copies): checks,
// solver, applying. Writes its log lines and returns the result code:
// NETWORK_NOT_CONSTRUCTED (100), -1 when stopped, else the error count
// (0: constructed without errors).
int construct_network(NetworkRecords& rec, const ConstructionCallbacks& cb, Network* net_out = nullptr);

// Constructs one projection of the drawing: loads its network, constructs
// it, writes the results back, rebuilds its elements, and logs the
// projection's closing lines. Returns the result code as above; a failed
// store access returns 1 with the store's error flag set.
int construct_projection(DrawingFile* df, unsigned char* projection, const ConstructionCallbacks& cb);

// The log line of a projection: "Проекция " and the caption in double
// quotes, cut to the log's line length.
std::string projection_log_line(const char* caption);

// Adds a line to the log through the callbacks, cut to
// CONSTRUCTION_LINE_MAX bytes; error lines (expand) have their markers
// expanded first ('$', '%', '#'), plain log lines are taken as they are.
void construction_log(const ConstructionCallbacks& cb, const char* text, bool expand);

// The closing lines of a whole run: ">>>Построение прервано!<<<",
// ">>>Завершено с ошибками<<<" or ">>>Завершено<<<".
const char* construction_end_line(bool stopped, bool failed);
