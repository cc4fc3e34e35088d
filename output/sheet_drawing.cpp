// Drawing a sheet: outline, frame and the title block with its field texts.
#include "output/sheet_drawing.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "render/output/primitives.h"
#include "render/output/roughness_sign.h"
#include "render/output/text_output.h"
#include "render/text/stroke_font.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"

namespace {

// The general roughness sign stands this far (mm) inside the frame's top
// right corner; further in when another block shares that corner.
constexpr double general_roughness_inset = 2.4375;
constexpr double general_roughness_inset_crowded = 2.828125;

// ------------------------------------------------------------------ layouts
//
// Every block's coordinates are whole mm relative to its origin, y upward.
// A main block hangs from the frame's bottom right corner, so its x runs
// from -185 to 0.  The margin blocks stand at the frame's bottom left
// corner turned a quarter: their x runs up the left margin from 0, their y
// from the frame line (0) out to the sheet edge (12: a 7 mm value column
// next to the frame, the 5 mm label column outside it).
//
// Sources of the sizes: the drawing main block (185 x 55, kind 1), the text
// document blocks of the first sheet (185 x 40, kind 2) and of the later
// sheets (185 x 15, kind 3), and the building-documentation blocks (185 x
// 55, kinds 4 and 5; 185 x 40, kind 6; 185 x 15, kind 7) as the standard
// forms give them: the left part 65 mm wide in 5 mm rows (columns 7, 10,
// 23, 15, 10 for the machine-building forms; 10, 10, 10, 10, 15, 10 for the
// building forms, whose role and surname columns span two of them), the
// right part 120 mm wide.  The margin columns are 5 + 7 mm wide, 25, 35,
// 25, 25 and 35 mm long (the building forms keep the first three); the
// reference columns 24-25 are 60 mm each from 167 mm above the frame's
// bottom; the turned designation column 26 is 70 x 14 at the top left.

constexpr uint8_t corner_br = 0, corner_tr = 1, corner_tl = 2, corner_bl = 3;
constexpr uint8_t turn1 = 1 << 2, turn2 = 2 << 2;
constexpr uint8_t opt = title_block_optional, follow = title_block_follows_rotation;

// The machine-building margin columns 19-23 (block b).
#define MARGIN_2104_LINES(b)                                                                          \
    {0, 0, 145, 0, 1, b}, {0, 12, 145, 12, 1, b}, {0, 0, 0, 12, 1, b}, {145, 0, 145, 12, 1, b},       \
        {0, 7, 145, 7, 1, b}, {25, 0, 25, 12, 1, b}, {60, 0, 60, 12, 1, b}, {85, 0, 85, 12, 1, b},    \
        {110, 0, 110, 12, 1, b}
#define MARGIN_2104_CELLS(b)                                                                          \
    {19, 0, 0, 25, 7, b, 1, "%s"}, {20, 25, 0, 35, 7, b, 1, "%s"}, {21, 60, 0, 25, 7, b, 1, "%s"},    \
        {22, 85, 0, 25, 7, b, 1, "%s"}, {23, 110, 0, 35, 7, b, 1, "%s"},                              \
        {0, 0, 7, 25, 5, b, 1, "Инв. № подл."}, {0, 25, 7, 35, 5, b, 1, "Подп. и дата"},              \
        {0, 60, 7, 25, 5, b, 1, "Взам. инв. №"}, {0, 85, 7, 25, 5, b, 1, "Инв. № дубл."},             \
        {0, 110, 7, 35, 5, b, 1, "Подп. и дата"}
// The reference columns 24-25 (block b).
#define REFERENCE_LINES(b)                                                                            \
    {0, 0, 120, 0, 1, b}, {0, 12, 120, 12, 1, b}, {0, 0, 0, 12, 1, b}, {120, 0, 120, 12, 1, b},       \
        {0, 7, 120, 7, 1, b}, {60, 0, 60, 12, 1, b}
#define REFERENCE_CELLS(b)                                                                            \
    {24, 0, 0, 60, 7, b, 1, "%s"}, {25, 60, 0, 60, 7, b, 1, "%s"},                                    \
        {0, 0, 7, 60, 5, b, 1, "Справ. №"}, {0, 60, 7, 60, 5, b, 1, "Перв. примен."}
// The turned designation column 26 (block b), 70 x 14 from the top left corner.
#define COLUMN26_LINES(b)                                                                             \
    {-70, 0, 0, 0, 1, b}, {-70, 14, 0, 14, 1, b}, {-70, 0, -70, 14, 1, b}, {0, 0, 0, 14, 1, b}
#define COLUMN26_CELLS(b) {2, -70, 0, 70, 14, b, 1, "%s"}
// The customer column 30, 120 x 8 above the main block (block b), and the
// columns 27-29 above it.
#define COLUMN30_LINES(b)                                                                             \
    {-120, 0, 0, 0, 1, b}, {-120, 8, 0, 8, 1, b}, {-120, 0, -120, 8, 1, b}, {0, 0, 0, 8, 1, b}
#define COLUMN30_CELLS(b) {30, -120, 0, 120, 8, b, 1, "%s"}
#define COLUMNS27_LINES(b, y)                                                                         \
    {-120, y + 8, 0, y + 8, 1, b}, {-120, y, -120, y + 8, 1, b}, {-80, y, -80, y + 8, 1, b},          \
        {-40, y, -40, y + 8, 1, b}, {0, y, 0, y + 8, 1, b}
#define COLUMNS27_CELLS(b, y)                                                                         \
    {27, -120, y, 40, 8, b, 1, "%s"}, {28, -80, y, 40, 8, b, 1, "%s"}, {29, -40, y, 40, 8, b, 1, "%s"}
// The building-documentation margin columns 19-21 (block b).
#define MARGIN_21_LINES(b)                                                                            \
    {0, 0, 85, 0, 1, b}, {0, 12, 85, 12, 1, b}, {0, 0, 0, 12, 1, b}, {85, 0, 85, 12, 1, b},           \
        {0, 7, 85, 7, 1, b}, {25, 0, 25, 12, 1, b}, {60, 0, 60, 12, 1, b}
#define MARGIN_21_CELLS(b)                                                                            \
    {19, 0, 0, 25, 7, b, 1, "%s"}, {20, 25, 0, 35, 7, b, 1, "%s"}, {21, 60, 0, 25, 7, b, 1, "%s"},    \
        {0, 0, 7, 25, 5, b, 1, "Инв. № подл."}, {0, 25, 7, 35, 5, b, 1, "Подп. и дата"},              \
        {0, 60, 7, 25, 5, b, 1, "Взам. инв. №"}
// The approval table of the building forms (block b): a heading row and
// three rows (role, surname, signature, date: 20, 20, 15, 10 mm) along the
// frame's left line, inside the frame (y from 0 down to -20).
#define APPROVAL_LINES(b)                                                                             \
    {0, 0, 65, 0, 1, b}, {0, -20, 65, -20, 1, b}, {0, -20, 0, 0, 1, b}, {65, -20, 65, 0, 1, b},       \
        {0, -5, 65, -5, 1, b}, {0, -10, 65, -10, 0, b}, {0, -15, 65, -15, 0, b},                      \
        {20, -20, 20, -5, 0, b}, {40, -20, 40, -5, 0, b}, {55, -20, 55, -5, 0, b}
#define APPROVAL_CELLS(b)                                                                             \
    {0, 0, -5, 65, 5, b, 1, "Согласовано"}, {107, 0, -10, 20, 5, b, 0, "%s"},                         \
        {108, 0, -15, 20, 5, b, 0, "%s"}, {109, 0, -20, 20, 5, b, 0, "%s"},                           \
        {117, 20, -10, 20, 5, b, 0, "%s"}, {118, 20, -15, 20, 5, b, 0, "%s"},                         \
        {119, 20, -20, 20, 5, b, 0, "%s"}, {127, 40, -10, 15, 5, b, 1, "%s"},                         \
        {128, 40, -15, 15, 5, b, 1, "%s"}, {129, 40, -20, 15, 5, b, 1, "%s"},                         \
        {137, 55, -10, 10, 5, b, 1, "%s"}, {138, 55, -15, 10, 5, b, 1, "%s"},                         \
        {139, 55, -20, 10, 5, b, 1, "%s"}
// The copier and format cells in the margin below the frame (block 0).
#define BOTTOM_MARGIN_CELLS                                                                           \
    {31, -110, -5, 80, 5, 0, 0, "Копировал %s"}, {32, -40, -5, 40, 5, 0, 2, "Формат %s"}

// The outline of a main block w x h.
#define MAIN_OUTLINE(h)                                                                               \
    {-185, 0, 0, 0, 1, 0}, {-185, h, 0, h, 1, 0}, {-185, 0, -185, h, 1, 0}, {0, 0, 0, h, 1, 0}

// ---- kind 1: drawings and diagrams (main block 185 x 55)
const TitleBlockBlock kind1_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1, 0, 0},
    {2, corner_bl | turn1 | opt, 167, 0},
    {3, corner_tl | turn2 | follow, 0, 0},
    {4, corner_br | opt, 0, 63},
    {5, corner_br | opt, 0, 55},
    {6, corner_br | opt, -120, 55},
    // The drawing's general roughness sign in the frame's top right corner.
    {7, corner_tr | opt, 0, 0},
};
const TitleBlockLine kind1_lines[] = {
    MAIN_OUTLINE(55),
    // left part: column lines over the whole height
    {-178, 30, -178, 55, 1, 0},
    {-168, 0, -168, 55, 1, 0},
    {-145, 0, -145, 55, 1, 0},
    {-130, 0, -130, 55, 1, 0},
    {-120, 0, -120, 55, 1, 0},
    // left part: the heading row of the changes between thick lines
    {-185, 30, -120, 30, 1, 0},
    {-185, 35, -120, 35, 1, 0},
    // left part: change rows and signature rows, thin
    {-185, 40, -120, 40, 0, 0},
    {-185, 45, -120, 45, 0, 0},
    {-185, 50, -120, 50, 0, 0},
    {-185, 5, -120, 5, 0, 0},
    {-185, 10, -120, 10, 0, 0},
    {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0},
    {-185, 25, -120, 25, 0, 0},
    // right part: designation 120 x 15 on top, name and material 70 wide,
    // the letter, mass and scale columns with their heading row, the sheet
    // row split at -30 and the organisation
    {-120, 40, 0, 40, 1, 0},
    {-120, 15, 0, 15, 1, 0},
    {-50, 0, -50, 40, 1, 0},
    {-50, 35, 0, 35, 1, 0},
    {-50, 20, 0, 20, 1, 0},
    {-35, 20, -35, 40, 1, 0},
    {-18, 20, -18, 40, 1, 0},
    {-45, 20, -45, 35, 0, 0},
    {-40, 20, -40, 35, 0, 0},
    {-30, 15, -30, 20, 1, 0},
    MARGIN_2104_LINES(1),
    REFERENCE_LINES(2),
    COLUMN26_LINES(3),
    COLUMNS27_LINES(4, 0),
    COLUMN30_LINES(5),
    // the zone column: heading and four rows, 20 wide, left of column 30
    {-20, 0, 0, 0, 1, 6}, {-20, 25, 0, 25, 1, 6}, {-20, 0, -20, 25, 1, 6}, {0, 0, 0, 25, 1, 6},
    {-20, 20, 0, 20, 1, 6}, {-20, 15, 0, 15, 0, 6}, {-20, 10, 0, 10, 0, 6}, {-20, 5, 0, 5, 0, 6},
};
const TitleBlockCell kind1_cells[] = {
    {1, -120, 15, 70, 25, 0, 1, "%s"},
    {2, -120, 40, 120, 15, 0, 1, "%s"},
    {3, -120, 0, 70, 15, 0, 1, "%s"},
    {41, -50, 20, 5, 15, 0, 1, "%s"},
    {42, -45, 20, 5, 15, 0, 1, "%s"},
    {43, -40, 20, 5, 15, 0, 1, "%s"},
    {5, -35, 24, 17, 8, 0, 1, "%s"},
    {6, -18, 24, 18, 8, 0, 1, "%s"},
    {7, -50, 15, 20, 5, 0, 0, "Лист %s"},
    {8, -30, 15, 30, 5, 0, 0, "Листов %s"},
    {9, -50, 0, 50, 15, 0, 1, "%s"},
    {10, -185, 10, 17, 5, 0, 0, "%s"},
    {111, -168, 25, 23, 5, 0, 0, "%s"}, {112, -168, 20, 23, 5, 0, 0, "%s"},
    {113, -168, 15, 23, 5, 0, 0, "%s"}, {114, -168, 10, 23, 5, 0, 0, "%s"},
    {115, -168, 5, 23, 5, 0, 0, "%s"}, {116, -168, 0, 23, 5, 0, 0, "%s"},
    {121, -145, 25, 15, 5, 0, 1, "%s"}, {122, -145, 20, 15, 5, 0, 1, "%s"},
    {123, -145, 15, 15, 5, 0, 1, "%s"}, {124, -145, 10, 15, 5, 0, 1, "%s"},
    {125, -145, 5, 15, 5, 0, 1, "%s"}, {126, -145, 0, 15, 5, 0, 1, "%s"},
    {131, -130, 25, 10, 5, 0, 1, "%s"}, {132, -130, 20, 10, 5, 0, 1, "%s"},
    {133, -130, 15, 10, 5, 0, 1, "%s"}, {134, -130, 10, 10, 5, 0, 1, "%s"},
    {135, -130, 5, 10, 5, 0, 1, "%s"}, {136, -130, 0, 10, 5, 0, 1, "%s"},
    {141, -185, 50, 7, 5, 0, 2, "%s"}, {142, -185, 45, 7, 5, 0, 2, "%s"},
    {143, -185, 40, 7, 5, 0, 2, "%s"}, {144, -185, 35, 7, 5, 0, 2, "%s"},
    {151, -178, 50, 10, 5, 0, 1, "%s"}, {152, -178, 45, 10, 5, 0, 1, "%s"},
    {153, -178, 40, 10, 5, 0, 1, "%s"}, {154, -178, 35, 10, 5, 0, 1, "%s"},
    {161, -168, 50, 23, 5, 0, 0, "%s"}, {162, -168, 45, 23, 5, 0, 0, "%s"},
    {163, -168, 40, 23, 5, 0, 0, "%s"}, {164, -168, 35, 23, 5, 0, 0, "%s"},
    {171, -145, 50, 15, 5, 0, 1, "%s"}, {172, -145, 45, 15, 5, 0, 1, "%s"},
    {173, -145, 40, 15, 5, 0, 1, "%s"}, {174, -145, 35, 15, 5, 0, 1, "%s"},
    {181, -130, 50, 10, 5, 0, 1, "%s"}, {182, -130, 45, 10, 5, 0, 1, "%s"},
    {183, -130, 40, 10, 5, 0, 1, "%s"}, {184, -130, 35, 10, 5, 0, 1, "%s"},
    BOTTOM_MARGIN_CELLS,
    {0, -185, 30, 7, 5, 0, 1, "Изм."},
    {0, -178, 30, 10, 5, 0, 1, "Лист"},
    {0, -168, 30, 23, 5, 0, 1, "№ докум."},
    {0, -145, 30, 15, 5, 0, 1, "Подп."},
    {0, -130, 30, 10, 5, 0, 1, "Дата"},
    {0, -185, 25, 17, 5, 0, 0, "Разраб."},
    {0, -185, 20, 17, 5, 0, 0, "Пров."},
    {0, -185, 15, 17, 5, 0, 0, "Т. контр."},
    {0, -185, 5, 17, 5, 0, 0, "Н. контр."},
    {0, -185, 0, 17, 5, 0, 0, "Утв."},
    {0, -50, 35, 15, 5, 0, 1, "Лит."},
    {0, -35, 35, 17, 5, 0, 1, "Масса"},
    {0, -18, 35, 18, 5, 0, 1, "Масштаб"},
    MARGIN_2104_CELLS(1),
    REFERENCE_CELLS(2),
    COLUMN26_CELLS(3),
    COLUMNS27_CELLS(4, 0),
    COLUMN30_CELLS(5),
    {0, -20, 20, 20, 5, 6, 1, "Зона"},
    {331, -20, 15, 20, 5, 6, 1, "%s"}, {332, -20, 10, 20, 5, 6, 1, "%s"},
    {333, -20, 5, 20, 5, 6, 1, "%s"}, {334, -20, 0, 20, 5, 6, 1, "%s"},
    // The general roughness sign: drawn from its record, not as a text.
    {65535, 0, 0, 0, 0, 7, 2, "%s"},
};

