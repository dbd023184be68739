#include "base/files/NamedFile.h"

#include "base/system/WidePath_win.h"

#include "base/system/Handles_win.h"
#include "base/files/OwnFile_win.h"

#include <windows.h>

#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

HANDLE AsHandle(void* Handle) { return static_cast<HANDLE>(Handle); }

// The user the program runs as (a copy of the token's SID); empty when the
// token cannot be asked.
std::vector<BYTE> ProcessUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    const TKernelHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    return CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid) ? copy : std::vector<BYTE>();
}

// Owner: the user. Full access for the user, SYSTEM and the administrators
// and nobody else; protected, so nothing is inherited from the folder.
TLocalMemory PrivateRights(const std::vector<BYTE>& User)
{
    LPSTR userText = nullptr;
    if (User.empty() || !ConvertSidToStringSidA(const_cast<BYTE*>(User.data()), &userText))
        return TLocalMemory();
    const TLocalMemory ownedText(userText);
    const std::string text =
        std::string("O:") + userText + "D:P(A;;FA;;;" + userText + ")(A;;FA;;;SY)(A;;FA;;;BA)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return TLocalMemory();
    return TLocalMemory(descriptor);
}

bool OwnedBy(HANDLE File, const std::vector<BYTE>& User)
{
    DWORD size = 0;
    GetKernelObjectSecurity(File, OWNER_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return size != 0 && !User.empty() &&
           GetKernelObjectSecurity(File, OWNER_SECURITY_INFORMATION, descriptor.data(), size, &size) &&
           GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) && owner &&
           EqualSid(owner, const_cast<BYTE*>(User.data()));
}

bool KeepsRights(HANDLE File)
{
    DWORD flags = 0;
    return GetVolumeInformationByHandleW(File, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS) != 0;
}

// Normalized: every short name in it given in its long form.
std::string FinalName(HANDLE File)
{
    std::vector<wchar_t> name(MAX_PATH + 1);
    DWORD length = GetFinalPathNameByHandleW(File, name.data(), static_cast<DWORD>(name.size()), 0);
    if (length >= name.size()) {
        name.resize(length + 1);
        length = GetFinalPathNameByHandleW(File, name.data(), static_cast<DWORD>(name.size()), 0);
    }
    return length > 0 && length < name.size() ? PathFromWide(std::wstring(name.data(), length).c_str()) : std::string();
}

// A folder's final name: the target of a junction on the way to it.
std::string FinalFolderName(const std::string& Folder)
{
    HANDLE folder = CreateFileW(WidePath(Folder).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return "";
    const TKernelHandle owned(folder);
    return FinalName(folder);
}

// The drive kind of the volume a final name ("\\?\X:\..." or
// "\\?\UNC\...") lies on.
TVolumeKind VolumeOf(const std::string& Final)
{
    const std::string prefix = "\\\\?\\";
    if (Final.rfind(prefix + "UNC\\", 0) == 0)
        return TVolumeKind::Remote;
    if (Final.size() < prefix.size() + 3 || Final.compare(0, prefix.size(), prefix) != 0 ||
        Final[prefix.size() + 1] != ':')
        return TVolumeKind::Unknown;
    const std::wstring root = WidePath(Final.substr(prefix.size(), 2) + "\\");
    switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_FIXED:
    case DRIVE_RAMDISK:
        return TVolumeKind::Fixed;
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
        return TVolumeKind::Removable;
    case DRIVE_REMOTE:
        return TVolumeKind::Remote;
    default:
        return TVolumeKind::Unknown;
    }
}

std::string ReadHead(HANDLE File)
{
    char head[16] = {};
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::strlen(LogStartMark));
    return ReadFile(File, head, wanted, &read, nullptr) ? std::string(head, read) : std::string();
}

