// The link code against the real karvo-sim process over real
// pseudo-terminals: switch, identify, blocks, resets and the simulator's
// faults, through the program's own port layer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "link/frame.h"
#include "ports/port_access.h"
#include "ports/posix/posix_ports.h"
#include "tests/link/link_test_support.h"
#include "tests/support/hex_memory.h"
#include "tests/support/posix/sim_process.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class KarvoSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.language = languageEnglish;
        applyTexts();
        headlessReset();
        app.expectedInfo = sampleFirmwareInfo();
    }

    void TearDown() override
    {
        if (app.portOpen)
            closePort();
        posixUseSystemPorts();
        flashAckAttempts = 500;
    }

    // Starts the simulator on a fresh pseudo-terminal and opens it as COM1.
    void startSim(const std::vector<std::string>& extra)
    {
        if (app.portOpen)
            closePort();
        sim_ = std::make_unique<SimProcess>(extra);
        ASSERT_TRUE(sim_->ready()) << "the simulator did not come up: " << sim_->errorText();
        posixUsePortPaths({sim_->link()});
        ASSERT_TRUE(openPort("COM1", 19200));
        app.portOpen = true;
    }

    // The search's sequence on one port, with a shorter wait for the reply.
    int switchAndIdentify()
    {
        if (!switchToBootloader())
            return -2;
        sleepMs(60);
        if (!sendIdentify())
            return -3;
        sleepMs(100);
        return readReply();
    }

    int identify()
    {
        if (!sendIdentify())
            return -3;
        sleepMs(100);
        return readReply();
    }

    std::string transcript() { return sim_->transcript(); }

    std::unique_ptr<SimProcess> sim_;
};

}  // namespace

TEST_F(KarvoSim, SwitchAndIdentifyFindTheReaderAsItIs)
{
    startSim({"--barcode", "87654321", "--cipher", "0x01020304", "--vidpid", "0x0483DF11", "--version", "0x0203",
              "--hardware", "0x00010703"});
    EXPECT_EQ(switchAndIdentify(), 240);
    DeviceInfo expected = sampleFirmwareInfo();
    expected.barcode = 87654321;
    expected.cipherId = 0x01020304;
    expected.vidPid = 0x0483DF11;
    expected.softwareVersion = 0x0203;
    expected.hardware = 0x00010703;
    const DeviceInfo& r = app.reportedInfo;
    EXPECT_EQ(r.interfaceCode, 0x61);
    EXPECT_EQ(r.interfaceVersion, 0x0100);
    EXPECT_EQ(r.interfaceParameter, 128);
    EXPECT_EQ(r.barcode, expected.barcode);
    EXPECT_EQ(r.cipherId, expected.cipherId);
    EXPECT_EQ(r.deviceType, expected.deviceType);
    EXPECT_EQ(r.hardware, expected.hardware);
    EXPECT_EQ(r.softwareVersion, expected.softwareVersion);
    EXPECT_EQ(r.vidPid, expected.vidPid);
    EXPECT_EQ(r.flashStart, expected.flashStart);
    EXPECT_EQ(r.flashEnd, expected.flashEnd);
    EXPECT_EQ(r.eepromStart, expected.eepromStart);
    EXPECT_EQ(r.eepromEnd, expected.eepromEnd);
    EXPECT_EQ(headlessLog(), "");
    const std::string t = transcript();
    EXPECT_TRUE(contains(t, "RX AT command \"AT+BOOTL_KRM\"")) << t;
    EXPECT_TRUE(contains(t, "TX echo \"\\n\\rAT+BOOTL_KRM - OK!\"")) << t;
    EXPECT_TRUE(contains(t, "RX identify (0xF0) device=0x00000C01")) << t;
}

TEST_F(KarvoSim, ASilentReaderFailsTheSwitchAfterTheWaitAndOneTimeOut)
{
    startSim({"--fault", "silent"});
    const auto start = Clock::now();
    EXPECT_FALSE(switchToBootloader());
    const long long ms = msSince(start);
    EXPECT_GE(ms, 215);
    EXPECT_LT(ms, 600);
    EXPECT_EQ(headlessLog(), "") << "silence is not a port error";
}

TEST_F(KarvoSim, AnEchoFollowedByALineEndAndAPromptSwitches)
{
    startSim({"--fault", "echo-extra"});
    EXPECT_TRUE(switchToBootloader());
    EXPECT_TRUE(contains(transcript(), "TX echo \"\\n\\rAT+BOOTL_KRM - OK!\\r\\n>\"")) << transcript();
}

