// The requests byte for byte, before masking, and the preparation of a flash
// block. The frames are unmasked here independently of the link code.
#include "link/bootloader_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "link/bootloader_switch.h"
#include "link/crc8.h"
#include "tests/link/link_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

class RequestFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.expectedInfo = sampleFirmwareInfo();
    }

    // Checks what every request shares and returns the plain frame.
    Bytes checkedPlain(const uint8_t* frame, int length)
    {
        bool found = false;
        tableKeyOf(frame[0], &found);
        EXPECT_TRUE(found) << "key byte of no table entry";
        EXPECT_EQ((length - 1) % 4, 0) << "mask groups not whole";
        Bytes plain = plainFrame(frame, length);
        EXPECT_EQ(crc8(plain.data() + 1, static_cast<uint8_t>(length - 2)), plain[length - 1]);
        return plain;
    }

    static uint32_t be32(const Bytes& b, int at)
    {
        return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
    }
};

}  // namespace

TEST_F(RequestFrames, IdentifyForAKrm)
{
    uint8_t frame[frameBufferSize];
    ASSERT_EQ(buildIdentifyFrame(frame), 13);
    const Bytes plain = checkedPlain(frame, 13);
    const Bytes head = {0x00, 0x00, 0x0C, 0x01, 0xF0, 0x01};
    EXPECT_EQ(Bytes(plain.begin() + 1, plain.begin() + 7), head);
}

TEST_F(RequestFrames, ResetSettingsCarriesTheImagesEepromStart)
{
    app.expectedInfo.eepromStart = 0x0808A1B2;
    uint8_t frame[frameBufferSize];
    ASSERT_EQ(buildResetSettingsFrame(frame), 13);
    const Bytes plain = checkedPlain(frame, 13);
    EXPECT_EQ(be32(plain, 1), 0x0C01u);
    EXPECT_EQ(plain[5], 0xF2);
    EXPECT_EQ(plain[6], 0x01);
    EXPECT_EQ(be32(plain, 7), 0x0808A1B2u);
}

TEST_F(RequestFrames, ResetDeviceCarriesTheSumInBytes9And10)
{
    app.flashDataSum = 0xBEEF;
    uint8_t frame[frameBufferSize];
    ASSERT_EQ(buildResetDeviceFrame(frame), 13);
    const Bytes plain = checkedPlain(frame, 13);
    EXPECT_EQ(plain[5], 0xF3);
    EXPECT_EQ(plain[6], 0x01);
    EXPECT_EQ(plain[9], 0xBE);
    EXPECT_EQ(plain[10], 0xEF);
}

TEST_F(RequestFrames, LeaveBootloaderAddressesBothUsbBoardsAsThePowerBoard)
{
    const struct {
        uint32_t type;
        uint8_t t;
    } cases[] = {{0x0C00, 0x00}, {0x0C01, 0x01}, {0x0C02, 0x03}, {0x0C03, 0x03}, {0x0C04, 0x03}, {0x12345678, 0x03}};
    for (const auto& c : cases) {
        app.expectedInfo.deviceType = c.type;
        uint8_t frame[frameBufferSize];
        ASSERT_EQ(buildLeaveBootloaderFrame(frame), 13);
        const Bytes plain = checkedPlain(frame, 13);
        const Bytes head = {0x00, 0x00, 0x0C, c.t, 0xF4, 0x01};
        EXPECT_EQ(Bytes(plain.begin() + 1, plain.begin() + 7), head) << std::hex << c.type;
    }
}

