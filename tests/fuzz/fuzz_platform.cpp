// The serial line and system facade of the fuzz targets: an in-process reader
// answering at once, waits of no time, a counter as time seed (replayable).
#include <cstring>
#include <deque>
#include <thread>

#include "app/system.h"
#include "image/posix/resource_blobs.h"
#include "link/bootloader_commands.h"
#include "ports/serial_line.h"
#include "tests/fuzz/fuzz_support.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

constexpr int quiet = -1;
std::deque<int> queue;
std::vector<uint8_t> readSinceTaken;
std::vector<FuzzBlock> blocks;
unsigned seed = 0;

}  // namespace

void fuzzFreshState()
{
    resetAppState();
    app.language = languageEnglish;
    applyTexts();
    headlessReset();
    removeResourceOverrides();
    queue.clear();
    readSinceTaken.clear();
    blocks.clear();
    fuzzPort().line = 1;
}

Port& fuzzPort()
{
    static Port port;
    return port;
}

const std::vector<FuzzBlock>& fuzzBlocks() { return blocks; }
bool fuzzDrained() { return queue.empty(); }
void fuzzQueue(const uint8_t* bytes, int count, bool pauseAfter)
{
    queue.insert(queue.end(), bytes, bytes + count);
    if (pauseAfter)
        queue.push_back(quiet);
}
std::vector<uint8_t> fuzzTakeRead()
{
    std::vector<uint8_t> taken;
    taken.swap(readSinceTaken);
    return taken;
}

int serialReadByte(PortHandle, uint8_t* byte)
{
    const int next = queue.empty() ? quiet : queue.front();
    if (!queue.empty())
        queue.pop_front();
    if (next != quiet)
        readSinceTaken.push_back(*byte = uint8_t(next));
    return next != quiet;
}

bool serialWrite(PortHandle, const uint8_t* bytes, int length, int* written)
{
    FUZZ_CHECK(length >= minFrameLength && length <= maxFrameLength, "request frame length");
    uint8_t frame[frameBufferSize] = {};
    memcpy(frame, bytes, size_t(length));
    PacketKey key = 0;
    FrameFields fields{};
    FUZZ_CHECK(openFrame(frame, length, &key, &fields), "every frame sent opens");
    if (fields.code == codeWriteBlock) {
        const int n = fields.count;
        FUZZ_CHECK(n >= 1 && n <= maxBlockLength && length == writeBlockFrameLength(n), "write-block length");
        FuzzBlock block{fields.address, n, {}};
        for (int i = 0; i < n; ++i)
            block.data[i] = frame[frameDataOffset + (i & ~3) + 3 - (i & 3)];
        blocks.push_back(block);
        const FrameFields ack{fields.device, codeAcknowledge, 0, fields.address};
        fuzzQueue(frame, buildReplyFrame(frame, pickPacketKey(), ack, nullptr), true);
    }
    *written = length;
    return true;
}

bool serialDevicePath(const char* port, char* path, int n) { return snprintf(path, size_t(n), "%s", port) < n; }
PortHandle serialOpen(const char*) { return 1; }
bool serialSetTimeouts(PortHandle) { return true; }
bool serialSetLine(PortHandle, uint32_t) { return true; }
void serialClose(PortHandle) {}
int serialLastError() { return 0; }

void sleepMs(unsigned) {}
unsigned localTimeSeed() { return seed = (seed + 1) % 60000; }
ThreadHandle startThread(void (*body)()) { return reinterpret_cast<ThreadHandle>(new std::thread(body)); }
void joinThread(ThreadHandle handle)
{
    if (auto* thread = reinterpret_cast<std::thread*>(handle); thread && thread->joinable())
        thread->join();
}
void closeThreadHandle(ThreadHandle handle) { joinThread(handle), delete reinterpret_cast<std::thread*>(handle); }
