// What the parser and the typer tell their host, from the parser thread.
#pragma once

class TTyperEvents {
public:
    // A sequence could not be carried out (error sound, tray flash).
    virtual void SequenceFailed() = 0;
    // Continuous pointer movement started or stopped: the host runs the
    // movement ticks only while it moves.
    virtual void MovementChanged(bool On) = 0;

protected:
    ~TTyperEvents() = default;
};