// ---- kind 2: text documents, first sheet (185 x 40)
const TitleBlockBlock kind2_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1, 0, 0},
    {2, corner_bl | turn1 | opt, 167, 0},
    {3, corner_br | opt, 0, 40},
};
const TitleBlockLine kind2_lines[] = {
    MAIN_OUTLINE(40),
    {-178, 25, -178, 40, 1, 0},
    {-168, 0, -168, 40, 1, 0},
    {-145, 0, -145, 40, 1, 0},
    {-130, 0, -130, 40, 1, 0},
    {-120, 0, -120, 40, 1, 0},
    {-185, 25, -120, 25, 1, 0},
    {-185, 30, -120, 30, 1, 0},
    {-185, 35, -120, 35, 0, 0},
    {-185, 5, -120, 5, 0, 0},
    {-185, 10, -120, 10, 0, 0},
    {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0},
    {-120, 25, 0, 25, 1, 0},
    {-50, 0, -50, 25, 1, 0},
    {-50, 15, 0, 15, 1, 0},
    {-50, 20, 0, 20, 0, 0},
    {-35, 15, -35, 25, 1, 0},
    {-20, 15, -20, 25, 1, 0},
    {-45, 15, -45, 20, 0, 0},
    {-40, 15, -40, 20, 0, 0},
    MARGIN_2104_LINES(1),
    REFERENCE_LINES(2),
    COLUMN30_LINES(3),
    COLUMNS27_LINES(3, 8),
};
const TitleBlockCell kind2_cells[] = {
    {1, -120, 0, 70, 25, 0, 1, "%s"},
    {2, -120, 25, 120, 15, 0, 1, "%s"},
    {41, -50, 15, 5, 5, 0, 1, "%s"},
    {42, -45, 15, 5, 5, 0, 1, "%s"},
    {43, -40, 15, 5, 5, 0, 1, "%s"},
    {7, -35, 15, 15, 5, 0, 1, "%s"},
    {8, -20, 15, 20, 5, 0, 1, "%s"},
    {9, -50, 0, 50, 15, 0, 1, "%s"},
    {10, -185, 10, 17, 5, 0, 0, "%s"},
    {111, -168, 20, 23, 5, 0, 0, "%s"}, {112, -168, 15, 23, 5, 0, 0, "%s"},
    {114, -168, 10, 23, 5, 0, 0, "%s"}, {115, -168, 5, 23, 5, 0, 0, "%s"},
    {116, -168, 0, 23, 5, 0, 0, "%s"},
    {121, -145, 20, 15, 5, 0, 1, "%s"}, {122, -145, 15, 15, 5, 0, 1, "%s"},
    {124, -145, 10, 15, 5, 0, 1, "%s"}, {125, -145, 5, 15, 5, 0, 1, "%s"},
    {126, -145, 0, 15, 5, 0, 1, "%s"},
    {131, -130, 20, 10, 5, 0, 1, "%s"}, {132, -130, 15, 10, 5, 0, 1, "%s"},
    {134, -130, 10, 10, 5, 0, 1, "%s"}, {135, -130, 5, 10, 5, 0, 1, "%s"},
    {136, -130, 0, 10, 5, 0, 1, "%s"},
    {141, -185, 35, 7, 5, 0, 2, "%s"}, {142, -185, 30, 7, 5, 0, 2, "%s"},
    {151, -178, 35, 10, 5, 0, 1, "%s"}, {152, -178, 30, 10, 5, 0, 1, "%s"},
    {161, -168, 35, 23, 5, 0, 0, "%s"}, {162, -168, 30, 23, 5, 0, 0, "%s"},
    {171, -145, 35, 15, 5, 0, 1, "%s"}, {172, -145, 30, 15, 5, 0, 1, "%s"},
    {181, -130, 35, 10, 5, 0, 1, "%s"}, {182, -130, 30, 10, 5, 0, 1, "%s"},
    BOTTOM_MARGIN_CELLS,
    {0, -185, 25, 7, 5, 0, 1, "Изм."},
    {0, -178, 25, 10, 5, 0, 1, "Лист"},
    {0, -168, 25, 23, 5, 0, 1, "№ докум."},
    {0, -145, 25, 15, 5, 0, 1, "Подп."},
    {0, -130, 25, 10, 5, 0, 1, "Дата"},
    {0, -185, 20, 17, 5, 0, 0, "Разраб."},
    {0, -185, 15, 17, 5, 0, 0, "Пров."},
    {0, -185, 5, 17, 5, 0, 0, "Н. контр."},
    {0, -185, 0, 17, 5, 0, 0, "Утв."},
    {0, -50, 20, 15, 5, 0, 1, "Лит."},
    {0, -35, 20, 15, 5, 0, 1, "Лист"},
    {0, -20, 20, 20, 5, 0, 1, "Листов"},
    MARGIN_2104_CELLS(1),
    REFERENCE_CELLS(2),
    COLUMN30_CELLS(3),
    COLUMNS27_CELLS(3, 8),
};

