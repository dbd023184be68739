// The error sound is played only from a plain PCM wave file: any other
// format would have the system load a codec to decode bytes another user
// chose.
#pragma once

#include <string>

// Bytes is a RIFF file of form WAVE with one "fmt " chunk of format tag 1
// (PCM) before its "data" chunk, every chunk within the bytes.
bool IsPlainPcmWave(const std::string& Bytes);
