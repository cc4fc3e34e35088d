/* The numbers of the program's menus, commands, dialogs and controls: one
 * name for each, read by the resource script (resources/sarvolt.rc) and by
 * the shell's code.  Plain #define so that windres reads it as well as the
 * compiler.  A value never changes: stored settings, posted messages and
 * the stage tools' tables rely on it.  Each group says what ties its values
 * together; keep that when adding to it.
 *
 * Prefixes: IDR_ a menu resource, IDM_ a command (WM_COMMAND id), IDD_ a
 * dialog template, IDC_ a control of a dialog, IDI_ an icon, IDB_ a bitmap. */
#pragma once

/* ---------------------------------------------------------------- menus */
#define IDR_MAIN_MENU 530
/* The projection windows' context menus, one pop-up per stage situation:
 * 0 dimension network; 1, 2, 3 reference points; 4, 5, 6 image stage. */
#define IDR_CONTEXT_MENUS 649

/* ---------------------------------------------------------------- file menu
 * Commands of the main menu must be below 0xF000 (the system-menu commands)
 * and outside the ranges of the generated items further down. */
#define IDM_FILE_NEW 40001
#define IDM_FILE_CLOSE 40002
#define IDM_FILE_EXIT 40003
#define IDM_FILE_MODEL 40010
#define IDM_FILE_OPEN 40011
#define IDM_FILE_TITLE_BLOCK 40012
#define IDM_FILE_SAVE 40013
#define IDM_FILE_SAVE_VARIANT 40014
#define IDM_FILE_EXPORT 40018
#define IDM_FILE_PRINT 40019
#define IDM_FILE_CHECKPOINT 40079
#define IDM_FILE_UNDO 40080
#define IDM_FILE_REDO 40081
#define IDM_FILE_IMPORT 40082
#define IDM_FILE_TABLES 40086
/* The "Настройки..." pop-up of the file menu. */
#define IDM_SETTINGS_UNITS 40043
#define IDM_SETTINGS_SYMBOLS 40053
#define IDM_SETTINGS_DRAWING_OPTIONS 40055

/* Recent files: the items of the file menu after its last entry.  Seven
 * consecutive ids, the first for "LastFile1" (the most recent). */
#define IDM_RECENT_FILE_FIRST 104
#define IDM_RECENT_FILE_LAST 110

/* The undo and redo submenus: item n of a list (0 the newest) has the id
 * FIRST + n.  Each list shows at most 999 items, so the two ranges of 1000
 * never meet each other or another command. */
#define IDM_UNDO_LIST_FIRST 41500
#define IDM_REDO_LIST_FIRST 42500
#define IDM_CHECKPOINT_LIST_SPAN 1000

/* ---------------------------------------------------------------- projections */
#define IDM_PROJECTION_PROPERTIES 40015
#define IDM_FRAGMENT_PROPERTIES 40030
#define IDM_PROJECTION_NEW 40099
#define IDM_FRAGMENT_NEW 40100

/* ---------------------------------------------------------------- stages
 * The order of the stage menu and of the keys '1'..'6' is points, image,
 * dimension network, construction, annotation, layout. */
#define IDM_STAGE_POINTS 40004
#define IDM_STAGE_DIMENSIONS 40005
#define IDM_STAGE_IMAGE 40006
#define IDM_STAGE_ANNOTATION 40007
#define IDM_STAGE_CONSTRUCTION 40027
#define IDM_STAGE_LAYOUT 40029

/* ---------------------------------------------------------------- windows
 * The MDI client numbers the window items of its window menu from
 * IDM_WINDOW_LIST_FIRST up; ids below IDM_WINDOW_LIST_END are theirs. */
#define IDM_WINDOW_CASCADE 40021
#define IDM_WINDOW_TILE 40022
#define IDM_WINDOW_MINIMISE_ALL 40083
#define IDM_WINDOW_MINIMISE_FRAGMENTS 40084
#define IDM_WINDOW_REDRAW_ALL 40102
#define IDM_WINDOW_MINIMISE_SECOND_LIST 40216
#define IDM_WINDOW_BRING_FIRST 40220
#define IDM_WINDOW_LIST_FIRST 40500
#define IDM_WINDOW_LIST_END 41000

/* ---------------------------------------------------------------- help
 * The manual's chapters IDM_HELP_INTRODUCTION..IDM_HELP_PRINTING are
 * consecutive: chapter n opens help topic n.  So are the advice pages
 * IDM_HELP_HOW_TO_DRAW..IDM_HELP_LEADER_AIM (topics 69..77). */
#define IDM_HELP_VERSION 40058
#define IDM_HELP_INTRODUCTION 40061
#define IDM_HELP_INSTALLATION 40062
#define IDM_HELP_GETTING_STARTED 40063
#define IDM_HELP_FILE_MENU 40064
#define IDM_HELP_PREPARATION_MENU 40065
#define IDM_HELP_SCALES_UNITS 40066
#define IDM_HELP_STAGES 40067
#define IDM_HELP_STAGE_POINTS 40068
#define IDM_HELP_STAGE_IMAGE 40069
#define IDM_HELP_STAGE_DIMENSIONS 40070
#define IDM_HELP_STAGE_CONSTRUCTION 40071
#define IDM_HELP_STAGE_ANNOTATION 40072
#define IDM_HELP_STAGE_LAYOUT 40073
#define IDM_HELP_PRINTING 40074
#define IDM_HELP_MANUAL 40075
#define IDM_HELP_APPENDIX_1 40076
#define IDM_HELP_APPENDIX_2 40077
#define IDM_HELP_ADVICE 40088
#define IDM_HELP_HOW_TO_DRAW 40089
#define IDM_HELP_EXAMPLE 40090
#define IDM_HELP_MODEL 40091
#define IDM_HELP_ELEMENTS 40092
#define IDM_HELP_CHAMFERS 40093
#define IDM_HELP_FRAGMENTS 40094
#define IDM_HELP_FILLETS 40095
#define IDM_HELP_FINISHING 40096
#define IDM_HELP_LEADER_AIM 40097
#define IDM_HELP_MESSAGES 40098
#define IDM_HELP_CONTEXT 40101
#define IDM_HELP_SCANNER 40103
#define IDM_HELP_WHATS_NEW 40105
#define IDM_HELP_WEB_SITE 40106
#define IDM_HELP_LAND_AREA 40107
#define IDM_HELP_TECHNOLOGY 40129
#define IDM_HELP_GARMENTS 40140
#define IDM_HELP_PHOTOS 40141

/* ---------------------------------------------------------------- stage commands
 * The commands of the stage submenu ("Команды этапа", rebuilt for each
 * stage) and of the projection windows' context menus.  Each is forwarded
 * to a button of the current stage panel (the stage-command tables of
 * shell/commands.cpp), so a command keeps its value as long as the panel's
 * button does.  The same command may serve two stages. */
/* Reference points (panel IDD_PANEL_POINTS). */
#define IDM_POINTS_CONTROL_ANGLE 40150
#define IDM_POINTS_ADD 40151
#define IDM_POINTS_MOVE 40152
#define IDM_POINTS_BREAK_ELEMENT 40153
#define IDM_POINTS_AUX_LINES 40154
#define IDM_POINTS_AT_DISTANCE 40155
#define IDM_POINTS_CONTROL_DISTANCE 40156
#define IDM_POINTS_FIND 136
#define IDM_POINTS_ACCEPT_VALUE 40122
/* Dimension network (panel IDD_PANEL_DIMENSIONS); selection, cycling and
 * the commit serve the construction stage as well. */
