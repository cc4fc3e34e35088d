#!/usr/bin/env python3
"""Checks the includes of the program's sources: the portable core includes
no Win32 header, and every file includes only its own folder and the floors
below it.

Usage: check_core_headers.py SOURCE_ROOT DIR...   check the tree (DIR...: the
                                                  portable core's folders)
       check_core_headers.py --self-test          check the checks on a small
                                                  fixture tree

The floors, lowest first (a folder on a floor may include its own folder and
any folder of a lower floor, never a folder beside it or above it):

  base < geometry < store < documents
       < render/contours, render/text, render/images < render/output
       < stages, annotation, output, model < shell

setup/ (the installer) stands apart: it includes itself and base/ only, and
nothing includes it.  Win32 code below the shell (*_win.cpp, *_win.h)
reaches the shell through one narrow header, shell/frame_face.h, and no
other.  Files named *_win.cpp / *_win.h are the Win32 side and are not
checked for Win32 headers.
"""
import pathlib
import re
import sys
import tempfile

WIN32_HEADERS = re.compile(
    r'^\s*#\s*include\s*[<"](windows|winbase|windef|winuser|wingdi|winnt|winreg|'
    r'commctrl|commdlg|shellapi|shlobj|objbase|ole2|mmsystem|winsock2?)\.h[>"]',
    re.IGNORECASE | re.MULTILINE)
PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)

# Folder -> floor.  A folder of render/ is a subsystem of its own; stages/
# holds one subsystem in several folders.
FLOORS = {
    'base': 0,
    'geometry': 1,
    'store': 2,
    'documents': 3,
    'render/contours': 4,
    'render/text': 4,
    'render/images': 4,
    'render/output': 5,
    'stages': 6,
    'annotation': 6,
    'output': 6,
    'model': 6,
    'shell': 7,
}
SETUP = 'setup'
SETUP_MAY_INCLUDE = {'setup', 'base'}
FRAME_FACE = 'shell/frame_face.h'


def unit_of(path):
    """The floor table's folder a repository path belongs to, or None."""
    parts = path.replace('\\', '/').split('/')
    if len(parts) < 2:
        return None
    if parts[0] == 'render' and len(parts) > 2:
        name = 'render/' + parts[1]
    else:
        name = parts[0]
    if name in FLOORS or name == SETUP:
        return name
    return None


def is_win32_file(path):
    return pathlib.PurePosixPath(path).stem.endswith('_win')


def include_fault(path, included):
    """Why path may not include included, or None when it may."""
    here, there = unit_of(path), unit_of(included)
    if here is None or there is None or here == there:
        return None
    if here == SETUP:
        return None if there in SETUP_MAY_INCLUDE else 'the installer includes only itself and base/'
    if there == SETUP:
        return 'nothing includes the installer'
    if FLOORS[there] < FLOORS[here]:
        return None
    if there == 'shell' and included == FRAME_FACE and is_win32_file(path):
        return None
    if there == 'shell':
        return ('Win32 code reaches the shell only through ' + FRAME_FACE if is_win32_file(path)
                else 'the portable core never includes the shell')
    if FLOORS[there] == FLOORS[here]:
        return 'a folder beside it on the same floor'
    return 'a higher floor'


def source_files(root):
    # Only the floors' own top folders are walked: a build tree inside the
    # checkout holds folders that running tests make and remove meanwhile.
    tops = sorted({name.split('/')[0] for name in FLOORS} | {SETUP})
    for f in sorted(p for top in tops if (root / top).is_dir() for p in (root / top).rglob('*')):
        rel = f.relative_to(root).as_posix()
        if f.suffix in ('.cpp', '.h') and unit_of(rel) is not None and f.is_file():
            yield rel, f


def check_tree(root, core_dirs):
    faults = []
    checked = 0
    for d in core_dirs:
        for f in sorted((root / d).glob('*')):
            if f.suffix not in ('.cpp', '.h') or f.stem.endswith('_win'):
                continue
            checked += 1
            if WIN32_HEADERS.search(f.read_text(encoding='utf-8', errors='replace')):
                faults.append(f'{f.relative_to(root).as_posix()}: includes a Win32 header')
    files = 0
    for rel, f in source_files(root):
        files += 1
        for m in PROJECT_INCLUDE.finditer(f.read_text(encoding='utf-8', errors='replace')):
            why = include_fault(rel, m.group(1))
            if why:
                faults.append(f'{rel}: includes {m.group(1)} ({why})')
    return faults, checked, files


