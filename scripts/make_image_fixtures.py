#!/usr/bin/env python3
"""Writes the small JPEG and TIFF files the image loader tests read.

    make_image_fixtures.py OUTDIR      (the committed copy is tests/data/images)

The good files come from ImageMagick's `convert`; the damaged ones are cut or
patched copies, or TIFF files written here byte by byte.  Every picture is
built from flat areas, so a lossy JPEG still gives known colours inside them:

  quad (16x16): top left red, top right lime (0,255,0), bottom left blue,
                bottom right white.
  bars (3x2 grey): top row 64, bottom row 192.
"""
import os
import struct
import subprocess
import sys
import tempfile


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def tiff_file(width, height, pixels, extra_tags=(), strip_bytes=None):
    """A little-endian 8-bit RGB TIFF with one uncompressed strip.

    extra_tags: (tag, type, count, value) with a value that fits 4 bytes.
    strip_bytes: the byte count stored for the strip (default: the real one).
    """
    data = bytes(pixels)
    ifd_offset = 8 + len(data) + (len(data) & 1)
    bits_offset = ifd_offset  # patched below, after the IFD
    tags = [
        (256, 4, 1, width),
        (257, 4, 1, height),
        (258, 3, 3, 0),              # bits per sample, offset filled in
        (259, 3, 1, 1),              # no compression
        (262, 3, 1, 2),              # RGB
        (273, 4, 1, 8),              # strip at byte 8
        (277, 3, 1, 3),
        (278, 4, 1, height),
        (279, 4, 1, len(data) if strip_bytes is None else strip_bytes),
        (284, 3, 1, 1),
    ] + list(extra_tags)
    tags.sort()
    bits_offset = ifd_offset + 2 + 12 * len(tags) + 4
    out = bytearray(b"II*\x00" + struct.pack("<I", ifd_offset))
    out += data
    if len(data) & 1:
        out += b"\x00"
    out += struct.pack("<H", len(tags))
    for tag, typ, count, value in tags:
        if tag == 258:
            value = bits_offset
        if typ == 3 and count == 1:
            out += struct.pack("<HHIHH", tag, typ, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, typ, count, value)
    out += struct.pack("<I", 0)
    out += struct.pack("<HHH", 8, 8, 8)
    return bytes(out)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "tests/data/images"
    os.makedirs(out, exist_ok=True)
    o = lambda name: os.path.join(out, name)
    with tempfile.TemporaryDirectory() as tmp:
        quad = os.path.join(tmp, "quad.png")
        convert("-size", "8x8", "xc:red", "xc:lime", "+append",
                "(", "-size", "8x8", "xc:blue", "xc:white", "+append", ")", "-append",
                "-depth", "8", quad)
        bars = os.path.join(tmp, "bars.png")
        convert("-size", "3x1", "xc:gray(64)", "xc:gray(192)", "-append", bars)
        red = os.path.join(tmp, "red.png")
        convert("-size", "5x3", "xc:red", "-depth", "8", red)

        # JPEG: colour, grey, progressive, CMYK.
        convert(quad, "-quality", "100", "-sampling-factor", "1x1", "-strip", o("colour.jpg"))
        convert(bars, "-colorspace", "Gray", "-quality", "100", "-strip", o("grey3x2.jpg"))
        convert(quad, "-quality", "100", "-sampling-factor", "1x1", "-interlace", "Plane",
                "-strip", o("progressive.jpg"))
        convert(quad, "-colorspace", "CMYK", "-quality", "95", "-strip", o("cmyk.jpg"))

        # TIFF: two pages (300 per inch), and one file per compression with
        # its own resolution unit.
        convert(red, quad, "-compress", "None", "-units", "PixelsPerInch",
                "-density", "300", o("pages.tif"))
        convert(quad, "-compress", "LZW", "-units", "PixelsPerCentimeter",
                "-density", "40", o("lzw.tif"))
        convert(quad, "-type", "TrueColor", "-compress", "RLE", "-units", "Undefined", "-density", "72",
                o("packbits.tif"))
        convert(quad, "-monochrome", "-compress", "Fax", o("g3.tif"))
        convert(quad, "-monochrome", "-compress", "Group4", o("g4.tif"))

    # Damaged files.
    with open(o("colour.jpg"), "rb") as f:
        jpeg = f.read()
    with open(o("pages.tif"), "rb") as f:
        pages = f.read()
    with open(o("jpeg_header_cut.jpg"), "wb") as f:
        f.write(jpeg[:40])
    # Cut inside the entropy-coded data, after the start-of-scan segment.
    scan = jpeg.index(b"\xff\xda")
    scan += 2 + struct.unpack(">H", jpeg[scan + 2:scan + 4])[0]
    with open(o("jpeg_data_cut.jpg"), "wb") as f:
        f.write(jpeg[:scan + (len(jpeg) - scan) // 2])
    with open(o("not_jpeg.jpg"), "wb") as f:
        f.write(b"This is not a picture.\n")
    open(o("empty.jpg"), "wb").close()
    with open(o("not_tiff.tif"), "wb") as f:
        f.write(b"This is not a picture.\n")
    with open(o("tiff_cut.tif"), "wb") as f:
        f.write(pages[:len(pages) // 2])
    # A header that promises 65536 x 16385 pixels over 12 bytes of data: a
    # raster of 4-byte pixels would need 4 GB and 256 KB, whose size in
    # 32 bits is just 256 KB.
    with open(o("tiff_huge.tif"), "wb") as f:
        f.write(tiff_file(65536, 16385, [0] * 12))
    # A strip whose byte count reaches past the end of the file.
    with open(o("tiff_strip_past_end.tif"), "wb") as f:
        f.write(tiff_file(4, 4, [200] * 48, strip_bytes=100000))


if __name__ == "__main__":
    main()
