// The typer as a whole and its keyboard side: key strokes, the key states
// (pressed, held, locked), characters, key names and the key commands.
#include "gidei/KeyType.h"

#include "base/system/Cp1252.h"
#include "base/system/SystemServices.h"
#include "base/threads/Sync.h"

TKeyTyper::TKeyTyper(TKeyTyperOwner& Parser, TInputSink& Sink, const TTypingSettings& Typing, TLog& Log,
                     TTyperEvents& Events, const TInputLanguage& Language)
    : FParser(Parser), FSink(Sink), FLog(Log), FEvents(Events), FWait(Typing.Wait), FMouseDelta(Typing.MouseDelta)
{
    ClampAndCompare(FWait, -1, 999, 0);
    ClampAndCompare(FMouseDelta, 1, 1000, 0);
    FPosMem = std::make_unique<TMousePosMem>();
    FKeyTable = std::make_unique<TKeyTable>(Language, Log);
    FMouseTable = std::make_unique<TMouseTable>(Log);
    FMouseDir = std::make_unique<TMouseDir>();
}

TKeyTyper::~TKeyTyper()
{
    // No pointer move here: the pointer stays where the user left it.
    FParams = nullptr;
    BeginUnit();
    ReleaseButtons();
    ReleaseAllKeys();
    FMouseDir.reset();
    FPosMem.reset();
    FMouseTable.reset();
    FKeyTable.reset();
}

void TKeyTyper::Pause()
{
    if (FWait >= 0)
        SleepMs(static_cast<uint32_t>(FWait));
}

void TKeyTyper::PressKey(int Vk)
{
    if (FKeyTable->KeyState(Vk) != ksUp) {
        FLog.Log(lkKeyCollision, Sequence);
        return;
    }
    SendKey(Vk, 0, 0);
    Pause();
    FKeyTable->SetKeyState(Vk, ksPressed);
}

void TKeyTyper::ReleaseKey(int Vk)
{
    if (FKeyTable->KeyState(Vk) == ksUp) {
        FLog.Log(lkKeyCollision, Sequence);
        return;
    }
    SendKey(Vk, 0, KEYEVENTF_KEYUP_FLAG);
    Pause();
    FKeyTable->SetKeyState(Vk, ksUp);
}

void TKeyTyper::ReleaseHeldKeys()
{
    if (!FKeyTable->AnyKeyActive())
        return; // nothing held: no need to look at all 256 keys
    for (int vk = 0; vk <= 255; ++vk)
        if (FKeyTable->KeyState(vk) == ksHeld)
            ReleaseKey(vk);
}

void TKeyTyper::ReleaseAllKeys()
{
    for (int vk = 0; vk <= 255; ++vk)
        if (FKeyTable->KeyState(vk) != ksUp)
            ReleaseKey(vk);
}

void TKeyTyper::StrokeKey(const TKeyList& Group)
{
    for (uint32_t code : Group.Values())
        PressKey(static_cast<int>(code));
    // Keys that were held or locked before the stroke stay down.
    for (auto code = Group.Values().rbegin(); code != Group.Values().rend(); ++code)
        if (FKeyTable->KeyState(static_cast<int>(*code)) == ksPressed)
            ReleaseKey(static_cast<int>(*code));
    ReleaseHeldKeys();
}

void TKeyTyper::TypeCharCode(uint8_t Code)
{
    if (ConsumePendingPosition(Code))
        return;
    // The byte as the character the device means in the program's code
    // page: 0x80 is the euro sign, not an invisible control code.
    const uint16_t character = Cp1252ToUnicode(Code);
    SendKey(0, character, KEYEVENTF_UNICODE_FLAG);
    Pause();
    SendKey(0, character, KEYEVENTF_UNICODE_FLAG | KEYEVENTF_KEYUP_FLAG);
    Pause();
}

void TKeyTyper::TypeChar(uint8_t Code)
{
    Sequence.clear();
    FParams = nullptr;
    BeginUnit();
    FSubjectChar = Code;
    if (!FKeyTable->AnyKeyActive()) {
        TypeCharCode(Code);
        return;
    }
    // With a key down the character goes through its key, so that the
    // active modifiers apply; only characters that name a key can.
    const std::string name(1, static_cast<char>(Code));
    int index;
    if (FKeyTable->Find(name, index))
        StrokeKey(FKeyTable->KeyData(index)->Group(0));
    else
        FLog.Log(lkParameterError, name);
}

bool TKeyTyper::TypeKeyName(const std::string& Name)
{
    Sequence.clear();
    FParams = nullptr;
    BeginUnit();
    FSubjectName = &Name;
    int index;
    const bool known = FKeyTable->Find(Name, index);
    if (!known) {
        FLog.Log(lkParameterError, Name);
    } else {
        const TKeyData& entry = *FKeyTable->KeyData(index);
        if (FKeyTable->AnyKeyActive() || !entry.HasChar())
            StrokeKey(entry.Group(0));
        else
            TypeCharCode(static_cast<uint8_t>(entry.CharCode()));
    }
    FSubjectName = nullptr; // the caller's text ends with this call
    return known;
}

