#include "link/bootloader_commands.h"

#include "app/app_state.h"
#include "app/bytes.h"
#include "app/system.h"
#include "link/device_info.h"
#include "link/reader_models.h"
#include "ports/port_access.h"
#include "ui/text_table.h"
#include "ui/window.h"

int flashAckAttempts = 500;

namespace {

uint8_t fillerByte()
{
    return static_cast<uint8_t>(randomByte());
}

uint32_t fillerWord()
{
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i)
        word = (word << 8) | fillerByte();
    return word;
}

// The short requests: count 1, the address field as given, one random data
// byte and no filler (12 bytes after the key byte, three whole groups).
int buildShortFrame(uint8_t* frame, PacketKey key, uint32_t device, uint8_t code, uint32_t address)
{
    const uint8_t data = fillerByte();
    return buildFrame(frame, key, FrameFields{device, code, 1, address}, &data, 1, 0);
}

}  // namespace

int writeBlockFrameLength(int n)
{
    return shortRequestLength + 4 * ((n + 3) / 4);
}

uint32_t leaveBootloaderDevice(uint32_t deviceType)
{
    return readerModel(deviceType).leaveDevice;
}

int buildIdentifyFrame(uint8_t* frame)
{
    const PacketKey key = pickPacketKey();
    return buildShortFrame(frame, key, app.expectedInfo.deviceType, codeIdentify, fillerWord());
}

int buildResetSettingsFrame(uint8_t* frame)
{
    const PacketKey key = pickPacketKey();
    return buildShortFrame(frame, key, app.expectedInfo.deviceType, codeResetSettings, app.expectedInfo.eepromStart);
}

int buildResetDeviceFrame(uint8_t* frame)
{
    const PacketKey key = pickPacketKey();
    const uint32_t high = fillerByte();
    const uint32_t next = fillerByte();
    const uint32_t address = (high << 24) | (next << 16) | app.flashDataSum;
    return buildShortFrame(frame, key, app.expectedInfo.deviceType, codeResetDevice, address);
}

int buildLeaveBootloaderFrame(uint8_t* frame)
{
    const PacketKey key = pickPacketKey();
    return buildShortFrame(frame, key, leaveBootloaderDevice(app.expectedInfo.deviceType), codeLeaveBootloader,
                           fillerWord());
}

int buildWriteBlockFrame(uint8_t* frame, uint32_t address, const uint8_t* data, uint8_t n)
{
    const PacketKey key = pickPacketKey();
    const int words = 4 * ((n + 3) / 4);
    return buildFrame(frame, key, FrameFields{app.expectedInfo.deviceType, codeWriteBlock, n, address}, data, words,
                      1);
}

bool sendIdentify(Port& port)
{
    uint8_t frame[frameBufferSize];
    return writeBytes(port, frame, buildIdentifyFrame(frame));
}

bool sendResetSettings(Port& port)
{
    uint8_t frame[frameBufferSize];
    return writeBytes(port, frame, buildResetSettingsFrame(frame));
}

bool sendResetDevice(Port& port)
{
    uint8_t frame[frameBufferSize];
    return writeBytes(port, frame, buildResetDeviceFrame(frame));
}

bool sendLeaveBootloader(Port& port)
{
    uint8_t frame[frameBufferSize];
    return writeBytes(port, frame, buildLeaveBootloaderFrame(frame));
}

bool sendWriteBlock(Port& port, uint32_t address, const uint8_t* data, uint8_t n)
{
    if (n < 1 || n > maxBlockLength)
        return false;
    uint8_t frame[frameBufferSize];
    return writeBytes(port, frame, buildWriteBlockFrame(frame, address, data, n));
}

int readReply(Port& port)
{
    uint8_t frame[frameBufferSize];
    int count = 0;
    if (!readBytes(port, frame, maxFrameLength, &count))
        return replyNone;
    if (!parseReply(frame, count))
        return replyNone;
    const LinkReply& reply = app.linkReply;
    const int status = decodeDeviceInfo(reply.code, reply.data, frameDataCount(reply.count, count));
    return status & 0xFF;
}

int prepareFlashBlock(uint8_t* buffer, uint8_t n)
{
    const int padded = 4 * ((n + 3) / 4);
    for (int i = n; i < padded; ++i)
        buffer[i] = 0xFF;
    reverseWordBytes(buffer, padded);
    return padded;
}

bool writeFlashBlock(Port& port, uint32_t address, uint8_t* buffer, uint8_t n)
{
    if (n < 1 || n > maxBlockLength) {
        appendLog(texts().logRecordingInterrupted);
        return false;
    }
    // A job asked to stop sends no further block; the one in flight was
    // answered (or given up) already.
    if (jobStopRequested) {
        appendLog(texts().logRecordingInterrupted);
        return false;
    }
    prepareFlashBlock(buffer, n);
    sendWriteBlock(port, address, buffer, n);
    int status = replyNone;
    // No answer comes back before the link's round trip: the first poll
    // waits that long as well.
    // A line that failed (a vanished device, a lost connection) answers no more.
    for (int attempt = 0; attempt < flashAckAttempts && status == replyNone && !port.failed; ++attempt) {
        sleepMs(flashAckPollMs + (attempt == 0 ? portRoundTripMs(port) : 0));
        status = readReply(port);
    }
    if (status == replyAcknowledged) {
        ++app.blocksWritten;
        return true;
    }
    appendLog(texts().logRecordingInterrupted);
    return false;
}
