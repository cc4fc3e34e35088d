// Replacing an inserted fragment by another one at the image stage: the
// lists of fragments choose the instance and the replacing projection and
// hand them over; the image panel's command 1944 then waits for the
// binding points clicked on the replacing projection and replaces.
#pragma once
#include <windows.h>

#include <cstdint>

#include "output/fragment_replacement.h"

// The replacement chosen in the lists of fragments, waiting for command
// 1944 of the image panel (pending set), and the one in progress there.
extern FragmentReplacement fragment_replacement_handed;

// Command 1944: takes the handed replacement over (1), or 0 when none was
// handed.  The prompt asks for the binding points on the replacing
// projection.
int fragment_replace_tool_start();
// Whether a replacement waits for its binding points.
bool fragment_replace_tool_active();
// A click on reference point `point` of projection `projection`: points of
// the replacing projection only, each once; when as many are picked as the
// instance has binding points the replacement runs (checkpoint, the
// document lock) and the windows are repainted.  Returns 2 when it ran, 1
// while the clicks go on, 0 for a click ignored.
int fragment_replace_tool_click(uint32_t projection, uint32_t point);
// Drops the replacement in progress.
void fragment_replace_tool_cancel();
