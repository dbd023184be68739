#include "app/SetupEntries_win.h"

#include <winternl.h>

namespace {

constexpr DWORD ShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG OpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG ForBackup = 0x00004000;         // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG SynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG OpenExisting = 1;               // FILE_OPEN

using TNtCreateFile = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using TRtlNtStatusToDosError = ULONG(NTAPI*)(NTSTATUS);

// ntdll is in every process from its first moment: nothing is looked for.
template <typename TFunction>
TFunction NtFunction(const char* Name)
{
    return reinterpret_cast<TFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), Name)));
}

} // namespace

TKernelHandle OpenByPath(const std::wstring& Path, DWORD Access)
{
    HANDLE handle = CreateFileW(Path.c_str(), Access, ShareNoDelete, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return TKernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

TKernelHandle OpenInFolder(HANDLE Parent, const std::wstring& Name, DWORD Access)
{
    static const auto create = NtFunction<TNtCreateFile>("NtCreateFile");
    static const auto dosError = NtFunction<TRtlNtStatusToDosError>("RtlNtStatusToDosError");
    if (!create || !dosError || Name.size() > 32767) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return TKernelHandle();
    }
    UNICODE_STRING name{USHORT(Name.size() * 2), USHORT(Name.size() * 2), const_cast<PWSTR>(Name.c_str())};
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &name, OBJ_CASE_INSENSITIVE, Parent, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = create(&handle, Access, &object, &io, nullptr, 0, ShareNoDelete, OpenExisting,
                                   OpenReparsePoint | ForBackup | SynchronousIo, nullptr, 0);
    if (status < 0) {
        SetLastError(dosError(status));
        return TKernelHandle();
    }
    return TKernelHandle(handle);
}

bool ListEntries(HANDLE Folder, std::vector<TListedEntry>& Entries)
{
    Entries.clear();
    alignas(8) BYTE buffer[16384];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(Folder, kind, buffer, sizeof buffer)) {
        kind = FileIdBothDirectoryInfo;
        for (BYTE* at = buffer;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                Entries.push_back({name, {entry->FileAttributes, uint64_t(entry->FileId.QuadPart)}});
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool FactsOf(HANDLE Entry, TEntryFacts& Facts)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(Entry, &info))
        return false;
    Facts.Attributes = info.dwFileAttributes;
    Facts.Id = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}
