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

}  // namespace

// What the search makes of the reader, and what closing the program then
// sends: the leave request only to the found reader known whole, on its own
// port, nothing to a port nobody holds.
TEST_F(WorkflowTest, TheFoundReaderAndWhatTheCloseSendsIt)
{
    enum Before { search, searchSwitchLanguageAndSearch, searchAndSwitchLanguage, update };
    const struct {
        const char* what;
        std::vector<std::string> simArgs;
        Before before;
        FoundBy how;
        FirmwareKnown firmware;
        bool leaves;
    } cases[] = {
        {"echo, declined", {"--version", "0x200"}, search, FoundBy::echo, FirmwareKnown::whole, true},
        {"echo with CR LF swapped, declined", {"--version", "0x200", "--fault", "echo-cr-lf"}, search,
         FoundBy::distortedEcho, FirmwareKnown::whole, true},
        {"echo cut short, declined", {"--version", "0x200", "--fault", "echo-cut"}, search, FoundBy::distortedEcho,
         FirmwareKnown::whole, true},
        {"declined, language switch, the same reader found again in its bootloader", {"--version", "0x200"},
         searchSwitchLanguageAndSearch, FoundBy::silenceThenIdentify, FirmwareKnown::whole, true},
        {"silence, then identify: found in its bootloader at start", {"--start-in-bootloader"}, search,
         FoundBy::silenceThenIdentify, FirmwareKnown::inBootloader, false},
        {"a language switch closed the port", {}, searchAndSwitchLanguage, FoundBy::echo, FirmwareKnown::whole, false},
        {"after a completed job", {}, update, FoundBy::echo, FirmwareKnown::whole, false},
        {"after a failed job", {"--fault", "bad-ack=2"}, update, FoundBy::echo, FirmwareKnown::halfWritten, false},
        {"nothing found", {"--fault", "silent"}, search, FoundBy::nothing, FirmwareKnown::nothing, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restart(false);
        carryImage(smallImage());
        SimProcess sim(c.simArgs);
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        if (c.before == searchSwitchLanguageAndSearch || c.before == searchAndSwitchLanguage)
            switchLanguage(languageEnglish);
        if (c.before == searchSwitchLanguageAndSearch)
            searchAgain();
        if (c.before == update)
            runUpdateJob();
        EXPECT_EQ(app.reader.how, c.how) << log();
        EXPECT_EQ(app.reader.firmware, c.firmware);
        EXPECT_EQ(app.reader.identified, c.how != FoundBy::nothing);
        EXPECT_TRUE(c.how == FoundBy::nothing || sameReader(app.reader.info, app.reportedInfo));
        shutdown();
        EXPECT_FALSE(portIsOpen(readerPort()));
        EXPECT_TRUE(headlessQuitPosted());
        sim.stop();
        EXPECT_EQ(sim.transcript().find("leave bootloader") != std::string::npos, c.leaves) << sim.transcript();
        // A running reader is judged by its version: never rewritten unasked.
        EXPECT_EQ(sim.transcript().find("write block") != std::string::npos, c.before == update);
    }
}

// Knowing one reader whole says nothing of another: one found in its
// bootloader afterwards, with the same barcode but another cipher id, is of
// unknown state and gets nothing at close.
TEST_F(WorkflowTest, AnotherReaderFoundInItsBootloaderIsNotTheOneKnownWhole)
{
    carryImage(smallImage());
    SimProcess known({"--version", "0x200"});  // declined
    ASSERT_TRUE(known.ready());
    startUpAndSearch({known.link()});
    ASSERT_EQ(app.reader.firmware, FirmwareKnown::whole);
    switchLanguage(languageEnglish);
    SimProcess other({"--version", "0x200", "--start-in-bootloader", "--cipher", "0xA000002"});
    ASSERT_TRUE(other.ready());
    posixUsePortPaths({other.link()});
    searchAgain();
    EXPECT_EQ(app.reader.firmware, FirmwareKnown::inBootloader) << log();
    shutdown();
    other.stop();
    EXPECT_EQ(other.transcript().find("leave bootloader"), std::string::npos) << other.transcript();
}

// A stop request is taken between two ports: the port after it is never
// probed, and nothing is known.
TEST_F(WorkflowTest, AStopEndsTheSearchBeforeTheNextPort)
{
    carryImage(smallImage());
    SimProcess silent({"--fault", "silent"}), reader;
    ASSERT_TRUE(silent.ready() && reader.ready());
    posixUsePortPaths({silent.link(), reader.link()});
    printHeader();
    startCountdown();
    for (int tick = 0; tick < 100; ++tick)
        countdownTick();
    sleepMs(700);  // the search waits 500 ms, then probes the silent port for about 0.8 s
    jobStopRequested = true;
    joinWorker();
    EXPECT_EQ(app.lastSearch, SearchOutcome::stopped);
    EXPECT_EQ(app.reader.firmware, FirmwareKnown::nothing);
    reader.stop();
    EXPECT_EQ(reader.transcript().find("AT command"), std::string::npos) << reader.transcript();
}

// Every way of ending the program or closing the port, tried while the job
// runs: none reaches the port (nor opens the network port dialog); the close
// is carried out when the job ends.
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
    EXPECT_EQ(cp1251ToUtf8(headlessSessionEndReason().c_str()), expected("sessionEndReason"));

    const struct {
        const char* what;
        void (*command)();
    } commands[] = {
        {"close", [] { EXPECT_FALSE(requestClose()); }},
        {"language", [] { switchLanguage(languageRussian); }},
        {"search", [] { searchCommand(); }},
        {"second start", [] { startUpdateJob(); }},
        {"network port dialog", [] { networkPortCommand(); }},
    };
    const ThreadHandle worker = app.jobThread;
    for (const auto& c : commands) {
        SCOPED_TRACE(c.what);
        c.command();
        EXPECT_TRUE(portIsOpen(readerPort()));
        EXPECT_EQ(app.language, languageEnglish);
        EXPECT_EQ(headlessTimerPeriod(1), 0u) << "no countdown started";
        EXPECT_EQ(app.jobThread, worker);
        EXPECT_FALSE(headlessWindowClosed());
        EXPECT_EQ(headlessNetworkDialogs(), 0);
    }
    EXPECT_FALSE(sessionMayEnd());

    joinWorker();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    EXPECT_NE(log().find(expected("found")), std::string::npos) << "the console was cleared";
    EXPECT_TRUE(sessionMayEnd());
    EXPECT_EQ(headlessSessionEndReason(), "");
    EXPECT_TRUE(headlessWindowClosed()) << "the close waited for the end of the job";
    EXPECT_TRUE(headlessQuitPosted());
    expectFlashHoldsImage(sim, image);
}

// The search runs on the worker too: a close waits for its end, the
// language stays as it is, and the network port dialog does not open.
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
    networkPortCommand();
    EXPECT_EQ(headlessNetworkDialogs(), 0);
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
    EXPECT_NE(transcript.find("#" + std::to_string(app.jobBlock - 1) + " "), std::string::npos) << "the block in flight";
    EXPECT_EQ(transcript.find("#" + std::to_string(app.jobBlock) + " "), std::string::npos)
        << "no block after the stop";
}