#define IDM_DIMENSION_FIRST_END 40117
#define IDM_DIMENSION_CENTRE 40118
#define IDM_DIMENSION_SECOND_END 40119
#define IDM_DIMENSION_DELETE 40120
#define IDM_DIMENSION_COMMIT 40121
#define IDM_DIMENSION_SELECTION 40127
#define IDM_DIMENSION_SHAFT 40175
#define IDM_DIMENSION_HOLE 40176
#define IDM_DIMENSION_SHOW_ONLY 40177
#define IDM_DIMENSION_CYCLE 40178
#define IDM_DIMENSION_AUTOMATIC 40180
#define IDM_DIMENSION_HIDE_ALL 40181
#define IDM_DIMENSION_HIDDEN 40182
#define IDM_DIMENSION_DIRECTION_0 40183
#define IDM_DIMENSION_DIRECTION_1 40184
#define IDM_DIMENSION_DIRECTION_2 40185
#define IDM_DIMENSION_DIRECTION_3 40186
#define IDM_DIMENSION_DIRECTION_4 40187
#define IDM_DIMENSION_KEEP_NOMINAL 40188
/* Image (panel IDD_PANEL_IMAGE). */
#define IDM_IMAGE_SCREEN 40131
#define IDM_IMAGE_SCREEN_HOLE 40132
#define IDM_IMAGE_CHANGE_LINE_TYPE 40134
#define IDM_IMAGE_BAR 40135
#define IDM_IMAGE_MARKING 40137
#define IDM_IMAGE_ROUTE 40139
#define IDM_IMAGE_MERGE_FOR_DXF_3D 40143
#define IDM_IMAGE_LINE 40157
#define IDM_IMAGE_ARC_BY_CENTRE 40158
#define IDM_IMAGE_ARC_BY_POINTS 40159
#define IDM_IMAGE_ELLIPSE 40160
#define IDM_IMAGE_ELLIPSE_ARC 40161
#define IDM_IMAGE_SPLINE 40162
#define IDM_IMAGE_SMOOTH_CURVE 40163
#define IDM_IMAGE_FINISH_CURVE 40164
#define IDM_IMAGE_VISIBILITY_LEVELS 40165
#define IDM_IMAGE_FRAGMENT 40166
#define IDM_IMAGE_DELETE_MARKED 40167
#define IDM_IMAGE_SYMBOL 40168
#define IDM_IMAGE_NEXT_LEVEL 40169
#define IDM_IMAGE_DELETE_CONTOUR 40170
#define IDM_IMAGE_DELETE_FRAGMENT 40171
#define IDM_IMAGE_DELETE_ALL_CONTOURS 40172
#define IDM_IMAGE_WAVY_LINE 40173
#define IDM_IMAGE_BREAK 40174
#define IDM_IMAGE_CIRCLE 40208
#define IDM_IMAGE_LAYERS 162
/* View construction (panel IDD_PANEL_CONSTRUCTION). */
#define IDM_CONSTRUCTION_NEXT_IN_CHAIN 40179
#define IDM_CONSTRUCTION_MARK_IN_LIST 40189
/* Annotation (panel IDD_PANEL_ANNOTATION); the first three also reach
 * three controls of the construction panel. */
#define IDM_ANNOTATION_MOVE 40193
#define IDM_ANNOTATION_ARROWHEADS 40194
#define IDM_ANNOTATION_ROUGHNESS 40195
#define IDM_ANNOTATION_ROUGHNESS_UNMARKED 40196
#define IDM_ANNOTATION_TOLERANCE 40197
#define IDM_ANNOTATION_LEADER 40198
#define IDM_ANNOTATION_HATCHING 40199
#define IDM_ANNOTATION_TEXT 40200
#define IDM_ANNOTATION_REPLACE_DIMENSIONS 40201
#define IDM_ANNOTATION_REPLACE_SKETCHES 40202
#define IDM_ANNOTATION_SHOW_VARIABLES 40203
#define IDM_ANNOTATION_SECTION_LINE 125
/* Drawing layout: the stage submenu's commands, forwarded to the format
 * panel's turn, automatic layout, add-sheet and delete-sheet controls. */
#define IDM_LAYOUT_COMMAND_1 40204
#define IDM_LAYOUT_COMMAND_2 40205
#define IDM_LAYOUT_COMMAND_3 40206
#define IDM_LAYOUT_COMMAND_4 40207
/* Items every context menu ends with. */
#define IDM_CONTEXT_PROJECTION_PROPERTIES 40125
#define IDM_CONTEXT_FIT_TO_WINDOW 40138
#define IDM_CONTEXT_RAISE_WINDOW 40142
/* Further items of the context menus of the projection windows. */
#define IDM_POINTS_PROPERTIES 40123
#define IDM_HELP_POINT_DISTANCES 40126
#define IDM_IMAGE_VISIBILITY_LEVEL 40133
#define IDM_IMAGE_ADD_ALLOWANCE 141
#define IDM_IMAGE_REMOVE_ALLOWANCE 151
#define IDM_POINTS_SAVE_MARKED 154

/* ---------------------------------------------------------------- private commands
 * WM_COMMAND ids the program sends itself; no menu shows them.  They must
 * not meet a menu command. */
#define IDM_COLLECT_CHECKPOINTS 120   /* after an open: the undo list from the snapshots */
#define IDM_REPOST_COMMAND 131        /* posts the command in HIWORD(wParam) */
#define IDM_SKETCH_PATHS_UPDATE 132
#define IDM_WARN_3D_LINES 133         /* changes may lose 3D lines of developments */

/* ---------------------------------------------------------------- dialogs */
#define IDD_MESSAGE 108               /* "В Н И М А Н И Е !!!" */
#define IDD_QUESTION 111
#define IDD_PROMPT_PANEL 112
#define IDD_SCALE_PANEL 117
#define IDD_TOP_SEPARATOR 120
#define IDD_PANEL_SEPARATOR 128
#define IDD_STAGE_PANEL_EMPTY 138
#define IDD_STAGE_BAR 322
#define IDD_SCALE_PANEL_COMPACT 331
#define IDD_STAGE_BAR_COMPACT 337
#define IDD_HINT 339
#define IDD_MESSAGE_INTERNAL 681      /* the message with the internal-error picture */
#define IDD_SCANNER_PROGRESS 706
#define IDD_CONSTRUCTION_LOG 180     /* the view construction log */
#define IDD_MODEL 351                 /* "Модель": the model window */
#define IDD_MODEL_PROPERTIES 513      /* "Управление и свойства модели" (main model) */
#define IDD_MODEL_PROPERTIES2 723     /* the same title, second model: import, export, size */
#define IDD_MODEL_OPERATORS 515       /* the list of statements, functions and operators */
#define IDD_TABLES 587                /* "Таблицы": the table editor */
#define IDD_TABLE_EXCHANGE 598        /* the table editor's import, export and table image */
#define IDD_TABLE_SORT 637            /* "Сортировать строки таблицы" */
#define IDD_TABLE_TEMPLATE 634        /* "Создать шаблон таблицы" */
#define IDD_AXIS_GRID 644             /* "Создать сетку осей" */
#define IDD_TEMPLATE_TEXT 635         /* "Параметры текста" */
#define IDD_IMPORT_OPTIONS 613        /* options of a DXF or AAMA import */

/* The stage panels and their compact forms (used at 100 dpi and below). */
#define IDD_PANEL_POINTS 121
#define IDD_PANEL_DIMENSIONS 122
#define IDD_PANEL_IMAGE 139
#define IDD_PANEL_ANNOTATION 209
#define IDD_PANEL_LAYOUT 259
#define IDD_PANEL_CONSTRUCTION 525
#define IDD_PANEL_CONSTRUCTION_COMPACT 526
#define IDD_PANEL_DIMENSIONS_COMPACT 332
#define IDD_PANEL_IMAGE_COMPACT 333
#define IDD_PANEL_POINTS_COMPACT 334
#define IDD_PANEL_ANNOTATION_COMPACT 335
#define IDD_PANEL_LAYOUT_COMPACT 338

