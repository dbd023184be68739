// The tray form: a hidden window that owns the notification-area icon, its
// popup menu and the error-flash timer, and hands the shell's mouse
// messages on.
#pragma once

#include "base/system/Handles_win.h"
#include "base/window/Window_win.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

#include <array>

// What the tray menu and the icon do to the main window.
class TTrayOwner {
public:
    virtual ~TTrayOwner() = default;
    // "Einstellungen..." and a double click: the configuration dialog.
    virtual void ShowMainWindow() = 0;
    // "Beenden": the program ends (close reason 1).
    virtual void ExitFromTray() = 0;
    // The main window: it holds the menu's foreground only while it is
    // shown.
    virtual HWND MainWindowHandle() const = 0;
};

class TSysTrayForm : public TWindow, private TTrayShell {
public:
    explicit TSysTrayForm(TTrayOwner& Owner);
    // Removes the icon.
    ~TSysTrayForm() override;

    void ShowIcon(bool Show) { FIcon.ShowIcon(Show); }
    void SetState(uint8_t State) { FIcon.SetState(State); }
    void AwaitState() { FIcon.AwaitState(); }
    void FlashError() { FIcon.FlashError(); }
    void SetLayoutOK(bool OK) { FIcon.SetLayoutOK(OK); }
    void ShowNotice(int Title, int Text) { FIcon.ShowNotice(Title, Text); }
    void SetDeviceHeard() { FIcon.SetDeviceHeard(); }
    bool IconShown() const { return FIcon.IconShown(); }
    const TTrayIcon& Icon() const { return FIcon; }

protected:
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
    void Notify(uint32_t Message, const TTrayRecord& Record) override;
    void StartFlashTimer() override;
    void StopFlashTimer() override;
    void PopupMenu(TTrayAction Opened);
    // Runs the open menu: what the user chose.
    TTrayChoice TrackMenu(HMENU Popup, TTrayAction Opened);
    // The front to the window the user worked in, where that is right.
    void GiveFrontBack(TTrayChoice Choice, HWND Previous, HWND Holder);
    void CarryOut(TTrayChoice Choice);
    // Where the shell shows the icon; none where it cannot tell.
    std::optional<TScreenRect> IconRect() const;
    void FocusIcon();
    void RetryIcon();
    HICON ImageIcon(TTrayImage Image) const;

    TTrayOwner& FOwner;
    TTrayIcon FIcon;
    UINT FTaskbarCreated;
    std::array<TIconHandle, 5> FImages;
    TMenuHandle FMenu;
    TIconHandle FExitIcon;
    TIconHandle FSetupIcon;
    bool FMenuOpen = false;
};
