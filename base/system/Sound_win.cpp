// Apart from the library helpers, so that a program that plays nothing
// (the sign-in helper) holds no sound code at all.
#include "base/system/SystemLibrary_win.h"

#include <mmsystem.h>

#include <string>

void PlaySoundBytes(std::string Bytes)
{
    using TPlaySound = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
    static const auto play = SystemFunction<TPlaySound>("winmm.dll", "PlaySoundA");
    // The bytes must outlive the sound: kept until the next one, and never
    // freed at the end, while the system may still be playing them.
    static std::string* const playing = new std::string;
    if (!play)
        return;
    play(nullptr, nullptr, 0); // stops the one before, which reads the old bytes
    *playing = std::move(Bytes);
    play(playing->data(), nullptr, SND_ASYNC | SND_MEMORY | SND_NODEFAULT);
}