/* ---------------------------------------------------------------- controls
 * A control's id is unique within its dialog; a panel's controls also stay
 * apart from the stage-bar buttons, since their hints share one list. */
/* Message and question dialogs; the help picture button is the same in
 * every dialog that has one. */
#define IDC_MESSAGE_TEXT 1001
#define IDC_QUESTION_TEXT 1033
#define IDC_HELP_PICTURE 1629
#define IDC_QUESTION_DONT_ASK 1978
#define IDC_QUESTION_HELP 2112
/* Import options (IDD_IMPORT_OPTIONS). */
#define IDC_IMPORT_NO_AUTO 1753
#define IDC_IMPORT_THIN_WIDTH 1935
#define IDC_IMPORT_MAIN_WIDTH 1936
/* Prompt panel. */
#define IDC_STAGE_CAPTION 1010
#define IDC_PROMPT 1052
#define IDC_STATUS_NUMBER 1145
#define IDC_MODIFIER_KEYS 1538
#define IDC_PROGRESS 2050
/* Scale panel; the two zoom buttons show the bitmaps of their own ids. */
#define IDC_SCALE_EDIT 1013
#define IDC_SCALE_ZOOM_IN 1016
#define IDC_SCALE_ZOOM_OUT 1017
#define IDC_SCALE_FIT 1018
#define IDC_SCALE_ALL 1019
#define IDC_SCALE_LABEL 1322
/* Stage bar: one button per stage, in the order of the stage menu, then
 * printing. */
#define IDC_STAGE_POINTS 1298
#define IDC_STAGE_IMAGE 1299
#define IDC_STAGE_DIMENSIONS 1300
#define IDC_STAGE_CONSTRUCTION 1301
#define IDC_STAGE_ANNOTATION 1302
#define IDC_STAGE_LAYOUT 1303
#define IDC_STAGE_PRINT 1306
/* Hint pop-up. */
#define IDC_HINT_TEXT 1320
#define IDC_HINT_FOCUS 1321

/* Buttons of the stage panels that menu commands and keys press.  The
 * panels are separate dialogs, so the same number means another button in
 * another panel. */
#define IDC_POINTS_MOVE 239
#define IDC_POINTS_ADD 1170
#define IDC_POINTS_CONTROL_ANGLE 1171
#define IDC_POINTS_FIND 1175
#define IDC_POINTS_BREAK_ELEMENT 1632
#define IDC_POINTS_AUX_LINES 1904
#define IDC_POINTS_AT_DISTANCE 1908
#define IDC_POINTS_CONTROL_DISTANCE 1990

#define IDC_DIMENSION_COMMIT IDOK
#define IDC_DIMENSION_FIRST_END 1025
#define IDC_DIMENSION_SECOND_END 1026
#define IDC_DIMENSION_DIRECTION_1 1036
#define IDC_DIMENSION_DIRECTION_0 1037
#define IDC_DIMENSION_CENTRE 1040
#define IDC_DIMENSION_SHAFT 1046
#define IDC_DIMENSION_HOLE 1047
#define IDC_DIMENSION_DIRECTION_2 1084
#define IDC_DIMENSION_DIRECTION_3 1086
#define IDC_DIMENSION_DELETE 1087
#define IDC_DIMENSION_SELECTION 1090
#define IDC_DIMENSION_DIRECTION_4 1148
#define IDC_DIMENSION_HIDDEN 1149
#define IDC_DIMENSION_AUTOMATIC 1170
#define IDC_DIMENSION_HIDE_ALL 1323
#define IDC_DIMENSION_CYCLE 1574
#define IDC_DIMENSION_SHOW_ONLY 1646
#define IDC_DIMENSION_KEEP_NOMINAL 1975

#define IDC_IMAGE_LINE 1065
#define IDC_IMAGE_CIRCLE 1066
#define IDC_IMAGE_ARC_BY_CENTRE 1067
#define IDC_IMAGE_SMOOTH_CURVE 1068
#define IDC_IMAGE_WAVY_LINE 1069
#define IDC_IMAGE_FRAGMENT 1070
#define IDC_IMAGE_MARKING 1074
#define IDC_IMAGE_DELETE_MARKED 1076
#define IDC_IMAGE_ARC_BY_POINTS 1077
#define IDC_IMAGE_FINISH_CURVE 1078
#define IDC_IMAGE_SCREEN 1121
#define IDC_IMAGE_ROUTE 1122
#define IDC_IMAGE_SCREEN_HOLE 1133
#define IDC_IMAGE_VISIBILITY_LEVELS 1135
#define IDC_IMAGE_NEXT_LEVEL 1143
#define IDC_IMAGE_DELETE_CONTOUR 1144
#define IDC_IMAGE_DELETE_FRAGMENT 1146
#define IDC_IMAGE_BREAK 1166
#define IDC_IMAGE_ELLIPSE 1170
#define IDC_IMAGE_SYMBOL 1171
#define IDC_IMAGE_ELLIPSE_ARC 1175
#define IDC_IMAGE_SPLINE 1176
#define IDC_IMAGE_DELETE_ALL_CONTOURS 1280
#define IDC_IMAGE_BAR 1883
#define IDC_IMAGE_LAYERS 2220
#define IDC_IMAGE_LINE_TYPES 1073
/* The gap of a new view break (dialog IDD_BREAK_GAP). */
#define IDD_BREAK_GAP 474
#define IDC_BREAK_GAP 1531

#define IDC_CONSTRUCTION_NOMINAL 1028
#define IDC_CONSTRUCTION_STOP 1033
#define IDC_CONSTRUCTION_DIMENSIONS 1055
#define IDC_CONSTRUCTION_SELECTION 1090
#define IDC_CONSTRUCTION_LOG 1096
#define IDC_CONSTRUCTION_GO_ON 1782  /* log dialog: go on to the annotation stage */
#define IDC_CONSTRUCTION_CYCLE 1574
#define IDC_CONSTRUCTION_MARK_IN_LIST 1596
#define IDC_CONSTRUCTION_NEXT_IN_CHAIN 1668

#define IDC_ANNOTATION_TOLERANCE 1029
#define IDC_ANNOTATION_ROUGHNESS 1033
#define IDC_ANNOTATION_MOVE 1156
#define IDC_ANNOTATION_ARROWHEADS 1157
#define IDC_ANNOTATION_LEADER 1160
#define IDC_ANNOTATION_HATCHING 1162
#define IDC_ANNOTATION_TEXT 1164
#define IDC_ANNOTATION_SECTION_LINE 1165
#define IDC_ANNOTATION_REPLACE_DIMENSIONS 1171
#define IDC_ANNOTATION_REPLACE_SKETCHES 1332
#define IDC_ANNOTATION_ROUGHNESS_UNMARKED 1500
#define IDC_ANNOTATION_SHOW_VARIABLES 1663
/* The annotation panel's arrowhead kinds and the button that applies one. */
#define IDC_ANNOTATION_ARROWHEAD_KINDS 1154
#define IDC_ANNOTATION_ARROWHEAD_APPLY 1158

/* The model window (IDD_MODEL). */
#define IDC_MODEL_EDITOR 1336
#define IDC_MODEL_CONSOLE 1339
#define IDC_MODEL_RUN 1555
#define IDC_MODEL_GUTTER 1570
#define IDC_MODEL_SEARCH_TEXT 2030
#define IDC_MODEL_SEARCH 1175
#define IDC_MODEL_PROPERTIES 1340
#define IDC_MODEL_OPERATORS 1341

