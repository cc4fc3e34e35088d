#!/usr/bin/env python3
"""Draws the pictures of the annotation property dialogs' picture lists and
writes them with a resource-script fragment that names them.

    make_annotation_images.py OUTDIR [--sheet PNG]

writes OUTDIR/images/bitmap<id>.bmp and OUTDIR/annotation_images.rc:

  401-403                      kinds of surface treatment (roughness combo 1419), 18 x 18
  413 404-409 559              directions of lay, codes 0..7 (roughness combo 1420), 34 x 18
  487 480 482 483 485 486 479  conventional signs of a leader, codes 0..6 (combo 1535), 24 x 20
  487 497-512                  form and position tolerance signs, codes 0..16 (combo 1542), 24 x 20

(487 is the empty picture of code 0 in both of the last two lists.)  And the
pictures the dialogs put on their picture buttons, 20 x 16 (the 16xxx
numbers are the shell pictures', make_shell_images.py, so these start at 17101):

  17101-17106  leader head shapes 0..5 (dialog 255)
  17111 17112  weld marks: closed line, limited stretch (255)
  17121-17126  text alignment: left, centre, right; turned left, centre, right (352, 581)
  17131 17132  section view direction: to the left, to the right (393)
  17141-17143  roughness check boxes: the contour circle, a reference to the
               technical requirements, the sign for unmarked parts (400, 557)
  17151-17158  text fragment edges, left, top, right, bottom, each by a main
               and then by a thin line (352, 581), 12 x 12
  17161 17162  text fragment form switch: the compact form is open (go wide),
               the wide form is open (go back) (352, 581), 40 x 16
  17171        stacked tolerance frames (496), 14 x 14

With
--sheet the pictures are also put side by side, enlarged, into a PNG for
review.  Pure Python; the drawing canvas and the BMP writer are the shell
pictures' (make_shell_images.py).
"""
import math
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_shell_images import BLACK, SILVER, WHITE, Canvas, bmp4  # noqa: E402

INK = BLACK

TREATMENT_IDS = [401, 402, 403]
LAY_IDS = [413, 404, 405, 406, 407, 408, 409, 559]
CONVENTIONAL_IDS = [487, 480, 482, 483, 485, 486, 479]
TOLERANCE_IDS = [487] + list(range(497, 513))


# ------------------------------------------------------------------ roughness
def roughness_sign(cv, x, y, h, treatment):
    """The sign with its tip at (x, y): legs at 60 degrees, the short one
    rising h, the long one 2h; 1 closes the short leg by a bar, 2 puts a
    circle in the V."""
    k = 1 / math.tan(math.radians(60))
    cv.line(x, y, x - h * k, y - h, INK)
    cv.line(x, y, x + 2 * h * k, y - 2 * h, INK)
    if treatment == 1:
        cv.line(x - h * k, y - h, x + h * k, y - h, INK)
    elif treatment == 2:
        r = h / 3
        cv.circle(x, y - 2 * h / 3, r, INK)


def treatment_picture(code):
    cv = Canvas(18, 18, SILVER)
    roughness_sign(cv, 7, 15, 6, code)
    return cv


