// Numbers of the texts in the string table (resources/strings.rc).
#pragma once

// Tooltips of the connection states; also printed by the console engine.
#define IDS_STATE_INACTIVE 65264
#define IDS_STATE_ACTIVE 65265
#define IDS_STATE_LAYOUT 65266
#define IDS_STATE_CLOSED 65295

// Balloon notices of the tray icon.
#define IDS_NOCONNECTION_TITLE 65267
#define IDS_NOCONNECTION_TEXT 65268
// Notice that the key table does not fit the input language.
#define IDS_LAYOUT_TITLE 65269
#define IDS_LAYOUT_TEXT 65270

// The autostart entry cannot be changed.
#define IDS_AUTOSTART_INFO 65271

// Button captions of the program's message dialog.
#define IDS_BUTTON_YES 65272
#define IDS_BUTTON_NO 65273
#define IDS_BUTTON_OK 65274
#define IDS_BUTTON_CANCEL 65275
#define IDS_BUTTON_YESTOALL 65276

// The log window's start/stop button.
#define IDS_LOG_START 65277
#define IDS_LOG_STOP 65278

// Messages of the program's start and end.
#define IDS_NEEDS_NT5 65279
#define IDS_SETTINGS_NOT_SAVED 65280
#define IDS_EXCEPTION 65285

// Items of the configuration dialog's lists.
#define IDS_PARITY_NONE 65281
#define IDS_PARITY_EVEN 65282
#define IDS_PARITY_ODD 65283
#define IDS_RATE_FORMAT 65284
#define IDS_PORT_FORMAT 65286
// A port with its device's description, and a chosen port that is absent.
#define IDS_PORT_DESCRIBED 1030
#define IDS_PORT_ABSENT 1031

// File pickers: titles and '|'-separated filters.
#define IDS_LOGFILE_TITLE 65287
#define IDS_LOGFILE_FILTER 65288
#define IDS_SOUND_TITLE 65289
#define IDS_SOUND_FILTER 65290

// The splash window's steps.
#define IDS_SPLASH_PORTS 65291
#define IDS_SPLASH_INTERFACES 65292
#define IDS_SPLASH_OPEN 65293
#define IDS_SPLASH_START 65294
#define IDS_SPLASH_STARTUP 65308
#define IDS_SPLASH_CREDIT 65309

// The Info tab.
#define IDS_VERSION_FORMAT 65310

// The log file cannot be opened.
#define IDS_LOGFILE_ERROR 65311

// The console engine (vemuKeysCon).
#define IDS_CONSOLE_USAGE 1000
#define IDS_CONSOLE_RUNNING 1001
#define IDS_CONSOLE_HOWTOEND 1002
// A start of the tray program while the console engine runs.
#define IDS_RUNS_IN_CONSOLE 1003
// --list-ports: one line per present port, or the line that there is none,
// or that the system's device list could not be read.
#define IDS_CONSOLE_PORT_LINE 1004
#define IDS_CONSOLE_NO_PORTS 1005
#define IDS_CONSOLE_NO_DEVICE_LIST 1006

// Contact addresses of the Info tab.
#define IDS_EMAIL_CAPTION 1010
#define IDS_CONTACT_EMAIL 1011
#define IDS_WEB_ADDRESS 1012
#define IDS_WEB_CREDIT 1013

// Accessible names of the picture buttons.
#define IDS_EXPAND_MORE 1020
#define IDS_EXPAND_LESS 1021

// The notice for input that a window with administrator rights drops.
#define IDS_ELEVATED_TITLE 65312
#define IDS_ELEVATED_TEXT 65313

// The sign-in helper's box: why it cannot be changed, and a step that
// changed nothing.
#define IDS_SIGNIN_NOT_INSTALLED 65314
#define IDS_SIGNIN_FOLDER_OPEN 65315
// Why the autostart box is greyed in a folder other users may change.
#define IDS_AUTOSTART_FOLDER_SHARED 65326
#define IDS_SIGNIN_DECLINED 65316
#define IDS_SIGNIN_FAILED 65317

// The tooltip's second line while an open port has heard nothing yet.
#define IDS_TIP_NOTHING_YET 65318

// The verdict below "Empfangen:".
#define IDS_RECEIVED_NOTHING 65319
#define IDS_RECEIVED_GIDEI 65320
#define IDS_RECEIVED_TEXT 65321
#define IDS_RECEIVED_UNREADABLE 65322

// The notice for a device that sends what cannot be read.
#define IDS_UNREADABLE_TITLE 65323
#define IDS_UNREADABLE_TEXT 65324

// The mark of a port that appeared while the dialog is open.
#define IDS_PORT_NEW 65325

// The searches for the data rate and the device: the button while one
// runs, and the verdict line during and after it.
#define IDS_SEARCH_STOP 65326
#define IDS_SEARCH_OPENING 65327
#define IDS_SEARCH_LISTENING 65328
#define IDS_SEARCH_RATING 65329
#define IDS_SEARCH_RATE_FOUND 65330
#define IDS_SEARCH_DEVICE_FOUND 65331
#define IDS_SEARCH_NO_RATE 65332
#define IDS_SEARCH_NO_DEVICE 65333
#define IDS_SEARCH_STOPPED 65334
#define IDS_FINDRATE 65335
#define IDS_FINDDEVICE 65336
