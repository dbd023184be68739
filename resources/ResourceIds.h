// Numbers of the program's icons, pictures, menus, dialog templates and
// controls: one list for the resource script and the code. Control ids are
// unique across the program, so a page's control can be found by its id
// alone.
#pragma once

// Icons. The program icon has the lowest number: Explorer shows it.
#define IDI_PROGRAM 1
#define IDI_TRAY_ACTIVE 101
#define IDI_TRAY_INACTIVE 102
#define IDI_TRAY_CLOSED 103
#define IDI_TRAY_ERROR 104
#define IDI_TRAY_LANGUAGE 105
#define IDI_MENU_EXIT 110
#define IDI_MENU_SETUP 111
#define IDI_GLYPH_START 120
#define IDI_GLYPH_STOP 121
#define IDI_GLYPH_COPY 122
#define IDI_GLYPH_COLLAPSE 123
#define IDI_GLYPH_EXPAND 124
#define IDI_GLYPH_FOLDER 125
#define IDI_GLYPH_INFO 126

// JPEG pictures (RCDATA), each at its design size and at twice that size.
#define IDR_SPLASH_PICTURE 240
#define IDR_SPLASH_PICTURE_2X 241
#define IDR_INFO_PICTURE 242
#define IDR_INFO_PICTURE_2X 243

// The tray icon's popup menu.
#define IDM_TRAY 300
#define IDM_TRAY_ACTIVE 301
#define IDM_TRAY_SETUP 302
#define IDM_TRAY_EXIT 303

// Dialog templates.
#define IDD_CONFIG 200
#define IDD_PAGE_SETUP 201
#define IDD_PAGE_EXTENDED 202
#define IDD_PAGE_GIDEI 203
#define IDD_PAGE_INFO 204
#define IDD_SPLASH 210
#define IDD_OWNINFO 211
#define IDD_LOGFORM 212
#define IDD_LOGTYPE 213

// The configuration dialog (OK and Abbrechen are IDOK and IDCANCEL).
#define IDC_TABS 1001
#define IDC_EXIT 1002
#define IDC_SEPARATOR 1003

// Tab "Einstellungen".
#define IDC_GROUP_PORT 1010
#define IDC_LABEL_PORT 1011
#define IDC_PORT 1012
#define IDC_LABEL_RATE 1013
#define IDC_RATE 1014
#define IDC_EXPAND 1015
#define IDC_LABEL_BYTESIZE 1016
#define IDC_BYTESIZE 1017
#define IDC_LABEL_PARITY 1018
#define IDC_PARITY 1019
#define IDC_LABEL_STOP 1020
#define IDC_STOP 1021
#define IDC_GROUP_START 1022
#define IDC_AUTOSTART 1023
#define IDC_RUNINFO 1024
// The sign-in helper's box, the shield beside it, and why it cannot be changed.
#define IDC_SIGNIN 1093
#define IDC_SIGNIN_SHIELD 1094
#define IDC_SIGNIN_REASON 1095
// DTR and RTS on, in the expandable part of the port group.
#define IDC_CONTROLLINES 1096
// What arrives from the device while the dialog is open.
#define IDC_LABEL_RECEIVED 1097
#define IDC_RECEIVED 1098
// The searches for the data rate and for the device's port.
#define IDC_FINDRATE 1099
#define IDC_FINDDEVICE 1100

// Tab "Erweitert".
#define IDC_GROUP_LOG 1030
#define IDC_LOGVIEW 1031
#define IDC_LOGLINES 1032
#define IDC_LOGLINES_SPIN 1033
#define IDC_LABEL_LINES 1034
#define IDC_EVENTS 1035
#define IDC_LOGFILE 1036
#define IDC_LOGFILENAME 1037
#define IDC_LOGFILE_PICK 1038
#define IDC_GROUP_DEBUG 1039
#define IDC_DEBUG 1040
#define IDC_WAITFOR 1041
#define IDC_WAITFOR_SPIN 1042
#define IDC_LABEL_WAIT 1043

// Tab "GIDEI".
#define IDC_GROUP_GIDEI 1050
#define IDC_GIDEI 1051
#define IDC_SOUND 1052
#define IDC_SOUNDNAME 1053
#define IDC_SOUND_PICK 1054

// Tab "Info".
#define IDC_VERSION 1061
#define IDC_WWW 1062
#define IDC_EMAIL 1063

// Splash window.
#define IDC_SPLASH_WORK 1070
#define IDC_SPLASH_TITLE 1071
#define IDC_SPLASH_CREDIT 1072

// Information dialog (its button is IDOK).
#define IDC_INFO_ICON 1080
#define IDC_INFO_TEXT 1081
#define IDC_INFO_SHOW 1082

// Log window.
#define IDC_LOG_LIST 1090
#define IDC_LOG_STARTSTOP 1091
#define IDC_LOG_COPY 1092

// Event selection dialog (OK and Abbrechen are IDOK and IDCANCEL).
#define IDC_EVENTS_GROUP 1100
#define IDC_EVENTS_LIST 1101