def lay_picture(code):
    """A small sign and the lay symbol beside it: none, parallel,
    perpendicular, crossed, multidirectional, circular, radial, point."""
    cv = Canvas(34, 18, SILVER)
    roughness_sign(cv, 6, 15, 5, 0)
    x0, y0 = 18, 4          # the symbol's box: 12 x 11
    x1, y1 = x0 + 11, y0 + 10
    mx = (x0 + x1) // 2
    if code == 1:           # "=": parallel to the line the sign stands on
        cv.line(x0, y0 + 3, x1, y0 + 3, INK)
        cv.line(x0, y0 + 7, x1, y0 + 7, INK)
    elif code == 2:         # perpendicular
        cv.line(mx, y0, mx, y1, INK)
        cv.line(x0, y1, x1, y1, INK)
    elif code == 3:         # crossed
        cv.line(x0, y0, x1, y1, INK)
        cv.line(x0, y1, x1, y0, INK)
    elif code == 4:         # multidirectional: M
        cv.line(x0, y1, x0, y0, INK)
        cv.line(x0, y0, mx, y0 + 6, INK)
        cv.line(mx, y0 + 6, x1, y0, INK)
        cv.line(x1, y0, x1, y1, INK)
    elif code == 5:         # circular: C
        cv.arc(mx, (y0 + y1) / 2, 5, 50, 310, INK)
    elif code == 6:         # radial: R
        cv.text(x0 + 3, y0 + 2, "R", INK)
    elif code == 7:         # point: P
        cv.line(x0 + 3, y1, x0 + 3, y0, INK)
        cv.line(x0 + 3, y0, x0 + 7, y0, INK)
        cv.arc(x0 + 7, y0 + 2.5, 2.5, -90, 90, INK)
        cv.line(x0 + 7, y0 + 5, x0 + 3, y0 + 5, INK)
    return cv


# ------------------------------------------------------------------ leaders
def conventional_picture(code):
    """A leader's arrow end with the sign two thirds of the way to the bend,
    the bend at the upper right and the shelf to the right."""
    cv = Canvas(24, 20, SILVER)
    if code == 0:
        return cv
    tip, bend = (3, 17), (15, 5)
    cv.line(tip[0], tip[1], bend[0], bend[1], INK)
    cv.line(bend[0], bend[1], 22, bend[1], INK)
    for da in (0.45, -0.45):   # arrow at the tip
        a = math.atan2(bend[1] - tip[1], bend[0] - tip[0])
        cv.line(tip[0], tip[1], tip[0] + 4 * math.cos(a + da), tip[1] + 4 * math.sin(a + da), INK)
    mx = tip[0] + (bend[0] - tip[0]) * 2 / 3
    my = tip[1] + (bend[1] - tip[1]) * 2 / 3
    d = math.atan2(bend[1] - tip[1], bend[0] - tip[0])
    ux, uy = math.cos(d), math.sin(d)      # along the leader
    nx, ny = -uy, ux                       # across it
    if code == 1:              # site weld: a flag at the bend
        cv.line(bend[0], bend[1], bend[0], bend[1] - 4, INK)
        cv.polygon([(bend[0], bend[1] - 4), (bend[0] - 4, bend[1] - 3), (bend[0], bend[1] - 2)], INK, INK)
    elif code == 2:            # solder: an arc through the mark
        cv.arc(mx - 3 * ux, my - 3 * uy, 3.5, -math.degrees(d) - 70, -math.degrees(d) + 70, INK)
    elif code == 3:            # glue: two strokes to the mark and a cross stroke
        cv.line(mx + 3 * nx - 3 * ux, my + 3 * ny - 3 * uy, mx, my, INK)
        cv.line(mx - 3 * nx - 3 * ux, my - 3 * ny - 3 * uy, mx, my, INK)
        cv.line(mx + 4 * nx, my + 4 * ny, mx - 4 * nx, my - 4 * ny, INK)
    elif code == 4:            # stitch: a zigzag across the leader
        pts = [(mx + s * 3 * nx + k * 2 * ux, my + s * 3 * ny + k * 2 * uy)
               for k, s in ((-1, -1), (0, 1), (1, -1))]
        cv.line(pts[0][0], pts[0][1], pts[1][0], pts[1][1], INK)
        cv.line(pts[1][0], pts[1][1], pts[2][0], pts[2][1], INK)
    elif code == 5:            # overlap staples: a bracket across the leader
        a = (mx + 4 * nx, my + 4 * ny)
        b = (mx - 4 * nx, my - 4 * ny)
        cv.line(a[0], a[1], b[0], b[1], INK)
        cv.line(a[0], a[1], a[0] - 3 * ux, a[1] - 3 * uy, INK)
        cv.line(b[0], b[1], b[0] - 3 * ux, b[1] - 3 * uy, INK)
    elif code == 6:            # corner staples: an open arrow with its tip on the mark
        for s in (1, -1):
            cv.line(mx, my, mx - 4 * ux + s * 3 * nx, my - 4 * uy + s * 3 * ny, INK)
    return cv