// ---- kind 3: text documents, later sheets (185 x 15)
const TitleBlockBlock kind3_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1, 0, 0},
};
const TitleBlockLine kind3_lines[] = {
    MAIN_OUTLINE(15),
    {-178, 0, -178, 15, 1, 0},
    {-168, 0, -168, 15, 1, 0},
    {-145, 0, -145, 15, 1, 0},
    {-130, 0, -130, 15, 1, 0},
    {-120, 0, -120, 15, 1, 0},
    {-185, 5, -120, 5, 1, 0},
    {-185, 10, -120, 10, 0, 0},
    {-10, 0, -10, 15, 1, 0},
    {-10, 8, 0, 8, 1, 0},
    MARGIN_2104_LINES(1),
};
const TitleBlockCell kind3_cells[] = {
    {2, -120, 0, 110, 15, 0, 1, "%s"},
    {7, -10, 0, 10, 8, 0, 1, "%s"},
    {141, -185, 10, 7, 5, 0, 2, "%s"}, {142, -185, 5, 7, 5, 0, 2, "%s"},
    {151, -178, 10, 10, 5, 0, 1, "%s"}, {152, -178, 5, 10, 5, 0, 1, "%s"},
    {161, -168, 10, 23, 5, 0, 0, "%s"}, {162, -168, 5, 23, 5, 0, 0, "%s"},
    {171, -145, 10, 15, 5, 0, 1, "%s"}, {172, -145, 5, 15, 5, 0, 1, "%s"},
    {181, -130, 10, 10, 5, 0, 1, "%s"}, {182, -130, 5, 10, 5, 0, 1, "%s"},
    BOTTOM_MARGIN_CELLS,
    {0, -185, 0, 7, 5, 0, 1, "Изм."},
    {0, -178, 0, 10, 5, 0, 1, "Лист"},
    {0, -168, 0, 23, 5, 0, 1, "№ докум."},
    {0, -145, 0, 15, 5, 0, 1, "Подп."},
    {0, -130, 0, 10, 5, 0, 1, "Дата"},
    {0, -10, 8, 10, 7, 0, 1, "Лист"},
    MARGIN_2104_CELLS(1),
};

