// The typer's mouse side: pointer moves, buttons, anchors and continuous
// movement.
#include "gidei/KeyType.h"

#include "base/threads/Sync.h"


#include <algorithm>
#include <utility>

bool TKeyTyper::MoveMouse(int32_t X, int32_t Y, bool Absolute)
{
    TMouseRecord record;
    if (Absolute) {
        // Absolute coordinates run from 0 to 65535 over the primary screen,
        // mapped as for an anchor so that the pointer lands on the pixel
        // named, not one short of it (the sign is dropped).
        const auto magnitude = [](int32_t V) { return static_cast<int32_t>(std::min<int64_t>(
                                                   V < 0 ? -static_cast<int64_t>(V) : V, INT32_MAX)); };
        record.Dx = VirtualDeskCoordinate(magnitude(X), 0, FSink.ScreenWidth());
        record.Dy = VirtualDeskCoordinate(magnitude(Y), 0, FSink.ScreenHeight());
        record.Flags = MOUSEEVENTF_MOVE_FLAG | MOUSEEVENTF_ABSOLUTE_FLAG;
    } else {
        record.Dx = X;
        record.Dy = Y;
        record.Flags = MOUSEEVENTF_MOVE_FLAG;
    }
    return FSink.SendMouse(record) >= 1;
}

void TKeyTyper::LogButton(uint8_t Kind, const std::string& Name) { FLog.Log(Kind, Sequence + " " + Name); }

bool TKeyTyper::FindButton(const std::string& Name, int& Index, int32_t& Result)
{
    if (!FMouseTable->Find(Name, Index)) {
        Result = ReportParamError(FParams, 1);
        return false;
    }
    if (FMouseTable->DownFlags(Index) == 0) {
        LogButton(lkUnsupportedParameter, Name);
        Result = -1;
        return false;
    }
    return true;
}

int32_t TKeyTyper::PressButton(const std::string& Name)
{
    int index;
    int32_t result;
    if (!FindButton(Name, index, result))
        return result;
    if (FMouseTable->ButtonState(index) != 0) {
        LogButton(lkKeyCollision, Name);
        return crButtonError;
    }
    if (FSink.SendMouse({0, 0, FMouseTable->DownFlags(index)}) == 0)
        ReportRefused();
    Pause();
    FMouseTable->SetButtonState(index, 1);
    return 0;
}

int32_t TKeyTyper::ReleaseButton(const std::string& Name)
{
    int index;
    int32_t result;
    if (!FindButton(Name, index, result))
        return result;
    if (FMouseTable->ButtonState(index) == 0) {
        LogButton(lkKeyCollision, Name);
        return crButtonError;
    }
    if (FSink.SendMouse({0, 0, FMouseTable->UpFlags(index)}) == 0)
        ReportRefused();
    Pause();
    FMouseTable->SetButtonState(index, 0);
    return 0;
}

int32_t TKeyTyper::ClickButton(const std::string& Name)
{
    int32_t result = PressButton(Name);
    if (result == 0)
        result = ReleaseButton(Name);
    return result;
}

int32_t TKeyTyper::DoubleClickButton(const std::string& Name)
{
    int32_t result = ClickButton(Name);
    if (result == 0)
        result = ClickButton(Name);
    return result;
}

void TKeyTyper::ReleaseButtons()
{
    // The state belongs to the button, so each button that is down is
    // released once, through whichever of its names comes first.
    for (int i = 0; i < FMouseTable->Count(); ++i)
        if (FMouseTable->ButtonState(i) != 0)
            ReleaseButton(FMouseTable->Name(i));
}

void TKeyTyper::ResetMouse()
{
    ReleaseButtons();
    FMoving = false;
    FEvents.MovementChanged(false);
    if (!MoveMouse(0, 0, true))
        ReportRefused();
}

int TKeyTyper::FindDuplicateButton(const TTokenList& Tokens) const
{
    std::vector<std::string> named;
    for (size_t i = 1; i < Tokens.size(); ++i) {
        const std::string button = FMouseTable->ButtonOf(Tokens[i]);
        if (button.empty())
            continue;
        for (const std::string& earlier : named)
            if (earlier == button)
                return static_cast<int>(i);
        named.push_back(button);
    }
    return 0;
}

