#!/usr/bin/env python3
"""Convert Hershey .jhf glyphs into the glyph source format of resources/fonts.

Run once by hand (the converted sources are kept in the repository, so the
build never needs the Hershey files):

    python3 scripts/hershey_import.py /usr/share/hershey-fonts/rowmans.jhf \
        ascii 0x20 0x7F > resources/fonts/ascii.glyphs
    python3 scripts/hershey_import.py /usr/share/hershey-fonts/greeks.jhf \
        greek 0x41 0x7A > resources/fonts/greek.glyphs

Hershey coordinates grow downward; capitals run from -12 to the baseline at
+9, small letters reach -5 and descenders +16.  They are mapped onto the
glyph grid of type A lettering: baseline 40, capitals up to 180, small
letters up to 140, descenders down to 0.  The width is narrowed so that a
capital is about 60 units wide (six pen widths), as drafting letters are.
"""
import sys

KX = 60.0 / 14.0          # Hershey "H" is 14 units wide


def parse_jhf(path):
    glyphs = []
    with open(path, encoding="latin-1") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if not line.strip():
                continue
            count = int(line[5:8])
            body = line[8:8 + 2 * count]
            pairs = [(ord(body[i]) - 82, ord(body[i + 1]) - 82)
                     for i in range(0, len(body) - 1, 2)]
            strokes, cur = [], []
            for k, (x, y) in enumerate(pairs[1:]):
                if body[2 + 2 * k:4 + 2 * k] == " R":
                    if len(cur) > 1:
                        strokes.append(cur)
                    cur = []
                else:
                    cur.append((x, y))
            if len(cur) > 1:
                strokes.append(cur)
            glyphs.append(strokes)
    return glyphs


def map_y(hy, small):
    if hy > 9:                                    # descender: 9..16 -> 40..0
        return 40.0 - (hy - 9) * 40.0 / 7.0
    if small:
        if hy >= -5:                              # body of small letters
            return 40.0 + (9 - hy) * 100.0 / 14.0
        return 140.0 + (-5 - hy) * 40.0 / 7.0     # ascenders
    return 40.0 + (9 - hy) * 140.0 / 21.0


def main():
    path, table, first, last = sys.argv[1], sys.argv[2], int(sys.argv[3], 0), int(sys.argv[4], 0)
    glyphs = parse_jhf(path)
    print("# Converted from the Hershey font data (%s) by scripts/hershey_import.py;"
          % path.rsplit("/", 1)[-1])
    print("# see HERSHEY-ACKNOWLEDGEMENT.  Glyph units, y upward, baseline 40.")
    print("table %s" % table)
    for code in range(first, last + 1):
        strokes = glyphs[code - 32]
        small = 0x61 <= code <= 0x7A and table == "ascii"
        if not strokes and code != 0x20:
            continue                # no glyph: a later table may have one
        print()
        print("glyph 0x%02X  %s" % (code, chr(code) if code > 0x20 and code != 0x7F else ""))
        if not strokes:
            print("  advance 60")
            continue
        minx = min(x for s in strokes for x, _ in s)
        for s in strokes:
            pts = ["%d,%d" % (round((x - minx) * KX), round(map_y(y, small))) for x, y in s]
            print("  line " + " ".join(pts))


if __name__ == "__main__":
    main()
