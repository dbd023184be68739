// Paths in full Unicode: the program holds a path as UTF-8, so that a
// folder named with letters beyond Windows-1252 (Ł, Ş) stays what it is; it
// goes to the system through the wide API. Texts shown and stored stay
// Windows-1252: a path taken from the settings file is converted when it is
// used, a path put into a log line when it is said.
#pragma once

#include <string>

std::string Utf8FromCp1252(const std::string& Text);
// A character Windows-1252 lacks becomes '?'; bytes that are no UTF-8 are
// taken as Windows-1252 already.
std::string Cp1252FromUtf8(const std::string& Text);

std::u16string Utf16FromUtf8(const std::string& Text);
std::string Utf8FromUtf16(const std::u16string& Text);