TEST_F(KarvoSim, AWrongOrCutEchoDoesNotSwitch)
{
    for (const char* fault : {"echo-cr-lf", "echo-cut", "echo-typo"}) {
        SCOPED_TRACE(fault);
        startSim({"--fault", fault});
        EXPECT_FALSE(switchToBootloader());
    }
    // The model's command only: a KRU reader ignores the KRM command.
    startSim({"--type", "0x0C00"});
    EXPECT_FALSE(switchToBootloader());
    app.expectedInfo.deviceType = 0x0C00;
    EXPECT_TRUE(switchToBootloader());
}

TEST_F(KarvoSim, AnotherDeviceOrAShortIdentifyGives255)
{
    startSim({"--fault", "other-device"});
    EXPECT_EQ(switchAndIdentify(), 255);
    EXPECT_EQ(app.reportedInfo.deviceType, 0x0C00u);
    EXPECT_EQ(app.reportedInfo.barcode, 12345678u);

    startSim({"--fault", "short-identify"});
    app.reportedInfo = sampleFirmwareInfo();
    EXPECT_EQ(switchAndIdentify(), 255);
    EXPECT_EQ(app.reportedInfo.deviceType, 0u);
    EXPECT_EQ(app.reportedInfo.barcode, 0u);
    EXPECT_EQ(app.reportedInfo.eepromEnd, 0u);
    EXPECT_EQ(app.linkReply.count, 40);
}

