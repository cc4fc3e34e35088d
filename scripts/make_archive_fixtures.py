#!/usr/bin/env python3
"""Regenerates the archive-reader fixtures in tests/data/archive/.

Archives are made by the `arj` archiver (Debian package arj) with each of its
methods 0 to 4, then every header marker 0x60 0xEA is rewritten to the
program's marker 0xCA 0xF4.  The headers are walked by their sizes: compressed
data may hold the bytes 0x60 0xEA and is never touched.  The header CRC covers
only the basic header, so nothing else changes.

Files written:
  sample.bin          a few KB of text (also Windows-1251), binary and long runs
  sample_m<k>.arj     sample.bin packed with method k (0..4)
  big_m<k>.arj        big.bin packed with method 1 and 4; big.bin is ten
                      copies of sample.bin, copy i with every byte XOR 17*i
                      (over 26624 bytes, so the window wraps); the test builds
                      it the same way
  text_t1.arj         text.txt packed as a text file (file type 1), method 1
  text.txt            its contents

Usage: make_archive_fixtures.py [output folder]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ARJ_MARKER = b"\x60\xea"
OWN_MARKER = b"\xca\xf4"


def make_sample():
    out = bytearray()
    out += b"SARVOLT archive sample. " * 12
    out += "Чертёж, проекция, размер; штриховка и засечки.\r\n".encode("cp1251") * 9
    out += bytes(700)                      # a long run: overlapping matches
    out += b"A" * 300
    x = 12345
    for _ in range(400):                   # pseudo-random bytes: literals
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    out += bytes(range(256)) * 2
    out += b"abcabcabcabd" * 40
    out += "Конец образца.\n".encode("cp1251")
    return bytes(out)


def make_big(sample):
    return b"".join(bytes(b ^ ((17 * i) & 0xFF) for b in sample) for i in range(10))


def make_text():
    lines = []
    for i in range(120):
        lines.append("line %03d: the quick brown fox jumps over the lazy dog %d\n" % (i, i * 7 % 13))
    return "".join(lines).encode("ascii")


def walk_headers(data):
    """Yields (offset, basic header bytes) for every header, end marker included
    (with empty bytes), and checks each header's CRC."""
    pos = 0
    first = True
    while True:
        if data[pos:pos + 2] not in (ARJ_MARKER, OWN_MARKER):
            raise SystemExit("no header marker at %d" % pos)
        size = struct.unpack_from("<H", data, pos + 2)[0]
        if size == 0:
            yield pos, b"", first
            return
        basic = data[pos + 4:pos + 4 + size]
        crc = struct.unpack_from("<I", data, pos + 4 + size)[0]
        if zlib.crc32(basic) != crc:
            raise SystemExit("header CRC mismatch at %d" % pos)
        ext = struct.unpack_from("<H", data, pos + 8 + size)[0]
        if ext != 0:
            raise SystemExit("extended header at %d" % pos)
        yield pos, basic, first
        nxt = pos + 10 + size
        if not first:
            nxt += struct.unpack_from("<I", basic, 12)[0]
        first = False
        pos = nxt


def patch_and_check(data, method, file_type):
    data = bytearray(data)
    members = 0
    for pos, basic, is_main in walk_headers(bytes(data)):
        data[pos:pos + 2] = OWN_MARKER
        if basic and not is_main:
            members += 1
            arch_ver, min_ver, _host, _flags, meth, ftype = basic[1:7]
            assert min_ver <= 3, "minimum version %d" % min_ver
            assert meth == method, "method %d instead of %d" % (meth, method)
            assert not (meth == 4 and arch_ver == 1)
            assert ftype == file_type, "file type %d" % ftype
    assert members == 1
    return bytes(data)


def arj(folder, archive, member, switches):
    subprocess.run(["arj", "a", "-y", "-i"] + switches + [archive, member], cwd=folder,
                   check=True, stdout=subprocess.DEVNULL)
    # An independent check of the unpatched archive: arj tests it itself.
    subprocess.run(["arj", "t", "-y", "-i", archive], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, archive), "rb") as f:
        return f.read()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "data", "archive")
    os.makedirs(out, exist_ok=True)
    if not shutil.which("arj"):
        raise SystemExit("the arj archiver is needed (Debian package arj)")
    sample = make_sample()
    big = make_big(sample)
    text = make_text()
    with tempfile.TemporaryDirectory() as work:
        for name, content in (("sample.bin", sample), ("big.bin", big), ("text.txt", text)):
            with open(os.path.join(work, name), "wb") as f:
                f.write(content)
        jobs = [("sample_m%d.arj" % m, "sample.bin", ["-m%d" % m], m, 0) for m in range(5)]
        jobs += [("big_m%d.arj" % m, "big.bin", ["-m%d" % m], m, 0) for m in (1, 4)]
        jobs += [("text_t1.arj", "text.txt", ["-m1", "-t1"], 1, 1)]
        for archive, member, switches, method, ftype in jobs:
            data = arj(work, archive, member, switches)
            with open(os.path.join(out, archive), "wb") as f:
                f.write(patch_and_check(data, method, ftype))
    for name, content in (("sample.bin", sample), ("text.txt", text)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(content)
    print("fixtures written to", os.path.abspath(out))


if __name__ == "__main__":
    main()
