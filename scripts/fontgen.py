#!/usr/bin/env python3
"""The font tool: glyph sources -> the fourteen "gfnt" stroke-font resources.

    fontgen.py build SRC_DIR OUT_DIR     write OUT_DIR/font<id>.gfnt for every set
    fontgen.py check DIR                 check the fourteen files in DIR
    fontgen.py sheet DIR OUT.png [ids]   contact sheet of every glyph (or of some sets)

Glyph sources (SRC_DIR/*.glyphs, read in name order) are plain text in glyph
units of type A lettering: y upward, baseline 40, capitals 40..180, small
letters up to 140, descenders down to 0; a pen stroke is 10 units wide.

    table NAME                 the glyphs that follow belong to table NAME
    glyph CODE [note]          starts a glyph (CODE in hex or decimal); a later
                               glyph with the same table and code replaces it
      line x,y x,y ...         polyline
      circle cx,cy r           circle
      dot x,y                  a dot (a circle of radius 2)
      curve x,y x,y x,y x,y    cubic Bezier: start, two control points, end
      arc cx,cy rx,ry a0 a1    elliptic arc from angle a0 to a1 (degrees, counter-
                               clockwise from +x), made of Bezier segments
      copy TABLE:CODE [mirror] [scale sx,sy] [move dx,dy]
                               the strokes of another glyph; mirror flips x,
                               scale is about x=0 and the baseline, applied in
                               the order written
      advance N                a glyph without strokes, N units wide
      edges lt lb rt rb        explicit edges (left/right at top/bottom); the
                               strokes are then kept where they are drawn

Otherwise the strokes are moved so that the ink starts at x = 5 and the edges
come from the ink, widened by half a pen width (5 units) on either side:
left/right at the top from the upper half of the glyph, at the bottom from
the lower half.  With the 20-unit gap of the text engine, letters then stand
two pen widths apart, as drafting lettering wants.

SRC_DIR/sets.txt names the fourteen sets:

    set ID A FIRST LAST TABLE [TABLE...]    type A set; for each code the first
                                            table that has it gives the glyph
    set ID B from ID                        type B set derived from a type A set

Type B keeps x (letter widths are the same multiples of the pen width in both
types) and maps y: 40..180 onto 30..130 and 0..40 onto 0..30.  Signs drawn
with a circle (not a dot) are scaled in x as well, so that they stay round.
"""
import math
import os
import struct
import sys
import zlib

# The fourteen sets: first code, last code, baseline.  Fixed by the program.
EXPECTED = {
    247: (0xC0, 0xFF, 40), 248: (0x20, 0x3F, 40), 252: (0x41, 0x7F, 40),
    254: (0xC0, 0xFF, 30), 369: (0x20, 0x3F, 30), 370: (0x41, 0x7F, 30),
    380: (0xA1, 0xBF, 40), 381: (0xA1, 0xBF, 30), 494: (0x80, 0x8F, 40),
    495: (0x80, 0x8F, 30), 552: (0x41, 0x7A, 40), 553: (0x41, 0x7A, 30),
    639: (0xA1, 0xBF, 40), 640: (0xA1, 0xBF, 30),
}
LOAD_ORDER = [247, 248, 252, 254, 369, 370, 380, 381, 494, 495, 552, 553, 639, 640]
# Codes whose glyph other parts of the program rely on: they must have strokes.
MUST_DRAW = {248: [0x23], 369: [0x23], 252: [0x60, 0x7F], 370: [0x60, 0x7F],
             380: [0xB0, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6],
             381: [0xB0, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6],
             494: list(range(0x80, 0x90)), 495: list(range(0x80, 0x90))}


HALF_PEN = 5   # glyph units: the pen is 10 wide


class SourceError(Exception):
    pass


# ------------------------------------------------------------------ sources
def num(s):
    return float(s)


def point(s):
    a, b = s.split(",")
    return (num(a), num(b))


def arc_beziers(cx, cy, rx, ry, a0, a1):
    n = max(1, int(math.ceil(abs(a1 - a0) / 90.0 - 1e-9)))
    out = []
    step = math.radians(a1 - a0) / n
    k = 4.0 / 3.0 * math.tan(step / 4.0)
    for i in range(n):
        t0 = math.radians(a0) + i * step
        t1 = t0 + step
        p0 = (cx + rx * math.cos(t0), cy + ry * math.sin(t0))
        p3 = (cx + rx * math.cos(t1), cy + ry * math.sin(t1))
        d0 = (-rx * math.sin(t0), ry * math.cos(t0))
        d1 = (-rx * math.sin(t1), ry * math.cos(t1))
        p1 = (p0[0] + k * d0[0], p0[1] + k * d0[1])
        p2 = (p3[0] - k * d1[0], p3[1] - k * d1[1])
        out.append(("B", [p0, p1, p2, p3]))
    return out


