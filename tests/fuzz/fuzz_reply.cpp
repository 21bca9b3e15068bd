// A reader's replies to readReply (readBytes, parseReply, decodeDeviceInfo).
// Input: replies, each a length byte L and L bytes, the line quiet after each;
// run as they are, sealed (right CRCs) and as one stream without pauses.
#include <algorithm>
#include <cstring>

#include "app/app_state.h"
#include "link/bootloader_commands.h"
#include "link/device_info.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Odd length 13 to 141, a key of the table, CRC-8 0 over the plain bytes after
// the key byte; then the code, or for 0xF0 whether the device information
// (44 data bytes at least, bounded by what arrived) fits expectedInfo.
int expectedStatus(const std::vector<uint8_t>& bytes, uint8_t* plain, int* dataCount)
{
    const int n = int(bytes.size());
    PacketKey key = 0;
    if (n < 13 || n > 141 || n % 2 == 0 || !fuzzKey(packetKeyTable, bytes[0], &key))
        return replyNone;
    memcpy(plain, bytes.data(), bytes.size());
    fuzzMask(key, plain + 1, n - 1);
    if (crc8(plain + 1, uint8_t(n - 1)) != 0)
        return replyNone;
    *dataCount = std::min<int>(plain[6], n - 12);
    if (plain[5] != codeIdentify)
        return plain[5];
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(app.expectedInfo, wire);
    // The fields that take part in the match (the hardware's change byte not).
    const uint8_t* d = plain + 11;
    const bool fits = *dataCount >= deviceInfoWireSize && memcmp(d, wire, 4) == 0 &&
                      memcmp(d + 12, wire + 12, 4) == 0 && d[16] == wire[16] && d[17] == wire[17] &&
                      d[19] == wire[19] && memcmp(d + 28, wire + 28, 16) == 0;
    return fits ? replyDeviceFits : replyOtherDevice;
}

void readAll()
{
    for (bool drained = false; !drained;) {
        drained = fuzzDrained();
        const LinkReply before = app.linkReply;
        const int status = readReply(fuzzPort());
        const std::vector<uint8_t> bytes = fuzzTakeRead();
        uint8_t plain[256];
        int n = 0;  // the data bytes that arrived
        FUZZ_CHECK(bytes.size() <= size_t(maxFrameLength), "one reply reads at most 141 bytes");
        FUZZ_CHECK(status == expectedStatus(bytes, plain, &n), "readReply's status follows the frame rules");
        const uint8_t* data = status == replyNone ? before.data : plain + 11;
        FUZZ_CHECK(app.linkReply.code == (status == replyNone ? before.code : plain[5]) &&
                       memcmp(app.linkReply.data, data, size_t(n)) == 0 &&
                       memcmp(app.linkReply.data + n, before.data + n, size_t(maxReplyData - n)) == 0,
                   "LinkReply holds a valid reply's code and the data that arrived, past them what was there");
    }
}

void setUp()
{
    fuzzFreshState();
    // The sample firmware's reader, so that its identify reply fits.
    app.expectedInfo = {0x61, 0x0100, 128, 0, 0, 0x0C01, 0x00010203, 0, 0, 0x08000000, 0x08040000, 0x08080000,
                        0x08081000};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    std::vector<std::vector<uint8_t>> pieces;
    for (size_t at = 0; at < size; at += 1 + pieces.back().size())
        pieces.emplace_back(data + at + 1, data + at + 1 + std::min<size_t>(data[at], size - at - 1));
    for (int run = 0; run < 3; ++run) {  // as they are, sealed, one stream
        setUp();
        for (std::vector<uint8_t> piece : run < 2 ? pieces : decltype(pieces){{data, data + size}}) {
            if (run == 1)
                fuzzSeal(packetKeyTable, piece.data(), int(piece.size()));
            fuzzQueue(piece.data(), int(piece.size()), run < 2);
        }
        readAll();
    }
    return 0;
}
