// The journal beside the settings file: a write puts the complete new text
// there first, with the text it replaces, then writes the settings file over
// in place, then empties the journal. A write cut off between the two (a
// power cut, a crash) leaves a complete journal, which the next program
// copies into the settings file, but only over the text it replaced or over
// what its own cut-off write left there; a journal cut off while it was
// written is incomplete and ignored (the settings file was not touched yet).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "vemuKeys.set.journal" beside "vemuKeys.set".
std::string JournalName(const std::string& SettingsPath);

// The journal of a write of Text over Replaced: Text, then Replaced, then a
// line that says the journal is complete, with the lengths and checksums of
// both.
std::string JournalRecord(const std::string& Text, const std::string& Replaced);

struct TJournal {
    std::string Text;     // what the write puts into the settings file
    std::string Replaced; // what the settings file held before it
    bool operator==(const TJournal&) const = default;
};

// The write a journal holds when it is complete: it ends with its marker
// line, and the lengths and checksums there fit the texts before it.
// Nothing for an empty or incomplete journal, and for one of the earlier
// kind, whose marker names no replaced text.
std::optional<TJournal> CompleteJournal(const std::string& Journal);

// Whether the settings file holds what the journal's write may have left
// there: the replaced text, the new text, or the new text's first bytes
// over the rest of the replaced text (the write cut off part way, before or
// after its end was cut).
bool JournalFits(const TJournal& Journal, const std::string& File);

// The checksum of the marker line (CRC-32, as zip and PNG use it).
uint32_t Crc32(const std::string& Data);