// ---- the building forms' left part: columns 10 (change), 10 (count),
// 10 (sheet), 10 (document), 15 (signature), 10 (date); the role and
// surname of a role row span two columns each.  `top` is the block height,
// `head` the bottom of the heading row.
#define BUILDING_LEFT_LINES(top, head)                                                                \
    {-175, head, -175, top, 1, 0}, {-165, 0, -165, top, 1, 0}, {-155, head, -155, top, 1, 0},          \
        {-145, 0, -145, top, 1, 0}, {-130, 0, -130, top, 1, 0}, {-120, 0, -120, top, 1, 0},           \
        {-185, head, -120, head, 1, 0}, {-185, head + 5, -120, head + 5, 1, 0}
#define BUILDING_HEAD_CELLS(head)                                                                     \
    {0, -185, head, 10, 5, 0, 1, "Изм."}, {0, -175, head, 10, 5, 0, 1, "Кол.уч."},                    \
        {0, -165, head, 10, 5, 0, 1, "Лист"}, {0, -155, head, 10, 5, 0, 1, "№док."},                  \
        {0, -145, head, 15, 5, 0, 1, "Подп."}, {0, -130, head, 10, 5, 0, 1, "Дата"}
// Change row r (field row digit) at height y.
#define BUILDING_CHANGE_ROW(r, y)                                                                     \
    {140 + r, -185, y, 10, 5, 0, 2, "%s"}, {450 + r, -175, y, 10, 5, 0, 1, "%s"},                     \
        {150 + r, -165, y, 10, 5, 0, 1, "%s"}, {160 + r, -155, y, 10, 5, 0, 0, "%s"},                 \
        {170 + r, -145, y, 15, 5, 0, 1, "%s"}, {180 + r, -130, y, 10, 5, 0, 1, "%s"}
