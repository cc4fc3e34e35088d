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
  - code outside the header names a command by its 400xx number;
  - a CheckRadioButton range of the shell does not hold exactly the radio
    buttons of one group in each template that has its first control, or a
    test of an id against a range of radios takes in a control that is not
    a radio of their group (every resource script, macros expanded).
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


# ---------------------------------------------------------------- radio groups
# CheckRadioButton(dialog, first, last, id) sets or clears the check of every
# control of the dialog whose id lies in first..last, whatever its kind: a
# check box inside the range loses its state, and a radio of the group
# outside it keeps its check beside the new one.  So a range must hold
# exactly the radio buttons of one group of the template.

RC_MACRO = re.compile(r'^[ \t]*#define[ \t]+(\w+)(\(([^)]*)\))?[ \t]*((?:[^\n]*\\\n)*[^\n]*)', re.MULTILINE)
RC_STATEMENT = re.compile(r'^\s*(LTEXT|RTEXT|CTEXT|EDITTEXT|PUSHBUTTON|DEFPUSHBUTTON|AUTOCHECKBOX|CHECKBOX|'
                          r'AUTO3STATE|STATE3|RADIOBUTTON|AUTORADIOBUTTON|GROUPBOX|LISTBOX|COMBOBOX|SCROLLBAR|'
                          r'ICON|CONTROL)\s+(.*)$', re.MULTILINE)
RC_DIALOG = re.compile(r'^(\w+)\s+DIALOGEX\b.*?^BEGIN\s*$(.*?)^END\s*$', re.MULTILINE | re.DOTALL)


def expand_rc_macros(text):
    """The script with its #define macros expanded; each expansion stands on
    lines of its own, so that every control statement starts a line."""
    macros = {}
    for m in RC_MACRO.finditer(text):
        params = [p.strip() for p in m.group(3).split(',')] if m.group(2) else None
        macros[m.group(1)] = (params, m.group(4).replace('\\\n', '\n'))
    text = RC_MACRO.sub('', text)
    text = re.sub(r'^[ \t]*#undef[^\n]*', '', text, flags=re.MULTILINE)

    def expand_once(t):
        def one(m):
            params, body = macros[m.group(1)]
            if params is None:
                return '\n' + body + '\n' if m.group(2) is None else m.group(0)
            if m.group(2) is None:
                return m.group(0)
            args = [a.strip() for a in m.group(3).split(',')]
            for p, a in zip(params, args):
                body = re.sub(r'\b%s\b' % re.escape(p), a, body)
            return '\n' + body + '\n'
        if not macros:
            return t
        names = '|'.join(sorted(map(re.escape, macros), key=len, reverse=True))
        return re.sub(r'\b(%s)\b(\(([^()]*)\))?' % names, one, t)

    for _ in range(4):
        expanded = expand_once(text)
        if expanded == text:
            break
        text = expanded
    return text


def split_fields(args):
    return [m.group(0).strip() for m in re.finditer(r'"(?:[^"]|"")*"|[^,]+', args)]


def id_value(expr, values):
    total = 0
    for term in expr.split('+'):
        term = term.strip()
        if term.isdigit():
            total += int(term)
        elif term in values:
            total += values[term]
        else:
            return None
    return total


