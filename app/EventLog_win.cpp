#include "app/EventLog_win.h"

#include "base/system/WidePath_win.h"

#include <windows.h>

void TEventLogNote::Once(const std::string& Text)
{
    if (FWritten)
        return;
    FWritten = true;
    HANDLE source = RegisterEventSourceW(nullptr, L"Vemu Keys");
    if (!source)
        return;
    const std::wstring text = WidePath(Text);
    const wchar_t* strings[] = {text.c_str()};
    ReportEventW(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}
