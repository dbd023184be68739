#include "base/files/FilePaths.h"

#include <windows.h>

TDriveKind SystemDriveKind(char Letter)
{
    const char root[] = {Letter, ':', '\\', '\0'};
    switch (GetDriveTypeA(root)) {
    case DRIVE_REMOTE:
        return TDriveKind::Remote;
    case DRIVE_NO_ROOT_DIR:
    case DRIVE_UNKNOWN:
        return TDriveKind::Missing;
    default:
        return TDriveKind::Local;
    }
}