// Role row r at height y.
#define BUILDING_ROLE_ROW(r, y)                                                                       \
    {100 + r, -185, y, 20, 5, 0, 0, "%s"}, {110 + r, -165, y, 20, 5, 0, 0, "%s"},                     \
        {120 + r, -145, y, 15, 5, 0, 1, "%s"}, {130 + r, -130, y, 10, 5, 0, 1, "%s"}

// ---- kind 4: main drawings of building documentation (185 x 55)
const TitleBlockBlock kind45_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1 | opt, 0, 0},
    {2, corner_bl | turn1 | opt, 85, 0},
    {3, corner_tl | turn2 | follow, 0, 0},
};
const TitleBlockLine kind4_lines[] = {
    MAIN_OUTLINE(55),
    BUILDING_LEFT_LINES(55, 30),
    {-185, 40, -120, 40, 0, 0}, {-185, 45, -120, 45, 0, 0}, {-185, 50, -120, 50, 0, 0},
    {-185, 5, -120, 5, 0, 0}, {-185, 10, -120, 10, 0, 0}, {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0}, {-185, 25, -120, 25, 0, 0},
    // right part: designation 120 x 15, the object 120 x 10, the building
    // and the sheet's content 70 x 15 each; stage, sheet and sheets 15, 15,
    // 20 wide with their heading row; the organisation 50 x 15
    {-120, 40, 0, 40, 1, 0},
    {-120, 30, 0, 30, 1, 0},
    {-120, 15, 0, 15, 1, 0},
    {-50, 0, -50, 30, 1, 0},
    {-50, 25, 0, 25, 0, 0},
    {-35, 15, -35, 30, 1, 0},
    {-20, 15, -20, 30, 1, 0},
    MARGIN_21_LINES(1),
    APPROVAL_LINES(2),
    COLUMN26_LINES(3),
};
const TitleBlockCell kind4_cells[] = {
    {2, -120, 40, 120, 15, 0, 1, "%s"},
    {420, -120, 30, 120, 10, 0, 1, "%s"},
    {430, -120, 15, 70, 15, 0, 1, "%s"},
    {440, -120, 0, 70, 15, 0, 1, "%s"},
    {4, -50, 15, 15, 10, 0, 1, "%s"},
    {7, -35, 15, 15, 10, 0, 1, "%s"},
    {8, -20, 15, 20, 10, 0, 1, "%s"},
    {9, -50, 0, 50, 15, 0, 1, "%s"},
    BUILDING_ROLE_ROW(1, 25), BUILDING_ROLE_ROW(2, 20), BUILDING_ROLE_ROW(3, 15),
    BUILDING_ROLE_ROW(4, 10), BUILDING_ROLE_ROW(5, 5), BUILDING_ROLE_ROW(6, 0),
    BUILDING_CHANGE_ROW(1, 50), BUILDING_CHANGE_ROW(2, 45), BUILDING_CHANGE_ROW(3, 40),
    BUILDING_CHANGE_ROW(4, 35),
    BOTTOM_MARGIN_CELLS,
    BUILDING_HEAD_CELLS(30),
    {0, -50, 25, 15, 5, 0, 1, "Стадия"},
    {0, -35, 25, 15, 5, 0, 1, "Лист"},
    {0, -20, 25, 20, 5, 0, 1, "Листов"},
    MARGIN_21_CELLS(1),
    APPROVAL_CELLS(2),
    COLUMN26_CELLS(3),
};

// ---- kind 5: drawings of building products, first sheet (185 x 55)
const TitleBlockLine kind5_lines[] = {
    MAIN_OUTLINE(55),
    BUILDING_LEFT_LINES(55, 30),
    {-185, 40, -120, 40, 0, 0}, {-185, 45, -120, 45, 0, 0}, {-185, 50, -120, 50, 0, 0},
    {-185, 5, -120, 5, 0, 0}, {-185, 10, -120, 10, 0, 0}, {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0}, {-185, 25, -120, 25, 0, 0},
    // right part as on a drawing: designation, name, material; stage, mass
    // and scale with their heading row; sheet and sheets; organisation
    {-120, 40, 0, 40, 1, 0},
    {-120, 15, 0, 15, 1, 0},
    {-50, 0, -50, 40, 1, 0},
    {-50, 35, 0, 35, 1, 0},
    {-50, 20, 0, 20, 1, 0},
    {-35, 20, -35, 40, 1, 0},
    {-18, 20, -18, 40, 1, 0},
    {-30, 15, -30, 20, 1, 0},
    MARGIN_21_LINES(1),
    APPROVAL_LINES(2),
    COLUMN26_LINES(3),
};
const TitleBlockCell kind5_cells[] = {
    {1, -120, 15, 70, 25, 0, 1, "%s"},
    {2, -120, 40, 120, 15, 0, 1, "%s"},
    {3, -120, 0, 70, 15, 0, 1, "%s"},
    {4, -50, 20, 15, 15, 0, 1, "%s"},
    {5, -35, 24, 17, 8, 0, 1, "%s"},
    {6, -18, 24, 18, 8, 0, 1, "%s"},
    {7, -50, 15, 20, 5, 0, 0, "Лист %s"},
    {8, -30, 15, 30, 5, 0, 0, "Листов %s"},
    {9, -50, 0, 50, 15, 0, 1, "%s"},
    BUILDING_ROLE_ROW(1, 25), BUILDING_ROLE_ROW(2, 20), BUILDING_ROLE_ROW(3, 15),
    BUILDING_ROLE_ROW(4, 10), BUILDING_ROLE_ROW(5, 5), BUILDING_ROLE_ROW(6, 0),
    BUILDING_CHANGE_ROW(1, 50), BUILDING_CHANGE_ROW(2, 45), BUILDING_CHANGE_ROW(3, 40),
    BUILDING_CHANGE_ROW(4, 35),
    BOTTOM_MARGIN_CELLS,
    BUILDING_HEAD_CELLS(30),
    {0, -50, 35, 15, 5, 0, 1, "Стадия"},
    {0, -35, 35, 17, 5, 0, 1, "Масса"},
    {0, -18, 35, 18, 5, 0, 1, "Масштаб"},
    MARGIN_21_CELLS(1),
    APPROVAL_CELLS(2),
    COLUMN26_CELLS(3),
};

