// The error sound that both programs play for a failed sequence
// (UM_GIDEIERROR), when the user switched it on.
#pragma once

// Plays Globals->Sound as a sound file, never as a system sound alias, and
// only when it opens as an ordinary file on a disk (and is not too large to
// be read): a device or a network path from the shared settings file is
// refused with one error line per name that says why.
void PlayErrorSound();