def map_prims(prims, fx, fr=None):
    """Apply a point map fx to every primitive; fr maps a circle radius."""
    out = []
    for p in prims:
        if p[0] == "L":
            out.append(("L", [fx(q) for q in p[1]]))
        elif p[0] == "B":
            out.append(("B", [fx(q) for q in p[1]]))
        else:
            c = fx(p[1])
            out.append(("C", c, fr(p[2]) if fr else p[2]))
    return out


class Glyph:
    def __init__(self, table, code, where):
        self.table, self.code, self.where = table, code, where
        self.cmds = []          # raw commands, resolved later (copies)
        self.advance = None
        self.edges = None


def read_sources(src_dir):
    tables = {}
    files = sorted(f for f in os.listdir(src_dir) if f.endswith(".glyphs"))
    for fn in files:
        table, glyph = None, None
        with open(os.path.join(src_dir, fn), encoding="utf-8") as f:
            for lineno, raw in enumerate(f, 1):
                where = "%s:%d" % (fn, lineno)
                line = raw.split("#", 1)[0].strip() if not raw.lstrip().startswith("glyph") \
                    else raw.strip()
                if not line:
                    continue
                words = line.split()
                kw = words[0]
                try:
                    if kw == "table":
                        table, glyph = words[1], None
                        tables.setdefault(table, {})
                    elif kw == "glyph":
                        if table is None:
                            raise SourceError("glyph outside a table")
                        code = int(words[1], 0)
                        glyph = Glyph(table, code, where)
                        tables[table][code] = glyph
                    elif glyph is None:
                        raise SourceError("command outside a glyph")
                    elif kw == "advance":
                        glyph.advance = int(words[1])
                    elif kw == "edges":
                        glyph.edges = [int(w) for w in words[1:5]]
                        if len(glyph.edges) != 4:
                            raise SourceError("edges needs four numbers")
                    elif kw in ("line", "circle", "dot", "curve", "arc", "copy"):
                        glyph.cmds.append((kw, words[1:], where))
                    else:
                        raise SourceError("unknown command " + kw)
                except (ValueError, IndexError) as e:
                    raise SourceError("%s: %s" % (where, e))
                except SourceError as e:
                    raise SourceError("%s: %s" % (where, e))
    return tables


def resolve(tables, table, code, stack=()):
    """The primitives of a glyph as drawn in its source (copies expanded)."""
    if (table, code) in stack:
        raise SourceError("copy loop at %s:0x%02X" % (table, code))
    g = tables.get(table, {}).get(code)
    if g is None:
        raise SourceError("no glyph %s:0x%02X" % (table, code))
    prims = []
    for kw, args, where in g.cmds:
        try:
            if kw == "line":
                pts = [point(a) for a in args]
                if len(pts) < 2:
                    raise SourceError("a line needs two points")
                prims.append(("L", pts))
            elif kw == "circle":
                prims.append(("C", point(args[0]), num(args[1])))
            elif kw == "dot":
                prims.append(("C", point(args[0]), 2.0))
            elif kw == "curve":
                pts = [point(a) for a in args]
                if len(pts) != 4:
                    raise SourceError("a curve needs four points")
                prims.append(("B", pts))
            elif kw == "arc":
                (cx, cy), (rx, ry) = point(args[0]), point(args[1])
                prims += arc_beziers(cx, cy, rx, ry, num(args[2]), num(args[3]))
            elif kw == "copy":
                t, c = args[0].split(":")
                sub = resolve(tables, t, int(c, 0), stack + ((table, code),))
                i = 1
                while i < len(args):
                    op = args[i]
                    if op == "mirror":
                        sub = map_prims(sub, lambda q: (-q[0], q[1]))
                        i += 1
                    elif op == "scale":
                        sx, sy = point(args[i + 1])
                        sub = map_prims(sub, lambda q, sx=sx, sy=sy: (q[0] * sx, 40 + (q[1] - 40) * sy),
                                        lambda r, sx=sx, sy=sy: r * min(abs(sx), abs(sy)))
                        i += 2
                    elif op == "move":
                        dx, dy = point(args[i + 1])
                        sub = map_prims(sub, lambda q, dx=dx, dy=dy: (q[0] + dx, q[1] + dy))
                        i += 2
                    else:
                        raise SourceError("unknown copy option " + op)
                prims += sub
        except (ValueError, IndexError) as e:
            raise SourceError("%s: %s" % (where, e))
    return prims


