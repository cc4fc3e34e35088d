#!/usr/bin/env python3
"""Tests of the font tool: the encoding of glyph sources into "gfnt" bytes,
the derived type B sets, the checker's refusals and the Hershey converter.

    python3 scripts/test_fontgen.py
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import fontgen  # noqa: E402
import hershey_import  # noqa: E402

ROWMANS = "/usr/share/hershey-fonts/rowmans.jhf"


def write(dirname, name, text):
    with open(os.path.join(dirname, name), "w", encoding="utf-8") as f:
        f.write(text)


# A source folder with every set filled from two tiny tables: each code of
# "any" is a vertical bar, with a few glyphs of known shape on top.
TINY_SETS = "".join("set %d A 0x%02X 0x%02X special any\n" % (sid, r[0], r[1])
                    for sid, r in fontgen.EXPECTED.items() if r[2] == 40)
TINY_SETS += "".join("set %d B from %d\n" % (b, a) for a, b in
                     [(247, 254), (248, 369), (252, 370), (380, 381), (494, 495), (552, 553), (639, 640)])
TINY_ANY = "table any\n" + "".join("glyph 0x%02X\n  line 0,40 0,180\n" % c for c in range(0x21, 0x100)) \
    + "glyph 0x20\n  advance 60\n"
TINY_SPECIAL = """table special
glyph 0x41  a stroke, a circle and a curve
  line 10,40 10,180
  circle 30,110 20
  curve 10,40 20.5,60 -1.25,70 50,180
glyph 0x42  copied, mirrored and moved
  copy special:0x41 mirror move 100,0
glyph 0x43  explicit edges
  line 0,40 100,40
  edges 80 80 80 80
glyph 0x56  V: sides not parallel
  line 0,180 30,40 60,180
