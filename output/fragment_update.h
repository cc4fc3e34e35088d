// The update of dynamic fragments: every instance inserted with constant
// update ("Постоянное обновление") is inserted again from its fragment as
// the fragment now stands, keeping its instance and object numbers.  An
// instance whose fragment itself holds dynamic instances waits until those
// are up to date; a dependency cycle stops the update with its log line.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "output/fragment_instances.h"
#include "store/drawing_file.h"

// The parameters of a stored instance for its re-insertion: the binding
// points looked up by number in the fragment and in the target (true-image
// coordinates when use_true, else sketch), the mode flags, scale and angle
// into *settings in re-insertion mode.  False when the fragment's projection
// or a binding point is missing.
bool load_fragment_instance_params(DrawingFile* df, uint32_t target_key, const uint8_t* instance_record,
                                   bool use_true, FragmentInsertParams* params, FragmentSettings* settings);

// The instance that the marked graphic elements of projection `key` belong
// to, for its re-insertion: the first marked element whose instance still
// has its instance record gives the parameters and the instance's own
// settings (sketch coordinates), as load_fragment_instance_params does.
// An instance record whose fragment or binding point is gone is deleted on
// the way unless `read_only`.  Instances in `skip` are passed over.
// Returns 1 when some element is marked (params->instance 0 when none
// belongs to an intact instance), 0 when none is.
int fragment_params_from_marked(DrawingFile* df, uint32_t key, FragmentInsertParams* params,
                                FragmentSettings* settings, const std::vector<uint16_t>& skip = {},
                                bool read_only = false);

// Replacement of a fragment: instance `instance` of projection target_key
// takes projection new_source as its fragment, with the fragment binding
// points `source_points` (as many as the instance record counts); with
// `all`, every instance of every projection that was inserted from the same
// old fragment is changed the same way.  Each changed instance is then
// inserted again from the new fragment, keeping its instance and object
// numbers.  Returns the number of instances replaced, -1 when the instance
// or the new fragment is not there or an insertion failed (error flag),
// -2 when new_source is the target itself or one of the
// projections whose instances would change.
int replace_fragment(DrawingFile* df, uint32_t target_key, uint16_t instance, uint32_t new_source,
                     const uint32_t source_points[3], bool all);

extern const char* const text_fragment_replaced;  // "Замена завершена"

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
