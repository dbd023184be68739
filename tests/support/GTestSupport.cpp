// The helpers of TestSupport.h that fail the running test themselves: linked
// into the test programs, not into the benchmarks or the fuzzer.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

std::vector<std::string> AwaitLogLine(TTestEnvironment& Env, const std::string& Text)
{
    std::vector<std::string> lines;
    const bool found = WaitUntil([&] {
        for (const std::string& line : Env.TakeUnstampedLines()) {
            lines.push_back(line);
            if (line.find(Text) != std::string::npos)
                return true;
        }
        return false;
    });
    if (!found) {
        ADD_FAILURE() << "no log line with \"" << Text << "\"";
        lines.push_back("<no line with " + Text + ">");
    }
    return lines;
}