# ------------------------------------------------------------------ geometry
def bezier_at(p, t):
    u = 1 - t
    return (u * u * u * p[0][0] + 3 * u * u * t * p[1][0] + 3 * u * t * t * p[2][0] + t * t * t * p[3][0],
            u * u * u * p[0][1] + 3 * u * u * t * p[1][1] + 3 * u * t * t * p[2][1] + t * t * t * p[3][1])


def polylines(prims, fine=1.0):
    """Every primitive as a polyline (for ink bounds and rendering)."""
    out = []
    for p in prims:
        if p[0] == "L":
            out.append(p[1])
        elif p[0] == "B":
            out.append([bezier_at(p[1], i / 24.0) for i in range(25)])
        else:
            (cx, cy), r = p[1], p[2]
            n = max(12, int(2 * math.pi * r / fine))
            out.append([(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n))
                        for i in range(n + 1)])
    return out


def dense_points(prims):
    pts = []
    for pl in polylines(prims):
        for a, b in zip(pl, pl[1:] + pl[-1:]):
            n = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1])))
            for i in range(n + 1):
                t = i / n
                pts.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
    return pts


def metrics(prims, explicit_edges):
    """(top, bottom, lt, lb, rt, rb) from the ink (integers)."""
    pts = dense_points(prims)
    top = max(y for _, y in pts)
    bottom = min(y for _, y in pts)
    if explicit_edges:
        lt, lb, rt, rb = explicit_edges
    else:
        mid = (top + bottom) / 2.0
        up = [x for x, y in pts if y >= mid - 1e-9]
        lo = [x for x, y in pts if y <= mid + 1e-9]
        lt, lb = round(min(up)), round(min(lo))
        rt, rb = round(max(up)), round(max(lo))
        # Nearly equal edges are one edge: the gap rule treats the sides as parallel.
        if abs(lt - lb) <= 2:
            lt = lb = min(lt, lb)
        if abs(rt - rb) <= 2:
            rt = rb = max(rt, rb)
    return round(top), round(bottom), lt, lb, rt, rb


def to_type_b(prims, uniform):
    """Type B from type A: y maps 40..180 onto 30..130 and 0..40 onto 0..30;
    x is kept (letter widths are the same multiples of the pen width), or
    for a sign drawn round (uniform) scaled like y, so that it keeps its shape."""
    def fy(y):
        return 30 + (y - 40) * 100.0 / 140.0 if y >= 40 else y * 30.0 / 40.0
    if uniform:
        return map_prims(prims, lambda q: (HALF_PEN + (q[0] - HALF_PEN) * 100.0 / 140.0, fy(q[1])),
                         lambda r: r * 100.0 / 140.0)
    return map_prims(prims, lambda q: (q[0], fy(q[1])), lambda r: r * 100.0 / 140.0)


def drawn_round(g, prims):
    """A sign with a circle (not a dot) and no edges of its own."""
    return g.edges is None and any(p[0] == "C" and p[2] > 4 for p in prims)


# ------------------------------------------------------------------ encoding
def u8(v, what):
    v = int(round(v))
    if not 0 <= v <= 254:
        raise SourceError("%s: coordinate %d outside 0..254" % (what, v))
    return v


