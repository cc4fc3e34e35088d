#!/usr/bin/env python3
"""Writes the seed inputs of the dimension walk's fuzz target.

Usage: make_dimension_walk_seeds.py FOLDER

An input is two setting bytes (options and stage, drawing scale) and then
records, each as a chain selector (0 dimensions, 1 annotation, 2 elements),
a u16 byte count and the record's bytes.  The seeds hold one plausible
record of every kind, so the fuzzer starts from records that pass the
walk's checks.
"""
import pathlib
import struct
import sys


def floats(*v):
    return struct.pack('<%df' % len(v), *v)


def dimension(number, kind, style1, style2, value, pts):
    r = bytearray(100)
    struct.pack_into('<HI', r, 0, 100, number)
    struct.pack_into('<d', r, 14, 40.0)
    struct.pack_into('<HHH', r, 34, kind | style1 << 8 | style2 << 12, value, 0)
    r[40:40 + 4 * len(pts)] = floats(*pts)
    return bytes(r)


def annotation(kind, head, flags, fields, extra=b'\x34\x12\x56\x07'):
    r = bytearray(head)
    struct.pack_into('<HIBBH', r, 0, head + len(extra), 300 + kind, kind, 3, flags)
    for off, data in fields:
        r[off:off + len(data)] = data
    return bytes(r) + extra


def element(kind, line_type, a, b):
    r = bytearray(54)
    struct.pack_into('<HIHHH', r, 0, 54, 9, 0, 0, kind | line_type << 4)
    struct.pack_into('<4d', r, 22, *a, *b)
    return bytes(r)


def record(chain, data):
    return struct.pack('<BH', chain, len(data)) + data


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    dims = [
        dimension(1, 0, 0, 0, 0x13, (10, 50, 60, 50, 0, 0, 10, 10, 10, 40, 60, 10, 60, 40)),
        dimension(2, 1, 1, 9, 0x10, (130, 100, 100, 100, 100, 100, 130, 100, 130, 100)),
        dimension(3, 2, 7, 8, 0x2033, (80, 80, 120, 80, 100, 80)),
        dimension(4, 3, 2, 4, 0x33, (130, 50, 100, 20, 100, 50, 110, 50, 125, 50, 100, 40, 100, 25)),
        dimension(5, 6, 10, 3, 0x13, (10, 90, 60, 90, 0, 0, 10, 70, 10, 80)),
    ]
    notes = [
        annotation(0, 58, 3 << 7 | 0x2040, [(10, floats(30, 50, 40, 40, 50, 40, 41, 39, 41, 45))]),
        annotation(1, 66, 3 | 3 << 7 | 0x40 | 4 << 11, [(10, b'\x26'), (18, floats(150, 60, 160, 40, 190, 40, 161, 39))]),
        annotation(2, 44, 1, [(14, floats(5, 5))], b''),
        annotation(3, 66, 3 << 2 | 1 << 6 | 2 << 8, [(18, floats(130, 20, 125, 60, 131, 19, 124, 61, 132)), (64, b'\x01\x00')]),
        annotation(4, 50, 3 << 2, [(7, b'\x03'), (50, floats(150, 150, 150, 170, 180, 170))], b''),
        annotation(5, 36, 3 << 2 | 0x40, [(12, floats(200, 200)), (32, b'\x02\x02\x01\x01')]),
        annotation(6, 74, 3 << 2 | 3 << 6 | 0x200, [(10, b'\x02\x0e\x11'), (18, floats(20, 200, 60, 208, 10, 30, 10, 230, 20, 215, 20, 208, 20, 208))]),
    ]
    elements = [element(1, 4, (0, 20), (0, 30)), element(8, 3, (-10, 50), (10, 50))]
    everything = b''.join(record(0, d) for d in dims) + b''.join(record(1, n) for n in notes) + \
        b''.join(record(2, e) for e in elements)
    for options in (0x50, 0x5F, 0x62, 0x94):
        (out / ('all_%02x' % options)).write_bytes(bytes([options, 3]) + everything)
    for i, n in enumerate(notes):
        (out / ('kind_%d' % i)).write_bytes(bytes([0x50, 3]) + record(1, n))
    return 0


if __name__ == '__main__':
    sys.exit(main())
