// COM names on Linux: given paths, the system's devices (on a fake /dev and
// sysfs), and the port list filled from them.
#include "ports/posix/posix_ports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "ports/port_list.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"
#include "ui/window.h"

namespace {

using Names = std::vector<std::string>;

class PosixPorts : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }
    void TearDown() override
    {
        posixUseSystemPorts();
        posixSetDeviceRoot("/dev");
        posixSetSysfsRoot("/sys");
    }

    // A fake /dev with the given (empty) files and a fake sysfs that says
    // which ttyS nodes have a UART ("type" other than 0).
    void fakeSystem(const Names& devices, const std::vector<std::pair<std::string, int>>& uartTypes)
    {
        const std::string dev = root.file("dev");
        const std::string sys = root.file("sys");
        std::filesystem::create_directories(dev);
        for (const std::string& name : devices)
            writeFile(dev + "/" + name, "");
        for (const auto& [name, type] : uartTypes) {
            std::filesystem::create_directories(sys + "/class/tty/" + name);
            writeFile(sys + "/class/tty/" + name + "/type", std::to_string(type) + "\n");
        }
        posixSetDeviceRoot(dev);
        posixSetSysfsRoot(sys);
        posixUseSystemPorts();
    }

    TempDir root;
};

TEST_F(PosixPorts, GivenPathsAreCom1Com2InTheirOrder)
{
    posixUsePortPaths({"/tmp/b", "/tmp/a", "/dev/ttyUSB0"});
    EXPECT_EQ(posixPortPath("COM1"), "/tmp/b");
    EXPECT_EQ(posixPortPath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(posixPortPath("com2"), "/tmp/a");
    EXPECT_EQ(posixPortPath("COM4"), "");
    EXPECT_EQ(posixPortPath("COM0"), "");
    EXPECT_EQ(posixPortPath("COM"), "");
    EXPECT_EQ(posixPortPath("COM1x"), "");
    EXPECT_EQ(posixPortPath("LPT1"), "");
    EXPECT_EQ(posixComNameOf("/tmp/a"), "COM2");
    EXPECT_EQ(posixComNameOf("/dev/ttyUSB0"), "COM3");
    EXPECT_EQ(posixComNameOf("/dev/ttyUSB1"), "");
}

TEST_F(PosixPorts, ALinkNamesTheSameDeviceAsItsTarget)
{
    const std::string target = root.file("pts-3");
    const std::string link = root.file("reader");
    writeFile(target, "");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    posixUsePortPaths({"/tmp/none", link});
    EXPECT_EQ(posixComNameOf(link), "COM2");
    EXPECT_EQ(posixComNameOf(target), "COM2");
}

TEST_F(PosixPorts, SystemDevicesInNaturalOrderWithoutEmptyUarts)
{
    fakeSystem({"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS12", "tty0", "tty", "ttyUSB",
                "console", "rfcomm0", "ttyAMA0"},
               {{"ttyS0", 4}, {"ttyS1", 0}, {"ttyS12", 0}});
    const std::string dev = posixDeviceRoot();
    EXPECT_EQ(posixPortPaths(), (Names{dev + "/rfcomm0", dev + "/ttyACM0", dev + "/ttyAMA0", dev + "/ttyS0",
                                       dev + "/ttyUSB2", dev + "/ttyUSB10"}));
    EXPECT_EQ(posixPortPath("COM5"), dev + "/ttyUSB2");
    EXPECT_EQ(posixComNameOf(dev + "/ttyUSB10"), "COM6");
}

TEST_F(PosixPorts, NoSystemDevicesNoPorts)
{
    fakeSystem({"tty0", "null"}, {});
    EXPECT_TRUE(posixPortPaths().empty());
    posixSetDeviceRoot(root.file("missing"));
    EXPECT_TRUE(posixPortPaths().empty());
}

TEST_F(PosixPorts, NaturalOrderComparesNumbersByValue)
{
    EXPECT_TRUE(naturalLess("ttyUSB2", "ttyUSB10"));
    EXPECT_FALSE(naturalLess("ttyUSB10", "ttyUSB2"));
    EXPECT_TRUE(naturalLess("1-1.2", "1-1.10"));
    EXPECT_TRUE(naturalLess("ttyACM9", "ttyS0"));
    EXPECT_TRUE(naturalLess("tty", "tty0"));
    EXPECT_TRUE(naturalLess("a007", "a8"));
    EXPECT_FALSE(naturalLess("x", "x"));
}

class PosixPortList : public PosixPorts {};

TEST_F(PosixPortList, FillListsTheComNamesAndSelectsTheFirst)
{
    posixUsePortPaths({"/tmp/x", "/tmp/y", "/tmp/z"});
    portListAppend("old");
    EXPECT_TRUE(fillPortList());
    EXPECT_EQ(headlessPortList(), (Names{"COM1", "COM2", "COM3"}));
    EXPECT_EQ(headlessPortListSelection(), 0);
}

TEST_F(PosixPortList, NoPortsMeansOneEmptyEntry)
{
    posixUsePortPaths({});
    portListAppend("old");
    EXPECT_FALSE(fillPortList());
    EXPECT_TRUE(headlessPortList().empty());

    refreshPortList();
    EXPECT_EQ(headlessPortList(), (Names{""}));
    EXPECT_EQ(headlessPortListSelection(), 0);
}

}  // namespace
