/* The installer's resource ids: dialogs, bitmaps, icon and controls.  Shared
   by resources/setup.rc and the installer's code. */
#pragma once

#define IDI_SETUP 102

#define IDB_SETUP_PICTURE 103   /* 338 x 400 */
#define IDB_SETUP_TITLE 106     /* 480 x 42 */
#define IDB_SETUP_VERSION 107   /* 265 x 50 */

#define IDD_SETUP_OPTIONS 101
#define IDD_SETUP_PROGRESS 104
#define IDD_SETUP_ACTION 105
#define IDD_SETUP_CHECK 108

/* dialog 101: options */
#define IDC_SETUP_TARGET 1000
#define IDC_SETUP_CHOOSE 1006
#define IDC_SETUP_KEEP 1023
#define IDC_SETUP_DESKTOP 1016
#define IDC_SETUP_LIBRARY 1026
#define IDC_SETUP_LIBRARY_FOLDER 1027
#define IDC_SETUP_LIBRARY_BROWSE 1028
#define IDC_SETUP_SIZE 1008
#define IDC_SETUP_MANUAL 1017
#define IDC_SETUP_MANUAL_ALL 1020

/* dialog 104: progress */
#define IDC_SETUP_STEPS 1011
#define IDC_SETUP_RESULT 1010

/* dialog 105: choose action */
#define IDC_SETUP_INSTALL 1014
#define IDC_SETUP_REMOVE 1015
#define IDC_SETUP_EXIT 1019
#define IDC_SETUP_INSTALLED 1018

/* dialog 108: distribution check */
#define IDC_SETUP_CHECK_TEXT 1030
