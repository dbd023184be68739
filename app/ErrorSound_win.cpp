#include "app/ErrorSound_win.h"

#include "base/files/NamedFile.h"
#include "base/files/WaveFile.h"
#include "base/system/PathText.h"
#include "base/system/SystemLibrary_win.h"

void TErrorSound::Play()
{
    if (!FSettings.UseSound || FSettings.Sound.empty() || FReader.Busy())
        return;
    // The job reads on copies: it may still run when the window is gone.
    FReader.Run([this, Name = FSettings.Sound, Folder = FAppPath, User = FUser]() -> TJobThread::TResult {
        // Played from the bytes of the file that was checked, never opened
        // again by its name. A file that is not there plays nothing, as
        // before.
        TNamedFile file;
        TFileRefusal refusal = file.Open(TNamedFileUse::ReadSound, Utf8FromCp1252(Name), Folder, User);
        std::string bytes;
        if (refusal == TFileRefusal::None && !(file.IsOpen() && file.ReadAll(bytes)))
            return nullptr;
        if (refusal == TFileRefusal::None && !IsPlainPcmWave(bytes))
            refusal = TFileRefusal::NotPlainWave;
        // Applied on the window's thread, while the sound is there.
        return [this, Name, refusal, Bytes = std::move(bytes)]() mutable { Played(Name, refusal, std::move(Bytes)); };
    });
}

void TErrorSound::Played(const std::string& Name, TFileRefusal Refusal, std::string Bytes)
{
    if (Refusal == TFileRefusal::None) {
        PlaySoundBytes(std::move(Bytes));
        return;
    }
    if (FRefused != Name) {
        FRefused = Name;
        FLog.Log(lkError, std::string("### Fehler-Sound abgelehnt, ") + RefusalReason(Refusal) + ": " + Name);
    }
}
