// Opens a name's own file (base/files/OwnFile.h): the files in the program's
// folder and the files the shared settings name.
#pragma once

#include "base/files/OwnFile.h"

#include <windows.h>

#include <functional>

// Open opens the name with the access, sharing and disposition the caller
// needs, adding Flags. The name is opened as itself first: a link there is
// never followed and stays opened as itself, for the caller to refuse. The
// file of a service is opened again the usual way, so that the service
// hands over its bytes, and Found says whether that is still the same file.
// INVALID_HANDLE_VALUE, with the error of the open that failed, when
// nothing could be opened.
HANDLE OpenOwnFile(const std::function<HANDLE(DWORD Flags)>& Open, TReparseFacts& Found);
