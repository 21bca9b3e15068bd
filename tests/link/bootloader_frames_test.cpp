// The requests as the reader reads them, unmasked here apart from the link
// code, the flash block's word order, and the switch command by model.
#include "link/bootloader_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "link/bootloader_switch.h"
#include "tests/link/link_test_support.h"

using Bytes = std::vector<uint8_t>;

TEST(Requests, ShortRequestsByteForByte)
{
    resetAppState();
    app.expectedInfo = sampleFirmwareInfo();
    app.expectedInfo.eepromStart = 0x0808A1B2;
    app.flashDataSum = 0xBEEF;
    const struct {
        const char* what;
        uint32_t deviceType;
        int (*build)(uint8_t*);
        Bytes head;  // plain bytes 1 to 6: device field, code, count
        int at;      // where the known part of the address field starts
        Bytes known;
    } cases[] = {
        {"identify", 0x0C01, buildIdentifyFrame, {0, 0, 0x0C, 0x01, 0xF0, 1}, 11, {}},
        {"reset settings", 0x0C01, buildResetSettingsFrame, {0, 0, 0x0C, 0x01, 0xF2, 1}, 7, {0x08, 0x08, 0xA1, 0xB2}},
        {"reset device", 0x0C01, buildResetDeviceFrame, {0, 0, 0x0C, 0x01, 0xF3, 1}, 9, {0xBE, 0xEF}},
        // The serial readers are addressed as themselves; both USB boards and
        // anything else as the power board.
        {"leave, KRU", 0x0C00, buildLeaveBootloaderFrame, {0, 0, 0x0C, 0x00, 0xF4, 1}, 11, {}},
        {"leave, KRM", 0x0C01, buildLeaveBootloaderFrame, {0, 0, 0x0C, 0x01, 0xF4, 1}, 11, {}},
        {"leave, USB main", 0x0C02, buildLeaveBootloaderFrame, {0, 0, 0x0C, 0x03, 0xF4, 1}, 11, {}},
        {"leave, USB power", 0x0C03, buildLeaveBootloaderFrame, {0, 0, 0x0C, 0x03, 0xF4, 1}, 11, {}},
        {"leave, unknown", 0x12345678, buildLeaveBootloaderFrame, {0, 0, 0x0C, 0x03, 0xF4, 1}, 11, {}},
    };
    for (const auto& c : cases) {
        app.expectedInfo.deviceType = c.deviceType;
        uint8_t frame[frameBufferSize];
        ASSERT_EQ(c.build(frame), 13) << c.what;
        const Bytes plain = plainFrame(frame, 13);
        EXPECT_EQ(Bytes(plain.begin() + 1, plain.begin() + 7), c.head) << c.what;
        EXPECT_EQ(Bytes(plain.begin() + c.at, plain.begin() + c.at + static_cast<int>(c.known.size())), c.known)
            << c.what;
    }
}

TEST(Requests, WriteBlockCarriesTheWholeWordsOfItsBlock)
{
    resetAppState();
    app.expectedInfo = sampleFirmwareInfo();
    uint8_t data[128];
    for (int i = 0; i < 128; ++i)
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    const struct {
        int n;
        int length;
    } cases[] = {{1, 17}, {4, 17}, {5, 21}, {8, 21}, {127, 141}, {128, 141}};
    for (const auto& c : cases) {
        uint8_t frame[frameBufferSize];
        ASSERT_EQ(buildWriteBlockFrame(frame, 0x08001F80, data, static_cast<uint8_t>(c.n)), c.length) << c.n;
        const Bytes plain = plainFrame(frame, c.length);
        const Bytes head = {0, 0, 0x0C, 0x01, 0xF1, static_cast<uint8_t>(c.n), 0x08, 0x00, 0x1F, 0x80};
        EXPECT_EQ(Bytes(plain.begin() + 1, plain.begin() + 11), head) << c.n;
        EXPECT_EQ(memcmp(plain.data() + 11, data, static_cast<size_t>(c.length - 13)), 0) << c.n;
    }
}

TEST(FlashBlock, WordsTravelReversedAndAShortBlockIsPaddedFirst)
{
    const struct {
        int n;
        int padded;
        Bytes before, after;  // bytes past the padded length must not change
    } cases[] = {
        {8, 8, {0, 1, 2, 3, 4, 5, 6, 7, 9}, {3, 2, 1, 0, 7, 6, 5, 4, 9}},
        {6, 8, {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0x11, 0x22, 0x33}, {0xB3, 0xB2, 0xB1, 0xB0, 0xFF, 0xFF, 0xB5, 0xB4, 0x33}},
        {1, 4, {0x42, 0, 0, 0, 0x77}, {0xFF, 0xFF, 0xFF, 0x42, 0x77}},
    };
    for (const auto& c : cases) {
        Bytes block = c.before;
        EXPECT_EQ(prepareFlashBlock(block.data(), static_cast<uint8_t>(c.n)), c.padded) << c.n;
        EXPECT_EQ(block, c.after) << c.n;
    }
}

TEST(BootloaderSwitch, CommandAndEchoByModel)
{
    const std::pair<uint32_t, std::string> cases[] = {{0x0C00, "AT+BOOTL_KRU"}, {0x0C01, "AT+BOOTL_KRM"},
                                                      {0x0C02, "AT+BOOTL_USB"}, {0x0C03, "AT+BOOTL_USB"},
                                                      {0x00010C01, "AT+BOOTL_USB"}};
    for (const auto& [type, command] : cases)
        EXPECT_EQ(bootloaderCommand(type), command) << std::hex << type;
    char echo[bootloaderEchoLength + 1];
    bootloaderEcho(0x0C01, echo);
    EXPECT_STREQ(echo, "\n\rAT+BOOTL_KRM - OK!");
}
