// The five requests of the reader's bootloader, the reading of one reply and
// the write of one flash block with its wait for the acknowledgement. Every
// request carries the device type of app.expectedInfo and goes to the open
// port.
#pragma once
#include <cstdint>

#include "ports/port.h"

#include "link/frame.h"

constexpr uint8_t codeIdentify = 0xF0;
constexpr uint8_t codeWriteBlock = 0xF1;
constexpr uint8_t codeResetSettings = 0xF2;
constexpr uint8_t codeResetDevice = 0xF3;
constexpr uint8_t codeLeaveBootloader = 0xF4;
constexpr uint8_t codeAcknowledge = 0xAA;

// readReply's statuses besides a plain reply code.
constexpr int replyNone = -1;
constexpr int replyDeviceFits = 240;
constexpr int replyOtherDevice = 255;
constexpr int replyAcknowledged = 170;

constexpr int shortRequestLength = 13;
constexpr int maxBlockLength = 128;

// Length of a write-block request for n data bytes: 13 + 4 * ceil(n / 4).
int writeBlockFrameLength(int n);

// The device field of the leave-bootloader request: both boards of the USB
// model, and any unknown type, are addressed as 0x0C03.
uint32_t leaveBootloaderDevice(uint32_t deviceType);

// Each builder lays out its request in frame (frameBufferSize bytes) with a
// fresh key and filler, masked and ready to send, and returns its length.
int buildIdentifyFrame(uint8_t* frame);
int buildResetSettingsFrame(uint8_t* frame);
int buildResetDeviceFrame(uint8_t* frame);
int buildLeaveBootloaderFrame(uint8_t* frame);
// Count n; the data area carries the whole words of data, 4 * ceil(n / 4)
// bytes (for n not a multiple of four the block's own last word stands in
// the first filler places), then one random filler byte. data must hold
// 4 * ceil(n / 4) bytes. n is 1 to 128.
int buildWriteBlockFrame(uint8_t* frame, uint32_t address, const uint8_t* data, uint8_t n);

// Send the request on the port; true when the whole frame was written.
bool sendIdentify(Port& port);
bool sendResetSettings(Port& port);
bool sendResetDevice(Port& port);
bool sendLeaveBootloader(Port& port);
// The frame of buildWriteBlockFrame: data must hold 4 * ceil(n / 4) bytes.
// An n outside 1 to 128 sends nothing and fails.
bool sendWriteBlock(Port& port, uint32_t address, const uint8_t* data, uint8_t n);

// Reads one reply from the port: -1 nothing valid arrived, 240 an identify
// reply that fits the image, 255 one that does not, 170 an acknowledgement,
// otherwise the reply's code.
int readReply(Port& port);

// Pads a block of n bytes with 0xFF to whole words and reverses the bytes
// of each word in place: b0 b1 b2 b3 becomes b3 b2 b1 b0. buffer must hold
// 4 * ceil(n / 4) bytes. Returns the padded length.
int prepareFlashBlock(uint8_t* buffer, uint8_t n);

// The wait before each read of a block's acknowledgement.
constexpr unsigned flashAckPollMs = 10;

// How many times writeFlashBlock asks for the acknowledgement, 10 ms apart.
// 500; tests shorten it to try a missing acknowledgement quickly.
extern int flashAckAttempts;

// Writes one block of n bytes (1 to 128) at a flash address and waits for
// the acknowledgement. The buffer is changed in place (prepareFlashBlock)
// and must hold 4 * ceil(n / 4) bytes. A block that is not acknowledged
// logs logRecordingInterrupted and returns false.
bool writeFlashBlock(Port& port, uint32_t address, uint8_t* buffer, uint8_t n);
