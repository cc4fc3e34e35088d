#!/usr/bin/env python3
"""Checks that the resource script and the code agree on the program's ids.

Usage: check_resource_ids.py SOURCE_ROOT      check the tree
       check_resource_ids.py --self-test      check the checks on small faults

Reads shell/resource_ids.h (the one ids header), resources/sarvolt.rc and
the shell's code, and fails when:
  - a name of the header is defined twice or does not come to a number;
  - two commands share a value, a command lies in a range of generated
    items (recent files, undo and redo lists, window list) or at or above
    the system-menu commands, or a group the header calls consecutive is not;
  - the resource script does not include the header, or names a menu item,
    menu, dialog or control by a bare number or by a name the header lacks;
  - a menu carries one command twice, or a dialog one control id twice;
  - a command the dispatcher handles is neither an item of the main menu
    nor one of the header's private commands, or an item of the main menu
    reaches no code at all;
  - code outside the header names a command by its 400xx number.
"""
import pathlib
import re
import sys

DEFINE = re.compile(r'^#define\s+(\w+)\s+(\w+)', re.MULTILINE)
SECTION = re.compile(r'/\* -{8,} ([a-z ]+)')


def parse_header(text):
    """names -> value, names -> section title, errors."""
    raw, section_of, errors = {}, {}, []
    section = ''
    for line in text.splitlines():
        m = SECTION.match(line.strip())
        if m:
            section = m.group(1).strip()
            continue
        m = DEFINE.match(line)
        if not m:
            continue
        name, value = m.groups()
        if name in raw:
            errors.append(f'{name} is defined twice')
        raw[name] = value
        section_of[name] = section
    known = {'IDOK': 1, 'IDCANCEL': 2}
    values = {}
    for name, value in raw.items():
        seen = set()
        while not value.isdigit():
            if value in known:
                value = str(known[value])
                break
            if value not in raw or value in seen:
                errors.append(f'{name} does not come to a number')
                value = None
                break
            seen.add(value)
            value = raw[value]
        if value is not None:
            values[name] = int(value)
    return values, section_of, errors


def check_header(values, section_of):
    errors = []
    v = values.get
    ranges = [('IDM_RECENT_FILE_FIRST', v('IDM_RECENT_FILE_FIRST', 0), v('IDM_RECENT_FILE_LAST', -1) + 1),
              ('IDM_UNDO_LIST_FIRST', v('IDM_UNDO_LIST_FIRST', 0),
               v('IDM_UNDO_LIST_FIRST', 0) + v('IDM_CHECKPOINT_LIST_SPAN', 0)),
              ('IDM_REDO_LIST_FIRST', v('IDM_REDO_LIST_FIRST', 0),
               v('IDM_REDO_LIST_FIRST', 0) + v('IDM_CHECKPOINT_LIST_SPAN', 0)),
              ('IDM_WINDOW_LIST_FIRST', v('IDM_WINDOW_LIST_FIRST', 0), v('IDM_WINDOW_LIST_END', 0))]
    markers = {'IDM_RECENT_FILE_FIRST', 'IDM_RECENT_FILE_LAST', 'IDM_UNDO_LIST_FIRST', 'IDM_REDO_LIST_FIRST',
               'IDM_CHECKPOINT_LIST_SPAN', 'IDM_WINDOW_LIST_FIRST', 'IDM_WINDOW_LIST_END'}
    for i, (a, lo_a, hi_a) in enumerate(ranges):
        for b, lo_b, hi_b in ranges[i + 1:]:
            if lo_a < hi_b and lo_b < hi_a:
                errors.append(f'the ranges from {a} and {b} overlap')
    by_value = {}
    for name, value in sorted(values.items()):
        if not name.startswith('IDM_') or name in markers:
            continue
        if value >= 0xF000:
            errors.append(f'{name} = {value} is among the system-menu commands')
        for start, lo, hi in ranges:
            if lo <= value < hi:
                errors.append(f'{name} = {value} lies in the items from {start}')
        if value in by_value:
            errors.append(f'{name} and {by_value[value]} are both {value}')
        by_value[value] = name
    # Groups the header calls consecutive, in the order of their names.
    for first, last in [('IDM_HELP_INTRODUCTION', 'IDM_HELP_PRINTING'),
                        ('IDM_HELP_HOW_TO_DRAW', 'IDM_HELP_LEADER_AIM')]:
        names = [n for n in values if section_of.get(n) == section_of.get(first)]
        if first not in names or last not in names:
            errors.append(f'the group {first}..{last} is missing')
            continue
        group = names[names.index(first):names.index(last) + 1]
        for k, name in enumerate(group):
            if values[name] != values[first] + k:
                errors.append(f'{name} breaks the consecutive group {first}..{last}')
    if v('IDM_RECENT_FILE_LAST', 0) - v('IDM_RECENT_FILE_FIRST', 0) + 1 != 7:
        errors.append('the recent-file items are not seven')
    return errors


