#include "base/settings/Globals.h"

#include "base/system/PathText.h"
#include "base/system/SystemServices.h"

namespace {

TRunKeyOpener RunKeyOpener;

std::unique_ptr<TRunKey> OpenRunKey(bool Write) { return RunKeyOpener ? RunKeyOpener(Write) : OpenSystemRunKey(Write); }

std::string DirectoryOf(const std::string& Path)
{
    size_t slash = Path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

TSettingsRecords ReadRecordsAtStart(TIniFile& File)
{
    std::vector<TIniFile::TKeyName> names;
    for (const TSettingDef& def : SettingsTable())
        names.push_back({def.Section, def.Key});
    return RecordsFromValues(File.ReadManyAtStart(names));
}

} // namespace

TGlobals::TGlobals(const std::string& ExeName_)
    : AppPath(DirectoryOf(ExeName_)), ExeName(ExeName_), UserFolders(SystemUserFolders()),
      FIniFile(std::make_unique<TIniFile>(AppPath + SettingsFileName))
{
    Settings = ReadRecordsAtStart(*FIniFile);
    IsNT5 = SystemIsNT5();
    AutoStart = ReadAutoStart();
}

bool TGlobals::SaveChanged(const std::vector<TSettingGroup>& Groups)
{
    std::vector<TIniFile::TKeyValue> values;
    for (TSettingValue& value : ValuesToWrite(Settings, Groups))
        values.push_back({std::move(value.Section), std::move(value.Key), std::move(value.Text)});
    bool written = false;
    try {
        written = FIniFile->WriteMany(values);
    } catch (...) {
        // Any failure of a write is reported as false, never thrown.
    }
    if (!written)
        FSaveFailed = true;
    return written;
}

std::vector<TSettingGroup> TrayProgramGroups(bool LogViewPlaced)
{
    using G = TSettingGroup;
    std::vector<G> groups{G::Tray, G::Port, G::Typing, G::Window, G::Log, G::Own};
    if (LogViewPlaced)
        groups.push_back(G::LogView);
    return groups;
}

std::vector<TSettingGroup> ConsoleProgramGroups()
{
    using G = TSettingGroup;
    return {G::Typing, G::Port, G::Log, G::Own};
}

std::string TGlobals::NotSavedLine() const
{
    return "### Die Einstellungen konnten nicht gespeichert werden: " + Cp1252FromUtf8(FIniFile->FileName());
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
    AutoStartChangeable = !AutoStartFolderShared && OpenRunKey(true) != nullptr;
    return present;
}

void TGlobals::SetAutoStart(bool On)
{
    if (!AutoStartChangeable || On == AutoStart)
        return;
    if (const std::unique_ptr<TRunKey> key = OpenRunKey(true)) {
        if (On) {
            if (key->SetString(AutoStartValueName, AutoStartValue(ExeName)))
                AutoStart = true;
        } else if (key->Delete(AutoStartValueName)) {
            AutoStart = false;
        }
    }
    AutoStart = ReadAutoStart(); // the registry decides
}

void TGlobals::SetProgramFolderShared(bool Shared)
{
    AutoStartFolderShared = Shared;
    AutoStart = ReadAutoStart();
}

std::string AutoStartValue(const std::string& ExeName) { return "\"" + ExeName + "\""; }
