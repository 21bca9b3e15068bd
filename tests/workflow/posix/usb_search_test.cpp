// The USB reader: found by its identifiers in a fake sysfs tree whose tty is
// the simulator's pseudo-terminal, switched, found again and identified.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/workflow/posix/workflow_fixture.h"

namespace {

// A sysfs tree with one USB device (VID 1234, PID ABCD, revision 0200 by
// default) whose interface holds tty "ttyACM0", and a device folder where
// ttyACM0 leads to the given line.
class FakeUsbSystem {
public:
    FakeUsbSystem(const std::string& line, const std::string& revision = "0200")
    {
        const std::string device = dir_.file("sys/bus/usb/devices/1-1");
        std::filesystem::create_directories(device + "/1-1:1.0/tty/ttyACM0");
        std::ofstream(device + "/idVendor") << "1234\n";
        std::ofstream(device + "/idProduct") << "abcd\n";
        std::ofstream(device + "/bcdDevice") << revision << "\n";
        std::filesystem::create_directories(dir_.file("dev"));
        std::filesystem::create_symlink(line, dir_.file("dev/ttyACM0"));
        posixSetSysfsRoot(dir_.file("sys"));
        posixSetDeviceRoot(dir_.file("dev"));
        posixUseSystemPorts();
    }
    ~FakeUsbSystem()
    {
        posixSetSysfsRoot("/sys");
        posixSetDeviceRoot("/dev");
    }

private:
    TempDir dir_;
};

}  // namespace

TEST_F(WorkflowTest, TheUsbReaderIsSwitchedFoundAgainAndUpdated)
{
    carryImage(smallImage(0x0C02));
    SimProcess sim({"--type", "0xC02"});
    ASSERT_TRUE(sim.ready());
    FakeUsbSystem usb(sim.link());
    printHeader();
    runCountdown();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    const std::string text = log();
    EXPECT_NE(text.find("\r\n>> Device Manager\r\n<< Transferring the reader to the bootloader "
                        "\r\n<< Searching for a device to update .\r\n>> Device found:\r\n   > port:\t\tCOM1"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\r\n   > device type:\tKarvo-7-USB (pcb: MAIN)"), std::string::npos);
    runUpdateJob();
    EXPECT_TRUE(app.updateDone);

    // After the job the port is closed: shutdown finds the reader again by its
    // identifiers and sends the leave request, addressed to 0x0C03.
    shutdown();
    sim.stop();
    const std::string transcript = sim.transcript();
    EXPECT_NE(transcript.find("AT command \"AT+BOOTL_USB\""), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("sum matches"), std::string::npos);
}

TEST_F(WorkflowTest, AFoundUsbReaderLeftInItsBootloaderIsToldToLeaveOnTheOpenPort)
{
    carryImage(smallImage(0x0C03, 0x0104));  // equal versions: the question is answered No
    SimProcess sim({"--type", "0xC03"});
    ASSERT_TRUE(sim.ready());
    FakeUsbSystem usb(sim.link());
    runCountdown();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundDeclined);
    ASSERT_TRUE(app.portOpen);
    shutdown();
    EXPECT_FALSE(app.portOpen);
    sim.stop();
    EXPECT_NE(sim.transcript().find("RX leave bootloader (0xF4) device=0x00000C03"), std::string::npos)
        << sim.transcript();
}

TEST_F(WorkflowTest, WithoutTheUsbReaderThereIsNoSwitchNoWaitAndNothingSentAtShutdown)
{
    carryImage(smallImage(0x0C02));
    SimProcess sim({"--type", "0xC02"});
    ASSERT_TRUE(sim.ready());
    FakeUsbSystem usb(sim.link(), "0100");  // another revision: not the reader
    runCountdown();
    EXPECT_EQ(app.lastSearch, SearchOutcome::notFound);
    const std::string text = log();
    EXPECT_EQ(text.find("Transferring"), std::string::npos);
    EXPECT_NE(text.find("\r\n<< Searching for a device to update .\r\n>> Device not found!"), std::string::npos);
    shutdown();
    sim.stop();
    EXPECT_EQ(sim.transcript().find("RX"), std::string::npos) << "something reached a port nobody found";
}

TEST_F(WorkflowTest, AUsbReaderLeftHalfWrittenGetsNothingAtCloseAndIsFoundAgainInItsBootloader)
{
    const std::string image = smallImage(0x0C02, 0x0105, 24);
    carryImage(image);
    SimProcess sim({"--type", "0xC02", "--fault", "bad-ack=2"});
    ASSERT_TRUE(sim.ready());
    FakeUsbSystem usb(sim.link());
    runCountdown();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    runUpdateJob();
    ASSERT_EQ(app.lastJob, JobOutcome::failedWriting);
    // Shutdown would find the reader by its identifiers: it must not tell it
    // to leave with half its firmware.
    shutdown();

    searchAgain();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    EXPECT_TRUE(app.foundInBootloader);
    EXPECT_NE(log().find("found in its bootloader"), std::string::npos);
    runUpdateJob();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    sim.stop();
    const std::string transcript = sim.transcript();
    EXPECT_EQ(transcript.find("leave bootloader"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("sum matches"), std::string::npos) << transcript;
    EXPECT_EQ(hexToMemory(sim.flashHex()), hexToMemory(image, 124));
}
