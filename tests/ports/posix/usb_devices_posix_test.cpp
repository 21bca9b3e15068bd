// The USB devices on Linux over a fake sysfs tree, laid out as the kernel
// lays it out: bus/usb/devices/ holds device folders ("1-1") and interface
// folders ("1-1:1.0"), the interfaces also inside their device's folder, with
// the tty under "tty/" (cdc-acm) or as its own folder (usb-serial).
#include "ports/usb_devices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/app_state.h"
#include "ports/posix/posix_ports.h"
#include "ports/usb_lookup.h"
#include "tests/support/temp_files.h"

TEST(SysfsUsb, ListsEachDeviceWithItsWindowsIdentifierAndComPortAndFindsTheReader)
{
    TempDir dir;
    posixSetSysfsRoot(dir.file("sys"));
    posixUsePortPaths({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyACM1"});
    // name, idVendor, idProduct, bcdDevice (empty: left out), tty, cdc-acm layout
    const struct {
        const char *name, *vendor, *product, *revision, *tty;
        bool acm;
    } devices[] = {
        {"usb1", "1d6b", "0002", "0606", "", true},     {"1-1", "1234", "abcd", "0200", "ttyACM0", true},
        {"1-2", "0403", "6001", "0600", "ttyUSB0", false}, {"1-10", "1234", "ABCD", "0200", "ttyACM1", false},
        {"1-3", "1234", "abcd", "", "ttyACM0", true},   {"1-4", "1234", "abcd0", "0200", "ttyACM0", true},
        {"1-5", "12x4", "abcd", "0200", "ttyACM0", true}, {"1-6", "1234", "abcd", "0200", "ttyACM7", true},
    };
    const std::string root = dir.file("sys") + "/bus/usb/devices/";
    for (const auto& d : devices) {
        const std::string folder = root + d.name, interface = std::string(d.name) + ":1.0";
        std::filesystem::create_directories(folder + "/" + interface);
        std::filesystem::create_directories(root + interface);
        for (auto [file, value] : {std::pair{"/idVendor", d.vendor}, {"/idProduct", d.product}, {"/bcdDevice", d.revision}})
            if (*value)
                writeFile(folder + file, std::string(value) + "\n");
        if (*d.tty)
            std::filesystem::create_directories(folder + "/" + interface + (d.acm ? "" : "/" + std::string(d.tty)) +
                                                "/tty/" + d.tty);
    }
    UsbDeviceSet set;
    ASSERT_TRUE(openUsbDevices(&set));
    std::string listing;
    UsbDevice d{};
    UsbDeviceRead read;
    for (int i = 0; (read = readUsbDevice(set, i, &d)) != UsbDeviceRead::end; ++i) {
        listing += read == UsbDeviceRead::noHardwareId ? "no identifier\n"
                   : read == UsbDeviceRead::noPortName ? std::string(d.hardwareId) + " no port\n"
                                                       : std::string(d.hardwareId) + " " + d.portName + "\n";
    }
    closeUsbDevices(set);
    // In natural order (1-2 before 1-10); interfaces are no devices.
    EXPECT_EQ(listing,
              "USB\\VID_1234&PID_ABCD&REV_0200 COM3\n"
              "USB\\VID_0403&PID_6001&REV_0600 COM2\n"
              "no identifier\nno identifier\nno identifier\n"   // no bcdDevice, five digits, not hexadecimal
              "USB\\VID_1234&PID_ABCD&REV_0200 no port\n"       // its tty is not a listed port
              "USB\\VID_1234&PID_ABCD&REV_0200 COM4\n"
              "USB\\VID_1D6B&PID_0002&REV_0606 no port\n");     // the hub: no tty
    char portName[portNameSize] = "none";
    EXPECT_TRUE(findUsbPort(portName, "1234", "ABCD", "0200", "1234", "abcd", "0200"));
    EXPECT_STREQ(portName, "COM4") << "the reader enumerated last";
    posixSetSysfsRoot(dir.file("missing"));
    EXPECT_FALSE(openUsbDevices(&set)) << "no sysfs, no devices";
    posixSetSysfsRoot("/sys");
    posixUseSystemPorts();
}
