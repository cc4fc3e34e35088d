// Pictures and conventional symbols bound into the program's seams.
#include "shell/picture_binding.h"

#include "documents/document_seams.h"
#include "render/images/loaded_images.h"
#include "render/output/symbol_drawing.h"
#include "shell/conventional_image_thread.h"

namespace {

int load_picture(const unsigned char* record) {
    return load_conventional_image(record);
}

void free_pictures(DrawingFile* df) {
    // The preparation threads bend pictures of the drawing: they stop first.
    conventional_image_threads_stop();
    loaded_images_free(df);
}

}  // namespace

void pictures_bind() {
    symbol_drawing_bind();
    picture_symbols_bind();
    document_shell.load_conventional_image = load_picture;
    document_shell.picture_bitmaps_free = free_pictures;
}