RC_BLOCK = re.compile(r'^(\w+)\s+(MENU|DIALOGEX)\b.*?^END\s*$', re.MULTILINE | re.DOTALL)
RC_MENUITEM = re.compile(r'^\s*MENUITEM\s+"(?:[^"]|"")*"\s*,\s*(\w+)', re.MULTILINE)
RC_CONTROL = re.compile(r'^\s*(LTEXT|RTEXT|CTEXT|EDITTEXT|PUSHBUTTON|DEFPUSHBUTTON|AUTOCHECKBOX|CHECKBOX|'
                        r'RADIOBUTTON|AUTORADIOBUTTON|GROUPBOX|LISTBOX|COMBOBOX|ICON|CONTROL)\s+(.*)$',
                        re.MULTILINE)


def control_id(kind, args):
    """The id field of a control statement (text/picture first, then id)."""
    fields = []
    for m in re.finditer(r'"(?:[^"]|"")*"|[^,]+', args):
        fields.append(m.group(0).strip())
    if kind in ('EDITTEXT', 'LISTBOX', 'COMBOBOX'):
        return fields[0] if fields else ''
    return fields[1] if len(fields) > 1 else ''


def is_name(token):
    return re.fullmatch(r'[A-Z_][A-Z0-9_]*', token) is not None


def check_rc(text, values):
    """errors, main-menu command names."""
    errors = []
    if not re.search(r'^#include\s+"shell/resource_ids\.h"', text, re.MULTILINE):
        errors.append('the resource script does not include shell/resource_ids.h')
    main_menu = set()
    allowed_bare = {'-1'}
    system_names = {'IDOK', 'IDCANCEL'}
    for block in RC_BLOCK.finditer(text):
        head, kind = block.group(1), block.group(2)
        if not is_name(head):
            errors.append(f'{kind} {head} is named by a number')
        elif head not in values:
            errors.append(f'{kind} {head} is not in the ids header')
        body = block.group(0)
        if kind == 'MENU':
            # Ids per menu; a pop-up carries each command once.
            seen = set()
            for m in RC_MENUITEM.finditer(body):
                token = m.group(1)
                if token == 'SEPARATOR':
                    continue
                if not is_name(token):
                    errors.append(f'a menu item of {head} is named by the number {token}')
                elif token not in values:
                    errors.append(f'menu item {token} of {head} is not in the ids header')
                if head == 'IDR_MAIN_MENU':
                    if token in seen:
                        errors.append(f'{token} is twice in {head}')
                    main_menu.add(token)
                seen.add(token)
        else:
            seen = set()
            for m in RC_CONTROL.finditer(body):
                token = control_id(m.group(1), m.group(2))
                if token in allowed_bare:
                    continue
                # A row of controls made by a macro: the first id of the
                # range plus the macro's index.
                ranged = re.fullmatch(r'([A-Z_][A-Z0-9_]*_FIRST)\s*\+\s*[a-z]\w*', token)
                if ranged:
                    token = ranged.group(1)
                if not is_name(token):
                    errors.append(f'a control of {head} is named by the number {token}')
                    continue
                if token not in values and token not in system_names:
                    errors.append(f'control {token} of {head} is not in the ids header')
                    continue
                value = values.get(token, {'IDOK': 1, 'IDCANCEL': 2}.get(token))
                if value in seen:
                    errors.append(f'{head} has two controls with the id {value}')
                seen.add(value)
    return errors, main_menu


