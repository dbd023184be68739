// What the receiver tells its host, from its worker threads: the host
// hands each call on to its own thread and answers there.
#pragma once

#include <cstdint>

class TReceiverEvents {
public:
    // The read thread found the device of opening number Opening gone; the
    // host calls the receiver's PortLost with it.
    virtual void PortLost(uintptr_t Opening) = 0;
    // The job thread has results; the host calls DeliverJobs.
    virtual void PortJobsReady() = 0;
    // The first bytes since opening number Opening arrived: the device
    // talks.
    virtual void DeviceHeard(uintptr_t Opening) = 0;
    // Opening number Opening brings bytes that are neither GIDEI nor text
    // (once per opening): the data rate is probably wrong.
    virtual void UnreadableInput(uintptr_t Opening) = 0;
    // Whether bytes arriving now are this session's: false while another
    // session is at the console. Asked by the read thread for every chunk,
    // so it must be cheap.
    virtual bool InputIsOurs() = 0;
    // Bytes of opening Opening arrived while another session was at the
    // console and were dropped unread (told once until bytes are ours
    // again): the host gives the port up, as for a session report that
    // never came.
    virtual void ReceivedAway(uintptr_t Opening) = 0;

protected:
    ~TReceiverEvents() = default;
};
