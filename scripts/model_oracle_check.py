#!/usr/bin/env python3
"""Runs every sample program of the model language through modelrun and
through Debian's bwbasic (rewritten by model_to_bwbasic.py) and checks that
both print the same numbers, line by line.
Usage: model_oracle_check.py MODELRUN BWBASIC PROGRAM_FOLDER"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from model_to_bwbasic import convert  # noqa: E402


def numbers(text):
    return [line.strip() for line in text.splitlines() if line.strip()]


def main():
    modelrun, bwbasic, folder = sys.argv[1:4]
    failures = 0
    programs = sorted(p for p in os.listdir(folder) if p.endswith(".bas"))
    for name in programs:
        path = os.path.join(folder, name)
        ours = subprocess.run([modelrun, path], capture_output=True, timeout=120)
        with open(path, encoding="cp1251") as f:
            lines = f.readlines()
        with tempfile.TemporaryDirectory() as tmp:
            conv = os.path.join(tmp, "p.bas")
            with open(conv, "w", encoding="cp1251") as f:
                f.write("\n".join(convert(lines)) + "\n")
            theirs = subprocess.run([bwbasic, "p.bas"], cwd=tmp, capture_output=True, timeout=120,
                                    stdin=subprocess.DEVNULL)
        a = numbers(ours.stdout.decode("cp1251"))
        # bwbasic prints its banner first; the program's lines are the last ones.
        b = numbers(theirs.stdout.decode("cp1251", "replace"))[-len(a):] if a else []
        ok = ours.returncode == 0 and a and a == b
        print(("ok   " if ok else "FAIL ") + name + ": " + " ".join(a) + " | bwbasic: " + " ".join(b))
        if not ok:
            failures += 1
            sys.stderr.write(ours.stderr.decode("cp1251", "replace"))
    print(f"{len(programs) - failures} of {len(programs)} programs agree")
    return 1 if failures or not programs else 0


if __name__ == "__main__":
    sys.exit(main())
