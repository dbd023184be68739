// The main window: the configuration dialog "TvemuCfgDlg". Its creation
// wires the program (settings, loggers, receiver, parser), it answers the
// messages that worker threads and other programs post to the user
// interface, it hides to the notification area or ends the program when it
// is closed, and its destruction shuts everything down in order: that life
// is in MainWindow_win.cpp; the dialog's controls and their handlers are in
// ConfigDialog_win.cpp.
#pragma once

#include "app/ConfigRules.h"
#include "app/Engine.h"
#include "app/EngineHost_win.h"
#include "app/InfoPage_win.h"
#include "app/Lifecycle.h"
#include "app/PortList.h"
#include "base/Globals.h"
#include "base/Handles_win.h"
#include "base/WindowTarget_win.h"
#include "base/Window_win.h"
#include "logging/FormLog_win.h"
#include "ui/DlgSplsh_win.h"
#include "ui/SysTray_win.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TvemuCfgDlg;

// A tab page of the dialog: its controls' notifications go to the dialog.
class TConfigPage : public TDialog {
public:
    TConfigPage(int TemplateId, TvemuCfgDlg& Owner) : TDialog(TemplateId), FOwner(Owner) {}
    ~TConfigPage() override { Destroy(); }

protected:
    INT_PTR OnInitDialog() override { return FALSE; }
    void OnCommand(int Id, int Code, HWND Control) override;
    // Draws the items of the self-drawn port field.
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;

private:
    TvemuCfgDlg& FOwner;
};

// What the main window needs of the program around it.
struct TProgramParts {
    std::unique_ptr<TGlobals>* Globals = nullptr; // filled by the window's creation
    TSplashDialog* Splash = nullptr;
    bool HiddenMode = false;
    std::string ExeName;
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
    // creation wires the program.
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
    bool PreTranslateTabs(const MSG& Message);

    void LoadControls();
    void UpdateControls();
    void ApplySettings();
    void SetPortExpanded(bool Expanded);

    // A page's control was used.
    void ForwardCommand(int Id, int Code, HWND Control) { OnCommand(Id, Code, Control); }

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;
    void OnDestroy() override;

private:
    void CreatePages();
    void PlacePages();
    void SelectTab(int Index);
    void MeasurePortGroup();
    HWND Control(int Id) const;
    bool ControlChecked(int Id) const;
    void SetControlChecked(int Id, bool On);
    void EnableControl(int Id, bool On);
    std::string ControlText(int Id) const;
    int SelectedItem(int Id) const;
    // The values of the running objects; the defaults before they exist.
    TConfigValues CurrentValues() const;
    TConfigValues ReadControls() const;
    void WriteControls(const TConfigValues& Values);
    void FillLists();
    // The port list from the ports present: the receiver's port selected,
    // or with KeepSelection the user's own choice while the dialog is open.
    void ListPorts(const std::vector<TPortDevice>& Present, bool KeepSelection);
    // The same with the ports last listed, and again once the system has
    // said which are present now.
    void RefreshPortList(bool KeepSelection);
    // A file picker whose choice goes into the edit EditId.
    void PickInto(int EditId, bool Save, int TitleId, int FilterId, const char* Extension, unsigned Options);
    void ChooseEvents();
    void Started();
    void StoreAndShutDown();
    void ShowLogFileNotice();
    static void ReceiverStateChanged(void* Data, int State);

    TProgramParts FParts;
    TCloseReason FCloseReason = crHide;
    bool FShutDown = false;
    bool FNoticeShown = false;
    std::unique_ptr<TWindowTarget> FTarget;
    std::unique_ptr<TLoggers> FLoggers;
    TLogFormLink FLogLink;
    std::unique_ptr<TEngine> FEngine;
    // The engine's timers (movement, lost-port retries) on this window.
    std::unique_ptr<TEngineHost> FEngineHost;
    TSysTrayForm* FTray = nullptr;

    std::unique_ptr<TConfigPage> FSetupPage;
    std::unique_ptr<TConfigPage> FExtendedPage;
    std::unique_ptr<TConfigPage> FGideiPage;
    std::unique_ptr<TInfoPage> FInfoPage;
    std::vector<TDialog*> FTabPages; // in tab order, only the shown tabs
    TConfigTabs FTabs;
    bool FPortExpanded = false;
    // The port group's geometry, taken from the template (page coordinates).
    RECT FGroupPort{};
    int FCollapseBy = 0;
    std::array<RECT, 3> FStartGroup{}; // group box, check box, info button
    std::vector<TPortItem> FPortItems;
    std::vector<TPortDevice> FPresentPorts; // as the system last listed them
    // The port the list selected for the receiver; a selection still equal
    // to it is the receiver's, not the user's.
    int32_t FLoadedPort = 0;
    TIconHandle FExpandGlyph;
    TIconHandle FCollapseGlyph;
    TIconHandle FFolderGlyph;
    TIconHandle FInfoGlyph;
    TIconHandle FProgramIcon;
    TIconHandle FProgramIconSmall;
};
