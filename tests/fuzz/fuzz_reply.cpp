// readReply (readBytes, parseReply, decodeDeviceInfo) on fuzzed reply bytes
// that the in-process line hands to the program.
//
// Input: replies, each a length byte L followed by L bytes (fewer at the end
// of the input); the line falls quiet after each. Each input runs three
// times: the replies as they are, the replies sealed (CRC repaired, so the
// count and the device information meet fuzzed values), and all the bytes
// in one stream without pauses. Every status is checked against a reading of
// the same bytes made here from the frame rules, and a parseReply call on a
// frame of exactly its received length must stay inside the frame buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "link/bootloader_commands.h"
#include "link/device_info.h"
#include "link/frame.h"
#include "tests/fuzz/fuzz_serial_line.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seal.h"

namespace {

struct Expected {
    int status;
    bool valid;
    uint8_t code;
    int dataCount;
    uint8_t plain[256];
};

// The status that the bytes of one read must give: odd length 13 to 141, a
// key of the table, CRC-8 0 over the unmasked bytes after the key byte; then
// the code, or for 0xF0 the device information (44 data bytes at least,
// bounded by what arrived) matched against expectedInfo.
Expected expectedReply(const std::vector<uint8_t>& bytes)
{
    Expected e{};
    e.status = replyNone;
    const int n = static_cast<int>(bytes.size());
    PacketKey key = 0;
    if (n < 13 || n > 141 || n % 2 == 0 || !fuzzTableKey(packetKeyTable, bytes[0], &key))
        return e;
    memcpy(e.plain, bytes.data(), bytes.size());
    fuzzMask(key, e.plain + 1, n - 1);
    if (crc8(e.plain + 1, static_cast<uint8_t>(n - 1)) != 0)
        return e;
    e.valid = true;
    e.code = e.plain[5];
    const int count = e.plain[6];
    e.dataCount = count < n - 12 ? count : n - 12;
    if (e.code != codeIdentify) {
        e.status = e.code;
        return e;
    }
    if (e.dataCount < deviceInfoWireSize) {
        e.status = replyOtherDevice;
        return e;
    }
    DeviceInfo expected = app.expectedInfo;
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(expected, wire);
    // Only the fields that take part in the match must agree (the change
    // byte of the hardware variant excepted).
    const uint8_t* d = e.plain + 11;
    bool fits = memcmp(d, wire, 4) == 0 && memcmp(d + 12, wire + 12, 4) == 0 && d[16] == wire[16] &&
                d[17] == wire[17] && d[19] == wire[19] && memcmp(d + 28, wire + 28, 16) == 0;
    e.status = fits ? replyDeviceFits : replyOtherDevice;
    return e;
}

// Reads replies until the line has nothing more, checking each.
void readAll()
{
    for (int guard = 0; guard < 300000; ++guard) {
        const bool drained = fuzzLineDrained();
        const LinkReply before = app.linkReply;
        const DeviceInfo reportedBefore = app.reportedInfo;
        const int status = readReply();
        const std::vector<uint8_t> bytes = fuzzLineTakeRead();
        FUZZ_CHECK(bytes.size() <= static_cast<size_t>(maxFrameLength), "one reply reads at most 141 bytes");
        const Expected e = expectedReply(bytes);
        FUZZ_CHECK(status == e.status, "readReply's status follows the frame rules");
        if (!e.valid) {
            FUZZ_CHECK(fuzzSameReply(before, app.linkReply), "an invalid frame leaves LinkReply");
        } else {
            FUZZ_CHECK(app.linkReply.code == e.code, "LinkReply holds the code");
            FUZZ_CHECK(memcmp(app.linkReply.data, e.plain + 11, static_cast<size_t>(e.dataCount)) == 0,
                       "LinkReply holds the data that arrived");
            FUZZ_CHECK(memcmp(app.linkReply.data + e.dataCount, before.data + e.dataCount,
                              sizeof before.data - static_cast<size_t>(e.dataCount)) == 0,
                       "data past what arrived keeps what earlier replies left");
        }
        if (!(e.valid && e.code == codeIdentify))
            FUZZ_CHECK(fuzzSameInfo(reportedBefore, app.reportedInfo),
                       "only an identify reply changes reportedInfo");
        else if (e.dataCount < deviceInfoWireSize)
            FUZZ_CHECK(app.reportedInfo.deviceType == 0 && app.reportedInfo.barcode == 0,
                       "a short identify reply keeps nothing stale");
        if (drained)
            return;
    }
    FUZZ_CHECK(false, "the replies are read in a bounded number of calls");
}

struct Piece {
    size_t at;
    size_t length;
};

std::vector<Piece> piecesOf(const uint8_t* data, size_t size)
{
    std::vector<Piece> pieces;
    size_t at = 0;
    while (at < size) {
        const size_t length = data[at];
        const size_t left = size - at - 1;
        pieces.push_back({at + 1, length < left ? length : left});
        at += 1 + pieces.back().length;
    }
    return pieces;
}

void setUp()
{
    fuzzFreshState();
    app.portOpen = true;
    app.portHandle = 1;
    // The sample firmware's device, so that a right identify reply fits.
    DeviceInfo& e = app.expectedInfo;
    e.interfaceCode = 0x61;
    e.interfaceVersion = 0x0100;
    e.interfaceParameter = 128;
    e.deviceType = 0x0C01;
    e.hardware = 0x00010203;
    e.flashStart = 0x08000000;
    e.flashEnd = 0x08040000;
    e.eepromStart = 0x08080000;
    e.eepromEnd = 0x08081000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    const std::vector<Piece> pieces = piecesOf(data, size);

    setUp();
    for (const Piece& p : pieces) {
        fuzzLineQueue(data + p.at, static_cast<int>(p.length));
        fuzzLineQueuePause();
    }
    readAll();

    setUp();
    for (const Piece& p : pieces) {
        std::vector<uint8_t> frame(data + p.at, data + p.at + p.length);
        if (frame.size() <= 255)
            fuzzSeal(packetKeyTable, frame.data(), static_cast<int>(frame.size()));
        fuzzLineQueue(frame.data(), static_cast<int>(frame.size()));
        fuzzLineQueuePause();
    }
    readAll();

    setUp();
    fuzzLineQueue(data, static_cast<int>(size));
    readAll();

    // parseReply straight on each piece, in a buffer of the size its
    // interface asks for (141 bytes), with nothing but the piece in it.
    setUp();
    for (const Piece& p : pieces) {
        if (p.length > static_cast<size_t>(maxFrameLength))
            continue;
        std::vector<uint8_t> frame(maxFrameLength, 0);
        memcpy(frame.data(), data + p.at, p.length);
        parseReply(frame.data(), static_cast<int>(p.length));
    }
    return 0;
}
