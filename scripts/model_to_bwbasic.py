#!/usr/bin/env python3
"""Rewrites a model-language program of the common BASIC subset for Debian's
bwbasic: comments become REM, DIM keeps only its arrays, ENDIF is END IF,
STOP and the end of the text are SYSTEM (bwbasic otherwise stays in its
shell). Usage: model_to_bwbasic.py in.bas out.bas"""
import re
import sys


def convert(lines):
    out = []
    for line in lines:
        s = line.rstrip("\r\n")
        body = s.strip()
        if body.startswith("'") or not body:
            out.append("REM " + body.lstrip("'"))
            continue
        m = re.match(r"^(\d+\s+)?(.*)$", body)
        label, stmt = m.group(1) or "", m.group(2)
        if stmt.upper().startswith("DIM "):
            arrays = [d.strip() for d in re.split(r",(?![^(]*\))", stmt[4:]) if "(" in d]
            stmt = ("DIM " + ", ".join(arrays)) if arrays else "REM"
        elif stmt.upper() == "ENDIF":
            stmt = "END IF"
        elif stmt.upper() == "STOP":
            stmt = "SYSTEM"
        out.append(label + stmt)
    out.append("SYSTEM")
    return out


if __name__ == "__main__":
    with open(sys.argv[1], encoding="cp1251") as f:
        lines = f.readlines()
    with open(sys.argv[2], "w", encoding="cp1251") as f:
        f.write("\n".join(convert(lines)) + "\n")
