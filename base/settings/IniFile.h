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
    // The same as the program's first read: a write that was cut off (a
    // power cut, a crash) is completed from the journal first, and said
    // once as an error line; files another program holds are waited for
    // as TSettingsFile::ReadAtStart waits.
    std::vector<std::optional<std::string>> ReadManyAtStart(const std::vector<TKeyName>& Keys);

    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const;
    // Decimal, or hexadecimal after "0x"; Default when missing, empty, not a
    // number or outside 32 bits.
    int32_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) const;
    bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

    // Writes through to the file at once, holding it against other
    // programs' writes; false when it could not be written, and when the
    // file is there but cannot be read: it is then left as it is. A write
    // of values the file holds already writes nothing.
    // A value equal to the one this program last read or wrote for the key
    // is no change of its own and is not written: another program's change
    // of that key meanwhile (a second session ending) stays.
    // False as well, for the rest of the session, once a read has found the
    // file there but unreadable or held (see WritesRefused).
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

    // A read found the file there but could not read it, or found it
    // larger than TSettingsFile::MaxSize, or found it or its journal held
    // by another program past the wait (a scanner at the start, another
    // user who never lets go): the values read may be defaults, not what
    // the user set. Written back at the end they would replace the user's
    // settings, so from then on no write reaches the file.
    bool WritesRefused() const { return FWritesRefused; }
    // Where that (and a write completed from the journal) is said, once, as
    // an error line: kept until a sink is set (the loggers may not exist
    // yet at the first read), then handed to it; nullptr keeps later lines
    // again.
    using TNoteSink = std::function<void(const std::string& Line)>;
    void SetNoteSink(TNoteSink Sink);

private:
    std::vector<std::optional<std::string>> ValuesOf(const TSettingsFile::TText& Read,
                                                     const std::vector<TKeyName>& Keys) const;
    void NoteRefusal(const TSettingsFile::TText& Read) const;
    void NoteSeen(const std::string& Section, const std::string& Key, const std::optional<std::string>& Value) const;
    bool SeenAlready(const std::string& Section, const std::string& Key, const std::string& Value) const;
    void Note(const std::string& Line) const;

    TSettingsFile FFile;
    mutable std::atomic<bool> FWritesRefused{false};
    mutable std::mutex FNoteMutex;
    mutable std::vector<std::string> FPendingNotes;
    TNoteSink FNoteSink;
    // The value this program last read or wrote for each key, by section
    // and key in lower case; a key read as missing has none.
    mutable std::mutex FSeenMutex;
    mutable std::map<std::string, std::string> FSeen;
};
