// Numbers of the program's resources and of the controls in its dialog templates, shared
// by the resource script and the code that drives the dialogs.
#pragma once

// Icon, side picture (and the same at twice the size, for screens above 96 DPI).
#define IDI_TARVENNE 101
#define IDB_SIDE_PICTURE 102
#define IDB_SIDE_PICTURE_2X 110

// Dialog templates.
#define IDD_PROGRESS_PAGE 103
#define IDD_RECORD_LIST_PAGE 104
#define IDD_WIZARD_FRAME 105
#define IDD_OPTIONS_PAGE 107
#define IDD_RESULT_PAGE 108
#define IDD_CUSTOM_FIELDS 109
#define IDD_CUT_DETAILS 111

// Frame.
#define IDC_HELP_BUTTON 1005
#define IDC_PAGE_PLACEHOLDER 1006
#define IDC_PREV 1007
#define IDC_NEXT 1008
#define IDC_SIDE_PICTURE 1009
// The Cancel/Finish button is IDCANCEL (2); IDOK (1) is OK in the custom fields dialog.

// Progress page.
#define IDC_PROGRESS_TEXT 1000
#define IDC_PROGRESS_BAR 1001

// Record list page.
#define IDC_LIST_PLACEHOLDER 1002
#define IDC_SELECT_ALL 1003
#define IDC_CLEAR_ALL 1004
#define IDC_CUSTOM_FIELDS_MAPPING 1029
#define IDC_DIFFERENT_ONLY 1040
#define IDC_RECORD_LIST 1102
#define IDC_TICKED_COUNT 1045
#define IDC_TICKS_RESET 1046

// Options page.
#define IDC_CURRENT_WAB 1015
#define IDC_SPECIFIC_WAB 1016
#define IDC_WAB_FILE 1017
#define IDC_WAB_BROWSE 1018
#define IDC_USER_BOX 1019
#define IDC_CHECK_DUPLICATES 1020
#define IDC_SWAP_NAMES 1028
#define IDC_BY_USER 1041
#define IDC_BY_FILE 1042
#define IDC_PALM_FILE 1043
#define IDC_PALM_BROWSE 1044

// Result page.
#define IDC_RESULT_FILE 1021
#define IDC_RESULT_USER 1022
#define IDC_RESULT_TEXT 1023
#define IDC_RESULT_COUNT 1024
#define IDC_OPEN_ADDRESS_BOOK 1025
#define IDC_OPEN_PALM_DESKTOP 1026
#define IDC_RESULT_REASON 1027
#define IDC_RESULT_CONTACTS 1047
#define IDC_RESULT_BACKUP 1048
#define IDC_RESULT_BACKUP_LABEL 1049
#define IDC_RESULT_COUNT_LABEL 1050
#define IDC_RESULT_DETAILS 1051
#define IDC_RESULT_START_AGAIN 1052

// The list of values not kept whole.
#define IDC_DETAILS_TEXT 1052
#define IDC_DETAILS_COPY 1053

// Custom fields dialog: combo box k (1..9) is IDC_CUSTOM_FIRST + k - 1.
#define IDC_CUSTOM_FIRST 1030
#define IDC_CUSTOM_LAST 1038

// The hidden child that links a dialog window to its object.
#define IDC_OBJECT_MARKER 9999