def check_code(sources, values, section_of, main_menu):
    """sources: file name -> text of the shell's code."""
    errors = []
    handled = set()
    for name in ('dispatch.cpp', 'document_ui.cpp', 'frame_window.cpp'):
        handled |= set(re.findall(r'\bcase\s+(IDM_\w+)\s*:', sources.get(name, '')))
    private = {n for n, s in section_of.items() if s == 'private commands'}
    # Items the code adds to a menu at run time (a window's system menu)
    # are menu items as much as those of the resources.
    appended = set()
    for text in sources.values():
        appended |= set(re.findall(r'\b(?:AppendMenu|InsertMenu)[AW]?\s*\([^,]+,[^,]+,\s*(IDM_\w+)', text))
    for name in sorted(handled):
        if name not in values:
            errors.append(f'the dispatcher handles {name}, which the ids header lacks')
        elif name not in main_menu and name not in private and name not in appended:
            errors.append(f'the dispatcher handles {name}, which is in no menu and not private')
    named = set()
    for name, text in sources.items():
        named |= set(re.findall(r'\bIDM_\w+', text))
    for name in sorted(main_menu):
        if name not in named and name != 'IDM_HELP_VERSION':
            errors.append(f'menu item {name} reaches no code')
    for name, text in sources.items():
        for n, line in enumerate(text.splitlines(), 1):
            if re.search(r'\b4\d{4}\b', line) and 'menu_state_' not in line:
                errors.append(f'{name}:{n} names a command by number: {line.strip()}')
    return errors


def check_tree(root):
    root = pathlib.Path(root)
    header = (root / 'shell' / 'resource_ids.h').read_text(encoding='utf-8')
    values, section_of, errors = parse_header(header)
    errors += check_header(values, section_of)
    rc_errors, main_menu = check_rc((root / 'resources' / 'sarvolt.rc').read_text(encoding='utf-8'), values)
    errors += rc_errors
    sources = {}
    for folder in ('shell', 'documents', 'base', 'store', 'geometry'):
        for f in sorted((root / folder).glob('*')):
            if f.suffix in ('.cpp', '.h') and f.name != 'resource_ids.h':
                sources[f.name] = f.read_text(encoding='utf-8', errors='replace')
    errors += check_code(sources, values, section_of, main_menu)
    return errors, len(values), len(main_menu)


# ---------------------------------------------------------------- self-test
HEADER = '''
/* ---------------------------------------------------------------- file menu */
#define IDM_FILE_NEW 40001
#define IDM_FILE_OPEN 40011
#define IDM_RECENT_FILE_FIRST 104
#define IDM_RECENT_FILE_LAST 110
#define IDM_UNDO_LIST_FIRST 41500
#define IDM_REDO_LIST_FIRST 42500
#define IDM_CHECKPOINT_LIST_SPAN 1000
#define IDM_WINDOW_LIST_FIRST 40500
#define IDM_WINDOW_LIST_END 41000
/* ---------------------------------------------------------------- help */
#define IDM_HELP_INTRODUCTION 40061
#define IDM_HELP_PRINTING 40062
#define IDM_HELP_HOW_TO_DRAW 40089
#define IDM_HELP_LEADER_AIM 40090
/* ---------------------------------------------------------------- private commands */
#define IDM_COLLECT_CHECKPOINTS 120
/* ---------------------------------------------------------------- dialogs */
#define IDR_MAIN_MENU 530
#define IDD_MESSAGE 108
#define IDC_MESSAGE_TEXT 1001
'''
RC = '''#include "shell/resource_ids.h"
IDR_MAIN_MENU MENU
BEGIN
  POPUP "&Файл"
  BEGIN
    MENUITEM "&Новый", IDM_FILE_NEW
    MENUITEM "&Открыть", IDM_FILE_OPEN
  END
END

IDD_MESSAGE DIALOGEX 0, 0, 260, 118
BEGIN
  ICON 109, -1, 8, 8, 21, 20
  LTEXT "", IDC_MESSAGE_TEXT, 40, 8, 212, 84
  DEFPUSHBUTTON "OK", IDOK, 105, 98, 50, 14
END
'''
CODE = {'dispatch.cpp': 'case IDM_FILE_NEW: case IDM_FILE_OPEN: case IDM_COLLECT_CHECKPOINTS:'}