def main_check(root, core_dirs):
    faults, checked, files = check_tree(pathlib.Path(root), core_dirs)
    if faults:
        print('include faults:')
        for fault in faults:
            print('  ' + fault)
        return 1
    print(f'{checked} core files checked, none includes a Win32 header; '
          f'{files} files checked, each includes its own folder and lower floors only')
    return 0


# ---------------------------------------------------------------- self-test
FIXTURE = {
    'base/byte_order.h': '#pragma once\n',
    'geometry/metric.cpp': '#include "geometry/metric.h"\n#include "base/byte_order.h"\n',
    'geometry/metric.h': '#pragma once\n',
    'store/records.cpp': '#include "geometry/metric.h"\n#include <cstring>\n',
    'render/output/dxf.cpp': '#include "render/contours/clip.h"\n#include "render/text/font.h"\n',
    'render/contours/clip.h': '#pragma once\n#include "store/records.h"\n',
    'render/text/font.h': '#pragma once\n',
    'render/images/scanner_win.cpp': '#include <windows.h>\n#include "shell/frame_face.h"\n',
    'shell/frame_face.h': '#pragma once\n#include <windows.h>\n',
    'shell/wiring.cpp': '#include "model/model.h"\n#include "render/output/dxf.h"\n',
    'model/model.h': '#pragma once\n',
    'setup/setup.cpp': '#include "base/byte_order.h"\n',
}
CORE = ['base', 'geometry', 'store', 'render/contours', 'render/text', 'render/images',
        'render/output', 'model']

# Each fault: (file, its text, what the check must name).
FAULTS = [
    ('base/os_layer.cpp', '#include "store/drawing_file.h"\n', 'a higher floor'),
    ('geometry/kernel.cpp', '#include "documents/documents.h"\n', 'a higher floor'),
    ('render/text/layout.cpp', '#include "render/contours/clip.h"\n', 'same floor'),
    ('render/contours/lists.cpp', '#include "render/output/dxf.h"\n', 'a higher floor'),
    ('render/images/loader_win.cpp', '#include "shell/panels.h"\n', 'frame_face'),
    ('store/records2.cpp', '#include "shell/frame_face.h"\n', 'never includes the shell'),
    ('annotation/notes.cpp', '#include "model/model.h"\n', 'same floor'),
    ('store/blobs.cpp', '#include "setup/setup.h"\n', 'nothing includes the installer'),
    ('setup/install.cpp', '#include "store/records.h"\n', 'installer includes only'),
    ('geometry/plain.cpp', '#include <windows.h>\n', 'Win32 header'),
]


def write_tree(root, files):
    for rel, text in files.items():
        p = root / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_text(text, encoding='utf-8')


def self_test():
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp) / 'clean'
        write_tree(root, FIXTURE)
        faults, _, files = check_tree(root, CORE)
        if faults or files != len(FIXTURE):
            failures.append(f'clean fixture: {faults}, {files} files seen')
        for i, (rel, text, expected) in enumerate(FAULTS):
            root = pathlib.Path(tmp) / f'fault{i}'
            write_tree(root, dict(FIXTURE, **{rel: text}))
            faults, _, _ = check_tree(root, CORE + ['annotation'])
            if len(faults) != 1 or rel not in faults[0] or expected not in faults[0]:
                failures.append(f'{rel}: expected one fault naming "{expected}", got {faults}')
    for f in failures:
        print('self-test: ' + f)
    if failures:
        return 1
    print(f'self-test: the clean fixture passes, each of {len(FAULTS)} faults is found')
    return 0


if __name__ == '__main__':
    if len(sys.argv) == 2 and sys.argv[1] == '--self-test':
        sys.exit(self_test())
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(64)
    sys.exit(main_check(sys.argv[1], sys.argv[2:]))
