#include "link/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "link/crc8.h"
#include "tests/link/link_test_support.h"

namespace {

// A reply laid out by hand: key byte of entry keyIndex, the fields, the given
// bytes after the address (data and filler), the CRC, masked.
std::vector<uint8_t> handReply(int keyIndex, uint32_t device, uint8_t code, uint8_t count, uint32_t address,
                               const std::vector<uint8_t>& tail)
{
    const PacketKey key = packetKeyTable[keyIndex];
    std::vector<uint8_t> f = {static_cast<uint8_t>(key),
                              static_cast<uint8_t>(device >> 24), static_cast<uint8_t>(device >> 16),
                              static_cast<uint8_t>(device >> 8), static_cast<uint8_t>(device),
                              code, count,
                              static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
                              static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    for (uint8_t b : tail)
        f.push_back(b);
    f.push_back(crc8(f.data() + 1, static_cast<uint8_t>(f.size() - 1)));
    for (size_t i = 1; i < f.size(); ++i)
        f[i] ^= static_cast<uint8_t>(key >> (8 * (3 - (i - 1) % 4)));
    return f;
}

class ParseReply : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        // What an earlier reply left.
        app.linkReply.code = 0x77;
        memset(app.linkReply.data, 0x5C, sizeof app.linkReply.data);
    }

    bool parse(std::vector<uint8_t> frame)
    {
        frame.resize(maxFrameLength);  // room as readReply's buffer has it
        received = frame;
        return parseReply(received.data(), length);
    }

    bool parseAll(const std::vector<uint8_t>& frame)
    {
        length = static_cast<int>(frame.size());
        return parse(frame);
    }

    void expectUnchanged()
    {
        EXPECT_EQ(app.linkReply.code, 0x77);
        for (int i = 0; i < maxReplyData; ++i)
            ASSERT_EQ(app.linkReply.data[i], 0x5C) << i;
    }

    std::vector<uint8_t> received;
    int length = 0;
};

}  // namespace

TEST_F(ParseReply, StoresTheFieldsOfAValidReply)
{
    std::vector<uint8_t> tail = {1, 2, 3, 4, 5, 0xEE, 0xEF};  // five data bytes, two filler
    ASSERT_TRUE(parseAll(handReply(9, 0x00000C01, 0xF0, 5, 0x11223344, tail)));
    EXPECT_EQ(app.linkReply.key, packetKeyTable[9]);
    EXPECT_EQ(app.linkReply.device, 0x00000C01u);
    EXPECT_EQ(app.linkReply.code, 0xF0);
    EXPECT_EQ(app.linkReply.count, 5);
    EXPECT_EQ(app.linkReply.address, 0x11223344u);
    EXPECT_EQ(memcmp(app.linkReply.data, tail.data(), 5), 0);
    EXPECT_EQ(app.linkReply.data[5], 0x5C) << "filler stored as data";
}

TEST_F(ParseReply, EntryZeroIsAKeyLikeAnyOther)
{
    EXPECT_TRUE(parseAll(handReply(0, 0, 0xAA, 0, 0, {0})));
    EXPECT_EQ(app.linkReply.key, packetKeyTable[0]);
    EXPECT_TRUE(parseAll(handReply(127, 0, 0xAB, 0, 0, {0})));
    EXPECT_EQ(app.linkReply.key, packetKeyTable[127]);
}

TEST_F(ParseReply, RejectsShortAndEvenLengthsWhateverTheyHold)
{
    // 12 bytes with a sound CRC: a whole frame without data.
    EXPECT_FALSE(parseAll(handReply(3, 0, 0xAA, 0, 0, {})));
    expectUnchanged();
    // 14 bytes with a sound CRC.
    EXPECT_FALSE(parseAll(handReply(3, 0, 0xAA, 0, 0, {0, 0})));
    expectUnchanged();
    // The same 13 bytes that pass, offered as fewer.
    const auto good = handReply(3, 0, 0xAA, 0, 0, {0});
    for (int n : {0, 1, 11, 12}) {
        length = n;
        EXPECT_FALSE(parse(good)) << n;
    }
    expectUnchanged();
}

