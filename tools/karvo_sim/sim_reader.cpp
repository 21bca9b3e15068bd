#include "tools/karvo_sim/sim_reader.h"

#include <time.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "link/frame.h"

namespace {

// A frame start that has waited this long for its remaining bytes is taken
// for garbage if a whole frame stands behind it. The updater writes a
// request in one go, so its own frames never pause this long inside.
constexpr int stallMs = 30;
constexpr size_t pendingLimit = 4096;
constexpr uint8_t badAckCode = 0x55;
constexpr int shortIdentifyCount = 40;
constexpr int garbageLength = 4;

enum class ReplyKind { identify, block, settings, reset };

long long startUs = 0;

void note(SimReader* r, const char* format, ...)
{
    if (!r->transcript)
        return;
    const long long us = monotonicUs() - startUs;
    fprintf(r->transcript, "[%6lld.%03lld] ", us / 1000000, (us / 1000) % 1000);
    va_list args;
    va_start(args, format);
    vfprintf(r->transcript, format, args);
    va_end(args);
    fputc('\n', r->transcript);
    fflush(r->transcript);
}

std::string escaped(const char* bytes, int length)
{
    std::string out;
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

void sleepMsHere(int ms)
{
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

bool selects(const ReplySelector& s, ReplyKind kind, int block)
{
    switch (kind) {
    case ReplyKind::identify: return s.identify;
    case ReplyKind::settings: return s.settings;
    case ReplyKind::reset: return s.reset;
    case ReplyKind::block: return s.allBlocks || (s.block != 0 && s.block == block);
    }
    return false;
}

uint32_t ownType(const SimReader* r)
{
    return r->options->identity.deviceType;
}

// A byte that no key of the table has as its low byte.
uint8_t keylessByte()
{
    PacketKey ignored = 0;
    for (int b = 0; b < 256; ++b)
        if (!findPacketKey(static_cast<uint8_t>(b), &ignored))
            return static_cast<uint8_t>(b);
    return 0;
}

void sendReply(SimReader* r, ReplyKind kind, int block, uint8_t code, const uint8_t* data, uint8_t count,
               const char* what, const std::string& details = "")
{
    const SimFaults& f = r->options->faults;
    if (f.silent) {
        note(r, "-- silent: no %s", what);
        return;
    }
    std::string remarks;
    if (kind != ReplyKind::identify && f.ackDelayMs > 0) {
        sleepMsHere(f.ackDelayMs);
        remarks += " late=" + std::to_string(f.ackDelayMs) + "ms";
    }
    uint8_t out[garbageLength + frameBufferSize + 4];
    int at = 0;
    if (selects(f.garbage, kind, block)) {
        out[at++] = keylessByte();
        for (int i = 1; i < garbageLength; ++i)
            out[at++] = static_cast<uint8_t>(randomByte());
        remarks += " garbage-before";
    }
    uint8_t* frame = out + at;
    const FrameFields fields{ownType(r), code, count, 0};
    int length;
    if (selects(f.evenLength, kind, block)) {
        const int odd = buildReplyFrame(frame, pickPacketKey(), fields, data);
        // Rebuilt with one more filler byte: a sound CRC on an even length.
        length = buildFrame(frame, pickPacketKey(), fields, data, count, odd - frameOverhead - count + 1);
        remarks += " even-length";
    } else {
        length = buildReplyFrame(frame, pickPacketKey(), fields, data);
    }
    if (selects(f.badCrc, kind, block)) {
        frame[length - 1] ^= 0xA5;
        remarks += " bad-crc";
    }
    at += length;
    char line[256];
    if (kind == ReplyKind::block && f.lateAckBlock != 0 && block == f.lateAckBlock) {
        // Held back while the line is served on: the updater's wait for
        // it runs its course, and a stop signal is not delayed.
        remarks += " late=" + std::to_string(f.lateAckMs) + "ms";
        snprintf(line, sizeof line, "TX %s (0x%02X) device=0x%08X count=%d frame=%d%s%s", what, code, fields.device,
                 count, length, details.c_str(), remarks.c_str());
        r->held.assign(out, out + at);
        r->heldDueUs = monotonicUs() + f.lateAckMs * 1000LL;
        r->heldNote = line;
        note(r, "-- %s of block %d held back %d ms", what, block, f.lateAckMs);
        return;
    }
    if (!writeOutput(r->line, out, at)) {
        note(r, "-- the line is gone while sending %s", what);
        r->lineGone = true;
        return;
    }
    note(r, "TX %s (0x%02X) device=0x%08X count=%d frame=%d%s%s", what, code, fields.device, count, length,
         details.c_str(), remarks.c_str());
}

void sendHeldReply(SimReader* r)
{
    const std::vector<uint8_t> bytes = r->held;
    r->held.clear();
    if (!writeOutput(r->line, bytes.data(), static_cast<int>(bytes.size()))) {
        note(r, "-- the line is gone while sending a late reply");
        r->lineGone = true;
        return;
    }
    note(r, "%s", r->heldNote.c_str());
}

void enterBootloader(SimReader* r)
{
    r->inBootloader = true;
    r->pending.clear();
    r->garbageBytes = 0;
    r->blocks = 0;
    r->dataSum = 0;
    r->windowFill = 0;
    note(r, "-- bootloader");
}

void leaveBootloader(SimReader* r, const char* why)
{
    r->inBootloader = false;
    r->windowFill = 0;
    note(r, "-- normal firmware (%s)", why);
}

// --- Normal firmware ------------------------------------------------------------

void answerAtCommand(SimReader* r)
{
    const SimFaults& f = r->options->faults;
    note(r, "RX AT command \"%.12s\"", r->window);
    if (f.silent) {
        note(r, "-- silent: no echo");
        r->windowFill = 0;
        return;
    }
    char echo[bootloaderEchoLength + 4];
    bootloaderEcho(ownType(r), echo);
    if (f.echoCrFirst) {
        echo[0] = '\r';
        echo[1] = '\n';
    }
    if (f.echoTypo)
        echo[bootloaderEchoLength - 1] = '.';
    int length = f.echoCut ? bootloaderEchoLength - 1 : bootloaderEchoLength;
    if (f.echoExtra) {
        memcpy(echo + length, "\r\n>", 4);
        length += 3;
    }
    if (!writeOutput(r->line, reinterpret_cast<const uint8_t*>(echo), length)) {
        r->lineGone = true;
        return;
    }
    note(r, "TX echo \"%s\"", escaped(echo, length).c_str());
    enterBootloader(r);
}

void feedFirmware(SimReader* r, uint8_t byte)
{
    if (r->windowFill == bootloaderCommandLength) {
        memmove(r->window, r->window + 1, bootloaderCommandLength - 1);
        --r->windowFill;
    }
    r->window[r->windowFill++] = static_cast<char>(byte);
    if (r->windowFill == bootloaderCommandLength &&
        memcmp(r->window, bootloaderCommand(ownType(r)), bootloaderCommandLength) == 0)
        answerAtCommand(r);
}

// --- Bootloader: requests -------------------------------------------------------------

void answerIdentify(SimReader* r, const FrameFields& fields)
{
    note(r, "RX identify (0xF0) device=0x%08X address=0x%08X count=%d", fields.device, fields.address, fields.count);
    // The updater identifies the reader before every update: the data sum
    // that the reset checks covers the blocks written since. Block numbers
    // (which the faults name) run on for the whole bootloader session.
    r->dataSum = 0;
    DeviceInfo info = r->options->identity;
    const SimFaults& f = r->options->faults;
    if (f.noIdentifyReply) {
        note(r, "-- no identify reply");
        return;
    }
    if (f.otherDevice)
        info.deviceType = info.deviceType == deviceTypeKru ? deviceTypeKrm : deviceTypeKru;
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(info, wire);
    const uint8_t count = f.shortIdentify ? shortIdentifyCount : deviceInfoWireSize;
    char details[96];
    snprintf(details, sizeof details, " type=0x%08X hardware=0x%08X version=0x%04X barcode=%u%s", info.deviceType,
             info.hardware, info.softwareVersion, info.barcode, f.shortIdentify ? " short" : "");
    sendReply(r, ReplyKind::identify, 0, codeIdentify, wire, count, "identify reply", details);
}

void hangUp(SimReader* r)
{
    // The updater ends a read at the first quiet 60 ms: let it take the
    // acknowledgement and finish that read before the line goes.
    waitUntilTaken(r->line, 1000);
    sleepMsHere(150);
    note(r, "-- hang-up after block %d", r->blocks);
    fprintf(stderr, "karvo-sim: hanging up after block %d\n", r->blocks);
    r->hungUp = true;
}

void storeBlock(SimReader* r, const uint8_t* frame, int length, const FrameFields& fields)
{
    const int n = fields.count;
    ++r->blocks;
    // The data area holds ceil(n / 4) words, each with its bytes reversed.
    uint8_t plain[maxBlockLength];
    const int words = 4 * ((n + 3) / 4);
    const uint8_t* data = frame + frameDataOffset;
    for (int o = 0; o + 4 <= words && frameDataOffset + o + 4 <= length - 1; o += 4)
        for (int i = 0; i < 4; ++i)
            plain[o + i] = data[o + 3 - i];
    for (int i = 0; i < n; ++i) {
        r->flash[fields.address + static_cast<uint32_t>(i)] = plain[i];
        r->dataSum = static_cast<uint16_t>(r->dataSum + plain[i]);
    }
    note(r, "RX write block (0xF1) #%d device=0x%08X address=0x%08X count=%d frame=%d sum=0x%04X", r->blocks,
         fields.device, fields.address, n, length, r->dataSum);
}

void answerWriteBlock(SimReader* r, const uint8_t* frame, int length, const FrameFields& fields)
{
    if (fields.count < 1 || fields.count > maxBlockLength)
        return;
    storeBlock(r, frame, length, fields);
    const SimFaults& f = r->options->faults;
    const int k = r->blocks;
    if (f.noAckBlock == k) {
        note(r, "-- no acknowledgement of block %d", k);
        return;
    }
    if (f.badAckBlock == k)
        sendReply(r, ReplyKind::block, k, badAckCode, nullptr, 0, "refusal");
    else
        sendReply(r, ReplyKind::block, k, codeAcknowledge, nullptr, 0, "ack");
    if (f.hangUpBlock == k && !r->lineGone)
        hangUp(r);
}

void answerResetSettings(SimReader* r, const FrameFields& fields)
{
    const bool mine = fields.address == r->options->identity.eepromStart;
    note(r, "RX reset settings (0xF2) device=0x%08X address=0x%08X (%s eepromStart)", fields.device, fields.address,
         mine ? "is" : "is not");
    if (r->options->faults.noSettingsAck) {
        note(r, "-- no acknowledgement of reset settings");
        return;
    }
    sendReply(r, ReplyKind::settings, 0, codeAcknowledge, nullptr, 0, "ack");
}

void answerResetDevice(SimReader* r, const FrameFields& fields)
{
    const uint16_t carried = static_cast<uint16_t>(fields.address);
    const bool matches = carried == r->dataSum;
    note(r, "RX reset device (0xF3) device=0x%08X sum=0x%04X received=0x%04X blocks=%d: %s", fields.device, carried,
         r->dataSum, r->blocks, matches ? "sum matches" : "SUM MISMATCH");
    fprintf(stderr, "karvo-sim: reset device: carried sum 0x%04X, received data sum 0x%04X over %d blocks: %s\n",
            carried, r->dataSum, r->blocks, matches ? "sum matches" : "SUM MISMATCH");
    writeFlashOut(r);
    if (r->options->faults.noResetAck)
        note(r, "-- no acknowledgement of reset device");
    else
        sendReply(r, ReplyKind::reset, 0, codeAcknowledge, nullptr, 0, "ack");
    leaveBootloader(r, "reset device");
}

void handleFrame(SimReader* r, const uint8_t* frame, int length, const FrameFields& fields)
{
    switch (fields.code) {
    case codeIdentify: answerIdentify(r, fields); break;
    case codeWriteBlock: answerWriteBlock(r, frame, length, fields); break;
    case codeResetSettings: answerResetSettings(r, fields); break;
    case codeResetDevice: answerResetDevice(r, fields); break;
    case codeLeaveBootloader:
        note(r, "RX leave bootloader (0xF4) device=0x%08X", fields.device);
        leaveBootloader(r, "leave bootloader");
        break;
    default: break;
    }
}

// --- Bootloader: frame assembly -------------------------------------------------------

// The length of the request that starts at bytes: 0 while its first 13 bytes
// are not all there, -1 when they name no request.
int requestLength(const uint8_t* bytes, size_t size)
{
    if (size < static_cast<size_t>(minFrameLength))
        return 0;
    PacketKey key = 0;
    if (!findPacketKey(bytes[0], &key))
        return -1;
    uint8_t head[minFrameLength];
    memcpy(head, bytes, minFrameLength);
    maskBytes(key, head + 1, minFrameLength - 1);
    const uint8_t code = head[frameCodeOffset];
    const uint8_t count = head[frameCountOffset];
    switch (code) {
    case codeIdentify:
    case codeResetSettings:
    case codeResetDevice:
    case codeLeaveBootloader: return shortRequestLength;
    case codeWriteBlock:
        return count >= 1 && count <= maxBlockLength ? writeBlockFrameLength(count) : -1;
    default: return -1;
    }
}

// Checks the whole request at bytes; on success frame holds it unmasked.
bool takeRequest(const uint8_t* bytes, int length, uint8_t* frame, FrameFields* fields)
{
    PacketKey key = 0;
    memcpy(frame, bytes, static_cast<size_t>(length));
    return openFrame(frame, length, &key, fields);
}

void dropBytes(SimReader* r, size_t count)
{
    r->pending.erase(r->pending.begin(), r->pending.begin() + static_cast<long>(count));
    r->garbageBytes += static_cast<int>(count);
}

void reportGarbage(SimReader* r)
{
    if (r->garbageBytes > 0)
        note(r, "RX garbage %d bytes", r->garbageBytes);
    r->garbageBytes = 0;
}

// The offset of the first whole, sound request after the first byte, or 0.
size_t wholeRequestBehind(const SimReader* r)
{
    const std::vector<uint8_t>& p = r->pending;
    uint8_t frame[frameBufferSize];
    FrameFields fields{};
    for (size_t k = 1; k + minFrameLength <= p.size(); ++k) {
        const int length = requestLength(p.data() + k, p.size() - k);
        if (length > 0 && k + static_cast<size_t>(length) <= p.size() &&
            takeRequest(p.data() + k, length, frame, &fields))
            return k;
    }
    return 0;
}

void processPending(SimReader* r, bool idle)
{
    while (r->inBootloader && !r->pending.empty() && !r->hungUp && !r->lineGone) {
        const int length = requestLength(r->pending.data(), r->pending.size());
        if (length < 0) {
            dropBytes(r, 1);
            continue;
        }
        if (length == 0 || r->pending.size() < static_cast<size_t>(length)) {
            const size_t behind = idle ? wholeRequestBehind(r) : 0;
            if (behind == 0)
                return;
            dropBytes(r, behind);
            continue;
        }
        uint8_t frame[frameBufferSize];
        FrameFields fields{};
        if (!takeRequest(r->pending.data(), length, frame, &fields)) {
            dropBytes(r, 1);
            continue;
        }
        reportGarbage(r);
        r->pending.erase(r->pending.begin(), r->pending.begin() + length);
        handleFrame(r, frame, length, fields);
    }
    if (!r->inBootloader && !r->pending.empty()) {
        // Bytes behind the request that restarted the reader reach its firmware.
        const std::vector<uint8_t> rest = r->pending;
        r->pending.clear();
        feedReader(r, rest.data(), static_cast<int>(rest.size()));
    }
}

}  // namespace

void startReader(SimReader* reader, const SimOptions* options, SimLine* line, FILE* transcript)
{
    startUs = monotonicUs();
    *reader = SimReader{};
    reader->options = options;
    reader->line = line;
    reader->transcript = transcript;
    if (options->startInBootloader)
        enterBootloader(reader);
    else
        note(reader, "-- normal firmware (start)");
}

void feedReader(SimReader* reader, const uint8_t* bytes, int length)
{
    for (int i = 0; i < length && !reader->hungUp && !reader->lineGone; ++i) {
        if (!reader->inBootloader) {
            feedFirmware(reader, bytes[i]);
            continue;
        }
        if (reader->pending.size() >= pendingLimit)
            dropBytes(reader, 1);
        reader->pending.push_back(bytes[i]);
        reader->lastByteUs = monotonicUs();
        reader->stallChecked = false;
        processPending(reader, false);
    }
}

void idleReader(SimReader* reader)
{
    if (!reader->held.empty() && monotonicUs() >= reader->heldDueUs)
        sendHeldReply(reader);
    if (!reader->inBootloader)
        return;
    if (!reader->pending.empty() && !reader->stallChecked &&
        monotonicUs() - reader->lastByteUs >= stallMs * 1000LL) {
        reader->stallChecked = true;
        processPending(reader, true);
    }
}

int readerIdleTimeoutMs(const SimReader* reader)
{
    int wait = -1;
    if (!reader->held.empty()) {
        const long long left = (reader->heldDueUs - monotonicUs()) / 1000;
        wait = left > 0 ? static_cast<int>(left) + 1 : 0;
    }
    if (!reader->inBootloader || reader->pending.empty() || reader->stallChecked)
        return wait;
    const long long left = stallMs - (monotonicUs() - reader->lastByteUs) / 1000;
    const int stall = left > 0 ? static_cast<int>(left) + 1 : 1;
    return wait < 0 || stall < wait ? stall : wait;
}

void writeFlashOut(const SimReader* reader)
{
    if (!reader->options->flashOut.empty())
        writeFileAtomically(reader->options->flashOut, flashToHex(reader->flash));
}
