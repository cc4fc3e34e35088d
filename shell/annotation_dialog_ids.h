/* Annotation property dialogs: template and control ids.  Read by the
 * resource script (plain #defines) and by the dialogs' code; the portable
 * rules name the same controls in annotation/ (checked where both meet). */
#pragma once

/* ---------------------------------------------------------------- templates */
#define IDD_PROP_DIMENSION_TEXT 253
#define IDD_PROP_LEADER 255
#define IDD_PROP_HATCHING 271
#define IDD_PROP_HATCHING_COMPACT 336
#define IDD_PROP_FRAGMENT 352
#define IDD_PROP_FRAGMENT_WIDE 581
#define IDD_PROP_SECTION 393
#define IDD_PROP_ROUGHNESS 400
#define IDD_PROP_ROUGHNESS_COMPACT 415
#define IDD_PROP_ROUGHNESS_OPTION 557
#define IDD_PROP_ROUGHNESS_OPTION_COMPACT 558
#define IDD_PROP_TOLERANCE 496

/* ---------------------------------------------------------------- shared controls */
#define IDC_PROP_FONT_A_SLANTED 1170
#define IDC_PROP_FONT_A_UPRIGHT 1171
#define IDC_PROP_HEIGHT 1172
#define IDC_PROP_FONT_B_SLANTED 1175
#define IDC_PROP_FONT_B_UPRIGHT 1176
#define IDC_PROP_VARIABLES 1586
#define IDC_PROP_SYMBOLS 1494
#define IDC_PROP_DELETE 1109
#define IDC_PROP_CLONE 1675

/* ---------------------------------------------------------------- tolerance (496) */
#define IDC_TOL_SIGN 1542
#define IDC_TOL_SLOT1 1551
#define IDC_TOL_SLOT2 1552
#define IDC_TOL_SLOT3 1553
#define IDC_TOL_VALUE 1029
#define IDC_TOL_DATUMS 1417
#define IDC_TOL_STACKED 1653

/* ---------------------------------------------------------------- roughness (400, 415, 557, 558) */
#define IDC_RGH_TREATMENT 1419
#define IDC_RGH_PARAMETER 1499
#define IDC_RGH_INSTRUCTIONS 1416
#define IDC_RGH_BASE_LENGTH 1417
#define IDC_RGH_LAY 1420
#define IDC_RGH_CONTOUR 1424
#define IDC_RGH_REQUIREMENTS 1501
#define IDC_RGH_UNMARKED 1500

/* ---------------------------------------------------------------- text fragment (352, 581) */
#define IDC_FRG_TEXT 1341
#define IDC_FRG_WIDTH 1342
#define IDC_FRG_HEIGHT 1343
#define IDC_FRG_FIT 1598
#define IDC_FRG_LEFT 1354
#define IDC_FRG_CENTRE 1355
#define IDC_FRG_RIGHT 1356
#define IDC_FRG_TURNED_LEFT 1678
#define IDC_FRG_TURNED_CENTRE 1679
#define IDC_FRG_TURNED_RIGHT 1680
#define IDC_FRG_EDGE1_MAIN 1344
#define IDC_FRG_EDGE1_THIN 1345
#define IDC_FRG_EDGE2_MAIN 1346
#define IDC_FRG_EDGE2_THIN 1347
#define IDC_FRG_EDGE3_MAIN 1348
#define IDC_FRG_EDGE3_THIN 1350
#define IDC_FRG_EDGE4_MAIN 1351
#define IDC_FRG_EDGE4_THIN 1352
#define IDC_FRG_FORM 1673

/* ---------------------------------------------------------------- section (393) */
#define IDC_SEC_LETTERS 1397
#define IDC_SEC_VIEW_LEFT 1398
#define IDC_SEC_VIEW_RIGHT 1399
#define IDC_SEC_HIDE_BENDS 1149
#define IDC_SEC_REMOVE_LAST 1401

/* ---------------------------------------------------------------- hatching (271, 336) */
#define IDC_HAT_KIND1 1171
#define IDC_HAT_KIND2 1175
#define IDC_HAT_KIND3 1176
#define IDC_HAT_KIND4 1292
#define IDC_HAT_KIND5 1172
#define IDC_HAT_KIND6 1173
#define IDC_HAT_KIND7 1174
#define IDC_HAT_KIND8 1177
#define IDC_HAT_SCROLL 1295
#define IDC_HAT_LABEL1 1283
#define IDC_HAT_PARAM1 1284
#define IDC_HAT_PARAM2 1285
#define IDC_HAT_LABEL2 1286
#define IDC_HAT_NAME 1636
#define IDC_HAT_AREA 1634
#define IDC_HAT_FRAGMENTS 1100

/* ---------------------------------------------------------------- dimension text (253) */
#define IDC_DIM_VALUE 1648
#define IDC_DIM_BEFORE 1168
#define IDC_DIM_AFTER 1177
#define IDC_DIM_UNDER 1169
#define IDC_DIM_HIDE_NOMINAL 1507
#define IDC_DIM_MARK 1596
#define IDC_DIM_INVISIBLE 1149
#define IDC_DIM_NEAREST 1661
#define IDC_DIM_CORRECT 1646

/* ---------------------------------------------------------------- leader (255) */
#define IDC_LDR_UPPER 1168
#define IDC_LDR_LOWER 1169
#define IDC_LDR_SHAPE0 1391
#define IDC_LDR_SHAPE1 1392
#define IDC_LDR_SHAPE2 1393
#define IDC_LDR_SHAPE3 1394
#define IDC_LDR_SHAPE4 1395
#define IDC_LDR_SHAPE5 1396
#define IDC_LDR_SIGN 1535
#define IDC_LDR_WELD_CLOSED 1536
#define IDC_LDR_WELD_STRETCH 1537
