#!/usr/bin/env python3
"""Checks printed PDFs against what the print tests expected of them.

Usage: check_pdfs.py FOLDER

FOLDER holds the PDFs of a print run and print_expect.txt, one line per
expected PDF:
    NAME [nth=K] [pages=N | pages<N | pages>=N ...] [size=WxH] [rot=R] [line=MM ...]
NAME is part of the PDF's file name (the drawing's name the job carried);
nth picks the K-th such PDF in order of their job numbers (0 the first).
size is the page size in points as pdfinfo reports it (within 1 pt), rot its
rotation; each line=MM asks for a straight stroke of that length (within
0.1 mm) on some page, measured from the vector paths of pdftocairo's SVG
(each path's transform applied).  Prints what it checked; exit status 1 on
the first failed expectation, 2 on bad usage.
"""
import math
import os
import re
import subprocess
import sys
import tempfile

TOL_MM = 0.1


def job_number(name):
    m = re.search(r'job_(\d+)', name)
    return int(m.group(1)) if m else 0


def pdfinfo(path):
    out = subprocess.run(['pdfinfo', path], capture_output=True, text=True, check=True).stdout
    info = {}
    for line in out.splitlines():
        if ':' in line:
            k, v = line.split(':', 1)
            info[k.strip()] = v.strip()
    pages = int(info.get('Pages', '0'))
    m = re.match(r'([\d.]+) x ([\d.]+) pts', info.get('Page size', ''))
    size = (float(m.group(1)), float(m.group(2))) if m else (0.0, 0.0)
    rot = int(info.get('Page rot', '0') or 0)
    return pages, size, rot


NUM = r'[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?'


def parse_matrix(text):
    if not text:
        return (1, 0, 0, 1, 0, 0)
    m = re.search(r'matrix\(([^)]*)\)', text)
    if not m:
        return (1, 0, 0, 1, 0, 0)
    v = [float(x) for x in re.findall(NUM, m.group(1))]
    return tuple(v[:6]) if len(v) >= 6 else (1, 0, 0, 1, 0, 0)


def apply(mtx, x, y):
    a, b, c, d, e, f = mtx
    return a * x + c * y + e, b * x + d * y + f


def segments_of_svg(svg):
    """Straight pieces (M/L only) of every path, in points after transform."""
    segs = []
    for m in re.finditer(r'<path\b([^>]*)>', svg):
        attrs = m.group(1)
        dm = re.search(r'\bd="([^"]*)"', attrs)
        if not dm:
            continue
        mtx = parse_matrix((re.search(r'transform="([^"]*)"', attrs) or [None, None])[1]
                           if re.search(r'transform="([^"]*)"', attrs) else None)
        tokens = re.findall(r'[MLHVCZmlhvcz]|' + NUM, dm.group(1))
        cmd, cur, start, i = None, None, None, 0
        while i < len(tokens):
            t = tokens[i]
            if t.isalpha():
                cmd = t
                i += 1
                if cmd in 'Zz' and cur and start:
                    segs.append((apply(mtx, *cur), apply(mtx, *start)))
                    cur = start
                continue
            if cmd in ('M', 'L') and i + 1 < len(tokens):
                p = (float(tokens[i]), float(tokens[i + 1]))
                i += 2
                if cmd == 'M':
                    start = cur = p
                    cmd = 'L'
                else:
                    segs.append((apply(mtx, *cur), apply(mtx, *p)))
                    cur = p
            elif cmd == 'C' and i + 5 < len(tokens):
                cur = (float(tokens[i + 4]), float(tokens[i + 5]))
                i += 6
            else:
                i += 1
    return segs


def lengths_mm(pdf, pages):
    out = []
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(1, pages + 1):
            svg = os.path.join(tmp, 'p%d.svg' % n)
            subprocess.run(['pdftocairo', '-svg', '-f', str(n), '-l', str(n), pdf, svg], check=True,
                           capture_output=True)
            with open(svg, encoding='utf-8', errors='replace') as f:
                for (x1, y1), (x2, y2) in segments_of_svg(f.read()):
                    out.append(math.hypot(x2 - x1, y2 - y1) * 25.4 / 72)
    return out


def named(pdf, name):
    """cups-pdf cuts the job title (the drawing's path) to 64 characters, so
    the longer the checkout's path, the less of the test's name is left:
    the name matches when the title holds it, or ends with at least its
    first six characters."""
    if name in pdf:
        return True
    title = pdf.rsplit('-job_', 1)[0]
    return any(title.endswith(name[:k]) for k in range(min(6, len(name)), len(name)))


def check(folder, line):
    words = line.split()
    name, opts = words[0], words[1:]
    nth = 0
    for o in opts:
        if o.startswith('nth='):
            nth = int(o[4:])
    pdfs = sorted((f for f in os.listdir(folder) if f.endswith('.pdf') and named(f, name)), key=job_number)
    if nth >= len(pdfs):
        return 'no PDF number %d named *%s* (found %s)' % (nth, name, pdfs)
    pdf = os.path.join(folder, pdfs[nth])
    pages, size, rot = pdfinfo(pdf)
    lengths = None
    for o in opts:
        m = re.match(r'pages(=|<|>=)(\d+)$', o)
        if m:
            op, n = m.group(1), int(m.group(2))
            ok = pages == n if op == '=' else pages < n if op == '<' else pages >= n
            if not ok:
                return '%s: %d pages, expected %s' % (pdfs[nth], pages, o)
        m = re.match(r'size=([\d.]+)x([\d.]+)$', o)
        if m:
            w, h = float(m.group(1)), float(m.group(2))
            if abs(size[0] - w) > 1 or abs(size[1] - h) > 1:
                return '%s: page %gx%g pt, expected %s' % (pdfs[nth], size[0], size[1], o)
        m = re.match(r'rot=(\d+)$', o)
        if m and rot != int(m.group(1)):
            return '%s: rotated %d, expected %s' % (pdfs[nth], rot, o)
        m = re.match(r'line=([\d.]+)$', o)
        if m:
            want = float(m.group(1))
            if lengths is None:
                lengths = lengths_mm(pdf, pages)
            best = min(lengths, key=lambda v: abs(v - want)) if lengths else None
            if best is None or abs(best - want) > TOL_MM:
                return '%s: no stroke of %s mm (nearest %s)' % (pdfs[nth], want, best)
    print('ok   %s: %s (%d pages, %gx%g pt, rot %d)' % (pdfs[nth], ' '.join(opts), pages, size[0], size[1], rot))
    return None


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = argv[1]
    expect = os.path.join(folder, 'print_expect.txt')
    if not os.path.exists(expect):
        print('check_pdfs: no %s' % expect, file=sys.stderr)
        return 1
    with open(expect) as f:
        lines = [l.strip() for l in f if l.strip()]
    if not lines:
        print('check_pdfs: nothing expected', file=sys.stderr)
        return 1
    for line in lines:
        err = check(folder, line)
        if err:
            print('FAIL ' + err)
            return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