/* The model properties (IDD_MODEL_PROPERTIES, IDD_MODEL_PROPERTIES2) and the
 * operator list (IDD_MODEL_OPERATORS). */
#define IDC_MODELPROP_STEP 1558
#define IDC_MODELPROP_VARIABLES 1561
#define IDC_MODELPROP_ALL 1650
#define IDC_MODELPROP_ONE 1651
#define IDC_MODELPROP_IMPORT 1563
#define IDC_MODELPROP_EXPORT 1564
#define IDC_MODELPROP_PROJECTIONS 1746
#define IDC_MODELPROP_GENERATE 1977
#define IDC_MODELPROP_LISTING 1586
#define IDC_MODELPROP_SIZE 2080
#define IDC_MODELOPS_LIST 1571

/* The table editor (IDD_TABLES), its exchange dialog (IDD_TABLE_EXCHANGE)
 * and the sort (IDD_TABLE_SORT). */
#define IDC_TABLES_NAME 1707
#define IDC_TABLES_ADD 1674
#define IDC_TABLES_DELETE 1676
#define IDC_TABLES_COLUMN_NAME 1713
#define IDC_TABLES_COLUMN_INSERT 1675
#define IDC_TABLES_COLUMN_RENAME 1677
#define IDC_TABLES_COLUMN_DELETE 1717
#define IDC_TABLES_COLUMN_SAVE 1722
#define IDC_TABLES_COLUMN_FILL 1726
#define IDC_TABLES_LIST 1693
#define IDC_TABLES_CELL 1803
#define IDC_TABLES_EDIT 1719
#define IDC_TABLES_MORE_ROWS 1673
#define IDC_TABLES_ROWS_DELETE 1718
#define IDC_TABLES_ROWS_SAVE 1724
#define IDC_TABLES_ROWS_INSERT 1725
#define IDC_TABLES_UNDO 1720
#define IDC_TABLES_REDO 1721
#define IDC_TABLES_SORT 1729
#define IDC_TABLES_BILL 1723
#define IDC_TABLES_VARIABLES 1586
#define IDC_TABLES_MODEL 1728
#define IDC_TABLES_EXCHANGE 1340
#define IDC_TABLES_AS_TYPED 1663
#define IDC_TABLES_POSITION 1716
#define IDC_TABLEX_NAME 1707
#define IDC_TABLEX_IMPORT 1563
#define IDC_TABLEX_EXPORT 1564
#define IDC_TABLEX_SEPARATOR 1729
#define IDC_TABLEX_CODE 1730
#define IDC_TABLEX_REGISTER 1855
#define IDC_TABLEX_REGISTER_SPIN 1856
#define IDC_TABLEX_FIRST_TEMPLATE 1727
#define IDC_TABLEX_NEXT_TEMPLATE 1728
#define IDC_TABLEX_WRAP 1734
#define IDC_TABLEX_BUILD 1673
#define IDC_TABLESORT_KEY 1846
#define IDC_TABLESORT_KEY_SPIN 1848
#define IDC_TABLESORT_COLUMN 1849
#define IDC_TABLESORT_COLUMN_SPIN 1850
#define IDC_TABLESORT_ASCENDING 1170
#define IDC_TABLESORT_SELECTED 1665
#define IDC_TABLES_TEMPLATE 1798
#define IDC_TABLES_GRID 1892
#define IDC_TEMPLATE_NAME 1595
#define IDC_TEMPLATE_HEADER 1836
#define IDC_TEMPLATE_COLUMNS 1812
#define IDC_TEMPLATE_COLUMNS_SPIN 1809
#define IDC_TEMPLATE_COLUMN 1814
#define IDC_TEMPLATE_COLUMN_WIDTH 1835
#define IDC_TEMPLATE_CAPTION 1818
#define IDC_TEMPLATE_ROWS 1820
#define IDC_TEMPLATE_ROWS_SPIN 1811
#define IDC_TEMPLATE_ROW_HEIGHT 1837
#define IDC_TEMPLATE_FRAME_TYPE 1879
#define IDC_TEMPLATE_SEPARATOR_TYPE 1073
#define IDC_TEMPLATE_TABLE_COLUMNS 1813
#define IDC_TEMPLATE_TABLE_COLUMNS_SPIN 1810
#define IDC_TEMPLATE_TABLE_COLUMN 1816
#define IDC_TEMPLATE_BOUND_COLUMN 1821
#define IDC_TEMPLATE_COLUMN_TEXT 1826
#define IDC_TEMPLATE_BINDING_TEXT 1825
/* The axis grid's marking (IDD_AXIS_GRID only). */
#define IDC_GRID_MARKING 1880
#define IDC_GRID_MARK_LEFT 1871
#define IDC_GRID_MARK_RIGHT 1872
#define IDC_GRID_FIRST_HORIZONTAL 1873
#define IDC_GRID_FIRST_HORIZONTAL_AT 1874
#define IDC_GRID_MARK_TOP 1875
#define IDC_GRID_MARK_BOTTOM 1876
#define IDC_GRID_FIRST_VERTICAL 1877
#define IDC_GRID_FIRST_VERTICAL_AT 1878
/* The text parameters (IDD_TEMPLATE_TEXT). */
#define IDC_TEXTPAR_A_SLANTED 1170
#define IDC_TEXTPAR_A_UPRIGHT 1171
#define IDC_TEXTPAR_B_SLANTED 1175
#define IDC_TEXTPAR_B_UPRIGHT 1176
#define IDC_TEXTPAR_SIZE 1172
#define IDC_TEXTPAR_EDGE1_MAIN 1344
#define IDC_TEXTPAR_EDGE1_THIN 1345
#define IDC_TEXTPAR_EDGE2_MAIN 1351
#define IDC_TEXTPAR_EDGE2_THIN 1352
#define IDC_TEXTPAR_EDGE3_MAIN 1348
#define IDC_TEXTPAR_EDGE3_THIN 1350
#define IDC_TEXTPAR_EDGE4_MAIN 1346
#define IDC_TEXTPAR_EDGE4_THIN 1347
#define IDC_TEXTPAR_ALIGN0 1354
#define IDC_TEXTPAR_ALIGN1 1355
#define IDC_TEXTPAR_ALIGN2 1356
#define IDC_TEXTPAR_ROTATED0 1678
#define IDC_TEXTPAR_ROTATED1 1679
#define IDC_TEXTPAR_ROTATED2 1680
#define IDC_TEXTPAR_FIND_CELL 1598
#define IDC_TEXTPAR_WIDTH_TEXT 1827
#define IDC_TEXTPAR_WIDTH_CELL 1829
#define IDC_TEXTPAR_HEIGHT_TEXT 1830
#define IDC_TEXTPAR_HEIGHT_CELL 1831
#define IDC_TEXTPAR_CURRENT_ONLY 1832
#define IDC_TEXTPAR_ALL_COLUMNS 1833
#define IDC_TEXTPAR_SHIFT 1868
#define IDC_TEXTPAR_SHIFT_X 1870
#define IDC_TEXTPAR_SHIFT_Y 1871

/* ---------------------------------------------------------------- pictures
 * Drawn by scripts/make_shell_images.py, which numbers them the same way. */
#define IDI_PROGRAM 105
#define IDI_DOCUMENT 106
#define IDI_MESSAGE_WARNING 109
#define IDI_HELP_PICTURE 537
#define IDI_STAGE_POINTS 321
#define IDI_STAGE_IMAGE 323
#define IDI_STAGE_DIMENSIONS 324
#define IDI_STAGE_CONSTRUCTION 325
#define IDI_STAGE_ANNOTATION 326
#define IDI_STAGE_LAYOUT 327
#define IDI_STAGE_PRINT 330
#define IDB_CLOCK_FACE 540
#define IDB_CLOCK_MASK 541
#define IDB_INTERNAL_ERROR 680
#define IDB_STAGE_CHECK_FIRST 861     /* six consecutive bitmaps, one per stage */
#define IDB_SCALE_ZOOM_IN IDC_SCALE_ZOOM_IN
#define IDB_SCALE_ZOOM_OUT IDC_SCALE_ZOOM_OUT