def encode_glyph(prims, what):
    lines, curves = [], []
    for p in prims:
        if p[0] == "L":
            pts = [(u8(x, what), u8(y, what)) for x, y in p[1]]
            segs = [(a, b) for a, b in zip(pts, pts[1:]) if a != b]
            if not segs and pts:
                segs = [(pts[0], pts[0])]
            for a, b in segs:
                lines.append(struct.pack("<4B", a[0], a[1], b[0], b[1]))
        elif p[0] == "C":
            (cx, cy), r = p[1], p[2]
            r = max(1, int(round(r)))
            u8(cx - r, what), u8(cx + r, what), u8(cy - r, what), u8(cy + r, what)
            lines.append(struct.pack("<4B", u8(cx, what), u8(cy, what), r, 0xFF))
        else:
            q = p[1]
            ctl = []
            for x, y in q[1:3]:
                for v in (x, y):
                    c = int(round(v * 100))
                    if not -32768 <= c <= 32767:
                        raise SourceError("%s: control point outside +-327.67" % what)
                    ctl.append(c)
            curves.append(struct.pack("<2B4h2B", u8(q[0][0], what), u8(q[0][1], what), *ctl,
                                      u8(q[3][0], what), u8(q[3][1], what)))
    if len(lines) > 255 or len(curves) > 255:
        raise SourceError("%s: more than 255 strokes or curves" % what)
    return lines, curves


def glyph_prims(tables, table_list, code):
    for t in table_list:
        g = tables.get(t, {}).get(code)
        if g is not None:
            prims = resolve(tables, t, code)
            return g, prims
    return None, None


def place(g, prims, baseline):
    """Normalise one glyph: returns (prims, record fields)."""
    if not prims:
        adv = g.advance if g.advance is not None else 60
        return [], (baseline, baseline, 0, 0, adv, adv)
    if g.edges is not None:
        return prims, metrics(prims, g.edges)
    minx = min(x for x, _ in dense_points(prims))
    prims = map_prims(prims, lambda q: (q[0] - minx + HALF_PEN, q[1]))
    top, bottom, lt, lb, rt, rb = metrics(prims, None)
    return prims, (top, bottom, lt - HALF_PEN, lb - HALF_PEN, rt + HALF_PEN, rb + HALF_PEN)


def build_set(tables, first, last, table_list, type_b, sid):
    baseline = 30 if type_b else 40
    n = last - first + 1
    records, data = [], bytearray()
    base = 4 + 12 * n
    for code in range(first, last + 1):
        what = "set %d code 0x%02X" % (sid, code)
        g, prims = glyph_prims(tables, table_list, code)
        if g is None:
            raise SourceError("%s: no glyph in tables %s" % (what, ",".join(table_list)))
        prims, m = place(g, prims, 40)
        if type_b:
            uniform = drawn_round(g, prims)
            prims = to_type_b(prims, uniform)
            if uniform:
                prims, m = place(g, prims, baseline)
            elif prims:
                m2 = metrics(prims, g.edges)
                m = (m2[0], m2[1]) + tuple(m[2:])
            else:
                m = (baseline, baseline) + tuple(m[2:])
        top, bottom, lt, lb, rt, rb = m
        lines, curves = encode_glyph(prims, what)
        line_off = base + len(data)
        data += b"".join(lines)
        curve_off = base + len(data)
        data += b"".join(curves)
        records.append(struct.pack("<8B2H", u8(top, what), u8(bottom, what), u8(lt, what), u8(lb, what),
                                   u8(rt, what), u8(rb, what), len(lines), len(curves),
                                   line_off, curve_off))
    blob = struct.pack("<BBH", first, last, baseline) + b"".join(records) + bytes(data)
    if len(blob) > 0xFFFF:
        raise SourceError("set %d: %d bytes, over 64 KiB" % (sid, len(blob)))
    return blob


def read_sets(src_dir):
    sets = {}
    with open(os.path.join(src_dir, "sets.txt"), encoding="utf-8") as f:
        for raw in f:
            words = raw.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] != "set":
                raise SourceError("sets.txt: unknown line " + raw.strip())
            sid = int(words[1])
            if words[2] == "A":
                sets[sid] = ("A", int(words[3], 0), int(words[4], 0), words[5:])
            else:
                sets[sid] = ("B", int(words[4]))
    return sets


def build(src_dir, out_dir):
    tables = read_sources(src_dir)
    sets = read_sets(src_dir)
    os.makedirs(out_dir, exist_ok=True)
    for sid in LOAD_ORDER:
        if sid not in sets:
            raise SourceError("sets.txt: set %d missing" % sid)
        entry = sets[sid]
        if entry[0] == "A":
            blob = build_set(tables, entry[1], entry[2], entry[3], False, sid)
        else:
            a = sets[entry[1]]
            blob = build_set(tables, a[1], a[2], a[3], True, sid)
        path = os.path.join(out_dir, "font%d.gfnt" % sid)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(blob)
        os.replace(tmp, path)


