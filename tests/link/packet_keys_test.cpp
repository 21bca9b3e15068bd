#include "link/packet_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/system.h"
#include "image/image_keys.h"

TEST(KeyTables, LowBytesAreDistinctAndImageTableSharesTheFirst32)
{
    std::set<uint8_t> packetLows, imageLows;
    for (int i = 0; i < keyTableSize; ++i) {
        packetLows.insert(static_cast<uint8_t>(packetKeyTable[i]));
        imageLows.insert(static_cast<uint8_t>(imageKeyTable[i]));
    }
    EXPECT_EQ(packetLows.size(), 128u);
    EXPECT_EQ(imageLows.size(), 128u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(imageKeyTable[i], packetKeyTable[i]) << i;
    int sameBeyond = 0;
    for (int i = 32; i < keyTableSize; ++i)
        sameBeyond += imageKeyTable[i] == packetKeyTable[i];
    EXPECT_LT(sameBeyond, 96) << "the image table has no keys of its own";
}

TEST(KeyTables, FindPacketKeyFindsEveryEntryAndNothingElse)
{
    std::set<uint8_t> lows;
    for (int i = 0; i < keyTableSize; ++i) {
        PacketKey found = 0;
        ASSERT_TRUE(findPacketKey(static_cast<uint8_t>(packetKeyTable[i]), &found));
        EXPECT_EQ(found, packetKeyTable[i]);
        lows.insert(static_cast<uint8_t>(packetKeyTable[i]));
    }
    int misses = 0;
    for (int b = 0; b < 256; ++b) {
        PacketKey found = 0x5A5A5A5A;
        if (!lows.count(static_cast<uint8_t>(b))) {
            EXPECT_FALSE(findPacketKey(static_cast<uint8_t>(b), &found));
            EXPECT_EQ(found, 0x5A5A5A5Au) << "a failed search wrote the key";
            ++misses;
        }
    }
    EXPECT_EQ(misses, 128);
}

TEST(MaskBytes, MasksWholeGroupsMostSignificantByteFirst)
{
    const PacketKey key = 0x11223344;
    uint8_t bytes[16] = {};
    maskBytes(key, bytes, 0);
    for (uint8_t b : bytes)
        EXPECT_EQ(b, 0) << "length 0 changed something";

    maskBytes(key, bytes, 12);
    const uint8_t group[4] = {0x11, 0x22, 0x33, 0x44};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bytes[i], group[i % 4]) << i;
    for (int i = 12; i < 16; ++i)
        EXPECT_EQ(bytes[i], 0) << "byte past length 12 changed";

    uint8_t five[8] = {};
    maskBytes(key, five, 5);
    EXPECT_EQ(memcmp(five, "\x11\x22\x33\x44\x11\x22\x33\x44", 8), 0) << "the last group is masked whole";
}

TEST(MaskBytes, MaskingTwiceRestoresTheFrame)
{
    uint8_t frame[144];
    for (int i = 0; i < 144; ++i)
        frame[i] = static_cast<uint8_t>(i * 37 + 5);
    uint8_t copy[144];
    memcpy(copy, frame, sizeof frame);
    maskBytes(packetKeyTable[5], frame + 1, 140);
    EXPECT_NE(memcmp(frame, copy, sizeof frame), 0);
    maskBytes(packetKeyTable[5], frame + 1, 140);
    EXPECT_EQ(memcmp(frame, copy, sizeof frame), 0);
}

TEST(RandomChoices, EveryKeyTakenIsATableEntry)
{
    for (int i = 0; i < 20; ++i) {
        const PacketKey key = pickPacketKey();
        PacketKey found = 0;
        ASSERT_TRUE(findPacketKey(static_cast<uint8_t>(key), &found));
        EXPECT_EQ(found, key);
    }
}
