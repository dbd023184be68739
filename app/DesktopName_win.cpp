#include "app/DesktopName_win.h"

std::string DesktopName(HDESK Desktop)
{
    wchar_t name[64] = L"";
    DWORD needed = 0;
    if (!Desktop || !GetUserObjectInformationW(Desktop, UOI_NAME, name, sizeof name - sizeof(wchar_t), &needed))
        return "";
    std::string text;
    for (const wchar_t* c = name; *c; ++c)
        text += *c < 0x80 ? static_cast<char>(*c) : '?';
    return text;
}

bool InputDesktopName(std::string& Name)
{
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input)
        return false;
    Name = DesktopName(input);
    CloseDesktop(input);
    return true;
}

HANDLE OpenDesktopSwitches() { return OpenEventW(SYNCHRONIZE, FALSE, L"WinSta0_DesktopSwitch"); }
