#include "app/ConfigRules.h"

#include "base/Globals.h"
#include "gidei/KeyParse.h"
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
    for (int item = 0; item < 13; ++item)
        if (BaudRates[item] == Rate)
            return item;
    return 0;
}

TConfigValues LoadConfigValues(const TSerialReceiver& Receiver, const TKeyParser& Parser, const TGlobals& Globals,
                               const TViewLog& ViewLog, TFileLog& FileLog)
{
    TConfigValues values;
    values.PortSelected = Receiver.Port() != 0;
    values.Port = Receiver.Port();
    values.RateItem = RateItemOf(Receiver.Rate());
    values.SizeItem = Receiver.ByteSize() - 7;
    values.ParityItem = Receiver.Parity();
    values.StopItem = Receiver.StopBits();
    values.AutoStart = Globals.AutoStart;
    values.LogView = ViewLog.Active();
    values.LogLines = ViewLog.MaxLines();
    values.LogFile = FileLog.Active();
    values.LogFileName = FileLog.FileName();
    values.Debug = Parser.WaitAfter;
    values.WaitFor = Parser.WaitFor;
    values.UseGIDEI = Parser.UseGIDEI;
    values.UseSound = Globals.UseSound;
    values.SoundName = Globals.Sound;
    return values;
}

void ApplyConfigValues(const TConfigValues& Values, TSerialReceiver& Receiver, TKeyParser& Parser,
                       TGlobals& Globals, TViewLog& ViewLog, TFileLog& FileLog)
{
    if (Values.PortSelected)
        Receiver.SetPort(Values.Port);
    if (Values.RateItem >= 0 && Values.RateItem < 13)
        Receiver.SetRate(BaudRates[Values.RateItem]);
    Receiver.SetByteSize(Values.SizeItem + 7);
    Receiver.SetParity(Values.ParityItem);
    Receiver.SetStopBits(Values.StopItem);
    Globals.SetAutoStart(Values.AutoStart);
    ViewLog.SetActive(Values.LogView);
    ViewLog.SetMaxLines(Values.LogLines);
    // The name first, with the sink off: switching on opens the new file
    // once, and a refused old name is not tried (and noticed) again.
    FileLog.SetActive(false);
    FileLog.SetFileName(Values.LogFileName);
    FileLog.SetActive(Values.LogFile);
    Parser.WaitAfter = Values.Debug;
    Parser.SetWaitFor(Values.WaitFor);
    Parser.UseGIDEI = Values.UseGIDEI;
    Globals.UseSound = Values.UseSound;
    Globals.Sound = Values.SoundName;
    Receiver.SetState(2);
}
