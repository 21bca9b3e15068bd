// The simulator's end of the serial line: a pseudo-terminal pair it opens
// itself or a device it is given, in raw mode, read and written either as
// fast as the kernel takes the bytes or at the pace of 19200 baud.
#pragma once
#include <cstdint>
#include <string>

struct SimLine {
    int fd;               // what the simulator reads and writes
    int holdFd;           // its own handle on the updater's end (--pty), or -1
    std::string device;   // the device the updater opens
    std::string link;     // the symbolic link made for --pty, removed at close
    bool pace;
    long long nextReadUs; // when paced: the earliest time the next byte may be taken
};

// Opens a pseudo-terminal pair and links link to its updater end.
bool openPtyLine(SimLine* line, const std::string& link, bool pace);
// Opens an existing device.
bool openTtyLine(SimLine* line, const std::string& path, bool pace);
void closeLine(SimLine* line);

// Waits up to timeoutMs for input. 1 input is there, 0 none, -1 the line is
// gone; a signal ends the wait early with 0.
int waitForInput(SimLine* line, int timeoutMs);
// Takes what has arrived (one byte when paced, once its time has come) into
// buffer. Returns the number of bytes, 0 for none yet, -1 when the line is gone.
int readInput(SimLine* line, uint8_t* buffer, int size);
// Writes all bytes (paced: one byte each 10 bit times). False when the line is gone.
bool writeOutput(SimLine* line, const uint8_t* bytes, int length);
// Waits until the updater has taken what was sent (--pty), at most timeoutMs.
void waitUntilTaken(SimLine* line, int timeoutMs);

long long monotonicUs();