int32_t TKeyTyper::StoreAnchor(char Name)
{
    TPointObj position;
    if (!FSink.GetCursorPos(position)) {
        LogSystemError();
        return 0;
    }
    FPosMem->Store(Name, position);
    if (FPosMem->Invalid)
        return ReportParamError(FParams, 1);
    return 0;
}

int32_t TKeyTyper::GotoAnchor(char Name)
{
    TPointObj position;
    FPosMem->Recall(Name, position);
    if (FPosMem->Invalid)
        return ReportParamError(FParams, 1);
    if (!MoveToPoint(position))
        ReportRefused();
    return 0;
}

bool TKeyTyper::MoveToPoint(const TPointObj& Point)
{
    // Over the virtual screen, so that a point on any monitor, left of or
    // above the primary one too, is reached exactly.
    const TScreenArea screen = FSink.VirtualScreen();
    TMouseRecord record;
    record.Dx = VirtualDeskCoordinate(Point.X, screen.Left, screen.Width);
    record.Dy = VirtualDeskCoordinate(Point.Y, screen.Top, screen.Height);
    record.Flags = MOUSEEVENTF_MOVE_FLAG | MOUSEEVENTF_ABSOLUTE_FLAG | MOUSEEVENTF_VIRTUALDESK_FLAG;
    return FSink.SendMouse(record) >= 1;
}

bool TKeyTyper::ConsumePendingPosition(uint8_t Code)
{
    if (FPending == ppNone)
        return false;
    // The character completes the pending command: what fails now is the
    // command's failure.
    const int subjectChar = std::exchange(FSubjectChar, -1);
    const std::string* subjectName = std::exchange(FSubjectName, nullptr);
    const char name = static_cast<char>(Code);
    if (FPending == ppGoto && GotoAnchor(name) == 0) {
        FPending = ppNone;
        return true;
    }
    if (FPending == ppStore && StoreAnchor(name) == 0) {
        FPending = ppNone;
        return true;
    }
    FSubjectChar = subjectChar;
    FSubjectName = subjectName;
    return false;
}

void TKeyTyper::MouseTick()
{
    if (!FMoving)
        return;
    BeginUnit();
    const int32_t delta = FMouseDelta;
    // Wide arithmetic: a large MouseDelta must not overflow the remainder.
    const int64_t total = static_cast<int64_t>(FRemainder) + static_cast<int64_t>(delta) * FSpeed;
    const int64_t steps = total / 100;
    FRemainder = static_cast<int32_t>(total % 100);
    const int32_t step = static_cast<int32_t>(std::clamp<int64_t>(steps, INT32_MIN, INT32_MAX));
    if (!MoveMouse(FDirX * step, FDirY * step, false))
        ReportRefused();
}

// Mouse commands ----------------------------------------------------------------

int32_t TKeyTyper::GIDEImove(const TTokenList& Tokens)
{
    if (Tokens.size() != 3)
        return ReportParamError(&Tokens, 3);
    int32_t dx, dy;
    if (!ParseDecimal(Tokens[1], dx) || !ParseDecimal(Tokens[2], dy))
        return ReportParamError(&Tokens, 1);
    // A relative move needs no position of its own.
    if (!MoveMouse(dx, dy, false))
        ReportRefused();
    return 0;
}

int32_t TKeyTyper::GIDEIgoto(const TTokenList& Tokens)
{
    if (Tokens.size() >= 4)
        return ReportParamError(&Tokens, 3);
    if (Tokens.size() == 1) {
        FPending = ppGoto;
        return 0;
    }
    if (Tokens.size() == 2)
        return GotoAnchor(Tokens[1][0]);
    int32_t x, y;
    if (!ParseDecimal(Tokens[2], y) || !ParseDecimal(Tokens[1], x))
        return ReportParamError(&Tokens, 1);
    if (!MoveMouse(x, y, true))
        ReportRefused();
    return 0;
}

