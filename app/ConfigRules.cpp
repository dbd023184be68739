#include "app/ConfigRules.h"

#include "app/Engine.h"
#include "base/settings/Globals.h"
#include "logging/Logging.h"
#include "serial/COMObjct.h"

TConfigEnables ConfigEnables(const TConfigValues& Values, const TConfigTabs& Tabs)
{
    TConfigEnables enables;
    bool valid = Values.PortSelected;
    if (Tabs.Extended) {
        enables.LogLines = Values.LogView;
        enables.LogFileName = Values.LogFile;
        enables.WaitFor = Values.Debug;
        enables.Events = Values.LogView || Values.LogFile;
        if (enables.LogFileName)
            valid = Values.PortSelected && !Values.LogFileName.empty();
    }
    if (Tabs.GIDEI) {
        enables.SoundName = Values.UseSound;
        if (enables.SoundName)
            valid = valid && !Values.SoundName.empty();
    }
    enables.OK = valid;
    return enables;
}

int RateItemOf(int32_t Rate)
{
    for (int item = 0; item < static_cast<int>(BaudRates.size()); ++item)
        if (BaudRates[item] == Rate)
            return item;
    return 0;
}

TConfigValues LoadConfigValues(const TEngine& Engine, const TGlobals& Globals, TLoggers& Loggers)
{
    const TPortSettings port = Engine.PortSettings();
    const TTypingSettings typing = Engine.TypingSettings();
    TConfigValues values;
    values.PortSelected = port.Port != 0;
    values.Port = port.Port;
    values.RateItem = RateItemOf(port.Rate);
    values.SizeItem = port.ByteSize - 7;
    values.ParityItem = port.Parity;
    values.StopItem = port.StopBits;
    values.ControlLines = port.ControlLines;
    values.AutoStart = Globals.AutoStart;
    values.LogView = Loggers.View().Active();
    values.LogLines = Loggers.View().MaxLines();
    values.LogFile = Loggers.File().Active();
    values.LogFileName = Loggers.File().FileName();
    values.Debug = typing.WaitAfter;
    values.WaitFor = typing.WaitFor;
    values.UseGIDEI = typing.UseGIDEI;
    values.UseSound = Globals.Settings.Start.UseSound;
    values.SoundName = Globals.Settings.Start.Sound;
    return values;
}

void ApplyConfigValues(const TConfigValues& Values, TEngine& Engine, TGlobals& Globals, TLoggers& Loggers)
{
    Globals.SetAutoStart(Values.AutoStart);
    Loggers.View().SetActive(Values.LogView);
    Loggers.View().SetMaxLines(Values.LogLines);
    // The name first, with the sink off: switching on opens the new file
    // once, and a refused old name is not tried (and noticed) again.
    Loggers.File().SetActive(false);
    Loggers.File().SetFileName(Values.LogFileName);
    Loggers.File().SetActive(Values.LogFile);
    Globals.Settings.Start.UseSound = Values.UseSound;
    Globals.Settings.Start.Sound = Values.SoundName;

    TPortSettings port = Engine.PortSettings();
    port.Port = Values.PortSelected ? Values.Port : 0;
    if (Values.RateItem >= 0 && Values.RateItem < static_cast<int>(BaudRates.size()))
        port.Rate = BaudRates[Values.RateItem];
    port.ByteSize = Values.SizeItem + 7;
    port.Parity = Values.ParityItem;
    port.StopBits = Values.StopItem;
    port.ControlLines = Values.ControlLines;
    TTypingSettings typing = Engine.TypingSettings();
    typing.WaitAfter = Values.Debug;
    typing.WaitFor = Values.WaitFor;
    typing.UseGIDEI = Values.UseGIDEI;
    Engine.Apply(port, typing);
}
