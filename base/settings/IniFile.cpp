#include "base/settings/IniFile.h"

#include "base/files/FileSystem.h"
#include "base/system/Numbers.h"
#include "base/system/PathText.h"

#include <string_view>
#include <vector>

namespace {

// The private-profile reader counts Ctrl-Z as white space too.
bool IsProfileSpace(char C)
{
    return C == ' ' || C == '\t' || C == '\n' || C == '\v' || C == '\f' || C == '\r' || C == '\x1a';
}

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && IsProfileSpace(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsProfileSpace(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

enum class TLineKind { Blank, Section, Key };

struct TLine {
    size_t Begin = 0;    // first byte of the line
    size_t End = 0;      // end of its text, before the line break
    size_t BreakEnd = 0; // end of the line break
    TLineKind Kind = TLineKind::Blank;
    std::string_view Name;  // section or key name as it stands in the file
    bool HasValue = false;  // a key line with '='
    std::string_view Value; // trimmed, quotes still on
};

// Splits like the private-profile reader: a line ends at CR or LF, and a run
// of line breaks (blank lines included) belongs to the line before it.
std::vector<TLine> ParseLines(std::string_view Text)
{
    std::vector<TLine> lines;
    size_t next = 0;
    while (next < Text.size()) {
        TLine line;
        line.Begin = next;
        while (next < Text.size() && Text[next] != '\n' && Text[next] != '\r')
            ++next;
        line.End = next;
        while (next < Text.size() && (Text[next] == '\n' || Text[next] == '\r'))
            ++next;
        line.BreakEnd = next;

        std::string_view content = Trim(Text.substr(line.Begin, line.End - line.Begin));
        if (content.empty()) {
            lines.push_back(line);
            continue;
        }
        if (content.front() == '[') {
            size_t close = content.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                line.Kind = TLineKind::Section;
                line.Name = content.substr(1, close - 1);
                lines.push_back(line);
                continue;
            }
            // A '[' without ']' is read as a key line.
        }
        line.Kind = TLineKind::Key;
        size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            line.Name = content;
        } else {
            line.Name = Trim(content.substr(0, equals));
            line.HasValue = true;
            line.Value = Trim(content.substr(equals + 1));
        }
        lines.push_back(line);
    }
    return lines;
}

struct TLookup {
    bool SectionFound = false;
    int LastInSection = -1; // last key line of the section, or its header; -1 for none
    int Key = -1;           // index of the key line, -1 when absent
};

// The first section of that name counts, and in it the first key of that
// name; later duplicates are never read.
TLookup Find(const std::vector<TLine>& Lines, std::string_view Section, std::string_view Key)
{
    TLookup found;
    Section = Trim(Section);
    Key = Trim(Key);
    // Keys before the first header form a section without a name, which
    // always exists.
    bool inSection = Section.empty();
    found.SectionFound = inSection;
    for (size_t i = 0; i < Lines.size(); ++i) {
        const TLine& line = Lines[i];
        if (line.Kind == TLineKind::Section) {
            if (inSection)
                break;
            if (SameNoCase(line.Name, Section)) {
                inSection = found.SectionFound = true;
                found.LastInSection = static_cast<int>(i);
            }
            continue;
        }
        if (!inSection || line.Kind != TLineKind::Key)
            continue;
        found.LastInSection = static_cast<int>(i);
        if (found.Key < 0 && SameNoCase(line.Name, Key))
            found.Key = static_cast<int>(i);
    }
    return found;
}

// End of the line's own line break (CR LF, CR or LF), before blank lines.
size_t FirstBreakEnd(std::string_view Text, const TLine& Line)
{
    if (Text[Line.End] == '\r' && Line.End + 1 < Line.BreakEnd && Text[Line.End + 1] == '\n')
        return Line.End + 2;
    return Line.End + 1;
}

// What the reader hands out: enclosing quotes removed, cut to the buffer.
std::string Unquote(std::string_view Value)
{
    char quote = 0;
    if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front()) {
        quote = Value.front();
        Value.remove_prefix(1);
    }
    std::string result(Value.substr(0, TIniFile::MaxValueLength));
    // The closing quote is dropped only when the value fitted the buffer.
    if (quote && Value.size() <= TIniFile::MaxValueLength + 1 && !result.empty())
        result.pop_back();
    return result;
}

