// The program's context, the one place where its parts are made and wired:
// the settings read once from the file beside the program, the loggers made
// from them, and the engine once its host is there. The tray program's
// WinMain and the console's main each build one and hand references to
// their windows; at the end the parts' current values are saved in one
// update of the settings file.
#pragma once

#include "app/Engine.h"
#include "base/settings/Globals.h"
#include "logging/Logging.h"

#include <memory>
#include <string>

enum class TProgramKind {
    Tray,   // writes back everything it owns
    Console // shows the events asked for on its command line: the stored
            // choice of events and of the log window stays as it was read
};

class TProgram {
public:
    // Reads the settings and makes the loggers; the log starts with
    // StartLog, once the log window's link is in place.
    TProgram(const std::string& ExeName, TProgramKind Kind);
    // The engine goes first, then the loggers (with the end line), the
    // settings last.
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TGlobals& Globals() { return FGlobals; }
    TLoggers& Loggers() { return *FLoggers; }

    // The start line; from then on what the settings store has to say
    // (a file it could not read, a write taken up from the journal) is
    // logged as an error line.
    void StartLog();
    // The end line; nothing is logged after it.
    void EndLog();

    // The engine on the port the settings name (or PortOverride), telling
    // Events what happens.
    TEngine& StartEngine(TInputSink& Sink, TEngineEvents& Events, TSerialReceiver::TStateCallback OnStateChange,
                         void* Data, int PortOverride, bool StartsAtConsole);
    // No input while the port closes: the parser ends first.
    void StopEngine();
    TEngine* Engine() { return FEngine.get(); }

    // The engine's and the loggers' current values into the settings, then
    // one save of what changed; the window's values (TStartSettings) are put
    // into Globals().Settings by the window before. LogViewPlaced: the log
    // window was there this session, so its place is known. False when the
    // file could not be written.
    bool SaveSettings(bool LogViewPlaced = false);

private:
    void GatherSettings();

    TProgramKind FKind;
    TGlobals FGlobals;
    std::unique_ptr<TLoggers> FLoggers;
    std::unique_ptr<TEngine> FEngine;
    bool FLogEnded = false;
};
