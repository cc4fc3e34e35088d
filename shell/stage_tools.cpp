// Stage tools: the per-stage table of panel procedures and window handlers.
#include "shell/stage_tools.h"

#include "shell/resource_ids.h"

namespace {
int not_taken(HWND, int, int, WPARAM) { return 0; }
int key_not_taken(HWND, int) { return 0; }
void nothing_over(HWND, HDC) {}
StageTools spare_row;
}  // namespace

const StageTools stage_tools_unbound = {
    nullptr, not_taken, not_taken, not_taken, not_taken, not_taken, key_not_taken, nothing_over,
};

StageTools stage_tools[stage_tool_rows] = {
    stage_tools_unbound, stage_tools_unbound, stage_tools_unbound, stage_tools_unbound,
    stage_tools_unbound, stage_tools_unbound, stage_tools_unbound, stage_tools_unbound,
};

StageTools& stage_tools_of(int stage) {
    if (stage >= 0 && stage < stage_tool_rows) return stage_tools[stage];
    spare_row = stage_tools_unbound;
    return spare_row;
}

int stage_of_panel(int panel) {
    switch (panel) {
    case IDD_PANEL_POINTS: case IDD_PANEL_POINTS_COMPACT: return 1;
    case IDD_PANEL_DIMENSIONS: case IDD_PANEL_DIMENSIONS_COMPACT: return 2;
    case IDD_PANEL_IMAGE: case IDD_PANEL_IMAGE_COMPACT: return 3;
    case IDD_PANEL_CONSTRUCTION: case IDD_PANEL_CONSTRUCTION_COMPACT: return 4;
    case IDD_PANEL_ANNOTATION: case IDD_PANEL_ANNOTATION_COMPACT: return 5;
    case IDD_PANEL_LAYOUT: case IDD_PANEL_LAYOUT_COMPACT: return 6;
    default: return 0;
    }
}

DLGPROC stage_panel_procedure(int panel) {
    int stage = stage_of_panel(panel);
    return stage ? stage_tools[stage].panel_procedure : nullptr;
}