// A value is one line: a line break would end it and turn the rest into a
// key of its own, so the value is cut there. Leading blanks would be lost on
// reading anyway.
std::string OneLineValue(const std::string& Value)
{
    std::string_view text(Value);
    text = text.substr(0, text.find_first_of("\r\n"));
    while (!text.empty() && IsProfileSpace(text.front()))
        text.remove_prefix(1);
    return std::string(text);
}

bool IsHexDigit(char C) { return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F'); }

int HexValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    return FoldCase(C) - 'a' + 10;
}

// Puts Key=Value into Section of the text, keeping every other line as it
// is; false when the text holds that value already.
bool SetValue(std::string& Text, const std::string& Section, const std::string& Key, const std::string& Value)
{
    std::vector<TLine> lines = ParseLines(Text);
    TLookup found = Find(lines, Section, Key);
    const std::string newline = "\r\n";
    if (found.Key >= 0) {
        const TLine& line = lines[found.Key];
        if (line.HasValue && line.Value == Value)
            return false;
        const size_t nameBegin = static_cast<size_t>(line.Name.data() - Text.data());
        Text.replace(nameBegin, line.End - nameBegin, std::string(line.Name) + "=" + Value);
    } else if (found.SectionFound) {
        // The new key goes right after the section's last key, ahead of any
        // blank lines that separate it from the next section.
        const std::string entry = Key + "=" + Value + newline;
        if (found.LastInSection < 0)
            Text.insert(0, entry);
        else {
            const TLine& last = lines[found.LastInSection];
            if (last.BreakEnd == last.End) // the file ends without a line break
                Text.insert(last.End, newline + entry);
            else
                Text.insert(FirstBreakEnd(Text, last), entry);
        }
    } else {
        if (!Text.empty() && Text.back() != '\n' && Text.back() != '\r')
            Text += newline;
        Text += "[" + Section + "]" + newline + Key + "=" + Value + newline;
    }
    return true;
}

} // namespace

