// The second text of a leader: one line at its anchor, or for frame shape 4
// (stacked notes) one line per backslash-n, each centred between the left
// and right x of the record above a rule, with the right edge drawn down to
// the last rule.
#pragma once

#include <cstdint>
#include <string>

struct OutputView;

// `unpacked` is the leader's unpacked text (its first text is record byte 7
// characters long, the second follows).  Model variables are expanded; an
// empty expansion draws nothing.
void draw_leader_text(OutputView* view, const uint8_t* leader, const std::string& unpacked);