/* ---------------------------------------------------------------- new-drawing wizard
 * Dialog IDD_INITIAL_PROJECTIONS: nine rows (check box, count, spin, sketch
 * files, find); the ids are given per row, in the row order of the dialog. */
#define IDD_INITIAL_PROJECTIONS 933
#define IDC_WIZARD_FRONT_CHECK 2171
#define IDC_WIZARD_FRONT_COUNT 2149
#define IDC_WIZARD_FRONT_SPIN 2137
#define IDC_WIZARD_FRONT_SKETCH 2133
#define IDC_WIZARD_FRONT_FIND 2112
#define IDC_WIZARD_BACK_CHECK 2172
#define IDC_WIZARD_BACK_COUNT 2150
#define IDC_WIZARD_BACK_SPIN 2138
#define IDC_WIZARD_BACK_SKETCH 2134
#define IDC_WIZARD_BACK_FIND 2113
#define IDC_WIZARD_LEFT_CHECK 2173
#define IDC_WIZARD_LEFT_COUNT 2152
#define IDC_WIZARD_LEFT_SPIN 2139
#define IDC_WIZARD_LEFT_SKETCH 2135
#define IDC_WIZARD_LEFT_FIND 2114
#define IDC_WIZARD_RIGHT_CHECK 2174
#define IDC_WIZARD_RIGHT_COUNT 2154
#define IDC_WIZARD_RIGHT_SPIN 2140
#define IDC_WIZARD_RIGHT_SKETCH 2136
#define IDC_WIZARD_RIGHT_FIND 2115
#define IDC_WIZARD_TOP_CHECK 2175
#define IDC_WIZARD_TOP_COUNT 2156
#define IDC_WIZARD_TOP_SPIN 2141
#define IDC_WIZARD_TOP_SKETCH 2148
#define IDC_WIZARD_TOP_FIND 2116
#define IDC_WIZARD_BOTTOM_CHECK 2176
#define IDC_WIZARD_BOTTOM_COUNT 2158
#define IDC_WIZARD_BOTTOM_SPIN 1383
#define IDC_WIZARD_BOTTOM_SKETCH 2161
#define IDC_WIZARD_BOTTOM_FIND 2117
#define IDC_WIZARD_LOCAL_CHECK 1177
#define IDC_WIZARD_LOCAL_COUNT 2160
#define IDC_WIZARD_LOCAL_SPIN 1384
#define IDC_WIZARD_LOCAL_SKETCH 2163
#define IDC_WIZARD_LOCAL_FIND 2118
#define IDC_WIZARD_FRAGMENT_CHECK 1178
#define IDC_WIZARD_FRAGMENT_COUNT 2162
#define IDC_WIZARD_FRAGMENT_SPIN 2142
#define IDC_WIZARD_FRAGMENT_SKETCH 2165
#define IDC_WIZARD_FRAGMENT_FIND 2119
#define IDC_WIZARD_REQUIREMENTS_CHECK 2177
#define IDC_WIZARD_REQUIREMENTS_COUNT 2164
#define IDC_WIZARD_REQUIREMENTS_SPIN 2144
#define IDC_WIZARD_REQUIREMENTS_SKETCH 2167
#define IDC_WIZARD_REQUIREMENTS_FIND 2120
#define IDC_WIZARD_PHOTOLIB 2058
#define IDC_WIZARD_SHOW_LIBRARY 1008

/* ---------------------------------------------------------------- settings dialogs
 * The start dialog, the option dialogs, the symbol table and the units
 * dialog, with their pictures (bitmaps 15001..15004). */
#define IDD_START 560                 /* " С чего начать?" */
#define IDD_UNITS 372                 /* "Единица измерений и масштаб" */
#define IDD_SYMBOL_TABLE 412          /* "Таблица символов" */
#define IDD_DRAWING_OPTIONS 418       /* " Нюансы  чертежа" */
#define IDD_DRAWING_OPTIONS_MORE 719  /* " Дополнительные нюансы" */
#define IDB_START_NEW 15001
#define IDB_START_OPEN 15002
#define IDB_START_GUIDE 15003
#define IDB_UNITS_SNAP 15004
#define IDB_MODEL_SEARCH 15005
/* Start dialog. */
#define IDC_START_NEW_PICTURE 1110
#define IDC_START_OPEN_PICTURE 1171
#define IDC_START_GUIDE_PICTURE 1676
#define IDC_START_NEW 2015
#define IDC_START_OPEN 2016
#define IDC_START_GUIDE 2017
#define IDC_START_WEB 1934
#define IDC_START_RECENT 1675
#define IDC_START_VERSION 2019
/* Units, scale and grid. */
#define IDC_UNITS_UNIT 1390
#define IDC_UNITS_GRID_X 1705
#define IDC_UNITS_GRID_Y 1773
#define IDC_UNITS_SCALE_A 1642
#define IDC_UNITS_SCALE_B 1643
#define IDC_UNITS_SNAP 1774
/* Symbol table: 32 cells and their captions in two runs of ids. */
#define IDC_SYMBOLS_REGISTER_0 1170
#define IDC_SYMBOLS_REGISTER_1 1171
#define IDC_SYMBOLS_REGISTER_2 1172
#define IDC_SYMBOLS_SCROLL 1493
#define IDC_SYMBOLS_LINE 1705
#define IDC_SYMBOLS_CELL_FIRST 15100  /* .. +31 */
#define IDC_SYMBOLS_CAPTION_FIRST 15140  /* .. +31 */
/* Drawing options (418 and 719). */
#define IDC_OPTIONS_EXIT 15020
#define IDC_OPTIONS_MORE 15021
#define IDC_OPTIONS_STATUS 1522
#define IDC_OPTIONS_TEXT_HEIGHT 1172
#define IDC_OPTIONS_HEIGHT_ALL 1660
#define IDC_OPTIONS_COLLATION 1855
#define IDC_OPTIONS_COLLATION_SPIN 1856
#define IDC_OPTIONS_POINT_NUMBERS 1778
#define IDC_OPTIONS_POINT_NUMBERS_ALL 1781
#define IDC_OPTIONS_CONTINUE 1783
#define IDC_OPTIONS_NO_INNER_EXTENSIONS 1513
#define IDC_OPTIONS_NO_FILLET_CROSSINGS 1654
#define IDC_OPTIONS_ROUNDING 1970
#define IDC_OPTIONS_ROUNDING_DIGITS 1971
#define IDC_OPTIONS_REPLACE_SKETCHES 1784
#define IDC_OPTIONS_SAME_POINTS 1672
#define IDC_OPTIONS_MOVE_KEEP 1645
#define IDC_OPTIONS_MOVE_CHANGE 1028
#define IDC_OPTIONS_MOVE_FREE 1860
#define IDC_OPTIONS_FINE_CURVES 1673
#define IDC_OPTIONS_AUTO_DIMENSIONS 2101
#define IDC_OPTIONS_FREE_AXES 1644
#define IDC_OPTIONS_ARROWHEADS 1514
#define IDC_OPTIONS_WAIT 2040
#define IDC_OPTIONS_WAIT_SPIN 2137
#define IDC_OPTIONS_PHOTOLIB 2058
#define IDC_OPTIONS_PHOTOLIB_BROWSE 1008
#define IDC_OPTIONS_NEAREST_SET 1170
#define IDC_OPTIONS_NEAREST_CLEAR 1171
#define IDC_OPTIONS_REPLACE_FROM 1516
#define IDC_OPTIONS_REPLACE_TO 1517
#define IDC_OPTIONS_REPLACE_RUN 1518
/* Projection and fragment lists (IDD_PROJECTION_LIST / IDD_FRAGMENT_LIST). */
#define IDD_PROJECTION_LIST 184       /* "Проекции чертежа" */
#define IDD_FRAGMENT_LIST 183         /* "Фрагменты чертежа" */
#define IDC_LIST_PROJECTIONS 1100
#define IDC_LIST_TITLE 1012
#define IDC_LIST_TYPE 1088
#define IDC_LIST_SCALE 1761
#define IDC_LIST_SHEET_LABEL 1735
#define IDC_LIST_SHEET 1705
#define IDC_LIST_NOT_ON_SHEETS 1149
#define IDC_LIST_NO_AUTO 1753
#define IDC_LIST_DELETE 1109
#define IDC_LIST_NEW 1110
#define IDC_LIST_INFO 1640
#define IDC_LIST_ANGLE_FIRST 1755
#define IDC_LIST_ANGLE_SECOND 1756
#define IDC_LIST_SKETCH_HIDE 1754    /* "Погасить изображение эскиза" */
#define IDC_LIST_SKETCH_FILE 1009    /* "Сменить файл образа эскиза" */
#define IDC_LIST_NO_SKETCH 1098      /* "Нет эскиза" */
#define IDC_LIST_SKETCH_LIGHTEN 1893 /* "Осветлить  образ  эскиза" */
#define IDC_LIST_SKETCH_NO_ROTATION 1992 /* "Отказаться от поворота" */
#define IDC_LIST_ENLARGE 1673         /* enlarges the projection's area to the left and up */
#define IDC_LIST_REINSERT_ALLOW 1944  /* "Разрешить замену фрагмента" */
#define IDC_LIST_REINSERT_LABEL 1945
#define IDC_LIST_REINSERT_INSTANCES 1938
#define IDC_LIST_REINSERT_WITH_LABEL 1947
#define IDC_LIST_REINSERT_WITH 1940
#define IDC_LIST_REINSERT_ALL 1943    /* "Для всех" */

