#include "base/Globals.h"

#include "base/SystemServices.h"
#include "logging/Logging.h"

TGlobals* Globals = nullptr;

namespace {

TRunKeyOpener RunKeyOpener;

std::unique_ptr<TRunKey> OpenRunKey(bool Write) { return RunKeyOpener ? RunKeyOpener(Write) : OpenSystemRunKey(Write); }

std::string DirectoryOf(const std::string& Path)
{
    size_t slash = Path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

} // namespace

TGlobals::TGlobals(TMessageTarget* MainWindow_, const std::string& ExeName_)
    : AppPath(DirectoryOf(ExeName_)), ExeName(ExeName_), MainWindow(MainWindow_)
{
    IniFile = std::make_unique<TIniFile>(AppPath + SettingsFileName);
    IniFile->TakeUpJournal();
    IsNT5 = SystemIsNT5();
    InputLanguage = SystemDefaultInputLanguage() & 0xFFFF;
    AutoStart = ReadAutoStart();

    CheckPort = GetBool("Extended", "CheckPort", true);
    Tray = GetBool("Start", "Tray", false) && GetInteger("Port", "Port", 0) > 0;
    ExtendedUI = GetBool("Start", "ExtendedUI", false);
    GIDEIUI = GetBool("Start", "GIDEIUI", false);
    UseSound = GetBool("GIDEI", "UseSound", false);
    Sound = GetString("GIDEI", "Sound", "");
    // Any user may write the shared file: a value below 1 would reverse or
    // stop continuous movement, a huge one throw the pointer to the edge.
    MouseDelta = GetInteger("Debug", "MouseDelta", 100);
    ClampAndCompare(MouseDelta, MinMouseDelta, MaxMouseDelta, 0);
    LogfileInfo = GetBool("Show", "LogfileInfo", false);
}

TGlobals::~TGlobals()
{
    if (!FOwnSettingsWritten)
        WriteOwnSettings();
}

void TGlobals::WriteOwnSettings()
{
    FOwnSettingsWritten = true;
    PutBool("GIDEI", "UseSound", UseSound);
    PutString("GIDEI", "Sound", Sound);
    PutBool("Show", "LogfileInfo", LogfileInfo);
}

std::string TGlobals::GetString(const std::string& Section, const std::string& Key, const std::string& Default) const
{
    return IniFile->ReadString(Section, Key, Default);
}

int32_t TGlobals::GetInteger(const std::string& Section, const std::string& Key, int32_t Default) const
{
    return IniFile->ReadInteger(Section, Key, Default);
}

bool TGlobals::GetBool(const std::string& Section, const std::string& Key, bool Default) const
{
    return IniFile->ReadBool(Section, Key, Default);
}

namespace {

// Any failure of a write is reported as false, never thrown.
template <typename TWrite>
bool Guarded(TWrite Write)
{
    try {
        return Write();
    } catch (...) {
        return false;
    }
}

} // namespace

std::string TGlobals::NotSavedLine() const
{
    return "### Die Einstellungen konnten nicht gespeichert werden: " + IniFile->FileName();
}

bool TGlobals::Saved(bool Written)
{
    if (!Written)
        FSaveFailed = true;
    return Written;
}

bool TGlobals::PutString(const std::string& Section, const std::string& Key, const std::string& Value)
{
    return Saved(Guarded([&] { return IniFile->WriteString(Section, Key, Value); }));
}

bool TGlobals::PutInteger(const std::string& Section, const std::string& Key, int32_t Value)
{
    return Saved(Guarded([&] { return IniFile->WriteInteger(Section, Key, Value); }));
}

bool TGlobals::PutBool(const std::string& Section, const std::string& Key, bool Value)
{
    return Saved(Guarded([&] { return IniFile->WriteBool(Section, Key, Value); }));
}

void SetRunKeyOpener(TRunKeyOpener Opener) { RunKeyOpener = std::move(Opener); }

bool TGlobals::ReadAutoStart()
{
    // A user without the right to change the key still starts with Windows
    // when the value is there: the box shows it, greyed.
    bool present = false;
    if (const std::unique_ptr<TRunKey> key = OpenRunKey(false)) {
        std::string data;
        present = key->Query(AutoStartValueName, data) && !data.empty();
    }
    AutoStartChangeable = OpenRunKey(true) != nullptr;
    return present;
}

void TGlobals::SetAutoStart(bool On)
{
    if (!AutoStartChangeable || On == AutoStart)
        return;
    if (const std::unique_ptr<TRunKey> key = OpenRunKey(true)) {
        if (On) {
            if (key->SetString(AutoStartValueName, ExeName))
                AutoStart = true;
        } else if (key->Delete(AutoStartValueName)) {
            AutoStart = false;
        }
    }
    AutoStart = ReadAutoStart(); // the registry decides
}

void TGlobals::PostToMain(uint32_t Msg, uintptr_t WParam, intptr_t LParam) const
{
    if (MainWindow)
        MainWindow->Post(Msg, WParam, LParam);
}

bool ClampAndCompare(int32_t& Value, int32_t Min, int32_t Max, int32_t Current)
{
    if (Value < Min)
        Value = Min;
    if (Value > Max)
        Value = Max;
    return Value == Current;
}

std::vector<uint8_t> LoadResourceCopy(int Id) { return LoadResourceBytes(Id); }

void GetFileVersion(int& Major, int& Minor, int& Release, int& Build)
{
    if (!Globals)
        return;
    int major, minor, release, build;
    if (ReadFileVersion(Globals->ExeName, major, minor, release, build)) {
        Major = major;
        Minor = minor;
        Release = release;
        Build = build;
    }
}

void ReportError(uint8_t Kind, const std::string& Text)
{
    if (Globals)
        Globals->PostToMain(UM_GIDEIERROR, 0, 0);
    if (Loggers)
        Loggers->Log(Kind, Text);
}

void ReportMoving(bool On)
{
    if (Globals)
        Globals->PostToMain(UM_MOUSEMOVING, On ? 1 : 0, 0);
}