# ------------------------------------------------------------------ decoding and checks
def decode(blob):
    """(first, last, baseline, [glyph dicts]) of a resource; raises ValueError."""
    if len(blob) < 4:
        raise ValueError("shorter than its header")
    first, last, baseline = struct.unpack_from("<BBH", blob, 0)
    if last < first:
        raise ValueError("last code below first")
    n = last - first + 1
    if 4 + 12 * n > len(blob):
        raise ValueError("glyph records past the end")
    glyphs = []
    for i in range(n):
        top, bottom, lt, lb, rt, rb, nl, nc, ol, oc = struct.unpack_from("<8B2H", blob, 4 + 12 * i)
        if nl and ol + 4 * nl > len(blob):
            raise ValueError("code 0x%02X: strokes past the end" % (first + i))
        if nc and oc + 12 * nc > len(blob):
            raise ValueError("code 0x%02X: curves past the end" % (first + i))
        if (nl and ol < 4 + 12 * n) or (nc and oc < 4 + 12 * n):
            raise ValueError("code 0x%02X: strokes inside the glyph records" % (first + i))
        lines = [struct.unpack_from("<4B", blob, ol + 4 * k) for k in range(nl)]
        curves = [struct.unpack_from("<2B4h2B", blob, oc + 12 * k) for k in range(nc)]
        glyphs.append(dict(code=first + i, top=top, bottom=bottom, lt=lt, lb=lb, rt=rt, rb=rb,
                           lines=lines, curves=curves))
    return first, last, baseline, glyphs


def decoded_prims(g):
    prims = []
    for x1, y1, x2, y2 in g["lines"]:
        if y2 == 0xFF:
            prims.append(("C", (x1, y1), x2))
        else:
            prims.append(("L", [(x1, y1), (x2, y2)]))
    for x0, y0, a, b, c, d, x3, y3 in g["curves"]:
        prims.append(("B", [(x0, y0), (a / 100.0, b / 100.0), (c / 100.0, d / 100.0), (x3, y3)]))
    return prims


def check_file(sid, blob):
    errs = []
    try:
        first, last, baseline, glyphs = decode(blob)
    except ValueError as e:
        return ["font%d: %s" % (sid, e)]
    if len(blob) > 0xFFFF:
        errs.append("size %d over 64 KiB" % len(blob))
    if (first, last, baseline) != EXPECTED[sid]:
        errs.append("range 0x%02X-0x%02X baseline %d, expected 0x%02X-0x%02X baseline %d"
                    % ((first, last, baseline) + EXPECTED[sid]))
    for g in glyphs:
        c = g["code"]
        left, right = min(g["lt"], g["lb"]), max(g["rt"], g["rb"])
        if left > right:
            errs.append("0x%02X: left edge right of the right edge" % c)
        if g["bottom"] > g["top"]:
            errs.append("0x%02X: bottom above top" % c)
        for x1, y1, x2, y2 in g["lines"]:
            if y2 == 0xFF:
                if x2 == 0 or x1 < x2 or y1 < x2 or x1 + x2 > 254 or y1 + x2 > 254:
                    errs.append("0x%02X: circle (%d,%d) r %d outside the grid" % (c, x1, y1, x2))
            elif 255 in (x1, y1, x2):
                errs.append("0x%02X: stroke coordinate 255" % c)
        prims = decoded_prims(g)
        if prims:
            ys = [y for _, y in dense_points(prims)]
            if min(ys) < g["bottom"] - 1.5 or max(ys) > g["top"] + 1.5:
                errs.append("0x%02X: ink outside bottom..top" % c)
        elif not (c == 0x20 and first == 0x20):
            errs.append("0x%02X: glyph without strokes" % c)
        if c == 0x20 and first == 0x20 and (prims or right - left != 60):
            errs.append("space: must have no strokes and advance 60")
        if c in MUST_DRAW.get(sid, []) and not prims:
            errs.append("0x%02X: the sign has no strokes" % c)
    return ["font%d: %s" % (sid, e) for e in errs]


def check(out_dir):
    errs = []
    for sid in LOAD_ORDER:
        path = os.path.join(out_dir, "font%d.gfnt" % sid)
        if not os.path.exists(path):
            errs.append("font%d: missing" % sid)
            continue
        with open(path, "rb") as f:
            errs += check_file(sid, f.read())
    return errs