/* Image-stage marking tools of panel IDD_PANEL_IMAGE and the image-stage
   dialogs (line length, colour, layers, contour information, fold,
   visibility level). */
#define IDC_IMAGE_FOLD 139
#define IDC_IMAGE_APPLY_LINE_TYPE 1075
#define IDC_IMAGE_INFO 1525
#define IDC_IMAGE_MARKED_LIST 1570
#define IDC_IMAGE_ASSIGN_LEVEL 1953
#define IDD_LINE_LENGTH 953           /* " Длина линии %u" */
#define IDC_LENGTH_CURRENT 1065
#define IDC_LENGTH_NEW 1110
#define IDC_LENGTH_FROM_START 1891
#define IDC_LENGTH_FROM_END 1892
#define IDD_COLOUR 975                /* " Цвет" */
#define IDC_COLOUR_RED 2030
#define IDC_COLOUR_GREEN 2031
#define IDC_COLOUR_BLUE 2128
#define IDC_COLOUR_RED_SPIN 2137
#define IDC_COLOUR_GREEN_SPIN 2138
#define IDC_COLOUR_BLUE_SPIN 2139
#define IDC_COLOUR_SWATCH_0 2254
#define IDC_COLOUR_SWATCH_1 2255
#define IDC_COLOUR_SWATCH_2 2256
#define IDC_COLOUR_SWATCH_3 2257
#define IDC_COLOUR_SWATCH_4 2258
#define IDC_COLOUR_SWATCH_5 2259
#define IDC_COLOUR_SWATCH_6 2260
#define IDC_COLOUR_SWATCH_7 2261
#define IDC_COLOUR_SWATCH_8 2264
#define IDC_COLOUR_SWATCH_9 2265
#define IDC_COLOUR_SWATCH_10 2266
#define IDC_COLOUR_SWATCH_11 2267
#define IDC_COLOUR_SWATCH_12 2268
#define IDC_COLOUR_SWATCH_13 2269
#define IDC_COLOUR_SWATCH_14 2270
#define IDC_COLOUR_SWATCH_15 2271
#define IDC_COLOUR_START 2112
#define IDC_COLOUR_CHOICE 2113
#define IDD_LAYERS 962                /* " Слои элементов" */
#define IDC_LAYERS_CAPTION 1595
#define IDC_LAYERS_VISIBLE_1 2112
#define IDC_LAYERS_VISIBLE_2 2113
#define IDC_LAYERS_VISIBLE_3 2114
#define IDC_LAYERS_VISIBLE_4 2115
#define IDC_LAYERS_VISIBLE_5 2116
#define IDC_LAYERS_VISIBLE_6 2117
#define IDC_LAYERS_VISIBLE_7 2118
#define IDC_LAYERS_VISIBLE_8 2119
#define IDC_LAYERS_CHOOSE_1 2218
#define IDC_LAYERS_CHOOSE_2 2221
#define IDC_LAYERS_CHOOSE_3 2223
#define IDC_LAYERS_CHOOSE_4 2225
#define IDC_LAYERS_CHOOSE_5 2227
#define IDC_LAYERS_CHOOSE_6 2229
#define IDC_LAYERS_CHOOSE_7 2231
#define IDC_LAYERS_CHOOSE_8 2233
#define IDC_LAYERS_SHOW_1 2241
#define IDC_LAYERS_SHOW_2 2242
#define IDC_LAYERS_SHOW_3 2243
#define IDC_LAYERS_SHOW_4 2244
#define IDC_LAYERS_SHOW_5 2245
#define IDC_LAYERS_SHOW_6 2246
#define IDC_LAYERS_SHOW_7 2247
#define IDC_LAYERS_SHOW_8 2248
#define IDC_LAYERS_COLOUR_1 2254
#define IDC_LAYERS_COLOUR_2 2255
#define IDC_LAYERS_COLOUR_3 2256
#define IDC_LAYERS_COLOUR_4 2257
#define IDC_LAYERS_COLOUR_5 2258
#define IDC_LAYERS_COLOUR_6 2259
#define IDC_LAYERS_COLOUR_7 2260
#define IDC_LAYERS_COLOUR_8 2261
#define IDC_LAYERS_TEXT 1640
#define IDD_CONTOUR_INFO 646          /* "Информация о контуре" */
#define IDC_CONTOUR_DESCRIPTION 1532
#define IDC_CONTOUR_BREAK 1533
#define IDC_CONTOUR_LINES_TEXT 1534
#define IDC_CONTOUR_LINE_TYPE 1073
#define IDC_CONTOUR_NAME_LABEL 1967
#define IDC_CONTOUR_NAME 1636
#define IDD_FOLD 896                  /* "Складка" */
#define IDC_FOLD_NAME 1636
#define IDC_FOLD_UNIT 1390
#define IDC_FOLD_WIDTH_START 2087
#define IDC_FOLD_WIDTH_END 2091
#define IDC_FOLD_START_RIGHT 1170
#define IDC_FOLD_START_LEFT 1171
#define IDC_FOLD_END_RIGHT 1174
#define IDC_FOLD_END_LEFT 1175
#define IDC_FOLD_DELETE 1109
#define IDD_VISIBILITY_LEVEL 703      /* "Назначить уровень видимости" */
#define IDC_LEVEL_SHOWN 1952
#define IDC_LEVEL_NEW 1135
#define IDC_LEVEL_HELP 1629
/* Bar parameters (IDD_BAR). */
#define IDD_BAR 643                   /* "Параметры бруска" */
#define IDD_BAR_CONTOUR 931           /* the same, for the bars along a contour */
#define IDC_BAR_WIDTH 1885
#define IDC_BAR_LINE_TYPE 1073
#define IDC_BAR_CORNERS_START 1889
#define IDC_BAR_CORNERS_END 1890
#define IDC_BAR_LENGTHEN_START 1891
#define IDC_BAR_LENGTHEN_END 1892
#define IDC_BAR_UNIT 1390
#define IDC_BAR_DELETE 1109

