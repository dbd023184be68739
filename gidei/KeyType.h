// The key typer: executes received characters, key names and the 19 GIDEI
// commands by injecting keyboard and mouse input, and keeps track of every
// key and button it has put down.
#pragma once

#include "base/system/Numbers.h"
#include "base/settings/SettingsRecords.h"
#include "gidei/InputSink.h"
#include "gidei/KeyTable.h"
#include "gidei/MouseTables.h"
#include "gidei/TyperEvents.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TTokenList = std::vector<std::string>;

// What the typer asks of the parser that owns it.
class TKeyTyperOwner {
public:
    virtual ~TKeyTyperOwner() = default;
    // The owner is being stopped; long waits end early.
    virtual bool IsTerminated() const = 0;
    // The input the device sends is gone (the port closed or lost, input
    // switched off): a wait ends early too, so that a mistaken one never
    // outlasts the input it was part of.
    virtual bool InputCut() const { return false; }
};

// What the next character names, after ",anchor." or ",goto." without a
// name: the anchor to store, or the one to go to.
enum TPendingPosition : int32_t { ppNone = 0, ppStore = 1, ppGoto = 2 };

// What a command's execution gives: done, a logged button error, or (any
// other value above 0) the position in the sequence of the ',' before the
// faulty parameter.
enum TCommandResult : int32_t { crDone = 0, crButtonError = -1 };

class TKeyTyper {
public:
    // Wait and MouseDelta come from Typing; the key table is checked
    // against Language; the typer logs in Log and tells Events.
    TKeyTyper(TKeyTyperOwner& Parser, TInputSink& Sink, const TTypingSettings& Typing, TLog& Log,
              TTyperEvents& Events, const TInputLanguage& Language);
    // Releases every key and button the typer still holds down, so that
    // leaving the program never leaves a modifier or a button stuck.
    ~TKeyTyper();
    TKeyTyper(const TKeyTyper&) = delete;
    TKeyTyper& operator=(const TKeyTyper&) = delete;

    // A byte received outside an escape sequence.
    void TypeChar(uint8_t Code);
    // A one-word sequence; false when the name is no known key.
    bool TypeKeyName(const std::string& Name);
    // Runs a command (token 0 is the command word): 0 done, -1 a logged
    // button error, P > 0 the position in Sequence of the ',' before the
    // faulty parameter.
    int32_t ExecuteCommand(const TTokenList& Tokens);
    // ESC '.': buttons up, movement off, pointer to the corner, keys up.
    void ResetAll();
    // The device can no longer release what the typer holds (its port is
    // gone, or input was switched off): buttons and keys go up, continuous
    // movement stops and a pending anchor or goto is forgotten, as ESC '.'
    // does, but the pointer stays where it is. True when anything was down
    // or moving.
    bool ReleaseEverything();
    // One step of continuous mouse movement.
    void MouseTick();
    // The key table fits the current input language.
    bool LayoutSupported() const;

    // The sequence being executed (without ESC, from ',' to '.').
    std::string Sequence;

    // Read access for checks of the typer's state (the tests').
    const TKeyTable& KeyTable() const { return *FKeyTable; }
    const TMouseTable& MouseTable() const { return *FMouseTable; }
    bool Moving() const { return FMoving; }
    int32_t Speed() const { return FSpeed; }
    TPendingPosition Pending() const { return FPending; }
    int32_t Wait() const { return FWait; }

private:
    using THandler = int32_t (TKeyTyper::*)(const TTokenList&);
    struct TCommand {
        const char* Name;
        THandler Handler;
    };
    static const TCommand Commands[19];

    // The core of ResetAll and ReleaseEverything: a pending anchor or goto
    // forgotten, buttons up, movement off, keys up; with PointerToCorner
    // the pointer goes to the corner as ESC '.' says. True when anything
    // was down or moving.
    bool LetGo(bool PointerToCorner);

