// The fuzz targets' serial line: ports/serial_line.h over an in-process
// reader instead of a device. It is linked in place of the platform's own
// (ports/posix/serial_line_posix.cpp), so that openPort, readBytes,
// writeBytes and everything above them run unchanged.
#include "ports/serial_line.h"

#include <cstdio>
#include <cstring>
#include <deque>

#include "link/bootloader_commands.h"
#include "link/frame.h"
#include "tests/fuzz/fuzz_serial_line.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int readGap = -1;  // a queue entry that is no byte: the read times out

std::deque<int> replyQueue;
std::vector<uint8_t> readSinceTaken;
std::vector<FuzzBlock> blocks;
int framesWritten = 0;

// The reader's side of a request: open it with the link code (the program
// must never send a frame that does not open), record a write-block request
// and acknowledge it.
void receiveFrame(const uint8_t* bytes, int length)
{
    ++framesWritten;
    FUZZ_CHECK(length >= minFrameLength && length <= maxFrameLength, "request frame length");
    uint8_t frame[frameBufferSize] = {};
    memcpy(frame, bytes, static_cast<size_t>(length));
    PacketKey key = 0;
    FrameFields fields{};
    FUZZ_CHECK(openFrame(frame, length, &key, &fields), "the program sent a frame that does not open");
    if (fields.code != codeWriteBlock)
        return;
    const int n = fields.count;
    FUZZ_CHECK(n >= 1 && n <= maxBlockLength, "write-block count");
    FUZZ_CHECK(length == writeBlockFrameLength(n), "write-block frame length");
    FuzzBlock block{};
    block.address = fields.address;
    block.count = n;
    // The words travel with their bytes reversed; the block's bytes are the
    // first n of the reversed-back words.
    uint8_t words[128];
    const int padded = 4 * ((n + 3) / 4);
    for (int o = 0; o < padded; o += 4)
        for (int i = 0; i < 4; ++i)
            words[o + i] = frame[frameDataOffset + o + 3 - i];
    memcpy(block.data, words, static_cast<size_t>(n));
    blocks.push_back(block);

    uint8_t reply[frameBufferSize];
    const FrameFields ack{fields.device, codeAcknowledge, 0, fields.address};
    const int replyLength = buildReplyFrame(reply, pickPacketKey(), ack, nullptr);
    fuzzLineQueue(reply, replyLength);
    fuzzLineQueuePause();
}

}  // namespace

void fuzzLineReset()
{
    replyQueue.clear();
    readSinceTaken.clear();
    blocks.clear();
    framesWritten = 0;
}

void fuzzLineQueue(const uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i)
        replyQueue.push_back(bytes[i]);
}

void fuzzLineQueuePause()
{
    replyQueue.push_back(readGap);
}

bool fuzzLineDrained()
{
    return replyQueue.empty();
}

std::vector<uint8_t> fuzzLineTakeRead()
{
    std::vector<uint8_t> taken;
    taken.swap(readSinceTaken);
    return taken;
}

const std::vector<FuzzBlock>& fuzzLineBlocks()
{
    return blocks;
}

int fuzzLineFramesWritten()
{
    return framesWritten;
}

// --- ports/serial_line.h ---------------------------------------------------------

bool serialDevicePath(const char* portName, char* path, int size)
{
    const int written = snprintf(path, static_cast<size_t>(size), "fuzz:%s", portName);
    return written > 0 && written < size;
}

PortHandle serialOpen(const char*)
{
    return 1;
}

bool serialSetTimeouts(PortHandle)
{
    return true;
}

bool serialSetLine(PortHandle, uint32_t)
{
    return true;
}

int serialReadByte(PortHandle, uint8_t* byte)
{
    if (replyQueue.empty())
        return 0;
    const int next = replyQueue.front();
    replyQueue.pop_front();
    if (next == readGap)
        return 0;
    *byte = static_cast<uint8_t>(next);
    readSinceTaken.push_back(*byte);
    return 1;
}

bool serialWrite(PortHandle, const uint8_t* buffer, int length, int* written)
{
    receiveFrame(buffer, length);
    *written = length;
    return true;
}

void serialClose(PortHandle) {}

int serialLastError()
{
    return 0;
}
