// Numbers of the texts in the string table (resources/strings.rc).
#pragma once

// Button captions of the program's message dialog.
#define IDS_BUTTON_YES 65272
#define IDS_BUTTON_NO 65273
#define IDS_BUTTON_OK 65274
#define IDS_BUTTON_CANCEL 65275
#define IDS_BUTTON_YESTOALL 65276
