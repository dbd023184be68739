// The notification-area icon's behaviour: which icon, tooltip and balloon
// the connection state, the input-language check and error flashes call
// for, and when the shell is told. The record is kept current while the
// icon is hidden, so showing it adds the current state. The shell and the
// 2.5 s flash timer are seams: Shell_NotifyIconA and a window timer on
// Windows, recorders in tests.
#pragma once

#include <cstdint>

// NIM_ADD, NIM_MODIFY, NIM_DELETE and the record's flags, as the shell
// takes them.
constexpr uint32_t nimAdd = 0;
constexpr uint32_t nimModify = 1;
constexpr uint32_t nimDelete = 2;
constexpr uint32_t nifMessage = 0x01;
constexpr uint32_t nifIcon = 0x02;
constexpr uint32_t nifTip = 0x04;
constexpr uint32_t nifInfo = 0x10;
constexpr uint32_t niifInfo = 0x01;
constexpr uint32_t niifWarning = 0x02;
constexpr uint32_t niifNoSound = 0x10;

constexpr uint32_t TrayIconId = 1701;
constexpr uint32_t TrayFlashMs = 2500;

enum class TTrayImage { Closed, Inactive, Active, Language, Error };

// What changes in the shell's icon record; texts are string-table ids
// (0 for none).
struct TTrayRecord {
    uint32_t Flags = 0;
    TTrayImage Image = TTrayImage::Closed;
    int Tip = 0;
    int TipSecond = 0; // a second line of the tooltip, or 0
    int InfoTitle = 0;
    int InfoText = 0;
    uint32_t InfoFlags = 0;
    bool operator==(const TTrayRecord&) const = default;
};

class TTrayShell {
public:
    virtual ~TTrayShell() = default;
    // One Shell_NotifyIconA call with the record.
    virtual void Notify(uint32_t Message, const TTrayRecord& Record) = 0;
    // The one-shot flash timer.
    virtual void StartFlashTimer() = 0;
    virtual void StopFlashTimer() = 0;
};

class TTrayIcon {
public:
    explicit TTrayIcon(TTrayShell& Shell);

    void ShowIcon(bool Show);
    void SetState(uint8_t State);
    // The state is not known yet (the port is still being opened at the
    // start): the icon shows no connection, without its notice; the next
    // SetState counts as a change, 0 included, and brings the notice then.
    void AwaitState();
    void FlashError();
    // The flash timer has run out.
    void FlashTimerElapsed();
    void SetLayoutOK(bool OK);
    // The device has sent something since the port opened; until then an
    // open port's tooltip says so in a second line. Entering state 0
    // forgets it.
    void SetDeviceHeard();
    // A warning balloon with the texts (string-table ids), shown at once
    // when the icon is; dropped while it is hidden.
    void ShowNotice(int Title, int Text);
    // The taskbar was created again (Explorer restarted): a shown icon is
    // added again, so that a user who reaches the program only through it
    // never loses it.
    void TaskbarCreated();

    bool IconShown() const { return FIconShown; }
    uint8_t State() const { return FState; }
    bool Flashing() const { return FFlashing; }
    const TTrayRecord& Record() const { return FRecord; }

    // The "Aktiv" menu item: checked in state 2, enabled unless state 0.
    bool ActiveChecked() const { return FState == 2; }
    bool ActiveEnabled() const { return FState != 0; }

private:
    void UpdateIcon();
    void StopFlash();

    TTrayShell& FShell;
    bool FIconShown = false;
    uint8_t FState = 0;
    TTrayRecord FRecord;
    bool FLayoutOK = true;
    bool FHeard = false;
    bool FConnectionNoticeShown = false;
    bool FStateAwaited = false;
    bool FFlashing = false;
};
