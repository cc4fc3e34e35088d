// The layout stage's format panel (the stage-tools row of stage 6).
#pragma once

// Puts the format panel's procedure into the stage-tools table.
void layout_panel_bind();