# ------------------------------------------------------------------ tolerances
def tolerance_picture(code):
    cv = Canvas(24, 20, SILVER)
    cx, cy = 12, 10
    if code == 0:
        return cv
    if code == 1:      # straightness
        cv.line(4, cy, 20, cy, INK)
    elif code == 2:    # flatness: a parallelogram
        cv.polygon([(6, 14), (20, 14), (17, 6), (3, 6)], INK)
    elif code == 3:    # roundness
        cv.circle(cx, cy, 6, INK)
    elif code == 4:    # cylindricity: a circle between two slanted tangents
        cv.circle(cx, cy, 5, INK)
        cv.line(4, 17, 10, 3, INK)
        cv.line(14, 17, 20, 3, INK)
    elif code == 5:    # profile of the longitudinal section
        cv.line(3, 8, 21, 8, INK)
        cv.line(3, 13, 21, 13, INK)
        cv.line(3, 6, 3, 15, INK)
        cv.line(21, 6, 21, 15, INK)
    elif code == 6:    # parallelism
        cv.line(6, 16, 12, 4, INK)
        cv.line(12, 16, 18, 4, INK)
    elif code == 7:    # perpendicularity
        cv.line(cx, 4, cx, 16, INK)
        cv.line(4, 16, 20, 16, INK)
    elif code == 8:    # angularity
        cv.line(4, 16, 20, 16, INK)
        cv.line(4, 16, 18, 5, INK)
    elif code == 9:    # concentricity: two circles about one centre
        cv.circle(cx, cy, 3, INK)
        cv.circle(cx, cy, 7, INK)
    elif code == 10:   # symmetry: three bars, the middle one longest
        cv.line(4, cy, 20, cy, INK)
        cv.line(7, cy - 4, 17, cy - 4, INK)
        cv.line(7, cy + 4, 17, cy + 4, INK)
    elif code == 11:   # position: a circle with a cross
        cv.circle(cx, cy, 5, INK)
        cv.line(cx - 8, cy, cx + 8, cy, INK)
        cv.line(cx, cy - 8, cx, cy + 8, INK)
    elif code == 12:   # intersection of axes
        cv.line(5, 4, 19, 16, INK)
        cv.line(5, 16, 19, 4, INK)
    elif code == 13:   # runout: one slanted arrow
        cv.arrow(7, 17, 17, 4, INK, 4)
    elif code == 14:   # total runout: two arrows on a base line
        cv.arrow(4, 16, 12, 4, INK, 4)
        cv.arrow(11, 16, 19, 4, INK, 4)
        cv.line(4, 16, 11, 16, INK)
    elif code == 15:   # profile of a line: an open arc
        cv.arc(cx, 15, 8, 0, 180, INK)
    elif code == 16:   # profile of a surface: a closed half disc
        cv.arc(cx, 15, 8, 0, 180, INK)
        cv.line(4, 15, 20, 15, INK)
    return cv


# ------------------------------------------------------------------ buttons
HEAD_IDS = list(range(17101, 17107))
WELD_IDS = [17111, 17112]
ALIGN_IDS = list(range(17121, 17127))
VIEW_IDS = [17131, 17132]


