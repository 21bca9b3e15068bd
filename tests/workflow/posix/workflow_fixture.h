// Drives the portable workflow the way the window would (countdown ticks,
// START, timer 2, close) over the headless window layer, against the reader
// simulator on a real pseudo-terminal.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/system.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "ports/port_access.h"
#include "ports/posix/posix_ports.h"
#include "tests/support/expected_texts.h"
#include "tests/support/hex_text.h"
#include "tests/support/hex_memory.h"
#include "tests/support/posix/sim_process.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "workflow/commands.h"
#include "workflow/reports.h"
#include "ui/text_table.h"
#include "workflow/shutdown.h"
#include "workflow/reader_port.h"
#include "workflow/update_job.h"
#include "workflow/worker.h"

// A small image: 124 bytes of bootloader records, then the identity
// records and the version record streamed from 0x08004800 and 0x08005400.
inline std::string smallImage(uint32_t deviceType = 0x0C01, uint32_t version = 0x0105, int extraRecords = 3)
{
    std::string text;
    text += hexRecord(0, {0x08, 0x00}, 4);                                      // 16
    text += hexRecord(0x0000, std::vector<uint8_t>(16, 0x11));                   // 44
    text += hexRecord(0x0010, std::vector<uint8_t>(16, 0x22));                   // 44
    text += hexRecord(0x0020, std::vector<uint8_t>(4, 0x33));                    // 20
    EXPECT_EQ(text.size(), 124u);
    text += hexRecord(0, {0x08, 0x00}, 4);
    text += hexRecord(0x4800, wordsLittleEndian({12345678, 0x0A000001, deviceType, 0x00010203}));
    text += hexRecord(0x4810, wordsLittleEndian({0x1234ABCD, 0x08000000, 0x08040000, 0x08080000}));
    text += hexRecord(0x4820, wordsLittleEndian({0x08081000, 0x44444444, 0x55555555, 0x66666666}));
    text += hexRecord(0, {0x08, 0x00}, 4);
    text += hexRecord(0x5400, wordsLittleEndian({version, 0x77777777, 0x88888888, 0x99999999}));
    for (int i = 0; i < extraRecords; ++i) {
        std::vector<uint8_t> data(16);
        for (int k = 0; k < 16; ++k)
            data[static_cast<size_t>(k)] = static_cast<uint8_t>(i * 16 + k);
        text += hexRecord(static_cast<uint16_t>(0x5410 + 16 * i), data);
    }
    text += hexRecord(0, {}, 1);
    return text;
}

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        removeResourceOverrides();
        restart(false);
        ASSERT_TRUE(loadImageAtStart());
        ASSERT_TRUE(loadAppConfig());
    }

    void TearDown() override
    {
        closePort(&readerPort());
        removeResourceOverrides();
        posixUseSystemPorts();
    }

    // A program started afresh, for the next case of a table.
    static void restart(bool russian)
    {
        resetAppState();
        headlessReset();
        headlessSetQuestionPolicy(nullptr);
        useLanguage(russian);
    }

    // The reader's flash holds exactly the image's records, and the data sum
    // it was last reset with matched what it received.
    static void expectFlashHoldsImage(SimProcess& sim, const std::string& image)
    {
        sim.stop();
        EXPECT_EQ(hexToMemory(sim.flashHex()), hexToMemory(image, 124));
        const std::string transcript = sim.transcript();
        const size_t lastReset = transcript.rfind("RX reset device");
        ASSERT_NE(lastReset, std::string::npos) << transcript;
        EXPECT_NE(transcript.find("sum matches", lastReset), std::string::npos) << transcript;
    }

    // Makes the program carry another image text (LF line ends) and reloads it.
    void carryImage(const std::string& text)
    {
        packed_ = packText(text);
        overrideResourceBlob(imageResourceId, imageResourceType, packed_.data(),
                             static_cast<uint32_t>(packed_.size()));
        app.expectedInfo = DeviceInfo{};
        ASSERT_TRUE(loadImageAtStart());
    }

    void carryConfig(const std::string& text)
    {
        config_ = text;
        overrideResourceBlob(configResourceId, configResourceType,
                             reinterpret_cast<const uint8_t*>(config_.data()), static_cast<uint32_t>(config_.size()));
        app.resetSettingsDefault = false;
        ASSERT_TRUE(loadAppConfig());
    }

    // Start-up as the window does it: header, disabled window, countdown, search.
    void startUpAndSearch(const std::vector<std::string>& ports)
    {
        posixUsePortPaths(ports);
        printHeader();
        enableControl(Control::mainWindow, false);
        runCountdown();
    }

    // SEARCH pressed.
    void searchAgain()
    {
        searchCommand();
        runCountdownTicks();
    }

    void runCountdown()
    {
        startCountdown();
        runCountdownTicks();
    }

    // The ticks of timer 1, without the 10 ms between them.
    void runCountdownTicks()
    {
        int ticks = 0;
        while (ticks < 100 && headlessTimerPeriod(1) != 0) {
            countdownTick();
            ++ticks;
        }
        EXPECT_EQ(ticks, 100) << "the countdown ended early";
        EXPECT_EQ(headlessTimerPeriod(1), 0u) << "the countdown did not end after 100 ticks";
        joinWorker();
    }

    // START, then the job's end once the worker is done.
    void runUpdateJob()
    {
        startUpdateJob();
        joinWorker();
        EXPECT_FALSE(workerBusy());
    }

    static void useLanguage(bool russian)
    {
        app.language = russian ? languageRussian : languageEnglish;
        applyTexts();
    }

    // The text of key in the language the program shows now.
    static std::string expected(const std::string& key,
                                std::initializer_list<std::pair<std::string, std::string>> fill = {})
    {
        return expectedText(app.language == languageRussian, key, fill);
    }

    // Everything the console showed from the first text of key on.
    static std::string logFrom(const std::string& key)
    {
        const std::string text = log();
        return text.substr(std::min(text.find(expected(key)), text.size()));
    }

    static bool enabled(Control c) { return headlessControl(c).enabled; }
    static bool checked(Control c) { return headlessControl(c).checked; }
    static std::string log() { return cp1251ToUtf8(headlessLog().c_str()); }

    std::vector<uint8_t> packed_;
    std::string config_;
};
