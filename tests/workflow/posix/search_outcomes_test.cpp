// How a search ends when there is no port or no fitting reader, and what
// the window and the shutdown do then.
#include "tests/workflow/posix/workflow_fixture.h"

namespace {
const std::string separator = "\r\n------------------------------------------------";

void expectNotFoundControls()
{
    EXPECT_TRUE(headlessControl(Control::mainWindow).enabled);
    EXPECT_TRUE(headlessControl(Control::portList).enabled);
    EXPECT_TRUE(headlessControl(Control::searchButton).enabled);
    EXPECT_FALSE(headlessControl(Control::startButton).enabled);
    EXPECT_FALSE(headlessControl(Control::updateOption).enabled);
    EXPECT_FALSE(app.portOpen);
}
}  // namespace

TEST_F(WorkflowTest, NoPortsInTheSystem)
{
    startUpAndSearch({});
    EXPECT_EQ(app.lastSearch, SearchOutcome::noPorts);
    const std::string text = log();
    EXPECT_EQ(text.substr(text.find("\r\n>> Device Manager")),
              "\r\n>> Device Manager\r\n>> No COM ports found in the system!\r\n" + separator);
    EXPECT_EQ(headlessPortList(), std::vector<std::string>{""});
    EXPECT_EQ(headlessPortListSelection(), 0);
    expectNotFoundControls();
}

TEST_F(WorkflowTest, ASilentReaderIsNotFoundAndItsPortIsClosed)
{
    SimProcess silent({"--fault", "silent"});
    ASSERT_TRUE(silent.ready());
    startUpAndSearch({silent.link()});
    EXPECT_EQ(app.lastSearch, SearchOutcome::notFound);
    const std::string text = log();
    EXPECT_EQ(text.substr(text.find("\r\n>> Device Manager")),
              "\r\n>> Device Manager\r\n<< Searching for a device to update .\r\n>> Device not found!\r\n\r\n" +
                  separator);
    expectNotFoundControls();
    shutdown();
    silent.stop();
    EXPECT_EQ(silent.transcript().find("leave bootloader"), std::string::npos) << "nothing is sent after not found";
}

TEST_F(WorkflowTest, TheReaderOnTheSecondOfThreePortsIsFoundAndSelected)
{
    SimProcess silent({"--fault", "silent"});
    SimProcess other({"--fault", "other-device"});
    SimProcess reader;
    ASSERT_TRUE(silent.ready() && other.ready() && reader.ready());
    carryImage(smallImage());
    startUpAndSearch({silent.link(), reader.link(), other.link()});
    EXPECT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    EXPECT_NE(log().find("<< Searching for a device to update ..\r\n>> Device found:"), std::string::npos) << log();
    EXPECT_STREQ(app.portName, "COM2");
    EXPECT_EQ(headlessPortListSelection(), 1);
    EXPECT_TRUE(app.portOpen);
}

TEST_F(WorkflowTest, AnotherModelsIdentifyReplyIsNotAFind)
{
    SimProcess other({"--fault", "other-device"});
    ASSERT_TRUE(other.ready());
    startUpAndSearch({other.link()});
    EXPECT_EQ(app.lastSearch, SearchOutcome::notFound);
    EXPECT_NE(app.reportedInfo.deviceType, app.expectedInfo.deviceType) << "reportedInfo holds the other device";
    expectNotFoundControls();
}

TEST_F(WorkflowTest, AShortIdentifyReplyIsNotAFind)
{
    SimProcess shortReply({"--fault", "short-identify"});
    ASSERT_TRUE(shortReply.ready());
    startUpAndSearch({shortReply.link()});
    EXPECT_EQ(app.lastSearch, SearchOutcome::notFound);
}

TEST_F(WorkflowTest, ShutdownAfterACompletedJobSendsNothing)
{
    carryImage(smallImage());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    runUpdateJob();
    shutdown();
    EXPECT_TRUE(headlessQuitPosted());
    sim.stop();
    EXPECT_EQ(sim.transcript().find("leave bootloader"), std::string::npos) << sim.transcript();
}

TEST_F(WorkflowTest, TheLanguageSwitchResetsTheWindowForANewSearch)
{
    carryImage(smallImage());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_TRUE(app.portOpen);
    switchLanguage(languageRussian);
    EXPECT_FALSE(app.portOpen);
    EXPECT_EQ(headlessMenuLanguage(), 0);
    EXPECT_EQ(headlessControl(Control::mainWindow).text, texts().windowTitle);
    EXPECT_EQ(headlessControl(Control::searchButton).text, texts().captionSearch);
    EXPECT_EQ(headlessControl(Control::idLabel).text, "ID: 0; 0;");
    EXPECT_EQ(log(), "\r\n   Karvo-7KRM вер.1.05 [сер.01 изм.02  пп.03]\r\n   "
                     "++++++++++++++++++++++++++++++++++++++++++" + separator + "\r\n");
    EXPECT_TRUE(headlessControl(Control::portList).enabled);
    EXPECT_TRUE(headlessControl(Control::searchButton).enabled);
    EXPECT_FALSE(headlessControl(Control::startButton).enabled);
    EXPECT_FALSE(headlessControl(Control::updateOption).enabled);
    sim.stop();
    EXPECT_EQ(sim.transcript().find("leave bootloader"), std::string::npos) << "a switch closes without leaving";
}
