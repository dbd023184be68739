// The journal beside the settings file: a write puts the complete new text
// there first, then over the settings file in place, then empties it. A
// write cut off between the two (a power cut, a crash) leaves a complete
// journal, which the next program copies into the settings file; a journal
// cut off while it was written is incomplete and ignored (the settings file
// itself was not touched yet).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "vemuKeys.set.journal" beside "vemuKeys.set".
std::string JournalName(const std::string& SettingsPath);

// The journal of Text: Text itself, then a line that says it is complete,
// with Text's length and checksum.
std::string JournalRecord(const std::string& Text);

// The text a journal holds when it is complete: it ends with its marker
// line, and the length and checksum there fit the text before it. Nothing
// for an empty or incomplete journal.
std::optional<std::string> CompleteJournalText(const std::string& Journal);

// The checksum of the marker line (CRC-32, as zip and PNG use it).
uint32_t Crc32(const std::string& Data);
