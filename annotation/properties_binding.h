// Annotation properties binding: the one bind call of the property code.
#pragma once

// Fills render's text_fragment_set_text_hook and the kernel's section
// designation measurer with the property code's functions.
void annotation_properties_bind();
