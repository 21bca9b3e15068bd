// The simulated reader: its normal firmware, which waits for the AT command
// of its model, and its bootloader, which assembles request frames from the
// bytes as they come and answers them, with the faults it was told to play.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/karvo_sim/sim_flash.h"
#include "tools/karvo_sim/sim_line.h"
#include "tools/karvo_sim/sim_options.h"

struct SimReader {
    const SimOptions* options;
    SimLine* line;
    FILE* transcript;            // or null
    bool inBootloader;
    bool hungUp;                 // the hang-up fault has ended the line
    bool lineGone;               // the other end went away
    char window[12];             // the last bytes the firmware saw
    int windowFill;
    std::vector<uint8_t> pending;  // bootloader: bytes not yet part of a frame
    int garbageBytes;            // dropped since the last frame
    long long lastByteUs;
    bool stallChecked;           // the quiet since lastByteUs has been looked at
    int blocks;                  // write blocks of this bootloader session
    uint16_t dataSum;            // data bytes written since the last identify, 16-bit sum
    SimFlash flash;
    std::vector<uint8_t> held;   // a late acknowledgement not sent yet
    long long heldDueUs;         // when it goes out
    std::string heldNote;        // its transcript line
};

void startReader(SimReader* reader, const SimOptions* options, SimLine* line, FILE* transcript);

// Hands the reader bytes received from the line.
void feedReader(SimReader* reader, const uint8_t* bytes, int length);

// Called when the line has been quiet for a while: a frame start that never
// completes is given up for a whole frame that stands behind it, and a late
// acknowledgement whose time has come is sent.
void idleReader(SimReader* reader);

// How long the main loop may wait for input before idleReader is due (-1: no limit).
int readerIdleTimeoutMs(const SimReader* reader);

// Writes the flash-out file, if one was asked for.
void writeFlashOut(const SimReader* reader);
