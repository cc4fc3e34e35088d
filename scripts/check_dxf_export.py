#!/usr/bin/python3
"""Independent check of a DXF file written by the program, with ezdxf
(Debian's python3-ezdxf).  Prints one line per finding:

  audit errors=N fixes=M            from `ezdxf audit`'s summary line
  fix <text>                        each fix the audit applied
  load ok | load failed <error>     ezdxf.readfile, which is stricter
  entity <TYPE> <handle> <lineweight> <numbers...>
  dimstyle <name>                   the dimension styles, decoded
  handseed <hex>

Run with Debian's python3: /usr/bin/python3 scripts/check_dxf_export.py FILE
"""
import subprocess
import sys


def main():
    path = sys.argv[1]
    audit = subprocess.run(["/usr/bin/python3", "-m", "ezdxf", "audit", path],
                           capture_output=True, text=True, timeout=120)
    text = audit.stdout + audit.stderr
    errors = fixes = None
    lines = text.splitlines()
    for i, line in enumerate(lines):
        s = line.strip()
        if s.startswith("No errors found"):
            errors = fixes = 0
        elif s.startswith("Found") and "error" in s:
            parts = s.replace(",", " ").split()
            errors = int(parts[1])
            fixes = int(parts[parts.index("applied") + 1])
        elif s.endswith("fixed.") and "Issue" in s and i + 1 < len(lines):
            # The line after "N. Issue [code] fixed." says what was fixed.
            print("fix", lines[i + 1].strip())
    print("audit errors=%s fixes=%s" % (errors, fixes))
    import ezdxf
    try:
        doc = ezdxf.readfile(path)
    except Exception as e:  # noqa: BLE001 - any failure to load is the finding
        print("load failed", type(e).__name__, str(e).replace("\n", " "))
        return
    print("load ok")
    print("handseed", doc.header.get("$HANDSEED", ""))
    for d in doc.dimstyles:
        print("dimstyle", d.dxf.name)
    for e in doc.modelspace():
        t = e.dxftype()
        lw = e.dxf.get("lineweight", "none")
        nums = []
        if t == "LINE":
            nums = [e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y]
        elif t == "CIRCLE":
            nums = [e.dxf.center.x, e.dxf.center.y, e.dxf.radius]
        elif t == "ARC":
            nums = [e.dxf.center.x, e.dxf.center.y, e.dxf.radius, e.dxf.start_angle, e.dxf.end_angle]
        elif t == "SPLINE":
            for p in e.control_points:
                nums += [p[0], p[1]]
        print("entity", t, e.dxf.handle, lw, " ".join("%.6f" % n for n in nums))


if __name__ == "__main__":
    main()
