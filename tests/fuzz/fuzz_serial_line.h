// The serial line of the fuzz targets (tests/fuzz/fuzz_serial_line.cpp
// implements ports/serial_line.h): no device behind it, but an in-process
// reader. Every frame the program writes is opened with the link's own
// frame code; a write-block request is recorded and answered at once with an
// acknowledgement built by the link's reply builder. Targets can also queue
// reply bytes of their own for the program to read.
#pragma once
#include <cstdint>
#include <vector>

// One write-block request as the reader received it: its address, its count
// and its data bytes with the word reversal undone.
struct FuzzBlock {
    uint32_t address;
    int count;
    uint8_t data[128];
};

// Empties the reply queue and forgets the frames written.
void fuzzLineReset();

// Queues bytes for the program to read, one byte per read.
void fuzzLineQueue(const uint8_t* bytes, int count);
// Queues a pause: the read that meets it times out, as a quiet line does.
void fuzzLineQueuePause();
// Nothing is left to read.
bool fuzzLineDrained();

// The bytes the reads have handed out since the last call (a pause ends the
// bytes of one reply).
std::vector<uint8_t> fuzzLineTakeRead();

// The write-block requests received so far, in order.
const std::vector<FuzzBlock>& fuzzLineBlocks();
// Every frame written so far, valid or not, counted.
int fuzzLineFramesWritten();