def rc_dialogs(texts, values):
    """template name -> [(id name, id value, is a radio, starts a group)] in
    template order."""
    values = dict(values, IDOK=1, IDCANCEL=2)
    dialogs = {}
    for text in texts:
        for block in RC_DIALOG.finditer(expand_rc_macros(text)):
            controls = []
            for m in RC_STATEMENT.finditer(block.group(2)):
                kind, fields = m.group(1), split_fields(m.group(2))
                if kind in ('EDITTEXT', 'LISTBOX', 'COMBOBOX', 'SCROLLBAR'):
                    name, style = (fields[0] if fields else ''), ' '.join(fields[5:6])
                elif kind == 'CONTROL':
                    name, style = (fields[1] if len(fields) > 1 else ''), ' '.join(fields[2:4])
                else:
                    name, style = (fields[1] if len(fields) > 1 else ''), ' '.join(fields[6:7])
                radio = kind in ('RADIOBUTTON', 'AUTORADIOBUTTON') or (
                    kind == 'CONTROL' and re.search(r'\bBS_(AUTO)?RADIOBUTTON\b', style) is not None)
                # Static texts start a group by default; any control may ask
                # for it with WS_GROUP.
                group = (kind in ('LTEXT', 'RTEXT', 'CTEXT') and 'NOT WS_GROUP' not in style) or (
                    re.search(r'(?<!NOT )\bWS_GROUP\b', style) is not None)
                controls.append((name, id_value(name, values), radio, group or not controls))
            dialogs[block.group(1)] = controls
    return dialogs


def radio_group(controls, name):
    """The names of the radios in the group of the control called name."""
    at = next(i for i, c in enumerate(controls) if c[0] == name)
    start = at
    while not controls[start][3]:
        start -= 1
    end = at + 1
    while end < len(controls) and not controls[end][3]:
        end += 1
    return [c[0] for c in controls[start:end] if c[2]]


CHECK_RADIO = re.compile(r'\bCheckRadioButton\s*\(\s*[^,]+,\s*(\w+)\s*,\s*(\w+)\s*,')
RADIO_TEST = re.compile(r'\b(\w+)\s*>=\s*(IDC_\w+)\s*&&\s*\1\s*<=\s*(IDC_\w+)')


def check_radio_ranges(dialogs, values, sources):
    """Ranges of radio ids in the code against the templates that hold them."""
    errors = []
    uses = []
    for file, text in sorted(sources.items()):
        for n, line in enumerate(text.splitlines(), 1):
            for m in CHECK_RADIO.finditer(line):
                uses.append((f'{file}:{n}', m.group(1), m.group(2), True))
            for m in RADIO_TEST.finditer(line):
                uses.append((f'{file}:{n}', m.group(2), m.group(3), False))
    for where, first, last, exact in uses:
        holders = [d for d, controls in dialogs.items() if any(c[0] == first for c in controls)]
        if not holders:
            if exact:
                errors.append(f'{where}: the radio range {first}..{last} names no control of any template')
            continue
        for dialog in holders:
            controls = dialogs[dialog]
            radios = {c[0] for c in controls if c[2]}
            if exact and (first not in radios or last not in radios):
                errors.append(f'{where}: {first}..{last} of {dialog} does not run from radio to radio')
                continue
            if first not in radios:
                continue  # a range of other buttons
            group = radio_group(controls, first)
            lo, hi = values.get(first), values.get(last)
            if lo is None or hi is None:
                errors.append(f'{where}: {first}..{last} does not come to numbers')
                continue
            for name, value, _, _ in controls:
                if value is not None and lo <= value <= hi and name not in group:
                    errors.append(f'{where}: the radio range {first}..{last} of {dialog} takes in {name}, '
                                  'which is not a radio of its group')
            if exact:
                for name in group:
                    if not lo <= values.get(name, -1) <= hi:
                        errors.append(f'{where}: the radio range {first}..{last} of {dialog} leaves out '
                                      f'{name} of its group')
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
    # The annotation dialogs name their controls in a header of their own.
    dialog_values = dict(values)
    dialog_values.update(parse_header((root / 'shell' / 'annotation_dialog_ids.h').read_text(encoding='utf-8'))[0])
    scripts = [(root / 'resources' / 'sarvolt.rc').read_text(encoding='utf-8')]
    scripts += [f.read_text(encoding='utf-8') for f in sorted((root / 'resources').glob('*.utf8.rc'))]
    shell_sources = {name: text for name, text in sources.items() if (root / 'shell' / name).exists()}
    errors += check_radio_ranges(rc_dialogs(scripts, dialog_values), dialog_values, shell_sources)
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

