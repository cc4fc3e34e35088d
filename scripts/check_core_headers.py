#!/usr/bin/env python3
"""Fails when a file of the portable core includes a Win32 header.

Usage: check_core_headers.py SOURCE_ROOT DIR...
Files named *_win.cpp / *_win.h are the Win32 side and are skipped.
"""
import pathlib
import re
import sys

WIN32_HEADERS = re.compile(
    r'^\s*#\s*include\s*[<"](windows|winbase|windef|winuser|wingdi|winnt|winreg|'
    r'commctrl|commdlg|shellapi|shlobj|objbase|ole2|mmsystem|winsock2?)\.h[>"]',
    re.IGNORECASE | re.MULTILINE)


def main():
    root = pathlib.Path(sys.argv[1])
    bad = []
    checked = 0
    for d in sys.argv[2:]:
        for f in sorted((root / d).glob('*')):
            if f.suffix not in ('.cpp', '.h') or f.stem.endswith('_win'):
                continue
            checked += 1
            if WIN32_HEADERS.search(f.read_text(encoding='utf-8', errors='replace')):
                bad.append(str(f.relative_to(root)))
    if bad:
        print('portable core files that include a Win32 header:')
        for b in bad:
            print('  ' + b)
        return 1
    print(f'{checked} core files checked, none includes a Win32 header')
    return 0


if __name__ == '__main__':
    sys.exit(main())