/* Fragment insertion modes (IDD_FRAGMENT_INSERT, "Режимы вставки"). */
#define IDD_FRAGMENT_INSERT 395
#define IDC_FRG_SERIAL 1405
#define IDC_FRG_HIDE_DIMENSIONS 1149
#define IDC_FRG_CORRECT_NOMINALS 1649
#define IDC_FRG_WITHOUT_DIMENSIONS 1645
#define IDC_FRG_ONLY_MARKED 1665
#define IDC_FRG_REINSERT 1770
#define IDC_FRG_USE_PARAMETERS 1865
#define IDC_FRG_SCALE_LABEL 1322
#define IDC_FRG_SCALE 1013
#define IDC_FRG_ANGLE_LABEL 1863
#define IDC_FRG_ANGLE 1864
#define IDC_FRG_MIRROR 1866
#define IDC_FRG_WITHOUT_POINTS 1867
#define IDC_FRG_CONSTANT_UPDATE 1897
#define IDC_FRG_UPDATE 1102
#define IDC_FRG_HELP 1629
// Sent to the image-stage panel: replace the fragment of an instance
// (lParam: FragmentReplaceRequest*).
#define IDC_FRG_REPLACE_START 1944
/* Printing: the print dialog "Печать чертежа" (IDD_PRINT). */
#define IDD_PRINT 267
#define IDC_PRINT_PAGES 1272
#define IDC_PRINT_MINIFORMAT 1273
#define IDC_PRINT_PROGRESS 1275
#define IDC_PRINT_LIST 1278
#define IDC_PRINT_LIST_LABEL 1566
#define IDC_PRINT_BLANK_PAGE 1567
#define IDC_PRINT_PERCENT 1657
#define IDC_PRINT_IGNORE_SIZE 1662
#define IDC_PRINT_TITLE_PAGE 1691
#define IDC_PRINT_COPIES 1705
#define IDC_PRINT_COPIES_SPIN 1706
#define IDC_PRINT_SHIFT_X_MINUS 1682
#define IDC_PRINT_SHIFT_X_PLUS 1683
#define IDC_PRINT_SHIFT_Y_MINUS 1684
#define IDC_PRINT_SHIFT_Y_PLUS 1685
#define IDC_PRINT_SHIFT_Y 1686
#define IDC_PRINT_SHIFT_X 1687
#define IDC_PRINT_ALL_SHEETS 1736
/* The layout stage's format panel (IDD_PANEL_LAYOUT) and the user format
 * dialog (IDD_USER_FORMAT). */
#define IDC_LAYOUT_FORMAT 1266
#define IDC_LAYOUT_ROTATED 1267
#define IDC_LAYOUT_AUTO 1269
#define IDC_LAYOUT_ADD_SHEET 1673
#define IDC_LAYOUT_DELETE_SHEET 1674
#define IDD_USER_FORMAT 775
#define IDC_USER_FORMAT_X 1037
#define IDC_USER_FORMAT_Y 1036
/* The title-block kind dialog (IDD_TITLE_BLOCK_KIND). */
#define IDD_TITLE_BLOCK_KIND 256
#define IDC_TITLE_BLOCK_KIND 1181
/* Reference-point stage: panel IDD_PANEL_POINTS (and its compact form), the
 * auxiliary-line type dialog and the distance-tool dialog. */
#define IDC_POINTS_VALUE 1111
#define IDC_POINTS_VALUE_LABEL 1993
#define IDC_POINTS_APPLY 1511
#define IDC_POINTS_INFO 1640
#define IDD_AUX_LINE_TYPE 660         /* " Тип вспомогательных линий" */
#define IDC_AUX_VERTICAL 1002
#define IDC_AUX_HORIZONTAL 1003
#define IDC_AUX_TWO_POINTS 1004
#define IDC_POINTS_MAKE_DIMENSIONS 1911
#define IDC_POINTS_HELP 1629
/* Point properties (IDD_POINT_PROPERTIES, "Свойства точки"). */
#define IDD_POINT_PROPERTIES 641
#define IDC_POINTPROP_INFO 1640
#define IDC_POINTPROP_SCROLL 2042
#define IDC_POINTPROP_COORDINATES 1170
#define IDC_POINTPROP_ROUTES 1171
#define IDC_POINTPROP_SHOW_NUMBER 1778
#define IDC_POINTPROP_ORIGIN 1417
#define IDC_POINTPROP_ANNOTATION 1859
#define IDC_POINTPROP_FIXED 1981
#define IDC_POINTPROP_PRIORITY 2258
#define IDC_POINTPROP_HIDE 2077
#define IDC_POINTPROP_NOTE 2046
#define IDC_POINTPROP_TRANSFORM 1865
#define IDC_POINTPROP_SCALE_LABEL 1322
#define IDC_POINTPROP_SCALE_X 2179
#define IDC_POINTPROP_SCALE_Y 2180
#define IDC_POINTPROP_ANGLE_LABEL 1863
#define IDC_POINTPROP_ANGLE 1864
#define IDC_POINTPROP_MIRROR 1866
#define IDC_POINTPROP_FIND_FIRST 2075
#define IDC_POINTPROP_FIND_SECOND 2076
#define IDC_POINTPROP_HELP 1629
#define IDD_POINTS_DISTANCE 661       /* "Расстояние..." */
#define IDC_DISTANCE_ALONG_Y 1036
#define IDC_DISTANCE_ALONG_X 1037
#define IDC_DISTANCE_FROM_LINE 1038
#define IDC_DISTANCE_ANGLE 1039
/* Conventional images: the list dialog IDD_CONVENTIONAL_IMAGES (and its
 * compact form, same ids) and the dialog of a new image or of one shown. */
#define IDD_CONVENTIONAL_IMAGES 466   /* "Условные изображения" */
#define IDD_CONVENTIONAL_IMAGES_COMPACT 467
#define IDC_CIMAGES_SCROLL 1295
#define IDC_CIMAGES_NAME 1595
#define IDC_CIMAGES_DELETE 1109
#define IDC_CIMAGES_SHOW 2112
#define IDC_CIMAGES_ADD 1917
#define IDC_CIMAGES_ON_TOP 1316
#define IDC_CIMAGES_BUTTON_FIRST 1300 /* sixteen consecutive picture buttons */
#define IDC_CIMAGES_BUTTON_LAST 1315
#define IDD_CONVENTIONAL_IMAGE 663    /* "Параметры нового условного изображения" */
#define IDC_CIMAGE_POINTS_1 1171
#define IDC_CIMAGE_POINTS_2 1172
#define IDC_CIMAGE_POINTS_3 1173
#define IDC_CIMAGE_POINTS_4 1175
#define IDC_CIMAGE_PICK_KEY 1170
#define IDC_CIMAGE_RANGE_BRIGHTNESS 1176
#define IDC_CIMAGE_RANGE_COLOUR 1177
#define IDC_CIMAGE_RANGE 2030
#define IDC_CIMAGE_RANGE_SPIN 2137
#define IDC_CIMAGE_HEIGHT 1920
#define IDC_CIMAGE_PREVIEW 1922
#define IDC_CIMAGE_X 1037
#define IDC_CIMAGE_Y 1036
#define IDC_CIMAGE_BITS 1640
#define IDC_CIMAGE_NAME 1595
#define IDC_CIMAGE_HELP 1629
/* ---------------------------------------------------------------- dimension panels
   The dimension panel's own controls (IDD_PANEL_DIMENSIONS and its compact
   form) and its pop-up list of dimensions. */
