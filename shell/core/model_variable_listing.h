// The usage listing of the main model's saved variables: every stored
// number with its value, then the dimensions bound to it ("Размер на
// точках: " and the points of its links) and the bars bound to it
// ("Ширина бруска на точках: " and the points of the bar's centre element),
// or " - в размерах и брусках не используется!" when nothing uses it.
// Lines end in "\n"; the file is written in text mode.
#pragma once
#include "store/drawing_file.h"

#include <string>

// The caller holds the document lock.
std::string variable_usage_listing_text(DrawingFile* df);
