// Fills the kernel's seams with the store: the error flag, the text codec,
// long records (blobs) and the record primitives on the chains of a
// projection of the current drawing, and the document lock
// (document_lock_acquire / document_lock_release).  program_wiring calls it;
// store_init calls it as well, so a store used without the program's wiring
// (tests, tools) is bound the same way.
#pragma once

void store_bind_kernel();

// The store's one bind: store_bind_kernel, and the program messages learn
// from the store whether a failed drawing is open.  program_wiring calls it;
// store_init calls it as well.
void store_bind();