    // Keyboard
    void Pause();
    void PressKey(int Vk);
    void ReleaseKey(int Vk);
    void ReleaseHeldKeys();
    void ReleaseAllKeys();
    void StrokeKey(const TKeyList& Group);
    void TypeCharCode(uint8_t Code);
    int32_t CollectKeys(const TTokenList& Tokens, bool ModifiersOnly, TKeyDataList& Entries);
    int32_t ReportParamError(const TTokenList* Tokens, int Index);
    std::string SystemErrorText(const std::string& ErrorText) const;
    void LogSystemError();
    // Input the system refused (SendInput inserted nothing, for example
    // while a window of higher integrity has the focus) is logged once per
    // unit, under the name of what the unit executes: the command word, or
    // the character or key name typed outside a command.
    void BeginUnit();
    void SendKey(int Vk, uint16_t Scan, uint32_t Flags);
    void ReportRefused();

    // Mouse
    bool MoveMouse(int32_t X, int32_t Y, bool Absolute);
    // To a point where the pointer was (an anchor), on whichever monitor.
    bool MoveToPoint(const TPointObj& Point);
    // A known button with event flags; otherwise the error is reported and
    // Result holds what the command returns.
    bool FindButton(const std::string& Name, int& Index, int32_t& Result);
    int32_t PressButton(const std::string& Name);
    int32_t ReleaseButton(const std::string& Name);
    int32_t ClickButton(const std::string& Name);
    int32_t DoubleClickButton(const std::string& Name);
    void ReleaseButtons();
    void ResetMouse();
    int FindDuplicateButton(const TTokenList& Tokens) const;
    int32_t GotoAnchor(char Name);
    int32_t StoreAnchor(char Name);
    bool ConsumePendingPosition(uint8_t Code);
    void LogButton(uint8_t Kind, const std::string& Name);

    // Commands
    int32_t GIDEIbaudrate(const TTokenList& Tokens);
    int32_t GIDEIwait(const TTokenList& Tokens);
    int32_t GIDEImoureset(const TTokenList& Tokens);
    int32_t GIDEIanchor(const TTokenList& Tokens);
    int32_t GIDEIgoto(const TTokenList& Tokens);
    int32_t GIDEImove(const TTokenList& Tokens);
    int32_t GIDEIclick(const TTokenList& Tokens);
    int32_t GIDEIdblclick(const TTokenList& Tokens);
    int32_t GIDEImoulock(const TTokenList& Tokens);
    int32_t GIDEImourel(const TTokenList& Tokens);
    int32_t GIDEImougo(const TTokenList& Tokens);
    int32_t GIDEImoustop(const TTokenList& Tokens);
    int32_t GIDEImoudec(const TTokenList& Tokens);
    int32_t GIDEImouinc(const TTokenList& Tokens);
    int32_t GIDEIascii(const TTokenList& Tokens);
    int32_t GIDEIlock(const TTokenList& Tokens);
    int32_t GIDEIrel(const TTokenList& Tokens);
    int32_t GIDEIhold(const TTokenList& Tokens);
    int32_t GIDEIcombine(const TTokenList& Tokens);
    int32_t HoldOrLock(const TTokenList& Tokens, uint8_t State);

    // Tells the host that the unit failed, then logs it.
    void ReportError(TLogKind Kind, const std::string& Text);

    TKeyTyperOwner& FParser;
    TInputSink& FSink;
    TLog& FLog;
    TTyperEvents& FEvents;
    int32_t FWait = 0;
    int32_t FMouseDelta = 100;
    TPendingPosition FPending = ppNone;
    std::unique_ptr<TMousePosMem> FPosMem;
    std::unique_ptr<TKeyTable> FKeyTable;
    std::unique_ptr<TMouseTable> FMouseTable;
    std::unique_ptr<TMouseDir> FMouseDir;
    std::string FCommand;
    const TTokenList* FParams = nullptr;
    std::atomic<bool> FMoving{false}; // read by other threads for checks
    int32_t FRemainder = 0;
    int32_t FSpeed = 0;
    int32_t FDirX = 0;
    int32_t FDirY = 0;
    // What a refused record is reported under: the command word, unless a
    // character (FSubjectChar, 0..255) or a key name (FSubjectName, the
    // caller's, only while TypeKeyName runs) is being typed. Kept as they
    // come, so that a unit costs no text of its own until something fails.
    int FSubjectChar = -1;
    const std::string* FSubjectName = nullptr;
    bool FRefusalReported = false;
};

