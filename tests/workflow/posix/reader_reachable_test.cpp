// A reader is never left half-written and unreachable: a failed job leaves
// it in its bootloader, where the next search finds it and START finishes
// the update; nothing ends a running job from outside; the leave request
// goes only to a reader whose firmware is whole.
#include "tests/workflow/posix/workflow_fixture.h"

namespace {

// Several blocks, so that a fault or a command can land mid-job.
std::string imageOfBlocks(uint32_t version = 0x0105)
{
    return smallImage(0x0C01, version, 24);
}

bool sentLeave(SimProcess& sim)
{
    sim.stop();
    return sim.transcript().find("leave bootloader") != std::string::npos;
}

// The reader's flash holds exactly the image's records, and the data sum
// it was reset with matched what it received.
void expectFlashHoldsImage(SimProcess& sim, const std::string& image)
{
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), hexToMemory(image, 124));
    const std::string transcript = sim.transcript();
    const size_t lastReset = transcript.rfind("RX reset device");
    ASSERT_NE(lastReset, std::string::npos) << transcript;
    EXPECT_NE(transcript.find("sum matches", lastReset), std::string::npos) << transcript;
}

}  // namespace

TEST_F(WorkflowTest, AJobFailedAtABlockIsFinishedBySearchThenStart)
{
    const std::string image = imageOfBlocks();
    carryImage(image);
    SimProcess sim({"--fault", "bad-ack=2"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    runUpdateJob();
    ASSERT_EQ(app.lastJob, JobOutcome::failedWriting);
    EXPECT_EQ(app.jobBlock, 2);

    searchAgain();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    EXPECT_TRUE(app.foundInBootloader);
    EXPECT_NE(log().find("\r\n   > Eeprom:\t\t4KB\r\n   > found in its bootloader: the firmware may be incomplete"),
              std::string::npos)
        << log();
    EXPECT_TRUE(headlessQuestions().empty());
    runUpdateJob();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    expectFlashHoldsImage(sim, image);
}

TEST_F(WorkflowTest, AReaderStartedInItsBootloaderIsOfferedWithoutAQuestionAndUpdated)
{
    // Same version as the image: a running reader would be asked about.
    const std::string image = imageOfBlocks(0x0104);
    carryImage(image);
    SimProcess sim({"--start-in-bootloader"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    EXPECT_TRUE(headlessQuestions().empty());
    EXPECT_NE(log().find("found in its bootloader: the firmware may be incomplete\r\n"
                         "\r\n------------------------------------------------\r\n>> UPDATE YOUR DEVICE FIRMWARE!"),
              std::string::npos)
        << log();
    runUpdateJob();
    expectFlashHoldsImage(sim, image);
}

// What closing the program sends to the reader, after each way a reader
// can be in its bootloader.
TEST_F(WorkflowTest, TheLeaveRequestGoesOnlyToAReaderKnownWhole)
{
    struct Case {
        const char* what;
        std::vector<std::string> simArgs;
        bool switchLanguageAndSearchAgain;
        bool leaves;
    };
    const Case cases[] = {
        {"found running, declined", {"--version", "0x200"}, false, true},
        {"found running, declined, language switch, found again in its bootloader", {"--version", "0x200"}, true,
         true},
        {"found in its bootloader at start: firmware of unknown state", {"--start-in-bootloader"}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetAppState();
        headlessReset();
        app.language = languageEnglish;
        applyTexts();
        carryImage(smallImage());
        SimProcess sim(c.simArgs);
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        ASSERT_TRUE(app.portOpen);
        if (c.switchLanguageAndSearchAgain) {
            switchLanguage(languageEnglish);
            searchAgain();
            ASSERT_TRUE(app.foundInBootloader) << log();
        }
        shutdown();
        EXPECT_FALSE(app.portOpen);
        EXPECT_EQ(sentLeave(sim), c.leaves) << sim.transcript();
    }
}

// Every way of ending the program or closing the port, tried while the job
// runs: none reaches the port; the close is carried out when the job ends.
TEST_F(WorkflowTest, NothingEndsARunningJobFromOutside)
{
    const std::string image = imageOfBlocks();
    carryImage(image);
    SimProcess sim({"--pace"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    startUpdateJob();
    ASSERT_EQ(app.activity, Activity::updating);
    EXPECT_FALSE(enabled(Control::mainWindow)) << "START disables the window before the worker runs";
    EXPECT_EQ(cp1251ToUtf8(headlessSessionEndReason().c_str()),
              "The reader's firmware is being written. Wait for the update to finish.");

    const struct {
        const char* what;
        void (*command)();
    } commands[] = {
        {"close", [] { EXPECT_FALSE(requestClose()); }},
        {"language", [] { switchLanguage(languageRussian); }},
        {"search", [] { searchCommand(); }},
        {"second start", [] { startUpdateJob(); }},
    };
    const ThreadHandle worker = app.jobThread;
    for (const auto& c : commands) {
        SCOPED_TRACE(c.what);
        c.command();
        EXPECT_TRUE(app.portOpen);
        EXPECT_EQ(app.language, languageEnglish);
        EXPECT_EQ(headlessTimerPeriod(1), 0u) << "no countdown started";
        EXPECT_EQ(app.jobThread, worker);
        EXPECT_FALSE(headlessWindowClosed());
    }
    EXPECT_FALSE(sessionMayEnd());

    joinWorker();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    EXPECT_NE(log().find(">> Device found:"), std::string::npos) << "the console was cleared";
    EXPECT_TRUE(sessionMayEnd());
    EXPECT_EQ(headlessSessionEndReason(), "");
    EXPECT_TRUE(headlessWindowClosed()) << "the close waited for the end of the job";
    EXPECT_TRUE(headlessQuitPosted());
    expectFlashHoldsImage(sim, image);
    EXPECT_EQ(sim.transcript().find("leave bootloader"), std::string::npos);
}

// The search runs on the worker too: a close waits for its end, and the
// language stays as it is.
TEST_F(WorkflowTest, TheCloseWaitsForARunningSearch)
{
    carryImage(smallImage());
    SimProcess sim({"--fault", "silent"});  // the switch waits out its time on the port
    ASSERT_TRUE(sim.ready());
    posixUsePortPaths({sim.link()});
    printHeader();
    enableControl(Control::mainWindow, false);
    startCountdown();
    for (int tick = 0; tick < 100; ++tick)
        countdownTick();
    ASSERT_EQ(app.activity, Activity::searching);
    const uint8_t language = app.language;
    EXPECT_FALSE(requestClose());
    switchLanguage(language == languageRussian ? languageEnglish : languageRussian);
    EXPECT_EQ(app.language, language);
    EXPECT_FALSE(headlessWindowClosed());
    joinWorker();
    EXPECT_TRUE(headlessWindowClosed()) << "the close waited for the end of the search";
}

TEST_F(WorkflowTest, TheEndOfTheSessionStopsTheJobAndNothingMoreIsSent)
{
    carryImage(imageOfBlocks());
    SimProcess sim({"--fault", "ack-delay=150"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    startUpdateJob();
    sleepMs(200);
    endSession();
    joinWorker();
    EXPECT_EQ(app.lastJob, JobOutcome::stopped);
    EXPECT_GE(app.jobBlock, 2);
    shutdown();
    sim.stop();
    const std::string transcript = sim.transcript();
    EXPECT_EQ(transcript.find("reset"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.find("leave bootloader"), std::string::npos) << transcript;
    const std::string lastBlock = "#" + std::to_string(app.jobBlock - 1) + " ";
    EXPECT_NE(transcript.find(lastBlock), std::string::npos) << "the block in flight was completed";
    EXPECT_EQ(transcript.find("#" + std::to_string(app.jobBlock) + " "), std::string::npos)
        << "no block after the stop";
}

TEST_F(WorkflowTest, AWorkerThatCannotStartWritesNothingAndStartWorksAgain)
{
    const std::string image = imageOfBlocks();
    carryImage(image);
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    startWorkerThread = [](void (*)()) -> ThreadHandle { return 0; };
    startUpdateJob();
    startWorkerThread = startThread;
    EXPECT_EQ(app.lastJob, JobOutcome::notStarted);
    EXPECT_NE(log().find("\r\n>> Error: the update could not be started!"), std::string::npos);
    EXPECT_TRUE(enabled(Control::mainWindow));
    EXPECT_TRUE(enabled(Control::startButton));
    EXPECT_TRUE(enabled(Control::updateOption));
    EXPECT_EQ(app.activity, Activity::idle);
    EXPECT_TRUE(app.portOpen);
    runUpdateJob();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    expectFlashHoldsImage(sim, image);
}
