#!/usr/bin/env python3
"""Writes the title-block fill-in dialogs (258 and 519-524).

Usage: make_title_block_dialogs.py SOURCE_ROOT

Each kind of title block has its own dialog: the edits of the fields that
kind shows, laid out as the title block groups them (single fields, the
role rows, the change rows, the margin columns), the three field modes and
the buttons "Всё очистить", "Таб" and "Закрыть".  The script rewrites the
part between its markers in three files of the tree:
  shell/resource_ids.h              the dialog and control ids
  resources/layout_dialogs.utf8.rc  the templates
  shell/title_block_fill_pairs.inc  the control -> field table
"""
import pathlib
import sys

# Control -> field: the one table of the fill-in dialogs.
PAIRS = [(1243, 1), (1242, 2), (1244, 3), (1245, 41), (1246, 42), (1247, 43), (1599, 4), (1250, 5),
         (1251, 6), (1248, 7), (1249, 8), (1252, 9), (1191, 10)]
PAIRS += [(1224 + i, 111 + i) for i in range(6)] + [(1230 + i, 121 + i) for i in range(6)]
PAIRS += [(1236 + i, 131 + i) for i in range(6)]
PAIRS += [(1607 + i, 101 + i) for i in range(9)] + [(1616 + i, 117 + i) for i in range(3)]
PAIRS += [(1619 + i, 127 + i) for i in range(3)] + [(1622 + i, 137 + i) for i in range(3)]
for base, field in ((1203, 141), (1207, 151), (1211, 161), (1215, 171), (1219, 181)):
    PAIRS += [(base + i, field + i) for i in range(4)]
PAIRS += [(1601, 420), (1602, 430), (1600, 440)] + [(1603 + i, 451 + i) for i in range(4)]
PAIRS += [(1255 + i, 19 + i) for i in range(7)] + [(1262 + i, 27 + i) for i in range(3)]
PAIRS += [(1254, 30), (1276, 31)] + [(1198 + i, 331 + i) for i in range(4)]
assert len(PAIRS) == 92 and len({c for c, _ in PAIRS}) == 92 and len({f for _, f in PAIRS}) == 92

def r(a, b):
    return list(range(a, b + 1))

# Fields each kind shows (the title block's cells; 32, the format, is the
# program's own).
KIND_FIELDS = {
    1: [1, 2, 3, 41, 42, 43, 5, 6, 7, 8, 9, 10] + r(111, 116) + r(121, 126) + r(131, 136) + r(141, 144)
       + r(151, 154) + r(161, 164) + r(171, 174) + r(181, 184) + r(19, 25) + r(27, 30) + [31] + r(331, 334),
    2: [1, 2, 41, 42, 43, 7, 8, 9, 10, 111, 112, 114, 115, 116, 121, 122, 124, 125, 126, 131, 132, 134, 135, 136,
        141, 142, 151, 152, 161, 162, 171, 172, 181, 182] + r(19, 25) + r(27, 30) + [31],
    3: [2, 7, 141, 142, 151, 152, 161, 162, 171, 172, 181, 182] + r(19, 23) + [31],
    4: [2, 420, 430, 440, 4, 7, 8, 9] + r(101, 109) + r(111, 119) + r(121, 129) + r(131, 139) + r(141, 144)
       + r(451, 454) + r(151, 154) + r(161, 164) + r(171, 174) + r(181, 184) + [19, 20, 21, 31],
    5: [1, 2, 3, 4, 5, 6, 7, 8, 9] + r(101, 109) + r(111, 119) + r(121, 129) + r(131, 139) + r(141, 144)
       + r(451, 454) + r(151, 154) + r(161, 164) + r(171, 174) + r(181, 184) + [19, 20, 21, 31],
    6: [1, 2, 4, 7, 8, 9] + r(101, 105) + r(107, 109) + r(111, 115) + r(117, 119) + r(121, 125) + r(127, 129)
       + r(131, 135) + r(137, 139) + [141, 142, 451, 452, 151, 152, 161, 162, 171, 172, 181, 182, 19, 20, 21, 31],
    7: [2, 7, 141, 142, 451, 452, 151, 152, 161, 162, 171, 172, 181, 182] + r(19, 23) + [31],
}
DIALOG = {1: 258, 2: 519, 3: 520, 4: 521, 5: 522, 6: 523, 7: 524}
CAPTION = {
    1: "Для чертежей и схем по ГОСТ 2.104",
    2: "Для текстовых конструкторских документов (первый или заглавный лист)",
    3: "Для текстовых конструкторских документов (последующие листы)",
    4: "Для основных чертежей проектной документации в строительстве",
    5: "Для чертежей строительных изделий (первый лист)",
    6: "Для текстовых документов (первый лист)",
    7: "Для чертежей строительных изделий и текстовых документов (последующий лист)",
}
SINGLE = {
    1: "1. Наименование:", 2: "2. Обозначение:", 3: "3. Материал:", 4: "4. Стадия:", 5: "5. Масса:",
    6: "6. Масштаб:", 7: "7. Лист:", 8: "8. Листов:", 9: "9. Организация:", 10: "10. Должность:",
    41: "Литера 1:", 42: "Литера 2:", 43: "Литера 3:", 420: "Объект:", 430: "Здание:", 440: "Содержание листа:",
    30: "30. Заказчик:", 31: "31. Копировал:",
}
MARGIN = {
    19: "19. Инв.№ подлен.:", 20: "20. Подп. и дата:", 21: "21. Взам. инв.№:", 22: "22. Инв.№ дубл.:",
    23: "23. Подп. и дата:", 24: "24. Справ.№:", 25: "25. Перв. примен.:", 27: "27.", 28: "28.", 29: "29.",
    331: "Зона 1:", 332: "Зона 2:", 333: "Зона 3:", 334: "Зона 4:",
}
ROLE_NAMES = ["Разраб.", "Пров.", "Т. контр.", "", "Н. контр.", "Утв.", "", "", ""]
ROLE_COLUMNS = [(100, "Должность"), (110, "11. Фамилия"), (120, "12. Подпись"), (130, "13. Дата")]
CHANGE_COLUMNS = [(140, "14. Изм."), (450, "Кол.уч."), (150, "15. Лист"), (160, "16. № докум."),
                  (170, "17. Подп."), (180, "18. Дата")]


