// The USB lookup over a fake sysfs tree, laid out as the kernel lays it out:
// bus/usb/devices/ holds device folders ("1-1") and interface folders
// ("1-1:1.0"), the interfaces also inside their device's folder, with the tty
// under "tty/" (cdc-acm) or as its own folder (usb-serial).
#include "ports/usb_devices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ports/posix/posix_ports.h"
#include "ports/usb_lookup.h"
#include "app/app_state.h"
#include "tests/support/temp_files.h"

namespace {

class SysfsUsb : public ::testing::Test {
protected:
    void SetUp() override
    {
        devices = dir.file("sys") + "/bus/usb/devices";
        std::filesystem::create_directories(devices);
        posixSetSysfsRoot(dir.file("sys"));
        posixUsePortPaths({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyACM1"});
        strcpy(portName, "none");
    }
    void TearDown() override
    {
        posixSetSysfsRoot("/sys");
        posixUseSystemPorts();
    }

    // A device folder with its identifiers (an empty text leaves the
    // attribute out) and, when tty is given, an interface holding it.
    void device(const std::string& name, const std::string& vendor, const std::string& product,
                const std::string& revision, const std::string& tty = "", bool acmLayout = true)
    {
        const std::string folder = devices + "/" + name;
        std::filesystem::create_directories(folder);
        if (!vendor.empty())
            writeFile(folder + "/idVendor", vendor + "\n");
        if (!product.empty())
            writeFile(folder + "/idProduct", product + "\n");
        if (!revision.empty())
            writeFile(folder + "/bcdDevice", revision + "\n");
        const std::string interface = name + ":1.0";
        std::filesystem::create_directories(folder + "/" + interface);
        std::filesystem::create_directories(devices + "/" + interface);
        if (tty.empty())
            return;
        const std::string ttyFolder = acmLayout ? folder + "/" + interface + "/tty/" + tty
                                                : folder + "/" + interface + "/" + tty + "/tty/" + tty;
        std::filesystem::create_directories(ttyFolder);
    }

    bool find()
    {
        return findUsbPort(portName, "1234", "ABCD", "0200", "1234", "abcd", "0200");
    }

    TempDir dir;
    std::string devices;
    char portName[portNameSize];
};

TEST_F(SysfsUsb, BuildsTheWindowsHardwareIdentifier)
{
    device("usb1", "1d6b", "0002", "0606");
    device("1-1", "1234", "abcd", "0200", "ttyACM0");
    UsbDeviceSet set;
    ASSERT_TRUE(openUsbDevices(&set));
    UsbDevice d{};
    EXPECT_EQ(readUsbDevice(set, 0, &d), UsbDeviceRead::complete);
    EXPECT_STREQ(d.hardwareId, "USB\\VID_1234&PID_ABCD&REV_0200");
    EXPECT_STREQ(d.portName, "COM3");
    EXPECT_EQ(readUsbDevice(set, 1, &d), UsbDeviceRead::noPortName);  // the hub: no tty
    EXPECT_STREQ(d.hardwareId, "USB\\VID_1D6B&PID_0002&REV_0606");
    EXPECT_EQ(readUsbDevice(set, 2, &d), UsbDeviceRead::end);  // interfaces are not devices
    closeUsbDevices(set);
}

TEST_F(SysfsUsb, FindsTheReadersPort)
{
    device("usb1", "1d6b", "0002", "0606");
    device("1-2", "0403", "6001", "0600", "ttyUSB0", false);
    device("1-1", "1234", "abcd", "0200", "ttyACM0");
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM3");
}

TEST_F(SysfsUsb, FindsAUsbSerialLayoutToo)
{
    device("1-3", "1234", "ABCD", "0200", "ttyUSB0", false);
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM2");
}

TEST_F(SysfsUsb, TwoReadersGiveTheOneEnumeratedLater)
{
    // Devices are walked in natural order: 1-2 before 1-10.
    device("1-10", "1234", "abcd", "0200", "ttyACM1");
    device("1-2", "1234", "abcd", "0200", "ttyACM0");
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM4");
}

TEST_F(SysfsUsb, DevicesWithMissingOrMalformedIdentifiersAreSkipped)
{
    device("1-1", "1234", "abcd", "", "ttyACM0");         // no bcdDevice
    device("1-2", "1234", "abcd0", "0200", "ttyACM0");    // five digits
    device("1-3", "12x4", "abcd", "0200", "ttyACM0");     // not hexadecimal
    EXPECT_FALSE(find());
    device("1-4", "1234", "abcd", "0200", "ttyACM1");
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM4");
}

TEST_F(SysfsUsb, AReaderWhoseTtyIsNotListedHasNoPort)
{
    device("1-1", "1234", "abcd", "0200", "ttyACM7");
    EXPECT_FALSE(find());
    EXPECT_STREQ(portName, "none");
}

TEST_F(SysfsUsb, NoSysfsNoDevices)
{
    posixSetSysfsRoot(dir.file("missing"));
    UsbDeviceSet set;
    EXPECT_FALSE(openUsbDevices(&set));
    EXPECT_FALSE(find());
}

}  // namespace
