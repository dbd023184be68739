// The sign-in helper's only way to say something: an entry in the
// system's application event log, under the source "Vemu Keys". Nothing the
// device sent ever goes there.
#pragma once

#include <string>

class TEventLogNote {
public:
    // One warning entry with Text; every later call does nothing, so that a
    // failure that repeats does not fill the log.
    void Once(const std::string& Text);

private:
    bool FWritten = false;
};
