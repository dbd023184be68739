// Small text helpers: the program's texts are 8-bit Windows-1252, the
// clipboard and the screen want UTF-16; names of devices and files compare
// their ASCII letters without regard to case.
#pragma once

#include <string>
#include <vector>

// The byte that begins every GIDEI sequence.
constexpr char Esc = '\x1b';

// Upper case of the ASCII letters only, as names of devices, drives and
// device ids are compared; other bytes stay as they are.
char AsciiUpper(char C);
std::string AsciiUpper(std::string Text);

// Windows-1252 to UTF-16 (the five unassigned bytes stay as U+0081 and the
// like, as Windows converts them).
std::u16string Cp1252ToUtf16(const std::string& Text);

// Lines of a text split at CR, LF or CR LF.
std::vector<std::string> SplitLines(const std::string& Text);
// The lines joined with CR LF, as a multi-line edit control shows them.
std::string JoinLinesCrLf(const std::vector<std::string>& Lines);

// A file dialog filter from its resource form "Name|*.ext|Name|*.*": the
// '|' become zero bytes, with the final double zero.
std::string FileDialogFilter(const std::string& ResourceText);
// The folder part of a path (without the trailing delimiter), or "" when it
// names no folder.
std::string FolderOf(const std::string& Path);
