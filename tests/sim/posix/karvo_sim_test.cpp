// The link code against the real karvo-sim process over real pseudo-terminals:
// the faults the simulator must produce for the updater's tests, and the
// flash and data sum it keeps.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "ports/port_access.h"
#include "ports/posix/posix_ports.h"
#include "tests/support/expected_texts.h"
#include "tests/support/hex_memory.h"
#include "tests/support/posix/sim_process.h"
#include "tests/support/sample_firmware_info.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Clock = std::chrono::steady_clock;

// The simulator's line, as the updater holds it.
Port simPort;

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
        if (portIsOpen(simPort))
            closePort(&simPort);
        posixUseSystemPorts();
        flashAckAttempts = 500;
    }

    // Starts the simulator on a fresh pseudo-terminal and opens it as COM1.
    void startSim(std::vector<std::string> args)
    {
        sim_ = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim_->ready()) << sim_->errorText();
        posixUsePortPaths({sim_->link()});
        ASSERT_TRUE(openPort(&simPort, "COM1", 19200));
    }

    std::unique_ptr<SimProcess> sim_;
};

// What the updater does in one case; readReply's status, what the switch
// heard (0 nothing, 1 a distorted echo, 2 the echo), or 1/0 for a block write
// that succeeds/fails.
int switchOnly() { return static_cast<int>(switchToBootloader(simPort)); }
int ask(bool (*send)(Port&)) { return send(simPort) ? (sleepMs(100), readReply(simPort)) : -3; }
int identify() { return ask(sendIdentify); }
int switchAndIdentify() { return switchToBootloader(simPort) == EchoHeard::exact ? (sleepMs(60), identify()) : -2; }
int resetSettings() { return ask(sendResetSettings); }
int resetDevice() { return ask(sendResetDevice); }
uint8_t zeros[128] = {};
int writeOne() { return writeFlashBlock(simPort, 0x08000000, zeros, 16); }
int writeTwo() { return writeFlashBlock(simPort, 0x08000000, zeros, 128) && writeFlashBlock(simPort, 0x08000080, zeros, 128); }

const std::string interrupted = expectedText(false, "recordingInterrupted");

}  // namespace

TEST_F(KarvoSim, EachFaultGivesTheUpdaterWhatItMustCope)
{
    const struct {
        const char* fault;
        int (*act)();
        int result;
        int attempts;             // of a block's acknowledgement
        long long minMs, maxMs;   // how long the act takes
        std::string log;          // what the headless log ends with
    } cases[] = {
        // Any echo, however spoiled, was a reader running its firmware.
        {"echo-cr-lf", switchOnly, 1, 500, 0, 1000, ""},
        {"echo-cut", switchOnly, 1, 500, 0, 1000, ""},
        {"echo-typo", switchOnly, 1, 500, 0, 1000, ""},
        {"echo-extra", switchOnly, 2, 500, 0, 1000, ""},
        {"silent", switchOnly, 0, 500, 0, 1000, ""},
        {"other-device", switchAndIdentify, 255, 500, 0, 1000, ""},
        {"short-identify", switchAndIdentify, 255, 500, 0, 1000, ""},
        {"no-identify-reply", switchAndIdentify, -1, 500, 0, 1000, ""},
        {"bad-crc=identify", switchAndIdentify, -1, 500, 0, 1000, ""},
        {"even-length=identify", switchAndIdentify, -1, 500, 0, 1000, ""},
        {"garbage=identify", switchAndIdentify, -1, 500, 0, 1000, ""},
        {"no-settings-ack", resetSettings, -1, 500, 0, 1000, ""},
        {"no-reset-ack", resetDevice, -1, 500, 0, 1000, ""},
        // A missing or spoiled acknowledgement is asked for on every attempt
        // (10 ms and a read time-out each); a refusal ends the write at once.
        {"no-ack=1", writeOne, 0, 4, 4 * 65, 1500, interrupted},
        {"bad-crc=1", writeOne, 0, 4, 4 * 65, 1500, interrupted},
        {"even-length=1", writeOne, 0, 4, 4 * 65, 1500, interrupted},
        {"garbage=1", writeOne, 0, 4, 4 * 65, 1500, interrupted},
        {"bad-ack=2", writeTwo, 0, 500, 0, 500, interrupted},
        {"ack-delay=300", writeOne, 1, 500, 300, 1500, ""},
        {"late-ack=2:400", writeTwo, 1, 500, 400, 1500, ""},
        {"hang-up=1", writeTwo, 0, 3, 0, 3000, interrupted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        headlessReset();
        flashAckAttempts = c.attempts;
        const bool inFirmware = c.act == switchOnly || c.act == switchAndIdentify;
        startSim(inFirmware ? std::vector<std::string>{"--fault", c.fault}
                            : std::vector<std::string>{"--start-in-bootloader", "--fault", c.fault});
        const auto start = Clock::now();
        EXPECT_EQ(c.act(), c.result) << sim_->transcript();
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_GE(ms, c.minMs);
        EXPECT_LT(ms, c.maxMs);
        const std::string log = headlessLog();
        EXPECT_TRUE(c.log.empty() ? log.empty() : log.ends_with(c.log)) << log;
        closePort(&simPort);
    }
}

TEST_F(KarvoSim, AWithheldAcknowledgementComesAfterItsTimeWhileTheLineIsServed)
{
    flashAckAttempts = 3;
    startSim({"--start-in-bootloader", "--fault", "late-ack=1:800"});
    EXPECT_FALSE(writeOne());
    EXPECT_EQ(identify(), 240) << "the line is served while the acknowledgement is held";
    sleepMs(800);
    EXPECT_EQ(readReply(simPort), 170) << "the held acknowledgement arrives after its time";
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
        return writeFlashBlock(simPort, address, block, static_cast<uint8_t>(n));
    };
    ASSERT_TRUE(write(0x08000000, 128, 1));
    ASSERT_TRUE(write(0x08000080, 128, 2));
    ASSERT_TRUE(write(0x08000100, 6, 3));   // padded to two words on the way
    ASSERT_TRUE(write(0x0801FFF8, 13, 4));  // across a 64 KiB boundary
    app.flashDataSum = sum;
    EXPECT_EQ(resetDevice(), 170);
    EXPECT_EQ(hexToMemory(sim_->flashHex()), expected);
    EXPECT_NE(sim_->transcript().find("blocks=4: sum matches"), std::string::npos) << sim_->transcript();

    // After the reset the reader runs its firmware again: one more session,
    // this time with a sum that does not fit.
    ASSERT_EQ(switchToBootloader(simPort), EchoHeard::exact);
    ASSERT_TRUE(write(0x08000200, 16, 5));
    app.flashDataSum = static_cast<uint16_t>(sum + 1);
    EXPECT_EQ(resetDevice(), 170);
    EXPECT_NE(sim_->transcript().find("blocks=1: SUM MISMATCH"), std::string::npos) << sim_->transcript();
}
