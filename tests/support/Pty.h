// A pseudo-terminal standing in for a serial port on the host: the receiver
// opens COM<n> (a link to the pty's device in a scratch folder), the test
// writes into the other end.
#pragma once

#include "serial/PortIdentity.h"

#include <string>

class TPtyPort {
public:
    // With an Identity (and a Name), the host's device list describes the
    // port as the system's would.
    TPtyPort(const std::string& Directory, int Port, const TPortIdentity& Identity = {}, const std::string& Name = "");
    ~TPtyPort();
    TPtyPort(const TPtyPort&) = delete;
    TPtyPort& operator=(const TPtyPort&) = delete;

    void Write(const std::string& Bytes);
    // The device goes away, as a USB adapter pulled out: the pty ends and
    // its link and description are removed.
    void Disconnect();
    const std::string& DevicePath() const { return FDevice; }

private:
    int FMaster = -1;
    std::string FDevice;
    std::string FLink;
    std::string FAbout;
};
