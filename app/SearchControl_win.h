// The dialog's two searches, "Datenrate suchen..." and "Gerät suchen...":
// the receiver lets go of its port while one runs, the verdict line under
// "Empfangen:" follows it, and what it found is selected in the dialog for
// "OK" to apply; the settings stay as they were otherwise.
#pragma once

#include "serial/SerialSearchThread.h"

#include <memory>

class TConfigPages;
class TEngine;
class TLog;

class TSearchControl {
public:
    TSearchControl(TEngine& Engine, TConfigPages& Pages, TLog& Log, TSearchEvents& Events);
    ~TSearchControl() { End(); }
    TSearchControl(const TSearchControl&) = delete;
    TSearchControl& operator=(const TSearchControl&) = delete;

    // A search button was pressed: starts its search, or ends the one
    // running (its button then reads "Suche beenden").
    void Pressed(int ButtonId);
    // UM_SEARCH: the verdict line shows where the search is; once it is
    // over, what it found is selected and the port taken back.
    void Changed();
    // The dialog closes or applies: a search still running ends without a
    // result, and the port is taken back.
    void End();
    bool Running() const { return FThread != nullptr; }

private:
    void Start(int ButtonId);
    void Finish(const TSearchState& State);

    TEngine& FEngine;
    TConfigPages& FPages;
    TLog& FLog;
    TSearchEvents& FEvents;
    std::unique_ptr<TSerialSearchThread> FThread;
    bool FFindPort = false;
};
