// Annotation binding: the one bind call of the annotation layout code.
#pragma once

// Fills the kernel's label and leader-text measurers and the property
// dialogs' layout services (leader and tolerance layout, record boxes).
void annotation_bind();
