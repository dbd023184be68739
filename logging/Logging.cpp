#include "logging/Logging.h"

#include "base/files/SharedFile.h"
#include "base/system/Numbers.h"
#include "base/system/PathText.h"
#include "base/system/Text.h"
#include "base/system/SystemServices.h"

#include <cstdio>

namespace {

struct TKindInfo {
    const char* Name;
    const char* Format; // %s for the text; the stamp precedes it where it has one
    bool Stamped;
};

// Kinds 15 to 29 have no format: their lines are empty.
const TKindInfo KindInfo[31] = {
    {"", "%s", false},
    {"General events", "  %.9u GENERAL %s", true},
    {"Received bytes", "  %.9u Received:%s", true},
    {"Sequence received", "  %.9u Sequence >%s<", true},
    {"Incomplete sequence", "? %.9u Incomplete >%s<", true},
    {"GIDEI problem", "? %.9u GIDEI problem >%s<", true},
    {"Protocol error", "? %.9u Protocol >%s<", true},
    {"Unsupported command", "? %.9u Unsupported command %s", true},
    {"Unsupported parameter", "? %.9u Unsupported parameter %s", true},
    {"Parameter error", "? %.9u Parameter error >%s<", true},
    {"Key collision", "? %.9u Key collision %s", true},
    {"Double key", "? %.9u Double key %s", true},
    {"System error", "? %.9u SYSTEM %s", true},
    {"Debug information", "  %.9u DEBUG %s", true},
    {"Modifier collision", "  %.9u Modifier collision %s", true},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    {"", "! ERROR %s", false},
};

std::string EscapeText(const std::string& Text)
{
    std::string escaped;
    escaped.reserve(Text.size());
    for (char c : Text) {
        if (c == Esc)
            escaped += "<esc>";
        else
            escaped += c;
    }
    return escaped;
}

// The formats hold one %s after the stamp; the text goes in as it is, zero
// bytes included.
std::string ApplyFormat(const TKindInfo& Info, uint32_t Stamp, const std::string& Text)
{
    if (!Info.Format)
        return std::string();
    std::string format(Info.Format);
    const size_t textAt = format.find("%s");
    std::string head = format.substr(0, textAt);
    if (Info.Stamped) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, head.c_str(), Stamp);
        head = buffer;
    }
    return head + Text + format.substr(textAt + 2);
}

} // namespace

const char* LogKindName(TLogKind Kind)
{
    return Kind <= lkError && KindInfo[Kind].Name ? KindInfo[Kind].Name : "";
}

std::string FormatLogLine(TLogKind Kind, uint32_t Stamp, const std::string& Text)
{
    if (Kind > lkError)
        return std::string();
    return ApplyFormat(KindInfo[Kind], Stamp, EscapeText(Text));
}

void TBaseLog::LockedWrite(TLogKind Kind, const std::string& Line)
{
    TObjectLock lock(*this);
    Write(Kind, Line);
}

// View sink ------------------------------------------------------------------

TViewLog::TViewLog() : FThreadId(std::this_thread::get_id()) {}

void TViewLog::Write(TLogKind, const std::string& Line)
{
    while (FLines.size() > static_cast<size_t>(FMaxLines))
        FLines.pop_front();
    FLines.push_back(Line);
    if (FActive && FWindow && FWindow->Exists()) {
        if (OnOwnerThread())
            FWindow->SendWake();
        else
            FWindow->PostWake();
    }
}

bool TViewLog::FetchLine(std::string& Line)
{
    TObjectLock lock(*this);
    if (FLines.empty())
        return false;
    Line = std::move(FLines.front());
    FLines.pop_front();
    return true;
}

void TViewLog::SetMaxLines(int32_t N)
{
    if (!OnOwnerThread())
        return;
    TObjectLock lock(*this);
    ClampAndCompare(N, 10, 999, FMaxLines);
    if (N != FMaxLines && FWindow && FWindow->Exists())
        FWindow->TrimLines(N);
    FMaxLines = N;
}

void TViewLog::SetActive(bool On)
{
    if (!OnOwnerThread() || On == FActive)
        return;
    TObjectLock lock(*this);
    FActive = On;
    if (FWindow) {
        if (On) {
            FWindow->Open();
            FWindow->PostWake();
        } else if (FWindow->Exists()) {
            FWindow->Close();
        }
    }
    if (FHost)
        FHost->LogViewSwitched(On);
}

