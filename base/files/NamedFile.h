// Files that the shared settings file names: the user's log file and the
// error sound. Every user of the PC may write those names, so such a file
// is opened only as the rules below allow, and each rule is checked on the
// opened file, never on the name beforehand: nothing can be swapped in
// between the check and the use.
#pragma once

#include "base/files/OwnFile.h"
#include "base/files/UserFolders.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the file is opened for; the rules differ.
enum class TNamedFileUse {
    // The user's log file, which receives everything the device types: a
    // new one is made with rights for the user alone, an existing one is
    // taken only when it is the user's own log of this program.
    AppendLog,
    // The error sound: any ordinary file, opened only to be read.
    ReadSound,
};

// The kind of volume a file lies on, as the system names the drive.
enum class TVolumeKind {
    Unknown,
    Fixed,     // a disk of this computer
    Removable, // a stick, a card, a floppy, a CD
    Remote,    // another computer's
};

// What the opened file told about itself.
struct TOpenedFileFacts {
    bool Created = false;     // this open made it
    bool Disk = false;        // a file on a disk, not a device or a pipe
    bool Directory = false;
    TReparseFacts Reparse;    // what stood in the name's place
    uint32_t Names = 1;       // its names (hard links)
    bool OwnedByUser = false; // its owner is the user the program runs as
    bool KeepsRights = false; // its volume keeps file rights (not FAT, exFAT)
    std::string FinalName;    // its name as the system has it (not a short 8.3 name)
    TVolumeKind Volume = TVolumeKind::Unknown; // the volume of the final name
    // The names the system has for the folders the file may lie in (a
    // profile reached through a junction gives the junction's target).
    std::vector<std::string> Homes;
    std::string Head;         // its first bytes, as many as the start line's mark has
    uint64_t Size = 0;
};

enum class TFileRefusal {
    None,
    NotAFile,     // a device, a pipe, another computer, a folder
    WrongName,    // a log file's name ends in neither ".log" nor ".txt"
    Link,         // a link in place of the file
    SecondName,   // the file has another name as well
    NoRights,     // on a volume without file rights
    ForeignOwner, // it belongs to someone else
    NotALog,      // not empty and not begun by this program's start line
    TooLarge,     // a sound too large to be read into memory
    RightsNotSet, // its rights could not be made the user's alone
    OutsideProfile, // named outside the user's own profile folder
    LeadsAway,      // inside by its name, outside once opened (a link, a junction)
    NotFixedDisk,   // on a removable volume or another computer
    NotPlainWave,   // a sound that is no plain PCM wave file
};

// Every log this program writes begins with its start line.
constexpr const char* LogStartMark = ">>> Start";
constexpr uint64_t MaxSoundSize = 16u << 20;

// The first rule the opened file breaks, or None.
TFileRefusal JudgeOpenedFile(TNamedFileUse Use, const TOpenedFileFacts& Facts);
// Why, in German, as the error line says it.
const char* RefusalReason(TFileRefusal Refusal);
// A log file's name ends in ".log" or ".txt" (in any case): a name the
// system would run or open as a script never receives log lines.
bool IsLogFileName(const std::string& Name);
// The folders a file for Use may lie in: the profile, for a sound also the
// system's sounds (those the system does not name left out).
std::vector<std::string> HomesFor(TNamedFileUse Use, const TUserFolders& User);

class TNamedFile {
public:
    TNamedFile() = default;
    ~TNamedFile() { Close(); }
    TNamedFile(const TNamedFile&) = delete;
    TNamedFile& operator=(const TNamedFile&) = delete;

    // Opens Name from the settings (a relative name lies in Folder, the
    // program's folder; "%USERPROFILE%" and "%LOCALAPPDATA%" at its
    // beginning are the user's). Only a file below the user's profile
    // folder is opened (a sound also below the system's sounds); a name
    // outside is refused before anything is opened, and the opened file is
    // judged again by its final name. None with IsOpen() false: it could
    // not be opened (a missing folder, no right to it, a missing sound).
    // Anything else: refused and closed again; a log file this call made is
    // removed. A log file is opened without sharing and positioned at its
    // end.
    TFileRefusal Open(TNamedFileUse Use, const std::string& Name, const std::string& Folder,
                      const TUserFolders& User);
    bool IsOpen() const;
    // The file was empty when it was opened.
    bool WasEmpty() const { return FWasEmpty; }
    bool Write(const char* Data, size_t Size);
    // Every byte of an opened sound.
    bool ReadAll(std::string& Bytes);
    void Close();

private:
    // The system's part: opens Path without following a link in its last
    // place (a log file created with the private rights when it is
    // missing) and asks the opened file for the facts, with the final
    // names of Homes. False when nothing could be opened or described.
    bool OpenAndDescribe(TNamedFileUse Use, const std::string& Path, const std::vector<std::string>& Homes,
                         TOpenedFileFacts& Facts);
    // Rights for the user, SYSTEM and the administrators only, none
    // inherited from the folder.
    bool MakePrivate();
    // Removes the file this object has just created, and closes it.
    void Discard(const std::string& Path);
    bool SeekToEnd();

    bool FWasEmpty = false;
#ifdef _WIN32
    void* FHandle = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int FFd = -1;
#endif
};

// What runs right before the system opens a named file: nothing, unless a
// test puts a pause there, which may wait as an open of a file held under
// an oplock does (an empty function takes it away).
using TNamedFileOpenPause = std::function<void(const std::string& Path)>;
void SetNamedFileOpenPause(TNamedFileOpenPause Pause);