"""


class BuildAndDecode(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.tmp.name, "src")
        self.out = os.path.join(self.tmp.name, "out")
        os.makedirs(self.src)
        write(self.src, "sets.txt", TINY_SETS)
        write(self.src, "any.glyphs", TINY_ANY)
        write(self.src, "special.glyphs", TINY_SPECIAL)

    def tearDown(self):
        self.tmp.cleanup()

    def blob(self, sid):
        with open(os.path.join(self.out, "font%d.gfnt" % sid), "rb") as f:
            return f.read()

    def record(self, blob, first, code):
        return struct.unpack_from("<8B2H", blob, 4 + 12 * (code - first))

    def test_exact_bytes_of_a_glyph(self):
        fontgen.build(self.src, self.out)
        self.assertEqual(fontgen.check(self.out), [])
        b = self.blob(252)
        self.assertEqual(b[:4], bytes([0x41, 0x7F, 40, 0]))
        top, bottom, lt, lb, rt, rb, nl, nc, ol, oc = self.record(b, 0x41, 0x41)
        # The ink (x 10..50) moves to start at x = 5; the edges lie half a
        # pen width outside the ink.
        self.assertEqual((top, bottom, nl, nc), (180, 40, 2, 1))
        self.assertEqual((lt, lb, rt, rb), (0, 0, 50, 50))
        self.assertEqual(b[ol:ol + 8], bytes([5, 40, 5, 180, 25, 110, 20, 0xFF]))
        self.assertEqual(struct.unpack_from("<2B4h2B", b, oc), (5, 40, 1550, 6000, -625, 7000, 45, 180))
        self.assertEqual(ol, 4 + 12 * (0x7F - 0x41 + 1))   # data right after the records

    def test_copy_mirror_and_explicit_edges(self):
        fontgen.build(self.src, self.out)
        b = self.blob(252)
        _, _, _, _, _, _, _, _, ol, oc = self.record(b, 0x41, 0x42)
        # mirrored: the curve now runs from the right bottom to the left top
        self.assertEqual(b[ol:ol + 4], bytes([45, 40, 45, 180]))
        self.assertEqual(struct.unpack_from("<2B4h2B", b, oc), (45, 40, 3450, 6000, 5625, 7000, 5, 180))
        top, bottom, lt, lb, rt, rb, nl, _, ol, _ = self.record(b, 0x41, 0x43)
        self.assertEqual((lt, lb, rt, rb), (80, 80, 80, 80))
        self.assertEqual(b[ol:ol + 4], bytes([0, 40, 100, 40]))   # kept where drawn

    def test_edges_of_sides_that_are_not_parallel(self):
        fontgen.build(self.src, self.out)
        _, _, lt, lb, rt, rb, _, _, _, _ = self.record(self.blob(252), 0x41, 0x56)
        self.assertEqual((lt, rt), (0, 70))       # V is widest at the top
        self.assertGreater(lb, lt)
        self.assertLess(rb, rt)

    def test_type_b_keeps_widths_and_maps_heights(self):
        fontgen.build(self.src, self.out)
        a, b = self.blob(252), self.blob(370)
        self.assertEqual(b[:4], bytes([0x41, 0x7F, 30, 0]))
        # letters: the same edges, heights 40..180 -> 30..130
        ra, rb_ = self.record(a, 0x41, 0x56), self.record(b, 0x41, 0x56)
        self.assertEqual(ra[2:6], rb_[2:6])
        self.assertEqual(rb_[:2], (130, 30))
        self.assertEqual(b[rb_[8]:rb_[8] + 4], bytes([5, 130, 35, 30]))
        # a sign with a circle keeps its shape: x scaled like y (100/140)
        rb_ = self.record(b, 0x41, 0x41)
        self.assertEqual(rb_[:6], (130, 30, 0, 0, 39, 39))
        ol = rb_[8]
        self.assertEqual(b[ol:ol + 8], bytes([5, 30, 5, 130, 19, 80, 14, 0xFF]))
        # space: no strokes, 60 wide
        rec = self.record(self.blob(369), 0x20, 0x20)
        self.assertEqual((rec[6], rec[7], rec[4] - rec[2]), (0, 0, 60))

    def test_source_errors_name_the_place(self):
        cases = [
            ("glyph 0x41\n  lines 0,0 1,1\n", "unknown command"),
            ("glyph 0x41\n  line 0,40\n", "two points"),
            ("glyph 0x41\n  line 0,40 300,40\n", "outside 0..254"),
            ("glyph 0x41\n  copy special:0x41\n", "copy loop"),
            ("glyph 0x41\n  copy nowhere:0x41\n", "no glyph"),
            ("glyph 0x41\n  curve 0,40 400,40 0,40 10,40\n", "327.67"),
        ]
        for body, message in cases:
            write(self.src, "special.glyphs", "table special\n" + body)
            with self.assertRaises(fontgen.SourceError) as e:
                fontgen.build(self.src, self.out)
            self.assertIn(message, str(e.exception), body)

    def test_missing_glyph_of_a_set(self):
        write(self.src, "any.glyphs", TINY_ANY.replace("glyph 0xC5\n  line 0,40 0,180\n", ""))
        with self.assertRaises(fontgen.SourceError) as e:
            fontgen.build(self.src, self.out)
        self.assertIn("code 0xC5", str(e.exception))


class Checker(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.tmp.name, "src")
        self.out = os.path.join(self.tmp.name, "out")
        os.makedirs(self.src)
        write(self.src, "sets.txt", TINY_SETS)
        write(self.src, "any.glyphs", TINY_ANY)
        write(self.src, "special.glyphs", TINY_SPECIAL)

    def tearDown(self):
        self.tmp.cleanup()

    def damage(self, sid, edit):
        """Checker messages after one edit of freshly built fonts."""
        fontgen.build(self.src, self.out)
        self.assertEqual(fontgen.check(self.out), [])
        path = os.path.join(self.out, "font%d.gfnt" % sid)
        with open(path, "rb") as f:
            b = bytearray(f.read())
        b = edit(b)
        with open(path, "wb") as f:
            f.write(b)
        return " ".join(fontgen.check(self.out))

    def test_refusals(self):
        def put16(b, off, v):
            struct.pack_into("<H", b, off, v)
            return b
        cases = [
            (247, lambda b: b[:3], "shorter than its header"),
            (247, lambda b: b[:100], "records past the end"),
            (248, lambda b: bytearray([0x21]) + b[1:], "range"),
            (254, lambda b: b[:2] + bytearray([40]) + b[3:], "baseline"),
            (252, lambda b: put16(b, 4 + 8, len(b) - 3), "strokes past the end"),
            (252, lambda b: put16(b, 4 + 10, len(b) - 11), "curves past the end"),
            (252, lambda b: b[:4] + bytearray([40, 180]) + b[6:], "bottom above top"),
            (252, lambda b: b[:6] + bytearray([90, 90, 10, 10]) + b[10:], "left edge"),
            (248, lambda b: b[:4 + 12 * 3 + 6] + bytearray([0]) + b[4 + 12 * 3 + 7:], "sign has no strokes"),
            (369, lambda b: b[:4 + 4] + bytearray([70, 70]) + b[4 + 6:], "space"),
        ]
        for sid, edit, message in cases:
            self.assertIn(message, self.damage(sid, edit), message)

    def test_stroke_ending_at_y_255_and_circle_off_the_grid(self):
        def set_stroke(values):
            def edit(b):
                ol = struct.unpack_from("<H", b, 4 + 12 * (0x42 - 0x41) + 8)[0]
                b[ol:ol + 4] = bytes(values)
                return b
            return edit
        self.assertIn("coordinate 255", self.damage(252, set_stroke([255, 40, 10, 40])))
        self.assertIn("outside the grid", self.damage(252, set_stroke([5, 100, 20, 0xFF])))


@unittest.skipUnless(os.path.exists(ROWMANS), "Hershey font data not installed")
class Converter(unittest.TestCase):
    def test_rowmans_h(self):
        out = subprocess.run([sys.executable, os.path.join(HERE, "hershey_import.py"), ROWMANS,
                              "t", "0x48", "0x48"], capture_output=True, text=True, check=True).stdout
        lines = [l.strip() for l in out.splitlines() if l.strip().startswith("line")]
        self.assertEqual(lines, ["line 0,180 0,40", "line 60,180 60,40", "line 0,113 60,113"])

    def test_small_letters_reach_140_and_descenders_0(self):
        glyphs = hershey_import.parse_jhf(ROWMANS)
        self.assertEqual(hershey_import.map_y(-5, True), 140)
        self.assertEqual(hershey_import.map_y(16, True), 0)
        self.assertEqual(hershey_import.map_y(-12, False), 180)
        self.assertEqual(len(glyphs), 96)


if __name__ == "__main__":
    unittest.main()
