// The bytes on the line: CRC-8, one frame written out by hand (masking, word
// order, CRC) in both directions, and the parser refusing spoiled replies.
#include "link/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "link/crc8.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Key 0xC251EC41, device 0x00000C01, code 0xF1, count 5, address 0x08005400,
// data 11 22 33 44 55, no filler; plain CRC 0x48. Masked by hand.
const Bytes handFrame = {0x41, 0xC2, 0x51, 0xE0, 0x40, 0x33, 0x54, 0xE4, 0x41,
                         0x96, 0x51, 0xFD, 0x63, 0xF1, 0x15, 0xB9, 0x09};
const uint8_t handData[] = {0x11, 0x22, 0x33, 0x44, 0x55};

// A frame of the given fields and data with a sound CRC.
Bytes soundFrame(uint8_t count, int dataLength)
{
    const Bytes data(static_cast<size_t>(dataLength), 0x5A);
    Bytes frame(static_cast<size_t>(dataLength) + frameBufferSize);
    frame.resize(static_cast<size_t>(
        buildFrame(frame.data(), packetKeyTable[3], FrameFields{0x0C01, 0xF0, count, 0}, data.data(), dataLength, 0)));
    return frame;
}

// Parses length bytes of frame on a buffer as readReply has it; false if
// refused, and then app.linkReply must hold what an earlier reply left.
bool parsed(Bytes frame, int length)
{
    resetAppState();
    app.linkReply.code = 0x77;
    memset(app.linkReply.data, 0x5C, sizeof app.linkReply.data);
    frame.resize(frameBufferSize + 4);
    if (parseReply(frame.data(), length))
        return true;
    EXPECT_EQ(app.linkReply.code, 0x77);
    EXPECT_EQ(app.linkReply.data[0], 0x5C);
    return false;
}

}  // namespace

TEST(Crc8, KnownValues)
{
    const struct {
        std::string bytes;
        uint8_t crc;
    } cases[] = {{"", 0x00}, {"123456789", 0xA1}, {"\x11", 0xC3}, {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 0xB6}};
    for (const auto& c : cases)
        EXPECT_EQ(crc8(reinterpret_cast<const uint8_t*>(c.bytes.data()), static_cast<uint8_t>(c.bytes.size())), c.crc)
            << c.bytes;
}

TEST(PacketKeys, EachKeyByteOfTheTableNamesItsOwnEntry)
{
    int found = 0;
    for (int b = 0; b < 256; ++b) {
        PacketKey key = 0;
        if (findPacketKey(static_cast<uint8_t>(b), &key)) {
            ++found;
            EXPECT_EQ(key & 0xFF, static_cast<PacketKey>(b));
        }
    }
    EXPECT_EQ(found, keyTableSize) << "two entries share a key byte";
    PacketKey key = 0;
    EXPECT_TRUE(findPacketKey(static_cast<uint8_t>(pickPacketKey()), &key)) << "a key outside the table";
}

TEST(HandFrame, BuiltAndParsedByteForByte)
{
    uint8_t frame[frameBufferSize] = {};
    const int length = buildFrame(frame, packetKeyTable[0], FrameFields{0x0C01, 0xF1, 5, 0x08005400}, handData, 5, 0);
    EXPECT_EQ(Bytes(frame, frame + length), handFrame);

    ASSERT_TRUE(parsed(handFrame, 17));
    const LinkReply& r = app.linkReply;
    EXPECT_EQ(std::make_tuple(r.key, r.device, r.code, r.count, r.address),
              std::make_tuple(0xC251EC41u, 0x0C01u, uint8_t{0xF1}, uint8_t{5}, 0x08005400u));
    EXPECT_EQ(memcmp(app.linkReply.data, handData, 5), 0);
}

TEST(ParseReply, ASpoiledReplyIsRefused)
{
    struct Case {
        std::string what;
        Bytes frame;
        int length;
    };
    std::vector<Case> cases = {
        {"12 bytes, sound CRC", soundFrame(0, 0), 12},
        {"14 bytes, sound CRC", soundFrame(2, 2), 14},
        {"143 bytes, sound CRC", soundFrame(0, 131), 143},
        {"hand frame offered as 0", handFrame, 0}, {"hand frame offered as 16", handFrame, 16},
    };
    Bytes keyless = handFrame;
    for (PacketKey found = 0; findPacketKey(keyless[0], &found);)
        ++keyless[0];
    cases.push_back({"key byte of no entry", keyless, 17});
    for (size_t i = 1; i < handFrame.size(); ++i) {
        Bytes bad = handFrame;
        bad[i] ^= 0x10;
        cases.push_back({"byte " + std::to_string(i) + " spoiled", bad, 17});
    }
    for (const Case& c : cases)
        EXPECT_FALSE(parsed(c.frame, c.length)) << c.what;
}

TEST(ParseReply, TakesNoMoreDataThanTheFrameHolds)
{
    // Count 100 in a 17-byte frame: five bytes stand between the address
    // and the CRC; the rest of the data area keeps what it held.
    ASSERT_TRUE(parsed(soundFrame(100, 5), 17));
    EXPECT_EQ(app.linkReply.count, 100);
    EXPECT_EQ(app.linkReply.data[4], 0x5A);
    EXPECT_EQ(app.linkReply.data[5], 0x5C);
    // The longest frame fills the whole area.
    ASSERT_TRUE(parsed(soundFrame(255, maxReplyData), maxFrameLength));
    EXPECT_EQ(app.linkReply.data[maxReplyData - 1], 0x5A);
}
