// Numbers of the texts in the string table (resources/strings.rc).
#pragma once

// Tooltips of the connection states; also printed by the console engine.
#define IDS_STATE_INACTIVE 65264
#define IDS_STATE_ACTIVE 65265
#define IDS_STATE_LAYOUT 65266
#define IDS_STATE_CLOSED 65295

// Notice that the key table does not fit the input language.
#define IDS_LAYOUT_TITLE 65269
#define IDS_LAYOUT_TEXT 65270

// Button captions of the program's message dialog.
#define IDS_BUTTON_YES 65272
#define IDS_BUTTON_NO 65273
#define IDS_BUTTON_OK 65274
#define IDS_BUTTON_CANCEL 65275
#define IDS_BUTTON_YESTOALL 65276

// The console engine (vemuKeysCon).
#define IDS_CONSOLE_USAGE 1000
#define IDS_CONSOLE_RUNNING 1001
#define IDS_CONSOLE_HOWTOEND 1002
