// COM names on Linux: given paths, and the system's serial devices (on a
// fake /dev and sysfs).
#include "ports/posix/posix_ports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_files.h"

namespace {

using Names = std::vector<std::string>;

class PosixPorts : public ::testing::Test {
protected:
    void TearDown() override { posixUseSystemPorts(), posixSetDeviceRoot("/dev"), posixSetSysfsRoot("/sys"); }

    TempDir root;
};

}  // namespace

TEST_F(PosixPorts, GivenPathsAreCom1Com2InTheirOrder)
{
    const std::string target = root.file("pts-3"), link = root.file("reader");
    writeFile(target, "");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    posixUsePortPaths({"/tmp/b", link, "/dev/ttyUSB0"});
    const std::pair<const char*, std::string> names[] = {{"COM1", "/tmp/b"}, {"com2", link}, {"COM3", "/dev/ttyUSB0"},
                                                         {"COM4", ""}, {"COM0", ""}, {"COM", ""}, {"COM1x", ""}, {"LPT1", ""}};
    for (const auto& [name, path] : names)
        EXPECT_EQ(posixPortPath(name), path) << name;
    EXPECT_EQ(posixComNameOf("/dev/ttyUSB0"), "COM3");
    EXPECT_EQ(posixComNameOf(target), "COM2") << "a link names the same device as its target";
    EXPECT_EQ(posixComNameOf("/dev/ttyUSB1"), "");
}

TEST_F(PosixPorts, SystemDevicesInNaturalOrderWithoutEmptyUarts)
{
    // A fake /dev and a sysfs that says which ttyS nodes have a UART ("type" other than 0).
    const std::string dev = root.file("dev"), sys = root.file("sys");
    std::filesystem::create_directories(dev);
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS12", "tty0", "tty", "ttyUSB",
                             "console", "rfcomm0", "ttyAMA0"})
        writeFile(dev + "/" + name, "");
    for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS12", "0"}}) {
        std::filesystem::create_directories(sys + "/class/tty/" + name);
        writeFile(sys + "/class/tty/" + name + "/type", std::string(type) + "\n");
    }
    posixSetDeviceRoot(dev);
    posixSetSysfsRoot(sys);
    posixUseSystemPorts();
    EXPECT_EQ(posixPortPaths(), (Names{dev + "/rfcomm0", dev + "/ttyACM0", dev + "/ttyAMA0", dev + "/ttyS0",
                                       dev + "/ttyUSB2", dev + "/ttyUSB10"}));
    EXPECT_EQ(posixPortPath("COM5"), dev + "/ttyUSB2");
    EXPECT_EQ(posixComNameOf(dev + "/ttyUSB10"), "COM6");

    posixSetDeviceRoot(root.file("missing"));
    EXPECT_TRUE(posixPortPaths().empty());
}
