// Updates that fail: the reason's lines, "UPDATE FAILED!!!", no reset request
// after a failed flash, the port closed, never "SUCCESSFUL!!!", and nothing
// sent to the half-written reader when the program closes.
#include "tests/workflow/posix/workflow_fixture.h"

namespace {

struct Failure {
    const char* what;
    std::vector<std::string> faults;
    bool resetSettings;
    JobOutcome outcome;
    int block;
    std::vector<std::string> tail;  // keys of the console's last lines before the failure's ending
    const char* neverSent;
};

const std::vector<std::string> interrupted = {"writingFlash", "recordingInterrupted", "failed"};

}  // namespace

class UpdateFailure : public WorkflowTest {
protected:
    // The image has several blocks: 48 bytes at 0x08004800, then 400 bytes
    // from 0x08005400 in blocks 2 to 5, the last one partial (16 bytes).
    void runFailingUpdate(const Failure& f)
    {
        SCOPED_TRACE(f.what);
        restart(false);
        carryImage(smallImage(0x0C01, 0x0105, 24));
        carryConfig(f.resetSettings ? "RESET_SETTINGS = TRUE;" : "RESET_SETTINGS = FALSE;");
        SimProcess sim(f.faults);
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
        runUpdateJob();
        EXPECT_EQ(app.lastJob, f.outcome);
        EXPECT_EQ(app.jobBlock, f.block);
        EXPECT_FALSE(app.updateDone);
        EXPECT_FALSE(portIsOpen(readerPort()));
        EXPECT_TRUE(enabled(Control::searchButton) && !enabled(Control::startButton));
        std::string tail;
        for (const std::string& key : f.tail)
            tail += expected(key);
        EXPECT_EQ(logFrom(f.tail[0]), tail + expected("banner") + expected("updateFailed") + expected("staysInBootloader"));
        shutdown();
        sim.stop();
        EXPECT_EQ(sim.transcript().find(f.neverSent), std::string::npos) << sim.transcript();
        EXPECT_EQ(sim.transcript().find("leave bootloader"), std::string::npos) << sim.transcript();
    }
};

TEST_F(UpdateFailure, ByFaultOfTheReader)
{
    const Failure failures[] = {
        {"refused block", {"--fault", "bad-ack=2"}, false, JobOutcome::failedWriting, 2, interrupted, "reset"},
        {"refused last partial block", {"--fault", "bad-ack=5"}, false, JobOutcome::failedWriting, 5, interrupted,
         "reset"},
        // A read error is logged for every attempt at the block after the hang-up.
        {"hang-up mid-transfer", {"--fault", "hang-up=2"}, false, JobOutcome::failedWriting, 3,
         {"recordingInterrupted", "failed"}, "reset"},
        {"device reset unacknowledged", {"--fault", "no-reset-ack"}, false, JobOutcome::failedAtDeviceReset, 0,
         {"writingFlash", "ok", "resetDevice", "noDeviceResetAck"}, "reset settings"},
        {"settings reset unacknowledged", {"--fault", "no-settings-ack"}, true, JobOutcome::failedAtSettingsReset, 0,
         {"writingFlash", "ok", "resetSettings", "noSettingsResetAck"}, "reset device"},
    };
    for (const Failure& f : failures)
        runFailingUpdate(f);
}

TEST_F(UpdateFailure, TheLastPartialBlockNeverAcknowledgedFailsAfterTheWholeWait)
{
    // 500 attempts of 10 ms plus one read time-out each: about 35 s.
    runFailingUpdate({"never acknowledged", {"--fault", "no-ack=5"}, false, JobOutcome::failedWriting, 5, interrupted,
                      "reset"});
}
