// Small text helpers of the user interface: the program's texts are 8-bit
// Windows-1252, the clipboard and the screen want UTF-16.
#pragma once

#include <string>
#include <vector>

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
