#include "app/Program.h"

TProgram::TProgram(const std::string& ExeName, TProgramKind Kind)
    : FKind(Kind), FGlobals(ExeName),
      FLoggers(std::make_unique<TLoggers>(FGlobals.Settings.Log, FGlobals.AppPath, FGlobals.UserFolders))
{
}

TProgram::~TProgram()
{
    StopEngine();
    FGlobals.IniFile().SetNoteSink(nullptr);
    FLoggers.reset();
}

void TProgram::StartLog()
{
    FLoggers->LogStart();
    // A settings file that could not be read before the loggers existed is
    // said now, one that cannot be read later at once.
    FGlobals.IniFile().SetNoteSink([this](const std::string& Line) {
        if (!FLogEnded)
            FLoggers->Log(lkError, Line);
    });
}

void TProgram::EndLog()
{
    if (FLogEnded)
        return;
    FLoggers->LogEnd();
    FLogEnded = true;
}

TEngine& TProgram::StartEngine(TInputSink& Sink, TEngineEvents& Events, TSerialReceiver::TStateCallback OnStateChange,
                               void* Data, int PortOverride, bool StartsAtConsole)
{
    TEngineSetup setup;
    setup.Port = FGlobals.Settings.Port;
    setup.Typing = FGlobals.Settings.Typing;
    setup.PortOverride = PortOverride;
    setup.StartsAtConsole = StartsAtConsole;
    FEngine = std::make_unique<TEngine>(setup, Sink, *FLoggers, Events, OnStateChange, Data);
    return *FEngine;
}

void TProgram::StopEngine()
{
    if (!FEngine)
        return;
    GatherSettings();
    FEngine.reset();
}

void TProgram::GatherSettings()
{
    TSettingsRecords& settings = FGlobals.Settings;
    if (FEngine) {
        settings.Port = FEngine->PortSettings();
        settings.Typing = FEngine->TypingSettings();
    }
    TLogSettings log = FLoggers->Settings();
    if (FKind == TProgramKind::Console) {
        log.ViewLog = settings.Log.ViewLog;
        log.LogEvents = settings.Log.LogEvents | TLoggers::ForcedKinds;
    }
    settings.Log = log;
}

bool TProgram::SaveSettings(bool LogViewPlaced)
{
    GatherSettings();
    return FGlobals.SaveChanged(FKind == TProgramKind::Tray ? TrayProgramGroups(LogViewPlaced)
                                                            : ConsoleProgramGroups());
}