# ------------------------------------------------------------------ contact sheet
class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = bytearray(b"\xff" * (w * h))

    def dot(self, x, y, r, v=0):
        x0, x1 = max(0, int(x - r)), min(self.w - 1, int(x + r + 1))
        y0, y1 = max(0, int(y - r)), min(self.h - 1, int(y + r + 1))
        rr = r * r
        for yy in range(y0, y1 + 1):
            row = yy * self.w
            for xx in range(x0, x1 + 1):
                if (xx - x) ** 2 + (yy - y) ** 2 <= rr:
                    self.px[row + xx] = min(self.px[row + xx], v)

    def seg(self, a, b, r, v=0):
        n = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1]) / max(0.5, r * 0.7)))
        for i in range(n + 1):
            t = i / n
            self.dot(a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, r, v)

    def hline(self, x0, x1, y, v):
        if 0 <= y < self.h:
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y * self.w + x] = min(self.px[y * self.w + x], v)

    def png(self, path):
        raw = b"".join(b"\x00" + bytes(self.px[y * self.w:(y + 1) * self.w]) for y in range(self.h))

        def chunk(kind, data):
            c = kind + data
            return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 0, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def draw_glyph(cv, g, x, y_base, baseline, scale, pen_px):
    """Draw glyph g with its left edge at x and its baseline at y_base (pixels)."""
    left = min(g["lt"], g["lb"])
    for pl in polylines(decoded_prims(g), 3.0):
        pts = [(x + (px - left) * scale, y_base - (py - baseline) * scale) for px, py in pl]
        for a, b in zip(pts, pts[1:]):
            cv.seg(a, b, pen_px)
        if len(pts) == 1:
            cv.dot(pts[0][0], pts[0][1], pen_px)
    return (max(g["rt"], g["rb"]) - left) * scale


def draw_label(cv, fonts, text, x, y_base, scale):
    """Text in the program's own type A fonts (labels of the sheet)."""
    for ch in text:
        code = ord(ch)
        for sid in (248, 252):
            first, last, baseline, glyphs = fonts[sid]
            if first <= code <= last:
                x += draw_glyph(cv, glyphs[code - first], x, y_base, baseline, scale, 0.6) + 20 * scale
                break


def sheet(out_dir, png, ids):
    fonts = {}
    for sid in LOAD_ORDER:
        with open(os.path.join(out_dir, "font%d.gfnt" % sid), "rb") as f:
            fonts[sid] = decode(f.read())
    cols, cell_w, cell_h, scale = 16, 96, 96, 0.3
    title_h = 30
    rows = 0
    for sid in ids:
        rows += (len(fonts[sid][3]) + cols - 1) // cols
    cv = Canvas(cols * cell_w + 20, len(ids) * title_h + rows * cell_h + 20)
    y = 10
    for sid in ids:
        first, last, baseline, glyphs = fonts[sid]
        kind = "A" if baseline == 40 else "B"
        draw_label(cv, fonts, "%d  %s  %02X-%02X" % (sid, kind, first, last), 12, y + 22, 0.12)
        y += title_h
        for i, g in enumerate(glyphs):
            cx = 10 + (i % cols) * cell_w
            cy = y + (i // cols) * cell_h
            base = cy + 70
            cap = 180 if kind == "A" else 130
            # guides: baseline and capital line, faint
            cv.hline(cx + 4, cx + cell_w - 4, base, 200)
            cv.hline(cx + 4, cx + cell_w - 4, int(base - (cap - baseline) * 0.3), 225)
            cv.hline(cx, cx + cell_w, cy, 170)
            draw_label(cv, fonts, "%02X" % g["code"], cx + 4, cy + 16, 0.08)
            draw_glyph(cv, g, cx + 30, base, baseline, 0.3, 1.5)
        y += ((len(glyphs) + cols - 1) // cols) * cell_h
    cv.png(png)


# ------------------------------------------------------------------ main
def main(argv):
    if len(argv) >= 3 and argv[0] == "build":
        try:
            build(argv[1], argv[2])
        except SourceError as e:
            print("fontgen: %s" % e, file=sys.stderr)
            return 1
        return 0
    if len(argv) == 2 and argv[0] == "check":
        errs = check(argv[1])
        for e in errs:
            print("fontgen check: %s" % e, file=sys.stderr)
        return 1 if errs else 0
    if len(argv) >= 3 and argv[0] == "sheet":
        ids = [int(a) for a in argv[3:]] or LOAD_ORDER
        sheet(argv[1], argv[2], ids)
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
