// The settings file: INI text read and written with the rules of the Windows
// private-profile functions, so that a file written by either side reads back
// the same on the other.
#pragma once

#include "base/settings/SettingsFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TIniFile {
public:
    // Longest string value a read returns.
    static constexpr size_t MaxValueLength = 2047;

    explicit TIniFile(std::string FileName) : FFile(std::move(FileName)) {}

    const std::string& FileName() const { return FFile.Path(); }

    // A write that was cut off (a power cut, a crash) is completed from the
    // journal, and said once as an error line; called when the program
    // opens the settings, before it reads them.
    void TakeUpJournal();

    // The value as the private-profile reader returns it (spaces around it
    // trimmed, one pair of enclosing quotes removed, at most MaxValueLength
    // characters); nothing when the section, the key or its '=' is missing.
    std::optional<std::string> Read(const std::string& Section, const std::string& Key) const;

    // The values of many keys from one read of the file, in the order asked
    // for: a start reads every setting at once.
    struct TKeyName {
        std::string Section;
        std::string Key;
    };
    std::vector<std::optional<std::string>> ReadMany(const std::vector<TKeyName>& Keys) const;

    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const;
    // Decimal, or hexadecimal after "0x"; Default when missing, empty, not a
    // number or outside 32 bits.
    int32_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) const;
    bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

    // Writes through to the file at once, holding it against other
    // programs' writes; false when it could not be written, and when the
    // file is there but cannot be read: it is then left as it is.
    // A value equal to the one this program last read or wrote for the key
    // is no change of its own and is not written: another program's change
    // of that key meanwhile (a second session ending) stays.
    // False as well, for the rest of the session, once a read has found the
    // file there but unreadable (see Unreadable).
    bool WriteString(const std::string& Section, const std::string& Key, const std::string& Value);
    bool WriteInteger(const std::string& Section, const std::string& Key, int32_t Value);
    bool WriteBool(const std::string& Section, const std::string& Key, bool Value);

    // Many values in one hold and one write of the file, in the order
    // given (keys new to the file are added in that order); the values equal
    // to what this program last read or wrote are left out as WriteString
    // leaves them out, and nothing is written when nothing is left. False
    // as WriteString says it.
    struct TKeyValue {
        std::string Section;
        std::string Key;
        std::string Value;
    };
    bool WriteMany(const std::vector<TKeyValue>& Values);

    // Integer text as ReadInteger understands it.
    static std::optional<int32_t> ParseInteger(const std::string& Text);

    // A read found the file there but could not read it, even after a
    // second of trying (a scanner that holds it at the start), or found it
    // larger than TSettingsFile::MaxSize: the values read gave their
    // defaults, not what the user set. Written back at the end they would
    // replace every setting, so from then on no write reaches the file.
    bool Unreadable() const { return FUnreadable; }
    // Where that (and a write completed from the journal) is said, once, as
    // an error line: kept until a sink is set (the loggers may not exist
    // yet at the first read), then handed to it; nullptr keeps later lines
    // again.
    using TNoteSink = std::function<void(const std::string& Line)>;
    void SetNoteSink(TNoteSink Sink);

private:
    void NoteUnreadable(TFileRead Result) const;
    void NoteSeen(const std::string& Section, const std::string& Key, const std::optional<std::string>& Value) const;
    bool SeenAlready(const std::string& Section, const std::string& Key, const std::string& Value) const;
    void Note(const std::string& Line) const;

    TSettingsFile FFile;
    mutable std::atomic<bool> FUnreadable{false};
    mutable std::mutex FNoteMutex;
    mutable std::vector<std::string> FPendingNotes;
    TNoteSink FNoteSink;
    // The value this program last read or wrote for each key, by section
    // and key in lower case; a key read as missing has none.
    mutable std::mutex FSeenMutex;
    mutable std::map<std::string, std::string> FSeen;
};
