// The configuration dialog's pages: the tabs of the main window and their
// controls, the lists, the port list that follows the ports present, and
// the port group that opens and closes. The pages show the values they are
// given and hand back what the user chose; the main window
// (MainWindow_win.h) applies them to the running objects.
#pragma once

#include "app/ConfigRules.h"
#include "app/InfoPage_win.h"
#include "app/PortList.h"
#include "base/system/Handles_win.h"
#include "base/window/Window_win.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TConfigPages;
class TLoggers;
class TSerialReceiver;

// A tab page: its controls' notifications go to the pages; it draws the
// items of the self-drawn port field.
class TConfigPage : public TDialog {
public:
    TConfigPage(int TemplateId, TConfigPages& Pages) : TDialog(TemplateId), FPages(Pages) {}
    ~TConfigPage() override { Destroy(); }

protected:
    INT_PTR OnInitDialog() override { return FALSE; }
    void OnCommand(int Id, int Code, HWND Control) override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;

private:
    TConfigPages& FPages;
};

class TConfigPages {
public:
    // Told after every change whether the controls hold values that "OK"
    // may apply.
    using TChoiceValid = std::function<void(bool Valid)>;

    TConfigPages() = default;
    TConfigPages(const TConfigPages&) = delete;
    TConfigPages& operator=(const TConfigPages&) = delete;

    // Creates the pages in the tab control of Window (only the tabs Tabs
    // shows), fills the lists and opens or closes the port group. With
    // CheckPort the port list offers the ports present, otherwise every
    // number. The events chosen are the loggers'; the file pickers begin
    // in AppPath when no name is there yet.
    void Create(HWND Window, const TConfigTabs& Tabs, bool CheckPort, bool PortExpanded, TChoiceValid OnChoiceValid,
                TLoggers& Loggers, const std::string& AppPath);
    // The receiver whose port the port list shows (null: none); its job
    // thread lists the ports present, and so does its opening of a port.
    void SetReceiver(TSerialReceiver* Receiver);

    // The controls show Values; edits not applied are gone.
    // AutoStartReason and SignInReason: 0 when the box can be changed, else
    // the string id of why not (the autostart's behind its information
    // button, the sign-in's below the greyed box).
    void Show(const TConfigValues& Values, int AutoStartReason, int SignInReason);
    // "Empfangen:": the units as they read (Windows-1252) and the verdict
    // (a string id) below them.
    void ShowReceived(const std::string& Units, int VerdictId);
    // "Empfangen:" with a line of the searches' own.
    void ShowReceivedLine(const std::string& Line);
    // The present ports in the order the list shows them (new ones first).
    std::vector<int32_t> SearchablePorts() const;
    // While a search runs its button (IDC_FINDRATE, IDC_FINDDEVICE) reads
    // "Suche beenden" and the other one is greyed; 0: no search runs.
    void SetSearching(int ButtonId);
    // What a search found, selected for "OK" to apply: the rate, and the
    // port when Port is not 0.
    void SelectFound(int32_t Port, int32_t Rate);
    // The instance id the system listed for the present port, or "".
    std::string PresentDevice(int32_t Port) const;
    // What the user chose; the values of the tabs not shown are Current's.
    TConfigValues Chosen(const TConfigValues& Current) const;
    bool PortExpanded() const { return FPortExpanded; }
    // "Anzeigen:" as the log window is (its own close box switches it off).
    void SetLogViewTicked(bool Ticked);

    // The port list anew, the receiver's port selected: at once with the
    // ports last listed, then with those the system lists now.
    void ListPortsAfresh() { RefreshPortList(false); }
    // The receiver's state changed. Its device may have come back under
    // another number: while the dialog is shown, the list follows it where
    // the user has not picked another port, with the ports that opening
    // listed.
    void ReceiverStateChanged();

    // A control of a page was used.
    void Command(int Id, int Code);
    // Told when a search button is pressed (its id).
    void SetOnSearchPressed(std::function<void(int ButtonId)> Pressed) { FOnSearchPressed = std::move(Pressed); }
    // What the pages do with the window's messages: the tab control's
    // notices, colour and setting changes, ports that arrived or left. The
    // window's own handling goes on.
    void WindowMessage(UINT Msg, WPARAM WParam, LPARAM LParam);
    // Ctrl+Tab and Ctrl+Shift+Tab switch the tabs; true when taken.
    bool PreTranslateTabs(const MSG& Message);

private:
    void CreatePages();
    void PlacePages();
    void LoadGlyphs();
    void SelectTab(int Index);
    void FillLists();
    void MeasurePortGroup();
    void SetPortExpanded(bool Expanded);
    HWND Control(int Id) const;
    bool ControlChecked(int Id) const;
    void SetControlChecked(int Id, bool On);
    void EnableControl(int Id, bool On);
    std::string ControlText(int Id) const;
    int SelectedItem(int Id) const;
    int32_t SelectedPort() const;
    void WriteControls(const TConfigValues& Values);
    void UpdateControls();
    // The port list from the ports present: the receiver's port selected,
    // or with KeepSelection the user's own choice while the dialog is open.
    void ListPorts(const std::vector<TPortDevice>& Present, bool KeepSelection);
    void FillPortList(const std::vector<TPortItem>& Items, int32_t Selected);
    // The same with the ports last listed, and again once the system has
    // said which are present now.
    void RefreshPortList(bool KeepSelection);
    // A file picker whose choice goes into the edit EditId.
    void PickInto(int EditId, bool Save, int TitleId, int FilterId, const char* Extension, unsigned Options);
    void ChooseEvents();

    HWND FWindow = nullptr;
    TConfigTabs FTabs;
    bool FCheckPort = false;
    TChoiceValid FOnChoiceValid;
    std::function<void(int)> FOnSearchPressed;
    TSerialReceiver* FReceiver = nullptr;
    int FAutoStartReason = 0;
    TLoggers* FLoggers = nullptr;
    std::string FAppPath;

    std::unique_ptr<TConfigPage> FSetupPage;
    std::unique_ptr<TConfigPage> FExtendedPage;
    std::unique_ptr<TConfigPage> FGideiPage;
    std::unique_ptr<TInfoPage> FInfoPage;
    std::vector<TDialog*> FTabPages; // in tab order, only the shown tabs
    bool FPortExpanded = false;
    // The port group's geometry, taken from the template (page coordinates).
    RECT FGroupPort{};
    int FCollapseBy = 0;
    // What lies below the port group (StartGroupControls).
    std::array<RECT, 8> FStartGroup{};
    std::vector<TPortDevice> FPresentPorts; // as the system last listed them
    // The ports the system listed when the dialog was shown: others are new.
    std::optional<std::vector<int32_t>> FPortsAtShow;
    // The port the list selected for the receiver; a selection still equal
    // to it is the receiver's, not the user's.
    int32_t FLoadedPort = 0;
    TIconHandle FExpandGlyph;
    TIconHandle FCollapseGlyph;
    TIconHandle FFolderGlyph;
    TIconHandle FInfoGlyph;
    HICON FShieldGlyph = nullptr; // the system's, shared: never destroyed
};
