// Removes a folder a user made, with everything in it, walking it by
// handle: each folder is taken from him (owner and rights of the
// administrators only) before it is walked, and a link or junction inside
// is removed as itself, never followed.
#pragma once

#include <string>

// seDone when nothing is left (or nothing was there), seNotRemoved when an
// entry is in use or changed while it was walked, seRights when a folder
// could not be taken.
int RemoveTree(const std::wstring& Path);
