#include "logging/LogView.h"

#include "logging/Logging.h"
#include "resources/StringIds.h"

#include <algorithm>

int TLogView::StartStop()
{
    FRunning = !FRunning;
    return FRunning ? IDS_LOG_STOP : IDS_LOG_START;
}

void TLogView::DrainLines(TViewLog& Source)
{
    std::string line;
    while (Source.FetchLine(line)) {
        if (!FRunning)
            continue;
        TrimLines(Source.MaxLines());
        FList.Append(line);
        FList.EnableCopy(FList.Count() > 0);
    }
}

void TLogView::TrimLines(int32_t Max)
{
    if (!FRunning)
        return;
    while (FList.Count() > Max)
        FList.DeleteFirst();
}

std::string LogCopyText(const std::vector<std::string>& Lines, const std::vector<int>& Selected)
{
    std::vector<int> order = Selected;
    std::sort(order.begin(), order.end());
    size_t size = 1;
    for (int index : order)
        if (index >= 0 && static_cast<size_t>(index) < Lines.size())
            size += Lines[static_cast<size_t>(index)].size() + 2;
    std::string text;
    text.reserve(size);
    for (int index : order) {
        if (index < 0 || static_cast<size_t>(index) >= Lines.size())
            continue;
        text += Lines[static_cast<size_t>(index)];
        text += "\r\n";
    }
    return text;
}