std::optional<int32_t> TIniFile::ParseInteger(const std::string& Text)
{
    if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
        uint64_t value = 0;
        for (size_t i = 2; i < Text.size(); ++i) {
            if (!IsHexDigit(Text[i]))
                return std::nullopt;
            value = value * 16 + static_cast<uint64_t>(HexValue(Text[i]));
            if (value > 0xFFFFFFFFull)
                return std::nullopt;
        }
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    size_t i = 0;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-'))
        negative = Text[i++] == '-';
    if (i == Text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < Text.size(); ++i) {
        if (Text[i] < '0' || Text[i] > '9')
            return std::nullopt;
        value = value * 10 + (Text[i] - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<std::string> TIniFile::Read(const std::string& Section, const std::string& Key) const
{
    return ValuesOf(FFile.Read(), {{Section, Key}}).front();
}

std::vector<std::optional<std::string>> TIniFile::ReadMany(const std::vector<TKeyName>& Keys) const
{
    return ValuesOf(FFile.Read(), Keys);
}

std::vector<std::optional<std::string>> TIniFile::ReadManyAtStart(const std::vector<TKeyName>& Keys)
{
    const TSettingsFile::TText read = FFile.ReadAtStart();
    if (read.TakenUp)
        Note("### Unterbrochene Speicherung der Einstellungen aus dem Journal nachgeholt: " + Cp1252FromUtf8(FileName()));
    return ValuesOf(read, Keys);
}

std::vector<std::optional<std::string>> TIniFile::ValuesOf(const TSettingsFile::TText& Read,
                                                           const std::vector<TKeyName>& Keys) const
{
    std::vector<std::optional<std::string>> values(Keys.size());
    NoteRefusal(Read);
    if (Read.Result == TFileRead::Unreadable || Read.Result == TFileRead::TooLarge)
        return values;
    // A file held: what could be read, for this session only.
    const std::vector<TLine> lines = ParseLines(Read.Text);
    for (size_t i = 0; i < Keys.size(); ++i) {
        const TLookup found = Find(lines, Keys[i].Section, Keys[i].Key);
        if (found.Key >= 0 && lines[found.Key].HasValue)
            values[i] = Unquote(lines[found.Key].Value);
        NoteSeen(Keys[i].Section, Keys[i].Key, values[i]);
    }
    return values;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const
{
    std::optional<std::string> value = Read(Section, Key);
    return value ? *value : Default;
}

int32_t TIniFile::ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) const
{
    std::optional<std::string> value = Read(Section, Key);
    if (!value || value->empty())
        return Default;
    return ParseInteger(*value).value_or(Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const std::string& Section, const std::string& Key, const std::string& Value)
{
    return WriteMany({{Section, Key, Value}});
}

bool TIniFile::WriteMany(const std::vector<TKeyValue>& Values)
{
    if (FWritesRefused)
        return false;
    std::vector<TKeyValue> changes;
    for (const TKeyValue& value : Values) {
        TKeyValue change{std::string(Trim(value.Section)), std::string(Trim(value.Key)), OneLineValue(value.Value)};
        if (change.Key.empty())
            return false;
        if (!SeenAlready(change.Section, change.Key, change.Value))
            changes.push_back(std::move(change));
    }
    if (changes.empty())
        return true;
    // The change runs on the write's own thread, on its own copy.
    const bool written = FFile.Update([changes](std::string& Text) {
        bool changed = false;
        for (const TKeyValue& change : changes)
            changed = SetValue(Text, change.Section, change.Key, change.Value) || changed;
        return changed;
    });
    if (written)
        for (const TKeyValue& change : changes)
            NoteSeen(change.Section, change.Key, change.Value);
    return written;
}

namespace {

std::string SeenName(std::string_view Section, std::string_view Key)
{
    std::string name;
    for (char c : Trim(Section))
        name += FoldCase(c);
    name += '\n';
    for (char c : Trim(Key))
        name += FoldCase(c);
    return name;
}

} // namespace

void TIniFile::NoteSeen(const std::string& Section, const std::string& Key,
                        const std::optional<std::string>& Value) const
{
    std::lock_guard<std::mutex> lock(FSeenMutex);
    if (Value)
        FSeen[SeenName(Section, Key)] = *Value;
    else
        FSeen.erase(SeenName(Section, Key));
}

bool TIniFile::SeenAlready(const std::string& Section, const std::string& Key, const std::string& Value) const
{
    std::lock_guard<std::mutex> lock(FSeenMutex);
    const auto seen = FSeen.find(SeenName(Section, Key));
    return seen != FSeen.end() && seen->second == Value;
}

void TIniFile::NoteRefusal(const TSettingsFile::TText& Read) const
{
    std::string what;
    switch (Read.Result) {
    case TFileRead::Read:
    case TFileRead::Missing:
        return;
    case TFileRead::Held:
        // Another user's program may hold it for as long as it likes: the
        // session runs with what could be read, and writes nothing.
        what = "### Einstellungsdatei blockiert, diese Sitzung schreibt nichts hinein: " + Cp1252FromUtf8(Read.HeldPath);
        break;
    case TFileRead::TooLarge:
        what = "### Einstellungsdatei gr\xf6\xdf" "er als 64 KiB, die Einstellungen dieser Sitzung werden nicht "
               "gespeichert: " + Cp1252FromUtf8(FileName());
        break;
    case TFileRead::Unreadable:
        what = "### Einstellungsdatei nicht lesbar, die Einstellungen dieser Sitzung werden nicht gespeichert: " +
               Cp1252FromUtf8(FileName());
        break;
    }
    if (!FWritesRefused.exchange(true))
        Note(what);
}

void TIniFile::Note(const std::string& Line) const
{
    TNoteSink sink;
    {
        std::lock_guard<std::mutex> lock(FNoteMutex);
        sink = FNoteSink;
        if (!sink)
            FPendingNotes.push_back(Line);
    }
    if (sink)
        sink(Line);
}

void TIniFile::SetNoteSink(TNoteSink Sink)
{
    std::vector<std::string> pending;
    {
        std::lock_guard<std::mutex> lock(FNoteMutex);
        FNoteSink = Sink;
        if (Sink)
            pending.swap(FPendingNotes);
    }
    for (const std::string& line : pending)
        Sink(line);
}

bool TIniFile::WriteInteger(const std::string& Section, const std::string& Key, int32_t Value)
{
    return WriteString(Section, Key, std::to_string(Value));
}

bool TIniFile::WriteBool(const std::string& Section, const std::string& Key, bool Value)
{
    return WriteString(Section, Key, Value ? "1" : "0");
}