#define IDD_DIMENSION_LIST 631        /* pop-up list of the projection's dimensions */
/* The dimension generator's modes (IDD_DIMENSION_GENERATOR, "Режимы генерации размеров"). */
#define IDD_DIMENSION_GENERATOR 632
#define IDC_GEN_SYMMETRY 1784
#define IDC_GEN_START_TEXT 1796
#define IDC_GEN_NOT_SHOWN 1149
#define IDC_GEN_SHOW_ONLY 1646
#define IDC_GEN_JOIN 1791
#define IDC_GEN_TOLERANCE 1705
#define IDC_GEN_FREE_OF_AXES 1644
#define IDC_GEN_COMMENTS 1797
#define IDC_GEN_TWO_POINTS 1972
#define IDC_GEN_HELP 1629
#define IDC_DIMENSION_PREFIX 1326
#define IDC_DIMENSION_KIND 1032
#define IDC_DIMENSION_NOMINAL 1028
#define IDC_DIMENSION_LIST 1055
#define IDC_DIMENSION_POPUP_LIST 114

/* The projection dialog "Определить проекцию объекта" and the fragment
 * dialog "Найти  фрагмент": one procedure serves both, the ids are shared. */
#define IDD_PROJECTION_NEW 113
#define IDD_FRAGMENT_NEW 182
#define IDC_PROJECTION_PATH 1008
#define IDC_PROJECTION_FIND 1009
#define IDC_PROJECTION_TITLE 1012
#define IDC_PROJECTION_TYPE 1088
#define IDC_PROJECTION_NO_SKETCH 1098
#define IDC_PROJECTION_FRAGMENTS 1100
#define IDC_PROJECTION_PAGE 1272
#define IDC_PROJECTION_PAGE_LABEL 1499
#define IDC_PROJECTION_SCANNER 1674
#define IDC_PROJECTION_LIGHTEN 1893

/* BEGIN title-block fill-in ids (scripts/make_title_block_dialogs.py) */
/* The title-block fill-in dialogs (IDD_TITLE_FILL_1..7, one per kind of
 * title block): the field modes, the buttons and the edit of each field. */
#define IDD_TITLE_FILL_1 258
#define IDD_TITLE_FILL_2 519
#define IDD_TITLE_FILL_3 520
#define IDD_TITLE_FILL_4 521
#define IDD_TITLE_FILL_5 522
#define IDD_TITLE_FILL_6 523
#define IDD_TITLE_FILL_7 524
#define IDC_TITLE_MODE_SHEET 1170
#define IDC_TITLE_MODE_ALL 1171
#define IDC_TITLE_MODE_SHEETS 1175
#define IDC_TITLE_CLEAR 1265
#define IDC_TITLE_TAB 1494
#define IDC_TITLE_FIELD_1 1243
#define IDC_TITLE_FIELD_2 1242
#define IDC_TITLE_FIELD_3 1244
#define IDC_TITLE_FIELD_41 1245
#define IDC_TITLE_FIELD_42 1246
#define IDC_TITLE_FIELD_43 1247
#define IDC_TITLE_FIELD_4 1599
#define IDC_TITLE_FIELD_5 1250
#define IDC_TITLE_FIELD_6 1251
#define IDC_TITLE_FIELD_7 1248
#define IDC_TITLE_FIELD_8 1249
#define IDC_TITLE_FIELD_9 1252
#define IDC_TITLE_FIELD_10 1191
#define IDC_TITLE_FIELD_111 1224
#define IDC_TITLE_FIELD_112 1225
#define IDC_TITLE_FIELD_113 1226
#define IDC_TITLE_FIELD_114 1227
#define IDC_TITLE_FIELD_115 1228
#define IDC_TITLE_FIELD_116 1229
#define IDC_TITLE_FIELD_121 1230
#define IDC_TITLE_FIELD_122 1231
#define IDC_TITLE_FIELD_123 1232
#define IDC_TITLE_FIELD_124 1233
#define IDC_TITLE_FIELD_125 1234
#define IDC_TITLE_FIELD_126 1235
#define IDC_TITLE_FIELD_131 1236
#define IDC_TITLE_FIELD_132 1237
#define IDC_TITLE_FIELD_133 1238
#define IDC_TITLE_FIELD_134 1239
#define IDC_TITLE_FIELD_135 1240
#define IDC_TITLE_FIELD_136 1241
#define IDC_TITLE_FIELD_101 1607
#define IDC_TITLE_FIELD_102 1608
#define IDC_TITLE_FIELD_103 1609
#define IDC_TITLE_FIELD_104 1610
#define IDC_TITLE_FIELD_105 1611
#define IDC_TITLE_FIELD_106 1612
#define IDC_TITLE_FIELD_107 1613
#define IDC_TITLE_FIELD_108 1614
#define IDC_TITLE_FIELD_109 1615
#define IDC_TITLE_FIELD_117 1616
#define IDC_TITLE_FIELD_118 1617
#define IDC_TITLE_FIELD_119 1618
#define IDC_TITLE_FIELD_127 1619
#define IDC_TITLE_FIELD_128 1620
#define IDC_TITLE_FIELD_129 1621
#define IDC_TITLE_FIELD_137 1622
#define IDC_TITLE_FIELD_138 1623
#define IDC_TITLE_FIELD_139 1624
#define IDC_TITLE_FIELD_141 1203
#define IDC_TITLE_FIELD_142 1204
#define IDC_TITLE_FIELD_143 1205
#define IDC_TITLE_FIELD_144 1206
#define IDC_TITLE_FIELD_151 1207
#define IDC_TITLE_FIELD_152 1208
#define IDC_TITLE_FIELD_153 1209
#define IDC_TITLE_FIELD_154 1210
#define IDC_TITLE_FIELD_161 1211
#define IDC_TITLE_FIELD_162 1212
#define IDC_TITLE_FIELD_163 1213
#define IDC_TITLE_FIELD_164 1214
#define IDC_TITLE_FIELD_171 1215
#define IDC_TITLE_FIELD_172 1216
#define IDC_TITLE_FIELD_173 1217
#define IDC_TITLE_FIELD_174 1218
#define IDC_TITLE_FIELD_181 1219
#define IDC_TITLE_FIELD_182 1220
#define IDC_TITLE_FIELD_183 1221
#define IDC_TITLE_FIELD_184 1222
#define IDC_TITLE_FIELD_420 1601
#define IDC_TITLE_FIELD_430 1602
#define IDC_TITLE_FIELD_440 1600
#define IDC_TITLE_FIELD_451 1603
#define IDC_TITLE_FIELD_452 1604
#define IDC_TITLE_FIELD_453 1605
#define IDC_TITLE_FIELD_454 1606
#define IDC_TITLE_FIELD_19 1255
#define IDC_TITLE_FIELD_20 1256
#define IDC_TITLE_FIELD_21 1257
#define IDC_TITLE_FIELD_22 1258
#define IDC_TITLE_FIELD_23 1259
#define IDC_TITLE_FIELD_24 1260
#define IDC_TITLE_FIELD_25 1261
#define IDC_TITLE_FIELD_27 1262
#define IDC_TITLE_FIELD_28 1263
#define IDC_TITLE_FIELD_29 1264
#define IDC_TITLE_FIELD_30 1254
#define IDC_TITLE_FIELD_31 1276
#define IDC_TITLE_FIELD_331 1198
#define IDC_TITLE_FIELD_332 1199
#define IDC_TITLE_FIELD_333 1200
#define IDC_TITLE_FIELD_334 1201
/* END title-block fill-in ids */
