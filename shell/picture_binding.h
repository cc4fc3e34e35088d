// Pictures and conventional symbols in the program: the symbol drawing and
// measuring, the picture symbols and the loading of a drawing's pictures.
#pragma once

// Fills the symbol measurer, the picture drawer and the drawing's picture
// loading and freeing.  Called once from program_wiring().
void pictures_bind();
