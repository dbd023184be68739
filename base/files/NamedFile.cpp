#include "base/files/NamedFile.h"

#include "base/files/FilePaths.h"
#include "base/files/UserFolders.h"
#include "base/system/Text.h"

namespace {

TNamedFileOpenPause OpenPause;

bool EndsWith(const std::string& Text, const char* Tail)
{
    const std::string tail(Tail);
    return Text.size() >= tail.size() && Text.compare(Text.size() - tail.size(), tail.size(), tail) == 0;
}

TFileRefusal JudgeLog(const TOpenedFileFacts& Facts)
{
    // The name the file really has: a short name ("LOG~1.LOG") may stand
    // for one of another kind.
    if (!IsLogFileName(Facts.FinalName))
        return TFileRefusal::WrongName;
    // Rights belong to the file, not to a name: another name may lie in a
    // folder where others see it.
    if (Facts.Names != 1)
        return TFileRefusal::SecondName;
    if (!Facts.KeepsRights)
        return TFileRefusal::NoRights;
    if (!Facts.OwnedByUser)
        return TFileRefusal::ForeignOwner;
    // The user's own documents are left alone as well.
    if (Facts.Size != 0 && Facts.Head != LogStartMark)
        return TFileRefusal::NotALog;
    return TFileRefusal::None;
}

} // namespace

TFileRefusal JudgeOpenedFile(TNamedFileUse Use, const TOpenedFileFacts& Facts)
{
    if (!Facts.Disk || Facts.Directory)
        return TFileRefusal::NotAFile;
    if (Facts.Reparse.LeadsElsewhere())
        return TFileRefusal::Link;
    // What the name said is checked again on what was opened: a junction
    // or a link on the way (to a stick, another computer, another user's
    // folder) shows in the final name.
    if (Facts.Volume != TVolumeKind::Fixed)
        return TFileRefusal::NotFixedDisk;
    if (!LiesBelowAny(Facts.FinalName, Facts.Homes))
        return TFileRefusal::LeadsAway;
    if (Use == TNamedFileUse::AppendLog)
        return JudgeLog(Facts);
    return Facts.Size > MaxSoundSize ? TFileRefusal::TooLarge : TFileRefusal::None;
}

const char* RefusalReason(TFileRefusal Refusal)
{
    switch (Refusal) {
    case TFileRefusal::None:
        return "";
    case TFileRefusal::NotAFile:
        return "keine gew\xf6hnliche Datei";
    case TFileRefusal::WrongName:
        return "Name endet nicht auf .log oder .txt";
    case TFileRefusal::Link:
        return "Verkn\xfcpfung statt Datei";
    case TFileRefusal::SecondName:
        return "Datei hat einen weiteren Namen";
    case TFileRefusal::NoRights:
        return "Laufwerk ohne Zugriffsrechte (FAT, exFAT)";
    case TFileRefusal::ForeignOwner:
        return "Datei geh\xf6rt einem anderen Benutzer";
    case TFileRefusal::NotALog:
        return "keine Log-Datei von Vemu Keys";
    case TFileRefusal::TooLarge:
        return "gr\xf6\xdf"
               "er als 16 MB";
    case TFileRefusal::RightsNotSet:
        return "Zugriffsrechte nicht setzbar";
    case TFileRefusal::OutsideProfile:
        return "au\xdf"
               "erhalb des eigenen Benutzerordners";
    case TFileRefusal::LeadsAway:
        return "Verkn\xfcpfung f\xfchrt aus dem eigenen Benutzerordner";
    case TFileRefusal::NotFixedDisk:
        return "Wechsellaufwerk oder Netzlaufwerk";
    case TFileRefusal::NotPlainWave:
        return "keine einfache WAV-Datei (PCM)";
    }
    return "";
}

bool IsLogFileName(const std::string& Name)
{
    const std::string upper = AsciiUpper(Name);
    return EndsWith(upper, ".LOG") || EndsWith(upper, ".TXT");
}

std::vector<std::string> HomesFor(TNamedFileUse Use, const TUserFolders& User)
{
    std::vector<std::string> homes;
    for (const std::string* folder : {&User.Profile, &User.Media})
        if (!folder->empty() && (folder == &User.Profile || Use == TNamedFileUse::ReadSound))
            homes.push_back(*folder);
    return homes;
}

TFileRefusal TNamedFile::Open(TNamedFileUse Use, const std::string& Name, const std::string& Folder,
                              const TUserFolders& User)
{
    Close();
    FWasEmpty = false;
    // The name first: a device, another computer or a place outside the
    // user's own folder is never opened, and a log file of another kind is
    // never even made.
    // The user's folder in front comes from the system: the rest of the
    // name is what is checked.
    if (!IsPlainFilePath(Name))
        return TFileRefusal::NotAFile;
    const bool log = Use == TNamedFileUse::AppendLog;
    if (log && !IsLogFileName(Name))
        return TFileRefusal::WrongName;
    const std::string path = BesideProgram(Folder, ExpandUserFolder(Name, User));
    const std::vector<std::string> homes = HomesFor(Use, User);
    if (!LiesBelowAny(path, homes))
        return TFileRefusal::OutsideProfile;
    TOpenedFileFacts facts;
    if (const TNamedFileOpenPause pause = OpenPause)
        pause(path);
    bool described = OpenAndDescribe(Use, path, homes, facts);
    TFileRefusal refusal = described ? JudgeOpenedFile(Use, facts) : TFileRefusal::None;
    if (described && refusal == TFileRefusal::None && log) {
        if (!facts.Created && !MakePrivate())
            refusal = TFileRefusal::RightsNotSet;
        else
            described = SeekToEnd();
    }
    if (!described || refusal != TFileRefusal::None) {
        if (facts.Created)
            Discard(path);
        Close();
        return refusal;
    }
    FWasEmpty = facts.Size == 0;
    return TFileRefusal::None;
}

void SetNamedFileOpenPause(TNamedFileOpenPause Pause) { OpenPause = std::move(Pause); }
