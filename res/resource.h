// Resource and control identifiers, shared by the resource script and the code.
#pragma once

#define IDR_MAINFRAME 101
#define IDD_ABOUTBOX 102
#define IDD_PARAMS 103

// Parameters dialog controls.
#define IDC_OFFSET 1001
#define IDC_OFFSET_SPIN 1002
#define IDC_WIDTH 1003
#define IDC_WIDTH_SPIN 1004
#define IDC_WIDTH_SLIDER 1005
#define IDC_HEIGHT 1006
#define IDC_HEIGHT_SPIN 1007
#define IDC_HEIGHT_SLIDER 1008
#define IDC_INVERT_Y 1009
#define IDC_DEPTH 1010
#define IDC_FIELDS_R5G6B5 1011
#define IDC_FIELDS_R5G5B5 1012
#define IDC_FIELDS_R5G5B5A1 1013
#define IDC_FIELDS_R4G4B4A4 1014
#define IDC_FIELDS_CUSTOM 1015
#define IDC_BITS_R 1016
#define IDC_BITS_G 1017
#define IDC_BITS_B 1018
#define IDC_BITS_A 1019
#define IDC_ORDER_RGBA 1020
#define IDC_ORDER_BGRA 1021
#define IDC_ORDER_CUSTOM 1022
#define IDC_SHIFT_R 1023
#define IDC_SHIFT_G 1024
#define IDC_SHIFT_B 1025
#define IDC_SHIFT_A 1026
#define IDC_BIG_ENDIAN 1027
#define IDC_SWAP_FIELD 1028
#define IDC_LINE_PAD 1029
#define IDC_LINE_PAD_SPIN 1030

// The frame framework's standard command and window identifiers.
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_PASTE 0xE125
#define ID_EDIT_UNDO 0xE12B
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151
#define ID_VIEW_TOOLBAR 0xE800
#define ID_VIEW_STATUS_BAR 0xE801

#define ATL_IDS_IDLEMESSAGE 0xE001
#define ATL_IDS_SCSIZE 0xEF00
#define ATL_IDW_TOOLBAR 0xE800
#define ATL_IDW_STATUS_BAR 0xE801
#define ATL_IDW_BAND_FIRST 0xEB00
