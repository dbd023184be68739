#include "ui/TrayIcon.h"

#include "resources/StringIds.h"

TTrayIcon::TTrayIcon(TTrayShell& Shell) : FShell(Shell) {}

void TTrayIcon::StopFlash()
{
    if (FFlashing) {
        FShell.StopFlashTimer();
        FFlashing = false;
    }
}

// Rebuilds the record from the state; a flash in progress ends. The shell
// is not called here.
void TTrayIcon::UpdateIcon()
{
    StopFlash();
    FRecord.Flags = nifIcon | nifTip;
    FRecord.InfoFlags = 0;
    FRecord.InfoTitle = 0;
    FRecord.InfoText = 0;
    FRecord.TipSecond = FState != 0 && !FHeard ? IDS_TIP_NOTHING_YET : 0;
    switch (FState) {
    case 1:
        FRecord.Image = TTrayImage::Inactive;
        FRecord.Tip = IDS_STATE_INACTIVE;
        break;
    case 2:
        FRecord.Image = FLayoutOK ? TTrayImage::Active : TTrayImage::Language;
        FRecord.Tip = FLayoutOK ? IDS_STATE_ACTIVE : IDS_STATE_LAYOUT;
        break;
    default:
        FRecord.Image = TTrayImage::Closed;
        FRecord.Tip = IDS_STATE_CLOSED;
        // The no-connection notice comes once per entry into this state.
        if (!FConnectionNoticeShown) {
            FConnectionNoticeShown = true;
            FRecord.Flags |= nifInfo;
            FRecord.InfoFlags = niifWarning | niifNoSound;
            FRecord.InfoTitle = IDS_NOCONNECTION_TITLE;
            FRecord.InfoText = IDS_NOCONNECTION_TEXT;
        }
        break;
    }
}

void TTrayIcon::ShowIcon(bool Show)
{
    if (Show == FIconShown)
        return;
    FIconShown = Show;
    UpdateIcon();
    FRecord.Flags |= nifMessage;
    FShell.Notify(Show ? nimAdd : nimDelete, FRecord);
}

void TTrayIcon::SetState(uint8_t State)
{
    if (State == FState && !FStateAwaited)
        return;
    FStateAwaited = false;
    FConnectionNoticeShown = false;
    FState = State;
    if (State == 0)
        FHeard = false; // the next opening starts unheard
    UpdateIcon();
    if (FIconShown)
        FShell.Notify(nimModify, FRecord);
}

void TTrayIcon::AwaitState()
{
    FStateAwaited = true;
    FState = 0;
    FHeard = false;
    FConnectionNoticeShown = true; // until the state is known
    UpdateIcon();
    if (FIconShown)
        FShell.Notify(nimModify, FRecord);
}

void TTrayIcon::FlashError()
{
    if (FFlashing)
        return; // one flash at a time
    UpdateIcon();
    FRecord.Image = TTrayImage::Error;
    if (FIconShown)
        FShell.Notify(nimModify, FRecord);
    FShell.StartFlashTimer();
    FFlashing = true;
}

void TTrayIcon::FlashTimerElapsed()
{
    UpdateIcon();
    if (FIconShown)
        FShell.Notify(nimModify, FRecord);
}

void TTrayIcon::SetLayoutOK(bool OK)
{
    if (OK == FLayoutOK)
        return;
    FLayoutOK = OK;
    UpdateIcon();
    if (!OK) {
        // Replaces a no-connection notice prepared in the same step.
        FRecord.Flags |= nifInfo;
        FRecord.InfoFlags = niifInfo | niifNoSound;
        FRecord.InfoTitle = IDS_LAYOUT_TITLE;
        FRecord.InfoText = IDS_LAYOUT_TEXT;
    }
    if (FIconShown)
        FShell.Notify(nimModify, FRecord);
}

void TTrayIcon::SetDeviceHeard()
{
    if (FHeard)
        return;
    FHeard = true;
    if (FState == 0 || FFlashing)
        return;
    FRecord.TipSecond = 0;
    TTrayRecord record = FRecord;
    record.Flags = nifTip;
    if (FIconShown)
        FShell.Notify(nimModify, record);
}

void TTrayIcon::ShowNotice(int Title, int Text)
{
    if (!FIconShown)
        return;
    TTrayRecord record = FRecord;
    record.Flags |= nifInfo;
    record.InfoFlags = niifWarning | niifNoSound;
    record.InfoTitle = Title;
    record.InfoText = Text;
    FShell.Notify(nimModify, record);
}

void TTrayIcon::TaskbarCreated()
{
    if (!FIconShown)
        return;
    // The new taskbar knows nothing of the icon: add it with the current
    // picture and tooltip; a notice it already showed is not repeated.
    TTrayRecord record = FRecord;
    record.Flags = (record.Flags & ~nifInfo) | nifMessage | nifIcon | nifTip;
    record.InfoFlags = 0;
    record.InfoTitle = 0;
    record.InfoText = 0;
    FShell.Notify(nimAdd, record);
}
