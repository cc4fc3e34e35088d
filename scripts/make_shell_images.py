#!/usr/bin/env python3
"""Draws the icons, cursors and bitmaps of SARVOLT.exe and writes them with a
resource-script fragment that names them.

    make_shell_images.py OUTDIR

writes OUTDIR/images/*.ico|*.cur|*.bmp and OUTDIR/shell_images.rc (absolute
paths, ASCII).  Pure Python: a small raster canvas, Bresenham lines, circles,
filled shapes, a 5x7 letter set, and writers for ICO (32-bit images with an
AND mask), CUR (monochrome) and BMP (4-bit with the 16 standard colours, or
1-bit).
"""
import os
import struct
import sys

# The 16 standard colours of a 4-bit bitmap, as (r, g, b).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DRED, DGREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = VGA[0:8]
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = VGA[8:16]

FONT5x7 = {
    '!': ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    '?': ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'Z': ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    '+': ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    '-': ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    'x': ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
}


class Canvas:
    """A raster of (r, g, b) or None (transparent) pixels; y grows downward."""

    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=None):
        x0, y0, x1, y1 = (int(round(v)) for v in (x0, y0, x1, y1))
        if fill is not None:
            for y in range(y0, y1 + 1):
                for x in range(x0, x1 + 1):
                    self.set(x, y, fill)
        if c is not None:
            self.line(x0, y0, x1, y0, c)
            self.line(x1, y0, x1, y1, c)
            self.line(x1, y1, x0, y1, c)
            self.line(x0, y1, x0, y0, c)

    def line(self, x0, y0, x1, y1, c, width=1, dash=None):
        x0, y0, x1, y1 = (int(round(v)) for v in (x0, y0, x1, y1))
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        n = 0
        while True:
            on = True
            if dash:
                period = sum(dash)
                k = n % period
                acc = 0
                for i, d in enumerate(dash):
                    acc += d
                    if k < acc:
                        on = i % 2 == 0
                        break
            if on:
                for ox in range(-(width // 2), width - width // 2):
                    for oy in range(-(width // 2), width - width // 2):
                        self.set(x0 + ox, y0 + oy, c)
            n += 1
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def circle(self, cx, cy, r, c, fill=None, width=1):
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if fill is not None and d <= r - 0.5:
                    self.set(x, y, fill)
                if c is not None and abs(d - r) <= 0.5 * width + 0.05:
                    self.set(x, y, c)

    def arc(self, cx, cy, r, a0, a1, c, width=1):
        """Arc from angle a0 to a1 (degrees, counter-clockwise as seen)."""
        import math
        steps = max(8, int(abs(a1 - a0) * r / 20) + 8)
        prev = None
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            p = (cx + r * math.cos(a), cy - r * math.sin(a))
            if prev:
                self.line(prev[0], prev[1], p[0], p[1], c, width)
            prev = p

    def polygon(self, pts, c, fill=None):
        if fill is not None:
            ys = [p[1] for p in pts]
            for y in range(int(min(ys)), int(max(ys)) + 1):
                xs = []
                n = len(pts)
                for i in range(n):
                    (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % n]
                    if (ya <= y + 0.5 < yb) or (yb <= y + 0.5 < ya):
                        xs.append(xa + (y + 0.5 - ya) * (xb - xa) / (yb - ya))
                xs.sort()
                for i in range(0, len(xs) - 1, 2):
                    for x in range(int(round(xs[i])), int(round(xs[i + 1])) + 1):
                        self.set(x, y, fill)
        if c is not None:
            n = len(pts)
            for i in range(n):
                self.line(pts[i][0], pts[i][1], pts[(i + 1) % n][0], pts[(i + 1) % n][1], c)

    def text(self, x, y, s, c, scale=1):
        x, y = int(round(x)), int(round(y))
        for ch in s:
            g = FONT5x7.get(ch)
            if g:
                for gy, row in enumerate(g):
                    for gx, bit in enumerate(row):
                        if bit == '1':
                            for sy in range(scale):
                                for sx in range(scale):
                                    self.set(x + gx * scale + sx, y + gy * scale + sy, c)
            x += 6 * scale

    def arrow(self, x0, y0, x1, y1, c, head=4, width=1):
        import math
        self.line(x0, y0, x1, y1, c, width)
        a = math.atan2(y1 - y0, x1 - x0)
        for da in (2.7, -2.7):
            self.line(x1, y1, x1 + head * math.cos(a + da), y1 + head * math.sin(a + da), c, width)


# ------------------------------------------------------------------ writers
def nearest_vga(c):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA[i], c)))


def bmp4(cv, background=SILVER):
    w, h = cv.w, cv.h
    stride = ((w * 4 + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            c = cv.px[y][x]
            i = nearest_vga(c if c is not None else background)
            row[x // 2] |= (i << 4) if x % 2 == 0 else i
        rows.append(bytes(row))
    data = b"".join(rows)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    off = 14 + len(info) + len(pal)
    return struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off) + info + pal + data


def mono_rows(bits, w, h):
    """bits[y][x] in {0,1}; rows bottom-up, 32-bit aligned."""
    stride = ((w + 31) // 32) * 4
    out = []
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if bits[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out.append(bytes(row))
    return b"".join(out)


def bmp1(bits, w, h):
    data = mono_rows(bits, w, h)
    pal = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, len(data), 2835, 2835, 2, 0)
    off = 14 + len(info) + len(pal)
    return struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off) + info + pal + data


def ico(canvases):
    """An icon file with one 32-bit image per canvas (None pixels transparent)."""
    images = []
    for cv in canvases:
        w, h = cv.w, cv.h
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                c = cv.px[y][x]
                xor += struct.pack("<BBBB", c[2], c[1], c[0], 255) if c else b"\0\0\0\0"
        andbits = [[1 if cv.px[y][x] is None else 0 for x in range(w)] for y in range(h)]
        info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
        images.append(info + bytes(xor) + mono_rows(andbits, w, h))
    head = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    dirs = b""
    for cv, img in zip(canvases, images):
        dirs += struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 0, 0, 1, 32, len(img), off)
        off += len(img)
    return head + dirs + b"".join(images)


def cur(cv, hot):
    """A 32x32 monochrome cursor: black and white pixels, None transparent."""
    w, h = cv.w, cv.h
    xor = [[1 if cv.px[y][x] == WHITE else 0 for x in range(w)] for y in range(h)]
    andb = [[1 if cv.px[y][x] is None else 0 for x in range(w)] for y in range(h)]
    pal = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 1, 0, 0, 0, 0, 2, 0)
    img = info + pal + mono_rows(xor, w, h) + mono_rows(andb, w, h)
    head = struct.pack("<HHH", 0, 2, 1)
    d = struct.pack("<BBBBHHII", w, h, 2, 0, hot[0], hot[1], len(img), 22)
    return head + d + img


# ------------------------------------------------------------------ pictures
def sheet(cv, s, x0=0.12, y0=0.06, x1=0.88, y1=0.94):
    cv.rect(x0 * s, y0 * s, x1 * s, y1 * s, BLACK, WHITE)


def icon_program(cv, s):      # 105: a drawing sheet with a part and a dimension
    sheet(cv, s)
    cv.rect(0.28 * s, 0.36 * s, 0.72 * s, 0.72 * s, NAVY, None)
    cv.circle(0.5 * s, 0.54 * s, 0.08 * s, NAVY)
    cv.arrow(0.5 * s, 0.22 * s, 0.28 * s, 0.22 * s, RED, max(2, s // 12))
    cv.arrow(0.5 * s, 0.22 * s, 0.72 * s, 0.22 * s, RED, max(2, s // 12))
    cv.line(0.28 * s, 0.18 * s, 0.28 * s, 0.34 * s, RED)
    cv.line(0.72 * s, 0.18 * s, 0.72 * s, 0.34 * s, RED)
    cv.rect(0.5 * s, 0.8 * s, 0.86 * s, 0.92 * s, BLACK, None)


def icon_document(cv, s):     # 106: a projection window: a view on a sheet
    cv.rect(0.06 * s, 0.1 * s, 0.94 * s, 0.9 * s, BLACK, WHITE)
    cv.rect(0.06 * s, 0.1 * s, 0.94 * s, 0.24 * s, BLACK, NAVY)
    cv.rect(0.24 * s, 0.38 * s, 0.76 * s, 0.78 * s, BLACK, None)
    cv.circle(0.5 * s, 0.58 * s, 0.1 * s, BLACK)


def icon_warning(cv, s):      # 109: a warning triangle with "!"
    cv.polygon([(0.5 * s, 0.06 * s), (0.96 * s, 0.92 * s), (0.04 * s, 0.92 * s)], BLACK, YELLOW)
    k = max(1, s // 16)
    cv.text(0.5 * s - 2.5 * k, 0.38 * s, "!", BLACK, k)


def icon_help(cv, s):         # 537: a blue disc with "?"
    cv.circle(0.5 * s, 0.5 * s, 0.45 * s, NAVY, BLUE)
    k = max(1, s // 12)
    cv.text(0.5 * s - 2.5 * k, 0.5 * s - 3.5 * k, "?", WHITE, k)


def icon_points(cv, s):       # 321 stage 1: reference points on a sheet
    sheet(cv, s)
    for px, py in ((0.3, 0.3), (0.7, 0.3), (0.3, 0.7), (0.7, 0.7), (0.5, 0.5)):
        r = 0.06 * s
        cv.line(px * s - r, py * s, px * s + r, py * s, RED, max(1, s // 32))
        cv.line(px * s, py * s - r, px * s, py * s + r, RED, max(1, s // 32))


def icon_image(cv, s):        # 323 stage 2: lines and an arc between points
    sheet(cv, s)
    w = max(1, s // 24)
    cv.line(0.25 * s, 0.75 * s, 0.25 * s, 0.3 * s, BLACK, w)
    cv.line(0.25 * s, 0.75 * s, 0.75 * s, 0.75 * s, BLACK, w)
    cv.arc(0.25 * s, 0.75 * s, 0.45 * s, 0, 90, BLUE, w)
    for px, py in ((0.25, 0.3), (0.75, 0.75), (0.25, 0.75)):
        cv.circle(px * s, py * s, 0.04 * s, RED, RED)


def icon_dimensions(cv, s):   # 324 stage 3: a dimension with extension lines
    sheet(cv, s)
    h = max(2, s // 10)
    cv.rect(0.25 * s, 0.55 * s, 0.75 * s, 0.8 * s, BLACK, None)
    cv.line(0.25 * s, 0.25 * s, 0.25 * s, 0.52 * s, BLUE)
    cv.line(0.75 * s, 0.25 * s, 0.75 * s, 0.52 * s, BLUE)
    cv.arrow(0.5 * s, 0.32 * s, 0.25 * s, 0.32 * s, BLUE, h)
    cv.arrow(0.5 * s, 0.32 * s, 0.75 * s, 0.32 * s, BLUE, h)


def icon_construction(cv, s):  # 325 stage 4: a true view built from the sketch
    sheet(cv, s)
    w = max(1, s // 24)
    cv.polygon([(0.25 * s, 0.75 * s), (0.4 * s, 0.3 * s), (0.7 * s, 0.4 * s), (0.75 * s, 0.75 * s)],
               GREY, None)
    cv.rect(0.25 * s, 0.3 * s, 0.75 * s, 0.75 * s, DGREEN, None)
    cv.line(0.25 * s, 0.3 * s, 0.75 * s, 0.3 * s, DGREEN, w)
    cv.line(0.75 * s, 0.3 * s, 0.75 * s, 0.75 * s, DGREEN, w)
    cv.arrow(0.45 * s, 0.45 * s, 0.6 * s, 0.35 * s, RED, max(2, s // 12), w)


def icon_annotation(cv, s):   # 326 stage 5: a leader with a text
    sheet(cv, s)
    k = max(1, s // 24)
    cv.text(0.45 * s, 0.2 * s, "A", NAVY, k)
    cv.line(0.42 * s, 0.2 * s + 8 * k, 0.8 * s, 0.2 * s + 8 * k, NAVY)
    cv.arrow(0.42 * s, 0.2 * s + 8 * k, 0.22 * s, 0.75 * s, NAVY, max(2, s // 10))
    cv.rect(0.2 * s, 0.6 * s, 0.45 * s, 0.85 * s, BLACK, None)


def icon_layout(cv, s):       # 327 stage 6: views placed on a sheet with a title block
    sheet(cv, s)
    cv.rect(0.2 * s, 0.14 * s, 0.45 * s, 0.4 * s, NAVY, None)
    cv.rect(0.55 * s, 0.14 * s, 0.8 * s, 0.4 * s, NAVY, None)
    cv.rect(0.2 * s, 0.46 * s, 0.45 * s, 0.7 * s, NAVY, None)
    cv.rect(0.5 * s, 0.76 * s, 0.86 * s, 0.92 * s, BLACK, SILVER)


def icon_print(cv, s):        # 330: a printer with a sheet
    cv.rect(0.28 * s, 0.08 * s, 0.72 * s, 0.45 * s, BLACK, WHITE)
    cv.rect(0.08 * s, 0.4 * s, 0.92 * s, 0.75 * s, BLACK, GREY)
    cv.rect(0.22 * s, 0.62 * s, 0.78 * s, 0.94 * s, BLACK, WHITE)
    for y in (0.72, 0.8, 0.88):
        cv.line(0.3 * s, y * s, 0.7 * s, y * s, BLACK)
    cv.circle(0.8 * s, 0.5 * s, max(1, 0.03 * s), GREEN, GREEN)


ICONS = {105: icon_program, 106: icon_document, 109: icon_warning, 537: icon_help,
         321: icon_points, 323: icon_image, 324: icon_dimensions, 325: icon_construction,
         326: icon_annotation, 327: icon_layout, 330: icon_print}

CURSOR_IDS = [198, 199, 200, 201, 202, 203, 239, 240, 260, 261, 265, 266, 399, 475, 544, 546,
              599, 616, 617, 618, 619, 620, 621, 622, 623, 624, 625, 626, 674, 708, 714, 715,
              1069, 1171]

# Each tool cursor is a cross-hair (hot spot in its centre) with a badge that
# tells the tools apart: a letter, digit or sign at the lower right.
CURSOR_BADGES = ["+", "-", "X", "Y", "Z", "A", "B", "E", "R", "S", "T", "1", "2", "3", "4", "5",
                 "6", "7", "8", "9", "0", "x", ".", "?", "!", "+", "-", "A", "B", "E", "R", "S",
                 "T", "X"]


def cursor_picture(badge, ring):
    cv = Canvas(32, 32)
    c = 10
    # white outline under a black cross, so it shows on any background
    for d in (-1, 1):
        cv.line(c - 9, c + d, c + 9, c + d, WHITE)
        cv.line(c + d, c - 9, c + d, c + 9, WHITE)
    cv.line(c - 9, c, c + 9, c, BLACK)
    cv.line(c, c - 9, c, c + 9, BLACK)
    if ring:
        cv.circle(c, c, 4, BLACK)
    cv.rect(17, 17, 25, 27, BLACK, WHITE)
    cv.text(19, 19, badge, BLACK)
    return cv, (c, c)


def line_sample(w, h, style, colour=BLACK):
    cv = Canvas(w, h, SILVER)
    y = h // 2
    if style == "solid":
        cv.line(3, y, w - 4, y, colour, 2)
    elif style == "thin":
        cv.line(3, y, w - 4, y, colour, 1)
    elif style == "dash":
        cv.line(3, y, w - 4, y, colour, 1, (6, 3))
    elif style == "dashdot":
        cv.line(3, y, w - 4, y, colour, 1, (8, 2, 1, 2))
    elif style == "dashdot2":
        cv.line(3, y, w - 4, y, colour, 1, (8, 2, 1, 2, 1, 2))
    elif style == "wave":
        import math
        prev = None
        for x in range(3, w - 3):
            p = (x, y + 3 * math.sin((x - 3) / 3.0))
            if prev:
                cv.line(prev[0], prev[1], p[0], p[1], colour)
            prev = p
    elif style == "zigzag":
        pts = [(3, y), (w // 2 - 4, y), (w // 2 - 2, y - 5), (w // 2 + 2, y + 5), (w // 2 + 4, y),
               (w - 4, y)]
        for a, b in zip(pts, pts[1:]):
            cv.line(a[0], a[1], b[0], b[1], colour)
    elif style == "thick":
        cv.line(3, y, w - 4, y, colour, 3)
    elif style == "arrow":
        cv.arrow(3, y, w - 4, y, colour, 5)
    elif style == "double":
        cv.line(3, y - 2, w - 4, y - 2, colour)
        cv.line(3, y + 2, w - 4, y + 2, colour)
    elif style == "dots":
        cv.line(3, y, w - 4, y, colour, 1, (1, 2))
    return cv


def small_picture(w, h, kind):
    """Small tool pictures for the panels' image lists."""
    cv = Canvas(w, h, SILVER)
    m = h // 2
    if kind == "linear":
        cv.line(3, 4, 3, h - 4, BLACK)
        cv.line(w - 4, 4, w - 4, h - 4, BLACK)
        cv.arrow(w // 2, m, 3, m, BLUE, 3)
        cv.arrow(w // 2, m, w - 4, m, BLUE, 3)
    elif kind == "vertical":
        cv.line(4, 3, w - 4, 3, BLACK)
        cv.line(4, h - 4, w - 4, h - 4, BLACK)
        cv.arrow(m, h // 2, m, 3, BLUE, 3)
        cv.arrow(m, h // 2, m, h - 4, BLUE, 3)
    elif kind == "angle":
        cv.line(3, h - 4, w - 3, h - 4, BLACK)
        cv.line(3, h - 4, w - 5, 3, BLACK)
        cv.arc(3, h - 4, min(w, h) - 7, 0, 50, BLUE)
    elif kind == "radius":
        cv.circle(w // 2, m, min(w, h) // 2 - 2, BLACK)
        cv.arrow(w // 2, m, w // 2 + (min(w, h) // 2 - 3) * 0.7, m - (min(w, h) // 2 - 3) * 0.7,
                 BLUE, 3)
    elif kind == "diameter":
        r = min(w, h) // 2 - 2
        cv.circle(w // 2, m, r, BLACK)
        cv.arrow(w // 2, m, w // 2 - r + 1, m + r - 4, BLUE, 3)
        cv.arrow(w // 2, m, w // 2 + r - 1, m - r + 4, BLUE, 3)
    elif kind == "chain":
        for x in (3, w // 2, w - 4):
            cv.line(x, 4, x, h - 4, BLACK)
        cv.line(3, m, w - 4, m, BLUE)
        for x in (3, w // 2, w - 4):
            cv.circle(x, m, 1, BLUE, BLUE)
    elif kind.startswith("text"):
        cv.text(3, (h - 7) // 2, kind[4:], NAVY)
    elif kind.startswith("mark"):
        cv.rect(2, 2, w - 3, h - 3, BLACK, WHITE)
        cv.text(w // 2 - 2, (h - 7) // 2, kind[4:], RED)
    elif kind.startswith("hatch"):
        step = int(kind[5:])
        cv.rect(2, 2, w - 3, h - 3, BLACK, WHITE)
        for k in range(-h, w, step):
            cv.line(max(3, k), min(h - 4, h - 4 - (max(3, k) - k)),
                    min(w - 4, k + h), max(3, h - 4 - (min(w - 4, k + h) - k)), BLACK)
    return cv


def visibility_picture(level):
    """48x16: a visibility level - lines shown, hidden or thin."""
    cv = Canvas(48, 16, SILVER)
    cv.text(2, 4, str(level), NAVY)
    styles = ["solid", "dash", "thin", "dashdot", "dots", "double", "thick", "wave", "zigzag"]
    sample = line_sample(38, 16, styles[level % len(styles)])
    for y in range(16):
        for x in range(38):
            if sample.px[y][x] != SILVER:
                cv.px[y][10 + x] = sample.px[y][x]
    return cv


def check_mark_picture(stage, size):
    """Check-mark pictures of the six stage commands: the stage number."""
    cv = Canvas(size, size, WHITE)
    cv.rect(0, 0, size - 1, size - 1, NAVY, None)
    cv.text((size - 5) // 2, (size - 7) // 2, str(stage), NAVY)
    return cv


def internal_picture():
    """680: the picture of the internal-failure message: a broken gear."""
    cv = Canvas(48, 48, SILVER)
    import math
    for k in range(8):
        a = k * math.pi / 4
        cv.rect(24 + 17 * math.cos(a) - 3, 24 + 17 * math.sin(a) - 3,
                24 + 17 * math.cos(a) + 3, 24 + 17 * math.sin(a) + 3, GREY, GREY)
    cv.circle(24, 24, 15, BLACK, GREY)
    cv.circle(24, 24, 5, BLACK, SILVER)
    cv.line(20, 6, 28, 42, RED, 3)
    cv.text(2, 40, "E", RED)
    return cv


def clock_face():
    """540 (face, black on white) and 541 (its mask) for the clock cursor."""
    face = [[0] * 32 for _ in range(32)]   # 0 black, 1 white
    mask = [[1] * 32 for _ in range(32)]   # 1 transparent
    cx, cy = 15, 17
    for y in range(32):
        for x in range(32):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= 12.5:
                mask[y][x] = 0
                face[y][x] = 1 if d < 11.5 else 0
    import math
    for k in range(12):
        a = k * math.pi / 6
        x, y = int(round(cx + 10 * math.cos(a))), int(round(cy + 10 * math.sin(a)))
        face[y][x] = 0
    return face, mask


def zoom_picture(factor_text, plus):
    cv = Canvas(24, 20, SILVER)
    cv.circle(9, 8, 6, BLACK, WHITE)
    cv.line(13, 12, 20, 18, BLACK, 2)
    cv.text(7, 5, "+" if plus else "-", BLUE)
    return cv


def start_picture(kind):
    """The picture buttons of the start dialog (40 x 40) and the grid-snap
    button of the units dialog (24 x 24)."""
    if kind == "snap":
        cv = Canvas(24, 24, WHITE)
        for i in range(3, 24, 6):
            for j in range(3, 24, 6):
                cv.set(i, j, GREY)
                cv.set(i + 1, j, GREY)
        cv.circle(14, 9, 2, RED, fill=RED)
        cv.arrow(6, 19, 13, 11, BLUE, head=3)
        return cv
    cv = Canvas(40, 40, WHITE)
    if kind == "new":
        cv.polygon([(8, 4), (26, 4), (32, 10), (32, 36), (8, 36)], BLACK, fill=WHITE)
        cv.line(26, 4, 26, 10, BLACK)
        cv.line(26, 10, 32, 10, BLACK)
        cv.line(12, 30, 28, 30, NAVY)
        cv.line(12, 30, 12, 16, NAVY)
        cv.text(16, 17, "+", RED, 2)
    elif kind == "open":
        cv.polygon([(4, 10), (14, 10), (17, 13), (34, 13), (34, 33), (4, 33)], OLIVE, fill=YELLOW)
        cv.polygon([(8, 18), (38, 18), (34, 33), (4, 33)], OLIVE, fill=YELLOW)
        cv.arrow(22, 12, 22, 2, DGREEN, head=4)
    else:
        cv.polygon([(6, 6), (19, 8), (19, 36), (6, 34)], NAVY, fill=BLUE)
        cv.polygon([(21, 8), (34, 6), (34, 34), (21, 36)], NAVY, fill=BLUE)
        for y in (13, 18, 23, 28):
            cv.line(9, y, 16, y + 1, WHITE)
            cv.line(24, y + 1, 31, y, WHITE)
    return cv


def search_picture():
    """The search button of the model window (16 x 16): a magnifying glass
    over a line of text."""
    cv = Canvas(16, 16, SILVER)
    for y in (3, 6, 9):
        cv.line(1, y, 8, y, GREY)
    cv.circle(6, 6, 4, NAVY, WHITE)
    cv.line(4, 5, 8, 5, GREY)
    cv.line(9, 9, 14, 14, NAVY, 2)
    return cv


def menu_picture(kind, colour=NAVY):
    """13 x 13 check-mark pictures of the stage submenu, the window list and
    the context menus: a small glyph of the command on white."""
    cv = Canvas(13, 13, WHITE)
    c = colour
    if kind == "point":
        cv.circle(6, 6, 2, c, c)
    elif kind == "add":
        cv.circle(4, 8, 2, c, c)
        cv.line(9, 1, 9, 7, RED)
        cv.line(6, 4, 12, 4, RED)
    elif kind == "move":
        cv.circle(3, 9, 1, c, c)
        cv.arrow(4, 8, 11, 2, RED, 3)
    elif kind == "line":
        cv.line(1, 11, 11, 1, c)
        cv.circle(1, 11, 1, RED, RED)
        cv.circle(11, 1, 1, RED, RED)
    elif kind == "break":
        cv.line(1, 6, 4, 6, c)
        cv.line(8, 6, 11, 6, c)
        cv.circle(6, 6, 1, RED, RED)
    elif kind == "aux":
        cv.line(0, 9, 12, 3, GREY, 1, (2, 2))
        cv.circle(6, 6, 1, c, c)
    elif kind == "distance":
        cv.arrow(6, 6, 1, 6, c, 2)
        cv.arrow(6, 6, 11, 6, c, 2)
        cv.line(1, 2, 1, 10, BLACK)
        cv.line(11, 2, 11, 10, BLACK)
    elif kind == "angle":
        cv.line(1, 11, 11, 11, c)
        cv.line(1, 11, 10, 2, c)
        cv.arc(1, 11, 7, 0, 45, RED)
    elif kind == "find":
        cv.circle(5, 5, 3, c)
        cv.line(7, 7, 11, 11, c, 2)
    elif kind == "circle":
        cv.circle(6, 6, 5, c)
        cv.set(6, 6, RED)
    elif kind == "arc":
        cv.arc(6, 8, 5, 0, 180, c)
        cv.set(6, 8, RED)
    elif kind == "ellipse":
        for k in range(40):
            import math
            a = k * math.pi / 20
            cv.set(6 + 5.5 * math.cos(a), 6 + 3 * math.sin(a), c)
    elif kind == "wave":
        import math
        for x in range(13):
            cv.set(x, 6 + 2.5 * math.sin(x * 0.9), c)
    elif kind == "curve":
        cv.arc(3, 9, 3, 180, 360, c)
        cv.arc(9, 4, 3, 0, 180, c)
    elif kind == "stop":
        cv.rect(3, 3, 9, 9, RED, RED)
    elif kind == "fragment":
        cv.rect(1, 1, 7, 7, c)
        cv.rect(5, 5, 11, 11, RED)
    elif kind == "symbol":
        cv.circle(6, 6, 4, c)
        cv.line(2, 6, 10, 6, c)
        cv.line(6, 2, 6, 10, c)
    elif kind == "mark":
        cv.rect(1, 1, 11, 11, GREY)
        cv.line(3, 6, 5, 9, RED)
        cv.line(5, 9, 10, 2, RED)
    elif kind == "delete":
        cv.line(2, 2, 10, 10, RED, 2)
        cv.line(10, 2, 2, 10, RED, 2)
    elif kind == "contour":
        cv.polygon([(1, 3), (9, 1), (11, 9), (3, 11)], c)
    elif kind == "screen":
        cv.polygon([(1, 3), (9, 1), (11, 9), (3, 11)], c, fill=GREY)
    elif kind == "hole":
        cv.rect(0, 0, 12, 12, GREY, GREY)
        cv.circle(6, 6, 3, c, WHITE)
    elif kind == "bar":
        cv.rect(1, 4, 11, 8, c, SILVER)
    elif kind == "levels":
        for y in (3, 6, 9):
            cv.line(1, y, 11, y, c if y != 6 else RED)
    elif kind == "layers":
        cv.rect(1, 1, 8, 8, c, WHITE)
        cv.rect(4, 4, 11, 11, RED, WHITE)
    elif kind == "dim":
        cv.line(1, 1, 1, 11, BLACK)
        cv.line(11, 1, 11, 11, BLACK)
        cv.arrow(6, 6, 1, 6, c, 2)
        cv.arrow(6, 6, 11, 6, c, 2)
    elif kind == "first":
        cv.line(2, 1, 2, 11, RED, 2)
        cv.line(10, 1, 10, 11, GREY)
    elif kind == "second":
        cv.line(2, 1, 2, 11, GREY)
        cv.line(10, 1, 10, 11, RED, 2)
    elif kind == "centre":
        cv.circle(6, 6, 5, GREY)
        cv.circle(6, 6, 1, RED, RED)
    elif kind == "level":
        cv.line(0, 10, 12, 10, GREY)
        cv.polygon([(6, 10), (3, 5), (9, 5)], RED)
    elif kind == "commit":
        cv.line(2, 6, 5, 10, DGREEN, 2)
        cv.line(5, 10, 11, 2, DGREEN, 2)
    elif kind == "select":
        cv.arrow(10, 10, 2, 2, c, 4)
    elif kind == "cycle":
        cv.arc(6, 6, 4, 30, 330, c)
        cv.arrow(10, 4, 10, 1, c, 2)
    elif kind == "axis" or kind.startswith("axis"):
        cv.line(0, 6, 12, 6, GREY, 1, (2, 1))
        cv.text(4, 3, kind[4:] or "X", c)
    elif kind == "hide":
        cv.rect(1, 3, 11, 9, GREY)
        cv.line(1, 11, 11, 1, RED)
    elif kind == "text":
        cv.text(4, 3, "T", c)
    elif kind == "leader":
        cv.line(1, 11, 6, 4, c)
        cv.line(6, 4, 12, 4, c)
    elif kind == "rough":
        cv.line(1, 5, 4, 10, c)
        cv.line(4, 10, 9, 1, c)
        cv.line(9, 1, 12, 1, c)
    elif kind == "hatch":
        cv.rect(1, 1, 11, 11, c)
        for k in range(-8, 12, 3):
            cv.line(max(1, k), min(11, 11 - (max(1, k) - k)), min(11, k + 10), max(1, 11 - (min(11, k + 10) - k)), c)
    elif kind == "raise":
        cv.rect(1, 4, 11, 11, c, WHITE)
        cv.arrow(6, 8, 6, 0, RED, 3)
    elif kind == "lower":
        cv.rect(1, 1, 11, 8, c, WHITE)
        cv.arrow(6, 4, 6, 12, RED, 3)
    elif kind == "properties":
        cv.rect(1, 1, 11, 11, c, WHITE)
        for y in (4, 6, 8):
            cv.line(3, y, 9, y, GREY)
    elif kind == "fit":
        cv.rect(0, 0, 12, 12, c)
        cv.arrow(6, 6, 1, 1, RED, 2)
        cv.arrow(6, 6, 11, 11, RED, 2)
    elif kind == "save":
        cv.rect(1, 1, 11, 11, c, NAVY)
        cv.rect(3, 1, 9, 5, None, WHITE)
    elif kind == "merge":
        cv.line(1, 2, 6, 6, c)
        cv.line(1, 10, 6, 6, c)
        cv.line(6, 6, 12, 6, RED)
    elif kind == "plus":
        cv.line(6, 2, 6, 10, DGREEN, 2)
        cv.line(2, 6, 10, 6, DGREEN, 2)
    elif kind == "minus":
        cv.line(2, 6, 10, 6, RED, 2)
    elif kind.startswith("view"):
        cv.rect(1, 1, 11, 11, GREY, WHITE)
        cv.text(4, 3, kind[4:], c)
    return cv


# The glyphs of the stage submenus, in the order of the stage-command tables
# (bitmap 16000 + 100 x stage + position).
STAGE_MENU_GLYPHS = {
    1: ["add", "move", "break", "aux", "distance", "distance", "angle", "find"],
    2: ["first", "centre", "second", "commit", "dim", "cycle", "select", "delete", "axisX", "axisY",
        "axis", "axis", "axis", "hide", "hide", "dim", "dim", "hole", "save"],
    3: ["line", "circle", "arc", "arc", "ellipse", "ellipse", "wave", "curve", "curve", "stop",
        "fragment", "symbol", "mark", "delete", "delete", "delete", "delete", "contour", "screen",
        "hole", "break", "bar", "levels", "levels", "layers"],
    4: ["mark", "select", "cycle", "cycle", "stop"],
    5: ["move", "leader", "rough", "rough", "properties", "leader", "hatch", "text", "line", "dim",
        "screen", "find"],
}
# The window list (16600 + view kind) and the context-menu items.
MENU_GLYPHS = {16620: "raise", 16621: "lower", 16622: "properties", 16623: "fit", 16624: "level",
               16625: "line", 16626: "levels", 16627: "merge", 16628: "plus", 16629: "minus",
               16630: "commit", 16631: "save", 16632: "properties"}


def main():
    out = sys.argv[1]
    img = os.path.join(out, "images")
    os.makedirs(img, exist_ok=True)
    rc = ["// Generated by scripts/make_shell_images.py: icons, cursors and bitmaps."]

    def put(name, data):
        path = os.path.join(img, name)
        with open(path, "wb") as f:
            f.write(data)
        return path.replace("\\", "/")

    for rid, fn in ICONS.items():
        pics = []
        for s in (16, 32, 64):
            cv = Canvas(s, s)
            fn(cv, s)
            pics.append(cv)
        rc.append('%d ICON "%s"' % (rid, put("icon%d.ico" % rid, ico(pics))))

    for i, rid in enumerate(CURSOR_IDS):
        cv, hot = cursor_picture(CURSOR_BADGES[i], i % 3 == 1)
        rc.append('%d CURSOR "%s"' % (rid, put("cursor%d.cur" % rid, cur(cv, hot))))

    bitmaps = {}
    styles48 = ["solid", "thin", "dash", "dashdot", "dashdot2", "wave", "zigzag", "thick",
                "arrow", "double", "dots"]
    for rid, st in zip([221, 222, 223, 224, 225, 226, 227, 228, 229, 249, 478], styles48):
        bitmaps[rid] = line_sample(48, 20, st)
    for rid, k in zip([343, 344, 345, 346, 347, 348],
                      ["vertical", "angle", "radius", "diameter", "linear", "chain"]):
        bitmaps[rid] = small_picture(18, 18, k)
    # 401-413, 479-512 and 559 (the annotation dialogs' picture lists) are
    # drawn by make_annotation_images.py.
    for rid, level in zip(range(883, 892), range(9)):
        bitmaps[rid] = visibility_picture(level)
    for stage, rid in enumerate(range(861, 867), start=1):
        bitmaps[rid] = check_mark_picture(stage, 13)
    bitmaps[680] = internal_picture()
    bitmaps[1016] = zoom_picture("1.25", True)
    bitmaps[1017] = zoom_picture("0.8", False)
    for rid, k in zip([15001, 15002, 15003, 15004], ["new", "open", "guide", "snap"]):
        bitmaps[rid] = start_picture(k)
    bitmaps[15005] = search_picture()
    for stage, glyphs in STAGE_MENU_GLYPHS.items():
        for i, g in enumerate(glyphs):
            bitmaps[16000 + 100 * stage + i] = menu_picture(g)
    for kind in range(16):
        bitmaps[16600 + kind] = menu_picture("view%d" % (kind % 10), DRED if kind >= 8 else NAVY)
    for rid, g in MENU_GLYPHS.items():
        bitmaps[rid] = menu_picture(g)
    for rid, cv in sorted(bitmaps.items()):
        rc.append('%d BITMAP "%s"' % (rid, put("bitmap%d.bmp" % rid, bmp4(cv))))
    face, mask = clock_face()
    rc.append('540 BITMAP "%s"' % put("bitmap540.bmp", bmp1(face, 32, 32)))
    rc.append('541 BITMAP "%s"' % put("bitmap541.bmp", bmp1(mask, 32, 32)))

    with open(os.path.join(out, "shell_images.rc"), "w") as f:
        f.write("\n".join(rc) + "\n")


if __name__ == "__main__":
    main()
