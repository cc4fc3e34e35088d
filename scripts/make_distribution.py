#!/usr/bin/env python3
"""The distribution of SARVOLT from its one list (resources/setup_files.txt).

    make_distribution.py table LIST OUT.cpp
        writes the installer's table of file names as a C++ source (UTF-8
        literals; the compiler turns them into Windows-1251);
    make_distribution.py folder LIST OUTDIR --program SARVOLT.exe
            --setup setup.exe --help HELPDIR --photo PHOTO.jpg
        makes the distribution folder: the two programs, the help pages, the
        sample drawings (empty drawings of the current format), the pictures
        of the manual and "home.gif".  The folder is emptied first.

A name of the list that none of these rules can supply is an error, so the
list and the folder cannot drift apart.
"""
import os
import shutil
import struct
import sys
import time


def read_list(path):
    names = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n').rstrip('\r')
            if not line or line.startswith('#'):
                continue
            if not line.startswith('\\') or '/' in line or '"' in line:
                sys.exit('%s: bad name %r' % (path, line))
            names.append(line)
    if len(names) != len(set(n.lower() for n in names)):
        sys.exit('%s: a name is listed twice' % path)
    if len(names) < 3 or names[0] != '\\SARVOLT.exe' or names[1] != '\\Setup.exe' \
            or names[-1] != '\\home.gif':
        sys.exit('%s: the list must begin with \\SARVOLT.exe, \\Setup.exe and end with \\home.gif'
                 % path)
    return names


def c_literal(text):
    out = []
    for ch in text:
        if ch in '\\"':
            out.append('\\' + ch)
        else:
            out.append(ch)
    return '"' + ''.join(out) + '"'


def write_table(names, out):
    longest = max(len(n.encode('cp1251')) for n in names)
    lines = ['// The distribution table, generated from resources/setup_files.txt by',
             '// scripts/make_distribution.py: the files setup checks, copies and removes.',
             '#include "setup/distribution_table.h"',
             '',
             'const char* const setup_distribution_table[] = {']
    lines += ['    %s,' % c_literal(n) for n in names]
    lines += ['};',
              'const int setup_distribution_count = %d;' % len(names),
              'const int setup_longest_name = %d;' % longest,
              '']
    data = '\n'.join(lines)
    if os.path.exists(out) and open(out, encoding='utf-8').read() == data:
        return
    with open(out, 'w', encoding='utf-8') as f:
        f.write(data)


def empty_drawing():
    """A drawing of the current format with one empty projection."""
    h = bytearray(2048)
    h[0:4] = b'SARV'
    struct.pack_into('<H', h, 4, 12358)
    struct.pack_into('<I', h, 60, 2048 | 4)
    struct.pack_into('<i', h, 92, -1)
    struct.pack_into('<H', h, 110, 0x0006)
    struct.pack_into('<H', h, 112, 0x8300)
    h[114] = 4
    h[118] = 1
    struct.pack_into('<d', h, 128, 1.0)
    struct.pack_into('<I', h, 148, int(time.time()))
    struct.pack_into('<H', h, 164, 1)
    struct.pack_into('<f', h, 214, 0.5)
    struct.pack_into('<f', h, 218, 75.0)
    h[222] = 3
    struct.pack_into('<f', h, 230, 2.0)
    struct.pack_into('<f', h, 234, 0.25)
    p = bytearray(2048)
    r = bytearray(180)
    struct.pack_into('<HI', r, 0, 180, 1)
    p[4:4 + 180] = r
    return bytes(h + p)


def gif(width, height, seed):
    """A small GIF picture: a frame and a diagonal.  Every LZW code is written
    as a literal in 8 bits, with a clear code before the table would grow."""
    palette = [(255, 255, 255), (0, 0, 0), (40 + seed * 15 % 200, 60, 160)] + [(0, 0, 0)] * 125
    pixels = []
    for y in range(height):
        for x in range(width):
            edge = x in (0, width - 1) or y in (0, height - 1)
            diag = abs(x * height - y * width) < width
            pixels.append(1 if edge else 2 if diag else 0)
    codes = []
    for i in range(0, len(pixels), 126):
        codes.append(128)
        codes.extend(pixels[i:i + 126])
    codes.append(129)
    data = bytes(codes)
    blocks = b''.join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    out = b'GIF89a' + struct.pack('<HHBBB', width, height, 0x80 | 0x70 | 0x06, 0, 0)
    out += b''.join(bytes(c) for c in palette)
    out += b',' + struct.pack('<HHHHB', 0, 0, width, height, 0)
    out += bytes([7]) + blocks + b'\x00;'
    return out


def make_folder(names, outdir, program, setup, helpdir, photo):
    if os.path.isdir(outdir):
        shutil.rmtree(outdir)
    os.makedirs(outdir)
    for i, name in enumerate(names):
        rel = name[1:].replace('\\', '/')
        target = os.path.join(outdir, rel)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        low = name.lower()
        if low == '\\sarvolt.exe':
            shutil.copyfile(program, target)
        elif low == '\\setup.exe':
            shutil.copyfile(setup, target)
        elif low.endswith('.htm') and '\\' not in name[1:]:
            src = os.path.join(helpdir, rel)
            if not os.path.isfile(src):
                sys.exit('no help page %s' % src)
            shutil.copyfile(src, target)
        elif low.endswith('.svt'):
            open(target, 'wb').write(empty_drawing())
        elif low.endswith('.gif'):
            open(target, 'wb').write(gif(64 + i % 5 * 8, 48, i))
        elif low.endswith('.jpg'):
            shutil.copyfile(photo, target)
        else:
            sys.exit('no rule makes %s' % name)


def main(argv):
    if len(argv) == 4 and argv[1] == 'table':
        write_table(read_list(argv[2]), argv[3])
        return 0
    if len(argv) >= 4 and argv[1] == 'folder':
        opts = dict(zip(argv[4::2], argv[5::2]))
        need = ['--program', '--setup', '--help', '--photo']
        if any(k not in opts for k in need):
            sys.exit('folder needs ' + ' '.join(need))
        make_folder(read_list(argv[2]), argv[3], opts['--program'], opts['--setup'],
                    opts['--help'], opts['--photo'])
        return 0
    sys.exit(__doc__)


if __name__ == '__main__':
    sys.exit(main(sys.argv))