// ---- kind 6: building text documents, first sheet (185 x 40)
const TitleBlockBlock kind6_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1 | opt, 0, 0},
    {2, corner_bl | turn1 | opt, 85, 0},
};
const TitleBlockLine kind6_lines[] = {
    MAIN_OUTLINE(40),
    BUILDING_LEFT_LINES(40, 25),
    {-185, 35, -120, 35, 0, 0},
    {-185, 5, -120, 5, 0, 0}, {-185, 10, -120, 10, 0, 0}, {-185, 15, -120, 15, 0, 0},
    {-185, 20, -120, 20, 0, 0},
    {-120, 25, 0, 25, 1, 0},
    {-50, 0, -50, 25, 1, 0},
    {-50, 15, 0, 15, 1, 0},
    {-50, 20, 0, 20, 0, 0},
    {-35, 15, -35, 25, 1, 0},
    {-20, 15, -20, 25, 1, 0},
    MARGIN_21_LINES(1),
    APPROVAL_LINES(2),
};
const TitleBlockCell kind6_cells[] = {
    {1, -120, 0, 70, 25, 0, 1, "%s"},
    {2, -120, 25, 120, 15, 0, 1, "%s"},
    {4, -50, 15, 15, 5, 0, 1, "%s"},
    {7, -35, 15, 15, 5, 0, 1, "%s"},
    {8, -20, 15, 20, 5, 0, 1, "%s"},
    {9, -50, 0, 50, 15, 0, 1, "%s"},
    BUILDING_ROLE_ROW(1, 20), BUILDING_ROLE_ROW(2, 15), BUILDING_ROLE_ROW(3, 10),
    BUILDING_ROLE_ROW(4, 5), BUILDING_ROLE_ROW(5, 0),
    BUILDING_CHANGE_ROW(1, 35), BUILDING_CHANGE_ROW(2, 30),
    BOTTOM_MARGIN_CELLS,
    BUILDING_HEAD_CELLS(25),
    {0, -50, 20, 15, 5, 0, 1, "Стадия"},
    {0, -35, 20, 15, 5, 0, 1, "Лист"},
    {0, -20, 20, 20, 5, 0, 1, "Листов"},
    MARGIN_21_CELLS(1),
    APPROVAL_CELLS(2),
};

// ---- kind 7: building products and text documents, later sheets (185 x 15)
const TitleBlockBlock kind7_blocks[] = {
    {0, corner_br, 0, 0},
    {1, corner_bl | turn1, 0, 0},
};
const TitleBlockLine kind7_lines[] = {
    MAIN_OUTLINE(15),
    {-175, 0, -175, 15, 1, 0},
    {-165, 0, -165, 15, 1, 0},
    {-155, 0, -155, 15, 1, 0},
    {-145, 0, -145, 15, 1, 0},
    {-130, 0, -130, 15, 1, 0},
    {-120, 0, -120, 15, 1, 0},
    {-185, 5, -120, 5, 1, 0},
    {-185, 10, -120, 10, 0, 0},
    {-10, 0, -10, 15, 1, 0},
    {-10, 8, 0, 8, 1, 0},
    MARGIN_2104_LINES(1),
};
const TitleBlockCell kind7_cells[] = {
    {2, -120, 0, 110, 15, 0, 1, "%s"},
    {7, -10, 0, 10, 8, 0, 1, "%s"},
    BUILDING_CHANGE_ROW(1, 10), BUILDING_CHANGE_ROW(2, 5),
    BOTTOM_MARGIN_CELLS,
    BUILDING_HEAD_CELLS(0),
    {0, -10, 8, 10, 7, 0, 1, "Лист"},
    MARGIN_2104_CELLS(1),
};

#define LAYOUT(b, l, c)                                                                               \
    {b, static_cast<int>(sizeof b / sizeof b[0]), l, static_cast<int>(sizeof l / sizeof l[0]), c,      \
     static_cast<int>(sizeof c / sizeof c[0])}
const TitleBlockLayout layouts[8] = {
    {nullptr, 0, nullptr, 0, nullptr, 0},
    LAYOUT(kind1_blocks, kind1_lines, kind1_cells),
    LAYOUT(kind2_blocks, kind2_lines, kind2_cells),
    LAYOUT(kind3_blocks, kind3_lines, kind3_cells),
    LAYOUT(kind45_blocks, kind4_lines, kind4_cells),
    LAYOUT(kind45_blocks, kind5_lines, kind5_cells),
    LAYOUT(kind6_blocks, kind6_lines, kind6_cells),
    LAYOUT(kind7_blocks, kind7_lines, kind7_cells),
};

// A block vector (x, y upward) turned by q quarter turns, in sheet mm with
// y downward.
SheetPoint turn_vector(int q, double x, double y) {
    switch (q & 3) {
    case 1: return {-y, -x};
    case 2: return {-x, y};
    case 3: return {y, x};
    default: return {x, -y};
    }
}

void block_corner_and_turn(const TitleBlockBlock& b, int rotated, int* corner, int* turn) {
    int c = b.flags & title_block_corner_mask;
    int q = (b.flags & title_block_turn_mask) >> 2;
    if (rotated && (b.flags & title_block_follows_rotation)) {
        c = (c + 3) & 3;
        q = (q + 3) & 3;
    }
    *corner = c;
    *turn = q;
}

void sheet_line(OutputView* view, double x1, double y1, double x2, double y2) {
    draw_line_segment_xy(view, sheet_to_model_length(x1), sheet_to_model_length(y1),
                         sheet_to_model_length(x2), sheet_to_model_length(y2));
}

bool block_has_field(DrawingFile* df, const TitleBlockLayout& lay, int block, uint32_t sheet) {
    for (int i = 0; i < lay.cell_count; ++i) {
        const TitleBlockCell& c = lay.cells[i];
        if (c.block != block || c.field == 0) continue;
        if (c.field == title_field_roughness) {
            std::vector<unsigned char> sign;
            if (title_block_roughness_record(df, &sign)) return true;
            continue;
        }
        std::string t;
        if (title_block_field_text(df, c.field, sheet, true, &t) > 0) return true;
    }
    return false;
}