bool Describe(HANDLE File, const std::vector<BYTE>& User, TOpenedFileFacts& Facts)
{
    Facts.Disk = GetFileType(File) == FILE_TYPE_DISK;
    if (!Facts.Disk)
        return true; // a device has nothing more to say
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(File, &info))
        return false;
    Facts.Directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    Facts.Names = info.nNumberOfLinks;
    Facts.Size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    Facts.KeepsRights = KeepsRights(File);
    Facts.OwnedByUser = OwnedBy(File, User);
    Facts.FinalName = FinalName(File);
    Facts.Volume = VolumeOf(Facts.FinalName);
    Facts.Head = ReadHead(File);
    return true;
}

} // namespace

bool TNamedFile::OpenAndDescribe(TNamedFileUse Use, const std::string& Path, const std::vector<std::string>& Homes,
                                 TOpenedFileFacts& Facts)
{
    for (const std::string& home : Homes)
        Facts.Homes.push_back(FinalFolderName(home));
    // A link in the last place is opened as itself, never followed: it
    // cannot lead to another computer or a device, nor make a file
    // elsewhere, even when it dangles.
    if (Use == TNamedFileUse::ReadSound) {
        FHandle = OpenOwnFile(
            [&](DWORD Flags) {
                return CreateFileW(WidePath(Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, Flags, nullptr);
            },
            Facts.Reparse);
        return IsOpen() && Describe(AsHandle(FHandle), {}, Facts);
    }
    const std::vector<BYTE> user = ProcessUser();
    const TLocalMemory rights = PrivateRights(user);
    if (!rights)
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, rights.Get(), FALSE};
    const DWORD access = GENERIC_READ | GENERIC_WRITE | READ_CONTROL | WRITE_DAC;
    HANDLE file = CreateFileW(WidePath(Path).c_str(), access | DELETE, 0, &attributes, CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
    Facts.Created = file != INVALID_HANDLE_VALUE;
    if (!Facts.Created && GetLastError() == ERROR_FILE_EXISTS) {
        file = OpenOwnFile(
            [&](DWORD Flags) {
                return CreateFileW(WidePath(Path).c_str(), access, 0, nullptr, OPEN_EXISTING, Flags, nullptr);
            },
            Facts.Reparse);
    }
    FHandle = file;
    return IsOpen() && Describe(file, user, Facts);
}

bool TNamedFile::MakePrivate()
{
    const TLocalMemory rights = PrivateRights(ProcessUser());
    return rights && SetKernelObjectSecurity(AsHandle(FHandle),
                                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                             rights.Get());
}

void TNamedFile::Discard(const std::string&)
{
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (IsOpen())
        SetFileInformationByHandle(AsHandle(FHandle), FileDispositionInfo, &dispose, sizeof dispose);
    Close();
}

bool TNamedFile::SeekToEnd()
{
    LARGE_INTEGER none{};
    return SetFilePointerEx(AsHandle(FHandle), none, nullptr, FILE_END) != 0;
}

bool TNamedFile::IsOpen() const { return FHandle != INVALID_HANDLE_VALUE; }

bool TNamedFile::Write(const char* Data, size_t Size)
{
    DWORD written = 0;
    return IsOpen() && WriteFile(AsHandle(FHandle), Data, static_cast<DWORD>(Size), &written, nullptr) &&
           written == Size;
}

bool TNamedFile::ReadAll(std::string& Bytes)
{
    Bytes.clear();
    LARGE_INTEGER start{}, size{};
    if (!IsOpen() || !SetFilePointerEx(AsHandle(FHandle), start, nullptr, FILE_BEGIN) ||
        !GetFileSizeEx(AsHandle(FHandle), &size) || static_cast<uint64_t>(size.QuadPart) > MaxSoundSize)
        return false;
    Bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(AsHandle(FHandle), Bytes.data(), static_cast<DWORD>(Bytes.size()), &read, nullptr))
        return false;
    Bytes.resize(read);
    return true;
}

void TNamedFile::Close()
{
    if (IsOpen()) {
        CloseHandle(AsHandle(FHandle));
        FHandle = INVALID_HANDLE_VALUE;
    }
}