// File sink ------------------------------------------------------------------

std::string BlockedLinesLine(uint64_t Dropped, const std::string& File)
{
    return "### " + std::to_string(Dropped) + " Log-Zeilen nicht geschrieben: " + File + " war blockiert";
}

// The file as the sink's thread has it; only that thread touches the file.
struct TFileLog::TState {
    TNamedFile File;
    std::atomic<bool> Open{false};
};

TFileLog::TFileLog(TLog& Log, std::string AppPath, TUserFolders User)
    : FLog(Log), FAppPath(std::move(AppPath)), FUser(std::move(User)), FState(std::make_shared<TState>()),
      FThread({[this](const TSinkReport& Report) { Tell(Report); },
               [this](uint64_t Dropped) { FLog.Log(lkError, BlockedLinesLine(Dropped, FileName())); }})
{
}

TFileLog::~TFileLog()
{
    CloseLogFile();
    FThread.End(std::chrono::steady_clock::now() + std::chrono::milliseconds(SinkEndWaitMs));
}

void TFileLog::SetFileName(const std::string& Name)
{
    TObjectLock lock(*this);
    CloseLogFile();
    FFileName = Name;
    if (Name.empty() || !FActive)
        return;
    // Any user may write the name into the shared settings file: the file
    // is taken only when it is safe for the user (the opener's rules), and
    // a refusal says why before the usual notice.
    FThread.PostControl([State = FState, Name, Folder = FAppPath, User = FUser, Start = FStartLine] {
        TSinkReport report;
        const TFileRefusal refusal = State->File.Open(TNamedFileUse::AppendLog, Utf8FromCp1252(Name), Folder, User);
        if (refusal != TFileRefusal::None)
            report.ErrorLine = std::string("### Log-Datei abgelehnt, ") + RefusalReason(refusal) + ": " + Name;
        State->Open = State->File.IsOpen();
        report.Refused = !State->Open;
        // A log begins with the start line, also one switched on later in
        // the session: the stamps count from it, and only a file begun so
        // is taken again next time.
        if (State->Open && State->File.WasEmpty() && !Start.empty() && State->File.Write(Start.data(), Start.size()))
            State->File.Write("\r\n", 2);
        return report;
    });
}

void TFileLog::Tell(const TSinkReport& Report)
{
    if (!Report.ErrorLine.empty())
        FLog.Log(lkError, Report.ErrorLine);
    if (!Report.Refused)
        return;
    std::lock_guard<std::mutex> lock(FHostLock);
    if (FHost)
        FHost->LogFileRefused();
    else
        FRefusalUntold = true;
}

void TFileLog::SetHost(TLogHost* Host)
{
    std::lock_guard<std::mutex> lock(FHostLock);
    FHost = Host;
    if (FHost && FRefusalUntold) {
        FRefusalUntold = false;
        FHost->LogFileRefused();
    }
}

void TFileLog::SetActive(bool On)
{
    TObjectLock lock(*this);
    FActive = On;
    if (On)
        SetFileName(FFileName);
    else
        CloseLogFile();
}

void TFileLog::CloseLogFile()
{
    FThread.PostControl([State = FState] {
        State->File.Close();
        State->Open = false;
        return TSinkReport();
    });
}

std::string TFileLog::FileName()
{
    TObjectLock lock(*this);
    return FFileName;
}

bool TFileLog::IsOpen() const { return FState->Open; }

void TFileLog::SetStartLine(const std::string& Line)
{
    TObjectLock lock(*this);
    FStartLine = Line;
}

void TFileLog::Write(TLogKind, const std::string& Line)
{
    if (!FActive)
        return;
    FThread.PostLine([State = FState, Line] {
        if (State->Open && State->File.Write(Line.data(), Line.size()))
            State->File.Write("\r\n", 2);
        return TSinkReport();
    });
}

// Error sink -----------------------------------------------------------------

