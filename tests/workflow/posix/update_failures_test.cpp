// Updates that fail: the reason's line, "UPDATE FAILED!!!", no reset request
// after a failed flash, the port closed, never "SUCCESSFUL!!!".
#include "tests/workflow/posix/workflow_fixture.h"
#include "ui/option_controls.h"

namespace {
const std::string failedEnding = "\r\n++++++++++++++++++++++++++++++++++++++++++++++++\r\n\t\tUPDATE FAILED!!!"
                                 "\r\n>> The reader stays in its bootloader. Do not disconnect it!"
                                 "\r\n   Press SEARCH, then START to finish the update.";

// An image of several blocks, so that a fault at block 2 stops it midway.
std::string imageOfBlocks()
{
    return smallImage(0x0C01, 0x0105, 24);
}
}  // namespace

class UpdateFailure : public WorkflowTest {
protected:
    // The job fails as expected; closing the program then sends nothing to
    // the half-written reader.
    void runFailingUpdate(const std::vector<std::string>& faults, JobOutcome outcome, int block = 0)
    {
        carryImage(imageOfBlocks());
        sim_ = std::make_unique<SimProcess>(faults);
        ASSERT_TRUE(sim_->ready());
        startUpAndSearch({sim_->link()});
        ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
        runUpdateJob();
        EXPECT_FALSE(app.updateDone);
        EXPECT_FALSE(app.portOpen);
        EXPECT_TRUE(headlessControl(Control::searchButton).enabled);
        EXPECT_FALSE(headlessControl(Control::startButton).enabled);
        EXPECT_EQ(log().find("SUCCESSFUL"), std::string::npos);
        EXPECT_EQ(app.lastJob, outcome);
        EXPECT_EQ(app.jobBlock, block);
        shutdown();
        sim_->stop();
        EXPECT_EQ(sim_->transcript().find("leave bootloader"), std::string::npos) << sim_->transcript();
    }

    std::string logTail(size_t from) { return log().substr(log().find("\r\n<< Writing to Flash Memory") + from); }

    std::unique_ptr<SimProcess> sim_;
};

TEST_F(UpdateFailure, ACodeOtherThanAcknowledgementStopsTheFlashAtOnce)
{
    runFailingUpdate({"--fault", "bad-ack=2"}, JobOutcome::failedWriting, 2);
    EXPECT_EQ(logTail(0), "\r\n<< Writing to Flash Memory\r\n   > recording interrupted\r\n>> Error: Failed!" + failedEnding);
    EXPECT_EQ(sim_->transcript().find("reset"), std::string::npos) << "a reset was requested after a failed flash";
}

// The image's blocks: 48 bytes at 0x08004800, then 400 bytes from 0x08005400
// in blocks 2 to 5, the last one partial (16 bytes). A refusal of that last
// block must not pass for a whole flash.
TEST_F(UpdateFailure, ARefusedLastPartialBlockFailsTheFlash)
{
    runFailingUpdate({"--fault", "bad-ack=5"}, JobOutcome::failedWriting, 5);
    EXPECT_EQ(logTail(0), "\r\n<< Writing to Flash Memory\r\n   > recording interrupted\r\n>> Error: Failed!" + failedEnding);
    EXPECT_NE(sim_->transcript().find("RX write block (0xF1) #5 "), std::string::npos) << sim_->transcript();
}

TEST_F(UpdateFailure, AHangUpMidTransferFailsWithoutAReset)
{
    runFailingUpdate({"--fault", "hang-up=2"}, JobOutcome::failedWriting, 3);
    const std::string tail = logTail(0);
    EXPECT_NE(tail.find("\r\n   > recording interrupted\r\n>> Error: Failed!" + failedEnding), std::string::npos) << tail;
    EXPECT_EQ(sim_->transcript().find("reset"), std::string::npos);
}

TEST_F(UpdateFailure, AnUnacknowledgedDeviceResetIsNoSuccess)
{
    runFailingUpdate({"--fault", "no-reset-ack"}, JobOutcome::failedAtDeviceReset);
    EXPECT_EQ(logTail(0), "\r\n<< Writing to Flash Memory\r\n>> OK\r\n<< Reset device"
                          "\r\n>> Error: No confirmation of device reset!" + failedEnding);
}

TEST_F(UpdateFailure, AnUnacknowledgedSettingsResetSkipsTheDeviceReset)
{
    carryConfig("RESET_SETTINGS = TRUE;");
    runFailingUpdate({"--fault", "no-settings-ack"}, JobOutcome::failedAtSettingsReset);
    EXPECT_EQ(logTail(0), "\r\n<< Writing to Flash Memory\r\n>> OK\r\n<< Reset to default settings"
                          "\r\n>> Error: No confirmation of reset!" + failedEnding);
    EXPECT_EQ(sim_->transcript().find("reset device"), std::string::npos) << sim_->transcript();
}

TEST_F(UpdateFailure, TheLastPartialBlockNeverAcknowledgedFailsAfterTheWholeWait)
{
    // 500 attempts of 10 ms plus one read time-out each: about 35 s.
    runFailingUpdate({"--fault", "no-ack=5"}, JobOutcome::failedWriting, 5);
    EXPECT_EQ(logTail(0), "\r\n<< Writing to Flash Memory\r\n   > recording interrupted\r\n>> Error: Failed!" + failedEnding);
}
