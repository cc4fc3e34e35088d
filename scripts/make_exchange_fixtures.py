#!/usr/bin/python3
"""Writes the import fixtures of the exchange tests and the seeds of their
fuzz targets into tests/data/exchange:

  dxf/r12.dxf, dxf/r2000.dxf   written by ezdxf (Debian's python3-ezdxf),
                               Windows-1251, with every entity kind the
                               importer reads and a POINT between two LINEs;
  mgi/*.mgi                    MGI files built here byte by byte from the
                               format's definition.

Run with Debian's python3:  /usr/bin/python3 scripts/make_exchange_fixtures.py tests/data/exchange
"""
import os
import struct
import sys


def dxf_fixture(version, path):
    import ezdxf
    doc = ezdxf.new(version)
    doc.encoding = "cp1251"
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 0))
    msp.add_point((5, 5))
    msp.add_line((10, 0), (10, 10))
    msp.add_circle((30, 30), 5)
    msp.add_arc((50, 50), 10, 0, 90)
    msp.add_solid([(0, 20), (10, 20), (0, 30), (10, 30)])
    msp.add_trace([(20, 20), (30, 20), (20, 25), (30, 25)])
    msp.add_polyline2d([(60, 0), (70, 0), (70, 10), (60, 10)])
    msp.add_polyline2d([(80, 0), (90, 0), (90, 10), (80, 10)], close=True)
    if version != "R12":
        msp.add_lwpolyline([(100, 0), (110, 0), (110, 10), (100, 10)])
        msp.add_lwpolyline([(120, 0), (130, 0), (130, 10), (120, 10)], close=True)
        msp.add_open_spline([(0, 50), (10, 60), (20, 60), (30, 50)])
    msp.add_text("Привет ГОСТ", dxfattribs={"height": 2.5, "insert": (0, 80)})
    doc.saveas(path)


def mgi_fixtures(folder):
    def header(texts=()):
        body = b""
        offsets = [0] * 4
        lengths = [0] * 4
        at = 34
        for i, t in enumerate(texts):
            offsets[i] = at
            lengths[i] = len(t)
            body += t
            at += len(t)
        h = b"MGI " + struct.pack("<HHBBff", 1, at - 6, 0, 1, 420.0, 297.0)
        h += struct.pack("<4H", *offsets) + struct.pack("<4H", *lengths)
        return h + body

    def record(kind, rest):
        return struct.pack("<HB", 3 + len(rest), kind) + rest

    def projection(name, w, h):
        return record(1, struct.pack("<Bffffd", 1, w, h, 10.0, 20.0, 1.0) + struct.pack("<H", len(name)) + name)

    def segment(a, b, c, d, line_type=1):
        return record(2, struct.pack("<BBBH4d", 0, line_type, 0, 0, a, b, c, d))

    def circle(x, y, r):
        return record(2, struct.pack("<BBBH3d", 1, 1, 0, 1, x, y, r))

    def arc(sub, s, e, c):
        return record(2, struct.pack("<BBBH6d", sub, 1, 0, 2, *s, *e, *c))

    def contour(x1, y1, x2, y2):
        return record(4, struct.pack("<B4d", 1, x1, y1, x2, y2))

    end = record(6, b"")
    name = "Вид спереди".encode("cp1251")
    files = {
        "empty.mgi": header() + end,
        "title.mgi": header(["АБВГ.001".encode("cp1251"), "Вал".encode("cp1251"), b"", b"01.02.26"]) + end,
        "elements.mgi": header() + projection(name, 100, 80) + segment(0, 0, 50, 0) + segment(50, 0, 50, 40, 3)
        + circle(20, 20, 5) + arc(2, (60, 40), (70, 50), (60, 50)) + arc(3, (60, 40), (70, 50), (60, 50))
        + arc(2, (10, 70), (30, 70), (20, 200)) + contour(0, 0, 50, 40) + segment(0, 0, 50, 0)
        + record(5, b"") + record(3, struct.pack("<BH", 1, 7) + struct.pack("<2d", 5, 5)) + end,
    }
    for n, b in files.items():
        with open(os.path.join(folder, n), "wb") as f:
            f.write(b)


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "dxf"), exist_ok=True)
    os.makedirs(os.path.join(out, "mgi"), exist_ok=True)
    dxf_fixture("R12", os.path.join(out, "dxf", "r12.dxf"))
    dxf_fixture("R2000", os.path.join(out, "dxf", "r2000.dxf"))
    mgi_fixtures(os.path.join(out, "mgi"))


if __name__ == "__main__":
    main()