int32_t TKeyTyper::GIDEIanchor(const TTokenList& Tokens)
{
    if (Tokens.size() > 2)
        return ReportParamError(&Tokens, 2);
    if (Tokens.size() == 1) {
        FPending = ppStore;
        return 0;
    }
    if (Tokens[1].size() > 1)
        return ReportParamError(&Tokens, 1);
    return StoreAnchor(Tokens[1][0]);
}

int32_t TKeyTyper::GIDEIclick(const TTokenList& Tokens)
{
    if (Tokens.size() >= 3)
        return ReportParamError(&Tokens, 2);
    return ClickButton(Tokens.size() == 1 ? "left" : Tokens[1]);
}

int32_t TKeyTyper::GIDEIdblclick(const TTokenList& Tokens)
{
    if (Tokens.size() >= 3)
        return ReportParamError(&Tokens, 2);
    return DoubleClickButton(Tokens.size() == 1 ? "left" : Tokens[1]);
}

int32_t TKeyTyper::GIDEImoulock(const TTokenList& Tokens)
{
    if (int duplicate = FindDuplicateButton(Tokens)) {
        FLog.Log(lkDoubleKey, Sequence + " " + std::to_string(duplicate));
        return 0;
    }
    if (Tokens.size() == 1)
        return PressButton("left");
    int32_t result = 0;
    for (size_t i = 1; i < Tokens.size(); ++i) {
        result = PressButton(Tokens[i]);
        if (result > 0)
            break;
    }
    return result;
}

int32_t TKeyTyper::GIDEImourel(const TTokenList& Tokens)
{
    if (int duplicate = FindDuplicateButton(Tokens)) {
        FLog.Log(lkDoubleKey, Sequence + " " + std::to_string(duplicate));
        return 0;
    }
    if (Tokens.size() == 1) {
        ReleaseButtons();
        return 0;
    }
    int32_t result = 0;
    for (size_t i = 1; i < Tokens.size(); ++i) {
        result = ReleaseButton(Tokens[i]);
        if (result > 0)
            break;
    }
    return result;
}

int32_t TKeyTyper::GIDEImougo(const TTokenList& Tokens)
{
    const int count = static_cast<int>(Tokens.size());
    if (count <= 2)
        return ReportParamError(nullptr, count - 1);
    if (count >= 4)
        return ReportParamError(nullptr, 3);
    int direction;
    if (!FMouseDir->Find(Tokens[1], direction))
        return ReportParamError(nullptr, 1);
    int32_t speed;
    if (!ParseDecimal(Tokens[2], speed) || speed < 1 || speed > 10)
        return ReportParamError(&Tokens, 2);
    TPointObj delta;
    FMouseDir->Delta(direction, delta);
    FRemainder = 0;
    FDirX = delta.X;
    FDirY = delta.Y;
    FSpeed = speed;
    FMoving = true;
    FEvents.MovementChanged(true);
    return 0;
}

int32_t TKeyTyper::GIDEImoustop(const TTokenList& Tokens)
{
    if (Tokens.size() > 1)
        return ReportParamError(&Tokens, 1);
    if (FMoving) {
        FMoving = false;
        FEvents.MovementChanged(false);
    }
    return 0;
}

int32_t TKeyTyper::GIDEImoudec(const TTokenList& Tokens)
{
    if (Tokens.size() > 1)
        return ReportParamError(&Tokens, 1);
    if (FSpeed > 1)
        --FSpeed;
    return 0;
}

int32_t TKeyTyper::GIDEImouinc(const TTokenList& Tokens)
{
    if (Tokens.size() > 1)
        return ReportParamError(&Tokens, 1);
    if (FSpeed < 10)
        ++FSpeed;
    return 0;
}

int32_t TKeyTyper::GIDEImoureset(const TTokenList& Tokens)
{
    if (Tokens.size() > 1)
        return ReportParamError(&Tokens, 1);
    ResetMouse();
    return 0;
}
