#include "app/Lifecycle.h"

#include <cctype>

bool IsHiddenModeArgument(const std::string& FirstArgument)
{
    static const char Word[] = "MORWENN";
    if (FirstArgument.size() != sizeof Word - 1)
        return false;
    for (size_t i = 0; i < FirstArgument.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(FirstArgument[i])) != Word[i])
            return false;
    return true;
}

bool AcceptInjectedByte(bool HiddenMode, uintptr_t WParam, uint8_t& Byte)
{
    if (!HiddenMode || WParam > 255)
        return false;
    Byte = static_cast<uint8_t>(WParam);
    return true;
}

TNotSavedNotice NotSavedNotice(bool WriteFailed, bool AlreadySaid, TCloseReason Reason)
{
    if (!WriteFailed || AlreadySaid)
        return TNotSavedNotice::Nothing;
    return Reason == crEndSession ? TNotSavedNotice::ErrorLine : TNotSavedNotice::Message;
}

std::string ExceptionMessageText(const std::string& Format, const std::string& ClassName)
{
    std::string text = Format;
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, ClassName);
    return text;
}