def run_fixture(header=HEADER, rc=RC, code=None):
    values, section_of, errors = parse_header(header)
    errors += check_header(values, section_of)
    rc_errors, main_menu = check_rc(rc, values)
    errors += rc_errors
    errors += check_code(CODE if code is None else code, values, section_of, main_menu)
    return errors


def self_test():
    failures = []

    def expect(label, errors, fragment):
        if fragment is None:
            if errors:
                failures.append(f'{label}: unexpected {errors}')
        elif not any(fragment in e for e in errors):
            failures.append(f'{label}: no error mentioning "{fragment}" in {errors}')

    expect('sound fixture', run_fixture(), None)
    cases = [
        ('shared value', HEADER + '#define IDM_FILE_SAVE 40011\n', RC, None, 'both 40011'),
        ('inside the window list', HEADER + '#define IDM_X 40600\n', RC, None, 'lies in the items'),
        ('inside the recent files', HEADER + '#define IDM_X 105\n', RC, None, 'lies in the items'),
        ('system range', HEADER + '#define IDM_X 61536\n', RC, None, 'system-menu'),
        ('broken group', HEADER.replace('IDM_HELP_PRINTING 40062', 'IDM_HELP_PRINTING 40063'), RC, None,
         'consecutive group'),
        ('defined twice', HEADER + '#define IDM_FILE_NEW 40001\n', RC, None, 'defined twice'),
        ('no include', HEADER, RC.replace('#include "shell/resource_ids.h"', ''), None, 'does not include'),
        ('bare menu item', HEADER, RC.replace('IDM_FILE_OPEN\n', '40011\n'), None, 'the number 40011'),
        ('unknown item', HEADER, RC.replace('IDM_FILE_OPEN\n', 'IDM_FILE_OPNE\n'), None, 'IDM_FILE_OPNE'),
        ('item twice', HEADER, RC.replace('IDM_FILE_OPEN\n', 'IDM_FILE_NEW\n'), None, 'twice in'),
        ('bare dialog', HEADER, RC.replace('IDD_MESSAGE DIALOGEX', '108 DIALOGEX'), None, 'named by a number'),
        ('bare control', HEADER, RC.replace('IDC_MESSAGE_TEXT, 40', '1001, 40'), None, 'the number 1001'),
        ('control twice', HEADER + '#define IDC_OTHER 1\n', RC.replace('IDC_MESSAGE_TEXT, 40', 'IDC_OTHER, 40'),
         None, 'two controls'),
        ('handled but in no menu', HEADER + '#define IDM_FILE_SAVE 40013\n', RC,
         {'dispatch.cpp': CODE['dispatch.cpp'] + ' case IDM_FILE_SAVE:'}, 'in no menu'),
        ('menu item without code', HEADER, RC, {'dispatch.cpp': 'case IDM_FILE_NEW:'}, 'reaches no code'),
        ('number in code', HEADER, RC, {'dispatch.cpp': CODE['dispatch.cpp'] + '\nitem(40011, true);'},
         'names a command by number'),
    ]
    for label, header, rc, code, fragment in cases:
        expect(label, run_fixture(header, rc, code), fragment)
    for f in failures:
        print(f)
    if failures:
        return 1
    print(f'{len(cases) + 1} fixtures behave as expected')
    return 0


def main():
    if sys.argv[1:] == ['--self-test']:
        return self_test()
    errors, names, items = check_tree(sys.argv[1])
    for e in errors:
        print(e)
    if errors:
        return 1
    print(f'{names} ids, {items} main-menu commands: resource script and code agree')
    return 0


if __name__ == '__main__':
    sys.exit(main())
