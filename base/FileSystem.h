// Whole-file reads and safe replacement, the only file operations the
// settings store needs.
#pragma once

#include <optional>
#include <string>

// The file's bytes; nothing when it cannot be read (a missing file included).
std::optional<std::string> ReadWholeFile(const std::string& Path);

// Replaces the file's contents so that a reader sees either the old or the
// new text, never a half-written one: written beside it (Path + ".new"),
// then moved over it. When either step fails the file keeps its old bytes,
// the ".new" file is removed and the result is false.
bool ReplaceWholeFile(const std::string& Path, const std::string& Contents);
