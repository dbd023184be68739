// The main window "TvemuCfgDlg": the configuration dialog with its tabs and
// the buttons "OK", "Abbrechen" and "Beenden". Its creation connects the
// program's loggers to its log window and starts the program's engine on
// it, it answers the messages that worker
// threads, the tray and other programs post to it, it hides to the
// notification area or ends the program when it is closed, and its
// destruction shuts everything down in order. The pages in its tabs
// (ConfigPages_win.h) show the values it gives them and hand back what the
// user chose; "OK" applies that here.
#pragma once

#include "app/ConfigPages_win.h"
#include "app/ConfigRules.h"
#include "app/Engine.h"
#include "app/EngineHost_win.h"
#include "app/ErrorSound_win.h"
#include "app/Lifecycle.h"
#include "app/PostedEvents.h"
#include "app/Program.h"
#include "app/SearchControl_win.h"
#include "app/SettingsNotice_win.h"
#include "base/system/Handles_win.h"
#include "base/window/WindowTarget_win.h"
#include "base/window/Window_win.h"
#include "logging/FormLog_win.h"
#include "serial/ReceivedView.h"
#include "ui/DlgSplsh_win.h"
#include "ui/SysTray_win.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// What the main window needs of the program around it.
struct TProgramParts {
    TProgram* Program = nullptr;
    TSettingsNotice* Notice = nullptr;
    TSplashDialog* Splash = nullptr;
    bool HiddenMode = false;
    // Ends what the program owns besides the window (the tray form, the
    // settings), for a logoff or shutdown: Windows ends the process as soon
    // as the window has answered it.
    std::function<void()> EndProgram;
};

class TvemuCfgDlg : public TDialog, public TTrayOwner {
public:
    static constexpr const char* ClassName = "TvemuCfgDlg";

    explicit TvemuCfgDlg(TProgramParts Parts);
    ~TvemuCfgDlg() override;

    // Registers the dialog class and creates the (hidden) window; its
    // creation starts the engine.
    bool Create();
    // The tray form, created after the window.
    void SetTray(TSysTrayForm* Tray) { FTray = Tray; }

    // Showing the window: the controls show the current values and the
    // icon leaves the notification area.
    void Show();
    // The window's close: hides it (reason 0) or ends the program.
    void CloseWindow();
    int ReceiverState() const;
    // The start's attempt to open the port has not ended yet.
    bool ReceiverStarting() const { return FEngine && FEngine->Starting(); }
    TCloseReason CloseReason() const { return FCloseReason; }

    // TTrayOwner
    void ShowMainWindow() override;
    void ExitFromTray() override;
    HWND MainWindowHandle() const override { return Handle(); }

    // Ctrl+Tab and Ctrl+Shift+Tab switch the tabs; true when taken.
    bool PreTranslateTabs(const MSG& Message) { return FPages.PreTranslateTabs(Message); }

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;
    void OnDestroy() override;

private:
    void ConnectLogs();
    void PlaceWindow();
    void CreateEngine();
    // The values of the running objects; the defaults before they exist.
    TConfigValues CurrentValues() const;
    // The pages show the current values; edits not applied are gone.
    void LoadControls();
    void ApplySettings();
    void ApplyAndHide();
    // A changed sign-in box, or a changed port it serves: the program's
    // elevated step sets the helper up or removes it; a refusal is said.
    void ApplySignIn(bool Ticked);
    // "Empfangen:" follows the queue's units while the dialog is shown.
    void WatchReceived(bool On);
    void ShowReceived();
    // A notice from the receiver's threads is about the port's latest opening.
    bool OfLatestOpening(uintptr_t Opening) const;
    void Started();
    void StoreAndShutDown();
    // The window's own settings into the program's, then one save.
    void SaveSettings();
    void ShowLogFileNotice();
    bool HandleProgramMessage(UINT Msg, WPARAM WParam);
    bool HandleSystemMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result);
    void EndSession(bool Ending);
    void ToggleActive();
    static void ReceiverStateChanged(void* Data, int State);

    TProgramParts FParts;
    TProgram& FProgram;
    TGlobals& FGlobals;
    TCloseReason FCloseReason = crHide;
    bool FShutDown = false;
    bool FSettingsSaved = false;
    bool FNoticeShown = false;
    // The machine's state when the dialog was shown, and why the box cannot
    // be changed (a string id, 0 when it can).
    TReceivedView FReceived;
    std::atomic<bool> FReceivedPosted{false};
    bool FSignInWasSetUp = false;
    int FSignInReason = 0;
    std::unique_ptr<TWindowTarget> FTarget;
    std::unique_ptr<TPostedEvents> FEvents;
    // The system's sink, looking where the input goes; outlives the engine.
    std::unique_ptr<TTargetCheckingSink> FSink;
    TLogFormLink FLogLink;
    TErrorSound FSound;
    TEngine* FEngine = nullptr;
    // The engine's timers (movement, lost-port retries) on this window.
    std::unique_ptr<TEngineHost> FEngineHost;
    TSysTrayForm* FTray = nullptr;
    TConfigPages FPages;
    // The dialog's searches; made with the engine, ended before it goes.
    std::unique_ptr<TSearchControl> FSearch;
    TIconHandle FProgramIcon;
    TIconHandle FProgramIconSmall;
};
