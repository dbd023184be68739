#include "app/ErrorSound_win.h"

#include "base/files/NamedFile.h"
#include "base/files/WaveFile.h"
#include "base/system/PathText.h"
#include "base/system/SystemLibrary_win.h"

void TErrorSound::Play()
{
    if (!FSettings.UseSound || FSettings.Sound.empty())
        return;
    const std::string& name = FSettings.Sound;
    // Played from the bytes of the file that was checked, never opened
    // again by its name. A file that is not there plays nothing, as before.
    TNamedFile file;
    TFileRefusal refusal = file.Open(TNamedFileUse::ReadSound, Utf8FromCp1252(name), FAppPath, FUser);
    std::string bytes;
    if (refusal == TFileRefusal::None && !(file.IsOpen() && file.ReadAll(bytes)))
        return;
    if (refusal == TFileRefusal::None && !IsPlainPcmWave(bytes))
        refusal = TFileRefusal::NotPlainWave;
    if (refusal != TFileRefusal::None) {
        if (FRefused != name) {
            FRefused = name;
            FLog.Log(lkError, std::string("### Fehler-Sound abgelehnt, ") + RefusalReason(refusal) + ": " + name);
        }
        return;
    }
    PlaySoundBytes(std::move(bytes));
}
