#pragma once

// The control IDs of quillmark-gui.exe's window and its result box: the window finds its
// controls by them, and so does a program that drives the window (the tests). Macros,
// because the resource script reads them too.

#define QM_WINDOW_CLASS L"QuillmarkMainFrm"

#define QM_ID_TREE 1001 // tlStruct: the structure of the page, live during a run
#define QM_ID_TREE_HEADER 1002
#define QM_ID_BANNER 1003     // shown while no run works
#define QM_ID_STATUS 1004     // lInfor: what the run does
#define QM_ID_FILE_COUNT 1005 // lGlobalCount: "(i/n)"
#define QM_ID_PROGRESS 1006   // the bar over the whole run, 0 .. 1000
#define QM_ID_BEGIN_TIME 1007
#define QM_ID_END_TIME 1008 // the remaining time during a run, then the end time
#define QM_ID_OPEN 1010
#define QM_ID_SOURCE_FILES 1011 // the opened files, joined by ';'
#define QM_ID_SOURCE_FILE 1012  // the file in hand, during a run
#define QM_ID_RECENT 1013
#define QM_ID_TITLE_LABEL 1014
#define QM_ID_TITLE 1015
#define QM_ID_AUTO_TITLE 1016
#define QM_ID_CHM_LABEL 1017
#define QM_ID_CHM_NAME 1018
#define QM_ID_HOME_LABEL 1019
#define QM_ID_HOME_PAGE 1020
#define QM_ID_OUTPUT_LABEL 1021
#define QM_ID_OUTPUT_FOLDER 1022
#define QM_ID_BROWSE_OUTPUT 1023
#define QM_ID_GENERATE 1024
#define QM_ID_STOP 1025
#define QM_ID_OPEN_FOLDER 1026
#define QM_ID_OPEN_HELP 1027
#define QM_ID_TARGET_FOLDER 1028
#define QM_ID_TABS 1029
#define QM_ID_LEVEL_LEAD 1030
#define QM_ID_LEVEL 1031
#define QM_ID_LEVEL_TAIL 1032
#define QM_ID_DEFAULT_HEADER 1033
#define QM_ID_RENUMBER 1034
#define QM_ID_USE_CODE 1035
#define QM_ID_OPEN_CODE 1036
#define QM_ID_CLEAR_CODE 1037
#define QM_ID_SAVE_CODE 1038
#define QM_ID_PREVIEW_CODE 1039
#define QM_ID_CODE_LIST_HEADER 1040
#define QM_ID_CODE_LIST 1041
#define QM_ID_BEFORE_HEADER 1042
#define QM_ID_BEFORE_ENTRY 1043
#define QM_ID_AFTER_HEADER 1044
#define QM_ID_AFTER_ENTRY 1045
#define QM_ID_HELP_TEXT 1046      // the text of the help tabs
#define QM_ID_NUMBERED_NAMES 1047 // pages named by their context numbers
#define QM_ID_LAST_CONTROL 1047

// The recent-files menu: its files, then the item that clears it.
#define QM_ID_RECENT_FIRST 2000
#define QM_ID_RECENT_CLEAR 2099
// Keys that choose a tab.
#define QM_ID_TAB_ADVANCED 2100
#define QM_ID_TAB_DESCRIPTION 2101
#define QM_ID_TAB_NEXT 2102 // Ctrl+Tab

// The box at the end of a run.
#define QM_IDD_RESULT 3000
#define QM_ID_RESULT_ICON 3001
#define QM_ID_RESULT_HEADLINE 3002 // what failed, or that everything was made
#define QM_ID_RESULT_DETAILS 3003  // the whole summary
#define QM_ID_RESULT_KIND 3004     // hidden: "warning" or "information", for programs

#define QM_IDI_APP 100
#define QM_IDB_BANNER 102