// The cell's text: its label, or its format with the field's text put in.
std::string cell_text(DrawingFile* df, const TitleBlockCell& c, uint32_t sheet) {
    if (c.field == 0) return c.format;
    if (c.field == title_field_roughness) return std::string();
    std::string field;
    if (!df || title_block_field_text(df, c.field, sheet, true, &field) <= 0) return std::string();
    std::string out;
    const char* f = c.format;
    const char* at = std::strstr(f, "%s");
    if (!at) return f;
    out.assign(f, at - f);
    out += field;
    out += at + 2;
    return out;
}

// The general roughness sign with its top right corner at (x, y) (sheet mm,
// y downward), drawn from a copy of its record so that the stored sign is
// never changed by painting.  With flag bit 11 the sign is followed by "("
// + the plain sign + ")" (the other surfaces), each part a pitch of the
// text height x 20/140 from the one before.
void draw_general_roughness_sign(OutputView* view, const unsigned char* record, double x, double y) {
    std::vector<unsigned char> sign(record, record + get_u16(record, 0));
    put_f32(sign.data(), roughness_tip, 0.0f);
    put_f32(sign.data(), roughness_tip + 4, 0.0f);
    put_f64(sign.data(), roughness_angle, 0.0);
    uint16_t flags = get_u16(sign.data(), annotation_flags);
    int size = (flags >> 2) & 0x0F;
    if (size == 0) size = 1;
    bool others = (flags & 0x0800) != 0;
    Box main_box;
    if (!roughness_sign_bounds(sign.data(), &main_box)) return;

    // The plain sign: the mark alone, the height of the general one.
    std::vector<unsigned char> plain(roughness_head, 0);
    put_u16(plain.data(), 0, static_cast<uint16_t>(roughness_head));
    put_u32(plain.data(), 2, get_u32(sign.data(), 2));
    plain[6] = sign[6];
    put_u16(plain.data(), annotation_flags, static_cast<uint16_t>(flags & 0x003F & ~0x0001u));
    Box plain_box = box_empty();
    double pitch = 0, open_w = 0, close_w = 0, text_h = 0;
    if (others) {
        roughness_sign_bounds(plain.data(), &plain_box);
        select_text_font(size, flags & 1, (flags >> 1) & 1);
        measure_text("(", &open_w, &text_h);
        measure_text(")", &close_w, &text_h);
        pitch = sheet_to_model_length(text_settings.text_heights[size <= 9 ? size : 1]) * 20.0 / 140.0;
    }
    double extra = others ? pitch + open_w + pitch + (plain_box.max_x - plain_box.min_x) + pitch + close_w : 0.0;
    // Model units: the whole group's right edge at x, its top at y.
    double right = sheet_to_model_length(x), top = sheet_to_model_length(y);
    double tip_x = right - extra - main_box.max_x;
    double tip_y = top - main_box.min_y;
    put_f32(sign.data(), roughness_tip, static_cast<float>(tip_x));
    put_f32(sign.data(), roughness_tip + 4, static_cast<float>(tip_y));
    draw_roughness_sign(view, sign.data());
    if (!others) return;
    double at = tip_x + main_box.max_x + pitch;
    select_text_font(size, flags & 1, (flags >> 1) & 1);
    draw_text_at(view, at, tip_y, 0.0, "(");
    at += open_w + pitch;
    put_f32(plain.data(), roughness_tip, static_cast<float>(at - plain_box.min_x));
    put_f32(plain.data(), roughness_tip + 4, static_cast<float>(tip_y));
    draw_roughness_sign(view, plain.data());
    at += plain_box.max_x - plain_box.min_x + pitch;
    select_text_font(size, flags & 1, (flags >> 1) & 1);
    draw_text_at(view, at, tip_y, 0.0, ")");
}

void draw_cell(OutputView* view, const TitleBlockCell& c, const TitleBlockBlock& b, double w, double h,
               int rotated, std::string text) {
    double bw = 0, bh = 0, depth = 0;
    int lines = 0;
    fit_cell_text(&text, c.width, c.height, &bw, &bh, &depth, &lines);
    if (text.empty() || lines <= 0) return;
    // Block coordinates (mm, y upward) of the anchor: the box's left end on
    // the baseline of its last line, the box centred in height.
    double tw = model_to_sheet_length(bw), th = model_to_sheet_length(bh), td = model_to_sheet_length(depth);
    double x;
    switch (c.alignment) {
    case 1: x = c.x + (c.width - tw) / 2; break;
    case 2: x = c.x + c.width - tw - title_cell_inset; break;
    default: x = c.x + title_cell_inset; break;
    }
    double y = c.y + (c.height - th) / 2 + td;
    SheetPoint p = title_block_point(b, w, h, rotated, x, y);
    int q = title_block_turn(b, rotated);
    double angle = -q * (3.14159265358979323846 / 2);
    double step = text_line_step(text_font_state.size_index);
    draw_multiline_text(view, sheet_to_model_length(p.x), sheet_to_model_length(p.y), angle, text.c_str(), step,
                        lines, c.alignment == 1 ? 1 : (c.alignment == 2 ? 2 : 0), bw);
}

}  // namespace

const TitleBlockLayout* title_block_layout(int kind) {
    if (kind < 1 || kind > 7) return nullptr;
    return &layouts[kind];
}

const TitleBlockLine* title_block_main_lines(int kind, int* count) {
    const TitleBlockLayout* lay = title_block_layout(kind);
    int n = 0;
    if (lay)
        while (n < lay->line_count && lay->lines[n].block == 0) ++n;
    if (count) *count = n;
    return lay ? lay->lines : nullptr;
}

int title_block_turn(const TitleBlockBlock& block, int rotated) {
    int c = 0, q = 0;
    block_corner_and_turn(block, rotated, &c, &q);
    return q;
}

SheetPoint title_block_point(const TitleBlockBlock& block, double w, double h, int rotated, double x, double y) {
    int c = 0, q = 0;
    block_corner_and_turn(block, rotated, &c, &q);
    double r = w - sheet_frame_margin, b = h - sheet_frame_margin;
    double l = sheet_frame_left, t = sheet_frame_margin;
    SheetPoint o;
    switch (c) {
    case 1: o = {r, t}; break;
    case 2: o = {l, t}; break;
    case 3: o = {l, b}; break;
    default: o = {r, b}; break;
    }
    SheetPoint d = turn_vector(q, block.dx, block.dy);
    SheetPoint v = turn_vector(q, x, y);
    return {o.x + d.x + v.x, o.y + d.y + v.y};
}