def name(field):
    return f"IDC_TITLE_FIELD_{field}"


def template(kind):
    fields = KIND_FIELDS[kind]
    shown = set(fields)
    lines = []
    y = 6
    # Single fields, two per row.
    singles = [f for f in fields if f in SINGLE]
    for i, f in enumerate(singles):
        x = 6 if i % 2 == 0 else 206
        lines.append(f'  LTEXT "{SINGLE[f]}", -1, {x}, {y + 2}, 64, 8')
        lines.append(f'  EDITTEXT {name(f)}, {x + 66}, {y}, 124, 12, ES_AUTOHSCROLL | WS_TABSTOP')
        if i % 2 == 1 or i == len(singles) - 1:
            y += 15
    # Role rows: a row per role with its columns.
    rows = [n for n in range(1, 10) if any(c + n in shown for c, _ in ROLE_COLUMNS)]
    if rows:
        y += 3
        lines.append(f'  LTEXT "", -1, 6, {y}, 40, 8')
        for j, (c, title) in enumerate(ROLE_COLUMNS):
            lines.append(f'  LTEXT "{title}", -1, {50 + j * 88}, {y}, 86, 8')
        y += 10
        for n in rows:
            lines.append(f'  LTEXT "{ROLE_NAMES[n - 1]}", -1, 6, {y + 2}, 42, 8')
            for j, (c, _) in enumerate(ROLE_COLUMNS):
                if c + n in shown:
                    lines.append(f'  EDITTEXT {name(c + n)}, {50 + j * 88}, {y}, 86, 12, ES_AUTOHSCROLL | WS_TABSTOP')
            y += 14
    # Change rows.
    rows = [n for n in range(1, 5) if any(c + n in shown for c, _ in CHANGE_COLUMNS)]
    if rows:
        y += 3
        for j, (c, title) in enumerate(CHANGE_COLUMNS):
            lines.append(f'  LTEXT "{title}", -1, {6 + j * 66}, {y}, 64, 8')
        y += 10
        for n in rows:
            for j, (c, _) in enumerate(CHANGE_COLUMNS):
                if c + n in shown:
                    lines.append(f'  EDITTEXT {name(c + n)}, {6 + j * 66}, {y}, 64, 12, ES_AUTOHSCROLL | WS_TABSTOP')
            y += 14
    # Margin and further columns, two per row.
    margins = [f for f in fields if f in MARGIN]
    if margins:
        y += 3
    for i, f in enumerate(margins):
        x = 6 if i % 2 == 0 else 206
        lines.append(f'  LTEXT "{MARGIN[f]}", -1, {x}, {y + 2}, 64, 8')
        lines.append(f'  EDITTEXT {name(f)}, {x + 66}, {y}, 124, 12, ES_AUTOHSCROLL | WS_TABSTOP')
        if i % 2 == 1 or i == len(margins) - 1:
            y += 15
    y += 4
    lines.append(f'  AUTORADIOBUTTON "поля этого листа", IDC_TITLE_MODE_SHEET, 6, {y}, 120, 10, WS_GROUP | WS_TABSTOP')
    lines.append(f'  AUTORADIOBUTTON "все поля", IDC_TITLE_MODE_ALL, 130, {y}, 80, 10')
    lines.append(f'  AUTORADIOBUTTON "поля всех листов", IDC_TITLE_MODE_SHEETS, 214, {y}, 120, 10')
    y += 16
    lines.append(f'  PUSHBUTTON "Всё очистить", IDC_TITLE_CLEAR, 6, {y}, 70, 14, WS_GROUP | WS_TABSTOP')
    lines.append(f'  PUSHBUTTON "Таб", IDC_TITLE_TAB, 82, {y}, 40, 14, WS_TABSTOP')
    lines.append(f'  DEFPUSHBUTTON "Закрыть", IDCANCEL, 334, {y}, 62, 14, WS_TABSTOP')
    y += 20
    head = [f'IDD_TITLE_FILL_{kind} DIALOGEX 0, 0, 402, {y}',
            'STYLE DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU',
            f'CAPTION "{CAPTION[kind]}"',
            'FONT 8, "MS Shell Dlg", 0, 0, 0x1',
            'BEGIN']
    return '\n'.join(head + lines + ['END', ''])