namespace {

// Every user may write both files, nobody may create or rename files in the
// program's folder: the lines go over into the older file, in place.
bool BeginAfresh(TSharedFile& File, const std::string& OldFileName)
{
    // Any user may have filled the file far beyond the limit: only its
    // newest lines are kept.
    const uint64_t size = File.Size();
    const uint64_t from = size > 2 * TErrorLog::MaxFileSize ? size - 2 * TErrorLog::MaxFileSize : 0;
    std::string lines;
    TSharedFile old;
    const bool kept = File.ReadFrom(from, lines) && old.Open(OldFileName, TFileAccess::Write) == TFileOpen::Opened &&
                      old.Replace(lines);
    if (!File.Replace(""))
        return false;
    // Any user can make the older file unwritable (read-only, or a folder
    // of that name in a folder of the user's own): the lines then begin
    // afresh here all the same, so that the file stays bounded, and the
    // first says why.
    if (!kept)
        File.Append(FormatLogLine(lkError, 0, "### Errors.old.log nicht ersetzbar, Errors.log neu begonnen") + "\r\n");
    return true;
}

} // namespace

TErrorLog::TErrorLog(TLog& Log, const std::string& AppPath)
    : FFileName(AppPath + "Errors.log"), FOldFileName(AppPath + "Errors.old.log"),
      FThread({[](const TSinkReport&) {},
               [&Log, this](uint64_t Dropped) { Log.Log(lkError, BlockedLinesLine(Dropped, FFileName)); }})
{
}

void TErrorLog::Write(TLogKind Kind, const std::string& Line)
{
    if (Kind != lkError)
        return;
    // Opened and closed for each line: every one is on the disk at once.
    FThread.PostLine([Name = FFileName, OldName = FOldFileName, Line] {
        TSharedFile file;
        if (file.Open(Name, TFileAccess::Write) == TFileOpen::Opened &&
            (file.Size() < MaxFileSize || BeginAfresh(file, OldName)))
            file.Append(Line + "\r\n");
        return TSinkReport();
    });
}

// Dispatcher -----------------------------------------------------------------

TLoggers::TLoggers(const TLogSettings& Settings, const std::string& AppPath, const TUserFolders& User)
    : FFile(*this, AppPath, User), FErrors(*this, AppPath)
{
    SetLogEvents(Settings.LogEvents);
    FView.SetMaxLines(Settings.ViewMax);
    FFile.SetFileName(Settings.FileName);
    FFile.SetActive(Settings.FileLog);
}

// The file sinks end first, while the sinks they tell of lost lines are
// still there; a stuck file costs the end no more than a second in all.
TLoggers::~TLoggers()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SinkEndWaitMs);
    FFile.End(deadline);
    FErrors.End(deadline);
}

bool TLoggers::WaitWritten(uint32_t Ms)
{
    // A refusal of the log file is an error line, and lines lost in
    // Errors.log come back to the log file: twice round is enough.
    return FFile.WaitWritten(Ms) && FErrors.WaitWritten(Ms) && FFile.WaitWritten(Ms) && FErrors.WaitWritten(Ms);
}

void TLoggers::SetHost(TLogHost* Host)
{
    FView.SetHost(Host);
    FFile.SetHost(Host);
}

TLogSettings TLoggers::Settings()
{
    TLogSettings settings;
    settings.ViewLog = FView.Active();
    settings.ViewMax = FView.MaxLines();
    settings.FileLog = FFile.Active();
    settings.FileName = FFile.FileName();
    settings.LogEvents = FLogEvents;
    return settings;
}

void TLoggers::Log(TLogKind Kind, const std::string& Text)
{
    // The mask first: a masked event costs no clock read.
    if (!Enabled(Kind))
        return;
    const uint32_t stamp = (TickCount() - FStartTick.load()) / 10;
    const std::string line = FormatLogLine(Kind, stamp, Text);
    FView.LockedWrite(Kind, line);
    FFile.LockedWrite(Kind, line);
    FErrors.LockedWrite(Kind, line);
}

void TLoggers::LogStart()
{
    const std::string line = std::string(LogStartMark) + " " + LocalDateTimeText();
    FFile.SetStartLine(line);
    Log(lkPlain, line);
    FStartTick = TickCount();
}

void TLoggers::LogEnd() { Log(lkPlain, "<<< End " + LocalDateTimeText()); }
