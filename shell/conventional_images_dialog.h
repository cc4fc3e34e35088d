// The conventional-images dialogs: the list of the built-in symbols and the
// drawing's images (466, or its compact form 467 on screens of 100 dpi and
// less) from which the image stage picks what to place, and the dialog of a
// new image or of one shown (663) with its preview, reference points and
// transparent colour.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

// What the list dialog chose.
struct ConventionalImageChoice {
    uint32_t code = 0;   // symbol code 0..56 or image id
    int points = 0;      // reference points it takes
    bool below = false;  // "Рисовать поверх всей графики" cleared
};

// Opens the list dialog; IDOK with the choice, IDCANCEL when cancelled.
int conventional_image_list_dialog(HWND owner, ConventionalImageChoice* choice);

// Dialog 663 on its own: in add mode (id 0) it asks for the file and adds
// the image; in show mode it shows the image with that id and stores the
// changes.  IDOK when the drawing took the image or the change.
int conventional_image_dialog(HWND owner, uint32_t id, uint32_t* added);

// Asks and deletes the image with that id (ids up to 1000 are symbols:
// nothing).  1 when it was deleted.
int delete_conventional_image(HWND owner, uint32_t id);

// Test hooks, null in the program: the answer of the file question of
// dialog 663 (writes the path; 0 = cancelled), and a call on the dialog's
// thread once a dialog of these is shown (id: its template).
extern int (*conventional_image_file_answer)(char* path, size_t size);
extern std::function<void(HWND dialog, int id)> conventional_image_dialog_shown;