int32_t TKeyTyper::CollectKeys(const TTokenList& Tokens, bool ModifiersOnly, TKeyDataList& Entries)
{
    const int count = static_cast<int>(Tokens.size());
    for (int i = 1; i < count; ++i) {
        int index;
        if (!FKeyTable->Find(Tokens[static_cast<size_t>(i)], index))
            return ReportParamError(&Tokens, i);
        TKeyData* entry = FKeyTable->KeyData(index);
        const bool last = !ModifiersOnly && i == count - 1;
        const bool modifier = (entry->Flags & kfModifier) != 0;
        // All but the last parameter of a combination are modifiers, the last
        // is not; with ModifiersOnly every parameter is one.
        if (modifier == last)
            return ReportParamError(&Tokens, i);
        Entries.Add(Tokens[static_cast<size_t>(i)], entry);
    }
    return 0;
}

int32_t TKeyTyper::ReportParamError(const TTokenList* Tokens, int Index)
{
    int32_t position = 1;
    if (Tokens)
        for (int k = 0; k < Index && k < static_cast<int>(Tokens->size()); ++k)
            position += static_cast<int32_t>((*Tokens)[static_cast<size_t>(k)].size()) + 1;
    ReportError(lkParameterError, Sequence + " " + std::to_string(Index));
    return position;
}

std::string TKeyTyper::SystemErrorText(const std::string& ErrorText) const { return FCommand + ": " + ErrorText; }

void TKeyTyper::LogSystemError() { FLog.Log(lkSystem, SystemErrorText(SysErrorText(FSink.LastError()))); }

void TKeyTyper::BeginUnit()
{
    FSubjectChar = -1;
    FSubjectName = nullptr;
    FRefusalReported = false;
}

void TKeyTyper::SendKey(int Vk, uint16_t Scan, uint32_t Flags)
{
    if (FSink.SendKeyboard({static_cast<uint16_t>(Vk), Scan, Flags}) == 0)
        ReportRefused();
}

void TKeyTyper::ReportRefused()
{
    // One line tells what happened; a line per record would bury it. The
    // error code is read at once, before anything else can replace it.
    const uint32_t code = FSink.LastError();
    if (FRefusalReported)
        return;
    FRefusalReported = true;
    const std::string subject =
        FSubjectChar >= 0 ? std::string(1, static_cast<char>(FSubjectChar)) : FSubjectName ? *FSubjectName : FCommand;
    FLog.Log(lkSystem, subject + ": " + SysErrorText(code));
}

// Key commands ----------------------------------------------------------------

int32_t TKeyTyper::HoldOrLock(const TTokenList& Tokens, uint8_t State)
{
    if (Tokens.size() < 2)
        return ReportParamError(nullptr, 0);
    TKeyDataList entries;
    if (int32_t result = CollectKeys(Tokens, true, entries))
        return result;
    for (int i = 0; i < entries.Count(); ++i)
        for (uint32_t code : entries.KeyData(i)->Group(0).Values()) {
            // A key already down logs a collision and still becomes held or
            // locked (unless it is locked already).
            PressKey(static_cast<int>(code));
            FKeyTable->SetKeyState(static_cast<int>(code), State);
        }
    return 0;
}

int32_t TKeyTyper::GIDEIhold(const TTokenList& Tokens) { return HoldOrLock(Tokens, ksHeld); }

int32_t TKeyTyper::GIDEIlock(const TTokenList& Tokens) { return HoldOrLock(Tokens, ksLocked); }

int32_t TKeyTyper::GIDEIrel(const TTokenList& Tokens)
{
    if (Tokens.size() == 1) {
        ReleaseAllKeys();
        return 0;
    }
    TKeyDataList entries;
    if (int32_t result = CollectKeys(Tokens, true, entries))
        return result;
    for (int i = 0; i < entries.Count(); ++i)
        for (uint32_t code : entries.KeyData(i)->Group(0).Values())
            ReleaseKey(static_cast<int>(code));
    ReleaseHeldKeys();
    return 0;
}

int32_t TKeyTyper::GIDEIcombine(const TTokenList& Tokens)
{
    if (Tokens.size() < 3)
        return ReportParamError(nullptr, 0);
    TKeyDataList entries;
    if (int32_t result = CollectKeys(Tokens, false, entries))
        return result;
    for (int i = 0; i < entries.Count(); ++i)
        for (uint32_t code : entries.KeyData(i)->Group(0).Values())
            PressKey(static_cast<int>(code));
    // Entries from last to first, the codes of one entry in press order.
    for (int i = entries.Count() - 1; i >= 0; --i)
        for (uint32_t code : entries.KeyData(i)->Group(0).Values())
            ReleaseKey(static_cast<int>(code));
    return 0;
}

int32_t TKeyTyper::GIDEIascii(const TTokenList& Tokens)
{
    int32_t value = 0;
    if (Tokens.size() != 2 || !ParseDecimal(Tokens[1], value) || value < 32 || value > 255) {
        FLog.Log(lkParameterError, Sequence);
        return 0;
    }
    if (FKeyTable->AnyKeyActive()) {
        FLog.Log(lkModifierCollision, Sequence);
        return 0;
    }
    TypeCharCode(static_cast<uint8_t>(value));
    return 0;
}

void TKeyTyper::ReportError(TLogKind Kind, const std::string& Text)
{
    FEvents.SequenceFailed();
    FLog.Log(Kind, Text);
}
