// The projection and fragment lists: which projections a list shows, and the
// position of the active one in it, and the sketch choices written back.
// Portable.
#pragma once
#include <cstdint>
#include <vector>

// Whether a projection of view type `type` (flags bits 0-3) is listed: kind
// filter 8 lists fragments (type 8) only; kind filter 0 lists by subtype (0
// ordinary views: neither fragments nor types 9 and 11; 1 type 9 only; 2
// type 11 only); any other kind filter lists everything.
bool projection_listed(int kind_filter, int subtype, int type);

// The list's answer: 0 when nothing is listed, else the 1-based position of
// the active projection among the listed numbers, or -1 when it is not
// listed.
int projection_list_position(const std::vector<uint32_t>& listed, uint32_t active);

// A projection scale typed into the lists dialog: finite, above 0 and at
// most 2500.
bool projection_scale_acceptable(double scale);
// A sheet number typed for a drawing with `sheets` sheets: 1..sheets.
bool projection_sheet_acceptable(long sheet, long sheets);

// ---------------------------------------------------------------- sketch
// The sketch choices of the lists dialog for one projection, applied by
// "Выполнить".
struct ProjectionSketchEdit {
    bool no_sketch = false;      // "Нет эскиза" checked
    bool lighten = false;        // "Осветлить  образ  эскиза" checked
    bool drop_rotation = false;  // "Отказаться от поворота" pressed
    const char* new_path = nullptr;  // "Сменить файл образа эскиза": the chosen file
};
// Writes the choices into a projection record held in a buffer of at least
// projection_record_room bytes: "Нет эскиза" sets the no-sketch bit (flags
// bit 4) and clears the lightening (second flags bit 3) and the rotation
// (double 120), a new file is ignored then; otherwise a new file becomes
// the sketch reference (the record's length changes) and clears the
// no-sketch bit, the lightening takes its box, and the rotation is dropped
// when asked.  Returns true when anything changed that the window must be
// opened again for; false (record unchanged) also when the new reference
// does not fit.
bool projection_sketch_apply(uint8_t* record, const ProjectionSketchEdit& edit);
