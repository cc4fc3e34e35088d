// JPEG and TIFF files turned into in-memory BMP files (`BmpImage`, see
// render/images/bmp_image.h): an 8-bit grey image with the grey palette or a 24-bit
// colour image, rows bottom-up.  The caller frees the result with std::free.
#pragma once
#include "render/images/bmp_image.h"

// A JPEG file with one (grey) or three (colour) output components; null on
// any failure, with no message of the program (the decoder's own message
// goes to the debugger output).
BmpImage* load_jpeg_as_bmp(const char* path);

// Page `page` (counted from 1) of a TIFF file, as a 24-bit image with the
// file's resolution.  A file that cannot be opened, or an image that cannot
// be allocated, shows "$открытия файла" with the path; a missing page gives
// null without a message.  The TIFF library's own warnings and errors are
// never shown.
BmpImage* load_tiff_page_as_bmp(const char* path, int page);

// Makes the TIFF library's warning and error output silent (done by the
// TIFF loader before it opens a file).
void tiff_messages_silence();