TEST_F(KarvoSim, SpoiledIdentifyRepliesAreNoReplyAtAll)
{
    for (const char* fault : {"bad-crc=identify", "even-length=identify", "garbage=identify"}) {
        SCOPED_TRACE(fault);
        startSim({"--start-in-bootloader", "--fault", fault});
        app.linkReply.code = 0x11;
        EXPECT_EQ(identify(), -1);
        EXPECT_EQ(app.linkReply.code, 0x11);
        EXPECT_TRUE(contains(transcript(), "TX identify reply")) << "a reply was sent";
    }
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(KarvoSim, BlocksLandInPlaceAndTheSumIsChecked)
{
    startSim({"--start-in-bootloader"});
    std::map<uint32_t, uint8_t> expected;
    uint16_t sum = 0;
    auto write = [&](uint32_t address, int n, uint8_t seed) {
        uint8_t block[128];
        for (int i = 0; i < n; ++i) {
            block[i] = static_cast<uint8_t>(seed + 37 * i);
            expected[address + static_cast<uint32_t>(i)] = block[i];
            sum = static_cast<uint16_t>(sum + block[i]);
        }
        return writeFlashBlock(address, block, static_cast<uint8_t>(n));
    };
    ASSERT_TRUE(write(0x08000000, 128, 1));
    ASSERT_TRUE(write(0x08000080, 128, 2));
    ASSERT_TRUE(write(0x08000100, 6, 3));  // padded to two words on the way
    ASSERT_TRUE(write(0x0801FFF8, 13, 4));  // across a 64 KiB boundary
    app.flashDataSum = sum;
    ASSERT_TRUE(sendResetDevice());
    sleepMs(20);
    EXPECT_EQ(readReply(), 170);

    std::map<uint32_t, uint8_t> flash = hexToMemory(sim_->flashHex());
    EXPECT_EQ(flash, expected);
    EXPECT_TRUE(contains(transcript(), "blocks=4: sum matches")) << transcript();

    // After the reset the reader runs its firmware again: one more session,
    // this time with a sum that does not fit.
    ASSERT_TRUE(switchToBootloader());
    ASSERT_TRUE(write(0x08000200, 16, 5));
    app.flashDataSum = static_cast<uint16_t>(sum + 1);
    ASSERT_TRUE(sendResetDevice());
    sleepMs(20);
    EXPECT_EQ(readReply(), 170);
    EXPECT_TRUE(contains(transcript(), "blocks=1: SUM MISMATCH")) << transcript();
    closePort();
    EXPECT_EQ(sim_->stop(), 0);
    EXPECT_TRUE(contains(sim_->errorText(), "SUM MISMATCH")) << sim_->errorText();
    EXPECT_EQ(hexToMemory(sim_->flashHex()), expected);
}

TEST_F(KarvoSim, ARefusedBlockEndsTheWriteAtOnce)
{
    startSim({"--start-in-bootloader", "--fault", "bad-ack=2"});
    uint8_t block[128] = {};
    ASSERT_TRUE(writeFlashBlock(0x08000000, block, 128));
    const auto start = Clock::now();
    EXPECT_FALSE(writeFlashBlock(0x08000080, block, 128));
    EXPECT_LT(msSince(start), 500);
    EXPECT_EQ(app.linkReply.code, 0x55);
    EXPECT_EQ(headlessLog(), "\r\n   > recording interrupted");

    // Both blocks were stored; the flash goes out when the simulator ends.
    closePort();
    EXPECT_EQ(sim_->stop(), 0);
    const std::map<uint32_t, uint8_t> flash = hexToMemory(sim_->flashHex());
    ASSERT_EQ(flash.size(), 256u);
    EXPECT_EQ(flash.begin()->first, 0x08000000u);
    EXPECT_EQ(flash.rbegin()->first, 0x080000FFu);
}

TEST_F(KarvoSim, AMissingAcknowledgementIsAskedForEveryAttempt)
{
    flashAckAttempts = 4;
    startSim({"--start-in-bootloader", "--fault", "no-ack=1"});
    uint8_t block[16] = {};
    const auto start = Clock::now();
    EXPECT_FALSE(writeFlashBlock(0x08000000, block, 16));
    const long long ms = msSince(start);
    EXPECT_GE(ms, 4 * 65);  // four attempts of 10 ms and a read time-out
    EXPECT_LT(ms, 1500);
    EXPECT_EQ(headlessLog(), "\r\n   > recording interrupted");
    EXPECT_TRUE(contains(transcript(), "no acknowledgement of block 1"));
}

TEST_F(KarvoSim, ASpoiledBlockAcknowledgementIsWaitedOutLikeSilence)
{
    // Not a refusal: the wait goes on for every attempt (the window's fault
    // matrix spoils replies of the short requests instead, to keep it short).
    flashAckAttempts = 3;
    for (const char* fault : {"bad-crc=1", "even-length=1", "garbage=1"}) {
        SCOPED_TRACE(fault);
        headlessReset();
        startSim({"--start-in-bootloader", "--fault", fault});
        uint8_t block[16] = {};
        const auto start = Clock::now();
        EXPECT_FALSE(writeFlashBlock(0x08000000, block, 16));
        EXPECT_GE(msSince(start), 3 * 65);
        EXPECT_EQ(headlessLog(), "\r\n   > recording interrupted");
        EXPECT_TRUE(contains(transcript(), "TX ack (0xAA)")) << "the reply was sent";
    }
}

TEST_F(KarvoSim, ALateAcknowledgementIsWaitedFor)
{
    startSim({"--start-in-bootloader", "--fault", "ack-delay=300"});
    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto start = Clock::now();
    EXPECT_TRUE(writeFlashBlock(0x08000000, block, 8));
    EXPECT_GE(msSince(start), 300);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(KarvoSim, ASwitchedReaderThatNeverAnswersIdentifyGivesNoReply)
{
    startSim({"--fault", "no-identify-reply"});
    EXPECT_EQ(switchAndIdentify(), -1) << "the switch is confirmed, the identify request is not answered";
    EXPECT_EQ(headlessLog(), "");
    const std::string t = transcript();
    EXPECT_TRUE(contains(t, "TX echo")) << t;
    EXPECT_TRUE(contains(t, "RX identify (0xF0)")) << t;
    EXPECT_TRUE(contains(t, "-- no identify reply")) << t;
    EXPECT_FALSE(contains(t, "TX identify reply")) << t;

    // Only identify is silent: the bootloader still takes blocks.
    uint8_t block[16] = {};
    EXPECT_TRUE(writeFlashBlock(0x08000000, block, 16));
}

TEST_F(KarvoSim, ALateAcknowledgementOfOneBlockComesWhileTheLineIsServed)
{
    startSim({"--start-in-bootloader", "--fault", "late-ack=2:400"});
    uint8_t block[16] = {};
    auto start = Clock::now();
    ASSERT_TRUE(writeFlashBlock(0x08000000, block, 16));
    EXPECT_LT(msSince(start), 300) << "block 1 is acknowledged on time";
    start = Clock::now();
    ASSERT_TRUE(writeFlashBlock(0x08000010, block, 16));
    const long long late = msSince(start);
    EXPECT_GE(late, 400);
    EXPECT_LT(late, 1500);

    // Beyond a shorter wait the block fails; the reader meanwhile answers
    // other requests, and the held acknowledgement still goes out in the end.
    flashAckAttempts = 3;
    startSim({"--start-in-bootloader", "--fault", "late-ack=1:800"});
    EXPECT_FALSE(writeFlashBlock(0x08000000, block, 16));
    EXPECT_EQ(headlessLog(), "\r\n   > recording interrupted");
    EXPECT_EQ(identify(), 240) << "the line is served while the acknowledgement is held";
    sleepMs(800);
    EXPECT_EQ(readReply(), 170) << "the held acknowledgement arrives after its time";
    const std::string t = transcript();
    EXPECT_TRUE(contains(t, "-- ack of block 1 held back 800 ms")) << t;
    EXPECT_TRUE(contains(t, "late=800ms")) << t;

    // A stop signal is not held up by a long delay.
    startSim({"--start-in-bootloader", "--fault", "late-ack=1:60000"});
    EXPECT_FALSE(writeFlashBlock(0x08000000, block, 16));
    closePort();
    start = Clock::now();
    EXPECT_EQ(sim_->stop(), 0);
    EXPECT_LT(msSince(start), 2000);
}

TEST_F(KarvoSim, AHangUpFailsTheNextBlockWithAPortError)
{
    flashAckAttempts = 3;
    startSim({"--start-in-bootloader", "--fault", "hang-up=1"});
    uint8_t block[128] = {};
    ASSERT_TRUE(writeFlashBlock(0x08000000, block, 128));
    EXPECT_EQ(sim_->waitExit(3000), 0);
    EXPECT_FALSE(writeFlashBlock(0x08000080, block, 128));
    const std::string log = headlessLog();
    EXPECT_TRUE(contains(log, "Error: Writing to COM port!") || contains(log, "Error: Reading from COM port!")) << log;
    EXPECT_TRUE(contains(log, "\r\n   > recording interrupted")) << log;
}

TEST_F(KarvoSim, SettingsAndDeviceResetsAreAcknowledgedUnlessFaulted)
{
    startSim({"--start-in-bootloader"});
    ASSERT_TRUE(sendResetSettings());
    sleepMs(20);
    EXPECT_EQ(readReply(), 170);
    EXPECT_TRUE(contains(transcript(), "address=0x08080000 (is eepromStart)")) << transcript();

    startSim({"--start-in-bootloader", "--fault", "no-settings-ack", "--fault", "no-reset-ack"});
    ASSERT_TRUE(sendResetSettings());
    sleepMs(20);
    EXPECT_EQ(readReply(), -1);
    ASSERT_TRUE(sendResetDevice());
    sleepMs(20);
    EXPECT_EQ(readReply(), -1);
    EXPECT_TRUE(contains(transcript(), "RX reset device (0xF3)"));
}

TEST_F(KarvoSim, LeavingTheBootloaderRestartsTheFirmware)
{
    startSim({});
    ASSERT_EQ(switchAndIdentify(), 240);
    ASSERT_TRUE(sendLeaveBootloader());
    sleepMs(60);
    EXPECT_EQ(identify(), -1) << "the firmware answers no frames";
    EXPECT_TRUE(switchToBootloader());
    EXPECT_TRUE(contains(transcript(), "RX leave bootloader (0xF4) device=0x00000C01"));
}

TEST_F(KarvoSim, RequestsAreFoundWhateverComesBeforeOrBetweenTheirBytes)
{
    startSim({"--start-in-bootloader"});
    uint8_t frame[frameBufferSize];

    // Bytes of no key, then a request in three pieces with pauses.
    const uint8_t noise[] = {0x00, 0xFF, 0x13, 0x37};
    ASSERT_TRUE(writeBytes(noise, sizeof noise));
    const int length = buildIdentifyFrame(frame);
    ASSERT_TRUE(writeBytes(frame, 4));
    sleepMs(40);
    ASSERT_TRUE(writeBytes(frame + 4, 5));
    sleepMs(40);
    ASSERT_TRUE(writeBytes(frame + 9, length - 9));
    sleepMs(100);
    EXPECT_EQ(readReply(), 240);

    // The head of a long write request that never completes, then a request.
    uint8_t block[128] = {};
    buildWriteBlockFrame(frame, 0x08000000, block, 128);
    ASSERT_TRUE(writeBytes(frame, 30));
    sleepMs(50);
    ASSERT_TRUE(writeBytes(frame, buildIdentifyFrame(frame)));
    sleepMs(150);
    EXPECT_EQ(readReply(), 240);
    EXPECT_TRUE(contains(transcript(), "RX garbage 30 bytes")) << transcript();
}