int fit_cell_text(std::string* text, double width, double height, double* box_w, double* box_h, double* depth,
                  int* lines) {
    const double limit_w = sheet_to_model_length(width - title_cell_free);
    const double limit_h = sheet_to_model_length(height - title_cell_free);
    struct Try {
        int size, slant, font;
    };
    static const Try tries[] = {{4, 1, 0}, {3, 1, 0}, {2, 1, 0}, {1, 1, 0}, {0, 0, 1}};
    double w = 0, h = 0, d = 0;
    int n = 0;
    for (const Try& t : tries) {
        select_text_font(t.size, t.slant, t.font);
        n = measure_multiline_text(text->c_str(), &w, &h, text_line_step(t.size), &d);
        if (w <= limit_w && h <= limit_h) {
            *box_w = w, *box_h = h, *depth = d, *lines = n;
            return t.size;
        }
    }
    // Nothing fits: a single line loses characters from its end.
    if (n == 1) {
        while (!text->empty()) {
            text->pop_back();
            n = measure_multiline_text(text->c_str(), &w, &h, text_line_step(0), &d);
            if (w <= limit_w && h <= limit_h) break;
        }
    }
    if (text->empty()) n = 0;
    *box_w = w, *box_h = h, *depth = d, *lines = n;
    return 0;
}

namespace {

// The title block of kind on a sheet w x h mm: every block (an optional one
// only with a stored field; with main_only just block 0), its lines thick
// then thin, then the cells' texts.
void draw_title_block(OutputView* view, int kind, double w, double ht, int rotated, uint32_t sheet, bool main_only) {
    const TitleBlockLayout* lay = title_block_layout(kind);
    if (!lay) return;
    DrawingFile* df = current_drawing_file();
    bool shown[256] = {};
    const TitleBlockBlock* by_number[256] = {};
    for (int i = 0; i < lay->block_count; ++i) {
        const TitleBlockBlock& blk = lay->blocks[i];
        by_number[blk.number] = &blk;
        if (main_only && blk.number != 0) continue;
        shown[blk.number] = !(blk.flags & title_block_optional) || (df && block_has_field(df, *lay, blk.number, sheet));
        if (error_flag) return;
    }
    for (int pass = 1; pass >= 0; --pass) {
        PenScope pen = canvas_select_pen(&view->canvas, create_text_pen(view, pass ? sheet_pen_thick : sheet_pen_thin));
        for (int i = 0; i < lay->line_count; ++i) {
            const TitleBlockLine& ln = lay->lines[i];
            const TitleBlockBlock* blk = by_number[ln.block];
            if (ln.weight != pass || !blk || !shown[ln.block]) continue;
            SheetPoint a = title_block_point(*blk, w, ht, rotated, ln.x1, ln.y1);
            SheetPoint z = title_block_point(*blk, w, ht, rotated, ln.x2, ln.y2);
            sheet_line(view, a.x, a.y, z.x, z.y);
        }
        canvas_restore_pen(&pen);
    }
    for (int i = 0; i < lay->cell_count && !error_flag; ++i) {
        const TitleBlockCell& c = lay->cells[i];
        const TitleBlockBlock* blk = by_number[c.block];
        if (!blk || !shown[c.block]) continue;
        // The cells below the frame belong to a sheet, not to a page.
        if (main_only && c.y < 0) continue;
        if (c.field == title_field_roughness) {
            int top_right = 0;
            for (int k = 0; k < lay->block_count; ++k) {
                int corner = 0, turn = 0;
                block_corner_and_turn(lay->blocks[k], rotated, &corner, &turn);
                if (corner == 1 && shown[lay->blocks[k].number]) ++top_right;
            }
            std::vector<unsigned char> sign;
            if (df && title_block_roughness_record(df, &sign)) {
                SheetPoint o = title_block_point(*blk, w, ht, rotated, 0, 0);
                double inset = top_right > 1 ? general_roughness_inset_crowded : general_roughness_inset;
                draw_general_roughness_sign(view, sign.data(), o.x - inset, o.y + inset);
            }
            continue;
        }
        std::string text = cell_text(df, c, sheet);
        if (text.empty()) continue;
        draw_cell(view, c, *blk, w, ht, rotated, text);
    }
}

}  // namespace

void draw_sheet(OutputView* view) {
    const uint8_t* hd = current_drawing_header();
    if (!view || !hd) return;
    int code = get_u8(hd, header_sheet_format);
    int rotated = (get_u16(hd, header_options) & header_opt_sheet_turned) ? 1 : 0;
    int kind = get_u8(hd, header_title_block_kind);
    uint32_t sheet = get_u16(hd, header_current_sheet);
    float fw = 0, fh = 0;
    sheet_size(code, rotated, &fw, &fh);
    double w = fw, ht = fh;
    double hb = title_block_height_of(kind);
    if (hb >= 0) title_block_height = hb;

    // The sheet's outline with the thin pen, the frame (20 mm from the left
    // edge, 5 from the others) with the thick one.
    struct Outline {
        double pen, l, t, r, b;
    };
    const Outline outlines[] = {
        {sheet_pen_thin, 0, 0, w, ht},
        {sheet_pen_thick, sheet_frame_left, sheet_frame_margin, w - sheet_frame_margin, ht - sheet_frame_margin},
    };
    for (const Outline& o : outlines) {
        PenScope pen = canvas_select_pen(&view->canvas, create_text_pen(view, o.pen));
        sheet_line(view, o.l, o.t, o.r, o.t);
        sheet_line(view, o.r, o.t, o.r, o.b);
        sheet_line(view, o.r, o.b, o.l, o.b);
        sheet_line(view, o.l, o.b, o.l, o.t);
        canvas_restore_pen(&pen);
    }
    draw_title_block(view, kind, w, ht, rotated, sheet, false);
}

void draw_title_block_page(OutputView* view, double page_w, double page_h) {
    const uint8_t* hd = current_drawing_header();
    if (!view || !hd) return;
    int kind = get_u8(hd, header_title_block_kind);
    uint32_t sheet = get_u16(hd, header_current_sheet);
    draw_title_block(view, kind, page_w, page_h, 0, sheet, true);
}