def head_picture(code):
    """A leader from the lower left to a shelf, with the head of its shape."""
    cv = Canvas(20, 16, SILVER)
    cv.line(2, 14, 8, 8, INK)
    if code == 0:            # a plain shelf
        cv.line(8, 8, 18, 8, INK)
    elif code == 1:          # a circle through the shelf ends
        cv.circle(13, 8, 5, INK)
    elif code == 2:          # a triangle under the shelf
        cv.polygon([(8, 8), (18, 8), (13, 2)], INK)
    elif code == 3:          # a square
        cv.rect(8, 3, 18, 13, INK)
    elif code == 4:          # stacked notes: rules under each line
        cv.line(8, 8, 18, 8, INK)
        cv.line(8, 4, 18, 4, INK)
        cv.line(8, 12, 18, 12, INK)
    elif code == 5:          # the direction of view: an arrow over the shelf
        cv.line(8, 8, 18, 8, INK)
        cv.arrow(10, 4, 18, 4, INK, 3)
    return cv


def weld_picture(k):
    cv = Canvas(20, 16, SILVER)
    cv.line(2, 14, 12, 4, INK)
    cv.line(12, 4, 19, 4, INK)
    if k == 0:               # seams along a closed line: a circle at the bend
        cv.circle(12, 4, 3, INK)
    else:                    # seams on a limited stretch: an arc at the bend
        cv.arc(12, 4, 4, 200, 340, INK)
    return cv


