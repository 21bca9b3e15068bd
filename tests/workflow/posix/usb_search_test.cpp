// The USB reader: found by its identifiers in a fake sysfs tree whose tty is
// the simulator's pseudo-terminal, switched, found again and identified.
#include <filesystem>
#include <fstream>
#include <optional>

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
    // Another reader on the same USB port, as if plugged in instead.
    void plugIn(const std::string& line)
    {
        std::filesystem::remove(dir_.file("dev/ttyACM0"));
        std::filesystem::create_symlink(line, dir_.file("dev/ttyACM0"));
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

// Switched by its AT command, found again, identified; left half-written by
// a refused block, it gets nothing at close (shutdown would find it by its
// identifiers), and the next search finds it in its bootloader and finishes.
TEST_F(WorkflowTest, TheUsbReaderIsSwitchedFoundUpdatedAndNeverLeftHalfWritten)
{
    const std::string image = smallImage(0x0C02, 0x0105, 24);
    carryImage(image);
    SimProcess sim({"--type", "0xC02", "--fault", "bad-ack=2"});
    ASSERT_TRUE(sim.ready());
    FakeUsbSystem usb(sim.link());
    runCountdown();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    const std::string text = log();
    EXPECT_EQ(text.find(expected("deviceManager") + expected("switchToBootloader") + expected("searching") + "." +
                        expected("found") + "\r\n   > port:\t\tCOM1"),
              0u) << text;
    EXPECT_NE(text.find("\tKarvo-7-USB (pcb: MAIN)\r\n"), std::string::npos);
    runUpdateJob();
    ASSERT_EQ(app.lastJob, JobOutcome::failedWriting);
    shutdown();

    searchAgain();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered) << log();
    EXPECT_EQ(app.reader.firmware, FirmwareKnown::inBootloader);
    runUpdateJob();
    EXPECT_EQ(app.lastJob, JobOutcome::updated);
    expectFlashHoldsImage(sim, image);
    EXPECT_NE(sim.transcript().find("AT command \"AT+BOOTL_USB\""), std::string::npos) << sim.transcript();
    EXPECT_EQ(sim.transcript().find("leave bootloader"), std::string::npos) << sim.transcript();
}

// At close: a found reader declined on the open port is told to leave,
// addressed to the power board; a device of another revision is no reader:
// no switch, no wait, nothing sent.
TEST_F(WorkflowTest, WhatAUsbDeviceGetsAtClose)
{
    const struct {
        uint32_t type;
        const char* revision;
        SearchOutcome outcome;
        const char* sent;  // nullptr: nothing at all
    } cases[] = {{0x0C03, "0200", SearchOutcome::foundDeclined, "RX leave bootloader (0xF4) device=0x00000C03"},
                 {0x0C02, "0100", SearchOutcome::notFound, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.revision);
        restart(false);
        carryImage(smallImage(c.type, 0x0104));  // equal versions: the question is answered No
        SimProcess sim({"--type", c.type == 0x0C03 ? "0xC03" : "0xC02"});
        ASSERT_TRUE(sim.ready());
        FakeUsbSystem usb(sim.link(), c.revision);
        runCountdown();
        ASSERT_EQ(app.lastSearch, c.outcome);
        EXPECT_EQ(log().find(expected("switchToBootloader")) != std::string::npos, c.sent != nullptr);
        shutdown();
        EXPECT_FALSE(portIsOpen(readerPort()));
        sim.stop();
        EXPECT_EQ(sim.transcript().find(c.sent ? c.sent : "RX") != std::string::npos, c.sent != nullptr)
            << sim.transcript();
    }
}

// The reader found and known whole is told to leave its bootloader at close
// only when the USB port's reader identifies as that very reader: another one
// plugged in instead, left in its bootloader by an earlier failed job, gets
// nothing when the program closes at once; nor does one of another hardware
// variant that a SEARCH switched and did not find.
TEST_F(WorkflowTest, AtCloseOnlyTheFoundUsbReaderIsToldToLeave)
{
    const std::vector<std::string> sameReader = {};
    const struct {
        const char* what;
        std::vector<std::string> other;  // the reader plugged in instead; sameReader: none
        bool searchAgain;
        bool leaves;
    } cases[] = {
        {"the found reader, its port closed by a language switch", sameReader, false, true},
        {"another barcode", {"--start-in-bootloader", "--barcode", "87654321"}, false, false},
        {"the same barcode, another cipher id", {"--start-in-bootloader", "--cipher", "0xA000002"}, false, false},
        {"another hardware variant, switched by SEARCH but not found", {"--hardware", "0x20203"}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restart(false);
        carryImage(smallImage(0x0C02, 0x0104));  // equal versions: the question is answered No
        SimProcess found({"--type", "0xC02"});
        ASSERT_TRUE(found.ready());
        FakeUsbSystem usb(found.link());
        runCountdown();
        ASSERT_EQ(app.lastSearch, SearchOutcome::foundDeclined) << log();
        switchLanguage(languageEnglish);
        std::optional<SimProcess> other;
        if (c.other != sameReader) {
            std::vector<std::string> args = {"--type", "0xC02"};
            args.insert(args.end(), c.other.begin(), c.other.end());
            ASSERT_TRUE(other.emplace(args).ready());
            usb.plugIn(other->link());
        }
        if (c.searchAgain) {
            searchAgain();
            EXPECT_EQ(app.lastSearch, SearchOutcome::notFound) << log();
            EXPECT_EQ(app.reader.firmware, FirmwareKnown::nothing) << "a search that finds nothing knows nothing";
        }
        shutdown();
        SimProcess& atClose = other ? *other : found;
        atClose.stop();
        const std::string transcript = atClose.transcript();
        EXPECT_EQ(transcript.find("leave bootloader") != std::string::npos, c.leaves) << transcript;
    }
}
