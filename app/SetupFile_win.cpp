#include "app/SetupFile_win.h"

#include "app/SetupCalls_win.h"
#include "app/SetupEntries_win.h"

int ProtectFile(const std::wstring& Path, TUsersRights Users)
{
    TProtection protection(Users, false);
    const TKernelHandle file = OpenByPath(Path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
    TEntryFacts facts;
    if (!protection.Valid() || !file || !FactsOf(file.Get(), facts) ||
        (facts.Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return seRights;
    return SetupCalls().SetSecurity(file.Get(), Path, protection.Owner(), protection.List()) == 0 ? seDone : seRights;
}