def align_picture(k):
    """Three text lines set left, centred or right; turned ones upright."""
    cv = Canvas(20, 16, SILVER)
    lengths = [14, 8, 11]
    for i, n in enumerate(lengths):
        a = [2, (20 - n) // 2, 18 - n][k % 3]
        if k < 3:
            cv.line(a, 3 + 5 * i, a + n - 1, 3 + 5 * i, INK)
        else:                # turned a quarter left: "left" is at the bottom
            x = 5 + 5 * i
            top = [14 - n, (16 - n) // 2, 2][k % 3]
            cv.line(x, top, x, top + n - 1, INK)
    return cv


def view_picture(k):
    """A section line's end stroke with its arrow pointing left or right."""
    cv = Canvas(20, 16, SILVER)
    cv.line(10, 2, 10, 14, INK, 2)
    if k == 0:
        cv.arrow(10, 8, 2, 8, INK, 4)
    else:
        cv.arrow(10, 8, 18, 8, INK, 4)
    return cv


ROUGHNESS_BOX_IDS = [17141, 17142, 17143]


def roughness_box_picture(k):
    cv = Canvas(20, 16, SILVER)
    if k == 0:               # the circle at the long leg's end: the whole contour
        roughness_sign(cv, 7, 14, 5, 0)
        cv.circle(7 + 10 / math.tan(math.radians(60)), 4, 2, INK)
    elif k == 1:             # a reference to the technical requirements: the sign with a note
        roughness_sign(cv, 6, 14, 5, 0)
        cv.line(12, 4, 18, 4, INK)
        cv.line(12, 7, 18, 7, INK)
    else:                    # for the parts not marked: the sign in brackets
        cv.arc(4, 8, 5, 120, 240, INK)
        roughness_sign(cv, 9, 13, 4, 0)
        cv.arc(15, 8, 5, -60, 60, INK)
    return cv


EDGE_IDS = list(range(17151, 17159))
FORM_IDS = [17161, 17162]
STACKED_ID = 17171


def edge_picture(k):
    """A dotted square with one edge drawn: k // 2 is the edge (left, top,
    right, bottom), k % 2 the line: 0 main (two pixels), 1 thin (one)."""
    cv = Canvas(12, 12, SILVER)
    for i in range(2, 10, 3):        # the other edges, dotted
        for x, y in ((i, 2), (i, 9), (2, i), (9, i)):
            cv.px[y][x] = INK
    a, b = 2, 9
    edge = [((a, a), (a, b)), ((a, a), (b, a)), ((b, a), (b, b)), ((a, b), (b, b))][k // 2]
    (x0, y0), (x1, y1) = edge
    cv.line(x0, y0, x1, y1, INK)
    if k % 2 == 0:                   # the main line: one more pixel inwards
        dx = [1, 0, -1, 0][k // 2]
        dy = [0, 1, 0, -1][k // 2]
        cv.line(x0 + dx, y0 + dy, x1 + dx, y1 + dy, INK)
    return cv


def form_picture(wide):
    """The form switch: a small window and a wide one, the arrow pointing
    to the form the button opens."""
    cv = Canvas(40, 16, SILVER)
    cv.rect(2, 4, 9, 12, INK)        # the compact form
    cv.line(2, 5, 9, 5, INK)
    cv.rect(24, 2, 38, 13, INK)      # the wide form
    cv.line(24, 3, 38, 3, INK)
    if wide:                         # the wide form is open: back to the small one
        cv.arrow(21, 8, 12, 8, INK, 3)
    else:
        cv.arrow(12, 8, 21, 8, INK, 3)
    return cv


def stacked_picture():
    """Two tolerance frames one above the other, joined on the left."""
    cv = Canvas(14, 14, SILVER)
    for top in (1, 7):
        cv.rect(1, top, 12, top + 5, INK)
        cv.line(5, top, 5, top + 5, INK)
    return cv


# ------------------------------------------------------------------ review sheet
def png(cv_rows, scale, path):
    """The canvases of each row side by side, scaled, on white; 8-bit RGB."""
    gap = 4
    width = max(sum(cv.w * scale + gap for cv in row) for row in cv_rows) + gap
    height = sum(max(cv.h for cv in row) * scale + gap for row in cv_rows) + gap
    px = [[WHITE] * width for _ in range(height)]
    y = gap
    for row in cv_rows:
        x = gap
        for cv in row:
            for cy in range(cv.h * scale):
                for cx in range(cv.w * scale):
                    c = cv.px[cy // scale][cx // scale]
                    px[y + cy][x + cx] = c if c is not None else SILVER
            x += cv.w * scale + gap
        y += max(cv.h for cv in row) * scale + gap
    raw = b"".join(b"\0" + bytes(v for c in line for v in c) for line in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def pictures():
    """(list of (id, canvas)) in list order, one list per picture list."""
    return [
        list(zip(TREATMENT_IDS, (treatment_picture(c) for c in range(3)))),
        list(zip(LAY_IDS, (lay_picture(c) for c in range(8)))),
        list(zip(CONVENTIONAL_IDS, (conventional_picture(c) for c in range(7)))),
        list(zip(TOLERANCE_IDS, (tolerance_picture(c) for c in range(17)))),
        list(zip(HEAD_IDS, (head_picture(c) for c in range(6)))) +
        list(zip(WELD_IDS, (weld_picture(k) for k in range(2)))) +
        list(zip(ALIGN_IDS, (align_picture(k) for k in range(6)))) +
        list(zip(VIEW_IDS, (view_picture(k) for k in range(2)))) +
        list(zip(ROUGHNESS_BOX_IDS, (roughness_box_picture(k) for k in range(3)))),
        list(zip(EDGE_IDS, (edge_picture(k) for k in range(8)))) +
        list(zip(FORM_IDS, (form_picture(w) for w in (False, True)))) +
        [(STACKED_ID, stacked_picture())],
    ]


def main():
    args = sys.argv[1:]
    sheet = None
    if "--sheet" in args:
        i = args.index("--sheet")
        sheet = args[i + 1]
        del args[i:i + 2]
    out = args[0]
    img = os.path.join(out, "images")
    os.makedirs(img, exist_ok=True)
    rc = ["// Generated by scripts/make_annotation_images.py: the annotation dialogs' pictures."]
    lists = pictures()
    done = set()
    for lst in lists:
        for rid, cv in lst:
            if rid in done:
                continue
            done.add(rid)
            path = os.path.join(img, "bitmap%d.bmp" % rid)
            with open(path, "wb") as f:
                f.write(bmp4(cv))
            rc.append('%d BITMAP "%s"' % (rid, path.replace("\\", "/")))
    with open(os.path.join(out, "annotation_images.rc"), "w") as f:
        f.write("\n".join(rc) + "\n")
    if sheet:
        png([[cv for _, cv in lst] for lst in lists], 4, sheet)


if __name__ == "__main__":
    main()
