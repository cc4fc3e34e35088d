// Fills the kernel's seams with the store: the error flag, the text codec,
// long records (blobs) and the record primitives on the chains of a
// projection of the current drawing.  Start-up calls it once; the document
// lock seam belongs to the shell.
#pragma once

void store_bind_kernel();
