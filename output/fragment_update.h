// The update of dynamic fragments: every instance inserted with constant
// update ("Постоянное обновление") is inserted again from its fragment as
// the fragment now stands, keeping its instance and object numbers.  An
// instance whose fragment itself holds dynamic instances waits until those
// are up to date; a dependency cycle stops the update with its log line.
#pragma once
#include <cstdint>
#include <functional>

#include "output/fragment_instances.h"
#include "store/drawing_file.h"

// The parameters of a stored instance for its re-insertion: the binding
// points looked up by number in the fragment and in the target (true-image
// coordinates when use_true, else sketch), the mode flags, scale and angle
// into *settings in re-insertion mode.  False when the fragment's projection
// or a binding point is missing.
bool load_fragment_instance_params(DrawingFile* df, uint32_t target_key, const uint8_t* instance_record,
                                   bool use_true, FragmentInsertParams* params, FragmentSettings* settings);

struct FragmentUpdateResult {
    int reinserted = 0;   // instances inserted again
    int removed = 0;      // instances whose fragment or binding point was gone
    bool cycle = false;   // a dependency cycle stopped the update
    bool failed = false;  // an insertion failed (error flag)
};

// Updates every constant-update instance of every projection of df.
// log receives the error lines ("Циклическая зависимость динамического
// фрагмента" with the projection's caption).
FragmentUpdateResult update_dynamic_fragments(DrawingFile* df, bool use_true,
                                              const std::function<void(const char* text)>& log);

extern const char* const text_fragment_cycle;   // "Циклическая зависимость динамического фрагмента"