TEST_F(ParseReply, RejectsAnUnknownKeyAndABadCrc)
{
    auto frame = handReply(5, 0, 0xAA, 0, 0, {0});
    bool found = true;
    uint8_t keyless = 0;
    for (int b = 0; b < 256 && found; ++b) {
        keyless = static_cast<uint8_t>(b);
        tableKeyOf(keyless, &found);
    }
    auto unknown = frame;
    unknown[0] = keyless;
    EXPECT_FALSE(parseAll(unknown));
    expectUnchanged();
    for (size_t i = 1; i < frame.size(); ++i) {
        auto bad = frame;
        bad[i] ^= 0x10;
        EXPECT_FALSE(parseAll(bad)) << "byte " << i;
    }
    expectUnchanged();
}

TEST_F(ParseReply, CopiesNoMoreDataThanTheFrameHolds)
{
    // Count 100 in a 17-byte frame: five bytes stand between the address
    // and the CRC, so five are taken and the rest of the area stays.
    ASSERT_TRUE(parseAll(handReply(7, 0, 0xF0, 100, 0, {9, 8, 7, 6, 5})));
    EXPECT_EQ(app.linkReply.count, 100);
    const uint8_t taken[] = {9, 8, 7, 6, 5};
    EXPECT_EQ(memcmp(app.linkReply.data, taken, 5), 0);
    for (int i = 5; i < maxReplyData; ++i)
        ASSERT_EQ(app.linkReply.data[i], 0x5C) << i;

    // Count 255 in the longest frame: 129 bytes, the whole area, no more.
    std::vector<uint8_t> tail(maxReplyData);
    for (int i = 0; i < maxReplyData; ++i)
        tail[i] = static_cast<uint8_t>(i);
    const auto longest = handReply(8, 0, 0xF0, 255, 0, tail);
    ASSERT_EQ(longest.size(), 141u);
    ASSERT_TRUE(parseAll(longest));
    EXPECT_EQ(memcmp(app.linkReply.data, tail.data(), maxReplyData), 0);
}

TEST_F(ParseReply, RejectsMoreBytesThanAFrameHas)
{
    std::vector<uint8_t> tail(maxReplyData + 2, 0);
    auto frame = handReply(8, 0, 0xF0, 0, 0, tail);  // 143 bytes, odd, sound CRC
    ASSERT_EQ(frame.size(), 143u);
    length = 143;
    received = frame;
    received.resize(frameBufferSize + 4);
    EXPECT_FALSE(parseReply(received.data(), length));
    expectUnchanged();
}

TEST_F(ParseReply, CountZeroChangesTheCodeButNoData)
{
    ASSERT_TRUE(parseAll(handReply(2, 0, 0xAA, 0, 0, {0x12, 0x34, 0x56})));
    EXPECT_EQ(app.linkReply.code, 0xAA);
    EXPECT_EQ(app.linkReply.count, 0);
    for (int i = 0; i < maxReplyData; ++i)
        ASSERT_EQ(app.linkReply.data[i], 0x5C) << i;
}

TEST(ReplyFrame, EveryCountGivesAnOddFrameThatParsesBack)
{
    resetAppState();
    uint8_t data[128];
    for (int i = 0; i < 128; ++i)
        data[i] = static_cast<uint8_t>(0xA0 ^ i);
    for (int count = 0; count <= 128; ++count) {
        uint8_t frame[frameBufferSize];
        const int length = buildReplyFrame(frame, packetKeyTable[count % keyTableSize],
                                           FrameFields{0x0C03, 0xF0, static_cast<uint8_t>(count), 0x01020304}, data);
        ASSERT_EQ(length % 2, 1) << count;
        ASSERT_GE(length, 13) << count;
        ASSERT_LE(length, 141) << count;
        ASSERT_EQ((length - 1) % 4, 0) << count;
        ASSERT_TRUE(parseReply(frame, length)) << count;
        EXPECT_EQ(app.linkReply.device, 0x0C03u);
        EXPECT_EQ(app.linkReply.address, 0x01020304u);
        EXPECT_EQ(app.linkReply.count, count);
        EXPECT_EQ(memcmp(app.linkReply.data, data, static_cast<size_t>(count)), 0) << count;
    }
}
