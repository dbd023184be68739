// The common controls, loaded at run time instead of imported. They are not
// one of the DLLs that Windows always takes from its own folder: imported,
// they and what they load would be looked for while the program starts,
// before its DLL search is restricted, and the program's folder (writable
// by every user for the settings) would come first. Loaded by name after
// that restriction, the manifest's side-by-side copy is taken, or else the
// system folder's.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Registers the control classes; false when the common controls are missing.
bool InitCommonControlClasses(DWORD Classes);

// SetWindowSubclass, RemoveWindowSubclass and DefSubclassProc of the loaded
// common controls. Subclassing fails (false) when they are missing; the
// default procedure then falls back to DefWindowProc.
bool SubclassWindow(HWND Window, SUBCLASSPROC Procedure, UINT_PTR Id, DWORD_PTR Data);
void RemoveSubclass(HWND Window, SUBCLASSPROC Procedure, UINT_PTR Id);
LRESULT DefaultSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
