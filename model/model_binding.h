// Values of the main model's saved variables flowing into the drawing: the
// nominals of bound dimensions (DimensionRecord +32 variable id, +14
// nominal) and the widths of bound bars (construction records of kind 8,
// +14 variable id, +16 width), and the clearing of a binding whose variable
// is no longer saved. Plus the driver of a whole run of a drawing's model:
// load, run, store the saved variables, write back, bind.
//
// Locking: the callers hold the document critical section (the project's
// lock is recursive, so a caller that already holds it may call these).
#pragma once
#include "model/model_interpreter.h"
#include "model/model_storage.h"
#include "store/drawing_file.h"

#include <string>

// What the bind pass asks of the program around it; every field may be
// null. The checkpoint defaults to one automatic checkpoint with the
// default description.
struct ModelBindHooks {
    void* context = nullptr;
    // Before the first change of a dimension's nominal in a pass.
    void (*checkpoint)(void* context) = nullptr;
    // After a dimension's nominal was set (changed or not): rebuild its label.
    void (*dimension_label)(void* context, DrawingFile* df, unsigned char* projection, unsigned char* dimension) =
        nullptr;
    // After the bars of a projection changed.
    void (*bars_changed)(void* context, DrawingFile* df, unsigned char* projection) = nullptr;
    // At the end of a pass that changed a dimension (the view must be built again).
    void (*dimensions_changed)(void* context) = nullptr;
};

struct ModelBindResult {
    int dimensions_changed = 0;
    int bars_changed = 0;
    int bindings_cleared = 0;  // bound to a variable that is not stored
    bool checkpoint_taken = false;
};

// Copies the stored values into every bound dimension and bar of every
// projection. One checkpoint before the first changed nominal; none when
// nothing changes. Bars take no checkpoint.
ModelBindResult model_bind_values(DrawingFile* df, const ModelBindHooks& hooks);

// Clears the variable id from every dimension and bar that carries it.
void model_variable_unbind(DrawingFile* df, uint32_t id);

// A whole run of the slot's program: the stored text (or editor_text when
// given), then, for a finished run of the main model, the saved variables
// stored (ids kept, edited values written back into the text: stored when
// the text came from the drawing, else left in editor_text) and bound into
// the drawing. A stopped or failed run changes nothing in the drawing.
struct ModelProgramRun {
    ModelRunResult run;
    ModelBindResult bind;
    bool text_changed = false;
    bool store_failed = false;
};
ModelProgramRun model_run_program(DrawingFile* df, int slot, const ModelHost& host, const ModelBindHooks& hooks,
                                  std::string* editor_text);
