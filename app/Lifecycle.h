// Decisions of the program's life that need no window: the hidden mode's
// command line and injected bytes, what closing the main window means, and
// the text of the last-resort exception message.
#pragma once

#include <cstdint>
#include <string>

// The console engine's window class (a message-only window): a start of the
// tray program finds by it that the console engine holds the device.
constexpr const char* ConsoleWindowClass = "TvemuKeysConsole";

// Why the main window closes: 0 hides it to the tray, 1 ends the program
// ("Beenden"), 2 ends it for a shutdown or logoff.
enum TCloseReason : int { crHide = 0, crExit = 1, crEndSession = 2 };

// The first command-line argument switches byte injection on when it is
// "MORWENN" in any case.
bool IsHiddenModeArgument(const std::string& FirstArgument);

// A byte injected by another program (UM_INJECTBYTE): accepted only in
// hidden mode and only when the message carries a byte value 0..255.
bool AcceptInjectedByte(bool HiddenMode, uintptr_t WParam, uint8_t& Byte);

// What is said about settings that could not be saved: once in a session,
// after any of its writes failed, when OK applies the dialog's values or
// when the program ends; at a shutdown or logoff nobody could read a
// message, so it becomes a line in Errors.log.
enum class TNotSavedNotice { Nothing, Message, ErrorLine };
TNotSavedNotice NotSavedNotice(bool WriteFailed, bool AlreadySaid, TCloseReason Reason);

// The last-resort message: Format holds one %s for the exception's class.
std::string ExceptionMessageText(const std::string& Format, const std::string& ClassName);
