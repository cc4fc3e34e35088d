// The reference-point stage in the program: fills the stage-1 row of the
// stage tools (panel 121/334, mouse, painting of points and auxiliary
// lines) and the transformation of the points onto the grid after the
// units dialog.
#pragma once

void point_stage_bind();