def replace_between(path, begin, end, body):
    text = path.read_text(encoding='utf-8')
    if begin in text:
        a = text.index(begin)
        b = text.index(end, a) + len(end)
        text = text[:a] + begin + '\n' + body + end + text[b:]
    else:
        text = text.rstrip('\n') + '\n\n' + begin + '\n' + body + end + '\n'
    path.write_text(text, encoding='utf-8')


def main(root):
    root = pathlib.Path(root)
    for f in KIND_FIELDS.values():
        assert set(f) <= {field for _, field in PAIRS}, set(f) - {field for _, field in PAIRS}
    ids = ['/* The title-block fill-in dialogs (IDD_TITLE_FILL_1..7, one per kind of',
           ' * title block): the field modes, the buttons and the edit of each field. */']
    ids += [f'#define IDD_TITLE_FILL_{k} {DIALOG[k]}' for k in sorted(DIALOG)]
    ids += ['#define IDC_TITLE_MODE_SHEET 1170', '#define IDC_TITLE_MODE_ALL 1171',
            '#define IDC_TITLE_MODE_SHEETS 1175', '#define IDC_TITLE_CLEAR 1265', '#define IDC_TITLE_TAB 1494']
    ids += [f'#define {name(f)} {c}' for c, f in PAIRS]
    replace_between(root / 'shell/resource_ids.h', '/* BEGIN title-block fill-in ids (scripts/make_title_block_dialogs.py) */',
                    '/* END title-block fill-in ids */', '\n'.join(ids) + '\n')
    body = '// The title-block fill-in dialogs, one per kind.\n\n' + '\n'.join(template(k) for k in sorted(DIALOG))
    replace_between(root / 'resources/layout_dialogs.utf8.rc',
                    '// BEGIN title-block fill-in dialogs (scripts/make_title_block_dialogs.py)',
                    '// END title-block fill-in dialogs', body)
    inc = ['// Control -> field of the title-block fill-in dialogs; written by',
           '// scripts/make_title_block_dialogs.py.']
    inc += [f'{{{name(f)}, {f}}},' for c, f in PAIRS]
    (root / 'shell/title_block_fill_pairs.inc').write_text('\n'.join(inc) + '\n', encoding='utf-8')


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else '.')
