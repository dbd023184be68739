// A device that sends at another data rate than the port's arrives as a
// stream of bytes that are neither GIDEI nor text. The read thread counts
// them over the last bytes and says so once per opening.
#pragma once

#include <cstddef>
#include <cstdint>

// Printable ASCII, CR, LF, TAB, the German letters, and the escape byte
// that begins a sequence.
bool ExpectedByte(unsigned char Byte);

class TUnreadableFlood {
public:
    static constexpr unsigned Window = 32;
    static constexpr unsigned Threshold = 16;

    // True the first time at least Threshold of the last Window bytes were
    // unexpected; false ever after.
    bool Add(const char* Bytes, size_t Count);
    // The port saw a framing or parity error, a break or an overrun: it
    // weighs as LineErrorWeight unexpected bytes (a single glitch, as when
    // a cable is plugged in, is never said).
    static constexpr unsigned LineErrorWeight = 4;
    bool AddLineError();

private:
    bool Push(bool Unexpected);
    uint32_t FHistory = 0; // one bit a byte, the newest lowest: 1 unexpected
    bool FTold = false;
};
