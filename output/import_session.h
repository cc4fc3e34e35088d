// Import session: what the MGI and DXF readers share while they put a file's
// picture into the current drawing.  New projections (one per projection
// record of an MGI file, per BLOCK and for ENTITIES of a DXF file), reference
// points created or reused under every element end (point_find_or_create),
// and new graphic elements with fresh numbers in the projection's element
// chain.
//
// The Win32 side (opening a projection window, the prompt line, tiling the
// windows, the rebuild of changed projections) is reached through
// `exchange_shell`; every member may be null and then does nothing, so the
// readers run natively without windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

struct ExchangeShell {
    // A new drawing is needed because none is open: creates it (no wizard),
    // sets the menus, the reference-point panel and stage 1; 0 on success.
    // Null: documents' drawing_new(1) alone.
    int (*drawing_create)();
    // A projection was added: open its window (child created), clock cursor.
    void (*projection_opened)(uint32_t number);
    // The prompt line.
    void (*prompt)(const char* text);
    // The import ended: rebuild the changed projections (MGI with an end
    // record) and tile the projection windows.
    void (*import_finished)(int rebuild, int tile);
    // The design stage code of the current drawing (MGI header byte 9 is
    // stage - 4); null: 4.
    int (*current_stage)();
    // A DXF TEXT entity: places a text annotation in projection (its record
    // pointer) at (x, y) in model units with size index and text (as read,
    // Windows-1251).  Returns 1 when placed, 0 when the projection has no
    // window (a format error of the file).  Null: texts are skipped.
    int (*place_text)(uint8_t* projection, double x, double y, int size_index, const char* text);
};
extern ExchangeShell exchange_shell;

struct ImportSession {
    DrawingFile* df = nullptr;
    RecordRef projection = 0;        // current projection record, 0 before the first
    // The reference points of the current projection (all made by this
    // import), by grid cell of a few tolerances, for the tolerant lookup of
    // point_find_or_create in constant time.
    struct PointEntry {
        double x, y;
        uint32_t number;
    };
    std::unordered_map<uint64_t, std::vector<PointEntry>> points;
    double cell = 0;
    unsigned long count = 0;         // graphic elements taken
    int no_auto_construction = 0;    // DXF: flag bit 10 of new projections
    std::vector<uint32_t> projections;  // numbers of the projections made, in order
};

// Opens the session on the current drawing, creating a new drawing first
// when none is open (exchange_shell.drawing_create, else drawing_new(1)).
// Returns 0, or -1 when no drawing could be had (message already shown).
int import_session_begin(ImportSession* s);
// Forgets the point lookup.
void import_session_end(ImportSession* s);

// The current projection record (re-read through the projection buffer), or
// null before the first projection.
uint8_t* import_projection(ImportSession* s);

// Adds a new projection named by name[0..length) (at most 520 bytes taken)
// of the given view type (above 8: "Фрагмент", type 8) at the end of the
// drawing's projection list: flags 0x610 | type (bit 10 cleared unless
// no_auto_construction for DXF), an empty frame, scale 1.0, random words in
// the sketch-reference tail with its length 0.  Starts a fresh point lookup.
// Returns 0, or -1 when the store failed.
int import_projection_new(ImportSession* s, const char* name, size_t length, int type, int mgi);

// Reference-point number at (x, y) of the current projection: an existing
// point there (both coordinates equal by compare_doubles) or a new one added
// to the projection's point chain.  0 when the store failed.
uint32_t point_find_or_create(ImportSession* s, double x, double y);

// Stores a graphic element into the current projection.  kind 1 segment and
// 2 circle take two points ({start, end} or {on circle, centre}); kinds 3 and
// 4 three ({start, end, centre} or {start, end, through}).  Reference points
// are found or made for each.  A segment whose ends coincide is not stored
// (returns 0).  Returns 1 stored, 0 skipped, -1 store failure.
int import_element_store(ImportSession* s, int kind, int line_type, const Point2* points);
// Stores a curve of n vertices (n >= 2, at most curve_max_single) whose
// through points are already set.  Same results.
int import_curve_store(ImportSession* s, int line_type, const CurveVertex* v, int n);
// Recomputes the frame of the current projection from its elements.
void import_projection_extents(ImportSession* s);