# Two radio groups, the first made by a macro and started by the static text
# before it, and a rule group whose ids lie around the check box and the
# other groups, as the ids of a template often do.
RADIO_HEADER = '''
#define IDD_RULES 418
#define IDC_RULE_CHANGE 1028
#define IDC_CONTINUE 1200
#define IDC_SIDE_LEFT 1300
#define IDC_SIDE_MIDDLE 1301
#define IDC_SIDE_RIGHT 1302
#define IDC_TURN_UP 1303
#define IDC_TURN_DOWN 1304
#define IDC_NOTE 1305
#define IDC_RULE_KEEP 1645
#define IDC_RULE_FREE 1860
'''
RADIO_RC = '''#define SIDE(id, x) AUTORADIOBUTTON "", id, x, 8, 20, 10
IDD_RULES DIALOGEX 0, 0, 200, 100
BEGIN
  LTEXT "Сторона:", -1, 8, 8, 40, 9
  SIDE(IDC_SIDE_LEFT, 50) SIDE(IDC_SIDE_MIDDLE, 72) SIDE(IDC_SIDE_RIGHT, 94)
  CONTROL "вверх", IDC_TURN_UP, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 8, 20, 40, 10
  CONTROL "вниз", IDC_TURN_DOWN, "Button", BS_AUTORADIOBUTTON, 50, 20, 40, 10
  LTEXT "", IDC_NOTE, 8, 32, 100, 9
  AUTOCHECKBOX "дальше", IDC_CONTINUE, 8, 44, 100, 10, WS_GROUP
  AUTORADIOBUTTON "держать", IDC_RULE_KEEP, 8, 56, 100, 10, WS_GROUP
  AUTORADIOBUTTON "менять", IDC_RULE_CHANGE, 8, 66, 100, 10
  AUTORADIOBUTTON "освободить", IDC_RULE_FREE, 8, 76, 100, 10
END
'''
RADIO_CODE = ('CheckRadioButton(d, IDC_SIDE_LEFT, IDC_SIDE_RIGHT, id);\n'
              'CheckRadioButton(d, IDC_TURN_UP, IDC_TURN_DOWN, id);\n'
              'if (id >= IDC_SIDE_LEFT && id <= IDC_SIDE_MIDDLE) return;\n')


def run_radio_fixture(extra_code=''):
    values = parse_header(RADIO_HEADER)[0]
    return check_radio_ranges(rc_dialogs([RADIO_RC], values), values, {'rules.cpp': RADIO_CODE + extra_code})


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
    expect('sound radio ranges', run_radio_fixture(), None)
    radio_cases = [
        ('range over a check box', 'CheckRadioButton(d, IDC_RULE_CHANGE, IDC_RULE_FREE, id);', 'takes in IDC_CONTINUE'),
        ('range short of its group', 'CheckRadioButton(d, IDC_SIDE_LEFT, IDC_SIDE_MIDDLE, id);',
         'leaves out IDC_SIDE_RIGHT'),
        ('range over two groups', 'CheckRadioButton(d, IDC_SIDE_LEFT, IDC_TURN_UP, id);', 'takes in IDC_TURN_UP'),
        ('range from a check box', 'CheckRadioButton(d, IDC_CONTINUE, IDC_SIDE_LEFT, id);', 'radio to radio'),
        ('radio test over a static', 'if (id >= IDC_TURN_UP && id <= IDC_NOTE) return;', 'takes in IDC_NOTE'),
        ('range of no template', 'CheckRadioButton(d, IDC_MISSING, IDC_SIDE_RIGHT, id);', 'names no control'),
    ]
    for label, code, fragment in radio_cases:
        expect(label, run_radio_fixture(code), fragment)
    for f in failures:
        print(f)
    if failures:
        return 1
    print(f'{len(cases) + len(radio_cases) + 2} fixtures behave as expected')
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
