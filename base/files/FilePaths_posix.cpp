#include "base/files/FilePaths.h"

// No drive letters here: whatever a name says, it is this computer's.
TDriveKind SystemDriveKind(char) { return TDriveKind::Local; }