TEST_F(RequestFrames, WriteBlockFramesOf17_21And141Bytes)
{
    uint8_t data[128];
    for (int i = 0; i < 128; ++i)
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    const struct {
        int n;
        int length;
    } cases[] = {{1, 17}, {4, 17}, {5, 21}, {6, 21}, {7, 21}, {8, 21}, {127, 141}, {128, 141}};
    for (const auto& c : cases) {
        uint8_t frame[frameBufferSize];
        const int length = buildWriteBlockFrame(frame, 0x08001F80, data, static_cast<uint8_t>(c.n));
        ASSERT_EQ(length, c.length) << c.n;
        EXPECT_EQ(writeBlockFrameLength(c.n), c.length);
        const Bytes plain = checkedPlain(frame, length);
        EXPECT_EQ(be32(plain, 1), 0x0C01u);
        EXPECT_EQ(plain[5], 0xF1);
        EXPECT_EQ(plain[6], c.n) << "count is the block's own length";
        EXPECT_EQ(be32(plain, 7), 0x08001F80u);
        // The whole words of the buffer, then one filler byte and the CRC.
        const int words = 4 * ((c.n + 3) / 4);
        EXPECT_EQ(memcmp(plain.data() + 11, data, static_cast<size_t>(words)), 0) << c.n;
        EXPECT_EQ(11 + words + 1 + 1, length);
    }
}

TEST(FlashBlock, WordsTravelWithTheirBytesReversed)
{
    uint8_t block[128];
    for (int i = 0; i < 128; ++i)
        block[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(prepareFlashBlock(block, 128), 128);
    for (int w = 0; w < 32; ++w)
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(block[4 * w + i], 4 * w + 3 - i) << "word " << w;
}

TEST(FlashBlock, AShortBlockIsPaddedToWholeWordsBeforeTheReversal)
{
    uint8_t block[12] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(prepareFlashBlock(block, 6), 8);
    const uint8_t expected[12] = {0xB3, 0xB2, 0xB1, 0xB0, 0xFF, 0xFF, 0xB5, 0xB4, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(memcmp(block, expected, sizeof block), 0) << "past the last word nothing may change";

    uint8_t one[4] = {0x42, 0x00, 0x00, 0x00};
    EXPECT_EQ(prepareFlashBlock(one, 1), 4);
    const uint8_t oneExpected[4] = {0xFF, 0xFF, 0xFF, 0x42};
    EXPECT_EQ(memcmp(one, oneExpected, 4), 0);
}

TEST_F(RequestFrames, EveryByteOfAShortBlockReachesTheDeviceInItsPlace)
{
    // What a bootloader does with the frame: undo the reversal of the words
    // of the data area and keep count bytes.
    for (int n = 1; n <= 12; ++n) {
        uint8_t block[12];
        for (int i = 0; i < 12; ++i)
            block[i] = static_cast<uint8_t>(0xC0 + i);
        prepareFlashBlock(block, static_cast<uint8_t>(n));
        uint8_t frame[frameBufferSize];
        const int length = buildWriteBlockFrame(frame, 0x08000000, block, static_cast<uint8_t>(n));
        const Bytes plain = checkedPlain(frame, length);
        const int count = plain[6];
        ASSERT_EQ(count, n);
        for (int i = 0; i < count; ++i) {
            const int word = i / 4, inWord = i % 4;
            EXPECT_EQ(plain[11 + 4 * word + 3 - inWord], 0xC0 + i) << "n " << n << " byte " << i;
        }
    }
}

TEST(BootloaderSwitch, CommandAndEchoByDeviceType)
{
    EXPECT_STREQ(bootloaderCommand(0x0C00), "AT+BOOTL_KRU");
    EXPECT_STREQ(bootloaderCommand(0x0C01), "AT+BOOTL_KRM");
    for (uint32_t type : {0x0C02u, 0x0C03u, 0x0C04u, 0u, 0x00010C01u})
        EXPECT_STREQ(bootloaderCommand(type), "AT+BOOTL_USB") << std::hex << type;
    char echo[bootloaderEchoLength + 1];
    bootloaderEcho(0x0C01, echo);
    EXPECT_STREQ(echo, "\n\rAT+BOOTL_KRM - OK!");
    EXPECT_EQ(strlen(echo), 20u);
}
